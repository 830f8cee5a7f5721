#include "views/crop/CropOverlayView.h"

#include <cmath>

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPathStroker>

#include "views/kit/Geometry.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"

namespace vantrel {

namespace {

// Fills `rect` (snapped to whole pixels) a band of rows at a time. The raster
// engine hands a fill of many rows to its thread pool, and waking the pool for
// every line and band of a drag step costs more than the filling itself.
void fillInBands(QPainter& painter, const QRect& rect, const QColor& colour) {
    constexpr int kRows = 64;
    for (int y = rect.top(); y <= rect.bottom(); y += kRows)
        painter.fillRect(QRect(rect.left(), y, rect.width(), std::min(kRows, rect.bottom() + 1 - y)), colour);
}

// The whole pixels a rectangle covers, each edge rounded on its own, so that
// rectangles sharing an edge abut without a gap or a doubly dimmed row.
QRect snapped(const QRectF& r) {
    const QPoint topLeft(int(std::lround(r.left())), int(std::lround(r.top())));
    const QPoint bottomRight(int(std::lround(r.right())) - 1, int(std::lround(r.bottom())) - 1);
    return QRect(topLeft, bottomRight);
}

// A rectangle's outline `width` points wide, centred on its edges, as four
// strips that do not overlap.
void fillOutline(QPainter& painter, const QRectF& r, double width, const QColor& colour) {
    const QRect outer = r.adjusted(-width / 2, -width / 2, width / 2, width / 2).toAlignedRect();
    const int w = std::max(1, int(std::lround(width)));
    fillInBands(painter, QRect(outer.left(), outer.top(), outer.width(), w), colour);
    fillInBands(painter, QRect(outer.left(), outer.bottom() + 1 - w, outer.width(), w), colour);
    fillInBands(painter, QRect(outer.left(), outer.top() + w, w, outer.height() - 2 * w), colour);
    fillInBands(painter, QRect(outer.right() + 1 - w, outer.top() + w, w, outer.height() - 2 * w), colour);
}

// The frame: a 1.5-point white line with its shadow (black 0.5, radius 2) as
// a wider, fainter outline under it. The frame changes size at every drag
// step, so a blurred image would have to be made afresh each time.
void paintFrame(QPainter& painter, const QRectF& frame) {
    fillOutline(painter, frame, 5.5, blackAt(0.25));
    fillOutline(painter, frame, 1.5, whiteAt(0.85));
}

// The thirds: one-point lines, 4 points on and 4 off, pixel-aligned; each
// dash of the vertical lines is a fill of its own (see fillInBands).
void paintThirds(QPainter& painter, const QRectF& frame) {
    const QColor colour = whiteAt(0.35);
    const int top = int(std::floor(frame.top())), bottom = int(std::floor(frame.bottom()));
    const int left = int(std::floor(frame.left())), right = int(std::floor(frame.right()));
    for (double f : {1.0 / 3.0, 2.0 / 3.0}) {
        const int x = int(std::floor(frame.left() + frame.width() * f));
        const int y = int(std::floor(frame.top() + frame.height() * f));
        for (int d = top; d < bottom; d += 8) painter.fillRect(QRect(x, d, 1, std::min(4, bottom - d)), colour);
        for (int d = left; d < right; d += 8) painter.fillRect(QRect(d, y, std::min(4, right - d), 1), colour);
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

void CropOverlayView::refresh() {
    const NormalizedRect rect = crop_.get().rect;
    const QSize imageSize = imageSize_();
    if (rect == seenRect_ && imageSize == seenImageSize_) return;
    seenRect_ = rect;
    seenImageSize_ = imageSize;
    update();
}

void CropOverlayView::setPicturePadding(double padding) {
    padding_ = padding;
    update();
}

QRectF CropOverlayView::fittedImageRect() const { return fittedInside(QSizeF(size()), QSizeF(imageSize_()), padding_); }

QRectF CropOverlayView::cropFrameRect() const { return crop::frameRect(fittedImageRect(), crop_.get().rect); }

void CropOverlayView::paintEvent(QPaintEvent*) {
    seenRect_ = crop_.get().rect;
    seenImageSize_ = imageSize_();
    QPainter painter(this);
    painter.setClipRect(rect());
    const QRectF fitted = fittedImageRect();
    const QRectF frame = crop::frameRect(fitted, crop_.get().rect);

    // Dimming, thirds and frame are axis-aligned: drawn as plain pixel fills.
    for (const QRectF& band : crop::dimmingBands(fitted, frame)) fillInBands(painter, snapped(band), blackAt(0.6));
    paintThirds(painter, frame);
    paintFrame(painter, frame);

    painter.setRenderHint(QPainter::Antialiasing);
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
    write(NormalizedRect::full());
}

void CropOverlayView::dragStep() {
    const QRectF fitted = fittedImageRect();
    // Nothing to divide by: the step writes nothing.
    if (!(fitted.width() > 0) || !(fitted.height() > 0)) return;
    const CropParameters current = crop_.get();
    if (!dragInitialRect_) {
        dragInitialRect_ = current.rect;
        escape_.start();
    }
    const QPointF unit = translationToUnit(fitted, tracker_.translation());
    if (pressedHandle_) {
        const std::optional<double> ratio = crop::lockedRatio(current.aspectRatio, QSizeF(imageSize_()), *dragInitialRect_);
        write(crop::draggedRect(*pressedHandle_, *dragInitialRect_, unit, ratio, fitted.size()));
    } else {
        setCursor(Qt::ClosedHandCursor);
        write(crop::movedRect(*dragInitialRect_, unit));
    }
}

void CropOverlayView::endDrag() {
    dragInitialRect_.reset();
    escape_.stop();
}

void CropOverlayView::cancelDrag() {
    if (!dragInitialRect_) return;
    // The drag is called off: the rectangle it started from comes back, and
    // the pointer moves nothing more until it is pressed again.
    const NormalizedRect start = *dragInitialRect_;
    tracker_.cancel();
    pressedHandle_.reset();
    endDrag();
    if (!(crop_.get().rect == start)) write(start);
    setCursor(Qt::OpenHandCursor);
}

void CropOverlayView::write(const NormalizedRect& rect) {
    // Read again: only the rectangle is replaced.
    CropParameters crop = crop_.get();
    const QRectF fitted = fittedImageRect();
    const QRectF before = crop::frameRect(fitted, crop.rect);
    crop.rect = rect;
    crop_.set(crop);
    // Only what moved is painted again: a drag step stays cheap on a large frame.
    update(crop::changedRegion(before, crop::frameRect(fitted, rect)));
    seenRect_ = rect;
    seenImageSize_ = imageSize_();
    Q_EMIT changed();
}

void CropOverlayView::updateCursor(const QPointF& point) {
    const Qt::CursorShape shape = cursorFor(crop::handleAt(cropFrameRect(), point));
    if (cursor().shape() != shape) setCursor(shape);
}

}  // namespace vantrel
