#pragma once
// An elliptical mask with a feathered edge and the corrections applied inside it.
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "model/MaskCorrections.h"
#include "model/NormalizedPoint.h"
#include "model/Uuid.h"

namespace vantrel {

struct RadialMask {
    Uuid id = Uuid::random();
    std::string name = "径向聚光";  // the stored default name, not localised
    bool isEnabled = true;
    NormalizedPoint center{0.5, 0.5};
    double radiusX = 0.25;  // fraction of the image width
    double radiusY = 0.25;  // fraction of the image height
    double feather = 0.5;
    bool isInverted = false;
    double exposure = 0.5;
    double contrast = 1.0;
    double highlights = 0;
    double shadows = 0;
    double temperature = 0;
    double tint = 0;
    double saturation = 1.0;

    // The clamping initialiser: radii into 0.02...1, feather into 0.05...1 (NaN
    // gives 1); everything else as given.
    RadialMask clamped() const;

    // Whether its corrections change nothing; where it lies, whether it is on or inverted does
    // not matter.
    bool isNeutral() const;

    bool operator==(const RadialMask&) const = default;
};

template <>
struct ParameterTable<RadialMask> {
    static constexpr auto rows = maskCorrectionRows<RadialMask>();
    static constexpr std::array<ScalarParameter<RadialMask>, 1> shapeRows{{
        {.key = "feather", .member = &RadialMask::feather, .lower = 0.05, .upper = 1, .neutral = 0.5,
         .format = "%.0f%%", .percent = true, .label = "mask.feather"},
    }};
};

inline bool RadialMask::isNeutral() const { return hasNeutralScalars(*this); }

// Reading is lenient: a missing or null key keeps its default (a fresh id).
void to_json(nlohmann::json& j, const RadialMask& mask);
void from_json(const nlohmann::json& j, RadialMask& mask);

}  // namespace vantrel
