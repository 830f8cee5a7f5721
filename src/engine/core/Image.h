#pragma once
// Image: an immutable, cheap-to-copy handle to a node of a lazy image graph. Building images
// computes nothing; pixels are produced when a Context renders a rectangle.
//
// Conventions
//   * Plane: x right, y up (Rect.h). Pixel (x, y) covers [x, x+1] × [y, y+1] and is evaluated
//     at its centre (x + 0.5, y + 0.5). Buffers store the top row first (PixelBuffer.h).
//   * Pixels: premultiplied float32 RGBA in extended linear Display P3; values outside [0, 1]
//     pass unclipped. Outside its extent an image is transparent (0, 0, 0, 0).
//   * Kernels must be pure functions of their inputs and of plane position (no shared random
//     state, no dependence on the tile or row being computed), may be called concurrently
//     from several threads, and must not keep pointers they receive.
//
// Writing a filter
//   * Pointwise (n inputs -> 1 output, colour filters, blends, masks): a PointwiseKernel gets
//     a RowSpan (pixels x .. x+count-1 on plane row y), one row pointer per input (count RGBA
//     pixels each, already evaluated for exactly those pixels, zero where an input has no
//     pixels) and an output row (count RGBA pixels, never aliasing an input). Chains of
//     pointwise images are fused: each row is run through every kernel while it is in cache,
//     with no intermediate image buffers.
//       Image out = Image::pointwise({in}, [=](const RowSpan& s, const float* const* in, float* out) {
//           for (int i = 0; i < 4 * s.count; ++i) out[i] = in[0][i] * gain; });
//   * Colour filters, one way: the formula is a kernel type with
//     `void run(const float* in, float* out, int n) const` over premultiplied RGBA, free of the
//     graph (color/ColorKernels.h), made an image by `spanFilter(image, kernel)`
//     (color/ColorFilters.h). A formula defined on straight colour runs inside
//     `kernels::forEachUnpremultiplied`, the one helper that divides by alpha (colour 0 where
//     alpha <= 1e-6) and re-premultiplies; a formula linear in rgb works on the premultiplied
//     values directly. For a one-off, `colorFilter(image, [](float* rgba) { ... })` does the same.
//   * Generator (gradients, noise, constants): a GeneratorKernel fills a row from position
//     alone; centres are (s.x + i + 0.5, s.y + 0.5). Its extent is infinite unless given;
//     crop it before rendering.
//   * Neighbourhood (blurs, sharpening, edges): declare the margin you read beyond each output
//     pixel. The kernel receives its input evaluated over the output rectangle grown by the
//     margin (`input.rect == output.rect.grown(margin)`, zero outside the input's extent) and
//     writes every pixel of `output.rect`. The output rectangle depends on tiling, so the
//     result must depend only on plane positions (align any downsampling grid to absolute
//     coordinates). For large radii set `wholeImage`: the kernel is then called once per
//     render over everything that is needed, may downsample as it likes and may run its own
//     tbb loops; the result is kept for the whole render.
//   * Raster (film frame, spot healing): a RasterCallback gets the input's pixels over its
//     whole (finite) extent, once per render, and returns a buffer placed in the plane by its
//     own rect; the node's extent is declared up front.
//   * Reductions (histograms): render the input to floats with Context::renderFloat and
//     reduce the buffer.
//   * Heavy results used several times (a blurred glow read by two blends): call
//     `materialized()`; that node is then computed once per render and read from memory.
//   * Pipeline stages: `Image applyX(const Image& input, const XParameters& p, ...)` in
//     stages/, building its part of the graph from its record (the input itself when it has
//     nothing to do); DarkroomPipeline's table gives it a label and a guard. The pipeline
//     labels each stage's output with `withStage("exposure")`; `stages()` and a render's
//     RenderStats list the labelled stages in the order they were built.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/Color.h"
#include "engine/core/ColorProfile.h"
#include "engine/core/PixelBuffer.h"
#include "engine/core/Rect.h"
#include "engine/core/SourcePixels.h"

namespace vantrel {

namespace detail {
struct Node;
}

// A run of pixels on one row of the plane: x .. x+count-1 on row y.
struct RowSpan {
    std::int64_t x = 0;
    std::int64_t y = 0;
    int count = 0;
};

using PointwiseKernel = std::function<void(const RowSpan& span, const float* const* inputs, float* out)>;
using GeneratorKernel = std::function<void(const RowSpan& span, float* out)>;
using NeighbourhoodKernel = std::function<void(const ConstPixelView& input, const PixelView& output)>;
using RasterCallback = std::function<PixelBuffer(const PixelBuffer& input)>;

struct PointwiseOptions {
    // The output's extent; by default the first input's extent for one input, else the union
    // of the inputs' extents. Pixels outside it are transparent whatever the kernel computes.
    std::optional<Rect> extent;
};

struct NeighbourhoodOptions {
    int margin = 0;               // pixels read beyond each output pixel, every direction
    std::optional<Rect> extent;   // default: the input's extent grown by the margin
    bool wholeImage = false;      // call once per render over all needed pixels (see above)
};

enum class Sampling { bilinear, nearest };

struct TransformOptions {
    Sampling sampling = Sampling::bilinear;
    // Fold into a transform directly below, so a chain of transforms samples once. Turn it off
    // when the intermediate sampling is wanted (a real downscale followed by an upscale).
    bool compose = true;
};

class Image {
public:
    // The empty image (empty extent; renders to nothing).
    Image();

    // ---- sources
    // Native pixels (kept as they are) converted to working values through `profile` while
    // rendering. Extent (0, 0, width, height). Empty pixels give the empty image.
    static Image fromPixels(SourcePixels pixels, const ColorProfile& profile = ColorProfile());
    // Working values (premultiplied linear P3) placed by the buffer's rect.
    static Image fromBuffer(PixelBuffer buffer);
    static Image fromBuffer(std::shared_ptr<const PixelBuffer> buffer);
    // A premultiplied working colour everywhere (infinite extent).
    static Image constant(const WorkingColor& color);

    // ---- filters (see the header comment)
    static Image generator(GeneratorKernel kernel, const Rect& extent = Rect::infinite());
    static Image pointwise(std::vector<Image> inputs, PointwiseKernel kernel, PointwiseOptions options = {});
    static Image neighbourhood(const Image& input, NeighbourhoodKernel kernel, NeighbourhoodOptions options);
    static Image raster(const Image& input, const Rect& extent, RasterCallback callback);

    // ---- geometry
    // Extent = rect ∩ extent; everything else becomes transparent.
    Image cropped(const Rect& rect) const;
    // Moves by whole pixels (exact).
    Image translated(std::int64_t dx, std::int64_t dy) const;
    // Moves so that the extent starts at (0, 0).
    Image reorigined() const;
    // Applies an EXIF orientation (1..8; anything else is 1) as an exact permutation; the
    // result's extent starts where the input's did.
    Image oriented(int orientation) const;
    // Maps the image through `t`; each output pixel centre p samples the input at t⁻¹(p).
    // Extent: the transformed extent's bounding box, snapped to whole pixels. A singular map
    // gives the empty image.
    Image transformed(const AffineTransform& t, TransformOptions options = {}) const;
    // Infinite extent; outside its extent each pixel repeats the nearest edge pixel.
    Image clampedToExtent() const;

    // ---- evaluation hints and tracing
    // Computed once per render and then read from memory.
    Image materialized() const;
    // Same pixels, labelled as the output of a pipeline stage.
    Image withStage(std::string label) const;
    // Labels of every labelled stage this image depends on, in the order they were built.
    std::vector<std::string> stages() const;

    const Rect& extent() const;
    bool isEmpty() const { return extent().isEmpty(); }
    // True when both handles refer to the same node.
    bool isSameNode(const Image& other) const { return node_ == other.node_; }
    const std::shared_ptr<const detail::Node>& node() const { return node_; }
    explicit Image(std::shared_ptr<const detail::Node> node);

private:
    std::shared_ptr<const detail::Node> node_;
};

}  // namespace vantrel
