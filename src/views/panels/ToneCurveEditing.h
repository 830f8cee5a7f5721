#pragma once
// The point-list operations and canvas geometry of the tone curve editor, with
// no widget: presets, the point read-out, deleting, inserting on the curve,
// dragging between neighbours, and the mapping between curve and canvas.
//
// Canvas coordinates: origin at the top left, y downwards, in points; a curve
// point (x, y) lies at (w·x, h·(1 − y)), so the output grows upwards. Every
// operation returns the new list (to be written once) or nothing when the list
// stays as it is; a canvas without area is never divided by.
#include <optional>
#include <utility>
#include <vector>

#include <QPointF>
#include <QPolygonF>
#include <QSizeF>

#include "model/CurvePoint.h"

namespace vantrel::tonecurve {

inline constexpr double kReadoutScale = 255;
inline constexpr double kCanvasHeight = 150;
inline constexpr int kCurveSamples = 129;       // x = i / 128
inline constexpr double kHitRadius = 14;        // a handle takes clicks within 28 points across
inline constexpr double kNeighbourGap = 0.015;  // a dragged point keeps this far from its neighbours in x
inline constexpr double kLonePointLimit = 0.985;
inline constexpr double kNewPointMin = 0.02;
inline constexpr double kNewPointMax = 0.98;
inline constexpr double kSnapDistance = 0.025;  // an insert this close in x selects the point there

enum class CurvePreset { linear, mediumContrast, strongContrast, matteFilm };

// The preset's points, each with a fresh identifier.
std::vector<CurvePoint> presetPoints(CurvePreset preset);
// (0, 0), (x1, y1), (0.5, 0.5), (x2, y2), (1, 1), with fresh identifiers.
std::vector<CurvePoint> sCurvePoints(double x1, double y1, double x2, double y2);

// A copy ordered by x, equal x keeping their list order.
std::vector<CurvePoint> sortedByX(std::vector<CurvePoint> points);
// The curve of a list sorted by x, at x.
double curveValue(const std::vector<CurvePoint>& sorted, double x);
// A level of 0...1 on the 0–255 scale, halves away from zero.
int readoutLevel(double value);

// (in, out) of the selected point when it is in the list, else of the curve
// under the pointer's x, else nothing.
std::optional<std::pair<int, int>> readoutValues(const std::vector<CurvePoint>& points,
                                                 const std::optional<Uuid>& selected,
                                                 const std::optional<double>& hoverNormX);

// A point of the list that is neither end point (first or last by x), in a
// list of more than two points.
bool canDeletePoint(const std::vector<CurvePoint>& points, const Uuid& id);
// The list without the point; nothing when it may not be deleted.
std::optional<std::vector<CurvePoint>> withoutPoint(const std::vector<CurvePoint>& points, const Uuid& id);
// The list with the point's y set to its x; nothing when the point is not there.
std::optional<std::vector<CurvePoint>> pointOnDiagonal(const std::vector<CurvePoint>& points, const Uuid& id);

struct Insertion {
    enum class Kind { none, existing, inserted };
    Kind kind = Kind::none;
    Uuid id;                          // the point selected
    std::vector<CurvePoint> points;   // the new list, ordered by x (inserted only)
};
// A click at canvas x on a canvas of `size`: nothing without area; the first
// point (list order) within 0.025 in x of the clicked x (limited to 0.02…0.98)
// is taken; else a new point on the curve there, the list ordered by x.
Insertion insertPoint(const std::vector<CurvePoint>& points, double canvasX, QSizeF size);

// The x range a point may be dragged in: `k` is its place in the list sorted by x.
struct DragBounds {
    double lower = 0;
    double upper = 1;
};
DragBounds dragBounds(const std::vector<CurvePoint>& sorted, std::size_t k);
// The list with the point moved to a drag location: y follows the pointer over
// 0…1, x stays within its bounds (or where it was when they leave no room).
// Nothing when the point is not in the list or the canvas has no area.
std::optional<std::vector<CurvePoint>> draggedPoint(const std::vector<CurvePoint>& points, const Uuid& id,
                                                    QPointF location, QSizeF size);

QPointF canvasPosition(const CurvePoint& point, QSizeF size);
// The handle under a canvas position: the last in list order (drawn on top)
// within the hit radius.
std::optional<Uuid> handleAt(const std::vector<CurvePoint>& points, QPointF position, QSizeF size);
// The first point in list order within the hit radius (a click on the backdrop).
std::optional<Uuid> pointNear(const std::vector<CurvePoint>& points, QPointF position, QSizeF size);
// The 129 samples of the curve of a sorted list, in canvas coordinates.
QPolygonF curveSamples(const std::vector<CurvePoint>& sorted, QSizeF size);

}  // namespace vantrel::tonecurve
