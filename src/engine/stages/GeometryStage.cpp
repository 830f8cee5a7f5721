#include "engine/stages/GeometryStage.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vantrel {

namespace {

// Angles at or below this (degrees) leave the frame unrotated.
constexpr double kStraightenThreshold = 0.01;

// Orientation values of the exact pixel permutations.
constexpr int kOrientationRight = 6;
constexpr int kOrientationDown = 3;
constexpr int kOrientationLeft = 8;
constexpr int kOrientationUpMirrored = 2;
constexpr int kOrientationDownMirrored = 4;

Image straighten(const Image& image, double degrees) {
    const Rect& e = image.extent();
    const double W = double(e.width), H = double(e.height);
    const double theta = degrees * std::numbers::pi / 180.0;
    const double midX = double(e.x) + W / 2, midY = double(e.y) + H / 2;
    const AffineTransform rotate = AffineTransform::translation(-midX, -midY)
                                       .then(AffineTransform::rotation(theta))
                                       .then(AffineTransform::translation(midX, midY));
    const Rect rotatedBounds = transformedBounds(e, rotate);
    if (rotatedBounds.isEmpty()) return image;

    // Sampling beyond the frame repeats its edge, so the crop's border pixels get no dark fringe.
    const Image rotated = image.clampedToExtent().transformed(rotate);

    const StraightenedSize size = straightenedSize(W, H, degrees);
    const std::int64_t w = std::clamp<std::int64_t>(std::int64_t(std::floor(size.width)), 1, rotatedBounds.width);
    const std::int64_t h = std::clamp<std::int64_t>(std::int64_t(std::floor(size.height)), 1, rotatedBounds.height);
    const std::int64_t x0 = rotatedBounds.x + std::int64_t(std::llround(double(rotatedBounds.width - w) / 2));
    const std::int64_t y0 = rotatedBounds.y + std::int64_t(std::llround(double(rotatedBounds.height - h) / 2));
    return rotated.cropped(Rect{x0, y0, w, h}).reorigined();
}

}  // namespace

StraightenedSize straightenedSize(double width, double height, double degrees) {
    if (!(width > 0) || !(height > 0) || !std::isfinite(degrees)) return {width, height};
    const double theta = degrees * std::numbers::pi / 180.0;
    // Absolute values, so angles beyond ±90° (hand-edited recipes) still give a frame.
    const double c = std::abs(std::cos(theta));
    const double s = std::abs(std::sin(theta));
    const double a = width / height;
    const double h = std::min(width / (s + c * a), height / (c + s * a));
    return {a * h, h};
}

Rect cropRectInPixels(const Rect& extent, const NormalizedRect& rect) {
    if (!std::isfinite(rect.x) || !std::isfinite(rect.y) || !std::isfinite(rect.width) ||
        !std::isfinite(rect.height) || !extent.isFinite())
        return {};
    const double W = double(extent.width), H = double(extent.height);
    auto px = [](double v, double size) { return std::int64_t(std::llround(std::clamp(v, 0.0, 1.0) * size)); };
    std::int64_t x0 = px(rect.x, W), x1 = px(rect.x + rect.width, W);
    // The rectangle counts y from the top; the plane counts it from the bottom.
    std::int64_t y0 = px(1.0 - (rect.y + rect.height), H), y1 = px(1.0 - rect.y, H);
    // A degenerate rectangle keeps one pixel rather than emptying the frame.
    x0 = std::min(x0, extent.width - 1);
    y0 = std::min(y0, extent.height - 1);
    x1 = std::max(x1, x0 + 1);
    y1 = std::max(y1, y0 + 1);
    return Rect::fromEdges(extent.x + x0, extent.y + y0, extent.x + x1, extent.y + y1);
}

FrameMapping frameMapping(double scanWidth, double scanHeight, const CropParameters& crop, Framing framing) {
    FrameMapping m{AffineTransform::identity(), scanWidth, scanHeight};
    if (crop.isIdentity() || !(scanWidth > 0) || !(scanHeight > 0) || !std::isfinite(scanWidth) ||
        !std::isfinite(scanHeight))
        return m;
    // Each step maps the running frame's pixels (x, y downwards) onto the next one's.
    auto step = [&m](const AffineTransform& t, double width, double height) {
        m.scanToFrame = m.scanToFrame.then(t);
        m.width = width;
        m.height = height;
    };
    const double w0 = m.width, h0 = m.height;
    switch (crop.quarterTurns & 3) {
        case 1: step({0, 1, -1, 0, h0, 0}, h0, w0); break;   // clockwise: (x, y) -> (h - y, x)
        case 2: step({-1, 0, 0, -1, w0, h0}, w0, h0); break;
        case 3: step({0, -1, 1, 0, 0, w0}, h0, w0); break;   // counter-clockwise: (x, y) -> (y, w - x)
        default: break;
    }
    if (crop.isFlippedH) step({-1, 0, 0, 1, m.width, 0}, m.width, m.height);
    if (crop.isFlippedV) step({1, 0, 0, -1, 0, m.height}, m.width, m.height);

    if (std::abs(crop.straightenAngle) > kStraightenThreshold && std::isfinite(crop.straightenAngle)) {
        // Counter-clockwise on the picture; with y downwards that is the plane's rotation backwards.
        const StraightenedSize size = straightenedSize(m.width, m.height, crop.straightenAngle);
        const double theta = crop.straightenAngle * std::numbers::pi / 180.0;
        step(AffineTransform::translation(-m.width / 2, -m.height / 2)
                 .then(AffineTransform::rotation(-theta))
                 .then(AffineTransform::translation(size.width / 2, size.height / 2)),
             size.width, size.height);
    }

    const NormalizedRect& r = crop.rect;
    if (framing == Framing::cropped && !r.isFull() && std::isfinite(r.x) && std::isfinite(r.y) &&
        std::isfinite(r.width) && std::isfinite(r.height)) {
        // The edges cropRectInPixels takes, in the plane (y up), before its rounding.
        const double W = m.width, H = m.height;
        auto at = [](double v, double size) { return std::clamp(v, 0.0, 1.0) * size; };
        double x0 = at(r.x, W), x1 = at(r.x + r.width, W);
        double y0 = at(1.0 - (r.y + r.height), H), y1 = at(1.0 - r.y, H);
        x0 = std::min(x0, W - 1);
        y0 = std::min(y0, H - 1);
        x1 = std::max(x1, x0 + 1);
        y1 = std::max(y1, y0 + 1);
        step(AffineTransform::translation(-x0, -(H - y1)), x1 - x0, y1 - y0);
    }
    return m;
}

Image applyGeometry(const Image& input, const CropParameters& crop, Framing framing) {
    if (crop.isIdentity() || !input.extent().isFinite()) return input;
    Image image = input;

    switch (crop.quarterTurns & 3) {  // two's complement: −1 counts as 3
        case 1: image = image.oriented(kOrientationRight); break;
        case 2: image = image.oriented(kOrientationDown); break;
        case 3: image = image.oriented(kOrientationLeft); break;
        default: break;
    }
    if (crop.isFlippedH) image = image.oriented(kOrientationUpMirrored);
    if (crop.isFlippedV) image = image.oriented(kOrientationDownMirrored).reorigined();

    if (std::abs(crop.straightenAngle) > kStraightenThreshold && std::isfinite(crop.straightenAngle))
        image = straighten(image, crop.straightenAngle);

    if (framing == Framing::cropped && !crop.rect.isFull()) {
        const Rect r = cropRectInPixels(image.extent(), crop.rect);
        if (!r.isEmpty()) image = image.cropped(r).reorigined();
    }
    return image;
}

}  // namespace vantrel
