#pragma once
// The highlight boost above standard white for displays with extended range.
#include <array>

#include <nlohmann/json_fwd.hpp>

#include "model/ScalarParameter.h"

namespace vantrel {

struct UltraHDRParameters {
    bool isEnabled = false;
    double highlightBoost = 1.5;
    double clipThreshold = 0.75;
    double gainMapRadius = 4.0;
    double maxHeadroom = 3.0;

    static const UltraHDRParameters& defaultValue();
    static const UltraHDRParameters& enabledDefault();

    // Off, or a boost below its threshold.
    bool isNeutral() const;

    bool operator==(const UltraHDRParameters&) const = default;
};

// Below a boost of 0.05 nothing is lifted; the slider starts at 1.5. The headroom has no slider.
template <>
struct ParameterTable<UltraHDRParameters> {
    using U = UltraHDRParameters;
    static constexpr std::array<ScalarParameter<U>, 3> rows{{
        {.key = "highlightBoost", .member = &U::highlightBoost, .lower = 0, .upper = 3, .neutral = 0, .reset = 1.5,
         .tolerance = 0.05, .onlyAbove = true, .step = 0.05, .format = "+%.2f", .unit = "EV",
         .label = "ultraHDR.boost"},
        {.key = "clipThreshold", .member = &U::clipThreshold, .lower = 0.5, .upper = 0.95, .neutral = 0.75,
         .label = "ultraHDR.threshold"},
        {.key = "gainMapRadius", .member = &U::gainMapRadius, .lower = 0, .upper = 15, .neutral = 4, .step = 0.5,
         .format = "%.1f", .unit = "px", .label = "ultraHDR.radius"},
    }};
};

inline bool UltraHDRParameters::isNeutral() const {
    return !isEnabled || parameterOf(&UltraHDRParameters::highlightBoost).isNeutral(highlightBoost);
}

void to_json(nlohmann::json& j, const UltraHDRParameters& hdr);
void from_json(const nlohmann::json& j, UltraHDRParameters& hdr);

}  // namespace vantrel
