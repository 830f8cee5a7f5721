#include "views/crop/CropGeometry.h"

#include <algorithm>
#include <cmath>

#include "views/kit/Geometry.h"

namespace vantrel::crop {

bool isCorner(CropHandleType handle) {
    return handle == CropHandleType::topLeft || handle == CropHandleType::topRight ||
           handle == CropHandleType::bottomLeft || handle == CropHandleType::bottomRight;
}

QRectF frameRect(const QRectF& fitted, const NormalizedRect& rect) {
    return {fitted.left() + rect.x * fitted.width(), fitted.top() + rect.y * fitted.height(),
            std::max(rect.width * fitted.width(), kMinimumFrameSide),
            std::max(rect.height * fitted.height(), kMinimumFrameSide)};
}

std::vector<QRectF> dimmingBands(const QRectF& fitted, const QRectF& frame) {
    std::vector<QRectF> bands;
    const double above = frame.top() - fitted.top();
    const double below = fitted.bottom() - frame.bottom();
    const double left = frame.left() - fitted.left();
    const double right = fitted.right() - frame.right();
    if (above > 0) bands.emplace_back(fitted.left(), fitted.top(), fitted.width(), above);
    if (below > 0) bands.emplace_back(fitted.left(), frame.bottom(), fitted.width(), below);
    if (left > 0) bands.emplace_back(fitted.left(), frame.top(), left, frame.height());
    if (right > 0) bands.emplace_back(frame.right(), frame.top(), right, frame.height());
    return bands;
}

QPainterPath thirdsPath(const QRectF& frame) {
    QPainterPath path;
    for (double f : {1.0 / 3.0, 2.0 / 3.0}) {
        const double x = frame.left() + frame.width() * f;
        path.moveTo(x, frame.top());
        path.lineTo(x, frame.bottom());
    }
    for (double f : {1.0 / 3.0, 2.0 / 3.0}) {
        const double y = frame.top() + frame.height() * f;
        path.moveTo(frame.left(), y);
        path.lineTo(frame.right(), y);
    }
    return path;
}

namespace {

QPointF cornerOf(CropHandleType handle, const QRectF& frame) {
    switch (handle) {
        case CropHandleType::topLeft: return frame.topLeft();
        case CropHandleType::topRight: return frame.topRight();
        case CropHandleType::bottomLeft: return frame.bottomLeft();
        case CropHandleType::bottomRight: return frame.bottomRight();
        case CropHandleType::top: return {frame.center().x(), frame.top()};
        case CropHandleType::bottom: return {frame.center().x(), frame.bottom()};
        case CropHandleType::left: return {frame.left(), frame.center().y()};
        case CropHandleType::right: return {frame.right(), frame.center().y()};
    }
    return {};
}

}  // namespace

QPainterPath cornerMarkPath(CropHandleType handle, const QRectF& frame) {
    QPainterPath path;
    if (!isCorner(handle)) return path;
    const QPointF v = cornerOf(handle, frame);
    const double a = kCornerArm;
    switch (handle) {
        case CropHandleType::topLeft:
            path.moveTo(v + QPointF(0, a));
            path.lineTo(v);
            path.lineTo(v + QPointF(a, 0));
            break;
        case CropHandleType::topRight:
            path.moveTo(v + QPointF(-a, 0));
            path.lineTo(v);
            path.lineTo(v + QPointF(0, a));
            break;
        case CropHandleType::bottomLeft:
            path.moveTo(v + QPointF(0, -a));
            path.lineTo(v);
            path.lineTo(v + QPointF(a, 0));
            break;
        case CropHandleType::bottomRight:
            path.moveTo(v + QPointF(-a, 0));
            path.lineTo(v);
            path.lineTo(v + QPointF(0, -a));
            break;
        default: break;
    }
    return path;
}

QRectF edgeBarRect(CropHandleType handle, const QRectF& frame) {
    if (isCorner(handle)) return {};
    const bool horizontal = handle == CropHandleType::top || handle == CropHandleType::bottom;
    const QSizeF size = horizontal ? QSizeF(kEdgeBarLength, kEdgeBarThickness) : QSizeF(kEdgeBarThickness, kEdgeBarLength);
    const QPointF centre = cornerOf(handle, frame);
    return {centre - QPointF(size.width() / 2, size.height() / 2), size};
}

QRectF hitRect(CropHandleType handle, const QRectF& frame) {
    if (isCorner(handle)) {
        const QPointF c = cornerOf(handle, frame);
        return {c.x() - kCornerHitSide / 2, c.y() - kCornerHitSide / 2, kCornerHitSide, kCornerHitSide};
    }
    return {edgeBarRect(handle, frame).topLeft(), QSizeF(kEdgeHitSide, kEdgeHitSide)};
}

std::optional<CropHandleType> handleAt(const QRectF& frame, const QPointF& point) {
    for (auto it = kCropHandles.rbegin(); it != kCropHandles.rend(); ++it)
        if (containsHalfOpen(hitRect(*it, frame), point)) return *it;
    return std::nullopt;
}

NormalizedRect movedRect(const NormalizedRect& start, const QPointF& unit) {
    NormalizedRect r = start;
    r.x = std::max(std::min(start.x + unit.x(), 1 - start.width), 0.0);
    r.y = std::max(std::min(start.y + unit.y(), 1 - start.height), 0.0);
    return r.clamped();
}

NormalizedRect draggedRect(CropHandleType handle, const NormalizedRect& start, const QPointF& unit,
                           std::optional<double> ratio, const QSizeF& fitted) {
    const double x0 = start.x, y0 = start.y, w0 = start.width, h0 = start.height;
    const double dx = unit.x(), dy = unit.y();
    const double L = std::min(std::max(x0 + dx, 0.0), x0 + w0 - kMinimumExtent);
    const double T = std::min(std::max(y0 + dy, 0.0), y0 + h0 - kMinimumExtent);
    const double RW = std::max(std::min(w0 + dx, 1 - x0), kMinimumExtent);
    const double BH = std::max(std::min(h0 + dy, 1 - y0), kMinimumExtent);
    const double leftW = w0 - (L - x0);
    const double topH = h0 - (T - y0);

    NormalizedRect r = start;
    switch (handle) {
        case CropHandleType::topLeft: r = {L, T, leftW, topH}; break;
        case CropHandleType::topRight: r = {x0, T, RW, topH}; break;
        case CropHandleType::bottomLeft: r = {L, y0, leftW, BH}; break;
        case CropHandleType::bottomRight: r = {x0, y0, RW, BH}; break;
        case CropHandleType::top: r = {x0, T, w0, topH}; break;
        case CropHandleType::bottom: r = {x0, y0, w0, BH}; break;
        case CropHandleType::left: r = {L, y0, leftW, h0}; break;
        case CropHandleType::right: r = {x0, y0, RW, h0}; break;
    }

    if (ratio) {
        // The ratio in image-relative units: width = height × k.
        const double k = *ratio / (fitted.width() / std::max(fitted.height(), 1.0));
        if (k > 0 && std::isfinite(k)) {
            if (handle == CropHandleType::top || handle == CropHandleType::bottom) {
                r.width = r.height * k;
                if (r.x + r.width > 1) {
                    r.width = 1 - r.x;
                    r.height = r.width / k;
                }
            } else {
                r.height = r.width / k;
                if (r.y + r.height > 1) {
                    r.height = 1 - r.y;
                    r.width = r.height * k;
                }
            }
        }
    }
    return r.clamped();
}

namespace {

// Corner arms (16) with their stroke, the bars and the shadows all lie within
// this distance of the frame's edges; a thirds line and its smoothing within the other.
constexpr int kEdgeReach = 26;
constexpr int kLineReach = 3;

QRegion linesOf(const QRectF& frame) {
    const QRect r = frame.toAlignedRect();
    const int e = kEdgeReach;
    QRegion region;
    region += QRect(r.left() - e, r.top() - e, r.width() + 2 * e, 2 * e);
    region += QRect(r.left() - e, r.bottom() + 1 - e, r.width() + 2 * e, 2 * e);
    region += QRect(r.left() - e, r.top() - e, 2 * e, r.height() + 2 * e);
    region += QRect(r.right() + 1 - e, r.top() - e, 2 * e, r.height() + 2 * e);
    for (double f : {1.0 / 3.0, 2.0 / 3.0}) {
        const int x = int(std::floor(frame.left() + frame.width() * f));
        const int y = int(std::floor(frame.top() + frame.height() * f));
        region += QRect(x - kLineReach, r.top(), 2 * kLineReach + 1, r.height());
        region += QRect(r.left(), y - kLineReach, r.width(), 2 * kLineReach + 1);
    }
    return region;
}

}  // namespace

QRegion changedRegion(const QRectF& before, const QRectF& after) {
    return (QRegion(before.toAlignedRect()) ^ QRegion(after.toAlignedRect())) + linesOf(before) + linesOf(after);
}

std::optional<double> lockedRatio(CropAspectRatio aspect, const QSizeF& imageSize, const NormalizedRect& rect) {
    const double w = imageSize.width(), h = imageSize.height();
    return heldRatio(aspect, w, h, rect.width * w, rect.height * h);
}

}  // namespace vantrel::crop
