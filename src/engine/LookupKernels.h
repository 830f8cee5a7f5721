#pragma once
// Per-pixel formulas of the look-up-table filters: a 3-D colour cube with
// trilinear interpolation and per-channel curves applied in sRGB encoding.
// Free of the image graph; kernels rewrite spans of premultiplied RGBA.
#include "engine/FilterMath.h"

#include <array>
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
    // side with finite entries.
    static std::optional<ColorCubeKernel> make(const ColorCubeParameters& p);

    Rgba apply(Rgba c) const;
    void operator()(float* px, int n) const;

private:
    ColorCubeKernel() = default;
    std::shared_ptr<const std::vector<float>> cells_;
    int n_ = 0;
    float scale_ = 0;  // N − 1
};

class ColorCurvesKernel {
public:
    // Empty unless there are at least two finite triplets and a finite,
    // increasing domain.
    static std::optional<ColorCurvesKernel> make(const ColorCurvesParameters& p);

    // The curve of `channel` (0 red, 1 green, 2 blue) at encoded value e.
    float curveEncoded(int channel, float e) const;
    // The same curve seen from linear sRGB: decode(curve(encode(x))).
    float curveLinear(int channel, float x) const;
    // The same through the fast transfer-curve tables (about 2e-6 relative error).
    float curveLinearFast(int channel, float x) const;

    Rgba apply(Rgba c) const;  // exact, unpremultiplied
    void operator()(float* px, int n) const;

private:
    ColorCurvesKernel() = default;

    std::shared_ptr<const std::vector<float>> data_;
    int n_ = 0;
    float d0_ = 0, d1_ = 1, toIndex_ = 1;
};

}  // namespace vantrel::kernels
