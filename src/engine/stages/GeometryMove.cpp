#include "engine/stages/GeometryMove.h"

#include <algorithm>
#include <cmath>

#include "engine/stages/SpotHealingStage.h"

namespace vantrel {

GeometryMove::GeometryMove(double scanWidth, double scanHeight, const CropParameters& from, const CropParameters& to,
                           Framing fromFraming, Framing toFraming)
    : from_(frameMapping(scanWidth, scanHeight, from, fromFraming)),
      to_(frameMapping(scanWidth, scanHeight, to, toFraming)) {
    const bool placed = from_.scanToFrame.isInvertible() && to_.scanToFrame.isInvertible() && from_.width > 0 &&
                        from_.height > 0 && to_.width > 0 && to_.height > 0;
    identity_ = !placed || from_ == to_;
    if (!identity_) move_ = to_.scanToFrame.after(from_.scanToFrame.inverted());
}

Point GeometryMove::point(double x, double y) const {
    double px, py;
    move_.apply(x * from_.width, y * from_.height, px, py);
    return {px / to_.width, py / to_.height};
}

SpotItem GeometryMove::spot(const SpotItem& spot) const {
    if (identity_) return spot;
    SpotItem moved = spot;
    moved.center = point(spot.center.x, spot.center.y);
    moved.radius = spot.radius * std::min(from_.width, from_.height) / std::min(to_.width, to_.height);

    // The source as a shift in pixels of the old frame (y downwards), the stage's own rule for
    // a spot without an offset included.
    double dx = spot.sourceOffset.x * from_.width, dy = spot.sourceOffset.y * from_.height;
    if (!(std::hypot(spot.sourceOffset.x, spot.sourceOffset.y) > 0.0001)) {
        const Rect frame{0, 0, std::max<std::int64_t>(1, std::llround(from_.width)),
                         std::max<std::int64_t>(1, std::llround(from_.height))};
        if (const std::optional<SpotPlacement> placed = placeSpot(frame, spot)) {
            dx = placed->sourceDX;
            dy = -placed->sourceDY;  // the plane counts y upwards
        }
    }
    const double mx = move_.a * dx + move_.c * dy, my = move_.b * dx + move_.d * dy;
    moved.sourceOffset = {mx / to_.width, my / to_.height};
    return moved;
}

LinearMask GeometryMove::linear(const LinearMask& mask) const {
    if (identity_) return mask;
    LinearMask moved = mask;
    const Point start = point(mask.startPoint.x, mask.startPoint.y);
    const Point end = point(mask.endPoint.x, mask.endPoint.y);
    moved.startPoint = {start.x, start.y};
    moved.endPoint = {end.x, end.y};
    return moved;
}

RadialMask GeometryMove::radial(const RadialMask& mask) const {
    if (identity_) return mask;
    RadialMask moved = mask;
    const Point centre = point(mask.center.x, mask.center.y);
    moved.center = {centre.x, centre.y};
    const double rx = mask.radiusX * from_.width, ry = mask.radiusY * from_.height;
    // The old frame's x axis lies nearer the new frame's y axis: the half-axes change places.
    const bool swapped = std::abs(move_.b) > std::abs(move_.a);
    moved.radiusX = (swapped ? ry : rx) / to_.width;
    moved.radiusY = (swapped ? rx : ry) / to_.height;
    return moved;
}

NormalizedRect GeometryMove::rect(const NormalizedRect& rect) const {
    if (identity_) return rect;
    const Point a = point(rect.x, rect.y), b = point(rect.x + rect.width, rect.y + rect.height);
    // Within 0 ... 1 as the old rectangle was, against the arithmetic's last bits.
    const auto unit = [](double v) { return std::clamp(v, 0.0, 1.0); };
    const double x0 = unit(std::min(a.x, b.x)), x1 = unit(std::max(a.x, b.x));
    const double y0 = unit(std::min(a.y, b.y)), y1 = unit(std::max(a.y, b.y));
    return {x0, y0, x1 - x0, y1 - y0};
}

std::vector<SpotItem> GeometryMove::spots(std::vector<SpotItem> spots) const {
    if (!identity_)
        for (SpotItem& s : spots) s = spot(s);
    return spots;
}

MaskGroupParameters GeometryMove::masks(MaskGroupParameters masks) const {
    if (identity_) return masks;
    for (LinearMask& m : masks.linearMasks) m = linear(m);
    for (RadialMask& m : masks.radialMasks) m = radial(m);
    return masks;
}

}  // namespace vantrel
