#pragma once
// A graduated mask from startPoint to endPoint with the corrections applied under it.
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "model/MaskCorrections.h"
#include "model/NormalizedPoint.h"
#include "model/Uuid.h"

namespace vantrel {

struct LinearMask {
    Uuid id = Uuid::random();
    std::string name = "线性渐变";  // the stored default name, not localised
    bool isEnabled = true;
    NormalizedPoint startPoint{0.5, 0.0};
    NormalizedPoint endPoint{0.5, 0.4};
    double exposure = -0.7;
    double contrast = 1.0;
    double highlights = 0;
    double shadows = 0;
    double temperature = 0;
    double tint = 0;
    double saturation = 1.0;
    bool isInverted = false;

    // Whether its corrections change nothing; where it lies, whether it is on or inverted does
    // not matter.
    bool isNeutral() const;

    bool operator==(const LinearMask&) const = default;
};

template <>
struct ParameterTable<LinearMask> {
    static constexpr auto rows = maskCorrectionRows<LinearMask>();
    static constexpr std::array<ScalarParameter<LinearMask>, 0> shapeRows{};
};

inline bool LinearMask::isNeutral() const { return hasNeutralScalars(*this); }

// Reading is lenient: a missing or null key keeps its default (a fresh id).
void to_json(nlohmann::json& j, const LinearMask& mask);
void from_json(const nlohmann::json& j, LinearMask& mask);

}  // namespace vantrel
