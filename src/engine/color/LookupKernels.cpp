#include "engine/color/LookupKernels.h"

#include "engine/color/ColorKernels.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#if defined(__AVX__)
#include <immintrin.h>
#endif

namespace vantrel {

ColorCubeParameters identityColorCube(int n) {
    ColorCubeParameters p;
    p.cubeDimension = n;
    p.cubeData.reserve(static_cast<size_t>(n) * n * n * 4);
    const float step = 1.0f / static_cast<float>(n - 1);
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r) {
                p.cubeData.push_back(static_cast<float>(r) * step);
                p.cubeData.push_back(static_cast<float>(g) * step);
                p.cubeData.push_back(static_cast<float>(b) * step);
                p.cubeData.push_back(1.0f);
            }
    return p;
}

}  // namespace vantrel

namespace vantrel::kernels {
namespace {

bool allFinite(const std::vector<float>& v) {
    // By the exponent bits and without an early exit, so the loop runs eight floats at a time.
    uint32_t bad = 0;
    for (float x : v) bad |= (std::bit_cast<uint32_t>(x) & 0x7f800000u) == 0x7f800000u;
    return bad == 0;
}

// Linear P3 <-> linear sRGB in single precision for the per-pixel path.
const Matrix3f kToSrgb{color::linearP3ToLinearSRGB()};
const Matrix3f kToP3{color::linearSRGBToLinearP3()};

}  // namespace

// ---- Colour cube ----------------------------------------------------------------

std::optional<ColorCubeKernel> ColorCubeKernel::make(ColorCubeParameters p) {
    const int n = p.cubeDimension;
    if (n < 2 || n > 128) return std::nullopt;
    if (p.cubeData.size() != static_cast<size_t>(n) * n * n * 4 || !allFinite(p.cubeData)) return std::nullopt;
    ColorCubeKernel k;
    bool opaque = true;
    for (size_t i = 3; i < p.cubeData.size(); i += 4) opaque &= p.cubeData[i] == 1.0f;
    k.opaqueCells_ = opaque;
    k.storage_ = std::make_shared<const std::vector<float>>(std::move(p.cubeData));
    k.cells_ = k.storage_->data();
    k.n_ = n;
    k.scale_ = static_cast<float>(n - 1);
    return k;
}

namespace {

// Eight floats: two cube cells side by side, or one channel of eight pixels.
using Float8 = float __attribute__((vector_size(32)));
using Int8 = std::int32_t __attribute__((vector_size(32)));

inline Float8 joined(Float4 lo, Float4 hi) { return __builtin_shufflevector(lo, hi, 0, 1, 2, 3, 4, 5, 6, 7); }
// Four floats from lo and four from hi, as one vector.
inline Float8 loadJoined(const float* lo, const float* hi) {
#if defined(__AVX__)
    return Float8(_mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(lo)), _mm_loadu_ps(hi), 1));
#else
    return joined(load4(lo), load4(hi));
#endif
}
inline Float4 lowHalf(Float8 v) { return __builtin_shufflevector(v, v, 0, 1, 2, 3); }
inline Float4 highHalf(Float8 v) {
#if defined(__AVX__)
    return Float4(_mm256_extractf128_ps(__m256(v), 1));
#else
    return __builtin_shufflevector(v, v, 4, 5, 6, 7);
#endif
}
inline Float8 splat8(float v) { return Float8{v, v, v, v, v, v, v, v}; }
// The lanes of v into dst, for per-lane use (one vector store).
using Float8Store = float __attribute__((vector_size(32), may_alias, aligned(4)));
using Int8Store = std::int32_t __attribute__((vector_size(32), may_alias, aligned(4)));
inline void storeLanes(float* dst, Float8 v) { *reinterpret_cast<Float8Store*>(dst) = v; }
inline void storeLanes(std::int32_t* dst, Int8 v) { *reinterpret_cast<Int8Store*>(dst) = v; }

// The eight cells from `q` (red step 4 floats, green step sg, blue step sb)
// mixed with weights wr and wg: the two blue layers side by side. Each blue pair
// of cells shares one eight-lane vector, so the red and green steps serve both
// halves at once; the sums are the same lane by lane as four-lane steps.
inline Float8 blendRedGreen(const float* q, ptrdiff_t sg, ptrdiff_t sb, float wr, float wg) {
    const Float8 fr = splat8(wr), fg = splat8(wg);
    const Float8 x00 = loadJoined(q, q + sb);            // cells 000 | 001
    const Float8 x10 = loadJoined(q + 4, q + sb + 4);    // 100 | 101
    const Float8 x01 = loadJoined(q + sg, q + sb + sg);  // 010 | 011
    const Float8 x11 = loadJoined(q + sg + 4, q + sb + sg + 4);
    const Float8 y0 = x00 + fr * (x10 - x00);  // c00 | c01
    const Float8 y1 = x01 + fr * (x11 - x01);  // c10 | c11
    return y0 + fg * (y1 - y0);                // c0 | c1
}

// The same mixed with weight wb in blue too: red first, then green, then blue.
inline Float4 blendCells(const float* q, ptrdiff_t sg, ptrdiff_t sb, float wr, float wg, float wb) {
    const Float8 z = blendRedGreen(q, sg, sb, wr, wg);
    const Float4 c0 = lowHalf(z), c1 = highHalf(z);
    return c0 + splat(wb) * (c1 - c0);
}

// Trilinear look-up of one straight RGBA pixel in a cube of n cells per side.
inline Float4 trilinear(const float* cells, int n, float scale, Float4 c) {
    const Float4 p = minOf(maxOf(c, Float4{}), splat(1.0f)) * scale;  // NaN -> 0
    // The last cell pair is used up to and including the top of the cube (f = 1).
    const Int4 i = __builtin_convertvector(minOf(p, splat(static_cast<float>(n - 2))), Int4);
    const Float4 f = p - __builtin_convertvector(i, Float4);

    const ptrdiff_t sg = ptrdiff_t(n) * 4, sb = ptrdiff_t(n) * n * 4;
    Float4 out = blendCells(cells + i[2] * sb + i[1] * sg + i[0] * 4, sg, sb, f[0], f[1], f[2]);
    out[3] *= c[3];
    return out;
}

// One channel of the unit cube scaled to cell units, clamped (NaN -> 0) as
// maxOf / minOf do in trilinear().
inline Float8 toCellUnits(Float8 v, float scale) {
#if defined(__AVX__)
    const Float8 clamped = Float8(_mm256_min_ps(_mm256_max_ps(__m256(v), __m256(Float8{})), __m256(splat8(1.0f))));
#else
    const Float8 clamped = joined(minOf(maxOf(lowHalf(v), Float4{}), splat(1.0f)),
                                  minOf(maxOf(highHalf(v), Float4{}), splat(1.0f)));
#endif
    return clamped * scale;
}

// Lane-wise min(v, hi) for v that are not NaN.
inline Float8 atMost8(Float8 v, float hi) { return v < hi ? v : splat8(hi); }

}  // namespace

Rgba ColorCubeKernel::apply(Rgba c) const {
    const Float4 out = trilinear(cells_, n_, scale_, Float4{c.r, c.g, c.b, c.a});
    return {out[0], out[1], out[2], out[3]};
}

namespace {

// Opaque pixels through a cube of opaque cells, eight at a time: cell offsets and
// weights for the eight, then the cells pixel by pixel. Returns the pixels done;
// a group with any other alpha ends the run. kSide is the cube's side when known
// at compile time (the strides then fold into the loads' addresses), else 0.
template <int kSide>
int cubeOpaqueOctets(const float* cells, int side, float scale, const float* in, float* out, int n) {
    const int s = kSide ? kSide : side;
    const float top = static_cast<float>(s - 2);
    const int32_t sg = s * 4, sb = s * s * 4;
    alignas(32) int32_t offset[8];
    alignas(32) float wr[8], wg[8];
    int i = 0;
    for (; i + 8 <= n; i += 8, in += 32, out += 32) {
        const Quad q0 = loadQuad(in), q1 = loadQuad(in + 16);
        if (!allLanesSet((q0.a == 1.0f) & (q1.a == 1.0f))) break;
        const Float8 pr = toCellUnits(joined(q0.r, q1.r), scale);
        const Float8 pg = toCellUnits(joined(q0.g, q1.g), scale);
        const Float8 pb = toCellUnits(joined(q0.b, q1.b), scale);
        const Int8 ir = __builtin_convertvector(atMost8(pr, top), Int8);
        const Int8 ig = __builtin_convertvector(atMost8(pg, top), Int8);
        const Int8 ib = __builtin_convertvector(atMost8(pb, top), Int8);
        const Float8 fr = pr - __builtin_convertvector(ir, Float8);
        const Float8 fg = pg - __builtin_convertvector(ig, Float8);
        const Float8 fb = pb - __builtin_convertvector(ib, Float8);
        const Int8 o = ir * 4 + ig * sg + ib * sb;
        storeLanes(offset, o);
        storeLanes(wr, fr);
        storeLanes(wg, fg);
        // The blue step for two pixels at once: their lower layers in one vector, their
        // upper layers in another, with weights (fb[k] ×4 | fb[k + 1] ×4).
        auto twoPixels = [&](int k, Float8 f) __attribute__((always_inline)) {
            const Float8 z0 = blendRedGreen(cells + offset[k], sg, sb, wr[k], wg[k]);
            const Float8 z1 = blendRedGreen(cells + offset[k + 1], sg, sb, wr[k + 1], wg[k + 1]);
            const Float8 c0 = __builtin_shufflevector(z0, z1, 0, 1, 2, 3, 8, 9, 10, 11);
            const Float8 c1 = __builtin_shufflevector(z0, z1, 4, 5, 6, 7, 12, 13, 14, 15);
            storeLanes(out + 4 * k, c0 + f * (c1 - c0));
        };
        twoPixels(0, __builtin_shufflevector(fb, fb, 0, 0, 0, 0, 1, 1, 1, 1));
        twoPixels(2, __builtin_shufflevector(fb, fb, 2, 2, 2, 2, 3, 3, 3, 3));
        twoPixels(4, __builtin_shufflevector(fb, fb, 4, 4, 4, 4, 5, 5, 5, 5));
        twoPixels(6, __builtin_shufflevector(fb, fb, 6, 6, 6, 6, 7, 7, 7, 7));
    }
    return i;
}

}  // namespace

void ColorCubeKernel::run(const float* in, float* out, int n) const {
    const float* cells = cells_;
    const int side = n_;
    const float scale = scale_;
    int i = 0;
    while (i < n) {
        // Opaque runs through the fast path (opaque in, opaque out); any other pixel,
        // and the last few, one at a time on straight colour.
        if (opaqueCells_ && i + 8 <= n) {
            const int done = side == 32 ? cubeOpaqueOctets<32>(cells, side, scale, in, out, n - i)
                                        : cubeOpaqueOctets<0>(cells, side, scale, in, out, n - i);
            i += done;
            in += 4 * done;
            out += 4 * done;
        }
        const int next = std::min(n, opaqueCells_ && i + 8 <= n ? i + 8 : n);
        for (; i < next; ++i, in += 4, out += 4)
            store4(out, premultiplied(trilinear(cells, side, scale, straightened(load4(in)))));
    }
}

// ---- Colour curves ----------------------------------------------------------------

std::optional<ColorCurvesKernel> ColorCurvesKernel::make(const ColorCurvesParameters& p) {
    const float d0 = p.curvesDomain[0], d1 = p.curvesDomain[1];
    if (!std::isfinite(d0) || !std::isfinite(d1) || !(d1 > d0)) return std::nullopt;
    if (p.curvesData.size() < 6 || p.curvesData.size() % 3 != 0 || !allFinite(p.curvesData)) return std::nullopt;

    ColorCurvesKernel k;
    k.data_ = std::make_shared<const std::vector<float>>(p.curvesData);
    k.table_ = k.data_->data();
    k.last_ = static_cast<int>(p.curvesData.size() / 3) - 1;
    k.d0_ = d0;
    k.d1_ = d1;
    k.toIndex_ = static_cast<float>(k.last_) / (d1 - d0);

    bool shared = true;
    for (size_t i = 0; i < p.curvesData.size() && shared; i += 3)
        shared = p.curvesData[i] == p.curvesData[i + 1] && p.curvesData[i] == p.curvesData[i + 2];

    const int tables = shared ? 1 : 3;
    auto linear = std::make_shared<std::vector<float>>(static_cast<size_t>(tables) * kTableSize * 2);
    // The samples go into the even places; blocks of the grid in parallel, as a table costs
    // three powers per entry. The encoding is odd, so one encoding serves x and −x.
    float* out = linear->data();
    tbb::parallel_for(tbb::blocked_range<uint32_t>(0, kSide, 256), [&](const tbb::blocked_range<uint32_t>& range) {
        for (uint32_t i = range.begin(); i != range.end(); ++i) {
            const float x = std::bit_cast<float>(kFirstBits + (i << (23 - kStepBits)));
            const float e = static_cast<float>(color::encodeSRGB(x));
            for (int ch = 0; ch < tables; ++ch) {
                float* t = out + ch * kTableSize * 2;
                t[2 * i] = static_cast<float>(color::decodeSRGB(k.curveEncoded(ch, e)));
                t[2 * (kSide + i)] = static_cast<float>(color::decodeSRGB(k.curveEncoded(ch, -e)));
            }
        }
    });
    // Each sample with the step to the next one in the odd places (none after a side's last).
    for (int ch = 0; ch < tables; ++ch) {
        float* t = out + ch * kTableSize * 2;
        for (int i = 0; i < kTableSize; ++i)
            t[2 * i + 1] = i % kSide == kSide - 1 ? 0.0f : t[2 * i + 2] - t[2 * i];
    }
    for (int ch = 0; ch < 3; ++ch) {
        k.tableOffset_[static_cast<size_t>(ch)] = shared ? 0 : ch * kTableSize;
        k.atZero_[static_cast<size_t>(ch)] = k.curveLinear(shared ? 0 : ch, 0.0f);
    }
    k.linearStorage_ = std::move(linear);
    k.linear_ = k.linearStorage_->data();
    return k;
}

float ColorCurvesKernel::curveLinear(int channel, float x) const {
    return static_cast<float>(color::decodeSRGB(curveEncoded(channel, static_cast<float>(color::encodeSRGB(x)))));
}

namespace {
constexpr float kFracScale = 1.0f / static_cast<float>(1 << (23 - 8));
}  // namespace

float ColorCurvesKernel::curveLinearFast(int channel, float x) const {
    constexpr int kFracBits = 23 - kStepBits;
    const float* t = linear_ + 2 * tableOffset_[static_cast<size_t>(channel)];
    const uint32_t bits = std::bit_cast<uint32_t>(x);
    const uint32_t mag = bits & 0x7fffffffu;
    const float* side = (bits >> 31) ? t + 2 * kSide : t;
    if (mag >= kFirstBits && mag < kEndBits) {
        const uint32_t offset = mag - kFirstBits;
        const float* entry = side + 2 * (offset >> kFracBits);
        const float f = static_cast<float>(static_cast<int32_t>(offset & ((1u << kFracBits) - 1))) * kFracScale;
        return entry[0] + f * entry[1];
    }
    if (mag < kFirstBits) {
        // Tiny values: straight from the value at zero to the first sample.
        const float zero = atZero_[static_cast<size_t>(channel)];
        return zero + (side[0] - zero) * (std::fabs(x) * (1.0f / std::bit_cast<float>(kFirstBits)));
    }
    return curveLinear(channel, x);  // far out, or not finite
}

Rgba ColorCurvesKernel::apply(Rgba c) const {
    const float* a = kToSrgb.m;
    const float r = a[0] * c.r + a[1] * c.g + a[2] * c.b;
    const float g = a[3] * c.r + a[4] * c.g + a[5] * c.b;
    const float b = a[6] * c.r + a[7] * c.g + a[8] * c.b;
    const float r2 = curveLinear(0, r), g2 = curveLinear(1, g), b2 = curveLinear(2, b);
    const float* m = kToP3.m;
    return {m[0] * r2 + m[1] * g2 + m[2] * b2, m[3] * r2 + m[4] * g2 + m[5] * b2, m[6] * r2 + m[7] * g2 + m[8] * b2,
            c.a};
}

namespace {

inline bool allLanesSet8(Int8 mask) {
#if defined(__AVX__)
    return _mm256_movemask_ps(__m256(mask)) == 0xff;
#else
    return allLanesSet(__builtin_shufflevector(mask, mask, 0, 1, 2, 3)) &&
           allLanesSet(__builtin_shufflevector(mask, mask, 4, 5, 6, 7));
#endif
}

// The (sample, step) pairs at entries i and j of a table of pairs, as one vector.
inline Float4 twoEntries(const float* pairs, int32_t i, int32_t j) {
    using Double2 = double __attribute__((vector_size(16)));
    double a, b;
    std::memcpy(&a, pairs + 2 * i, sizeof a);
    std::memcpy(&b, pairs + 2 * j, sizeof b);
    return std::bit_cast<Float4>(Double2{a, b});
}

}  // namespace

// Opaque pixels eight at a time with one vector per channel: the matrices and the
// table arithmetic then serve eight pixels per instruction. Returns the pixels
// done; a group with any other alpha ends the run.
int ColorCurvesKernel::runOpaqueOctets(const float* in, float* out, int n) const {
    constexpr int kFracBits = 23 - kStepBits;
    const float* a = kToSrgb.m;
    const float* m = kToP3.m;
    const float* table = linear_;
    const Int8 first = Int8{} + static_cast<int32_t>(kFirstBits);
    const Int8 end = Int8{} + static_cast<int32_t>(kEndBits);
    // The curve of one channel for eight linear values.
    auto outsideTable = [this](Float8 x, int channel) __attribute__((noinline)) {
        Float8 y;
        for (int k = 0; k < 8; ++k) y[k] = curveLinearFast(channel, x[k]);
        return y;
    };
    auto curve8 = [&](Float8 x, int channel) __attribute__((always_inline)) {
        const Int8 bits = std::bit_cast<Int8>(x);
        const Int8 mag = bits & 0x7fffffff;
        if (!allLanesSet8((mag >= first) & (mag < end))) return outsideTable(x, channel);
        const Int8 offset = mag - first;
        alignas(32) int32_t idx[8];
        const Int8 entry =
            tableOffset_[static_cast<size_t>(channel)] + (offset >> kFracBits) + ((bits >> 31) & kSide);
        storeLanes(idx, entry);
        const Float8 f = __builtin_convertvector(offset & ((1 << kFracBits) - 1), Float8) * kFracScale;
        // Pixels 0, 1, 4, 5 and 2, 3, 6, 7, so the split into samples and steps stays within
        // each half of the vector.
        const Float8 p = joined(twoEntries(table, idx[0], idx[1]), twoEntries(table, idx[4], idx[5]));
        const Float8 q = joined(twoEntries(table, idx[2], idx[3]), twoEntries(table, idx[6], idx[7]));
        const Float8 sample = __builtin_shufflevector(p, q, 0, 2, 8, 10, 4, 6, 12, 14);
        const Float8 step = __builtin_shufflevector(p, q, 1, 3, 9, 11, 5, 7, 13, 15);
        return sample + f * step;
    };
    int i = 0;
    for (; i + 8 <= n; i += 8, in += 32, out += 32) {
        const Quad q0 = loadQuad(in), q1 = loadQuad(in + 16);
        if (!allLanesSet((q0.a == 1.0f) & (q1.a == 1.0f))) break;
        const Float8 r = joined(q0.r, q1.r), g = joined(q0.g, q1.g), b = joined(q0.b, q1.b);
        const Float8 sr = curve8(a[0] * r + a[1] * g + a[2] * b, 0);
        const Float8 sg = curve8(a[3] * r + a[4] * g + a[5] * b, 1);
        const Float8 sb = curve8(a[6] * r + a[7] * g + a[8] * b, 2);
        const Float8 orr = m[0] * sr + m[1] * sg + m[2] * sb;
        const Float8 og = m[3] * sr + m[4] * sg + m[5] * sb;
        const Float8 ob = m[6] * sr + m[7] * sg + m[8] * sb;
        storeQuad(out, {lowHalf(orr), lowHalf(og), lowHalf(ob), q0.a});
        storeQuad(out + 16, {highHalf(orr), highHalf(og), highHalf(ob), q1.a});
    }
    return i;
}

void ColorCurvesKernel::run(const float* in, float* out, int n) const {
    static_assert(kStepBits == 8, "kFracScale assumes 256 steps per octave");
    constexpr int kFracBits = 23 - kStepBits;
    const float* a = kToSrgb.m;
    const float* m = kToP3.m;
    // Matrix columns; the alpha lane stays 0 and is restored at the end.
    const Float4 a0{a[0], a[3], a[6], 0}, a1{a[1], a[4], a[7], 0}, a2{a[2], a[5], a[8], 0};
    const Float4 m0{m[0], m[3], m[6], 0}, m1{m[1], m[4], m[7], 0}, m2{m[2], m[5], m[8], 0};
    const Int4 first = Int4{1, 1, 1, 1} * static_cast<int32_t>(kFirstBits);
    const Int4 end = Int4{1, 1, 1, 1} * static_cast<int32_t>(kEndBits);
    const Int4 base{tableOffset_[0], tableOffset_[1], tableOffset_[2], 0};
    const float* table = linear_;
    int i = 0;
    while (i < n) {
        // Opaque runs eight at a time (alpha is kept, so they need no conversions); any
        // other pixel, and the last few, one at a time on straight colour.
        if (i + 8 <= n) {
            const int done = runOpaqueOctets(in, out, n - i);
            i += done;
            in += 4 * done;
            out += 4 * done;
        }
        for (const int next = std::min(n, i + 8); i < next; ++i, in += 4, out += 4) {
            const Float4 c = straightened(load4(in));
            const Float4 s = splat(c[0]) * a0 + splat(c[1]) * a1 + splat(c[2]) * a2;
            Int4 bits;
            std::memcpy(&bits, &s, sizeof bits);
            const Int4 mag = bits & 0x7fffffff;
            const Int4 inRange = (mag >= first) & (mag < end);
            Float4 y;
            if (colourLanesSet(inRange)) {
                // Index into the channel's table, on the negative side for negative values.
                const Int4 offset = mag - first;
                const Int4 idx = 2 * (base + (offset >> kFracBits) + ((bits >> 31) & kSide));
                const Float4 f = __builtin_convertvector(offset & ((1 << kFracBits) - 1), Float4) * kFracScale;
                const Float4 sample{table[idx[0]], table[idx[1]], table[idx[2]], 0};
                const Float4 step{table[idx[0] + 1], table[idx[1] + 1], table[idx[2] + 1], 0};
                y = sample + f * step;
            } else {
                y = Float4{curveLinearFast(0, s[0]), curveLinearFast(1, s[1]), curveLinearFast(2, s[2]), 0};
            }
            Float4 o = splat(y[0]) * m0 + splat(y[1]) * m1 + splat(y[2]) * m2;
            o[3] = c[3];
            store4(out, premultiplied(o));
        }
    }
}

}  // namespace vantrel::kernels
