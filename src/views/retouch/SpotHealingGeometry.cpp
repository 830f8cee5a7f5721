#include "views/retouch/SpotHealingGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "views/kit/Geometry.h"

namespace vantrel::spots {

namespace {

double distance(const QPointF& a, const QPointF& b) { return std::hypot(a.x() - b.x(), a.y() - b.y()); }

bool hasArea(const QRectF& r) { return r.width() > 0 && r.height() > 0; }

// Within 0.01 ... 0.99, the lower bound tested last as the drags define it.
double limitUnit(double v) {
    if (v >= kHighestUnit) v = kHighestUnit;
    if (v <= kLowestUnit) v = kLowestUnit;
    return v;
}

// How far the delete button stands from its target: its reach just outside the ring.
double buttonDistance(double drawnRadius) { return drawnRadius + kButtonClearance + kDeleteButtonHitRadius; }

double distanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b) {
    const QPointF ab = b - a;
    const double length = QPointF::dotProduct(ab, ab);
    const double t = length > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / length, 0.0, 1.0) : 0.0;
    return distance(p, a + t * ab);
}

}  // namespace

Layout layoutFor(const QSizeF& view, const QSizeF& image, double padding) {
    const QRectF rect = fittedInside(view, image, padding);
    return {rect, std::min(rect.width(), rect.height())};
}

QPointF targetPoint(const Layout& layout, const SpotItem& spot) {
    return fromUnit(layout.imageRect, QPointF(spot.center.x, spot.center.y));
}

QPointF sourcePoint(const Layout& layout, const SpotItem& spot) {
    return targetPoint(layout, spot) + QPointF(spot.sourceOffset.x * layout.imageRect.width(),
                                               spot.sourceOffset.y * layout.imageRect.height());
}

double drawnRadius(const Layout& layout, const SpotItem& spot) {
    return std::max(layout.shortSide * spot.radius, kMinimumDrawnRadius);
}

double grabReach(const Layout& layout, const SpotItem& spot) {
    return std::max(layout.shortSide * spot.radius * kHealedCore, kCrossHairArm);
}

std::optional<Uuid> spotAtTap(const Layout& layout, const std::vector<SpotItem>& spots, const QPointF& point) {
    for (const SpotItem& spot : spots) {
        const double reach = grabReach(layout, spot);
        if (distance(point, targetPoint(layout, spot)) <= reach || distance(point, sourcePoint(layout, spot)) <= reach)
            return spot.id;
    }
    return std::nullopt;
}

std::optional<SpotHit> partAt(const Layout& layout, const std::vector<SpotItem>& spots,
                              const std::optional<DeleteButton>& button, const QPointF& point) {
    std::optional<SpotHit> best;
    std::pair<double, double> nearest;  // to the drawn shape, then to the centre
    const auto consider = [&](const SpotHit& hit, double shape, double centre) {
        const std::pair<double, double> key{shape, centre};
        if (!best || key < nearest) {
            best = hit;
            nearest = key;
        }
    };
    if (button && indexOf(spots, button->id)) {
        const double d = distance(point, button->centre);
        if (d <= kDeleteButtonHitRadius)
            consider({button->id, SpotPart::deleteButton}, std::max(d - kDeleteButtonRadius, 0.0), d);
    }
    // A handle is taken at its centre mark and what it heals whole.
    const auto handle = [&](const SpotItem& spot, SpotPart part, const QPointF& centre, double mark) {
        const double d = distance(point, centre);
        if (d <= grabReach(layout, spot)) consider({spot.id, part}, std::max(d - mark, 0.0), d);
    };
    for (auto it = spots.rbegin(); it != spots.rend(); ++it)
        handle(*it, SpotPart::target, targetPoint(layout, *it), kCrossHairArm);
    for (auto it = spots.rbegin(); it != spots.rend(); ++it)
        handle(*it, SpotPart::source, sourcePoint(layout, *it), kSourceDotRadius);
    return best;
}

QPointF labelCentre(const QPointF& handlePoint, double drawnRadius) {
    return handlePoint - QPointF(0, drawnRadius + kLabelGap);
}

LabelBoxes labelBoxes(const QPointF& target, const QPointF& source, double drawnRadius, const QSizeF& targetLabel,
                      const QSizeF& sourceLabel) {
    const auto box = [](const QPointF& centre, const QSizeF& size) {
        return QRectF(centre - QPointF(size.width() / 2, size.height() / 2), size);
    };
    const auto above = [&](const QPointF& p, const QSizeF& size) { return box(labelCentre(p, drawnRadius), size); };
    const auto below = [&](const QPointF& p, const QSizeF& size) {
        return box(p + QPointF(0, drawnRadius + kLabelGap), size);
    };
    const auto ring = [&](const QPointF& centre) {
        return QRectF(centre - QPointF(drawnRadius, drawnRadius), QSizeF(2 * drawnRadius, 2 * drawnRadius));
    };
    const LabelBoxes choices[] = {{above(target, targetLabel), above(source, sourceLabel)},
                                  {above(target, targetLabel), below(source, sourceLabel)},
                                  {below(target, targetLabel), above(source, sourceLabel)}};
    // Best, neither label over the other ring either (a source right above its
    // target would sit under the target's label above it).
    for (const LabelBoxes& c : choices)
        if (!c.target.intersects(c.source) && !c.target.intersects(ring(source)) && !c.source.intersects(ring(target)))
            return c;
    for (const LabelBoxes& c : choices)
        if (!c.target.intersects(c.source)) return c;
    return choices[1];  // not reached: the two rings' gaps put the last two choices far apart
}

std::optional<QPointF> deleteButtonCentre(const Layout& layout, const std::vector<SpotItem>& spots,
                                          const SpotItem& spot, const LabelBoxes& labels, const SpeckAt& speckAt) {
    const QPointF target = targetPoint(layout, spot), source = sourcePoint(layout, spot);
    const double r = drawnRadius(layout, spot);
    const double out = buttonDistance(r), reach = kDeleteButtonHitRadius + kButtonClearance;
    const auto at = [&](int eighth) {  // 0 upper right, then clockwise round the ring
        const double angle = (eighth - 1) * std::numbers::pi / 4;
        return target + out * QPointF(std::cos(angle), std::sin(angle));
    };
    // Where a click meant for healing may land: on the source's side, on other spots, on dust.
    const QPointF towardsSource = source - target;
    const auto taken = [&](const QPointF& centre) {
        if (distance(source, target) > 1 && QPointF::dotProduct(centre - target, towardsSource) > 1e-9) return true;
        if (distanceToSegment(centre, target, source) <= reach || distance(centre, source) <= r + reach) return true;
        for (const SpotItem& other : spots) {
            if (other.id == spot.id) continue;
            const double ro = drawnRadius(layout, other) + reach;
            if (distance(centre, targetPoint(layout, other)) <= ro || distance(centre, sourcePoint(layout, other)) <= ro)
                return true;
        }
        return speckAt && speckAt(centre, kDeleteButtonHitRadius);
    };
    // How much of the labels the button's disc would hide.
    const auto hidden = [&](const QPointF& centre) {
        const QRectF disc(centre - QPointF(kDeleteButtonRadius, kDeleteButtonRadius),
                          QSizeF(2 * kDeleteButtonRadius, 2 * kDeleteButtonRadius));
        const auto area = [](const QRectF& r) { return r.isValid() ? r.width() * r.height() : 0.0; };
        return area(disc & labels.target) + area(disc & labels.source);
    };
    std::optional<QPointF> best;
    double least = 0;
    for (int eighth = 0; eighth < 8 && !(best && least == 0); ++eighth) {
        const QPointF centre = at(eighth);
        if (taken(centre)) continue;
        if (const double area = hidden(centre); !best || area < least) {
            best = centre;
            least = area;
        }
    }
    return best;
}

std::optional<Point> draggedCenter(const Point& start, const QPointF& translation, const QRectF& imageRect) {
    if (!hasArea(imageRect)) return std::nullopt;
    const double x = std::min(translation.x() / imageRect.width() + start.x, kHighestUnit);
    const double y = std::min(translation.y() / imageRect.height() + start.y, kHighestUnit);
    if (!std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
    return Point{x <= kLowestUnit ? kLowestUnit : x, y <= kLowestUnit ? kLowestUnit : y};
}

std::optional<Point> draggedSourceOffset(const Point& startOffset, const Point& center, const QPointF& translation,
                                         const QRectF& imageRect) {
    if (!hasArea(imageRect)) return std::nullopt;
    const double sx = limitUnit(startOffset.x + translation.x() / imageRect.width() + center.x);
    const double sy = limitUnit(startOffset.y + translation.y() / imageRect.height() + center.y);
    if (!std::isfinite(sx) || !std::isfinite(sy)) return std::nullopt;
    return Point{sx - center.x, sy - center.y};
}

std::optional<NewSpot> newSpotAt(const Layout& layout, const QPointF& point, double brushRadius) {
    if (!hasArea(layout.imageRect) || !(layout.shortSide > 0)) return std::nullopt;
    const QPointF c = toUnit(layout.imageRect, point);
    return NewSpot{{c.x(), c.y()}, brushRadius / layout.shortSide};
}

std::optional<Arrowhead> arrowhead(const QPointF& source, const QPointF& target, double drawnRadius) {
    const double d = distance(source, target);
    if (!(d > drawnRadius + kArrowClearance)) return std::nullopt;
    const QPointF tip = target - drawnRadius * (target - source) / d;
    const double theta = std::atan2(target.y() - source.y(), target.x() - source.x());
    const double spread = std::numbers::pi / 6;
    const auto barb = [&](double angle) { return tip - kArrowBarb * QPointF(std::cos(angle), std::sin(angle)); };
    return Arrowhead{tip, barb(theta - spread), barb(theta + spread)};
}

QRectF paintedBounds(const Layout& layout, const SpotItem& spot) {
    const double r = drawnRadius(layout, spot);
    // Ring, stroke and shadow reach r + 12; a label, however long its
    // translation, stays within 90 points either side and 22 above or below the ring.
    const auto around = [&](const QPointF& p) {
        const double half = std::max(r + 12, 90.0);
        const double tall = r + kLabelGap + 12;
        return QRectF(p.x() - half, p.y() - tall, 2 * half, 2 * tall);
    };
    const QPointF S = sourcePoint(layout, spot), T = targetPoint(layout, spot);
    const double button = buttonDistance(r) + kDeleteButtonRadius + 1;  // wherever round the ring it stands
    return around(S) | around(T) | QRectF(T - QPointF(button, button), QSizeF(2 * button, 2 * button)) | QRectF(S, T).normalized().adjusted(-kArrowBarb - 2, -kArrowBarb - 2, kArrowBarb + 2,
                                                                      kArrowBarb + 2);
}

bool sourceOverlapsTarget(const SpotItem& spot, const QSizeF& image) {
    if (!(image.width() > 0) || !(image.height() > 0)) return false;
    const double apart = std::hypot(spot.sourceOffset.x * image.width(), spot.sourceOffset.y * image.height());
    return apart < 2 * spot.radius * std::min(image.width(), image.height());
}

std::optional<std::size_t> indexOf(const std::vector<SpotItem>& spots, const Uuid& id) {
    for (std::size_t i = 0; i < spots.size(); ++i)
        if (spots[i].id == id) return i;
    return std::nullopt;
}

}  // namespace vantrel::spots
