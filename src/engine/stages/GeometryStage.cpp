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
