#pragma once
// Hue, saturation and luminance offsets of one HSL channel.
#include <cmath>

#include <nlohmann/json_fwd.hpp>

namespace vantrel {

struct HSLAdjustment {
    double hue = 0;
    double saturation = 0;
    double luminance = 0;

    static constexpr HSLAdjustment zero() { return {}; }

    bool isNeutral() const {
        return std::abs(hue) < 0.001 && std::abs(saturation) < 0.001 && std::abs(luminance) < 0.001;
    }

    bool operator==(const HSLAdjustment&) const = default;
};

void to_json(nlohmann::json& j, const HSLAdjustment& adjustment);
void from_json(const nlohmann::json& j, HSLAdjustment& adjustment);

}  // namespace vantrel
