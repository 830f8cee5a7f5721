#include "engine/filters/Downscale.h"

#include <tbb/blocked_range.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>

#include <cmath>
#include <vector>

namespace vantrel {
namespace {

using V4 = Pixel4;

V4 splatZero() { return V4{0.0f, 0.0f, 0.0f, 0.0f}; }
V4 cleanPixel(V4 v) { return v == v ? v : splatZero(); }

// For each output index, the source indices it covers and their weights (summing to 1).
struct Footprints {
    std::vector<int> first;      // first source index of output i (relative to the grid start)
    std::vector<int> offset;     // start of output i's weights in `weights`; one extra at the end
    std::vector<float> weights;

    Footprints(int sourceSize, int outputSize, int begin, int end) {
        const double f = double(sourceSize) / double(outputSize);
        for (int i = begin; i < end; ++i) {
            const double a = i * f, b = (i + 1) * f;
            const int s0 = std::clamp(static_cast<int>(std::floor(a)), 0, sourceSize - 1);
            const int s1 = std::clamp(static_cast<int>(std::ceil(b)), s0 + 1, sourceSize);
            first.push_back(s0);
            offset.push_back(static_cast<int>(weights.size()));
            for (int s = s0; s < s1; ++s)
                weights.push_back(static_cast<float>((std::min(b, s + 1.0) - std::max(a, double(s))) / f));
        }
        offset.push_back(static_cast<int>(weights.size()));
    }
    int count(int k) const { return offset[k + 1] - offset[k]; }
    const float* weightsOf(int k) const { return weights.data() + offset[k]; }
};

}  // namespace

PixelSize fitLongEdge(PixelSize size, int maxLongEdge) {
    if (size.width <= 0 || size.height <= 0 || maxLongEdge <= 0) return {};
    const int longEdge = std::max(size.width, size.height);
    if (longEdge <= maxLongEdge) return size;
    const double s = double(maxLongEdge) / longEdge;
    return {std::max(1, static_cast<int>(std::lround(size.width * s))), std::max(1, static_cast<int>(std::lround(size.height * s)))};
}

void downscaleArea(const ConstPlaneView& src, PixelSize outputSize, const PlaneView& dst) {
    const PlaneRect& s = src.rect;
    const PlaneRect& d = dst.rect;
    if (d.empty()) return;
    if (s.empty() || outputSize.width <= 0 || outputSize.height <= 0) {
        for (int y = d.y; y < d.bottom(); ++y) std::memset(dst.row(y), 0, sizeof(float) * 4 * d.width);
        return;
    }
    // dst.rect is in output-grid coordinates whose origin is the grid's top-left.
    const Footprints cols(s.width, outputSize.width, d.x, d.right());
    const Footprints rows(s.height, outputSize.height, d.y, d.bottom());
    const int c0 = cols.first.front();
    const int c1 = cols.first.back() + cols.count(d.width - 1);
    tbb::enumerable_thread_specific<std::vector<V4>> scratch;
    tbb::parallel_for(tbb::blocked_range<int>(0, d.height, 2), [&](const tbb::blocked_range<int>& range) {
        std::vector<V4>& acc = scratch.local();
        acc.resize(c1 - c0);
        for (int j = range.begin(); j < range.end(); ++j) {
            // Weighted sum of the source rows, then of the columns.
            const float* wy = rows.weightsOf(j);
            for (int k = 0; k < rows.count(j); ++k) {
                const float* in = src.at(s.x + c0, s.y + rows.first[j] + k);
                const float w = wy[k];
                if (k == 0) {
                    for (int x = 0; x < c1 - c0; ++x) {
                        const V4 v = loadPixel(in + 4 * x);
                        acc[x] = (v == v ? v : V4{}) * w;
                    }
                } else {
                    for (int x = 0; x < c1 - c0; ++x) {
                        const V4 v = loadPixel(in + 4 * x);
                        acc[x] += (v == v ? v : V4{}) * w;
                    }
                }
            }
            float* out = dst.row(d.y + j);
            for (int i = 0; i < d.width; ++i) {
                const float* wx = cols.weightsOf(i);
                const V4* a = acc.data() + (cols.first[i] - c0);
                V4 v = a[0] * wx[0];
                for (int k = 1; k < cols.count(i); ++k) v += a[k] * wx[k];
                storePixel(out + 4 * i, v);
            }
        }
    });
}

Image downscaled(const Image& input, PixelSize size) {
    const Rect e = input.extent();
    if (!e.isFinite() || size.width <= 0 || size.height <= 0) return Image();
    const Rect out{e.x, e.y, size.width, size.height};
    return readThrough(Image::raster(input, out, [size, out](const PixelBuffer& in) {
        PixelBuffer result(out);
        if (in.isEmpty() || result.isEmpty()) return result;
        // Both buffers start at their top-left, which is what the grid mapping wants.
        const ConstPlaneView src{in.data(), 4 * in.width(), {0, 0, int(in.width()), int(in.height())}};
        const PlaneView dst{result.data(), 4 * result.width(), {0, 0, size.width, size.height}};
        downscaleArea(src, size, dst);
        return result;
    }));
}

std::optional<PixelBuffer> renderDownscaled(const Context& context, const Image& input, PixelSize size,
                                            const RenderOptions& options) {
    const Rect e = input.extent();
    if (!e.isFinite() || size.width <= 0 || size.height <= 0 || e.width > (1 << 20) || e.height > (1 << 20))
        return std::nullopt;
    const int sw = int(e.width), sh = int(e.height);
    PixelBuffer result(Rect{e.x, e.y, size.width, size.height});
    if (result.isEmpty()) return std::nullopt;
    const Footprints cols(sw, size.width, 0, size.width);
    const Footprints rows(sh, size.height, 0, size.height);
    // Output rows accumulate their source rows in order as strips arrive; `next` is the
    // first output row not yet complete.
    std::vector<V4> reduced;
    int next = 0;
    RenderOptions o = options;
    o.space = OutputSpace::linearWorking;
    constexpr int kStripRows = 64;
    const bool ok = context.renderStrips(
        input, e, PixelFormat::rgbaFloat, kStripRows,
        [&](const Strip& strip) {
            // Reduce the strip's rows horizontally.
            reduced.resize(static_cast<std::size_t>(strip.rows) * size.width);
            tbb::parallel_for(tbb::blocked_range<int>(0, strip.rows, 4), [&](const tbb::blocked_range<int>& r) {
                for (int k = r.begin(); k < r.end(); ++k) {
                    const float* in =
                        reinterpret_cast<const float*>(static_cast<const std::uint8_t*>(strip.data) + strip.rowBytes * k);
                    V4* out = reduced.data() + static_cast<std::size_t>(k) * size.width;
                    for (int i = 0; i < size.width; ++i) {
                        const float* w = cols.weightsOf(i);
                        const float* p = in + 4 * cols.first[i];
                        V4 v = splatZero();
                        for (int t = 0; t < cols.count(i); ++t) v += cleanPixel(loadPixel(p + 4 * t)) * w[t];
                        out[i] = v;
                    }
                }
            });
            // Add them to every output row they belong to.
            const int s0 = strip.firstRow, s1 = strip.firstRow + strip.rows;
            int j = next;
            while (j < size.height && rows.first[j] < s1) {
                const int r0 = std::max(rows.first[j], s0);
                const int r1 = std::min(rows.first[j] + rows.count(j), s1);
                float* out = result.view().rowFromTop(j);
                for (int r = r0; r < r1; ++r) {
                    const float w = rows.weightsOf(j)[r - rows.first[j]];
                    const V4* in = reduced.data() + static_cast<std::size_t>(r - s0) * size.width;
                    for (int i = 0; i < size.width; ++i) storePixel(out + 4 * i, loadPixel(out + 4 * i) + in[i] * w);
                }
                if (rows.first[j] + rows.count(j) <= s1) next = j + 1;
                ++j;
            }
            return true;
        },
        o);
    if (!ok) return std::nullopt;
    return result;
}

}  // namespace vantrel
