#include "engine/DustVisualizationStage.h"

#include "engine/ColorFilters.h"
#include "engine/DetailFilters.h"

namespace vantrel {

Image applyDustVisualization(const Image& input, double intensity) {
    EdgesSettings settings;
    settings.intensity = float(intensity);
    return invert(edges(input, settings));
}

}  // namespace vantrel
