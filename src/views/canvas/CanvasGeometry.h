#pragma once
// The arithmetic of the zoom canvas and the before/after comparison, apart
// from any widget: pinch and double-tap targets, where the zoomed content
// lies, and where each image, badge and the split divider of a comparison
// layout go.
//
// Zoom 1 shows the frame fitted into the canvas; the pan is in canvas points
// from centred. Sizes in points, origin at the top left.
#include <optional>
#include <vector>

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include "model/CompareMode.h"
#include "views/kit/StandardColors.h"

namespace vantrel::canvas {

// Above this zoom the picture can be dragged; a pinch that ends at or below it
// snaps back to fitted.
constexpr double kDragZoomThreshold = 1.02;
// Above this zoom the canvas counts as zoomed in: a double tap returns to fitted.
constexpr double kZoomedInThreshold = 1.05;

// The largest zoom a pinch reaches: three times actual pixels, at least 6.
double maximumZoom(double oneToOneScale);

// The zoom after a pinch step that multiplies it by `delta`, within 1 and the
// maximum. A step that is not a positive number changes nothing.
double pinchedZoom(double zoom, double delta, double oneToOneScale);

struct ZoomPan {
    double zoom = 1;
    QPointF pan;
};

// A double tap at `tap` (canvas points) on a canvas of `view` showing a frame
// of `image` pixels at `zoom`: back to fitted when zoomed in, else actual
// pixels with the tapped point brought to the centre as far as the pan limits allow.
ZoomPan doubleTapTarget(const QSizeF& view, const QSizeF& image, double zoom, const QPointF& tap);

// Where the content lies: the fitted size scaled by `zoom` about the canvas
// centre, moved by `pan`.
QRectF contentRect(const QSizeF& view, const QSizeF& fitted, double zoom, const QPointF& pan);

// ---- comparison

enum class CompareImage { original, processed };
enum class BadgeLabel { reference, target };

struct CompareLayer {
    CompareImage image;
    QRectF rect;                  // where the whole image is drawn
    std::optional<QRectF> clip;   // only this part shows (the split's left side)
};

struct CompareBadge {
    BadgeLabel label;
    StandardColor colour;
    double opacity;               // of the colour, before the badge's own 0.85
    QPointF anchor;               // the bubble's top-left corner, or top-right when trailing
    bool trailing = false;
};

struct CompareLayout {
    std::vector<CompareLayer> layers;  // bottom to top
    std::vector<CompareBadge> badges;
    std::optional<double> dividerX;    // split mode only
};

// Side-by-side panes are at most this share of the width each, 4 points apart.
constexpr double kPaneWidthShare = 0.495;
constexpr double kPaneSpacing = 4;
// The split divider's hit band and the limits of its ratio.
constexpr double kDividerBand = 44;
constexpr double kMinimumSplitRatio = 0.02;
constexpr double kMaximumSplitRatio = 0.98;

// The layout of a comparison `view` points large. An image size that is empty
// means the image is missing: its layer (and its badge) is left out. Holding
// the original overrides every mode. `originalArea`: where the original
// belongs on the processed image in fractions of it (its photo inside a film
// border); in split mode the original is drawn there, so that the two meet at
// the divider. Elsewhere, and without it, each image is fitted on its own.
CompareLayout compareLayout(CompareMode mode, bool holdingOriginal, const QSizeF& view, const QSizeF& original,
                            const QSizeF& processed, double splitRatio,
                            std::optional<QRectF> originalArea = std::nullopt);

// The split ratio for a pointer at `x` over a view `width` wide, within 2 % and
// 98 %; a width that is not positive (or a position that is not a number)
// keeps `current`.
double splitRatioAt(double x, double width, double current);

// Whether `point` lies on the divider's band (half-open) of a view `view` large.
bool onDivider(const QPointF& point, const QSizeF& view, double dividerX);

}  // namespace vantrel::canvas
