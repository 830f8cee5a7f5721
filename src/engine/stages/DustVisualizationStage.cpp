#include "engine/stages/DustVisualizationStage.h"

#include "engine/color/ColorFilters.h"
#include "engine/filters/DetailFilters.h"

namespace vantrel {

Image applyDustVisualization(const Image& input, const SpotHealingParameters& healing) {
    EdgesSettings settings;
    settings.intensity = float(healing.visualizeDustIntensity);
    return invert(edges(input, settings));
}

}  // namespace vantrel
