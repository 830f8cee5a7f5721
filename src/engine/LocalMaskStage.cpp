#include "engine/LocalMaskStage.h"

#include <algorithm>
#include <cmath>

#include "engine/Blends.h"
#include "engine/ColorFilters.h"
#include "engine/Generators.h"

namespace vantrel {

namespace {

constexpr WorkingColor kOpaqueWhite{1, 1, 1, 1};
constexpr WorkingColor kClear{0, 0, 0, 0};
constexpr double kReferenceTemperature = 6500;

// The corrections of one mask, shared by both kinds.
struct Corrections {
    double exposure, contrast, highlights, shadows, temperature, tint, saturation;
};

template <class Mask>
Corrections correctionsOf(const Mask& m) {
    return {m.exposure, m.contrast, m.highlights, m.shadows, m.temperature, m.tint, m.saturation};
}

// The running image with the mask's corrections; each filter only when it changes something.
Image adjusted(const Image& image, const Corrections& c) {
    Image out = image;
    if (std::abs(c.exposure) > 0.001) out = exposure(out, ExposureParameters{float(c.exposure)});
    if (std::abs(c.highlights) > 0.01 || std::abs(c.shadows) > 0.01) {
        // Only darker highlights and lifted shadows reach the filter's range.
        HighlightShadowParameters p;
        p.highlightAmount = float(std::clamp(c.highlights + 1.0, 0.0, 1.0));
        p.shadowAmount = float(std::clamp(c.shadows, 0.0, 1.0));
        out = highlightsAndShadows(out, p);
    }
    if (std::abs(c.contrast - 1) > 0.001 || std::abs(c.saturation - 1) > 0.001) {
        ColorControlsParameters p;
        p.contrast = float(c.contrast);
        p.saturation = float(c.saturation);
        out = colorControls(out, p);
    }
    if (std::abs(c.temperature) > 1.0 || std::abs(c.tint) > 0.1) {
        // A local white balance as if the frame had been shot at 6500 K + temperature.
        TemperatureAndTintParameters p;
        p.neutral = {kReferenceTemperature + c.temperature, c.tint};
        p.targetNeutral = {kReferenceTemperature, 0};
        out = temperatureAndTint(out, p);
    }
    return out;
}

Image blendThrough(const Image& running, const Image& mask, const Corrections& c) {
    if (mask.isEmpty()) return running;
    return blendWithMask(adjusted(running, c), running, mask);
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

Image linearMaskImage(const LinearMask& mask, const Rect& extent) {
    LinearGradientParameters p;
    planePoint(mask.startPoint, extent, p.point0x, p.point0y);
    planePoint(mask.endPoint, extent, p.point1x, p.point1y);
    p.color0 = mask.isInverted ? kClear : kOpaqueWhite;
    p.color1 = mask.isInverted ? kOpaqueWhite : kClear;
    return linearGradient(p).cropped(extent);
}

Image radialMaskImage(const RadialMask& mask, const Rect& extent) {
    const RadialMaskGeometry g = radialMaskGeometry(mask, extent);
    RadialGradientParameters p;
    p.centerX = g.centerX;
    p.centerY = g.centerY;
    p.radius0 = double(float(g.innerRadius));
    p.radius1 = double(float(g.radius));
    p.color0 = mask.isInverted ? kClear : kOpaqueWhite;
    p.color1 = mask.isInverted ? kOpaqueWhite : kClear;
    if (g.isEllipse) {
        // The circle of the larger radius squeezed about the centre into the ellipse.
        p.ellipseScaleX = g.radiusX / g.radius;
        p.ellipseScaleY = g.radiusY / g.radius;
    }
    return radialGradient(p).cropped(extent);
}

Image applyMasks(const Image& input, const std::vector<LinearMask>& linearMasks,
                 const std::vector<RadialMask>& radialMasks) {
    const Rect extent = input.extent();
    if (!extent.isFinite()) return input;
    auto active = [](const auto& m) { return m.isEnabled && !m.isNeutral(); };
    if (std::none_of(linearMasks.begin(), linearMasks.end(), active) &&
        std::none_of(radialMasks.begin(), radialMasks.end(), active))
        return input;

    Image running = input;
    for (const LinearMask& m : linearMasks) {
        if (!active(m)) continue;
        running = blendThrough(running, linearMaskImage(m, extent), correctionsOf(m));
    }
    for (const RadialMask& m : radialMasks) {
        if (!active(m)) continue;
        running = blendThrough(running, radialMaskImage(m, extent), correctionsOf(m));
    }
    return running;
}

}  // namespace vantrel
