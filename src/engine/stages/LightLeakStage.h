#pragma once
// The light leak, a simulated film fault laid over a developed frame: a coloured gradient
// entering from one edge, screened over the frame. Builds a lazy graph only.
#include "engine/core/Image.h"
#include "model/LightLeakParameters.h"

namespace vantrel {

// The frame with the leak of the record's style from its position screened over it. Style
// none, an intensity below its row's threshold (or not a number) and frames of 1 pixel or less on a side
// return the frame itself.
Image applyLightLeak(const Image& frame, const LightLeakParameters& parameters);

}  // namespace vantrel
