#include "engine/LookupKernels.h"

#include "engine/ColorKernels.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

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
    return std::all_of(v.begin(), v.end(), [](float x) { return std::isfinite(x); });
}

// Linear P3 <-> linear sRGB in single precision for the per-pixel path.
const Matrix3f kToSrgb{color::linearP3ToLinearSRGB()};
const Matrix3f kToP3{color::linearSRGBToLinearP3()};

}  // namespace

// ---- Colour cube ----------------------------------------------------------------

std::optional<ColorCubeKernel> ColorCubeKernel::make(const ColorCubeParameters& p) {
    const int n = p.cubeDimension;
    if (n < 2 || n > 128) return std::nullopt;
    if (p.cubeData.size() != static_cast<size_t>(n) * n * n * 4 || !allFinite(p.cubeData)) return std::nullopt;
    ColorCubeKernel k;
    k.storage_ = std::make_shared<const std::vector<float>>(p.cubeData);
    k.cells_ = k.storage_->data();
    k.n_ = n;
    k.scale_ = static_cast<float>(n - 1);
    k.opaqueCells_ = true;
    for (size_t i = 3; i < p.cubeData.size(); i += 4) k.opaqueCells_ &= p.cubeData[i] == 1.0f;
    return k;
}

namespace {

// The eight cells from `q` (red step 4 floats, green step sg, blue step sb)
// mixed with weights fr, fg, fb.
inline Float4 blendCells(const float* q, ptrdiff_t sg, ptrdiff_t sb, float wr, float wg, float wb) {
    const Float4 fr = splat(wr), fg = splat(wg), fb = splat(wb);
    const Float4 c000 = load4(q), c100 = load4(q + 4), c010 = load4(q + sg), c110 = load4(q + sg + 4);
    const Float4 c001 = load4(q + sb), c101 = load4(q + sb + 4), c011 = load4(q + sb + sg),
                 c111 = load4(q + sb + sg + 4);
    const Float4 c00 = c000 + fr * (c100 - c000);
    const Float4 c10 = c010 + fr * (c110 - c010);
    const Float4 c01 = c001 + fr * (c101 - c001);
    const Float4 c11 = c011 + fr * (c111 - c011);
    const Float4 c0 = c00 + fg * (c10 - c00);
    const Float4 c1 = c01 + fg * (c11 - c01);
    return c0 + fb * (c1 - c0);
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

}  // namespace

Rgba ColorCubeKernel::apply(Rgba c) const {
    const Float4 out = trilinear(cells_, n_, scale_, Float4{c.r, c.g, c.b, c.a});
    return {out[0], out[1], out[2], out[3]};
}

void ColorCubeKernel::run(const float* in, float* out, int n) const {
    const float* cells = cells_;
    const int side = n_;
    const float scale = scale_;
    if (opaqueCells_ && isOpaque(in, n)) {
        // Opaque in, opaque out: cell indices and weights for four pixels at a time.
        const Float4 zero{}, one = splat(1.0f), top = splat(static_cast<float>(side - 2));
        const int32_t sg = side * 4, sb = side * side * 4;
        int i = 0;
        for (; i + 4 <= n; i += 4, in += 16, out += 16) {
            const Quad q = loadQuad(in);
            const Float4 pr = minOf(maxOf(q.r, zero), one) * scale;  // NaN -> 0
            const Float4 pg = minOf(maxOf(q.g, zero), one) * scale;
            const Float4 pb = minOf(maxOf(q.b, zero), one) * scale;
            const Int4 ir = __builtin_convertvector(minOf(pr, top), Int4);
            const Int4 ig = __builtin_convertvector(minOf(pg, top), Int4);
            const Int4 ib = __builtin_convertvector(minOf(pb, top), Int4);
            const Float4 fr = pr - __builtin_convertvector(ir, Float4);
            const Float4 fg = pg - __builtin_convertvector(ig, Float4);
            const Float4 fb = pb - __builtin_convertvector(ib, Float4);
            const Int4 offset = ir * 4 + ig * sg + ib * sb;
            for (int k = 0; k < 4; ++k)
                store4(out + 4 * k, blendCells(cells + offset[k], sg, sb, fr[k], fg[k], fb[k]));
        }
        for (; i < n; ++i, in += 4, out += 4) store4(out, trilinear(cells, side, scale, load4(in)));
        return;
    }
    for (int i = 0; i < n; ++i, in += 4, out += 4)
        store4(out, premultiplied(trilinear(cells, side, scale, straightened(load4(in)))));
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
    auto linear = std::make_shared<std::vector<float>>(static_cast<size_t>(tables) * kTableSize);
    for (int ch = 0; ch < tables; ++ch) {
        float* t = linear->data() + ch * kTableSize;
        for (uint32_t i = 0; i < kSide; ++i) {
            const float x = std::bit_cast<float>(kFirstBits + (i << (23 - kStepBits)));
            t[i] = k.curveLinear(ch, x);
            t[kSide + i] = k.curveLinear(ch, -x);
        }
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
    const float* t = linear_ + tableOffset_[static_cast<size_t>(channel)];
    const uint32_t bits = std::bit_cast<uint32_t>(x);
    const uint32_t mag = bits & 0x7fffffffu;
    const float* side = (bits >> 31) ? t + kSide : t;
    if (mag >= kFirstBits && mag < kEndBits) {
        const uint32_t offset = mag - kFirstBits;
        const uint32_t i = offset >> kFracBits;
        const float f = static_cast<float>(static_cast<int32_t>(offset & ((1u << kFracBits) - 1))) * kFracScale;
        return side[i] + f * (side[i + 1] - side[i]);
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

// Opaque rows, four pixels at a time with one vector per channel: the matrices
// and the table arithmetic then serve four pixels per instruction.
int ColorCurvesKernel::runOpaqueQuads(const float* in, float* out, int n) const {
    constexpr int kFracBits = 23 - kStepBits;
    const float* a = kToSrgb.m;
    const float* m = kToP3.m;
    const float* table = linear_;
    const Int4 first = Int4{1, 1, 1, 1} * static_cast<int32_t>(kFirstBits);
    const Int4 end = Int4{1, 1, 1, 1} * static_cast<int32_t>(kEndBits);
    // The curve of one channel for four linear values.
    auto outsideTable = [this](Float4 x, int channel) __attribute__((noinline)) {
        return Float4{curveLinearFast(channel, x[0]), curveLinearFast(channel, x[1]), curveLinearFast(channel, x[2]),
                      curveLinearFast(channel, x[3])};
    };
    auto curve4 = [&](Float4 x, int channel) __attribute__((always_inline)) {
        Int4 bits;
        std::memcpy(&bits, &x, sizeof bits);
        const Int4 mag = bits & 0x7fffffff;
        if (!allLanesSet((mag >= first) & (mag < end))) return outsideTable(x, channel);
        const Int4 offset = mag - first;
        const Int4 idx = tableOffset_[static_cast<size_t>(channel)] + (offset >> kFracBits) + ((bits >> 31) & kSide);
        const Float4 f = __builtin_convertvector(offset & ((1 << kFracBits) - 1), Float4) * kFracScale;
        const Float4 lo{table[idx[0]], table[idx[1]], table[idx[2]], table[idx[3]]};
        const Float4 hi{table[idx[0] + 1], table[idx[1] + 1], table[idx[2] + 1], table[idx[3] + 1]};
        return lo + f * (hi - lo);
    };
    int i = 0;
    for (; i + 4 <= n; i += 4, in += 16, out += 16) {
        const Quad q = loadQuad(in);
        const Float4 r = q.r, g = q.g, b = q.b;
        const Float4 sr = curve4(a[0] * r + a[1] * g + a[2] * b, 0);
        const Float4 sg = curve4(a[3] * r + a[4] * g + a[5] * b, 1);
        const Float4 sb = curve4(a[6] * r + a[7] * g + a[8] * b, 2);
        storeQuad(out, {m[0] * sr + m[1] * sg + m[2] * sb, m[3] * sr + m[4] * sg + m[5] * sb,
                        m[6] * sr + m[7] * sg + m[8] * sb, q.a});
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
    const bool opaque = isOpaque(in, n);  // alpha is kept, so opaque rows need no conversions
    int i = 0;
    if (opaque) {
        i = runOpaqueQuads(in, out, n);
        in += 4 * i;
        out += 4 * i;
    }
    for (; i < n; ++i, in += 4, out += 4) {
        const Float4 c = opaque ? load4(in) : straightened(load4(in));
        const Float4 s = splat(c[0]) * a0 + splat(c[1]) * a1 + splat(c[2]) * a2;
        Int4 bits;
        std::memcpy(&bits, &s, sizeof bits);
        const Int4 mag = bits & 0x7fffffff;
        const Int4 inRange = (mag >= first) & (mag < end);
        Float4 y;
        if (colourLanesSet(inRange)) {
            // Index into the channel's table, on the negative side for negative values.
            const Int4 offset = mag - first;
            const Int4 idx = base + (offset >> kFracBits) + ((bits >> 31) & kSide);
            const Float4 f = __builtin_convertvector(offset & ((1 << kFracBits) - 1), Float4) * kFracScale;
            const Float4 lo{table[idx[0]], table[idx[1]], table[idx[2]], 0};
            const Float4 hi{table[idx[0] + 1], table[idx[1] + 1], table[idx[2] + 1], 0};
            y = lo + f * (hi - lo);
        } else {
            y = Float4{curveLinearFast(0, s[0]), curveLinearFast(1, s[1]), curveLinearFast(2, s[2]), 0};
        }
        Float4 o = splat(y[0]) * m0 + splat(y[1]) * m1 + splat(y[2]) * m2;
        o[3] = c[3];
        store4(out, opaque ? o : premultiplied(o));
    }
}

}  // namespace vantrel::kernels
