#pragma once
// The navigator's arithmetic apart from any widget. The map is 160 x 106
// points; the frame's thumbnail is fitted into it. The canvas it mirrors
// shows the frame fitted into the container (its "fitted" size) and scaled by
// the zoom z about the centre, moved by the pan (points, from centred).
//
// Per axis, the viewport (the part of the frame on screen) is
//   size   = min(container / (fitted · z), 1) of the thumbnail,
//   centre = thumbnail centre − pan / (fitted · z) of the thumbnail,
// and a tap at n (−0.5…0.5 of the thumbnail from its centre) brings that
// point to the canvas centre: pan = −n · fitted · z, held within the canvas's
// pan limits. On a letterboxed axis the fitted size is less than the
// container, which is why the container alone cannot stand in for it.
#include <optional>

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

namespace vantrel::navigator {

constexpr double kMapWidth = 160;
constexpr double kMapHeight = 106;
// Up to this zoom the canvas counts as fitted.
constexpr double kFittedZoom = 1.05;
// The drawn viewport is never smaller than this on a side.
constexpr double kMinimumViewportSide = 8;

// The thumbnail fitted and centred in the map; the whole map for an image
// without area.
QRectF thumbnailRect(const QSizeF& imageSize);

// The zoom at which one image pixel covers one canvas point (at least 1).
double actualPixelsFactor(const QSizeF& containerSize, const QSizeF& imageSize);

// The viewport in map coordinates as computed (before the minimum size); none
// when the container or the zoom leaves nothing to show (a zero container, a
// zoom that is not positive, a value that is not a number).
std::optional<QRectF> viewportRect(const QRectF& thumbnail, const QSizeF& containerSize, const QSizeF& imageSize,
                                   double zoom, const QPointF& pan);
// The same grown about its centre to at least 8 x 8 points, as it is drawn.
QRectF drawnViewport(const QRectF& viewport);

// The pan a tap at `tap` (map coordinates) asks for: none when the canvas is
// fitted (zoom ≤ 1.05), the tap misses the thumbnail (half-open), or the
// container has no size.
std::optional<QPointF> tapPan(const QPointF& tap, const QRectF& thumbnail, const QSizeF& containerSize,
                              const QSizeF& imageSize, double zoom);

// The zoom label: `fitText` while fitted, else the zoom as a whole percentage
// of actual pixels ("100%" at 1:1), halves rounded away from zero.
QString zoomLabel(double zoom, double actualPixels, const QString& fitText);

struct Emphasis {
    bool fit = false;
    bool oneToOne = false;
    bool twoToOne = false;
    friend bool operator==(const Emphasis&, const Emphasis&) = default;
};
// Which of the Fit, 100% and 200% buttons are bold.
Emphasis emphasis(double zoom, double actualPixels);

}  // namespace vantrel::navigator
