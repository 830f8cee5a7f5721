#include "engine/stages/DustVisualizationStage.h"

#include "engine/color/ColorFilters.h"
#include "engine/filters/DetailFilters.h"

namespace vantrel {

Image applyDustVisualization(const Image& input, double intensity) {
    EdgesSettings settings;
    settings.intensity = float(intensity);
    return invert(edges(input, settings));
}

}  // namespace vantrel
