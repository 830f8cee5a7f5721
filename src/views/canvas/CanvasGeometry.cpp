#include "views/canvas/CanvasGeometry.h"

#include <algorithm>
#include <cmath>

#include "views/kit/Geometry.h"

namespace vantrel::canvas {

namespace {

// `image` scaled up or down to fit inside `bounds`, its aspect kept; 0 x 0 for
// an empty image or bounds.
QSizeF aspectFit(const QSizeF& image, const QSizeF& bounds) {
    if (!(image.width() > 0) || !(image.height() > 0) || !(bounds.width() > 0) || !(bounds.height() > 0))
        return {0, 0};
    const double scale = std::min(bounds.width() / image.width(), bounds.height() / image.height());
    return image * scale;
}

bool present(const QSizeF& size) { return size.width() > 0 && size.height() > 0; }

}  // namespace

double maximumZoom(double oneToOneScale) { return std::max(3 * oneToOneScale, 6.0); }

double pinchedZoom(double zoom, double delta, double oneToOneScale) {
    if (!(delta > 0) || !std::isfinite(delta)) return zoom;
    return std::max(std::min(zoom * delta, maximumZoom(oneToOneScale)), 1.0);
}

ZoomPan doubleTapTarget(const QSizeF& view, const QSizeF& image, double zoom, const QPointF& tap) {
    if (zoom > kZoomedInThreshold) return {1.0, {}};
    const FitLayout fit = fitLayout(view, image);
    const double f = fit.oneToOneScale;
    const QPointF wanted((view.width() / 2 - tap.x()) * f, (view.height() / 2 - tap.y()) * f);
    return {f, clampPan(wanted, view, fit.rect.size(), f)};
}

QRectF contentRect(const QSizeF& view, const QSizeF& fitted, double zoom, const QPointF& pan) {
    const QSizeF size = fitted * zoom;
    return {QPointF(view.width() / 2 + pan.x() - size.width() / 2, view.height() / 2 + pan.y() - size.height() / 2),
            size};
}

CompareLayout compareLayout(CompareMode mode, bool holdingOriginal, const QSizeF& view, const QSizeF& original,
                            const QSizeF& processed, double splitRatio, std::optional<QRectF> originalArea) {
    const double W = view.width(), H = view.height();
    CompareLayout layout;
    // An image fitted into the whole view, centred.
    auto centred = [&](CompareImage which, const QSizeF& size) {
        const QSizeF fitted = aspectFit(size, view);
        layout.layers.push_back({which, QRectF(QPointF((W - fitted.width()) / 2, (H - fitted.height()) / 2), fitted),
                                 std::nullopt});
        return layout.layers.back().rect;
    };
    // The badge in an image's top-leading corner, 8 points in.
    auto cornerBadge = [&](BadgeLabel label, StandardColor colour, double opacity, const QRectF& image) {
        layout.badges.push_back({label, colour, opacity, image.topLeft() + QPointF(8, 8), false});
    };

    if (holdingOriginal) {
        if (present(original)) cornerBadge(BadgeLabel::reference, StandardColor::Orange, 1.0, centred(CompareImage::original, original));
        return layout;
    }
    switch (mode) {
        case CompareMode::full:
            if (present(processed))
                centred(CompareImage::processed, processed);
            else if (present(original))
                centred(CompareImage::original, original);
            break;
        case CompareMode::sideBySide: {
            const QSizeF pane(W * kPaneWidthShare, H);
            // A missing image is a pane of no width (QSizeF() would be -1 wide).
            const QSizeF left = aspectFit(original, pane);
            const QSizeF right = aspectFit(processed, pane);
            const bool both = !left.isEmpty() && !right.isEmpty();
            double x = (W - left.width() - right.width() - (both ? kPaneSpacing : 0)) / 2;
            if (!left.isEmpty()) {
                const QRectF rect(QPointF(x, (H - left.height()) / 2), left);
                layout.layers.push_back({CompareImage::original, rect, std::nullopt});
                cornerBadge(BadgeLabel::reference, StandardColor::Grey, 1.0, rect);
                x += left.width() + kPaneSpacing;
            }
            if (!right.isEmpty()) {
                const QRectF rect(QPointF(x, (H - right.height()) / 2), right);
                layout.layers.push_back({CompareImage::processed, rect, std::nullopt});
                cornerBadge(BadgeLabel::target, StandardColor::Accent, 1.0, rect);
            }
            break;
        }
        case CompareMode::split: {
            // Both images sit at the leading edge, so the mask's edge and the
            // divider lie at the same distance from it.
            const double edge = std::max(W * splitRatio, 0.0);
            auto leading = [&](const QSizeF& size) {
                const QSizeF fitted = aspectFit(size, view);
                return QRectF(QPointF(0, (H - fitted.height()) / 2), fitted);
            };
            const QRectF processedRect = leading(processed);
            if (present(processed)) layout.layers.push_back({CompareImage::processed, processedRect, std::nullopt});
            if (present(original)) {
                // Registered with the processed picture's photo, else fitted alone.
                const bool registered = present(processed) && originalArea && originalArea->isValid() &&
                                        QRectF(0, 0, 1, 1).contains(*originalArea);
                const QRectF rect =
                    registered ? QRectF(processedRect.left() + originalArea->left() * processedRect.width(),
                                        processedRect.top() + originalArea->top() * processedRect.height(),
                                        originalArea->width() * processedRect.width(),
                                        originalArea->height() * processedRect.height())
                               : leading(original);
                layout.layers.push_back({CompareImage::original, rect, QRectF(0, 0, edge, H)});
            }
            layout.dividerX = W * splitRatio;
            layout.badges.push_back({BadgeLabel::reference, StandardColor::Grey, 0.8, QPointF(20, 20), false});
            layout.badges.push_back({BadgeLabel::target, StandardColor::Accent, 0.85, QPointF(W - 20, 20), true});
            break;
        }
    }
    return layout;
}

double splitRatioAt(double x, double width, double current) {
    if (!(width > 0) || !std::isfinite(width) || !std::isfinite(x)) return current;
    return std::clamp(x / width, kMinimumSplitRatio, kMaximumSplitRatio);
}

bool onDivider(const QPointF& point, const QSizeF& view, double dividerX) {
    return containsHalfOpen(QRectF(dividerX - kDividerBand / 2, 0, kDividerBand, view.height()), point);
}

}  // namespace vantrel::canvas
