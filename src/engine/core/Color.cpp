#include "engine/core/Color.h"

#include <algorithm>

namespace vantrel::color {

Matrix3 operator*(const Matrix3& p, const Matrix3& q) {
    Matrix3 out;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            out.m[std::size_t(i * 3 + j)] = p(i, 0) * q(0, j) + p(i, 1) * q(1, j) + p(i, 2) * q(2, j);
    return out;
}

Matrix3 Matrix3::inverted() const {
    const auto& a = m;
    const double c00 = a[4] * a[8] - a[5] * a[7], c01 = a[5] * a[6] - a[3] * a[8], c02 = a[3] * a[7] - a[4] * a[6];
    const double det = a[0] * c00 + a[1] * c01 + a[2] * c02;
    if (det == 0) return {};
    const double k = 1.0 / det;
    return {{c00 * k, (a[2] * a[7] - a[1] * a[8]) * k, (a[1] * a[5] - a[2] * a[4]) * k,
             c01 * k, (a[0] * a[8] - a[2] * a[6]) * k, (a[2] * a[3] - a[0] * a[5]) * k,
             c02 * k, (a[1] * a[6] - a[0] * a[7]) * k, (a[0] * a[4] - a[1] * a[3]) * k}};
}

bool Matrix3::isIdentity(double tolerance) const {
    for (int i = 0; i < 9; ++i)
        if (std::fabs(m[std::size_t(i)] - ((i % 4 == 0) ? 1.0 : 0.0)) > tolerance) return false;
    return true;
}

namespace {

// RGB -> XYZ of a space given by its primaries' and white's chromaticities.
Matrix3 rgbToXYZ(double rx, double ry, double gx, double gy, double bx, double by, double wx, double wy) {
    auto col = [](double x, double y) { return std::array<double, 3>{x / y, 1.0, (1 - x - y) / y}; };
    const auto r = col(rx, ry), g = col(gx, gy), b = col(bx, by), w = col(wx, wy);
    const Matrix3 p{{r[0], g[0], b[0], r[1], g[1], b[1], r[2], g[2], b[2]}};
    const auto s = p.inverted().apply(w[0], w[1], w[2]);
    Matrix3 out = p;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) out.m[std::size_t(i * 3 + j)] *= s[std::size_t(j)];
    return out;
}

constexpr double kD65x = 0.3127, kD65y = 0.3290;

}  // namespace

Matrix3 linearP3ToXYZ() {
    static const Matrix3 m = rgbToXYZ(0.680, 0.320, 0.265, 0.690, 0.150, 0.060, kD65x, kD65y);
    return m;
}
Matrix3 xyzToLinearP3() { return linearP3ToXYZ().inverted(); }
Matrix3 linearSRGBToXYZ() {
    static const Matrix3 m = rgbToXYZ(0.64, 0.33, 0.30, 0.60, 0.15, 0.06, kD65x, kD65y);
    return m;
}
Matrix3 xyzToLinearSRGB() { return linearSRGBToXYZ().inverted(); }
Matrix3 linearSRGBToLinearP3() { return xyzToLinearP3() * linearSRGBToXYZ(); }
Matrix3 linearP3ToLinearSRGB() { return xyzToLinearSRGB() * linearP3ToXYZ(); }

Matrix3 bradfordD50ToD65() {
    const Matrix3 bradford{{0.8951, 0.2664, -0.1614, -0.7502, 1.7135, 0.0367, 0.0389, -0.0685, 1.0296}};
    const double d50[3] = {0.9642, 1.0, 0.8249};
    const double d65[3] = {kD65x / kD65y, 1.0, (1 - kD65x - kD65y) / kD65y};
    const auto s = bradford.apply(d50[0], d50[1], d50[2]);
    const auto t = bradford.apply(d65[0], d65[1], d65[2]);
    const Matrix3 scale{{t[0] / s[0], 0, 0, 0, t[1] / s[1], 0, 0, 0, t[2] / s[2]}};
    return bradford.inverted() * scale * bradford;
}

double encodeSRGB(double x) {
    const double v = std::fabs(x);
    const double e = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
    return x < 0 ? -e : e;
}

double decodeSRGB(double x) {
    const double v = std::fabs(x);
    const double l = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    return x < 0 ? -l : l;
}

CurveTable::CurveTable(const std::function<double(double)>& f, bool odd, int minExp, int maxExp) : odd_(odd) {
    minExp = std::clamp(minExp, -126, 126);
    maxExp = std::clamp(maxExp, minExp + 1, 127);
    lowest_ = std::ldexp(1.0f, minExp);
    baseBits_ = std::bit_cast<std::uint32_t>(lowest_);
    last_ = std::uint32_t(maxExp - minExp) << kSegmentsLog2;
    topX_ = std::bit_cast<float>(baseBits_ + (last_ << kFracBits));
    oddMask_ = odd ? 0x80000000u : 0u;
    negOffset_ = odd ? 0 : last_ + 1;
    table_.resize(odd ? last_ + 1 : 2 * (last_ + 1));
    pos_ = build(f, 1.0, table_.data());
    neg_ = odd ? pos_ : build(f, -1.0, table_.data() + negOffset_);
}

CurveTable::Ends CurveTable::build(const std::function<double(double)>& f, double sign, float* t) const {
    for (std::uint32_t i = 0; i <= last_; ++i) {
        const float x = std::bit_cast<float>(baseBits_ + (i << kFracBits));
        t[i] = float(f(sign * double(x)));
    }
    Ends e;
    e.y0 = float(f(0.0));
    e.lowSlope = (t[0] - e.y0) / lowest_;
    const float prevX = std::bit_cast<float>(baseBits_ + ((last_ - 1) << kFracBits));
    e.topValue = t[last_];
    e.topSlope = (t[last_] - t[last_ - 1]) / (topX_ - prevX);
    return e;
}

float CurveTable::outside(float x) const noexcept {
    if (x != x || table_.empty()) return 0.0f;
    const bool negative = std::signbit(x);
    const Ends& e = (negative && !odd_) ? neg_ : pos_;
    const float ax = std::fabs(x);
    float y;
    if (ax < lowest_) y = e.y0 + ax * e.lowSlope;
    else y = e.topValue + (ax - topX_) * e.topSlope;
    return (odd_ && negative) ? -y : y;
}

WorkingColor workingFromSRGB(double r, double g, double b, double a) {
    const auto lin = linearSRGBToLinearP3().apply(decodeSRGB(r), decodeSRGB(g), decodeSRGB(b));
    return {float(lin[0] * a), float(lin[1] * a), float(lin[2] * a), float(a)};
}

std::array<double, 4> srgbFromWorking(const WorkingColor& c) {
    const double inv = c.a > 1e-6f ? 1.0 / c.a : 0.0;
    const auto lin = linearP3ToLinearSRGB().apply(c.r * inv, c.g * inv, c.b * inv);
    return {encodeSRGB(lin[0]), encodeSRGB(lin[1]), encodeSRGB(lin[2]), double(c.a)};
}

}  // namespace vantrel::color
