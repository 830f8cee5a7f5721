#pragma once
// The dust-spotting view, an inspection aid for retouching: the edges of the image, inverted,
// so dust and scratches show dark on a light ground.
#include "engine/core/Image.h"

namespace vantrel {

// `intensity` scales the edge strength (the retouch bar offers 1 to 8).
Image applyDustVisualization(const Image& input, double intensity);

}  // namespace vantrel
