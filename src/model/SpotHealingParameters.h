#pragma once
// Healed spots: small discs of the scan replaced by a patch from nearby.
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "model/Point.h"
#include "model/Uuid.h"

namespace vantrel {

struct SpotItem {
    Uuid id = Uuid::random();
    Point center{};                     // fractions of width (from left) and height (from top)
    double radius = 0.015;              // fraction of the image's shorter side
    Point sourceOffset{0.02, 0};        // from the disc to its source patch, y downwards
    double opacity = 1.0;

    bool operator==(const SpotItem&) const = default;
};

struct SpotHealingParameters {
    std::vector<SpotItem> spots{};  // in order of creation
    bool isEnabled = true;
    bool isVisualizeDustMode = false;
    double visualizeDustIntensity = 4.0;

    static const SpotHealingParameters& defaultValue();

    // The switch and the view strength do not matter.
    bool isNeutral() const { return !isVisualizeDustMode && spots.empty(); }

    bool operator==(const SpotHealingParameters&) const = default;
};

void to_json(nlohmann::json& j, const SpotItem& spot);
void from_json(const nlohmann::json& j, SpotItem& spot);
void to_json(nlohmann::json& j, const SpotHealingParameters& healing);
void from_json(const nlohmann::json& j, SpotHealingParameters& healing);

}  // namespace vantrel
