#pragma once
// The red glow bright areas spread on film (halation) and the soft diffusion
// of a black-mist filter (bloom), with the named looks the panel offers.
#include <array>

#include <nlohmann/json_fwd.hpp>

#include "model/ScalarParameter.h"

namespace vantrel {

struct HalationParameters {
    bool isEnabled = false;
    double halationIntensity = 0;
    double halationRadius = 18;
    double halationThreshold = 0.7;
    double bloomIntensity = 0;
    double bloomRadius = 30;

    static const HalationParameters& defaultValue();
    static const HalationParameters& enabledDefault();
    static const HalationParameters& cine800T();
    static const HalationParameters& vision500T();
    static const HalationParameters& blackMist();

    // The clamping initialiser: intensities into 0...1, halationRadius into 2...100,
    // halationThreshold into 0.35...0.99, bloomRadius into 5...150 (NaN gives the upper bound).
    HalationParameters clamped() const;

    // Off, or both intensities below their threshold.
    bool isNeutral() const;

    bool operator==(const HalationParameters&) const = default;
};

// An intensity below 0.01 adds no layer.
template <>
struct ParameterTable<HalationParameters> {
    using H = HalationParameters;
    static constexpr std::array<ScalarParameter<H>, 5> rows{{
        {.key = "halationIntensity", .member = &H::halationIntensity, .neutral = 0, .tolerance = 0.01,
         .onlyAbove = true, .label = "halation.intensity"},
        {.key = "halationRadius", .member = &H::halationRadius, .lower = 2, .upper = 60, .neutral = 18, .step = 1,
         .format = "%.0f", .unit = "px", .label = "halation.radius"},
        {.key = "halationThreshold", .member = &H::halationThreshold, .lower = 0.35, .upper = 0.98, .neutral = 0.7,
         .label = "halation.threshold"},
        {.key = "bloomIntensity", .member = &H::bloomIntensity, .neutral = 0, .tolerance = 0.01, .onlyAbove = true,
         .label = "halation.bloomIntensity"},
        {.key = "bloomRadius", .member = &H::bloomRadius, .lower = 5, .upper = 100, .neutral = 30, .step = 1,
         .format = "%.0f", .unit = "px", .label = "halation.bloomRadius"},
    }};
};

inline bool HalationParameters::isNeutral() const {
    return !isEnabled || (parameterOf(&HalationParameters::halationIntensity).isNeutral(halationIntensity) &&
                          parameterOf(&HalationParameters::bloomIntensity).isNeutral(bloomIntensity));
}

void to_json(nlohmann::json& j, const HalationParameters& halation);
void from_json(const nlohmann::json& j, HalationParameters& halation);

}  // namespace vantrel
