#pragma once
// The geometry of a frame: kept rectangle, straightening, quarter turns, flips
// and the aspect ratio the crop is locked to while editing.
#include <array>

#include <nlohmann/json_fwd.hpp>

#include "model/CropAspectRatio.h"
#include "model/NormalizedRect.h"
#include "model/ScalarParameter.h"

namespace vantrel {

struct CropParameters {
    NormalizedRect rect = NormalizedRect::full();
    double straightenAngle = 0;  // degrees
    int quarterTurns = 0;        // counted modulo 4
    bool isFlippedH = false;
    bool isFlippedV = false;
    CropAspectRatio aspectRatio = CropAspectRatio::free;

    static const CropParameters& defaultValue();

    // True when the geometry stage has nothing to do; the aspect ratio is not looked at.
    bool isIdentity() const;

    bool operator==(const CropParameters&) const = default;
};

template <>
struct ParameterTable<CropParameters> {
    using C = CropParameters;
    static constexpr std::array<ScalarParameter<C>, 1> rows{{
        {.key = "straightenAngle", .member = &C::straightenAngle, .lower = -45, .upper = 45, .neutral = 0,
         .tolerance = 0.01, .step = 0.1, .format = "%.1f", .unit = "°", .label = "inspector.straighten",
         .accent = 0x32ADE6},
    }};
};

inline bool CropParameters::isIdentity() const {
    return rect.isFull() && parameterOf(&CropParameters::straightenAngle).isNeutral(straightenAngle) &&
           (quarterTurns & 3) == 0 && !isFlippedH && !isFlippedV;
}

void to_json(nlohmann::json& j, const CropParameters& crop);
void from_json(const nlohmann::json& j, CropParameters& crop);

}  // namespace vantrel
