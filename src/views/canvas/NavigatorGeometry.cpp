#include "views/canvas/NavigatorGeometry.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "services/TextFormatter.h"
#include "views/kit/Geometry.h"

namespace vantrel::navigator {

namespace {

bool finite(const QSizeF& s) { return std::isfinite(s.width()) && std::isfinite(s.height()); }

// The canvas's fitted size, or none when the container is empty.
std::optional<QSizeF> fittedSize(const QSizeF& containerSize, const QSizeF& imageSize) {
    if (!finite(containerSize) || !(containerSize.width() > 0) || !(containerSize.height() > 0)) return std::nullopt;
    return fitLayout(containerSize, imageSize).rect.size();
}

}  // namespace

QRectF thumbnailRect(const QSizeF& imageSize) {
    const double w = imageSize.width(), h = imageSize.height();
    if (!(w > 0) || !(h > 0) || !std::isfinite(w) || !std::isfinite(h)) return {0, 0, kMapWidth, kMapHeight};
    const double a = w / h;
    const QSizeF size = a >= kMapWidth / kMapHeight ? QSizeF(kMapWidth, kMapWidth / a) : QSizeF(kMapHeight * a, kMapHeight);
    return {QPointF((kMapWidth - size.width()) / 2, (kMapHeight - size.height()) / 2), size};
}

double actualPixelsFactor(const QSizeF& containerSize, const QSizeF& imageSize) {
    return fitLayout(containerSize, imageSize).oneToOneScale;
}

std::optional<QRectF> viewportRect(const QRectF& thumbnail, const QSizeF& containerSize, const QSizeF& imageSize,
                                   double zoom, const QPointF& pan) {
    const std::optional<QSizeF> fitted = fittedSize(containerSize, imageSize);
    if (!fitted || !(zoom > 0) || !std::isfinite(zoom) || !std::isfinite(pan.x()) || !std::isfinite(pan.y()))
        return std::nullopt;
    const double sw = fitted->width() * zoom, sh = fitted->height() * zoom;
    if (!(sw > 0) || !(sh > 0)) return std::nullopt;
    const QSizeF size(std::min(containerSize.width() / sw, 1.0) * thumbnail.width(),
                      std::min(containerSize.height() / sh, 1.0) * thumbnail.height());
    // Content panned right shows more of the frame's left: the viewport moves left.
    const QPointF centre(thumbnail.center().x() - pan.x() / sw * thumbnail.width(),
                         thumbnail.center().y() - pan.y() / sh * thumbnail.height());
    return QRectF(centre - QPointF(size.width(), size.height()) / 2, size);
}

QRectF drawnViewport(const QRectF& viewport) {
    const QSizeF size(std::max(viewport.width(), kMinimumViewportSide), std::max(viewport.height(), kMinimumViewportSide));
    return {viewport.center() - QPointF(size.width(), size.height()) / 2, size};
}

std::optional<QPointF> tapPan(const QPointF& tap, const QRectF& thumbnail, const QSizeF& containerSize,
                              const QSizeF& imageSize, double zoom) {
    if (!(zoom > kFittedZoom) || !std::isfinite(zoom) || !containsHalfOpen(thumbnail, tap)) return std::nullopt;
    const std::optional<QSizeF> fitted = fittedSize(containerSize, imageSize);
    if (!fitted) return std::nullopt;
    const double nx = (tap.x() - thumbnail.left()) / thumbnail.width() - 0.5;
    const double ny = (tap.y() - thumbnail.top()) / thumbnail.height() - 0.5;
    const QPointF pan(-nx * fitted->width() * zoom, -ny * fitted->height() * zoom);
    return clampPan(pan, containerSize, *fitted, zoom);
}

QString zoomLabel(double zoom, double actualPixels, const QString& fitText) {
    if (!(zoom > kFittedZoom)) return fitText;
    const double percent = zoom / (actualPixels > 0 ? actualPixels : 1.0) * 100;
    if (!std::isfinite(percent)) return fitText;
    const std::array<FormatArg, 1> argument{makeFormatArg(static_cast<long long>(std::lround(percent)))};
    return QString::fromStdString(formatText("%lld%%", argument));
}

Emphasis emphasis(double zoom, double actualPixels) {
    return {zoom <= kFittedZoom, std::abs(zoom - actualPixels) < 0.2, std::abs(zoom - 2 * actualPixels) < 0.3};
}

}  // namespace vantrel::navigator
