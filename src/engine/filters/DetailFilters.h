#pragma once
// Filters that work on local detail: unsharp mask, noise reduction and edges.
// All three read beyond the frame by repeating its edge pixels, so borders get
// no halo and an opaque frame stays opaque; each keeps its input's alpha and
// extent. Each comes as a kernel on planes (for tests and callers that hold
// pixels) and as a lazy neighbourhood node of the engine.
#include "engine/core/Image.h"
#include "engine/core/PlaneView.h"

namespace vantrel {

struct UnsharpMaskSettings {
    float radius = 2.5f;     // sigma of the Gaussian, in pixels
    float intensity = 0.5f;  // negative values soften; -1 gives the blur itself
};

struct NoiseReductionSettings {
    float noiseLevel = 0.02f;  // luminance steps (display-encoded) treated as noise
    float sharpness = 0.4f;    // how much detail above the noise level is boosted
};

struct EdgesSettings {
    float intensity = 1.0f;
};

// Kernels. `src` must cover the part of dst.rect grown by the filter's margin
// that lies in `extent`; dst pixels outside the extent are written transparent.
void unsharpMask(const ConstPlaneView& src, const PlaneRect& extent, const UnsharpMaskSettings& s,
                 const PlaneView& dst);
void noiseReduction(const ConstPlaneView& src, const PlaneRect& extent, const NoiseReductionSettings& s,
                    const PlaneView& dst);
void edges(const ConstPlaneView& src, const PlaneRect& extent, const EdgesSettings& s, const PlaneView& dst);

// Pixels read beyond each output pixel.
int unsharpMaskMargin(const UnsharpMaskSettings& s);
inline constexpr int kNoiseReductionMargin = 1;
inline constexpr int kEdgesMargin = 1;

// rgb' = rgb + intensity · (rgb − Gaussian(radius)); alpha kept. Returns the
// input when the radius is below the blur's smallest sigma or intensity is 0.
Image unsharpMask(const Image& input, const UnsharpMaskSettings& s);
// Edge-preserving smoothing over a 3 × 3 neighbourhood, then sharpening of the
// detail that stands above the noise level.
Image noiseReduction(const Image& input, const NoiseReductionSettings& s);
// Sobel gradient magnitude of every straight colour channel, times intensity,
// scaled so that a unit step gives 1 at intensity 1; flat areas give 0.
Image edges(const Image& input, const EdgesSettings& s);

}  // namespace vantrel
