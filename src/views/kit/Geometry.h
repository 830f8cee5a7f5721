#pragma once
// Pure geometry shared by the canvas and its overlays: half-open hit tests, the
// aspect-fit rectangle of a frame in a view, the limits of a pan, and the
// mapping between image-relative units (0 to 1) and view points.
#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace vantrel {

// Left and top edges inside, right and bottom edges outside (QRectF::contains
// counts all four). An empty or NaN rectangle contains nothing.
bool containsHalfOpen(const QRectF& rect, const QPointF& point);

struct FitLayout {
    QRectF rect;                // the fitted image in view points, centred
    double oneToOneScale = 1;   // the zoom at which one image pixel covers one point (>= 1)
};

// A frame of pixel size `image` shown aspect-fit and centred in a view of size
// `view`. A view of 20 points or less on a side, or an image with a side that
// is not positive, gives the whole view and a 1:1 scale of 1.
FitLayout fitLayout(const QSizeF& view, const QSizeF& image);
// The fitted rectangle of a frame shown `padding` points in from every side of
// the view (the room its edges' handles reach into), in the view's coordinates.
QRectF fittedInside(const QSizeF& view, const QSizeF& image, double padding);

// How far the pan may go on each axis at `zoom` (never negative): half of what
// the scaled fitted image overhangs the view.
QPointF panLimits(const QSizeF& view, const QSizeF& fitted, double zoom);
// `pan` limited to the limits above: an axis where the scaled image is smaller
// than the view is pinned to 0. NaN components become 0.
QPointF clampPan(const QPointF& pan, const QSizeF& view, const QSizeF& fitted, double zoom);

// Image-relative point (0 to 1) to view points inside `imageRect`, and back.
// The way back returns (0, 0) for an empty rectangle instead of dividing by 0.
QPointF fromUnit(const QRectF& imageRect, const QPointF& unit);
QPointF toUnit(const QRectF& imageRect, const QPointF& point);
// A translation in view points as a fraction of the rectangle's size.
QPointF translationToUnit(const QRectF& imageRect, const QPointF& translation);

}  // namespace vantrel
