#pragma once
// Three-way colour wheels (shadows, midtones, highlights) and their balance.
#include <cmath>

#include <nlohmann/json_fwd.hpp>

namespace vantrel {

struct ColorWheelAdjustment {
    double hue = 0;  // degrees
    double saturation = 0;
    double luminance = 0;

    static constexpr ColorWheelAdjustment neutral() { return {}; }

    // The clamping initialiser: saturation into 0...1, luminance into -1...1
    // (NaN gives the upper bound); the hue is kept, except that a NaN hue becomes 0.
    ColorWheelAdjustment clamped() const;

    // The hue does not matter while there is no saturation; a negative saturation counts as none.
    bool isNeutral() const { return saturation < 0.001 && std::abs(luminance) < 0.001; }

    bool operator==(const ColorWheelAdjustment&) const = default;
};

struct ColorGradingParameters {
    ColorWheelAdjustment shadows{};
    ColorWheelAdjustment midtones{};
    ColorWheelAdjustment highlights{};
    double balance = 0;  // -1...1

    static const ColorGradingParameters& defaultValue();

    // The clamping initialiser: balance into -1...1 (NaN gives 1); the wheels as given.
    ColorGradingParameters clamped() const;

    bool isIdentity() const {
        return shadows.isNeutral() && midtones.isNeutral() && highlights.isNeutral() && std::abs(balance) < 0.001;
    }

    bool operator==(const ColorGradingParameters&) const = default;
};

void to_json(nlohmann::json& j, const ColorWheelAdjustment& wheel);
void from_json(const nlohmann::json& j, ColorWheelAdjustment& wheel);
void to_json(nlohmann::json& j, const ColorGradingParameters& grading);
void from_json(const nlohmann::json& j, ColorGradingParameters& grading);

}  // namespace vantrel
