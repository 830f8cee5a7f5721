#include "engine/DetailFilters.h"

#include <tbb/blocked_range.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/Color.h"
#include "engine/FilterMath.h"
#include "engine/GaussianBlur.h"

namespace vantrel {
namespace {

using V4 = Pixel4;

V4 splat(float v) { return V4{v, v, v, v}; }
V4 clean(V4 v) { return v == v ? v : splat(0.0f); }

constexpr float kY[3] = {0.2126f, 0.7152f, 0.0722f};
constexpr int kBand = 16;  // output rows per block of the 3 × 3 filters

// A block of rows of the source padded by one pixel on every side, the pixels
// beyond the extent repeating its edge. Row i, column j holds the pixel at
// (x0 - 1 + j, y0 - 1 + i).
struct PaddedBlock {
    std::vector<V4> px;
    int stride = 0;

    void load(const ConstPlaneView& src, const PlaneRect& extent, int x0, int y0, int w, int h) {
        stride = w + 2;
        px.resize(static_cast<std::size_t>(h + 2) * stride);
        for (int i = 0; i < h + 2; ++i) {
            const float* row = src.row(std::clamp(y0 - 1 + i, extent.y, extent.bottom() - 1));
            V4* out = px.data() + static_cast<std::size_t>(i) * stride;
            for (int j = 0; j < stride; ++j) {
                const int x = std::clamp(x0 - 1 + j, extent.x, extent.right() - 1);
                out[j] = clean(loadPixel(row + 4 * (x - src.rect.x)));
            }
        }
    }
    const V4* row(int i) const { return px.data() + static_cast<std::size_t>(i) * stride; }
};

// Writes transparent pixels into the parts of dst outside `keep`.
void clearOutside(const PlaneView& dst, const PlaneRect& keep) {
    for (int y = dst.rect.y; y < dst.rect.bottom(); ++y) {
        float* row = dst.row(y);
        if (keep.empty() || y < keep.y || y >= keep.bottom()) {
            std::memset(row, 0, sizeof(float) * 4 * static_cast<std::size_t>(dst.rect.width));
            continue;
        }
        std::memset(row, 0, sizeof(float) * 4 * static_cast<std::size_t>(keep.x - dst.rect.x));
        std::memset(dst.at(keep.right(), y), 0, sizeof(float) * 4 * static_cast<std::size_t>(dst.rect.right() - keep.right()));
    }
}

// Runs `f(block, inside, y0, y1)` for bands of output rows inside the extent, in parallel;
// row y of a band is row y - y0 + 1 of its block. Pixels of dst outside the extent are
// cleared first.
template <class F>
void eachBand(const ConstPlaneView& src, const PlaneRect& extent, const PlaneView& dst, F f) {
    const PlaneRect inside = dst.rect.intersected(extent);
    clearOutside(dst, inside);
    if (inside.empty()) return;
    tbb::enumerable_thread_specific<PaddedBlock> blocks;
    tbb::parallel_for(tbb::blocked_range<int>(inside.y, inside.bottom(), kBand), [&](const tbb::blocked_range<int>& r) {
        PaddedBlock& b = blocks.local();
        b.load(src, extent, inside.x, r.begin(), inside.width, r.size());
        f(b, inside, r.begin(), r.end());
    });
}

}  // namespace

int unsharpMaskMargin(const UnsharpMaskSettings& s) { return planGaussianBlur(s.radius).margin; }

void unsharpMask(const ConstPlaneView& src, const PlaneRect& extent, const UnsharpMaskSettings& s,
                 const PlaneView& dst) {
    const float k = std::isfinite(s.intensity) ? s.intensity : 0.0f;
    // Each blurred run becomes the sharpened one while it is still in cache.
    const BlurRunFinish sharpen = [&src, k](int x0, int y, int n, float* out) {
        const float* in = src.at(x0, y);
        for (int x = 0; x < n; ++x) {
            const V4 c = clean(loadPixel(in + 4 * x));
            V4 v = c + (c - loadPixel(out + 4 * x)) * k;
            v[3] = c[3];
            storePixel(out + 4 * x, v);
        }
    };
    gaussianBlur(src, extent, s.radius, BlurEdge::Clamp, dst, &sharpen);
}

// A band of rows as planes of red, green, blue and encoded luminance, padded by one
// pixel on every side (edge pixels repeat) and to whole groups of four columns.
struct NoisePlanes {
    std::vector<float> data;
    int stride = 0, rows = 0;
    float* plane(int k) { return data.data() + static_cast<std::size_t>(k) * rows * stride; }
    float* row(int k, int i) { return plane(k) + static_cast<std::size_t>(i) * stride; }
};

void noiseReduction(const ConstPlaneView& src, const PlaneRect& extent, const NoiseReductionSettings& s,
                    const PlaneView& dst) {
    using kernels::Float4;
    using kernels::Int4;
    const float N = std::isfinite(s.noiseLevel) ? std::max(s.noiseLevel, 0.0f) : 0.0f;
    const float K = std::isfinite(s.sharpness) ? s.sharpness : 0.0f;
    const float invN = 1.0f / std::max(N, 1e-6f);
    const PlaneRect inside = dst.rect.intersected(extent);
    clearOutside(dst, inside);
    if (inside.empty()) return;
    const int w = inside.width;
    const int w4 = (w + 3) & ~3;
    tbb::enumerable_thread_specific<NoisePlanes> planes;
    tbb::parallel_for(tbb::blocked_range<int>(inside.y, inside.bottom(), kBand), [&](const tbb::blocked_range<int>& r) {
        NoisePlanes& b = planes.local();
        const int y0 = r.begin(), y1 = r.end();
        b.stride = w4 + 2;
        b.rows = y1 - y0 + 2;
        b.data.resize(static_cast<std::size_t>(4) * b.rows * b.stride);
        // Column j of the planes is pixel x = inside.x - 1 + j, clamped to the extent.
        for (int i = 0; i < b.rows; ++i) {
            const float* row = src.row(std::clamp(y0 - 1 + i, extent.y, extent.bottom() - 1));
            float* pr = b.row(0, i);
            float* pg = b.row(1, i);
            float* pb = b.row(2, i);
            float* pe = b.row(3, i);
            // Columns whose pixel lies in the extent are read four at a time; the few
            // beyond it repeat the edge pixel.
            const int first = inside.x - 1;
            const int j0 = std::clamp(extent.x - first, 0, b.stride);
            const int j1 = std::clamp(extent.right() - first, j0, b.stride);
            auto one = [&](int j) {
                const int x = std::clamp(first + j, extent.x, extent.right() - 1);
                const float* q = row + 4 * (x - src.rect.x);
                pr[j] = q[0] == q[0] ? q[0] : 0.0f;
                pg[j] = q[1] == q[1] ? q[1] : 0.0f;
                pb[j] = q[2] == q[2] ? q[2] : 0.0f;
            };
            int j = 0;
            for (; j < j0; ++j) one(j);
            for (; j + 4 <= j1; j += 4) {
                const kernels::Quad q = kernels::loadQuad(row + 4 * (first + j - src.rect.x));
                // NaN reads as 0.
                kernels::store4(pr + j, kernels::select(q.r == q.r, q.r, Float4{}));
                kernels::store4(pg + j, kernels::select(q.g == q.g, q.g, Float4{}));
                kernels::store4(pb + j, kernels::select(q.b == q.b, q.b, Float4{}));
            }
            for (; j < b.stride; ++j) one(j);
            // Display-encoded luminance, so the noise level means the same in shadows and
            // highlights. The tail beyond the stride's last group of four is done alone.
            j = 0;
            for (; j + 4 <= b.stride; j += 4) {
                const Float4 l = kY[0] * kernels::load4(pr + j) + kY[1] * kernels::load4(pg + j) + kY[2] * kernels::load4(pb + j);
                kernels::store4(pe + j, kernels::encodeSRGBApprox(kernels::minOf(kernels::maxOf(l, Float4{}), kernels::splat(1.0f))));
            }
            for (; j < b.stride; ++j) {
                const float l = kY[0] * pr[j] + kY[1] * pg[j] + kY[2] * pb[j];
                pe[j] = kernels::encodeSRGBApprox(kernels::splat(std::clamp(l, 0.0f, 1.0f)))[0];
            }
        }
        constexpr float g[3] = {1 / 16.f, 2 / 16.f, 1 / 16.f};
        for (int y = y0; y < y1; ++y) {
            const int i = y - y0 + 1;
            const float* rows[4][3];
            for (int k = 0; k < 4; ++k)
                for (int d = 0; d < 3; ++d) rows[k][d] = b.row(k, i - 1 + d);
            float* out = dst.at(inside.x, y);
            const float* alpha = src.at(inside.x, y) + 3;
            for (int x = 0; x < w4; x += 4) {
                const Float4 ep = kernels::load4(rows[3][1] + x + 1);
                // Named accumulators (not arrays) so they stay in registers.
                Float4 pr{}, pg{}, pb{}, pe{}, sr{}, sg{}, sb{}, wsum{};
                auto tap = [&](int dy, int dx, bool centre) __attribute__((always_inline)) {
                    const float gq = g[dy] * g[dx] * 16.0f;
                    const Float4 r = kernels::load4(rows[0][dy] + x + dx);
                    const Float4 gr = kernels::load4(rows[1][dy] + x + dx);
                    const Float4 bl = kernels::load4(rows[2][dy] + x + dx);
                    const Float4 e = kernels::load4(rows[3][dy] + x + dx);
                    pr += r * gq;
                    pg += gr * gq;
                    pb += bl * gq;
                    pe += e * gq;
                    // The centre always counts, whatever the level.
                    const Float4 wq = centre ? kernels::splat(gq)
                                             : kernels::select(kernels::absOf(e - ep) <= N, kernels::splat(gq), Float4{});
                    sr += r * wq;
                    sg += gr * wq;
                    sb += bl * wq;
                    wsum += wq;
                };
                tap(0, 0, false);
                tap(0, 1, false);
                tap(0, 2, false);
                tap(1, 0, false);
                tap(1, 1, true);
                tap(1, 2, false);
                tap(2, 0, false);
                tap(2, 1, false);
                tap(2, 2, false);
                const Float4 edge = kernels::minOf(
                    kernels::maxOf((kernels::absOf(ep - pe) - N) * invN, Float4{}), kernels::splat(1.0f));
                const Float4 amount = K * edge;
                const Float4 inv = 1.0f / wsum;
                const Float4 v[3] = {sr * inv + (kernels::load4(rows[0][1] + x + 1) - pr) * amount,
                                     sg * inv + (kernels::load4(rows[1][1] + x + 1) - pg) * amount,
                                     sb * inv + (kernels::load4(rows[2][1] + x + 1) - pb) * amount};
                const int m = std::min(4, w - x);
                float px[16];
                Float4 a{};
                for (int l = 0; l < m; ++l) {
                    const float al = alpha[4 * (x + l)];
                    a[l] = al == al ? al : 0.0f;
                }
                if (m == 4) {
                    kernels::storeQuad(out + 4 * x, {v[0], v[1], v[2], a});
                } else {
                    kernels::storeQuad(px, {v[0], v[1], v[2], a});
                    std::memcpy(out + 4 * x, px, sizeof(float) * 4 * static_cast<std::size_t>(m));
                }
            }
        }
    });
}

void edges(const ConstPlaneView& src, const PlaneRect& extent, const EdgesSettings& s, const PlaneView& dst) {
    const float k = (std::isfinite(s.intensity) ? s.intensity : 0.0f) / 4.0f;
    tbb::enumerable_thread_specific<std::vector<V4>> straight;
    eachBand(src, extent, dst, [&](const PaddedBlock& b, const PlaneRect& inside, int y0, int y1) {
        // Straight colour of the block.
        std::vector<V4>& c = straight.local();
        const int rows = y1 - y0 + 2;
        c.resize(static_cast<std::size_t>(rows) * b.stride);
        for (int r = 0; r < rows; ++r) {
            const V4* row = b.row(r);
            V4* out = c.data() + static_cast<std::size_t>(r) * b.stride;
            for (int j = 0; j < b.stride; ++j) {
                const float a = row[j][3];
                out[j] = a > 1e-6f ? row[j] * (1.0f / a) : splat(0.0f);
            }
        }
        for (int y = y0; y < y1; ++y) {
            const int i = y - y0 + 1;
            const V4* t = c.data() + static_cast<std::size_t>(i - 1) * b.stride;
            const V4* m = t + b.stride;
            const V4* u = m + b.stride;
            const V4* alpha = b.row(i);
            float* out = dst.at(inside.x, y);
            for (int x = 0; x < inside.width; ++x) {
                const V4 gx = (t[x + 2] + m[x + 2] * 2.0f + u[x + 2]) - (t[x] + m[x] * 2.0f + u[x]);
                const V4 gy = (u[x] + u[x + 1] * 2.0f + u[x + 2]) - (t[x] + t[x + 1] * 2.0f + t[x + 2]);
                const V4 sq = gx * gx + gy * gy;
                const float a = alpha[x + 1][3];
                const V4 v{std::sqrt(sq[0]) * k * a, std::sqrt(sq[1]) * k * a, std::sqrt(sq[2]) * k * a, a};
                storePixel(out + 4 * x, v);
            }
        }
    });
}

namespace {

template <class Kernel>
Image detailNode(const Image& input, int margin, Kernel kernel) {
    const Rect extent = input.extent();
    NeighbourhoodOptions options;
    options.margin = margin;
    options.extent = extent;
    options.wholeImage = margin > kTiledMarginLimit;
    return Image::neighbourhood(
        input,
        [extent, kernel](const ConstPixelView& in, const PixelView& out) {
            const PlaneMapping map = PlaneMapping::near(out.rect);
            kernel(map.view(in), map.rect(extent.intersected(in.rect)), map.view(out));
        },
        options);
}

}  // namespace

Image unsharpMask(const Image& input, const UnsharpMaskSettings& s) {
    if (input.isEmpty() || planGaussianBlur(s.radius).method == BlurPlan::Method::Identity || s.intensity == 0.0f)
        return input;
    return detailNode(input, unsharpMaskMargin(s), [s](const ConstPlaneView& in, const PlaneRect& e, const PlaneView& out) {
        unsharpMask(in, e, s, out);
    });
}

Image noiseReduction(const Image& input, const NoiseReductionSettings& s) {
    if (input.isEmpty()) return input;
    return detailNode(input, kNoiseReductionMargin,
                      [s](const ConstPlaneView& in, const PlaneRect& e, const PlaneView& out) { noiseReduction(in, e, s, out); });
}

Image edges(const Image& input, const EdgesSettings& s) {
    if (input.isEmpty()) return input;
    return detailNode(input, kEdgesMargin,
                      [s](const ConstPlaneView& in, const PlaneRect& e, const PlaneView& out) { edges(in, e, s, out); });
}

}  // namespace vantrel
