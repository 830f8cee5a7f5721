#pragma once
// Look-up-table colour filters over images: a 3-D colour cube and per-channel
// curves. Both are pointwise and fuse with the rest of a colour chain.
#include "engine/core/Image.h"
#include "engine/color/LookupKernels.h"

namespace vantrel {

// Trilinear colour cube on linear working values clamped to [0, 1]. A cube
// whose data does not match its dimension (2 to 128) leaves the image as it is.
Image colorCube(const Image& image, ColorCubeParameters p);
// The same with a kernel made beforehand (a table kept for reuse, say).
Image colorCube(const Image& image, const kernels::ColorCubeKernel& kernel);

// Per-channel curves applied to sRGB-encoded values, continued with slope 1
// outside their domain. Malformed curve data leaves the image as it is.
Image colorCurves(const Image& image, const ColorCurvesParameters& p);

}  // namespace vantrel
