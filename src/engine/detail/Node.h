#pragma once
// The nodes behind Image handles. Internal to the engine: filters build nodes through Image.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/ColorProfile.h"
#include "engine/Image.h"

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
    // 8-bit sources: per channel code -> linear value (256 entries each).
    std::array<std::vector<float>, 3> lut8;
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
