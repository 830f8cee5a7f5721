#include "engine/stages/HalationEngine.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/color/ColorFilters.h"
#include "engine/core/FilterMath.h"
#include "engine/filters/GaussianBlur.h"
#include "engine/core/PlaneView.h"
#include "engine/filters/BlendKernels.h"

namespace vantrel {

namespace {

// Frames this small or smaller on a side are left alone.
constexpr std::int64_t kMinSide = 10;
// Glows are smooth: the key is averaged over blocks of up to a quarter of the smaller blur
// radius, blurred there and interpolated back, which changes the result by well under a
// per cent of the glow and costs a small fraction of a full-size blur.
constexpr double kBlockPerSigma = 0.25;
constexpr int kMaxBlock = 32;

struct Layer {
    float sigma = 0;                  // pixels of the frame
    float tint[3] = {0, 0, 0};        // multiplies the key
};

float sigmaOf(double radius) { return std::isfinite(radius) ? float(std::clamp(radius, 0.0, double(kMaxBlurSigma))) : kMaxBlurSigma; }

// The premultiplied grey key of a row: (k·a, k·a, k·a, a) with k the clamped highlight key of
// the straight colour (not-a-number gives 0).
void keyRow(const float* in, float* out, int n, float bias, float gain) {
    using namespace kernels;
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const Quad f = loadQuad(in + 4 * i);
        const Float4 inv = select(f.a == 1.0f, splat(1.0f), select(f.a > 1e-6f, 1.0f / f.a, Float4{}));
        const Float4 lum = (kYr * f.r + kYg * f.g + kYb * f.b) * inv;
        // max before min, with the variable first: a NaN key becomes 0.
        const Float4 k = minOf(maxOf((lum - bias) * gain, Float4{}), splat(1.0f)) * f.a;
        storeQuad(out + 4 * i, {k, k, k, f.a});
    }
    for (; i < n; ++i) {
        const float* p = in + 4 * i;
        const float a = p[3];
        const float inv = a == 1.0f ? 1.0f : (a > 1e-6f ? 1.0f / a : 0.0f);
        const float v = (luminance(p[0], p[1], p[2]) * inv - bias) * gain;
        const float k = (v > 0.0f ? std::min(v, 1.0f) : 0.0f) * a;
        float* o = out + 4 * i;
        o[0] = o[1] = o[2] = k;
        o[3] = a;
    }
}

// How the key reaches the glow grid: first `reduce` × `reduce` pixels averaged by the graph
// (tiled, in parallel, with the frame still in cache), then blocks of `cells` × `cells` of
// those averaged here; one grid cell covers `block` = reduce × cells frame pixels.
struct Grid {
    int reduce = 1;
    int cells = 1;
    int block = 1;
};

Grid gridFor(const std::vector<Layer>& layers, const Rect& e) {
    float smallest = kMaxBlurSigma;
    for (const Layer& l : layers) smallest = std::min(smallest, l.sigma);
    const int limit = int(std::max<std::int64_t>(1, std::min<std::int64_t>({kMaxBlock, e.width / 2, e.height / 2})));
    int block = std::clamp(int(smallest * kBlockPerSigma), 1, limit);
    if (block >= 2) block &= ~1;  // even, so the graph can take the first halving
    const int reduce = block >= 2 ? 2 : 1;
    return {reduce, block / reduce, block};
}

// The tinted, blurred glow on the grid, from the key reduced by the graph (`in`, origin 0,
// rows counted from the bottom): one pixel per grid cell, cell (0, 0) at the frame's
// bottom-left corner.
PixelBuffer glowGrid(const PixelBuffer& in, const Grid& grid, const std::vector<Layer>& layers) {
    if (in.isEmpty()) return {};
    const Rect r = in.rect();
    const int w = int(r.width), h = int(r.height), b = grid.cells;
    const int lw = (w + b - 1) / b, lh = (h + b - 1) / b;
    // Rows top first below, as the blur's grid and the output buffer store them.
    std::vector<float> key(std::size_t(lw) * std::size_t(lh) * 4);
    tbb::parallel_for(tbb::blocked_range<int>(0, lh), [&](const tbb::blocked_range<int>& rows) {
        for (int top = rows.begin(); top < rows.end(); ++top) {
            const int j = lh - 1 - top;
            const int y0 = j * b, y1 = std::min(h, y0 + b);
            float* q = key.data() + std::size_t(top) * std::size_t(lw) * 4;
            for (int i = 0; i < lw; ++i) {
                const int x0 = i * b, x1 = std::min(w, x0 + b);
                kernels::Float4 sum{};
                for (int y = y0; y < y1; ++y) {
                    const float* p = in.at(r.x + x0, r.y + y);
                    for (int x = x0; x < x1; ++x, p += 4) sum += kernels::load4(p);
                }
                kernels::store4(q + 4 * i, sum / float((x1 - x0) * (y1 - y0)));
            }
        }
    });

    const PlaneRect cells{0, 0, lw, lh};
    const ConstPlaneView keyView{key.data(), std::ptrdiff_t(lw) * 4, cells};
    PixelBuffer out(Rect{0, 0, lw, lh});
    float* glow = out.data();
    std::vector<float> blurred(key.size());
    const double B = grid.block;
    for (const Layer& l : layers) {
        // Block averaging and interpolation add about block²/4 of variance; take it off.
        const double s = std::sqrt(std::max(double(l.sigma) * l.sigma - B * B / 4.0, 0.0)) / B;
        gaussianBlur(keyView, cells, float(s), BlurEdge::Clamp, PlaneView{blurred.data(), std::ptrdiff_t(lw) * 4, cells});
        for (std::size_t i = 0; i < key.size(); i += 4) {
            const float k = blurred[i];
            glow[i] += l.tint[0] * k;
            glow[i + 1] += l.tint[1] * k;
            glow[i + 2] += l.tint[2] * k;
            glow[i + 3] = std::min(glow[i + 3] + blurred[i + 3], 1.0f);
        }
    }
    return out;
}

}  // namespace

Image HalationEngine::highlightKey(const Image& frame, double threshold) {
    const double t = std::isfinite(threshold) ? threshold : 1.0;
    const double k = 1.0 / std::max(1.0 - t, 0.01);
    ColorMatrixParameters m;
    const std::array<float, 4> row{float(0.2126 * k), float(0.7152 * k), float(0.0722 * k), 0.0f};
    m.rVector = m.gVector = m.bVector = row;
    const float bias = float(-t * k);
    m.biasVector = {bias, bias, bias, 0.0f};
    return colorClamp(colorMatrix(frame, m)).cropped(frame.extent());
}

Image applyHalation(const Image& frame, const HalationParameters& p) {
    const Rect& e = frame.extent();
    if (!p.isEnabled || p.isNeutral() || !e.isFinite() || e.width <= kMinSide || e.height <= kMinSide) return frame;

    std::vector<Layer> layers;
    if (parameterOf(&HalationParameters::halationIntensity).isChanged(p.halationIntensity)) {
        const float a = float(std::min(p.halationIntensity, 1.0) * 1.8);
        layers.push_back({sigmaOf(p.halationRadius), {a, a * 0.12f, a * 0.02f}});
    }
    if (parameterOf(&HalationParameters::bloomIntensity).isChanged(p.bloomIntensity)) {
        const float c = float(std::min(p.bloomIntensity, 1.0) * 1.3);
        layers.push_back({sigmaOf(p.bloomRadius), {c, c * 0.95f, c * 0.9f}});
    }
    if (layers.empty()) return frame;

    // The developed frame is read twice, both times tile by tile: for the key, halved by the
    // graph as the tiles run (the glow needs the whole frame before any pixel can be
    // screened), and for the screen. It is kept in memory once rather than developed twice.
    const Image developed = frame.materialized();
    const double t = std::isfinite(p.halationThreshold) ? p.halationThreshold : 1.0;
    const float gain = float(1.0 / std::max(1.0 - t, 0.01));
    const float bias = float(t);
    const Image key = Image::pointwise({developed}, [bias, gain](const RowSpan& s, const float* const* in, float* out) {
        keyRow(in[0], out, s.count, bias, gain);
    });

    const Grid grid = gridFor(layers, e);
    const std::int64_t w2 = (e.width + grid.reduce - 1) / grid.reduce, h2 = (e.height + grid.reduce - 1) / grid.reduce;
    const Rect reducedRect{0, 0, w2, h2};
    Image reduced = key.reorigined();
    if (grid.reduce > 1) {
        // Bilinear sampling halfway between pixels is the 2 × 2 mean; the edge is repeated
        // where an odd side leaves half a pair.
        const double s = 1.0 / grid.reduce;
        const AffineTransform toReduced{s, 0, 0, s, -double(e.x) * s, -double(e.y) * s};
        reduced = key.clampedToExtent().transformed(toReduced).cropped(reducedRect);
    }
    const std::int64_t lw = (w2 + grid.cells - 1) / grid.cells, lh = (h2 + grid.cells - 1) / grid.cells;
    const Image glow = Image::raster(reduced, Rect{0, 0, lw, lh}, [grid, layers](const PixelBuffer& in) {
        return glowGrid(in, grid, layers);
    });
    // Back to full size, bilinear between cell centres and flat beyond the outer ones.
    const double B = grid.block;
    const Image spread =
        glow.clampedToExtent().transformed(AffineTransform{B, 0, 0, B, double(e.x), double(e.y)}).cropped(e);
    return Image::pointwise(
        {spread, developed},
        [](const RowSpan& s, const float* const* in, float* out) {
            const float* g = in[0];
            const float* f = in[1];
            for (int i = 0; i < 4 * s.count; i += 4) {
                const kernels::Float4 gv = kernels::load4(g + i), fv = kernels::load4(f + i);
                kernels::store4(out + i, kernels::screenOver(gv, fv));
            }
        },
        PointwiseOptions{e});
}

}  // namespace vantrel
