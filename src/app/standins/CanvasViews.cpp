#include "app/standins/CanvasViews.h"

#include <algorithm>

#include <QPainter>
#include <QPainterPath>

#include "views/kit/DarkroomTheme.h"
#include "services/L10n.h"

namespace vantrel {

// ---------------------------------------------------------------- zoomable canvas

ZoomPanCanvasView::ZoomPanCanvasView(Binding<double> zoomScale, Binding<QSizeF> panOffset, Source<QSize> imageSize,
                                     bool isInteractiveZoomEnabled, QWidget* content, QWidget* parent)
    : QWidget(parent), zoomScale_(std::move(zoomScale)), panOffset_(std::move(panOffset)),
      imageSize_(std::move(imageSize)), isInteractiveZoomEnabled_(isInteractiveZoomEnabled), content_(content) {
    setObjectName(QStringLiteral("ZoomPanCanvasView"));
    content_->setParent(this);
    place();
}

void ZoomPanCanvasView::refresh() {
    place();
    if (auto* view = dynamic_cast<RefreshableView*>(content_)) view->refresh();
}

void ZoomPanCanvasView::resizeEvent(QResizeEvent*) { place(); }

void ZoomPanCanvasView::place() {
    const double zoom = std::max(zoomScale_.get(), 0.05);
    const QSizeF pan = panOffset_.get();
    const QSizeF size = QSizeF(this->size()) * zoom;
    const QPointF topLeft((width() - size.width()) / 2 + pan.width(), (height() - size.height()) / 2 + pan.height());
    content_->setGeometry(QRectF(topLeft, size).toRect());
}

// ---------------------------------------------------------------- comparison

SplitCompareView::SplitCompareView(Source<QImage> referenceImage, Source<QImage> targetImage,
                                   Binding<bool> isHoldingOriginal, Binding<CompareMode> compareMode,
                                   Source<QString> referenceLabel, Source<QString> targetLabel, bool showsOwnControls,
                                   QWidget* parent, Source<QString> emptyText)
    : QWidget(parent), referenceImage_(std::move(referenceImage)), targetImage_(std::move(targetImage)),
      isHoldingOriginal_(std::move(isHoldingOriginal)), compareMode_(std::move(compareMode)),
      referenceLabel_(std::move(referenceLabel)), targetLabel_(std::move(targetLabel)),
      showsOwnControls_(showsOwnControls), emptyText_(std::move(emptyText)) {
    setObjectName(QStringLiteral("SplitCompareView"));
}

QString SplitCompareView::emptyText() const {
    return emptyText_ ? emptyText_() : QString::fromStdString(L10n::tr("preview.loadingFilm"));
}

QRectF SplitCompareView::fittedRect(QSizeF size, QRectF area) {
    if (size.isEmpty() || area.isEmpty()) return {};
    const double scale = std::min(area.width() / size.width(), area.height() / size.height());
    const QSizeF fitted = size * scale;
    return {area.center().x() - fitted.width() / 2, area.center().y() - fitted.height() / 2, fitted.width(),
            fitted.height()};
}

void SplitCompareView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QImage reference = referenceImage_();
    const QImage target = targetImage_();
    const bool showReference = isHoldingOriginal_.get() && !reference.isNull();
    const QImage& image = showReference ? reference : target;
    if (image.isNull()) {
        painter.setPen(QColor(150, 150, 150));
        // Long messages wrap inside a margin rather than run off the canvas.
        painter.drawText(rect().adjusted(24, 0, -24, 0), Qt::AlignCenter | Qt::TextWordWrap, emptyText());
        return;
    }
    painter.drawImage(fittedRect(image.size(), rect()), image);
    if (showReference) {
        painter.setPen(Qt::white);
        painter.drawText(rect().adjusted(12, 12, -12, -12), Qt::AlignLeft | Qt::AlignTop, referenceLabel_());
    }
}

}  // namespace vantrel
