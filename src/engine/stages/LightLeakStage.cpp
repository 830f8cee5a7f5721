#include "engine/stages/LightLeakStage.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "engine/core/FilterMath.h"
#include "engine/filters/BlendKernels.h"

namespace vantrel {

namespace {

struct Point2 {
    double x, y;
};

// A leak's gradient, in coordinates relative to the frame's bottom-left corner: colour 0 at the
// start (within radius 0 of the centre, or at point 0), colour 1 beyond the end (radius 1, or
// point 1), linear in between.
struct LeakRamp {
    bool radial = true;
    Point2 p0{}, p1{};      // centre (radial) or start and end (linear)
    double r0 = 0, r1 = 0;  // radial
    WorkingColor c0, c1;    // premultiplied
};

std::optional<LeakRamp> leakRamp(const Rect& e, LightLeakStyle style, double intensity, LightLeakPosition position) {
    const double w = double(e.width), h = double(e.height);
    const double i = std::clamp(intensity, 0.0, 1.0);
    const auto at = [&](double fx, double fy) { return Point2{fx * w, fy * h}; };
    using P = LightLeakPosition;
    const auto radial = [](Point2 c, double r0, double r1, WorkingColor c0) {
        return LeakRamp{true, c, {}, r0, r1, c0, {}};
    };
    const auto linear = [](Point2 p0, Point2 p1, WorkingColor c0, WorkingColor c1) {
        return LeakRamp{false, p0, p1, 0, 0, c0, c1};
    };
    switch (style) {
        case LightLeakStyle::warmCorner: {
            const Point2 c = position == P::left    ? at(0, 1)
                             : position == P::right ? at(1, 1)
                             : position == P::top   ? at(0.5, 1)
                                                    : at(0, 0);
            return radial(c, 10, std::max(w, h) * 0.65, color::workingFromSRGB(1.0, 0.45, 0.1, i * 0.9));
        }
        case LightLeakStyle::sideStreak: {
            const WorkingColor c0 = color::workingFromSRGB(1.0, 0.38, 0.08, i * 0.85);
            switch (position) {
                case P::left: return linear(at(0, 0.5), at(0.42, 0.5), c0, {});
                case P::right: return linear(at(1, 0.5), at(0.58, 0.5), c0, {});
                case P::top: return linear(at(0.5, 1), at(0.5, 0.58), c0, {});
                case P::bottom: return linear(at(0.5, 0), at(0.5, 0.42), c0, {});
            }
            break;
        }
        case LightLeakStyle::rainbowBurn: {
            const WorkingColor c0 = color::workingFromSRGB(1.0, 0.2, 0.6, i * 0.8);
            const WorkingColor c1 = color::workingFromSRGB(1.0, 0.8, 0.1, 0.0);
            switch (position) {
                case P::left: return linear(at(0, 0.8), at(0.5, 0.2), c0, c1);
                case P::right: return linear(at(1, 0.8), at(0.5, 0.2), c0, c1);
                case P::top: return linear(at(0.2, 1), at(0.8, 0.5), c0, c1);
                case P::bottom: return linear(at(0.2, 0), at(0.8, 0.5), c0, c1);
            }
            break;
        }
        case LightLeakStyle::vintageFlare: {
            const Point2 c = position == P::left    ? at(0.1, 0.5)
                             : position == P::right ? at(0.9, 0.5)
                             : position == P::top   ? at(0.5, 0.9)
                                                    : at(0.5, 0.1);
            return radial(c, 20, std::max(w, h) * 0.75, color::workingFromSRGB(0.95, 0.28, 0.12, i * 0.8));
        }
        case LightLeakStyle::none: break;
    }
    return std::nullopt;
}

// The leak's gradient screened over the frame in one pass. Positions are taken relative to the
// frame's corner, so the leak does not depend on where the frame lies in the plane.
Image screenedLeak(const Image& frame, const LeakRamp& ramp) {
    const Rect e = frame.extent();
    using kernels::Float4;
    const Float4 c0{ramp.c0.r, ramp.c0.g, ramp.c0.b, ramp.c0.a};
    const Float4 dc = Float4{ramp.c1.r, ramp.c1.g, ramp.c1.b, ramp.c1.a} - c0;
    // t = (distance − r0) · k, or the projection onto the segment (dx, dy scaled by its length²).
    double k = 0, dx = 0, dy = 0;
    bool step = false;
    if (ramp.radial) {
        step = ramp.r1 == ramp.r0;
        k = step ? 0.0 : 1.0 / (ramp.r1 - ramp.r0);
    } else {
        const double ex = ramp.p1.x - ramp.p0.x, ey = ramp.p1.y - ramp.p0.y, len2 = ex * ex + ey * ey;
        if (len2 >= 1e-12) {
            dx = ex / len2;
            dy = ey / len2;
        }
    }
    return Image::pointwise(
        {frame},
        [ramp, e, c0, dc, k, dx, dy, step](const RowSpan& s, const float* const* in, float* out) {
            const float* f = in[0];
            const double py = double(s.y - e.y) + 0.5;
            const double px = double(s.x - e.x) + 0.5;
            // t of each pixel, four at a time.
            const auto tAt = [&](int i) -> Float4 {
                const Float4 lane{0.0f, 1.0f, 2.0f, 3.0f};
                Float4 t;
                if (ramp.radial) {
                    const Float4 ux = float(px - ramp.p0.x) + (float(i) + lane);
                    const float uy = float(py - ramp.p0.y);
                    const Float4 d2 = ux * ux + uy * uy;
                    Float4 d;
                    for (int j = 0; j < 4; ++j) d[j] = std::sqrt(d2[j]);
                    if (step) return kernels::select(d < float(ramp.r0), Float4{}, kernels::splat(1.0f));
                    t = (d - float(ramp.r0)) * float(k);
                } else {
                    const double base = (px - ramp.p0.x) * dx + (py - ramp.p0.y) * dy;
                    t = float(base) + (float(i) + lane) * float(dx);
                }
                return kernels::minOf(kernels::maxOf(t, Float4{}), kernels::splat(1.0f));
            };
            for (int i = 0; i < s.count; i += 4) {
                const Float4 t = tAt(i);
                const int n = std::min(4, s.count - i);
                for (int j = 0; j < n; ++j) {
                    const Float4 layer = c0 + t[j] * dc;
                    const Float4 fv = kernels::load4(f + 4 * (i + j));
                    kernels::store4(out + 4 * (i + j), kernels::screenOver(layer, fv));
                }
            }
        },
        PointwiseOptions{e});
}

}  // namespace

Image applyLightLeak(const Image& frame, const LightLeakParameters& p) {
    const Rect& e = frame.extent();
    if (p.style == LightLeakStyle::none || !parameterOf(&LightLeakParameters::intensity).reaches(p.intensity))
        return frame;
    if (!e.isFinite() || e.width <= 1 || e.height <= 1) return frame;
    const std::optional<LeakRamp> ramp = leakRamp(e, p.style, p.intensity, p.position);
    return ramp ? screenedLeak(frame, *ramp) : frame;
}

}  // namespace vantrel
