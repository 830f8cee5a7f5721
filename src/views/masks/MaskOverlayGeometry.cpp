#include "views/masks/MaskOverlayGeometry.h"

#include <algorithm>
#include <cmath>

#include "views/kit/Geometry.h"

namespace vantrel::maskOverlay {

namespace {

QPointF viewPoint(const QRectF& rect, const NormalizedPoint& p) { return fromUnit(rect, QPointF(p.x, p.y)); }

// The display is 270 points wide and taken as 240 high when it is kept inside
// the view, with 16 points of room to the edges.
constexpr double kDisplayHalfWidth = 135;
constexpr double kDisplayHalfHeight = 120;
constexpr double kDisplayMargin = 16;
constexpr double kDisplayShift = 160;

}  // namespace

LinearGeometry linearGeometry(const LinearMask& mask, const QRectF& imageRect) {
    LinearGeometry g;
    g.start = viewPoint(imageRect, mask.startPoint);
    g.end = viewPoint(imageRect, mask.endPoint);
    g.mid = (g.start + g.end) * 0.5;
    const QPointF d = g.end - g.start;
    const double length = std::hypot(d.x(), d.y());
    g.normal = length > 0.001 ? QPointF(-d.y() / length, d.x() / length) : QPointF(0, 1);
    g.reach = std::max(imageRect.width(), imageRect.height()) * 1.5;
    return g;
}

QSizeF RadialGeometry::outlineSize() const { return {std::max(2 * rx, 4.0), std::max(2 * ry, 4.0)}; }
QSizeF RadialGeometry::ringSize() const {
    return {std::max(2 * rx * ringFactor, 2.0), std::max(2 * ry * ringFactor, 2.0)};
}

RadialGeometry radialGeometry(const RadialMask& mask, const QRectF& imageRect) {
    RadialGeometry g;
    g.centre = viewPoint(imageRect, mask.center);
    g.rx = mask.radiusX * imageRect.width();
    g.ry = mask.radiusY * imageRect.height();
    g.ringFactor = std::max(1 - mask.feather, 0.05);
    return g;
}

double distanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b) {
    const QPointF ab = b - a;
    const double lengthSquared = QPointF::dotProduct(ab, ab);
    double t = lengthSquared > 0 ? QPointF::dotProduct(p - a, ab) / lengthSquared : 0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF nearest = a + ab * t;
    return std::hypot(p.x() - nearest.x(), p.y() - nearest.y());
}

bool hitsLinearMask(const QPointF& point, const LinearGeometry& g) {
    if (distanceToSegment(point, g.start, g.end) <= kHitSlack) return true;
    return std::hypot(point.x() - g.mid.x(), point.y() - g.mid.y()) <= kHitSlack;
}

bool hitsRadialMask(const QPointF& point, const RadialGeometry& g) {
    // The outline widened by the slack along both axes: inside it is inside the
    // mask or close enough to its edge (exact for circles, near for ellipses).
    const QSizeF outline = g.outlineSize();
    const double ax = outline.width() / 2 + kHitSlack;
    const double ay = outline.height() / 2 + kHitSlack;
    const double dx = (point.x() - g.centre.x()) / ax;
    const double dy = (point.y() - g.centre.y()) / ay;
    return dx * dx + dy * dy <= 1;
}

std::optional<Uuid> maskUnderPoint(const MaskGroupParameters& masks, const std::optional<Uuid>& selected,
                                   const QRectF& imageRect, const QPointF& point) {
    auto candidate = [&](const auto& mask) { return mask.isEnabled && mask.id != selected; };
    for (auto it = masks.radialMasks.rbegin(); it != masks.radialMasks.rend(); ++it)
        if (candidate(*it) && hitsRadialMask(point, radialGeometry(*it, imageRect))) return it->id;
    for (auto it = masks.linearMasks.rbegin(); it != masks.linearMasks.rend(); ++it)
        if (candidate(*it) && hitsLinearMask(point, linearGeometry(*it, imageRect))) return it->id;
    return std::nullopt;
}

NormalizedPoint draggedPoint(const NormalizedPoint& start, const QPointF& translation, const QRectF& imageRect) {
    const QPointF delta = translationToUnit(imageRect, translation);
    const double x = std::max(std::min(start.x + delta.x(), 1.0), 0.0);
    const double y = std::max(std::min(start.y + delta.y(), 1.0), 0.0);
    return NormalizedPoint{x, y}.clamped();
}

double draggedRadius(double start, double delta, double extent) {
    double r = start + delta / extent;
    r = std::min(r, kMaxRadius);
    r = std::max(r, kMinRadius);
    return std::isnan(r) ? kMinRadius : r;
}

QPointF parameterDisplayAnchor(const MaskGroupParameters& masks, const std::optional<Uuid>& selected,
                               const QRectF& imageRect, const QSizeF& view) {
    if (selected) {
        for (const LinearMask& mask : masks.linearMasks)
            if (mask.id == *selected) return linearGeometry(mask, imageRect).mid;
        for (const RadialMask& mask : masks.radialMasks)
            if (mask.id == *selected) return viewPoint(imageRect, mask.center);
    }
    return {view.width() / 2, view.height() / 2};
}

QPointF parameterDisplayCentre(const QPointF& anchor, const QSizeF& view) {
    const double x = std::max(std::min(anchor.x() + kDisplayShift, view.width() - kDisplayHalfWidth - kDisplayMargin),
                              kDisplayHalfWidth + kDisplayMargin);
    const double y = std::max(std::min(anchor.y(), view.height() - kDisplayHalfHeight - kDisplayMargin),
                              kDisplayHalfHeight + kDisplayMargin);
    return {x, y};
}

DisplayPlace clearDisplayPlace(const QPointF& anchor, const QSizeF& view, const QSizeF& panel,
                               const std::vector<QRectF>& keepClear) {
    // The display keeps this far from a handle it stands beside.
    constexpr double kGap = 8;
    // The step of the search through the whole view.
    constexpr double kStep = 12;
    QRectF handles;
    for (const QRectF& r : keepClear) handles = handles.isNull() ? r : handles.united(r);
    const double w = panel.width(), h = panel.height();
    auto covered = [&](const QPointF& centre) {
        const QRectF area(centre - QPointF(w / 2, h / 2), panel);
        return int(std::count_if(keepClear.begin(), keepClear.end(), [&](const QRectF& r) { return area.intersects(r); }));
    };

    const QPointF beside = parameterDisplayCentre(anchor, view);
    const QPointF places[] = {
        beside,
        {handles.right() + kGap + w / 2, beside.y()},
        {anchor.x() - kDisplayShift, beside.y()},
        {handles.left() - kGap - w / 2, beside.y()},
        {anchor.x(), handles.top() - kGap - h / 2},
        {anchor.x(), handles.bottom() + kGap + h / 2},
    };
    DisplayPlace fewest{keepInside(beside, panel, view), false};
    int fewestCount = -1;
    for (const QPointF& place : places) {
        const QPointF centre = keepInside(place, panel, view);
        const int count = covered(centre);
        if (count == 0) return {centre, true};
        if (fewestCount < 0 || count < fewestCount) {
            fewestCount = count;
            fewest.centre = centre;
        }
    }

    // Anywhere inside the view, the nearest to the first place first.
    const QPointF first = keepInside(beside, panel, view);
    const QPointF low = keepInside({-1e9, -1e9}, panel, view), high = keepInside({1e9, 1e9}, panel, view);
    std::optional<QPointF> best;
    double bestDistance = 0;
    for (double y = low.y(); y <= high.y() + kStep - 1e-9; y += kStep)
        for (double x = low.x(); x <= high.x() + kStep - 1e-9; x += kStep) {
            const QPointF centre(std::min(x, high.x()), std::min(y, high.y()));
            const double d = std::hypot(centre.x() - first.x(), centre.y() - first.y());
            if ((!best || d < bestDistance) && covered(centre) == 0) {
                best = centre;
                bestDistance = d;
            }
        }
    if (best) return {*best, true};
    return fewest;
}

QPointF keepInside(const QPointF& centre, const QSizeF& panel, const QSizeF& view) {
    auto axis = [](double c, double size, double room) {
        const double low = size / 2 + kDisplayMargin;
        const double high = room - size / 2 - kDisplayMargin;
        if (high < low) return low;  // too large: its start stays in view
        return std::clamp(c, low, high);
    };
    return {axis(centre.x(), panel.width(), view.width()), axis(centre.y(), panel.height(), view.height())};
}

QPolygonF ellipsePolygon(const QPointF& centre, double rx, double ry) {
    rx = std::abs(rx);
    ry = std::abs(ry);
    // Ramanujan's perimeter, enough to choose the number of points.
    const double h = (rx - ry) * (rx - ry) / std::max((rx + ry) * (rx + ry), 1e-9);
    const double perimeter = M_PI * (rx + ry) * (1 + 3 * h / (10 + std::sqrt(std::max(4 - 3 * h, 0.0))));
    const int n = std::clamp(int(perimeter / 3), 24, 720);
    QPolygonF polygon;
    polygon.reserve(n);
    // The unit vector turned step by step: one sine and cosine instead of n.
    const double c = std::cos(2 * M_PI / n), s = std::sin(2 * M_PI / n);
    double x = 1, y = 0;
    for (int i = 0; i < n; ++i) {
        polygon << QPointF(centre.x() + rx * x, centre.y() + ry * y);
        const double turned = x * c - y * s;
        y = x * s + y * c;
        x = turned;
    }
    return polygon;
}

std::vector<QLineF> dashSegments(const QPolygonF& line, double dash, double gap, bool closed) {
    std::vector<QLineF> dashes;
    if (line.size() < 2 || dash <= 0) return dashes;
    const double period = dash + std::max(gap, 0.0);
    double phase = 0;  // distance walked within the current period
    const qsizetype edges = closed ? line.size() : line.size() - 1;
    for (qsizetype i = 0; i < edges; ++i) {
        const QPointF a = line[i];
        const QPointF b = line[(i + 1) % line.size()];
        const double length = std::hypot(b.x() - a.x(), b.y() - a.y());
        // A dash running on from the previous edge is continued, not started anew.
        bool carry = phase > 0 && phase < dash && !dashes.empty();
        double along = 0;
        while (along < length) {
            const bool on = phase < dash;
            const double room = (on ? dash : period) - phase;
            const double step = std::min(room, length - along);
            if (on && step > 0) {
                const QPointF to = a + (b - a) * ((along + step) / length);
                if (carry)
                    dashes.back().setP2(to);
                else
                    dashes.emplace_back(a + (b - a) * (along / length), to);
            }
            carry = false;
            along += step;
            phase += step;
            if (phase >= period) phase -= period;
        }
    }
    return dashes;
}

QPainterPath ellipseRing(const QPointF& centre, double rx, double ry, double width) {
    QPainterPath ring;
    ring.setFillRule(Qt::OddEvenFill);
    const double half = width / 2;
    ring.addEllipse(centre, rx + half, ry + half);
    ring.addEllipse(centre, std::max(rx - half, 0.0), std::max(ry - half, 0.0));
    return ring;
}

}  // namespace vantrel::maskOverlay
