#include "engine/core/detail/Reference.h"

#include <cstring>
#include <vector>

#include "engine/core/detail/Node.h"
#include "engine/core/detail/Primitives.h"

namespace vantrel::detail {

namespace {

PixelBuffer evaluate(const Node& n, const Rect& rect) {
    PixelBuffer out(rect);
    const Rect region = rect.intersected(n.extent);
    if (out.isEmpty() || region.isEmpty()) return out;
    const int count = int(region.width);
    PixelView view = out.view();
    auto eachRow = [&](auto&& f) {
        for (std::int64_t y = region.minY(); y < region.maxY(); ++y) f(y, view.at(region.x, y));
    };
    switch (n.kind) {
        case NodeKind::empty:
            break;
        case NodeKind::source:
            eachRow([&](std::int64_t y, float* o) { readSourceRow(*n.source, region.x, y, count, o); });
            break;
        case NodeKind::buffer:
            eachRow([&](std::int64_t y, float* o) { readViewRow(n.buffer->view(), region.x, y, count, o); });
            break;
        case NodeKind::constant:
            eachRow([&](std::int64_t, float* o) { fillRow(n.color, count, o); });
            break;
        case NodeKind::generator:
            eachRow([&](std::int64_t y, float* o) { n.generator(RowSpan{region.x, y, count}, o); });
            break;
        case NodeKind::pointwise: {
            std::vector<PixelBuffer> ins;
            for (const auto& i : n.inputs) ins.push_back(evaluate(*i, region));
            std::vector<const float*> ptrs(ins.size());
            eachRow([&](std::int64_t y, float* o) {
                for (std::size_t k = 0; k < ins.size(); ++k) ptrs[k] = ins[k].at(region.x, y);
                n.pointwise(RowSpan{region.x, y, count}, ptrs.data(), o);
            });
            break;
        }
        case NodeKind::neighbourhood: {
            const PixelBuffer in = evaluate(*n.inputs[0], region.grown(n.margin));
            n.neighbourhood(in.view(), view.sub(region));
            break;
        }
        case NodeKind::raster: {
            const Rect& ie = n.inputs[0]->extent;
            PixelBuffer in = ie.isFinite() ? evaluate(*n.inputs[0], ie) : PixelBuffer();
            const PixelBuffer result = n.raster(in);
            eachRow([&](std::int64_t y, float* o) { readViewRow(result.view(), region.x, y, count, o); });
            break;
        }
        case NodeKind::transform: {
            const PixelBuffer in = evaluate(*n.inputs[0], transformInputRect(n, region).intersected(n.inputs[0]->extent));
            eachRow([&](std::int64_t y, float* o) { sampleTransformRow(n, in.view(), region.x, y, count, o); });
            break;
        }
        case NodeKind::clamp: {
            const PixelBuffer in = evaluate(*n.inputs[0], clampInputRect(n, region));
            eachRow([&](std::int64_t y, float* o) { clampRow(n, in.view(), region.x, y, count, o); });
            break;
        }
        case NodeKind::crop:
        case NodeKind::cache:
        case NodeKind::stage: {
            const PixelBuffer in = evaluate(*n.inputs[0], region);
            eachRow([&](std::int64_t y, float* o) { readViewRow(in.view(), region.x, y, count, o); });
            break;
        }
    }
    // Whatever a kernel wrote, nothing exists outside the node's extent.
    return out;
}

}  // namespace

PixelBuffer evaluateReference(const Image& image, const Rect& rect) {
    if (!rect.isFinite()) return PixelBuffer();
    return evaluate(*image.node(), rect);
}

}  // namespace vantrel::detail
