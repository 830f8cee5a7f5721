#pragma once
// The nodes behind Image handles. Internal to the engine: filters build nodes through Image.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/ColorProfile.h"
#include "engine/core/Image.h"

namespace vantrel::detail {

enum class NodeKind {
    empty,
    source,         // native pixels + colour profile
    buffer,         // working pixels in memory
    constant,
    generator,
    pointwise,
    neighbourhood,
    raster,
    transform,      // affine map (includes translation and orientation)
    crop,
    clamp,          // clamp to extent
    cache,          // materialise the input once per render
    stage,          // identity carrying a stage label
};

struct SourceData {
    SourcePixels pixels;
    ColorProfile profile;
    // Straight-alpha integer sources: per channel code -> linear value (256 or 65536 entries),
    // so a row converts by lookups. Channels with the same curve share one table.
    std::array<std::shared_ptr<const std::vector<float>>, 3> lut;
    // 8-bit RGB(A): per channel code -> that channel's column of the matrix to the working
    // space times its linear value (RGBA quadruples, alpha lane 1 for red, 0 otherwise), so a
    // pixel is the sum of three table entries.
    std::vector<float> lut8Columns;
};

struct Node {
    NodeKind kind = NodeKind::empty;
    Rect extent;
    std::vector<std::shared_ptr<const Node>> inputs;
    std::uint64_t serial = 0;  // creation order, for stage tracing

    std::shared_ptr<const SourceData> source;
    std::shared_ptr<const PixelBuffer> buffer;
    WorkingColor color;
    GeneratorKernel generator;
    PointwiseKernel pointwise;
    NeighbourhoodKernel neighbourhood;
    int margin = 0;
    bool wholeImage = false;
    RasterCallback raster;
    // transform: `forward` maps input plane -> output plane, `inverse` the other way.
    AffineTransform forward, inverse;
    Sampling sampling = Sampling::bilinear;
    // transform that maps pixel centres onto pixel centres by a signed permutation of axes.
    bool exact = false;
    std::string stage;

    Node();
};

// A node's input, looking through stage labels (which compute nothing).
const Node* resolve(const Node* n);

}  // namespace vantrel::detail
