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

float clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }  // NaN -> 0

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
    k.cells_ = std::make_shared<const std::vector<float>>(p.cubeData);
    k.n_ = n;
    k.scale_ = static_cast<float>(n - 1);
    return k;
}

namespace {

// Four floats as one SSE register; a cube cell (RGBA) is exactly one.
using Float4 = float __attribute__((vector_size(16)));
inline Float4 load4(const float* p) {
    Float4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

}  // namespace

// Trilinear look-up of one straight RGBA pixel in place.
inline void ColorCubeKernel::lookup(float* c) const {
    const float pr = clamp01(c[0]) * scale_, pg = clamp01(c[1]) * scale_, pb = clamp01(c[2]) * scale_;
    const int ir = std::min(static_cast<int>(pr), n_ - 2);
    const int ig = std::min(static_cast<int>(pg), n_ - 2);
    const int ib = std::min(static_cast<int>(pb), n_ - 2);
    const float fr = pr - static_cast<float>(ir), fg = pg - static_cast<float>(ig), fb = pb - static_cast<float>(ib);

    const ptrdiff_t sr = 4, sg = ptrdiff_t(n_) * 4, sb = ptrdiff_t(n_) * n_ * 4;
    const float* q = cells_->data() + ib * sb + ig * sg + ir * sr;
    const Float4 c000 = load4(q), c100 = load4(q + sr), c010 = load4(q + sg), c110 = load4(q + sg + sr);
    const Float4 c001 = load4(q + sb), c101 = load4(q + sb + sr), c011 = load4(q + sb + sg),
                 c111 = load4(q + sb + sg + sr);
    const Float4 c00 = c000 + fr * (c100 - c000);
    const Float4 c10 = c010 + fr * (c110 - c010);
    const Float4 c01 = c001 + fr * (c101 - c001);
    const Float4 c11 = c011 + fr * (c111 - c011);
    const Float4 c0 = c00 + fg * (c10 - c00);
    const Float4 c1 = c01 + fg * (c11 - c01);
    const Float4 out = c0 + fb * (c1 - c0);
    c[0] = out[0];
    c[1] = out[1];
    c[2] = out[2];
    c[3] *= out[3];
}

Rgba ColorCubeKernel::apply(Rgba c) const {
    float px[4] = {c.r, c.g, c.b, c.a};
    lookup(px);
    return {px[0], px[1], px[2], px[3]};
}

void ColorCubeKernel::operator()(float* px, int n) const {
    forEachUnpremultiplied(px, n, [this](float* c) { lookup(c); });
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
    k.sharedColumns_ = shared;

    auto tables = std::make_shared<std::array<LinearTable, 3>>();
    for (int ch = 0; ch < (shared ? 1 : 3); ++ch) {
        LinearTable& t = (*tables)[static_cast<size_t>(ch)];
        t.positive.resize(kSamples + 1);
        t.negative.resize(kSamples + 1);
        for (uint32_t i = 0; i <= kSamples; ++i) {
            const float x = std::bit_cast<float>(kFirstBits + (i << (23 - kStepBits)));
            t.positive[i] = k.curveLinear(ch, x);
            t.negative[i] = k.curveLinear(ch, -x);
        }
        t.atZero = k.curveLinear(ch, 0.0f);
    }
    k.linear_ = std::move(tables);
    return k;
}

float ColorCurvesKernel::curveLinear(int channel, float x) const {
    return static_cast<float>(color::decodeSRGB(curveEncoded(channel, static_cast<float>(color::encodeSRGB(x)))));
}

float ColorCurvesKernel::curveLinearFast(int channel, float x) const {
    constexpr int kFracBits = 23 - kStepBits;
    const LinearTable& t = (*linear_)[sharedColumns_ ? 0 : static_cast<size_t>(channel)];
    const uint32_t bits = std::bit_cast<uint32_t>(x);
    const uint32_t mag = bits & 0x7fffffffu;
    const float* side = (bits >> 31) ? t.negative.data() : t.positive.data();
    if (mag >= kFirstBits && mag < kEndBits) {
        const uint32_t offset = mag - kFirstBits;
        const uint32_t i = offset >> kFracBits;
        const float f = static_cast<float>(static_cast<int32_t>(offset & ((1u << kFracBits) - 1))) *
                        (1.0f / static_cast<float>(1u << kFracBits));
        return side[i] + f * (side[i + 1] - side[i]);
    }
    if (mag < kFirstBits) {
        // Tiny values: straight from the value at zero to the first sample.
        return t.atZero + (side[0] - t.atZero) * (std::fabs(x) * (1.0f / std::bit_cast<float>(kFirstBits)));
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

void ColorCurvesKernel::operator()(float* px, int n) const {
    const float* a = kToSrgb.m;
    const float* m = kToP3.m;
    forEachUnpremultiplied(px, n, [&](float* c) {
        const float r = a[0] * c[0] + a[1] * c[1] + a[2] * c[2];
        const float g = a[3] * c[0] + a[4] * c[1] + a[5] * c[2];
        const float b = a[6] * c[0] + a[7] * c[1] + a[8] * c[2];
        const float r2 = curveLinearFast(0, r), g2 = curveLinearFast(1, g), b2 = curveLinearFast(2, b);
        c[0] = m[0] * r2 + m[1] * g2 + m[2] * b2;
        c[1] = m[3] * r2 + m[4] * g2 + m[5] * b2;
        c[2] = m[6] * r2 + m[7] * g2 + m[8] * b2;
    });
}

}  // namespace vantrel::kernels
