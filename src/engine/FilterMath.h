#pragma once
// Small numeric helpers shared by the pointwise filters: pixel records, 3×3 and
// 4×5 matrices, the sign-preserving sRGB transfer curve and the working-space
// constants. Everything here is inline and free of the image graph, so the
// filter formulas can be tested on plain values.
#include <algorithm>
#include <array>
#include <cmath>

namespace vantrel::kernels {

// One RGBA value. Filters in ColorKernels.h see it unpremultiplied; blends and
// generators see it premultiplied (each header says which).
struct Rgba {
    float r = 0, g = 0, b = 0, a = 0;
    friend bool operator==(const Rgba&, const Rgba&) = default;
};

// Row-major 3×3 matrix acting on column vectors.
struct Mat3 {
    std::array<double, 9> m{1, 0, 0, 0, 1, 0, 0, 0, 1};

    double operator()(int row, int col) const { return m[static_cast<size_t>(row * 3 + col)]; }
    double& operator()(int row, int col) { return m[static_cast<size_t>(row * 3 + col)]; }

    static Mat3 diagonal(double x, double y, double z) { return Mat3{{x, 0, 0, 0, y, 0, 0, 0, z}}; }

    friend Mat3 operator*(const Mat3& p, const Mat3& q) {
        Mat3 out;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                out(i, j) = p(i, 0) * q(0, j) + p(i, 1) * q(1, j) + p(i, 2) * q(2, j);
        return out;
    }

    std::array<double, 3> apply(const std::array<double, 3>& v) const {
        return {m[0] * v[0] + m[1] * v[1] + m[2] * v[2], m[3] * v[0] + m[4] * v[1] + m[5] * v[2],
                m[6] * v[0] + m[7] * v[1] + m[8] * v[2]};
    }

    Mat3 inverse() const {
        const Mat3& a = *this;
        const double c00 = a(1, 1) * a(2, 2) - a(1, 2) * a(2, 1);
        const double c01 = a(1, 2) * a(2, 0) - a(1, 0) * a(2, 2);
        const double c02 = a(1, 0) * a(2, 1) - a(1, 1) * a(2, 0);
        const double det = a(0, 0) * c00 + a(0, 1) * c01 + a(0, 2) * c02;
        const double s = 1.0 / det;
        Mat3 out;
        out(0, 0) = c00 * s;
        out(0, 1) = (a(0, 2) * a(2, 1) - a(0, 1) * a(2, 2)) * s;
        out(0, 2) = (a(0, 1) * a(1, 2) - a(0, 2) * a(1, 1)) * s;
        out(1, 0) = c01 * s;
        out(1, 1) = (a(0, 0) * a(2, 2) - a(0, 2) * a(2, 0)) * s;
        out(1, 2) = (a(0, 2) * a(1, 0) - a(0, 0) * a(1, 2)) * s;
        out(2, 0) = c02 * s;
        out(2, 1) = (a(0, 1) * a(2, 0) - a(0, 0) * a(2, 1)) * s;
        out(2, 2) = (a(0, 0) * a(1, 1) - a(0, 1) * a(1, 0)) * s;
        return out;
    }
};

// Linear Display P3 <-> XYZ (D65) and linear sRGB <-> linear Display P3.
inline constexpr Mat3 kP3ToXyz{{0.4865709, 0.2656677, 0.1982173, 0.2289746, 0.6917385, 0.0792869, 0.0,
                                0.0451134, 1.0439444}};
inline constexpr Mat3 kSrgbToP3{{0.8224620, 0.1775380, 0.0, 0.0331942, 0.9668058, 0.0, 0.0170826,
                                 0.0723974, 0.9105199}};
inline constexpr Mat3 kP3ToSrgb{{1.2249402, -0.2249402, 0.0, -0.0420570, 1.0420570, 0.0, -0.0196376,
                                 -0.0786360, 1.0982736}};

// Rec. 709 luminance weights, the ones the pipeline's own matrices use.
inline constexpr float kYr = 0.2126f, kYg = 0.7152f, kYb = 0.0722f;
inline float luminance(float r, float g, float b) { return kYr * r + kYg * g + kYb * b; }

// sRGB transfer curve, mirrored through zero so extended values survive.
inline float encodeSrgb(float x) {
    const float v = std::fabs(x);
    const float e = v <= 0.0031308f ? 12.92f * v : 1.055f * std::pow(v, 1.0f / 2.4f) - 0.055f;
    return std::copysign(e, x);
}
inline float decodeSrgb(float x) {
    const float v = std::fabs(x);
    const float d = v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
    return std::copysign(d, x);
}
inline double encodeSrgb(double x) {
    const double v = std::fabs(x);
    const double e = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
    return std::copysign(e, x);
}
inline double decodeSrgb(double x) {
    const double v = std::fabs(x);
    const double d = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    return std::copysign(d, x);
}
// Fast forms for per-pixel loops (stand-ins until the shared tables exist).
inline float encodeSrgbFast(float x) { return encodeSrgb(x); }
inline float decodeSrgbFast(float x) { return decodeSrgb(x); }

// A colour argument is given as unpremultiplied, sRGB-encoded components. Its
// working value is linear Display P3, still unpremultiplied.
inline Rgba workingFromSrgbColor(double r, double g, double b, double a) {
    const auto lin = kSrgbToP3.apply({decodeSrgb(r), decodeSrgb(g), decodeSrgb(b)});
    return {static_cast<float>(lin[0]), static_cast<float>(lin[1]), static_cast<float>(lin[2]),
            static_cast<float>(a)};
}

inline Rgba premultiplied(Rgba c) { return {c.r * c.a, c.g * c.a, c.b * c.a, c.a}; }

// Colour filters work on unpremultiplied colour; fully transparent pixels have none.
inline Rgba unpremultiplied(Rgba p) {
    if (p.a == 1.0f) return p;
    if (!(p.a > 1e-6f)) return {0, 0, 0, p.a};
    const float inv = 1.0f / p.a;
    return {p.r * inv, p.g * inv, p.b * inv, p.a};
}

}  // namespace vantrel::kernels
