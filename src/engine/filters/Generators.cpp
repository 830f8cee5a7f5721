#include "engine/filters/Generators.h"

#include <cmath>

namespace vantrel {
namespace {

kernels::Rgba rgba(const WorkingColor& c) { return {c.r, c.g, c.b, c.a}; }

template <class Ramp>
Image rampImage(Ramp ramp) {
    return Image::generator([ramp](const RowSpan& s, float* out) {
        kernels::rampRow(ramp, out, s.count, double(s.x) + 0.5, double(s.y) + 0.5);
    });
}

bool finite(std::initializer_list<double> values) {
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

}  // namespace

Image randomNoise() {
    return Image::generator([](const RowSpan& s, float* out) {
        kernels::RandomNoise::row(out, s.count, static_cast<int32_t>(s.x), static_cast<int32_t>(s.y));
    });
}

Image linearGradient(const LinearGradientParameters& p) {
    if (!finite({p.point0x, p.point0y, p.point1x, p.point1y})) return Image::constant(p.color0);
    return rampImage(kernels::LinearRamp(p.point0x, p.point0y, p.point1x, p.point1y, rgba(p.color0), rgba(p.color1)));
}

Image radialGradient(const RadialGradientParameters& p) {
    if (!finite({p.centerX, p.centerY, p.radius0, p.radius1, p.ellipseScaleX, p.ellipseScaleY}) ||
        p.ellipseScaleX == 0 || p.ellipseScaleY == 0)
        return Image::constant(p.color1);
    kernels::RadialRamp ramp{p.centerX, p.centerY, p.radius0, p.radius1, 1.0 / std::fabs(p.ellipseScaleX),
                             1.0 / std::fabs(p.ellipseScaleY), rgba(p.color0), rgba(p.color1)};
    return rampImage(ramp);
}

Image colorImage(double r, double g, double b, double a) {
    return Image::constant(color::workingFromSRGB(r, g, b, a));
}

}  // namespace vantrel
