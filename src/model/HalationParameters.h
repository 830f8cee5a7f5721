#pragma once
// The red glow bright areas spread on film (halation) and the soft diffusion
// of a black-mist filter (bloom), with the named looks the panel offers.
#include <nlohmann/json_fwd.hpp>

namespace vantrel {

struct HalationParameters {
    bool isEnabled = false;
    double halationIntensity = 0;   // 0...1
    double halationRadius = 18;     // 2...100
    double halationThreshold = 0.7; // 0.35...0.99
    double bloomIntensity = 0;      // 0...1
    double bloomRadius = 30;        // 5...150

    static const HalationParameters& defaultValue();
    static const HalationParameters& enabledDefault();
    static const HalationParameters& cine800T();
    static const HalationParameters& vision500T();
    static const HalationParameters& blackMist();

    // The clamping initialiser: each number into its range above (NaN gives the upper bound).
    HalationParameters clamped() const;

    bool isNeutral() const { return !isEnabled || (halationIntensity < 0.01 && bloomIntensity < 0.01); }

    bool operator==(const HalationParameters&) const = default;
};

void to_json(nlohmann::json& j, const HalationParameters& halation);
void from_json(const nlohmann::json& j, HalationParameters& halation);

}  // namespace vantrel
