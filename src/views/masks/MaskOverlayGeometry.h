#pragma once
// Geometry of the mask overlay, apart from any widget: where a mask's lines,
// outlines and handles lie in view points, which mask a tap lands on, how a
// drag moves a point or a radius, and where the floating parameter display
// stands beside the selected mask.
#include <optional>
#include <vector>

#include <QLineF>
#include <QPainterPath>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QSizeF>

#include "model/LinearMask.h"
#include "model/MaskGroupParameters.h"
#include "model/NormalizedPoint.h"
#include "model/RadialMask.h"
#include "model/Uuid.h"

namespace vantrel {

namespace maskOverlay {

// Every drag of a mask handle starts after this many points.
constexpr double kDragStart = 10;
// How far from a mask's line, dot or outline a tap still selects it.
constexpr double kHitSlack = 12;
// The value badge sits this far right of its mask's midpoint or centre.
constexpr double kBadgeOffset = 46;
// Radii stay within these fractions of the image.
constexpr double kMinRadius = 0.02;
constexpr double kMaxRadius = 0.9;
// How far from a radius handle's and the radial centre handle's centre a
// press still takes it.
constexpr double kRadiusReach = 9;
constexpr double kCentreReach = 12;
// Handles brought in from beyond the view keep this far inside its edges.
constexpr double kEdgeRoom = 10;

struct LinearGeometry {
    QPointF start, end, mid;
    QPointF normal;  // unit, across the axis; (0, 1) for a mask without length
    double reach = 0;  // half the length of the start and end lines
};
LinearGeometry linearGeometry(const LinearMask& mask, const QRectF& imageRect);

struct RadialGeometry {
    QPointF centre;
    double rx = 0, ry = 0;     // outline radii in points
    double ringFactor = 1;     // the feather ring's share of the outline radii
    QSizeF outlineSize() const;  // at least 4 x 4 points
    QSizeF ringSize() const;     // at least 2 x 2 points
};
RadialGeometry radialGeometry(const RadialMask& mask, const QRectF& imageRect);

double distanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b);

// The value badge of `size` beside `anchor` (a linear mask's midpoint, a
// radial mask's centre): kBadgeOffset to its right, else as far to its left
// where the right has no room in `view`, and kept inside `view`.
QRectF badgePlace(const QPointF& anchor, const QSizeF& size, const QRectF& view);

// Where the selected radial mask's radius handles are drawn and take
// presses in a view showing `view`. Each stands where the mask puts it while
// that lies inside the view (kEdgeRoom in); one beyond it (a mask by the
// frame's edge, or wider than the frame) is brought to that edge on its axis,
// then along the edge to the nearest place where it lies on none of the
// centre handle, the badge and the handles placed before it. So every handle
// of a mask anywhere on the frame can be grabbed.
struct RadialHandles {
    QPointF right, left, bottom, top;
};
RadialHandles radialHandlePlaces(const RadialGeometry& geometry, const QRectF& badge, const QRectF& view);

// Within the slack of the mask's line or of its midpoint dot.
bool hitsLinearMask(const QPointF& point, const LinearGeometry& geometry);
// Inside the drawn outline, or within the slack of it.
bool hitsRadialMask(const QPointF& point, const RadialGeometry& geometry);

// The unselected, enabled mask a tap at `point` selects: the top-most drawn
// one, that is radial masks before linear ones and later masks before earlier
// ones. None when the tap misses them all.
std::optional<Uuid> maskUnderPoint(const MaskGroupParameters& masks, const std::optional<Uuid>& selected,
                                   const QRectF& imageRect, const QPointF& point);

// A point dragged by `translation` view points from where it stood when the
// drag began: each coordinate kept within 0...1 on its own, so a mask pushed
// against an edge is shortened. Needs a rectangle with area.
NormalizedPoint draggedPoint(const NormalizedPoint& start, const QPointF& translation, const QRectF& imageRect);
// A radius dragged by `delta` points across an image `extent` points long,
// kept within 0.02...0.9 (a stored value outside is brought in by any change).
double draggedRadius(double start, double delta, double extent);

// The anchor of the parameter display: the selected linear mask's midpoint,
// else the selected radial mask's centre, else the middle of the view.
QPointF parameterDisplayAnchor(const MaskGroupParameters& masks, const std::optional<Uuid>& selected,
                               const QRectF& imageRect, const QSizeF& view);
// The display's centre beside the anchor, kept inside a view of `view` points.
QPointF parameterDisplayCentre(const QPointF& anchor, const QSizeF& view);

// Where a display of `panel` size stands, kept inside the view, so that it
// covers none of `keepClear` (the selected mask's handles and badge). Tried in
// this order: beside the anchor (parameterDisplayCentre), that side clear of
// the handles, the anchor's other side, that side clear of the handles, above
// the handles, below them; then any place of the view, the nearest to the
// first one first. `clear` is false when no place leaves them all free: the
// centre is then the place of the first six that covers fewest.
struct DisplayPlace {
    QPointF centre;
    bool clear = true;
};
DisplayPlace clearDisplayPlace(const QPointF& anchor, const QSizeF& view, const QSizeF& panel,
                               const std::vector<QRectF>& keepClear);

// A panel of `panel` size centred at `centre` moved in so that it lies 16
// points inside a view of `view` points; one taller or wider than the view
// keeps its top or left edge inside.
QPointF keepInside(const QPointF& centre, const QSizeF& panel, const QSizeF& view);

// Drawing aids: Qt strokes curves and dashes slowly (a dashed ellipse costs a
// millisecond), so outlines are drawn as filled rings and dashes as separate
// short lines along a flattened outline.

// The ellipse as a closed polygon fine enough to look round (a point about
// every three points of its perimeter).
QPolygonF ellipsePolygon(const QPointF& centre, double rx, double ry);
// The dashes of `dash` points with `gap` points between them along a polyline
// (closed: back to its first point), starting with a dash.
std::vector<QLineF> dashSegments(const QPolygonF& line, double dash, double gap, bool closed);
// A ring `width` points wide centred on the ellipse's outline, to be filled.
QPainterPath ellipseRing(const QPointF& centre, double rx, double ry, double width);

}  // namespace maskOverlay

}  // namespace vantrel
