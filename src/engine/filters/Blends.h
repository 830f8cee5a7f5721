#pragma once
// Two-image blends and compositing over premultiplied RGBA. `image` is the
// layer on top, `background` the image below. Where an input has no pixels it
// counts as transparent. The result reaches as far as both inputs together,
// except for blendWithMask (see there).
#include "engine/filters/BlendKernels.h"
#include "engine/core/Image.h"

namespace vantrel {

// Screen: c = cs + cb − cs·cb on every component; lightens, never darkens.
Image screen(const Image& image, const Image& background);
// Plus: colours add without clamping; alpha saturates at 1.
Image addition(const Image& image, const Image& background);
// Soft light: the layer lightens above half grey and darkens below it.
Image softLight(const Image& image, const Image& background);
// Component-wise product of the premultiplied values, alpha included.
Image multiply(const Image& image, const Image& background);
// `image` where the mask's green is 1, `background` where it is 0, mixed in
// between. Reaches over the background and over the part of the image that
// the mask covers, so a mask cropped to the frame keeps the frame's extent.
Image blendWithMask(const Image& image, const Image& background, const Image& mask);

}  // namespace vantrel
