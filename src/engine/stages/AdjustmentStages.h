#pragma once
// The stages of the recipe's own sliders: white balance, exposure, highlights and shadows,
// colour controls and vibrance (colour filters, which fuse with their neighbours into one pass),
// then noise reduction, sharpening and the vignette. Each is one filter fed from the recipe's
// numbers; whether it runs at all is the pipeline's guard.
#include "engine/core/Image.h"
#include "model/EditParameters.h"

namespace vantrel {

// The recipe's white (temperature, tint) carried onto the reference white; the input itself
// when the two are the same.
Image applyWhiteBalance(const Image& input, const EditParameters& recipe);
Image applyExposure(const Image& input, const EditParameters& recipe);
Image applyHighlightsShadows(const Image& input, const EditParameters& recipe);
// Brightness, contrast and saturation.
Image applyColorControls(const Image& input, const EditParameters& recipe);
Image applyVibrance(const Image& input, const EditParameters& recipe);
Image applyNoiseReduction(const Image& input, const EditParameters& recipe);
Image applySharpening(const Image& input, const EditParameters& recipe);
Image applyVignette(const Image& input, const EditParameters& recipe);

}  // namespace vantrel
