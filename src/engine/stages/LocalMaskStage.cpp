#include "engine/stages/LocalMaskStage.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <variant>

#include "engine/color/ColorKernels.h"
#include "engine/filters/GeneratorKernels.h"
#include "engine/color/WhitePoint.h"

namespace vantrel {

namespace {

// Tone and tint changes smaller than these cannot be seen.
constexpr double kToneThreshold = 0.01;
constexpr double kTintThreshold = 0.1;

// The corrections of one mask, shared by both kinds.
struct Corrections {
    double exposure, contrast, highlights, shadows, temperature, tint, saturation;
};

template <class Mask>
Corrections correctionsOf(const Mask& m) {
    return {m.exposure, m.contrast, m.highlights, m.shadows, m.temperature, m.tint, m.saturation};
}

// The highlight/shadow gain of a pixel depends on its luminance alone, so each mask samples
// the filter's gain once per render: 256 samples per octave from 2^-14 up, read by the float's
// exponent and top mantissa bits (within about 1e-4 of the filter, a fiftieth of an 8-bit
// level). Near black and just below white, where the curve is steep, the filter itself is
// asked; at and above white the gain is 1, as in the filter.
class ToneGainTable {
public:
    explicit ToneGainTable(const HighlightShadowParameters& p) : kernel_(p) {
        auto table = std::make_shared<std::vector<float>>(kSize + 1);
        for (int i = 0; i <= kSize; ++i)
            (*table)[std::size_t(i)] = kernel_.gain(std::bit_cast<float>(kFirstBits + (std::uint32_t(i) << kShift)));
        table_ = std::move(table);
    }

    float gain(float y) const {
        if (!(y >= kFirst && y < kSteepTop)) return kernel_.gain(y);  // also negative or NaN
        const std::uint32_t offset = std::bit_cast<std::uint32_t>(y) - kFirstBits;
        const std::uint32_t i = offset >> kShift;
        const float f = float(offset & ((1u << kShift) - 1)) * (1.0f / float(1u << kShift));
        const float* t = table_->data() + i;
        return t[0] + f * (t[1] - t[0]);
    }

    // Premultiplied RGBA in place: rgb scaled by the gain of the unpremultiplied luminance.
    void run(float* px, int n) const {
        for (int i = 0; i < n; ++i, px += 4) {
            const float a = px[3];
            const float k = a > 1e-6f ? gain(kernels::luminance(px[0], px[1], px[2]) / a) : 1.0f;
            px[0] *= k;
            px[1] *= k;
            px[2] *= k;
        }
    }

private:
    static constexpr int kMinExp = -14;
    static constexpr int kStepBits = 8;  // 256 samples per octave
    static constexpr int kShift = 23 - kStepBits;
    static constexpr int kSize = -kMinExp << kStepBits;
    static constexpr std::uint32_t kFirstBits = std::uint32_t(127 + kMinExp) << 23;
    static constexpr float kFirst = 1.0f / 16384.0f;
    static constexpr float kSteepTop = 0.98f;

    kernels::HighlightShadowKernel kernel_;
    std::shared_ptr<const std::vector<float>> table_;
};

// Exposure, highlights and shadows, contrast and saturation, then white balance, each only
// when it changes something (tone and tint from thresholds of their own, as finer changes
// cannot be seen). The affine steps on either side of the tone curve are folded.
class CorrectionKernel {
public:
    explicit CorrectionKernel(const Corrections& c) {
        using M = LinearMask;  // both kinds share their correction rows (maskCorrectionRows)
        std::optional<kernels::RgbAffine> before, after;
        if (parameterOf(&M::exposure).isChanged(c.exposure))
            before = kernels::exposureKernel(ExposureParameters{float(c.exposure)});
        if (parameterOf(&M::highlights).isChangedBeyond(c.highlights, kToneThreshold) ||
            parameterOf(&M::shadows).isChangedBeyond(c.shadows, kToneThreshold)) {
            // Only darker highlights and lifted shadows reach the filter's range.
            HighlightShadowParameters p;
            p.highlightAmount = float(std::clamp(c.highlights + 1.0, 0.0, 1.0));
            p.shadowAmount = float(std::clamp(c.shadows, 0.0, 1.0));
            tone_.emplace(p);
        }
        if (parameterOf(&M::contrast).isChanged(c.contrast) || parameterOf(&M::saturation).isChanged(c.saturation)) {
            ColorControlsParameters p;
            p.contrast = float(c.contrast);
            p.saturation = float(c.saturation);
            after = kernels::colorControlsKernel(p);
        }
        if (parameterOf(&M::temperature).isChanged(c.temperature) ||
            parameterOf(&M::tint).isChangedBeyond(c.tint, kTintThreshold)) {
            // A local white balance as if the frame had been shot at the reference white + temperature.
            const auto wb = kernels::RgbAffine::fromMatrix(
                whiteAdaptationMatrix({kReferenceTemperature + c.temperature, c.tint}, {kReferenceTemperature, 0}));
            after = after ? then(*after, wb) : wb;
        }
        if (!tone_ && before && after) {
            after = then(*before, *after);
            before.reset();
        }
        before_ = before;
        after_ = after;
    }

    // Corrects n premultiplied pixels in place.
    void run(float* px, int n) const {
        if (before_) before_->run(px, px, n);
        if (tone_) tone_->run(px, n);
        if (after_) after_->run(px, px, n);
    }

private:
    std::optional<kernels::RgbAffine> before_, after_;
    std::optional<ToneGainTable> tone_;
};

// Gradient position t (0 at the start point or inside the inner radius, 1 at the end point or
// beyond the outer radius) of the pixel centres of a row. The mask is 1 − t, or t inverted.
class MaskShape {
public:
    MaskShape(const LinearMask& m, const Rect& e) : inverted_(m.isInverted) {
        double x0, y0, x1, y1;
        planePoint(m.startPoint, e, x0, y0);
        planePoint(m.endPoint, e, x1, y1);
        if (std::isfinite(x0 + y0 + x1 + y1)) shape_ = kernels::LinearRamp(x0, y0, x1, y1, {}, {});
    }

    MaskShape(const RadialMask& m, const Rect& e) : inverted_(m.isInverted) {
        const RadialMaskGeometry g = radialMaskGeometry(m, e);
        kernels::RadialRamp ramp;
        ramp.cx = g.centerX;
        ramp.cy = g.centerY;
        // The gradient's radii are single-precision values.
        ramp.r0 = double(float(g.innerRadius));
        ramp.r1 = double(float(g.radius));
        if (g.isEllipse) {
            // The circle of the larger radius squeezed about the centre into the ellipse; a
            // flat ellipse covers nothing.
            if (g.radiusX <= 0 || g.radiusY <= 0) return;
            ramp.invScaleX = g.radius / g.radiusX;
            ramp.invScaleY = g.radius / g.radiusY;
        }
        if (std::isfinite(ramp.cx + ramp.cy + ramp.r0 + ramp.r1)) shape_ = ramp;
    }

    // Mask values of pixels x0 … x0 + n − 1 on row y into m; returns the range [first, last)
    // outside of which every value is 0 (and m need not be filled).
    std::pair<int, int> weights(std::int64_t x0, std::int64_t y, int n, float* m) const {
        const double yc = double(y) + 0.5, xc0 = double(x0) + 0.5;
        Row row{0, 0, 1.0f, 1.0f};  // no extent: everything lies beyond the mask's end
        if (const auto* linear = std::get_if<kernels::LinearRamp>(&shape_)) row = linearRow(*linear, xc0, yc, n, m);
        else if (const auto* radial = std::get_if<kernels::RadialRamp>(&shape_)) row = radialRow(*radial, xc0, yc, n, m);
        // Only the ramp itself is evaluated; on either side t is constant.
        if (!inverted_) {
            for (int i = row.a; i < row.b; ++i) m[i] = 1.0f - m[i];
            row.left = 1.0f - row.left;
            row.right = 1.0f - row.right;
        }
        const bool left = row.left > 0.0f && row.a > 0, right = row.right > 0.0f && row.b < n;
        if (left) std::fill(m, m + row.a, row.left);
        if (right) std::fill(m + row.b, m + n, row.right);
        int first = left ? 0 : row.a;
        while (first < row.b && !(m[first] > 0.0f)) ++first;
        if (first == row.b && !right) return {0, 0};
        int last = right ? n : row.b;
        while (last > first && !(m[last - 1] > 0.0f)) --last;
        return {first, last};
    }

private:
    // A row of gradient positions: computed on [a, b), `left` before, `right` after.
    struct Row {
        int a, b;
        float left, right;
    };

    // Along a row the ramp is affine in x: t = base + i·step, clamped. It leaves 0…1 at the
    // columns where base + i·step crosses 0 and 1.
    static Row linearRow(const kernels::LinearRamp& r, double xc0, double yc, int n, float* m) {
        const double base = (xc0 - r.x0) * r.dx + (yc - r.y0) * r.dy, step = r.dx;
        auto t = [&](double i) { return float(std::clamp(base + i * step, 0.0, 1.0)); };
        if (step == 0) return {0, 0, t(0), t(0)};
        const double i0 = -base / step, i1 = (1.0 - base) / step;
        const double lo = std::floor(std::min(i0, i1)), hi = std::ceil(std::max(i0, i1)) + 1;
        const int a = int(std::clamp(lo, 0.0, double(n))), b = int(std::clamp(hi, double(a), double(n)));
        const float fbase = float(base), fstep = float(step);
        for (int i = a; i < b; ++i) m[i] = std::min(std::max(fbase + float(i) * fstep, 0.0f), 1.0f);
        return {a, b, t(0), t(n - 1)};
    }

    // The columns [lo, hi) of a row whose centres lie within `radius` of the centre, widened
    // by a pixel each way (the caller evaluates the ramp there, so the edges stay exact).
    static std::pair<int, int> span(const kernels::RadialRamp& r, double radius, double xc0, double yc, int n,
                                    int widen) {
        const double uy = (yc - r.cy) * r.invScaleY;
        if (!(uy * uy < radius * radius)) return {0, 0};
        const double half = std::sqrt(radius * radius - uy * uy) / r.invScaleX;
        const double lo = std::ceil(r.cx - half - xc0) - widen, hi = std::floor(r.cx + half - xc0) + 1 + widen;
        const int a = int(std::clamp(lo, 0.0, double(n))), b = int(std::clamp(hi, 0.0, double(n)));
        return a < b ? std::pair{a, b} : std::pair{0, 0};
    }

    // t is 1 beyond the outer ellipse and 0 inside the inner one; distances are needed only on
    // the ring between, where they are taken in single precision (a pixel's distance is
    // exact to well under a thousandth of a pixel).
    static Row radialRow(const kernels::RadialRamp& r, double xc0, double yc, int n, float* m) {
        const auto [a, b] = span(r, r.r1, xc0, yc, n, 1);
        auto [ia, ib] = span(r, r.r0, xc0, yc, n, -1);
        if (ia >= ib) ia = ib = a;
        if (!(r.r1 > r.r0)) {  // a hard edge
            for (int i = a; i < b; ++i) m[i] = r.t(xc0 + i, yc);
            return {a, b, 1.0f, 1.0f};
        }
        const float uy = float((yc - r.cy) * r.invScaleY), uy2 = uy * uy;
        const float dx0 = float(xc0 - r.cx), sx = float(r.invScaleX);
        const float r0 = float(r.r0), invWidth = float(1.0 / (r.r1 - r.r0));
        auto ring = [&](int from, int to) {
            for (int i = from; i < to; ++i) {
                const float ux = (dx0 + float(i)) * sx;
                const float t = (std::sqrt(ux * ux + uy2) - r0) * invWidth;
                m[i] = std::min(std::max(t, 0.0f), 1.0f);
            }
        };
        ring(a, ia);
        std::fill(m + ia, m + ib, 0.0f);
        ring(std::max(ib, a), b);
        return {a, b, 1.0f, 1.0f};
    }

    bool inverted_ = false;
    std::variant<std::monostate, kernels::LinearRamp, kernels::RadialRamp> shape_;
};

struct MaskPass {
    MaskShape shape;
    CorrectionKernel correct;
};

// Every mask in one pointwise node: each row is copied once, then each mask in turn blends
// its corrected copy of the row so far over it, only where it reaches.
Image applyPasses(const Image& running, std::vector<MaskPass> passes) {
    return Image::pointwise({running}, [passes = std::move(passes)](const RowSpan& s, const float* const* inputs,
                                                                   float* out) {
        constexpr int kChunk = 256;
        float m[kChunk];
        float corrected[4 * kChunk];
        std::memcpy(out, inputs[0], sizeof(float) * 4 * std::size_t(s.count));
        for (int start = 0; start < s.count; start += kChunk) {
            const int n = std::min(kChunk, s.count - start);
            float* row = out + 4 * start;
            for (const MaskPass& pass : passes) {
                const auto [first, last] = pass.shape.weights(s.x + start, s.y, n, m);
                if (first == last) continue;
                float* px = row + 4 * first;
                const int count = last - first;
                std::memcpy(corrected, px, sizeof(float) * 4 * std::size_t(count));
                pass.correct.run(corrected, count);
                // The corrected copy where the mask is 1, the row as it stands where it is 0.
                for (int i = 0; i < count; ++i) {
                    const float w = m[first + i];
                    const float* c = corrected + 4 * i;
                    float* p = px + 4 * i;
                    for (int k = 0; k < 4; ++k) p[k] += w * (c[k] - p[k]);
                }
            }
        }
    });
}

}  // namespace

void planePoint(const NormalizedPoint& p, const Rect& extent, double& x, double& y) {
    x = double(extent.minX()) + double(extent.width) * p.x;
    y = double(extent.minY()) + double(extent.height) * (1.0 - p.y);
}

RadialMaskGeometry radialMaskGeometry(const RadialMask& mask, const Rect& extent) {
    RadialMaskGeometry g;
    planePoint(mask.center, extent, g.centerX, g.centerY);
    // Stored files keep what they were given; a negative radius means no extent at all.
    g.radiusX = std::max(double(extent.width) * mask.radiusX, 0.0);
    g.radiusY = std::max(double(extent.height) * mask.radiusY, 0.0);
    g.radius = std::max(g.radiusX, g.radiusY);
    // A negative feather would put the feathered edge outside the ellipse and turn the mask
    // inside out; the edge never reaches past the outer radius.
    g.innerRadius = std::clamp(g.radius * (1.0 - mask.feather), 0.0, g.radius);
    g.isEllipse = std::abs(g.radiusX - g.radiusY) > 1.0 && g.radius > 0;
    return g;
}

Image applyLocalMasks(const Image& input, const MaskGroupParameters& masks) {
    const Rect extent = input.extent();
    if (!extent.isFinite() || masks.isIdentity()) return input;

    std::vector<MaskPass> passes;
    forEachMaskKind([&](const auto& kind) {
        for (const auto& m : masks.*kind.member)
            if (m.isEnabled && !m.isNeutral())
                passes.push_back({MaskShape(m, extent), CorrectionKernel(correctionsOf(m))});
    });
    return applyPasses(input, std::move(passes));
}

}  // namespace vantrel
