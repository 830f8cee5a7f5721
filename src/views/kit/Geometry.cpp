#include "views/kit/Geometry.h"

#include <algorithm>
#include <cmath>

namespace vantrel {

bool containsHalfOpen(const QRectF& rect, const QPointF& point) {
    // Written so that NaN anywhere compares false.
    return point.x() >= rect.left() && point.x() < rect.right() && point.y() >= rect.top() &&
           point.y() < rect.bottom();
}

FitLayout fitLayout(const QSizeF& view, const QSizeF& image) {
    const double cw = view.width(), ch = view.height();
    const double iw = image.width(), ih = image.height();
    if (!(cw > 20) || !(ch > 20) || !(iw > 0) || !(ih > 0)) return {QRectF(QPointF(0, 0), view), 1.0};
    const double a = iw / ih;
    const double fw = a >= cw / ch ? cw : ch * a;
    const double fh = a >= cw / ch ? cw / a : ch;
    const double oneToOne = fw >= 1 ? std::max(iw / fw, 1.0) : std::max(iw, 1.0);
    return {QRectF((cw - fw) * 0.5, (ch - fh) * 0.5, fw, fh), oneToOne};
}

QRectF fittedInside(const QSizeF& view, const QSizeF& image, double padding) {
    const QSizeF inner(std::max(view.width() - 2 * padding, 0.0), std::max(view.height() - 2 * padding, 0.0));
    return fitLayout(inner, image).rect.translated(padding, padding);
}

QPointF panLimits(const QSizeF& view, const QSizeF& fitted, double zoom) {
    const auto limit = [zoom](double fittedSide, double viewSide) {
        const double l = (fittedSide * zoom - viewSide) * 0.5;
        return l > 0 ? l : 0.0;  // also turns NaN into 0
    };
    return {limit(fitted.width(), view.width()), limit(fitted.height(), view.height())};
}

QPointF clampPan(const QPointF& pan, const QSizeF& view, const QSizeF& fitted, double zoom) {
    const QPointF l = panLimits(view, fitted, zoom);
    const auto clamp = [](double v, double limit) { return std::isnan(v) ? 0.0 : std::clamp(v, -limit, limit); };
    return {clamp(pan.x(), l.x()), clamp(pan.y(), l.y())};
}

QPointF fromUnit(const QRectF& imageRect, const QPointF& unit) {
    return {imageRect.left() + unit.x() * imageRect.width(), imageRect.top() + unit.y() * imageRect.height()};
}

QPointF toUnit(const QRectF& imageRect, const QPointF& point) {
    return translationToUnit(imageRect, point - imageRect.topLeft());
}

QPointF translationToUnit(const QRectF& imageRect, const QPointF& translation) {
    const double w = imageRect.width(), h = imageRect.height();
    return {w > 0 ? translation.x() / w : 0.0, h > 0 ? translation.y() / h : 0.0};
}

}  // namespace vantrel
