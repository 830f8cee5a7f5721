#include "views/canvas/SplitCompareView.h"

#include <cmath>

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "views/kit/DarkroomTheme.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/kit/Symbols.h"

namespace vantrel {

namespace {

constexpr double kCornerRadius = 6;
constexpr double kBadgeOpacity = 0.85;  // of the badge colour's own opacity
constexpr double kBadgePaddingX = 8;
constexpr double kBadgePaddingY = 4;
constexpr double kBadgeRadius = 4;
constexpr double kLineWidth = 2;
constexpr double kLineShadowSigma = 2;
constexpr double kKnobDiameter = 26;
constexpr double kKnobShadowSigma = 4;
constexpr double kKnobSymbolSize = 13;

QFont badgeFont() { return pixelFont(10, QFont::ExtraBold, FontDesign::Monospaced); }

// The alpha of a 2-point bar blurred by a Gaussian of `sigma`, at `u` points
// from its middle: how dark its shadow is there.
double blurredBar(double u, double sigma) {
    const double s = sigma * std::sqrt(2.0);
    return 0.5 * (std::erf((u + kLineWidth / 2) / s) - std::erf((u - kLineWidth / 2) / s));
}

}  // namespace

SplitCompareView::SplitCompareView(Source<QImage> originalImage, Source<QImage> processedImage,
                                   Binding<bool> isHoldingOriginal, Binding<CompareMode> compareMode,
                                   Source<QString> referenceLabel, Source<QString> targetLabel, QWidget* parent)
    : QWidget(parent), originalImage_(std::move(originalImage)), processedImage_(std::move(processedImage)),
      isHoldingOriginal_(std::move(isHoldingOriginal)), compareMode_(std::move(compareMode)),
      referenceLabel_(std::move(referenceLabel)), targetLabel_(std::move(targetLabel)) {
    setObjectName(QStringLiteral("splitCompare"));
    setMouseTracking(true);  // the divider's cursor
    settle_.setSingleShot(true);
    settle_.setInterval(150);
    connect(&settle_, &QTimer::timeout, this, [this] {
        const bool made = originalCache_.settle();
        if (processedCache_.settle() || made) update();
    });
}

QString SplitCompareView::referenceLabel() const {
    return referenceLabel_ ? referenceLabel_() : QStringLiteral("BEFORE");
}

QString SplitCompareView::targetLabel() const { return targetLabel_ ? targetLabel_() : QStringLiteral("AFTER"); }

std::optional<QRectF> SplitCompareView::originalArea() const {
    if (!originalArea_) return std::nullopt;
    const QRectF area = originalArea_();
    return area.isValid() ? std::optional<QRectF>(area) : std::nullopt;
}

canvas::CompareLayout SplitCompareView::currentLayout() const {
    return canvas::compareLayout(compareMode_.get(), isHoldingOriginal_.get(), QSizeF(size()),
                                 QSizeF(originalImage_().size()), QSizeF(processedImage_().size()), splitRatio_,
                                 originalArea());
}

void SplitCompareView::paintImage(QPainter& painter, const QImage& image, const QRectF& rect, DownscaleCache& cache) {
    const double dpr = devicePixelRatioF();
    const QSize pixels(int(std::lround(rect.width() * dpr)), int(std::lround(rect.height() * dpr)));
    if (const QImage* scaled = cache.lookup(image, pixels)) {
        QImage copy = *scaled;  // shared, not copied
        copy.setDevicePixelRatio(dpr);
        painter.drawImage(QPointF(std::round(rect.left() * dpr) / dpr, std::round(rect.top() * dpr) / dpr), copy);
        return;
    }
    painter.drawImage(rect, image);
    if (cache.isPending()) settle_.start();
}

void SplitCompareView::paintSharpPart(QPainter& painter, const QRectF& frame) const {
    if (!sharpPart_ || !sharpPartRect_) return;
    const QImage part = sharpPart_();
    const QRectF unit = sharpPartRect_();
    if (part.isNull() || !unit.isValid()) return;
    const QRectF target(frame.left() + unit.left() * frame.width(), frame.top() + unit.top() * frame.height(),
                        unit.width() * frame.width(), unit.height() * frame.height());
    painter.drawImage(target, part);
}

QRectF SplitCompareView::badgeRect(const canvas::CompareBadge& badge, const QString& text) const {
    const QFontMetricsF metrics(badgeFont());
    const QSizeF size(metrics.horizontalAdvance(text) + 2 * kBadgePaddingX, metrics.height() + 2 * kBadgePaddingY);
    const QPointF topLeft = badge.trailing ? badge.anchor - QPointF(size.width(), 0) : badge.anchor;
    return {topLeft, size};
}

void SplitCompareView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRectF bounds(rect());
    const QRect exposed = event->rect();
    // The whole is clipped to a rounded rectangle. A clip path makes every
    // fill slower, so it is set only when a corner is being painted (when
    // zoomed in, the corners are mostly off screen).
    const double r = kCornerRadius;
    const double w = bounds.width(), h = bounds.height();
    bool cornerShown = false;
    for (const QRectF& corner : {QRectF(0, 0, r, r), QRectF(w - r, 0, r, r), QRectF(0, h - r, r, r),
                                 QRectF(w - r, h - r, r, r)})
        cornerShown = cornerShown || corner.intersects(QRectF(exposed));
    if (cornerShown) painter.setClipPath(roundedRect(bounds, r));
    painter.fillRect(exposed, DarkroomTheme::raisedBackground());

    const QImage original = originalImage_();
    const QImage processed = processedImage_();
    const canvas::CompareLayout layout = canvas::compareLayout(compareMode_.get(), isHoldingOriginal_.get(),
                                                               bounds.size(), QSizeF(original.size()),
                                                               QSizeF(processed.size()), splitRatio_, originalArea());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const canvas::CompareLayer& layer : layout.layers) {
        const bool isOriginal = layer.image == canvas::CompareImage::original;
        if (!layer.rect.intersects(QRectF(exposed))) continue;
        painter.save();
        if (layer.clip) painter.setClipRect(*layer.clip, Qt::IntersectClip);
        paintImage(painter, isOriginal ? original : processed, layer.rect, isOriginal ? originalCache_ : processedCache_);
        if (!isOriginal) paintSharpPart(painter, layer.rect);
        painter.restore();
    }
    if (original.isNull() && processed.isNull()) {
        if (const QString text = emptyText(); !text.isEmpty()) {
            painter.setPen(standardColor(StandardColor::SecondaryText));
            painter.drawText(bounds.adjusted(24, 0, -24, 0), Qt::AlignCenter | Qt::TextWordWrap, text);
        }
        return;
    }
    if (layout.dividerX) paintDivider(painter, *layout.dividerX);
    for (const canvas::CompareBadge& badge : layout.badges) paintBadge(painter, badge);
}

void SplitCompareView::paintDivider(QPainter& painter, double x) const {
    const double H = height();
    // The line's shadow, black at 0.5 blurred by 2 points: a horizontal
    // gradient of the blurred bar's profile.
    const double reach = kLineWidth / 2 + 3 * kLineShadowSigma;
    QLinearGradient shadow(x - reach, 0, x + reach, 0);
    constexpr int kStops = 12;
    for (int i = 0; i <= kStops; ++i) {
        const double t = double(i) / kStops;
        shadow.setColorAt(t, blackAt(0.5 * blurredBar(-reach + 2 * reach * t, kLineShadowSigma)));
    }
    painter.fillRect(QRectF(x - reach, 0, 2 * reach, H), shadow);
    painter.fillRect(QRectF(x - kLineWidth / 2, 0, kLineWidth, H), whiteAt(0.85));

    const QPointF centre(x, H * 0.5);
    QPainterPath knob;
    knob.addEllipse(centre, kKnobDiameter / 2, kKnobDiameter / 2);
    paintSoftShadow(painter, knob, blackAt(0.4), kKnobShadowSigma);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(knob, Qt::white);
    painter.restore();
    const double s = kKnobSymbolSize;
    Symbols::paint(painter, QRectF(centre - QPointF(s / 2, s / 2), QSizeF(s, s)), "arrow.left.and.right", Qt::black);
}

void SplitCompareView::paintBadge(QPainter& painter, const canvas::CompareBadge& badge) const {
    const QFont font = badgeFont();
    const QFontMetricsF metrics(font);
    // A long snapshot name is shortened so that the two badges of a split
    // never run into each other.
    const double widest = std::max(width() / 2.0 - 2 * 20 - 2 * kBadgePaddingX, 3 * metrics.averageCharWidth());
    const QString full = badge.label == canvas::BadgeLabel::reference ? referenceLabel() : targetLabel();
    const QString text = metrics.elidedText(full, Qt::ElideRight, widest);
    const QRectF bubble = badgeRect(badge, text);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(roundedRect(bubble, kBadgeRadius), standardColor(badge.colour, badge.opacity * kBadgeOpacity));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(bubble, Qt::AlignCenter, text);
    painter.restore();
}

// ---------------------------------------------------------------- the divider

void SplitCompareView::mousePressEvent(QMouseEvent* event) {
    const canvas::CompareLayout layout = currentLayout();
    if (event->button() != Qt::LeftButton || !layout.dividerX ||
        !canvas::onDivider(event->position(), QSizeF(size()), *layout.dividerX)) {
        event->ignore();  // the canvas below pans and zooms
        return;
    }
    divider_.press(event->position());
    event->accept();
}

void SplitCompareView::mouseMoveEvent(QMouseEvent* event) {
    if (divider_.isPressed()) {
        // The divider follows the pointer itself, not the drag's translation.
        if (divider_.move(event->position())) {
            const double ratio = canvas::splitRatioAt(event->position().x(), width(), splitRatio_);
            if (ratio != splitRatio_) {
                splitRatio_ = ratio;
                update();
            }
        }
        event->accept();
        return;
    }
    if (!(event->buttons() & Qt::LeftButton)) {
        const canvas::CompareLayout layout = currentLayout();
        if (layout.dividerX && canvas::onDivider(event->position(), QSizeF(size()), *layout.dividerX))
            setCursor(Qt::SplitHCursor);
        else
            unsetCursor();
    }
    event->ignore();
}

void SplitCompareView::mouseReleaseEvent(QMouseEvent* event) {
    if (!divider_.isPressed()) {
        event->ignore();
        return;
    }
    divider_.release();
    event->accept();
}

void SplitCompareView::leaveEvent(QEvent* event) {
    if (!divider_.isPressed()) unsetCursor();
    QWidget::leaveEvent(event);
}

}  // namespace vantrel
