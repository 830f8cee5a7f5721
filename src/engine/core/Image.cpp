#include "engine/core/Image.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <unordered_set>

#include "engine/core/detail/Node.h"
#include "engine/core/detail/Primitives.h"

namespace vantrel {

namespace detail {

namespace {
std::atomic<std::uint64_t> nextSerial{1};
}

Node::Node() : serial(nextSerial.fetch_add(1, std::memory_order_relaxed)) {}

const Node* resolve(const Node* n) {
    while (n && n->kind == NodeKind::stage) n = n->inputs[0].get();
    return n;
}

}  // namespace detail

using detail::Node;
using detail::NodeKind;

namespace {

std::shared_ptr<const Node> emptyNode() {
    static const auto n = std::make_shared<const Node>();
    return n;
}

Image makeImage(std::shared_ptr<Node> n) { return Image(std::move(n)); }

// Affine part that sends pixel centres to pixel centres by a signed permutation of the axes.
bool mapsCentresExactly(const AffineTransform& inv) {
    auto unit = [](double v) { return v == 0.0 || v == 1.0 || v == -1.0; };
    if (!unit(inv.a) || !unit(inv.b) || !unit(inv.c) || !unit(inv.d)) return false;
    if ((inv.a != 0) == (inv.b != 0) || (inv.a != 0) == (inv.c != 0)) return false;
    double qx, qy;
    inv.apply(0.5, 0.5, qx, qy);
    return qx - 0.5 == std::floor(qx - 0.5) && qy - 0.5 == std::floor(qy - 0.5);
}

}  // namespace

Image::Image() : node_(emptyNode()) {}
Image::Image(std::shared_ptr<const detail::Node> node) : node_(node ? std::move(node) : emptyNode()) {}

const Rect& Image::extent() const { return node_->extent; }

Image Image::fromPixels(SourcePixels pixels, const ColorProfile& profile) {
    if (pixels.isEmpty()) return Image();
    if (pixels.rowBytes < pixels.pixelBytes() * std::size_t(pixels.width)) return Image();
    if (!profile.isMatrixShaper()) {
        PixelBuffer converted = detail::convertWithLcms(pixels, profile);
        if (converted.isEmpty()) return Image();
        return fromBuffer(std::move(converted));
    }
    auto data = std::make_shared<detail::SourceData>();
    data->pixels = std::move(pixels);
    data->profile = profile;
    detail::prepareSource(*data);
    auto n = std::make_shared<Node>();
    n->kind = NodeKind::source;
    n->extent = Rect{0, 0, data->pixels.width, data->pixels.height};
    n->source = std::move(data);
    return makeImage(n);
}

Image Image::fromBuffer(PixelBuffer buffer) {
    if (buffer.isEmpty()) return Image();
    return fromBuffer(std::make_shared<const PixelBuffer>(std::move(buffer)));
}

Image Image::fromBuffer(std::shared_ptr<const PixelBuffer> buffer) {
    if (!buffer || buffer->isEmpty()) return Image();
    auto n = std::make_shared<Node>();
    n->kind = NodeKind::buffer;
    n->extent = buffer->rect();
    n->buffer = std::move(buffer);
    return makeImage(n);
}

Image Image::constant(const WorkingColor& color) {
    auto n = std::make_shared<Node>();
    n->kind = NodeKind::constant;
    n->extent = Rect::infinite();
    n->color = color;
    return makeImage(n);
}

Image Image::generator(GeneratorKernel kernel, const Rect& extent) {
    if (!kernel || extent.isEmpty()) return Image();
    auto n = std::make_shared<Node>();
    n->kind = NodeKind::generator;
    n->extent = extent;
    n->generator = std::move(kernel);
    return makeImage(n);
}

Image Image::pointwise(std::vector<Image> inputs, PointwiseKernel kernel, PointwiseOptions options) {
    if (!kernel) return Image();
    Rect extent;
    if (options.extent) extent = *options.extent;
    else if (inputs.empty()) extent = Rect::infinite();
    else if (inputs.size() == 1) extent = inputs[0].extent();
    else for (const Image& i : inputs) extent = extent.united(i.extent());
    if (extent.isEmpty()) return Image();
    auto n = std::make_shared<Node>();
    n->kind = NodeKind::pointwise;
    n->extent = extent;
    for (Image& i : inputs) n->inputs.push_back(i.node());
    n->pointwise = std::move(kernel);
    return makeImage(n);
}

Image Image::neighbourhood(const Image& input, NeighbourhoodKernel kernel, NeighbourhoodOptions options) {
    if (!kernel) return Image();
    const int margin = std::clamp(options.margin, 0, 1 << 16);
    const Rect extent = options.extent ? *options.extent : input.extent().grown(margin);
    if (extent.isEmpty()) return Image();
    auto n = std::make_shared<Node>();
    n->kind = NodeKind::neighbourhood;
    n->extent = extent;
    n->inputs.push_back(input.node());
    n->neighbourhood = std::move(kernel);
    n->margin = margin;
    n->wholeImage = options.wholeImage;
    return makeImage(n);
}

Image Image::raster(const Image& input, const Rect& extent, RasterCallback callback) {
    if (!callback || !extent.isFinite()) return Image();
    auto n = std::make_shared<Node>();
    n->kind = NodeKind::raster;
    n->extent = extent;
    n->inputs.push_back(input.node());
    n->raster = std::move(callback);
    return makeImage(n);
}

Image Image::cropped(const Rect& rect) const {
    const Rect e = extent().intersected(rect);
    if (e.isEmpty()) return Image();
    if (e == extent()) return *this;
    const Node* base = node_.get();
    auto n = std::make_shared<Node>();
    n->kind = NodeKind::crop;
    n->extent = e;
    n->inputs.push_back(base->kind == NodeKind::crop ? base->inputs[0] : node_);
    return makeImage(n);
}

Image Image::translated(std::int64_t dx, std::int64_t dy) const {
    if (dx == 0 && dy == 0) return *this;
    return transformed(AffineTransform::translation(double(dx), double(dy)));
}

Image Image::reorigined() const {
    if (!extent().isFinite()) return *this;
    return translated(-extent().x, -extent().y);
}

Image Image::oriented(int orientation) const {
    if (orientation < 2 || orientation > 8 || !extent().isFinite()) return *this;
    const Rect& e = extent();
    const double W = double(e.width), H = double(e.height);
    const bool swap = orientation >= 5;
    const double outH = swap ? W : H;
    // Output plane -> output buffer (u', v' with v' down) -> input buffer -> input plane.
    auto inverse = [&](double X, double Y, double& ox, double& oy) {
        const double u = X - double(e.x), v = double(e.y) + outH - Y;
        double iu = u, iv = v;
        switch (orientation) {
            case 2: iu = W - u; iv = v; break;
            case 3: iu = W - u; iv = H - v; break;
            case 4: iu = u; iv = H - v; break;
            case 5: iu = v; iv = u; break;
            case 6: iu = v; iv = H - u; break;
            case 7: iu = W - v; iv = H - u; break;
            case 8: iu = W - v; iv = u; break;
        }
        ox = double(e.x) + iu;
        oy = double(e.y) + H - iv;
    };
    double x0, y0, x1, y1, x2, y2;
    inverse(0, 0, x0, y0);
    inverse(1, 0, x1, y1);
    inverse(0, 1, x2, y2);
    const AffineTransform inv{x1 - x0, y1 - y0, x2 - x0, y2 - y0, x0, y0};
    return transformed(inv.inverted().snapped());
}

Image Image::transformed(const AffineTransform& t, TransformOptions options) const {
    if (isEmpty() || !t.isInvertible()) return Image();
    std::shared_ptr<const Node> input = node_;
    AffineTransform forward = t.snapped();
    if (options.compose && node_->kind == NodeKind::transform && node_->sampling == options.sampling) {
        forward = forward.after(node_->forward).snapped();
        input = node_->inputs[0];
    }
    if (forward == AffineTransform::identity()) return Image(input);
    if (!forward.isInvertible()) return Image();
    const Rect e = transformedBounds(input->extent, forward);
    if (e.isEmpty()) return Image();
    auto n = std::make_shared<Node>();
    n->kind = NodeKind::transform;
    n->extent = e;
    n->inputs.push_back(std::move(input));
    n->forward = forward;
    n->inverse = forward.inverted().snapped();
    n->sampling = options.sampling;
    n->exact = mapsCentresExactly(n->inverse);
    return makeImage(n);
}

Image Image::clampedToExtent() const {
    if (!extent().isFinite()) return *this;
    auto n = std::make_shared<Node>();
    n->kind = NodeKind::clamp;
    n->extent = Rect::infinite();
    n->inputs.push_back(node_);
    return makeImage(n);
}

Image Image::materialized() const {
    switch (node_->kind) {
        case NodeKind::empty:
        case NodeKind::source:
        case NodeKind::buffer:
        case NodeKind::constant:
        case NodeKind::cache:
        case NodeKind::raster:
            return *this;
        default:
            break;
    }
    auto n = std::make_shared<Node>();
    n->kind = NodeKind::cache;
    n->extent = extent();
    n->inputs.push_back(node_);
    return makeImage(n);
}

Image Image::withStage(std::string label) const {
    auto n = std::make_shared<Node>();
    n->kind = NodeKind::stage;
    n->extent = extent();
    n->inputs.push_back(node_);
    n->stage = std::move(label);
    return makeImage(n);
}

std::vector<std::string> Image::stages() const {
    std::vector<const Node*> found;
    std::unordered_set<const Node*> seen;
    std::vector<const Node*> todo{node_.get()};
    while (!todo.empty()) {
        const Node* n = todo.back();
        todo.pop_back();
        if (!seen.insert(n).second) continue;
        if (n->kind == NodeKind::stage) found.push_back(n);
        for (const auto& i : n->inputs) todo.push_back(i.get());
    }
    std::sort(found.begin(), found.end(), [](const Node* a, const Node* b) { return a->serial < b->serial; });
    std::vector<std::string> out;
    for (const Node* n : found) out.push_back(n->stage);
    return out;
}

}  // namespace vantrel
