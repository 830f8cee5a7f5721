#include "views/masks/MaskOverlayGeometry.h"

#include <algorithm>
#include <cmath>

#include "model/MaskRules.h"
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

namespace {

bool hitsMask(const QPointF& point, const LinearMask& mask, const QRectF& imageRect) {
    return hitsLinearMask(point, linearGeometry(mask, imageRect));
}
bool hitsMask(const QPointF& point, const RadialMask& mask, const QRectF& imageRect) {
    return hitsRadialMask(point, radialGeometry(mask, imageRect));
}

QPointF maskAnchor(const LinearMask& mask, const QRectF& imageRect) { return linearGeometry(mask, imageRect).mid; }
QPointF maskAnchor(const RadialMask& mask, const QRectF& imageRect) { return viewPoint(imageRect, mask.center); }

}  // namespace

std::optional<Uuid> maskUnderPoint(const MaskGroupParameters& masks, const std::optional<Uuid>& selected,
                                   const QRectF& imageRect, const QPointF& point) {
    // The topmost first: later kinds, and later masks of a kind, are drawn above.
    std::optional<Uuid> hit;
    anyMaskKindTopFirst([&](const auto& kind) {
        const auto& list = masks.*kind.member;
        for (auto it = list.rbegin(); it != list.rend() && !hit; ++it)
            if (it->isEnabled && it->id != selected && hitsMask(point, *it, imageRect)) hit = it->id;
        return hit.has_value();
    });
    return hit;
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
    QPointF anchor(view.width() / 2, view.height() / 2);
    editMask(masks, selected, [&](const auto& mask) { anchor = maskAnchor(mask, imageRect); });
    return anchor;
}

QRectF badgePlace(const QPointF& anchor, const QSizeF& size, const QRectF& view) {
    const auto at = [&](double dx) {
        return QRectF(anchor.x() + dx - size.width() / 2, anchor.y() - size.height() / 2, size.width(), size.height());
    };
    QRectF badge = at(kBadgeOffset);
    if (badge.right() > view.right() - 2 && at(-kBadgeOffset).left() >= view.left() + 2) badge = at(-kBadgeOffset);
    const double x = std::clamp(badge.left(), view.left() + 2, std::max(view.left() + 2, view.right() - 2 - badge.width()));
    const double y =
        std::clamp(badge.top(), view.top() + 2, std::max(view.top() + 2, view.bottom() - 2 - badge.height()));
    badge.moveTo(x, y);
    return badge;
}

RadialHandles radialHandlePlaces(const RadialGeometry& g, const QRectF& badge, const QRectF& view) {
    const QRectF inside = view.adjusted(kEdgeRoom, kEdgeRoom, -kEdgeRoom, -kEdgeRoom);
    const QPointF c = g.centre;
    QPointF places[4] = {c + QPointF(g.rx, 0), c - QPointF(g.rx, 0), c + QPointF(0, g.ry), c - QPointF(0, g.ry)};
    if (!inside.isValid()) return {places[0], places[1], places[2], places[3]};
    const auto shown = [&](const QPointF& p) { return inside.contains(p); };
    bool placed[4];
    for (int i = 0; i < 4; ++i) placed[i] = shown(places[i]);
    // A place is free when a press there takes only this handle.
    const auto free = [&](const QPointF& p, int self) {
        if (QLineF(p, c).length() < kCentreReach + kRadiusReach) return false;
        if (badge.adjusted(-kRadiusReach, -kRadiusReach, kRadiusReach, kRadiusReach).contains(p)) return false;
        for (int j = 0; j < 4; ++j)
            if (j != self && placed[j] && QLineF(p, places[j]).length() < 2 * kRadiusReach) return false;
        return true;
    };
    for (int i = 0; i < 4; ++i) {
        if (placed[i]) continue;
        const QPointF edge(std::clamp(places[i].x(), inside.left(), inside.right()),
                           std::clamp(places[i].y(), inside.top(), inside.bottom()));
        // Right and left handles move up or down their edge, the others along theirs.
        const bool vertical = i < 2;
        const double from = vertical ? inside.top() : inside.left(), to = vertical ? inside.bottom() : inside.right();
        const double start = vertical ? edge.y() : edge.x();
        QPointF best = edge;
        for (double step = 0; step <= to - from; ++step) {
            bool found = false;
            for (double along : {start + step, start - step}) {
                if (along < from || along > to) continue;
                const QPointF p = vertical ? QPointF(edge.x(), along) : QPointF(along, edge.y());
                if (free(p, i)) {
                    best = p;
                    found = true;
                    break;
                }
            }
            if (found) break;
        }
        places[i] = best;
        placed[i] = true;
    }
    return {places[0], places[1], places[2], places[3]};
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
