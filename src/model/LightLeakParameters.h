#pragma once
// A coloured leak of light entering the camera from one edge. The stored texts
// of style and position are the labels of earlier files and are kept byte for byte.
#include <array>

#include <nlohmann/json_fwd.hpp>

#include "model/EnumTable.h"
#include "model/ScalarParameter.h"

namespace vantrel {

enum class LightLeakStyle { none, warmCorner, sideStreak, rainbowBurn, vintageFlare };
enum class LightLeakPosition { left, right, top, bottom };

template <>
struct EnumTable<LightLeakStyle> {
    using C = LightLeakStyle;
    static constexpr bool unknownIsFirstCase = false;
    static constexpr std::array<EnumCase<C>, 5> cases{{
        {C::none, "无漏光", "leak.style.none"},
        {C::warmCorner, "暖金转角漏光 (Warm Corner)", "leak.style.warmCorner"},
        {C::sideStreak, "侧边贯穿条纹 (Side Streak)", "leak.style.sideStreak"},
        {C::rainbowBurn, "彩虹光斑彩晕 (Rainbow Burn)", "leak.style.rainbowBurn"},
        {C::vintageFlare, "复古红橙光晕 (Vintage Flare)", "leak.style.vintageFlare"},
    }};
};

template <>
struct EnumTable<LightLeakPosition> {
    using C = LightLeakPosition;
    static constexpr bool unknownIsFirstCase = false;
    static constexpr std::array<EnumCase<C>, 4> cases{{
        {C::left, "左侧", "leak.pos.left"},
        {C::right, "右侧", "leak.pos.right"},
        {C::top, "顶部", "leak.pos.top"},
        {C::bottom, "底部", "leak.pos.bottom"},
    }};
};

struct LightLeakParameters {
    LightLeakStyle style = LightLeakStyle::none;
    double intensity = 0.5;
    LightLeakPosition position = LightLeakPosition::left;

    static const LightLeakParameters& defaultValue();

    // No style, or an intensity below its threshold.
    bool isNeutral() const;

    bool operator==(const LightLeakParameters&) const = default;
};

// Below an intensity of 0.01 there is no leak; a new leak starts at half strength.
template <>
struct ParameterTable<LightLeakParameters> {
    using L = LightLeakParameters;
    static constexpr std::array<ScalarParameter<L>, 1> rows{{
        {.key = "intensity", .member = &L::intensity, .neutral = 0, .reset = 0.5, .tolerance = 0.01,
         .onlyAbove = true, .label = "leaks.amount"},
    }};
};

inline bool LightLeakParameters::isNeutral() const {
    return style == LightLeakStyle::none || parameterOf(&LightLeakParameters::intensity).isNeutral(intensity);
}

void to_json(nlohmann::json& j, const LightLeakParameters& leak);
void from_json(const nlohmann::json& j, LightLeakParameters& leak);

}  // namespace vantrel
