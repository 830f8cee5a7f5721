#pragma once
// Downscaling with an area filter: every output pixel is the average of the
// source area it covers, partial pixels weighted by their overlap. Unlike
// point sampling this keeps fine detail (grain, dust) from aliasing in proxies,
// thumbnails and analysis copies. Averages are taken on working (linear,
// premultiplied) values, so highlights keep their energy.
#include <optional>

#include "engine/core/Context.h"
#include "engine/core/Image.h"
#include "engine/core/PlaneView.h"

namespace vantrel {

struct PixelSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

// The size that fits `maxLongEdge` on the longer side, keeping the aspect ratio
// (rounded, at least one pixel) and never enlarging.
PixelSize fitLongEdge(PixelSize size, int maxLongEdge);

// Averages the whole of `src` (its rect is the source image) into the whole of
// dst.rect, which may be any part of the output grid `outputSize`: output pixel
// (i, j) of the grid covers source area [i·sw/ow, (i+1)·sw/ow) × (likewise in y),
// grid and source both starting at their rect's top-left.
void downscaleArea(const ConstPlaneView& src, PixelSize outputSize, const PlaneView& dst);

// The image scaled to `size` by area averaging; the result's extent starts at
// the input's origin. Empty or infinite inputs and empty sizes give the empty
// image. The input is rendered whole once per render, then reduced, so this
// suits analysis copies of previews; for scans use renderDownscaled.
Image downscaled(const Image& input, PixelSize size);

// Renders `input` strip by strip and reduces each strip as it arrives, so a
// large scan becomes a proxy or thumbnail without ever holding it whole in
// floats. The buffer's rect starts at the input's origin. Absent for an empty
// or infinite input, an empty size, or a stopped render.
std::optional<PixelBuffer> renderDownscaled(const Context& context, const Image& input, PixelSize size,
                                            const RenderOptions& options = {});

}  // namespace vantrel
