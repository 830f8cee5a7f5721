#pragma once
// The highlight boost above standard white for displays with extended range.
#include <nlohmann/json_fwd.hpp>

namespace vantrel {

struct UltraHDRParameters {
    bool isEnabled = false;
    double highlightBoost = 1.5;
    double clipThreshold = 0.75;
    double gainMapRadius = 4.0;
    double maxHeadroom = 3.0;

    static const UltraHDRParameters& defaultValue();
    static const UltraHDRParameters& enabledDefault();

    bool isNeutral() const { return !isEnabled || highlightBoost < 0.05; }

    bool operator==(const UltraHDRParameters&) const = default;
};

void to_json(nlohmann::json& j, const UltraHDRParameters& hdr);
void from_json(const nlohmann::json& j, UltraHDRParameters& hdr);

}  // namespace vantrel
