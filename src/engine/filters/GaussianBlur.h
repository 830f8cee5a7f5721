#pragma once
// Gaussian blur of float RGBA pixels whose cost does not grow with sigma.
//
//   sigma < 0.16          the input is passed through unchanged
//   sigma <= 3            exact separable kernel, radius ceil(3 sigma)
//   sigma <= 20           three running-sum box passes per axis
//   sigma > 20            average 2^k x 2^k blocks, blur the reduced grid,
//                         interpolate bilinearly back to full size
//
// Every output pixel is a fixed function of the input pixels around it and of
// its absolute position: the box sums run in exact 64-bit fixed point and the
// reduction blocks sit on a grid anchored at absolute coordinates that are
// multiples of the block size. A tile therefore gets exactly the bytes a
// whole-image render gets, given a source that covers the declared margin.
#include "engine/core/Image.h"
#include "engine/core/PlaneView.h"

#include <array>
#include <functional>

namespace vantrel {

// What the blur sees outside the extent of its input.
enum class BlurEdge {
    Transparent,  // zeros: the result fades out towards the frame's edges
    Clamp,        // the nearest edge pixel repeated: no darkening at the edges
};

inline constexpr float kMinBlurSigma = 0.16f;
// Larger sigmas are treated as this one; the result is near the frame's mean
// anyway, and a hand-edited recipe cannot ask for unbounded work.
inline constexpr float kMaxBlurSigma = 1000.0f;

struct BlurPlan {
    enum class Method { Identity, Exact, BoxCascade, Downsampled };
    Method method = Method::Identity;
    float sigma = 0.0f;              // after capping
    int margin = 0;                  // source pixels read beyond each side of the output
    int exactRadius = 0;             // Exact
    std::array<int, 3> boxRadii{};   // BoxCascade: half-widths of the three boxes
    int factor = 1;                  // Downsampled: block size, a power of two
    float reducedSigma = 0.0f;       // Downsampled: sigma on the reduced grid
};

// How a blur of this sigma is computed and how far it reads.
BlurPlan planGaussianBlur(float sigma);

// Blurs the pixels of `extent` (treated beyond its borders as `edge` says) and
// writes the part of the result inside dst.rect. Pixels of dst outside the
// extent are written transparent. `src` must cover the part of
// dst.rect.inflated(plan.margin) that lies in the extent; src and dst must not
// overlap in memory.
void gaussianBlur(const ConstPlaneView& src, const PlaneRect& extent, float sigma, BlurEdge edge,
                  const PlaneView& dst);

// Receives runs of finished blurred pixels inside the extent while they are still in
// cache: (first column, row, count, dst.at(column, row)); it may rewrite them in place.
// Called concurrently for different runs.
using BlurRunFinish = std::function<void(int x, int y, int n, float* px)>;

// The same blur, with every finished run handed to `finish` (when not null), so a
// filter built on the blur (unsharp masking) needs no second pass over memory.
void gaussianBlur(const ConstPlaneView& src, const PlaneRect& extent, float sigma, BlurEdge edge,
                  const PlaneView& dst, const BlurRunFinish* finish);

// The image blurred with `sigma` (pixels), as a lazy neighbourhood node with the
// input's extent. With Clamp the input is read as if clamped to its extent
// (no dark fringe); with Transparent the result fades towards the edges.
// Below the smallest sigma the input itself is returned. Pass the frame itself,
// not a clamped (infinite) copy: Clamp repeats the edge inside the kernel, which
// costs nothing, whereas an infinite input would be evaluated over the whole margin.
Image gaussianBlur(const Image& input, float sigma, BlurEdge edge);

// Margins above this are computed once per render rather than per tile, since
// re-reading a wide margin for every tile would cost more than the blur.
inline constexpr int kTiledMarginLimit = 32;

}  // namespace vantrel
