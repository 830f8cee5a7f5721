#pragma once
// Hue, saturation and luminance offsets of one HSL channel, and the recipe's set of them.
#include <cmath>
#include <map>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "model/HSLColorChannel.h"

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

// The recipe's adjustments, keyed by channel raw value.
using HSLAdjustments = std::map<std::string, HSLAdjustment>;

// The channel's stored adjustment, or zero.
HSLAdjustment hslAdjustment(const HSLAdjustments& adjustments, HSLColorChannel channel);
// Stores the adjustment, or removes the channel's entry when it is neutral.
void setHSLAdjustment(HSLAdjustments& adjustments, const HSLAdjustment& adjustment, HSLColorChannel channel);
// Whether any entry, under whatever key, is not neutral.
bool hasHSLAdjustments(const HSLAdjustments& adjustments);

void to_json(nlohmann::json& j, const HSLAdjustment& adjustment);
void from_json(const nlohmann::json& j, HSLAdjustment& adjustment);

}  // namespace vantrel
