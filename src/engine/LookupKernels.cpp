#include "engine/LookupKernels.h"

#include "engine/ColorKernels.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

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

Rgba ColorCubeKernel::apply(Rgba c) const {
    const float pr = clamp01(c.r) * scale_, pg = clamp01(c.g) * scale_, pb = clamp01(c.b) * scale_;
    const int ir = std::min(static_cast<int>(pr), n_ - 2);
    const int ig = std::min(static_cast<int>(pg), n_ - 2);
    const int ib = std::min(static_cast<int>(pb), n_ - 2);
    const float fr = pr - static_cast<float>(ir), fg = pg - static_cast<float>(ig), fb = pb - static_cast<float>(ib);

    const size_t sr = 4, sg = static_cast<size_t>(n_) * 4, sb = static_cast<size_t>(n_) * n_ * 4;
    const float* base = cells_->data() + static_cast<size_t>(ib) * sb + static_cast<size_t>(ig) * sg +
                        static_cast<size_t>(ir) * sr;
    float out[4];
    for (int k = 0; k < 4; ++k) {
        const float* q = base + k;
        const float c00 = q[0] + fr * (q[sr] - q[0]);
        const float c10 = q[sg] + fr * (q[sg + sr] - q[sg]);
        const float c01 = q[sb] + fr * (q[sb + sr] - q[sb]);
        const float c11 = q[sb + sg] + fr * (q[sb + sg + sr] - q[sb + sg]);
        const float c0 = c00 + fg * (c10 - c00);
        const float c1 = c01 + fg * (c11 - c01);
        out[k] = c0 + fb * (c1 - c0);
    }
    return {out[0], out[1], out[2], c.a * out[3]};
}

void ColorCubeKernel::operator()(float* px, int n) const {
    forEachUnpremultiplied(px, n, [this](Rgba& c) { c = apply(c); });
}

// ---- Colour curves ----------------------------------------------------------------

std::optional<ColorCurvesKernel> ColorCurvesKernel::make(const ColorCurvesParameters& p) {
    const float d0 = p.curvesDomain[0], d1 = p.curvesDomain[1];
    if (!std::isfinite(d0) || !std::isfinite(d1) || !(d1 > d0)) return std::nullopt;
    if (p.curvesData.size() < 6 || p.curvesData.size() % 3 != 0 || !allFinite(p.curvesData)) return std::nullopt;

    ColorCurvesKernel k;
    k.data_ = std::make_shared<const std::vector<float>>(p.curvesData);
    k.n_ = static_cast<int>(p.curvesData.size() / 3);
    k.d0_ = d0;
    k.d1_ = d1;
    k.toIndex_ = static_cast<float>(k.n_ - 1) / (d1 - d0);

    return k;
}

float ColorCurvesKernel::curveEncoded(int channel, float e) const {
    const float* t = data_->data() + channel;
    if (e > d1_) return t[static_cast<size_t>(n_ - 1) * 3] + (e - d1_);
    if (e < d0_) return t[0] + (e - d0_);
    if (!(e == e)) return e;  // NaN stays NaN
    const float p = (e - d0_) * toIndex_;
    const int i = std::min(static_cast<int>(p), n_ - 2);
    const float f = p - static_cast<float>(i);
    const float lo = t[static_cast<size_t>(i) * 3], hi = t[static_cast<size_t>(i + 1) * 3];
    return lo + f * (hi - lo);
}

float ColorCurvesKernel::curveLinear(int channel, float x) const {
    return static_cast<float>(color::decodeSRGB(curveEncoded(channel, static_cast<float>(color::encodeSRGB(x)))));
}

float ColorCurvesKernel::curveLinearFast(int channel, float x) const {
    // The shared tables are exact to about 2e-6 up to 256; far out (or not finite)
    // take the exact curve.
    if (!(std::fabs(x) < 64.0f)) return curveLinear(channel, x);
    const float e = curveEncoded(channel, color::encodeSRGBFast(x));
    if (!(std::fabs(e) < 64.0f)) return static_cast<float>(color::decodeSRGB(e));
    return color::decodeSRGBFast(e);
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
    forEachUnpremultiplied(px, n, [&](Rgba& c) {
        const float r = a[0] * c.r + a[1] * c.g + a[2] * c.b;
        const float g = a[3] * c.r + a[4] * c.g + a[5] * c.b;
        const float b = a[6] * c.r + a[7] * c.g + a[8] * c.b;
        const float r2 = curveLinearFast(0, r), g2 = curveLinearFast(1, g), b2 = curveLinearFast(2, b);
        c.r = m[0] * r2 + m[1] * g2 + m[2] * b2;
        c.g = m[3] * r2 + m[4] * g2 + m[5] * b2;
        c.b = m[6] * r2 + m[7] * g2 + m[8] * b2;
    });
}

}  // namespace vantrel::kernels
