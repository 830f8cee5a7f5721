#include "engine/filters/GaussianBlur.h"

#include <tbb/blocked_range.h>
#include <tbb/blocked_range2d.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>

#include <immintrin.h>

#include <algorithm>
#include <array>
#include <bit>
#include <utility>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

// The 32-byte vectors below never cross this file's interface, so the ABI note
// about passing them without AVX does not matter.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace vantrel {
namespace {

using V4 = Pixel4;
using I4 = std::int64_t __attribute__((vector_size(32)));
using D4 = double __attribute__((vector_size(32)));

// Box sums run in fixed point with this many steps per unit, so they are exact
// and independent of where a running sum starts.
constexpr float kFixedScale = 1048576.0f;   // 2^20
constexpr int kMaxExactRadius = 9;          // ceil(3 · 3), the largest exact kernel
constexpr int kStripWidth = 8;              // columns per vertical box strip
constexpr float kReducedSigma = 4.0f;       // least sigma left on a reduced grid

int floorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

V4 splat(float v) { return V4{v, v, v, v}; }

// NaN must not spread over a whole neighbourhood; it reads as 0.
V4 clean(V4 v) { return v == v ? v : splat(0.0f); }

// Conversions between doubles and 64-bit integers below 2^51 in magnitude, by adding
// 1.5 · 2^52 so the integer lands in the mantissa: plain SIMD arithmetic, where a
// direct conversion would be one scalar instruction per lane.
constexpr double kMagic = 6755399441055744.0;
const std::int64_t kMagicBits = std::bit_cast<std::int64_t>(kMagic);

// NaN becomes 0 and the magnitude is limited so no window sum can overflow.
I4 toFixed(V4 v, float limit) {
    v = v == v ? v : splat(0.0f);
    v = v > limit ? splat(limit) : v;
    v = v < -limit ? splat(-limit) : v;
    const D4 d = __builtin_convertvector(v * kFixedScale, D4) + kMagic;
    return std::bit_cast<I4>(d) - kMagicBits;
}

V4 fromFixed(I4 s, double inv) {
    const I4 bits = s + kMagicBits;
    const D4 d = std::bit_cast<D4>(bits) - kMagic;
    return __builtin_convertvector(d * inv, V4);
}

std::vector<float> gaussianWeights(float sigma, int radius) {
    std::vector<float> w(2 * radius + 1);
    double sum = 0;
    for (int k = -radius; k <= radius; ++k) sum += std::exp(-0.5 * k * k / (double(sigma) * sigma));
    for (int k = -radius; k <= radius; ++k)
        w[k + radius] = static_cast<float>(std::exp(-0.5 * k * k / (double(sigma) * sigma)) / sum);
    return w;
}

// Widths of n boxes whose cascade has the variance of the Gaussian (Kovesi).
std::array<int, 3> boxRadiiFor(float sigma) {
    constexpr int n = 3;
    const double s2 = double(sigma) * sigma;
    int wl = static_cast<int>(std::floor(std::sqrt(12.0 * s2 / n + 1.0)));
    if (wl % 2 == 0) --wl;
    wl = std::max(wl, 1);
    const int m = static_cast<int>(std::lround((12.0 * s2 - n * wl * wl - 4.0 * n * wl - 3.0 * n) / (-4.0 * wl - 4.0)));
    std::array<int, 3> r{};
    for (int i = 0; i < n; ++i) r[i] = ((i < m ? wl : wl + 2) - 1) / 2;
    return r;
}

// ---- One-dimensional passes over rows of pixels -------------------------------------------

using V8 = float __attribute__((vector_size(32)));

// The two passes of the exact kernel for one radius R, so their tap loops unroll and
// the weights stay in registers, on vectors V of one (V4) or two (V8) pixels. The
// weights are symmetric: mirrored taps are added before they are weighted, in a fixed
// order. Both widths run the same operations per lane and give the same values.
template <int R, class V>
struct ExactBody {
    static constexpr int P = int(sizeof(V) / sizeof(V4));  // pixels per vector

    [[gnu::always_inline]] static V load(const float* p) {
        V v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    [[gnu::always_inline]] static void store(float* p, V v) { std::memcpy(p, &v, sizeof v); }
    [[gnu::always_inline]] static V cleaned(V v) { return v == v ? v : V{}; }  // NaN reads as 0

    // line[i] = sum_k w[k] * rows[k][i] for n pixels. One pair of mirrored rows at a
    // time, each pass streaming through two rows and the line (which stays in the
    // first-level cache).
    [[gnu::always_inline]] static void vertical(const float* const* rows, int n, const float* w, V4* line) {
        float* l = reinterpret_cast<float*>(line);
        const int whole = n / P * P;
        {
            const float* c = rows[R];
            for (int i = 0; i < whole; i += P) store(l + 4 * i, cleaned(load(c + 4 * i)) * w[R]);
            for (int i = whole; i < n; ++i) line[i] = clean(loadPixel(c + 4 * i)) * w[R];
        }
        for (int k = 0; k < R; ++k) {
            const float* a = rows[k];
            const float* b = rows[2 * R - k];
            const float wk = w[k];
            for (int i = 0; i < whole; i += P)
                store(l + 4 * i, load(l + 4 * i) + (cleaned(load(a + 4 * i)) + cleaned(load(b + 4 * i))) * wk);
            for (int i = whole; i < n; ++i) line[i] += (clean(loadPixel(a + 4 * i)) + clean(loadPixel(b + 4 * i))) * wk;
        }
    }
    // out[i] = sum_k w[k] * in[i + k].
    [[gnu::always_inline]] static void horizontal(const V4* in, int n, const float* w, float* out) {
        const float* f = reinterpret_cast<const float*>(in);
        V wk[R + 1];
        for (int k = 0; k <= R; ++k) wk[k] = V{} + w[k];
        const int whole = n / P * P;
        for (int i = 0; i < whole; i += P) {
            const float* p = f + 4 * i;
            V acc = load(p + 4 * R) * wk[R];
            for (int k = 0; k < R; ++k) acc += (load(p + 4 * k) + load(p + 4 * (2 * R - k))) * wk[k];
            store(out + 4 * i, acc);
        }
        for (int i = whole; i < n; ++i) {
            const V4* p = in + i;
            V4 acc = p[R] * w[R];
            for (int k = 0; k < R; ++k) acc += (p[k] + p[2 * R - k]) * w[k];
            storePixel(out + 4 * i, acc);
        }
    }
};

template <int R>
struct ExactTaps {
    static void vertical(const float* const* rows, int n, const float* w, V4* line) {
        ExactBody<R, V4>::vertical(rows, n, w, line);
    }
    static void horizontal(const V4* in, int n, const float* w, float* out) {
        ExactBody<R, V4>::horizontal(in, n, w, out);
    }
};

// Two pixels per vector where the processor has AVX2 (no FMA: the sums round as above).
template <int R>
struct ExactTapsAvx2 {
    __attribute__((target("avx2"))) static void vertical(const float* const* rows, int n, const float* w, V4* line) {
        ExactBody<R, V8>::vertical(rows, n, w, line);
    }
    __attribute__((target("avx2"))) static void horizontal(const V4* in, int n, const float* w, float* out) {
        ExactBody<R, V8>::horizontal(in, n, w, out);
    }
};

struct ExactPasses {
    void (*vertical)(const float* const*, int, const float*, V4*);
    void (*horizontal)(const V4*, int, const float*, float*);
};

template <template <int> class Taps, int... R>
constexpr std::array<ExactPasses, sizeof...(R)> exactPassTable(std::integer_sequence<int, R...>) {
    return {ExactPasses{&Taps<R + 1>::vertical, &Taps<R + 1>::horizontal}...};
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");

// Passes for radius 1 to kMaxExactRadius.
ExactPasses exactPasses(int radius) {
    static constexpr auto sse = exactPassTable<ExactTaps>(std::make_integer_sequence<int, kMaxExactRadius>{});
    static constexpr auto avx2 = exactPassTable<ExactTapsAvx2>(std::make_integer_sequence<int, kMaxExactRadius>{});
    const std::size_t i = static_cast<std::size_t>(std::clamp(radius, 1, kMaxExactRadius) - 1);
    return kHasAvx2 ? avx2[i] : sse[i];
}

// Running sums of width 2r + 1 down L lanes of 128-bit halves, `stride` halves per
// row. The sums are plain SSE registers: GCC keeps wider generic vectors in memory
// when the target has no 256-bit registers.
using I2 = std::int64_t __attribute__((vector_size(16), __may_alias__));

template <int L>
void boxPassLanes(const I2* in, int n, int stride, int r, I2* out) {
    static_assert(L == 2 || L == 4);
    I2 s0{0, 0}, s1{0, 0}, s2{0, 0}, s3{0, 0};
    for (int j = 0; j <= 2 * r; ++j) {
        const I2* p = in + j * stride;
        s0 += p[0];
        s1 += p[1];
        if constexpr (L == 4) {
            s2 += p[2];
            s3 += p[3];
        }
    }
    out[0] = s0;
    out[1] = s1;
    if constexpr (L == 4) {
        out[2] = s2;
        out[3] = s3;
    }
    for (int i = 1; i + 2 * r < n; ++i) {
        const I2* add = in + (i + 2 * r) * stride;
        const I2* sub = in + (i - 1) * stride;
        I2* o = out + i * stride;
        s0 += add[0] - sub[0];
        s1 += add[1] - sub[1];
        o[0] = s0;
        o[1] = s1;
        if constexpr (L == 4) {
            s2 += add[2] - sub[2];
            s3 += add[3] - sub[3];
            o[2] = s2;
            o[3] = s3;
        }
    }
}

// Running sums of width 2r + 1 along the first axis of an [n][lanes] array.
void boxPass(const I4* in4, int n, int lanes, int r, I4* out4) {
    const I2* in = reinterpret_cast<const I2*>(in4);
    I2* out = reinterpret_cast<I2*>(out4);
    const int halves = 2 * lanes;
    int l = 0;
    for (; l + 4 <= halves; l += 4) boxPassLanes<4>(in + l, n, halves, r, out + l);
    for (; l + 2 <= halves; l += 2) boxPassLanes<2>(in + l, n, halves, r, out + l);
}

// Runs the three box passes in place on `a` (scratch `b`); returns the result.
const I4* boxCascade(std::vector<I4>& a, std::vector<I4>& b, int n, int lanes, const std::array<int, 3>& radii) {
    I4* in = a.data();
    I4* out = b.data();
    for (int r : radii) {
        boxPass(in, n, lanes, r, out);
        n -= 2 * r;
        std::swap(in, out);
    }
    return in;
}

struct Scratch {
    std::vector<V4> pixels;
    std::vector<I4> fixedA, fixedB;
};

// ---- The separable blur (exact or box) for output inside the extent -----------------------

struct Separable {
    const ConstPlaneView& src;
    const PlaneRect& extent;
    BlurEdge edge;
    const BlurPlan& plan;

    int radius() const { return plan.margin; }

    // Pixels of row y (inside the extent) for columns [x0, x0 + n), with the edge rule.
    void readRow(int y, int x0, int n, V4* out) const {
        const float* row = src.row(y);
        const int sx = src.rect.x;
        const bool clamp = edge == BlurEdge::Clamp;
        const V4 left = clamp && x0 < extent.x ? clean(loadPixel(row + 4 * (extent.x - sx))) : splat(0.0f);
        const V4 right =
            clamp && x0 + n > extent.right() ? clean(loadPixel(row + 4 * (extent.right() - 1 - sx))) : splat(0.0f);
        int i = 0;
        for (; i < n && x0 + i < extent.x; ++i) out[i] = left;
        const int inEnd = std::min(n, extent.right() - x0);
        for (; i < inEnd; ++i) out[i] = clean(loadPixel(row + 4 * (x0 + i - sx)));
        for (; i < n; ++i) out[i] = right;
    }

    // The row of src for plane row y under the edge rule; null for a transparent row.
    const float* sourceRow(int y) const {
        if (y < extent.y || y >= extent.bottom()) {
            if (edge == BlurEdge::Transparent) return nullptr;
            y = std::clamp(y, extent.y, extent.bottom() - 1);
        }
        return src.row(y);
    }

    void run(const PlaneView& dst, const BlurRunFinish* finish) const {
        if (plan.method == BlurPlan::Method::Exact)
            runExact(dst, finish);
        else
            runBox(dst, finish);
    }

    // Vertical then horizontal, one output row at a time over chunks of columns, so the
    // source rows a row needs stay in cache and no intermediate image is stored.
    void runExact(const PlaneView& dst, const BlurRunFinish* finish) const {
        const PlaneRect& d = dst.rect;
        const int R = plan.exactRadius;
        const std::vector<float> weights = gaussianWeights(plan.sigma, R);
        const ExactPasses passes = exactPasses(R);
        const int taps = 2 * R + 1;
        constexpr int kChunk = 512;
        struct Lines {
            std::vector<V4> line, zeros;
        };
        tbb::enumerable_thread_specific<Lines> lines;
        tbb::parallel_for(
            tbb::blocked_range2d<int>(d.y, d.bottom(), 16, d.x, d.right(), kChunk),
            [&](const tbb::blocked_range2d<int>& r) {
                const int cx0 = r.cols().begin(), cx1 = r.cols().end();
                Lines& buffers = lines.local();
                std::vector<V4>& line = buffers.line;
                line.resize(cx1 - cx0 + 2 * R);
                // Columns of the line inside the extent; the rest follow the edge rule.
                const int xs0 = std::max(cx0 - R, extent.x), xs1 = std::min(cx1 + R, extent.right());
                const float* rows[2 * kMaxExactRadius + 1];
                for (int y = r.rows().begin(); y < r.rows().end(); ++y) {
                    bool transparent = false;
                    for (int k = 0; k < taps; ++k) {
                        rows[k] = sourceRow(y - R + k);
                        if (rows[k]) rows[k] += 4 * (xs0 - src.rect.x);
                        else transparent = true;
                    }
                    if (transparent) {
                        buffers.zeros.assign(line.size(), splat(0.0f));
                        for (int k = 0; k < taps; ++k)
                            if (!rows[k]) rows[k] = reinterpret_cast<const float*>(buffers.zeros.data());
                    }
                    V4* l = line.data();  // element i is column cx0 - R + i
                    const int a = xs0 - (cx0 - R), b = xs1 - (cx0 - R), end = cx1 - cx0 + 2 * R;
                    passes.vertical(rows, b - a, weights.data(), l + a);
                    const bool clamp = edge == BlurEdge::Clamp;
                    for (int i = 0; i < a; ++i) l[i] = clamp ? l[a] : splat(0.0f);
                    for (int i = b; i < end; ++i) l[i] = clamp ? l[b - 1] : splat(0.0f);
                    float* out = dst.row(y) + 4 * (cx0 - d.x);
                    passes.horizontal(line.data(), cx1 - cx0, weights.data(), out);
                    if (finish) (*finish)(cx0, y, cx1 - cx0, out);
                }
            });
    }

    // Box cascades in tiles: horizontal sums of the rows a tile needs, then vertical sums
    // down strips of columns. Tiles keep the intermediate in cache.
    void runBox(const PlaneView& dst, const BlurRunFinish* finish) const {
        const PlaneRect& d = dst.rect;
        const int R = plan.margin;
        const double inv = 1.0 / (double(kFixedScale) * (2 * plan.boxRadii[0] + 1) * (2 * plan.boxRadii[1] + 1) *
                                  (2 * plan.boxRadii[2] + 1));
        // No window sum may reach 2^50, where the exact conversions stop.
        const float limit = static_cast<float>(std::min(1048576.0, 0x1p50 * inv));
        constexpr int kTileWidth = 256;
        const int tileHeight = std::max(128, 8 * R);
        tbb::enumerable_thread_specific<Scratch> scratch;
        tbb::parallel_for(
            tbb::blocked_range2d<int>(d.y, d.bottom(), tileHeight, d.x, d.right(), kTileWidth),
            [&](const tbb::blocked_range2d<int>& t) {
                Scratch& s = scratch.local();
                const int tx0 = t.cols().begin(), tw = t.cols().size();
                const int ty0 = t.rows().begin(), th = t.rows().size();
                const int hy0 = std::max(ty0 - R, extent.y), hy1 = std::min(ty0 + th + R, extent.bottom());
                const int n = std::max(tw + 2 * R, th + 2 * R);
                s.pixels.resize(static_cast<std::size_t>(hy1 - hy0) * tw + tw + tw + 2 * R);
                s.fixedA.resize(static_cast<std::size_t>(n) * kStripWidth);
                s.fixedB.resize(static_cast<std::size_t>(n) * kStripWidth);
                V4* h = s.pixels.data();
                V4* zeros = h + static_cast<std::size_t>(hy1 - hy0) * tw;
                V4* line = zeros + tw;
                for (int x = 0; x < tw; ++x) zeros[x] = splat(0.0f);
                for (int y = hy0; y < hy1; ++y) {
                    readRow(y, tx0 - R, tw + 2 * R, line);
                    for (int i = 0; i < tw + 2 * R; ++i) s.fixedA[i] = toFixed(line[i], limit);
                    const I4* r = boxCascade(s.fixedA, s.fixedB, tw + 2 * R, 1, plan.boxRadii);
                    V4* out = h + static_cast<std::size_t>(y - hy0) * tw;
                    for (int i = 0; i < tw; ++i) out[i] = fromFixed(r[i], inv);
                }
                auto hRow = [&](int y) -> const V4* {
                    if (y < extent.y || y >= extent.bottom()) {
                        if (edge == BlurEdge::Transparent) return zeros;
                        y = std::clamp(y, extent.y, extent.bottom() - 1);
                    }
                    return h + static_cast<std::size_t>(y - hy0) * tw;
                };
                const int m = th + 2 * R;
                for (int x0 = 0; x0 < tw; x0 += kStripWidth) {
                    const int lanes = std::min(kStripWidth, tw - x0);
                    for (int i = 0; i < m; ++i) {
                        const V4* in = hRow(ty0 - R + i) + x0;
                        I4* o = s.fixedA.data() + static_cast<std::size_t>(i) * lanes;
                        for (int l = 0; l < lanes; ++l) o[l] = toFixed(in[l], limit);
                    }
                    const I4* r = boxCascade(s.fixedA, s.fixedB, m, lanes, plan.boxRadii);
                    for (int y = 0; y < th; ++y) {
                        float* out = dst.at(tx0 + x0, ty0 + y);
                        const I4* in = r + static_cast<std::size_t>(y) * lanes;
                        for (int l = 0; l < lanes; ++l) storePixel(out + 4 * l, fromFixed(in[l], inv));
                    }
                }
                if (finish)
                    for (int y = ty0; y < ty0 + th; ++y) (*finish)(tx0, y, tw, dst.at(tx0, y));
            });
    }
};

// ---- The reduced-grid path for large sigma ------------------------------------------------

// Reduced pixel i sits at full-resolution x = (i + 0.5)B - 0.5 and gathers the 2B
// columns [iB - B/2, iB + 3B/2) with tent weights, the mirror image of the
// bilinear interpolation that brings the result back. Unlike plain block
// averages this keeps a feature's centroid in place, so the reduced grid adds
// no shift that depends on where an edge falls within a block.
std::vector<float> tentWeights(int B) {
    std::vector<float> w(2 * B);
    for (int k = 0; k < 2 * B; ++k) w[k] = float(2 * B - std::abs(2 * k + 1 - 2 * B)) / float(2 * B);
    return w;
}

// The columns of one reduced pixel relative to the extent.
struct TentSpan {
    int first = 0;               // column of tent weight 0
    float before = 0, after = 0; // summed weights of its columns left and right of the extent
};

void downsampledBlur(const ConstPlaneView& src, const PlaneRect& extent, BlurEdge edge, const BlurPlan& plan,
                     const PlaneView& dst, const BlurRunFinish* finish) {
    const PlaneRect& d = dst.rect;
    const int B = plan.factor;
    const BlurPlan low = planGaussianBlur(plan.reducedSigma);
    const int Rl = low.margin;
    auto lowIndex = [B](int x) { return floorDiv(2 * x + 1 - B, 2 * B); };
    const PlaneRect lowOut{lowIndex(d.x), lowIndex(d.y), lowIndex(d.right() - 1) + 2 - lowIndex(d.x),
                           lowIndex(d.bottom() - 1) + 2 - lowIndex(d.y)};
    const PlaneRect lowIn = lowOut.inflated(Rl);
    const std::vector<float> tent = tentWeights(B);
    const bool clamp = edge == BlurEdge::Clamp;

    std::vector<TentSpan> spans(lowIn.width);
    for (int i = 0; i < lowIn.width; ++i) {
        TentSpan& s = spans[i];
        s.first = (lowIn.x + i) * B - B / 2;
        for (int k = 0; k < 2 * B; ++k) {
            const int x = s.first + k;
            if (x < extent.x) s.before += tent[k];
            if (x >= extent.right()) s.after += tent[k];
        }
    }
    const bool clampLeft = clamp && lowIn.x * B - B / 2 < extent.x;
    const bool clampRight = clamp && lowIn.right() * B + B / 2 > extent.right();

    // The reduction runs in bands of reduced rows: the source rows of a band are reduced
    // horizontally into a small buffer, then combined vertically.
    // Uninitialised: every element is written in parallel below, so no serial zeroing.
    std::unique_ptr<V4[]> reduced(new V4[static_cast<std::size_t>(lowIn.area())]);
    const float norm = 1.0f / (float(B) * float(B));
    const int sx = src.rect.x;
    tbb::enumerable_thread_specific<std::vector<V4>> bands;
    tbb::parallel_for(tbb::blocked_range<int>(0, lowIn.height, 8), [&](const tbb::blocked_range<int>& range) {
        const int a = (lowIn.y + range.begin()) * B - B / 2;
        const int b = (lowIn.y + range.end() - 1) * B + 3 * B / 2;
        // Source rows the band reads: those inside the extent, or the edge row they repeat.
        const int ha = clamp ? std::clamp(a, extent.y, extent.bottom() - 1) : std::max(a, extent.y);
        const int hb = clamp ? std::clamp(b - 1, extent.y, extent.bottom() - 1) + 1 : std::min(b, extent.bottom());
        std::vector<V4>& h = bands.local();
        h.resize(static_cast<std::size_t>(std::max(hb - ha, 0)) * lowIn.width);
        for (int y = ha; y < hb; ++y) {
            const float* row = src.row(y);
            const V4 left = clampLeft ? clean(loadPixel(row + 4 * (extent.x - sx))) : splat(0.0f);
            const V4 right = clampRight ? clean(loadPixel(row + 4 * (extent.right() - 1 - sx))) : splat(0.0f);
            V4* out = h.data() + static_cast<std::size_t>(y - ha) * lowIn.width;
            // One pass over the row: the B columns of block q are the first half of reduced
            // pixel q's tent and the second half of pixel q - 1's, so each pixel is read once
            // and every sum still gathers its columns from left to right.
            V4 prev = splat(0.0f);
            for (int q = 0; q <= lowIn.width; ++q) {
                V4 cur = splat(0.0f);
                const int x0 = spans[0].first + q * B;
                const int xa = std::max(x0, extent.x), xb = std::min(x0 + B, extent.right());
                for (int x = xa; x < xb; ++x) {
                    const V4 p = clean(loadPixel(row + 4 * (x - sx)));
                    cur += p * tent[x - x0];
                    prev += p * tent[B + x - x0];
                }
                if (q > 0) {
                    const TentSpan& t = spans[q - 1];
                    out[q - 1] = prev + left * t.before + right * t.after;
                }
                prev = cur;
            }
        }
        for (int j = range.begin(); j < range.end(); ++j) {
            V4* acc = reduced.get() + static_cast<std::size_t>(j) * lowIn.width;
            for (int i = 0; i < lowIn.width; ++i) acc[i] = splat(0.0f);
            const int first = (lowIn.y + j) * B - B / 2;
            for (int k = 0; k < 2 * B; ++k) {
                int y = first + k;
                if (y < extent.y || y >= extent.bottom()) {
                    if (!clamp) continue;
                    y = std::clamp(y, extent.y, extent.bottom() - 1);
                }
                const V4* in = h.data() + static_cast<std::size_t>(y - ha) * lowIn.width;
                const float w = tent[k];
                for (int i = 0; i < lowIn.width; ++i) acc[i] += in[i] * w;
            }
            for (int i = 0; i < lowIn.width; ++i) acc[i] *= norm;
        }
    });

    // Blur the reduced grid; it already holds every pixel the blur reads.
    std::unique_ptr<V4[]> blurred(new V4[static_cast<std::size_t>(lowOut.area())]);
    const ConstPlaneView lowSrc{reinterpret_cast<const float*>(reduced.get()), 4 * lowIn.width, lowIn};
    const PlaneView lowDst{reinterpret_cast<float*>(blurred.get()), 4 * lowOut.width, lowOut};
    if (low.method == BlurPlan::Method::Identity) {
        for (int j = 0; j < lowOut.height; ++j)
            std::memcpy(static_cast<void*>(lowDst.row(lowOut.y + j)), lowSrc.at(lowOut.x, lowOut.y + j),
                        sizeof(V4) * lowOut.width);
    } else {
        Separable{lowSrc, lowIn, BlurEdge::Clamp, low}.run(lowDst, nullptr);
    }

    // Bilinear interpolation back to full resolution.
    std::vector<int> colIndex(d.width);
    std::vector<float> colFrac(d.width);
    for (int x = 0; x < d.width; ++x) {
        const int t = 2 * (d.x + x) + 1 - B;
        const int i0 = floorDiv(t, 2 * B);
        colIndex[x] = i0 - lowOut.x;
        colFrac[x] = float(t - i0 * 2 * B) / float(2 * B);
    }
    tbb::enumerable_thread_specific<std::vector<V4>> lineScratch;
    tbb::parallel_for(tbb::blocked_range<int>(0, d.height, 4), [&](const tbb::blocked_range<int>& range) {
        std::vector<V4>& line = lineScratch.local();
        line.resize(lowOut.width);
        for (int y = range.begin(); y < range.end(); ++y) {
            const int t = 2 * (d.y + y) + 1 - B;
            const int j0 = floorDiv(t, 2 * B);
            const float fy = float(t - j0 * 2 * B) / float(2 * B);
            const V4* r0 = blurred.get() + static_cast<std::size_t>(j0 - lowOut.y) * lowOut.width;
            const V4* r1 = r0 + lowOut.width;
            for (int i = 0; i < lowOut.width; ++i) line[i] = r0[i] * (1.0f - fy) + r1[i] * fy;
            float* out = dst.row(d.y + y);
            // The full-size result is written once and not read here again: stream it past
            // the cache when the row is aligned, saving the read of every destination line.
            if (reinterpret_cast<std::uintptr_t>(out) % 16 == 0 && !finish) {
                for (int x = 0; x < d.width; ++x) {
                    const int i0 = colIndex[x];
                    const float fx = colFrac[x];
                    _mm_stream_ps(out + 4 * x, line[i0] * (1.0f - fx) + line[i0 + 1] * fx);
                }
            } else {
                for (int x = 0; x < d.width; ++x) {
                    const int i0 = colIndex[x];
                    const float fx = colFrac[x];
                    storePixel(out + 4 * x, line[i0] * (1.0f - fx) + line[i0 + 1] * fx);
                }
            }
            if (finish) (*finish)(d.x, d.y + y, d.width, out);
        }
        _mm_sfence();  // streamed stores are visible before the task counts as done
    });
}

void copyRect(const ConstPlaneView& src, const PlaneView& dst, const BlurRunFinish* finish) {
    tbb::parallel_for(tbb::blocked_range<int>(dst.rect.y, dst.rect.bottom(), 16), [&](const tbb::blocked_range<int>& r) {
        for (int y = r.begin(); y < r.end(); ++y) {
            std::memcpy(dst.row(y), src.at(dst.rect.x, y), sizeof(float) * 4 * dst.rect.width);
            if (finish) (*finish)(dst.rect.x, y, dst.rect.width, dst.row(y));
        }
    });
}

// Writes transparent pixels into the parts of dst outside `keep`.
void clearOutside(const PlaneView& dst, const PlaneRect& keep) {
    for (int y = dst.rect.y; y < dst.rect.bottom(); ++y) {
        float* row = dst.row(y);
        if (y < keep.y || y >= keep.bottom() || keep.empty()) {
            std::memset(row, 0, sizeof(float) * 4 * dst.rect.width);
            continue;
        }
        std::memset(row, 0, sizeof(float) * 4 * (keep.x - dst.rect.x));
        std::memset(dst.at(keep.right(), y), 0, sizeof(float) * 4 * (dst.rect.right() - keep.right()));
    }
}

}  // namespace

BlurPlan planGaussianBlur(float sigma) {
    BlurPlan p;
    if (!(sigma >= kMinBlurSigma)) return p;  // also catches NaN
    sigma = std::min(sigma, kMaxBlurSigma);
    p.sigma = sigma;
    if (sigma <= 3.0f) {
        p.method = BlurPlan::Method::Exact;
        p.exactRadius = static_cast<int>(std::ceil(3.0f * sigma));
        p.margin = p.exactRadius;
    } else if (sigma <= 20.0f) {
        p.method = BlurPlan::Method::BoxCascade;
        p.boxRadii = boxRadiiFor(sigma);
        p.margin = p.boxRadii[0] + p.boxRadii[1] + p.boxRadii[2];
    } else {
        // Reduce until about 4 to 8 pixels of sigma remain. The tent reduction and
        // the bilinear interpolation each add some blur; the reduced sigma makes up
        // only the rest.
        p.method = BlurPlan::Method::Downsampled;
        int k = static_cast<int>(std::floor(std::log2(sigma / kReducedSigma)));
        p.factor = 1 << std::max(k, 1);
        const double B = p.factor;
        // Variance of the tent: weights (2B - |2k + 1 - 2B|)/2B at offsets (k + 0.5 - B).
        double w = 0, v = 0;
        for (int i = 0; i < 2 * p.factor; ++i) {
            const double wi = 2 * B - std::abs(2 * i + 1 - 2 * B), di = i + 0.5 - B;
            w += wi;
            v += wi * di * di;
        }
        const double added = 2.0 * v / w;  // reduction and interpolation alike
        p.reducedSigma = static_cast<float>(std::sqrt(std::max(double(sigma) * sigma - added, 1.0)) / B);
        p.margin = (planGaussianBlur(p.reducedSigma).margin + 2) * p.factor;
    }
    return p;
}

void gaussianBlur(const ConstPlaneView& src, const PlaneRect& extent, float sigma, BlurEdge edge,
                  const PlaneView& dst) {
    gaussianBlur(src, extent, sigma, edge, dst, nullptr);
}

void gaussianBlur(const ConstPlaneView& src, const PlaneRect& extent, float sigma, BlurEdge edge,
                  const PlaneView& dst, const BlurRunFinish* finish) {
    const PlaneRect inside = dst.rect.intersected(extent);
    clearOutside(dst, inside);
    if (inside.empty()) return;
    const PlaneView out{dst.at(inside.x, inside.y), dst.stride, inside};
    const BlurPlan plan = planGaussianBlur(sigma);
    switch (plan.method) {
    case BlurPlan::Method::Identity: copyRect(src, out, finish); break;
    case BlurPlan::Method::Exact:
    case BlurPlan::Method::BoxCascade: Separable{src, extent, edge, plan}.run(out, finish); break;
    case BlurPlan::Method::Downsampled: downsampledBlur(src, extent, edge, plan, out, finish); break;
    }
}

Image gaussianBlur(const Image& input, float sigma, BlurEdge edge) {
    const BlurPlan plan = planGaussianBlur(sigma);
    if (plan.method == BlurPlan::Method::Identity || input.isEmpty()) return input;
    const Rect extent = input.extent();
    NeighbourhoodOptions options;
    options.margin = plan.margin;
    options.extent = extent;
    options.wholeImage = plan.margin > kTiledMarginLimit;
    return Image::neighbourhood(
        input,
        [extent, sigma, edge](const ConstPixelView& in, const PixelView& out) {
            const PlaneMapping map = PlaneMapping::near(out.rect);
            gaussianBlur(map.view(in), map.rect(extent.intersected(in.rect)), sigma, edge, map.view(out));
        },
        options);
}

}  // namespace vantrel
