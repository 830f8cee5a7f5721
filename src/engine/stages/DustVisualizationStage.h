#pragma once
// The dust-spotting view, an inspection aid for retouching: the edges of the image, inverted,
// so dust and scratches show dark on a light ground.
#include "engine/core/Image.h"
#include "model/SpotHealingParameters.h"

namespace vantrel {

// Whether a render may show the recipe's dust-spotting view (retouch mode; never in files).
enum class DustView { allowed, withheld };

// The view at the record's visualizeDustIntensity, which scales the edge strength (the retouch
// bar offers 1 to 8); whether the view is on is the pipeline's guard.
Image applyDustVisualization(const Image& input, const SpotHealingParameters& healing);

}  // namespace vantrel
