#pragma once
// The histogram's filled areas drawn straight into an image. A curve's area
// reaches from its polyline down to the image's bottom edge, so it is one run
// of pixels per column: each column takes the polyline's height at its middle
// and is filled below it, the top pixel in proportion to how much of it lies
// under the line. This costs a small fraction of an antialiased path fill
// through the painter, which rasterises the 259-sided outline span by span.
#include <QColor>
#include <QImage>
#include <QPolygonF>

namespace vantrel::histogram {

// Blends `colour` over the columns of `image` (premultiplied ARGB32, device
// pixels, at its own device pixel ratio) from x = line's first point to its
// last, below the polyline (logical coordinates, x increasing). A line with
// fewer than two points draws nothing.
void fillUnder(QImage& image, const QPolygonF& line, const QColor& colour);

}  // namespace vantrel::histogram
