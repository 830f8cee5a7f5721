#include "views/canvas/CropOverlayView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPathStroker>

#include "views/kit/Geometry.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"

namespace vantrel {

namespace {

// The frame's shadow (black 0.5, radius 2) as a few wide, faint strokes under
// the line: the frame changes size at every drag step, so a blurred image
// would have to be made afresh each time.
void paintFrameShadow(QPainter& painter, const QRectF& frame) {
    constexpr struct {
        double spread, opacity;
    } rings[] = {{1.0, 0.22}, {2.5, 0.12}, {4.5, 0.05}};
    for (const auto& ring : rings) {
        QPen pen = solidPen(blackAt(ring.opacity), 1.5 + 2 * ring.spread);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(frame);
    }
}

QPainterPath strokeShape(const QPainterPath& path, double width) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::FlatCap);
    stroker.setJoinStyle(Qt::MiterJoin);
    return stroker.createStroke(path);
}

Qt::CursorShape cursorFor(std::optional<CropHandleType> handle) {
    if (!handle) return Qt::OpenHandCursor;
    switch (*handle) {
        case CropHandleType::topLeft:
        case CropHandleType::bottomRight: return Qt::SizeFDiagCursor;
        case CropHandleType::topRight:
        case CropHandleType::bottomLeft: return Qt::SizeBDiagCursor;
        case CropHandleType::top:
        case CropHandleType::bottom: return Qt::SizeVerCursor;
        case CropHandleType::left:
        case CropHandleType::right: return Qt::SizeHorCursor;
    }
    return Qt::ArrowCursor;
}

}  // namespace

CropOverlayView::CropOverlayView(Binding<CropParameters> crop, Source<QSize> imageSize, QWidget* parent)
    : QWidget(parent), crop_(std::move(crop)), imageSize_(std::move(imageSize)) {
    setObjectName(QStringLiteral("CropOverlayView"));
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setCursor(Qt::OpenHandCursor);
}

QRectF CropOverlayView::fittedImageRect() const { return fitLayout(QSizeF(size()), QSizeF(imageSize_())).rect; }

QRectF CropOverlayView::cropFrameRect() const { return crop::frameRect(fittedImageRect(), crop_.get().rect); }

void CropOverlayView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setClipRect(rect());
    const QRectF fitted = fittedImageRect();
    const QRectF frame = crop::frameRect(fitted, crop_.get().rect);

    for (const QRectF& band : crop::dimmingBands(fitted, frame)) painter.fillRect(band, blackAt(0.6));

    painter.setRenderHint(QPainter::Antialiasing);
    painter.strokePath(crop::thirdsPath(frame), dashedPen(whiteAt(0.35), 1, {4, 4}));
    paintFrameShadow(painter, frame);
    painter.setPen(solidPen(whiteAt(0.85), 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame);

    for (CropHandleType handle : kCropHandles) {
        if (crop::isCorner(handle)) {
            const QPainterPath mark = crop::cornerMarkPath(handle, frame);
            paintSoftShadow(painter, strokeShape(mark, 3), blackAt(0.6), 2);
            painter.strokePath(mark, solidPen(Qt::white, 3));
        } else {
            const QPainterPath bar = roundedRect(crop::edgeBarRect(handle, frame), 1.5);
            paintSoftShadow(painter, bar, blackAt(0.6), 2);
            painter.fillPath(bar, Qt::white);
        }
    }
}

void CropOverlayView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    // The handles lie over the frame layer, which covers the whole overlay.
    pressedHandle_ = crop::handleAt(cropFrameRect(), event->position());
    tracker_.press(event->position());
}

void CropOverlayView::mouseMoveEvent(QMouseEvent* event) {
    if (!tracker_.isPressed()) {
        updateCursor(event->position());
        return;
    }
    if (tracker_.move(event->position())) dragStep();
}

void CropOverlayView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (tracker_.release() == DragTracker::Release::DragEnd) endDrag();
    pressedHandle_.reset();
    updateCursor(event->position());
}

void CropOverlayView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    // The second press of a double click starts no drag.
    tracker_.cancel();
    CropParameters crop = crop_.get();
    crop.rect = NormalizedRect::full();
    crop_.set(crop);
    update();
    Q_EMIT changed();
}

void CropOverlayView::dragStep() {
    const QRectF fitted = fittedImageRect();
    // Nothing to divide by: the step writes nothing.
    if (!(fitted.width() > 0) || !(fitted.height() > 0)) return;
    const CropParameters current = crop_.get();
    if (!dragInitialRect_) dragInitialRect_ = current.rect;
    const QPointF unit = translationToUnit(fitted, tracker_.translation());
    if (pressedHandle_) {
        const std::optional<double> ratio = crop::lockedRatio(current.aspectRatio, QSizeF(imageSize_()));
        write(crop::draggedRect(*pressedHandle_, *dragInitialRect_, unit, ratio, fitted.size()));
    } else {
        setCursor(Qt::ClosedHandCursor);
        write(crop::movedRect(*dragInitialRect_, unit));
    }
}

void CropOverlayView::endDrag() { dragInitialRect_.reset(); }

void CropOverlayView::write(const NormalizedRect& rect) {
    // Read again: only the rectangle is replaced.
    CropParameters crop = crop_.get();
    crop.rect = rect;
    crop_.set(crop);
    update();
    Q_EMIT changed();
}

void CropOverlayView::updateCursor(const QPointF& point) {
    const Qt::CursorShape shape = cursorFor(crop::handleAt(cropFrameRect(), point));
    if (cursor().shape() != shape) setCursor(shape);
}

}  // namespace vantrel
