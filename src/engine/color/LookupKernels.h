#pragma once
// Per-pixel formulas of the look-up-table filters: a 3-D colour cube with
// trilinear interpolation and per-channel curves applied in sRGB encoding.
// Free of the image graph; kernels rewrite spans of premultiplied RGBA.
#include "engine/core/FilterMath.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace vantrel {

// A colour cube: dimension N and N³ RGBA cells, red index fastest, then green,
// then blue.
struct ColorCubeParameters {
    int cubeDimension = 2;
    std::vector<float> cubeData;  // N·N·N·4 floats
};

// The identity cube of dimension n (each cell holds its own lattice colour).
ColorCubeParameters identityColorCube(int n);

// Per-channel curves: `curvesData` holds N triplets (red, green, blue) sampled
// evenly over `curvesDomain`. The curves act on sRGB-encoded values; outside
// the domain they continue with slope 1 from the end entries, so extended and
// wide-gamut values pass through a straight-line curve unchanged.
struct ColorCurvesParameters {
    std::vector<float> curvesData;
    std::array<float, 2> curvesDomain{0, 1};
};

}  // namespace vantrel

namespace vantrel::kernels {

// Trilinear look-up of linear working values, clamped to [0, 1] first. The
// output alpha is the input alpha times the looked-up alpha.
class ColorCubeKernel {
public:
    // Empty when the parameters do not describe a cube of 2 to 128 cells per
    // side with finite entries. The table is taken over, not copied, when passed as a temporary.
    static std::optional<ColorCubeKernel> make(ColorCubeParameters p);

    Rgba apply(Rgba c) const;
    void run(const float* in, float* out, int n) const;
    void operator()(float* px, int n) const { run(px, px, n); }

private:
    ColorCubeKernel() = default;
    std::shared_ptr<const std::vector<float>> storage_;
    const float* cells_ = nullptr;
    int n_ = 0;
    float scale_ = 0;           // N − 1
    bool opaqueCells_ = false;  // every cell's alpha is 1
};

class ColorCurvesKernel {
public:
    // Empty unless there are at least two finite triplets and a finite,
    // increasing domain.
    static std::optional<ColorCurvesKernel> make(const ColorCurvesParameters& p);

    // The curve of `channel` (0 red, 1 green, 2 blue) at encoded value e.
    float curveEncoded(int channel, float e) const {
        const float* t = table_ + channel;
        if (e > d1_) return t[last_ * 3] + (e - d1_);
        if (e < d0_) return t[0] + (e - d0_);
        if (!(e == e)) return e;  // NaN stays NaN
        const float p = (e - d0_) * toIndex_;
        const int i = std::min(static_cast<int>(p), last_ - 1);
        const float f = p - static_cast<float>(i);
        const float lo = t[i * 3], hi = t[i * 3 + 3];
        return lo + f * (hi - lo);
    }
    // The same curve seen from linear sRGB: decode(curve(encode(x))).
    float curveLinear(int channel, float x) const;
    // The same from a table sampled 256 times per octave of linear values,
    // which the per-pixel path uses (about 1e-5 relative error on smooth curves).
    float curveLinearFast(int channel, float x) const;

    Rgba apply(Rgba c) const;  // exact, unpremultiplied
    void run(const float* in, float* out, int n) const;
    void operator()(float* px, int n) const { run(px, px, n); }

private:
    ColorCurvesKernel() = default;
    int runOpaqueOctets(const float* in, float* out, int n) const;

    // curveLinear sampled at floats spaced evenly within each octave from
    // 2^kMinExp to 2^kMaxExp, for both signs; straight to the value at zero below.
    static constexpr int kMinExp = -14, kMaxExp = 6, kStepBits = 8;
    static constexpr int kSamples = (kMaxExp - kMinExp) << kStepBits;
    static constexpr uint32_t kFirstBits = static_cast<uint32_t>(127 + kMinExp) << 23;
    static constexpr uint32_t kEndBits = static_cast<uint32_t>(127 + kMaxExp) << 23;
    static constexpr int kSide = kSamples + 1;      // entries per sign
    static constexpr int kTableSize = 2 * kSide;    // positive side, then negative

    std::shared_ptr<const std::vector<float>> data_;
    const float* table_ = nullptr;  // data_'s triplets
    int last_ = 1;                  // index of the last triplet
    float d0_ = 0, d1_ = 1, toIndex_ = 1;
    // One table per channel (just one when all three columns are equal), each sample
    // stored with the step to the next so that one 8-byte load serves a look-up.
    std::shared_ptr<const std::vector<float>> linearStorage_;
    const float* linear_ = nullptr;
    std::array<int, 3> tableOffset_{0, 0, 0};
    std::array<float, 3> atZero_{0, 0, 0};
};

}  // namespace vantrel::kernels
