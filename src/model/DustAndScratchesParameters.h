#pragma once
// Synthetic dust specks and scratches laid over the image.
#include <nlohmann/json_fwd.hpp>

namespace vantrel {

struct DustAndScratchesParameters {
    double amount = 0;
    double scratchesDensity = 0.3;
    double dustSize = 1.0;

    static const DustAndScratchesParameters& defaultValue();

    // Only the amount matters.
    bool isNeutral() const { return amount < 0.005; }

    bool operator==(const DustAndScratchesParameters&) const = default;
};

void to_json(nlohmann::json& j, const DustAndScratchesParameters& dust);
void from_json(const nlohmann::json& j, DustAndScratchesParameters& dust);

}  // namespace vantrel
