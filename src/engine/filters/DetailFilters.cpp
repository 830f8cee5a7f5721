// The 32-byte vectors here never cross this file's interface, so the ABI note
// about passing them without AVX does not matter.
#pragma GCC diagnostic ignored "-Wpsabi"

#include "engine/filters/DetailFilters.h"

#include <tbb/blocked_range.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/core/Color.h"
#include "engine/core/FilterMath.h"
#include "engine/filters/GaussianBlur.h"

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

// One output row of noise reduction from its three rows of planes (red, green, blue,
// encoded luminance), for any vector width: V holds L consecutive pixels of one plane.
// Both widths run the same operations per lane, so they give the same values.
template <class V>
__attribute__((always_inline)) inline void noiseReductionRow(const float* const (&rows)[4][3], const float* alpha,
                                                            float* out, int w, float N, float K, float invN) {
    constexpr int L = int(sizeof(V) / sizeof(float));
    using I = decltype(V{} < V{});
    auto load = [](const float* p) __attribute__((always_inline)) {
        V v;
        std::memcpy(&v, p, sizeof v);
        return v;
    };
    auto absOf = [](V v) __attribute__((always_inline)) { return std::bit_cast<V>(std::bit_cast<I>(v) & 0x7fffffff); };
    // The lane of `a` where the mask is set, else of `b`.
    auto pick = [](I mask, V a, V b) __attribute__((always_inline)) {
        return std::bit_cast<V>((std::bit_cast<I>(a) & mask) | (std::bit_cast<I>(b) & ~mask));
    };
    constexpr float g[3] = {1 / 16.f, 2 / 16.f, 1 / 16.f};
    for (int x = 0; x < w; x += L) {
        const V ep = load(rows[3][1] + x + 1);
        // Named accumulators (not arrays) so they stay in registers.
        V pr{}, pg{}, pb{}, pe{}, sr{}, sg{}, sb{}, wsum{};
        auto tap = [&](int dy, int dx, bool centre) __attribute__((always_inline)) {
            const float gq = g[dy] * g[dx] * 16.0f;
            const V r = load(rows[0][dy] + x + dx);
            const V gr = load(rows[1][dy] + x + dx);
            const V bl = load(rows[2][dy] + x + dx);
            const V e = load(rows[3][dy] + x + dx);
            pr += r * gq;
            pg += gr * gq;
            pb += bl * gq;
            pe += e * gq;
            // The centre always counts, whatever the level.
            const V weight = V{} + gq;
            const V wq = centre ? weight : pick(absOf(e - ep) <= N, weight, V{});
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
        // Clamp to [0, 1] (NaN cannot occur: the planes hold no NaN).
        V edge = (absOf(ep - pe) - N) * invN;
        edge = edge > 0.0f ? edge : V{};
        edge = edge < 1.0f ? edge : V{} + 1.0f;
        const V amount = K * edge;
        const V inv = 1.0f / wsum;
        const V vr = sr * inv + (load(rows[0][1] + x + 1) - pr) * amount;
        const V vg = sg * inv + (load(rows[1][1] + x + 1) - pg) * amount;
        const V vb = sb * inv + (load(rows[2][1] + x + 1) - pb) * amount;
        // Back to interleaved pixels, four at a time.
        for (int q = 0; q < L; q += 4) {
            const int m = std::min(4, w - x - q);
            if (m <= 0) break;
            kernels::Float4 a{};
            for (int l = 0; l < m; ++l) {
                const float al = alpha[4 * (x + q + l)];
                a[l] = al == al ? al : 0.0f;
            }
            const kernels::Quad quad{kernels::Float4{vr[q], vr[q + 1], vr[q + 2], vr[q + 3]},
                                     kernels::Float4{vg[q], vg[q + 1], vg[q + 2], vg[q + 3]},
                                     kernels::Float4{vb[q], vb[q + 1], vb[q + 2], vb[q + 3]}, a};
            if (m == 4) {
                kernels::storeQuad(out + 4 * (x + q), quad);
            } else {
                float px[16];
                kernels::storeQuad(px, quad);
                std::memcpy(out + 4 * (x + q), px, sizeof(float) * 4 * static_cast<std::size_t>(m));
            }
        }
    }
}

using Float8 = float __attribute__((vector_size(32)));

void noiseReductionRowSse(const float* const (&rows)[4][3], const float* alpha, float* out, int w, float N, float K,
                          float invN) {
    noiseReductionRow<kernels::Float4>(rows, alpha, out, w, N, K, invN);
}

// Eight pixels per vector where the processor has AVX2 (no FMA: the sums round as above).
__attribute__((target("avx2"))) void noiseReductionRowAvx2(const float* const (&rows)[4][3], const float* alpha,
                                                          float* out, int w, float N, float K, float invN) {
    noiseReductionRow<Float8>(rows, alpha, out, w, N, K, invN);
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");

// Encoded luminance of n pixels of planes (n a multiple of 4; the planes hold no NaN).
template <class V>
__attribute__((always_inline)) inline void encodedLuma(const float* r, const float* g, const float* b, float* e, int n) {
    constexpr int L = int(sizeof(V) / sizeof(float));
    int j = 0;
    auto load = [](const float* p) __attribute__((always_inline)) {
        V v;
        std::memcpy(&v, p, sizeof v);
        return v;
    };
    for (; j + L <= n; j += L) {
        const V l = kY[0] * load(r + j) + kY[1] * load(g + j) + kY[2] * load(b + j);
        const V v = kernels::encodeSRGBApprox(kernels::atMost(kernels::atLeast(l, 0.0f), 1.0f));
        std::memcpy(e + j, &v, sizeof v);
    }
    for (; j < n; j += 4) {
        const kernels::Float4 l = kY[0] * kernels::load4(r + j) + kY[1] * kernels::load4(g + j) + kY[2] * kernels::load4(b + j);
        kernels::store4(e + j, kernels::encodeSRGBApprox(kernels::atMost(kernels::atLeast(l, 0.0f), 1.0f)));
    }
}

void encodedLumaSse(const float* r, const float* g, const float* b, float* e, int n) {
    encodedLuma<kernels::Float4>(r, g, b, e, n);
}
__attribute__((target("avx2"))) void encodedLumaAvx2(const float* r, const float* g, const float* b, float* e, int n) {
    encodedLuma<Float8>(r, g, b, e, n);
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
    const int w8 = (w + 7) & ~7;  // planes padded to whole vectors of either width
    tbb::enumerable_thread_specific<NoisePlanes> planes;
    tbb::parallel_for(tbb::blocked_range<int>(inside.y, inside.bottom(), kBand), [&](const tbb::blocked_range<int>& r) {
        NoisePlanes& b = planes.local();
        const int y0 = r.begin(), y1 = r.end();
        b.stride = w8 + 8;  // whole vectors, and room for the right neighbour of the last
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
            // highlights.
            (kHasAvx2 ? encodedLumaAvx2 : encodedLumaSse)(pr, pg, pb, pe, b.stride);
        }
        const auto row = kHasAvx2 ? noiseReductionRowAvx2 : noiseReductionRowSse;
        for (int y = y0; y < y1; ++y) {
            const int i = y - y0 + 1;
            const float* rows[4][3];
            for (int k = 0; k < 4; ++k)
                for (int d = 0; d < 3; ++d) rows[k][d] = b.row(k, i - 1 + d);
            row(rows, src.at(inside.x, y) + 3, dst.at(inside.x, y), w, N, K, invN);
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
