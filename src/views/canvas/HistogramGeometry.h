#pragma once
// The histogram panel's arithmetic apart from any widget: where a curve's
// points lie in the drawing, how far the standard range reaches, which warning
// marks show, and the texts of the extended-range badge and axis label.
#include <vector>

#include <QPainterPath>
#include <QPolygonF>
#include <QString>

#include "engine/stages/HistogramData.h"

namespace vantrel::histogram {

constexpr double kCurveBoxHeight = 90;
// With the extended range on, the standard range takes this share of the width.
constexpr double kStandardRangeShare = 0.72;

// The width the standard-range curves and the grid are drawn in.
double standardRangeWidth(double width, bool extendedRange);

// The polyline of `bins` across [left, left + width) of a drawing `height`
// high: point i at x = left + width / (n - 1) × i, y = height × (1 − value),
// each value limited to 0…1 and a value that is not a number taken as 0.
// Fewer than two bins give no points.
QPolygonF curvePoints(const std::vector<float>& bins, double left, double width, double height);

// The filled area under a polyline: down to the bottom at `right`, back to
// `left` and closed. Empty for an empty polyline.
QPainterPath curveArea(const QPolygonF& line, double left, double right, double height);

// The grid: thirds-and-half lines of the standard range as one path.
QPainterPath gridPath(double standardWidth, double height);

struct Marks {
    bool badge = false;         // the extended-range headroom badge
    bool shadowDot = false;
    bool highlightDot = false;  // never in the extended-range layout
};
Marks marksFor(const HistogramData& data);

// "EDR Headroom 2.5x" (in the current language) and "EDR +1.3 EV"; a headroom that is
// not a number reads as 1.0.
QString badgeText(double headroom);
QString headroomLabel(double headroom);

}  // namespace vantrel::histogram
