#include "views/canvas/HistogramGeometry.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "services/L10n.h"
#include "services/TextFormatter.h"

namespace vantrel::histogram {

namespace {

double finiteHeadroom(double headroom) { return std::isfinite(headroom) ? headroom : 1.0; }

QString oneDecimal(double value) {
    const std::array<FormatArg, 1> argument{makeFormatArg(value)};
    return QString::fromStdString(formatText("%.1f", argument));
}

}  // namespace

double standardRangeWidth(double width, bool extendedRange) {
    return extendedRange ? width * kStandardRangeShare : width;
}

QPolygonF curvePoints(const std::vector<float>& bins, double left, double width, double height) {
    const std::size_t n = bins.size();
    if (n < 2) return {};
    QPolygonF points;
    points.reserve(qsizetype(n));
    const double step = width / double(n - 1);
    for (std::size_t i = 0; i < n; ++i) {
        const float raw = bins[i];
        const double value = std::isfinite(raw) ? std::clamp(double(raw), 0.0, 1.0) : 0.0;
        points.append(QPointF(left + step * double(i), height * (1 - value)));
    }
    return points;
}

QPainterPath curveArea(const QPolygonF& line, double left, double right, double height) {
    QPainterPath area;
    if (line.isEmpty()) return area;
    area.addPolygon(line);
    area.lineTo(right, height);
    area.lineTo(left, height);
    area.closeSubpath();
    return area;
}

QPainterPath gridPath(double standardWidth, double height) {
    QPainterPath grid;
    for (double share : {0.25, 0.5, 0.75}) {
        grid.moveTo(standardWidth * share, 0);
        grid.lineTo(standardWidth * share, height);
    }
    grid.moveTo(0, height * 0.5);
    grid.lineTo(standardWidth, height * 0.5);
    return grid;
}

Marks marksFor(const HistogramData& data) {
    return {data.isUltraHDREnabled, data.shadowClipping, data.highlightClipping && !data.isUltraHDREnabled};
}

QString badgeText(double headroom) {
    return QString::fromStdString(
        L10n::tr("histogram.headroomBadge", oneDecimal(finiteHeadroom(headroom)).toStdString()));
}

QString headroomLabel(double headroom) {
    return QStringLiteral("EDR +") + oneDecimal(std::log2(std::max(finiteHeadroom(headroom), 1.0))) +
           QStringLiteral(" EV");
}

}  // namespace vantrel::histogram
