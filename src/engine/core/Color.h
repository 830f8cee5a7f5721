#pragma once
// Colour arithmetic of the working space (extended linear Display P3, D65): matrices between
// linear Display P3, linear sRGB and CIE XYZ; the sign-mirrored sRGB transfer curve (which
// Display P3 shares) in an exact and a fast form; quantisation to 8 and 16 bits.
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace vantrel {

// A premultiplied working-space colour (linear Display P3, unbounded).
struct WorkingColor {
    float r = 0, g = 0, b = 0, a = 0;
    friend bool operator==(const WorkingColor&, const WorkingColor&) = default;
};

// Where rendered pixels go: encoded Display P3, encoded sRGB, or the raw working values.
enum class OutputSpace { displayP3, sRGB, linearWorking };

namespace color {

// Row-major 3×3 matrix acting on column vectors.
struct Matrix3 {
    std::array<double, 9> m{1, 0, 0, 0, 1, 0, 0, 0, 1};

    double operator()(int r, int c) const { return m[std::size_t(r * 3 + c)]; }
    std::array<double, 3> apply(double x, double y, double z) const {
        return {m[0] * x + m[1] * y + m[2] * z, m[3] * x + m[4] * y + m[5] * z, m[6] * x + m[7] * y + m[8] * z};
    }
    Matrix3 inverted() const;
    bool isIdentity(double tolerance = 1e-12) const;
    friend Matrix3 operator*(const Matrix3& p, const Matrix3& q);
};

Matrix3 linearP3ToXYZ();
Matrix3 xyzToLinearP3();
Matrix3 linearSRGBToXYZ();
Matrix3 xyzToLinearSRGB();
Matrix3 linearSRGBToLinearP3();
Matrix3 linearP3ToLinearSRGB();
// Bradford adaptation of XYZ from the ICC connection white (D50) to D65.
Matrix3 bradfordD50ToD65();

// The sRGB transfer curve, mirrored through the origin for negative values (exact, double).
double encodeSRGB(double linear);
double decodeSRGB(double encoded);

// A fast table of a function of one float, sampled 256 times per octave of |x| between
// 2^minExp and 2^maxExp and interpolated linearly; below 2^minExp it interpolates between
// f(0) and f(±2^minExp), above 2^maxExp it extrapolates the last segment. With `odd` it
// evaluates sign(x)·f(|x|) from one table; otherwise negative inputs have a table of their
// own. For power-law curves the relative error is below 1e-5 (2.4 power) and 5e-7 (1/2.4 power). The
// tables are small (a few kB) so they stay in the first-level cache inside row loops. Build
// tables once (outside kernels) and capture them by pointer or shared_ptr.
class CurveTable {
public:
    CurveTable() = default;
    CurveTable(const std::function<double(double)>& f, bool odd, int minExp = -14, int maxExp = 8);

    float operator()(float x) const noexcept {
        const std::uint32_t raw = std::bit_cast<std::uint32_t>(x);
        const std::uint32_t sign = raw >> 31;
        const std::uint32_t bits = (raw & 0x7fffffffu) - baseBits_;  // wraps below the table
        const std::uint32_t i = bits >> kFracBits;
        if (i >= last_) [[unlikely]]
            return outside(x);
        const float frac = float(bits & kFracMask) * (1.0f / float(1u << kFracBits));
        const float* t = table_.data() + sign * negOffset_;
        const float y = t[i] + frac * (t[i + 1] - t[i]);
        return std::bit_cast<float>(std::bit_cast<std::uint32_t>(y) ^ ((sign << 31) & oddMask_));
    }
    bool isValid() const { return !table_.empty(); }

private:
    static constexpr int kSegmentsLog2 = 8;
    static constexpr int kFracBits = 23 - kSegmentsLog2;
    static constexpr std::uint32_t kFracMask = (1u << kFracBits) - 1;
    struct Ends {
        float y0 = 0, lowSlope = 0, topValue = 0, topSlope = 0;
    };
    // Below 2^minExp, above 2^maxExp, infinities and NaN (which gives 0).
    float outside(float x) const noexcept;
    Ends build(const std::function<double(double)>& f, double sign, float* table) const;

    std::vector<float> table_;  // positive half, then the negative half when not odd
    Ends pos_, neg_;
    std::uint32_t baseBits_ = 0, last_ = 0, negOffset_ = 0, oddMask_ = 0;
    float lowest_ = 0, topX_ = 0;
    bool odd_ = true;
};

// Shared fast forms of the sRGB curve (linear -> encoded, encoded -> linear), sign-mirrored.
// Inline, so a kernel that asks for a table per pixel pays a guard check, not a call.
inline const CurveTable& srgbEncodeTable() {
    static const CurveTable t([](double v) { return encodeSRGB(v); }, true, -9, 8);
    return t;
}
inline const CurveTable& srgbDecodeTable() {
    static const CurveTable t([](double v) { return decodeSRGB(v); }, true, -5, 8);
    return t;
}
inline float encodeSRGBFast(float linear) { return srgbEncodeTable()(linear); }
inline float decodeSRGBFast(float encoded) { return srgbDecodeTable()(encoded); }

// Quantisation of an encoded value: NaN -> 0, below 0 (and -inf) -> 0, above 1 (and +inf) ->
// the top code, otherwise rounded to nearest.
inline std::uint8_t toUnit8(float v) noexcept {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return std::uint8_t(v * 255.0f + 0.5f);
}
inline std::uint16_t toUnit16(float v) noexcept {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 65535;
    return std::uint16_t(v * 65535.0f + 0.5f);
}

// A colour given as sRGB-encoded, unpremultiplied components (the way colour arguments are
// written) as a premultiplied working value: decode, sRGB -> P3 primaries, premultiply.
WorkingColor workingFromSRGB(double r, double g, double b, double a = 1.0);
// The opposite: premultiplied working value -> unpremultiplied encoded sRGB (no clamping).
std::array<double, 4> srgbFromWorking(const WorkingColor& c);

}  // namespace color
}  // namespace vantrel
