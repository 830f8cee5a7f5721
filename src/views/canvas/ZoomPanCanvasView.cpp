#include "views/canvas/ZoomPanCanvasView.h"

#include <algorithm>
#include <cmath>

#include <QGestureEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPinchGesture>
#include <QWheelEvent>

#include "views/kit/LayoutCheck.h"

namespace vantrel {

namespace {

// Every change of zoom and pan, and the pan after a gesture.
constexpr Spring kInteractiveSpring{0.25, 0.85, 0.25};
// The double click's jump to actual pixels and back.
constexpr Spring kDoubleTapSpring{0.3, 0.8, 0};

// Beyond this the content would not fit a widget's coordinates; no gesture gets
// near it, only a hand-set binding could.
constexpr double kLargestShownZoom = 1000;

}  // namespace

ZoomPanCanvasView::ZoomPanCanvasView(Binding<double> zoomScale, Binding<QSizeF> panOffset, Source<QSize> imageSize,
                                     bool isInteractiveZoomEnabled, QWidget* content, QWidget* parent)
    : QWidget(parent), zoomScale_(std::move(zoomScale)), panOffset_(std::move(panOffset)),
      imageSize_(std::move(imageSize)), interactive_(isInteractiveZoomEnabled), content_(content),
      zoom_(kInteractiveSpring, 1.0), panX_(kInteractiveSpring), panY_(kInteractiveSpring) {
    setObjectName(QStringLiteral("zoomPanCanvas"));
    content_->setParent(this);
    allowOverflow(*this);  // a zoomed picture reaches past the canvas, which clips it
    panX_.setRestDistance(0.05);
    panY_.setRestDistance(0.05);
    for (SpringValue* spring : {&zoom_, &panX_, &panY_})
        connect(spring, &SpringValue::valueChanged, this, &ZoomPanCanvasView::place);
    wheelPinchEnd_.setSingleShot(true);
    wheelPinchEnd_.setInterval(kWheelPinchEndMs);
    connect(&wheelPinchEnd_, &QTimer::timeout, this, [this] {
        if (pinch_ == PinchSource::wheel) pinchEnded();
    });
    if (interactive_) {
        setAttribute(Qt::WA_AcceptTouchEvents);
        grabGesture(Qt::PinchGesture);
    }
    showZoom(zoomScale_.get(), nullptr);
    showPan(boundPan(), nullptr);
    place();
    updateCursor();
}

FitLayout ZoomPanCanvasView::fit() const { return fitLayout(QSizeF(size()), QSizeF(imageSize_())); }

QPointF ZoomPanCanvasView::boundPan() const {
    const QSizeF pan = panOffset_.get();
    return {pan.width(), pan.height()};
}

void ZoomPanCanvasView::refresh() {
    showZoom(zoomScale_.get(), &kInteractiveSpring);
    showPan(boundPan(), dragging_ ? nullptr : &kInteractiveSpring);
    place();  // the frame's size may have changed
    updateCursor();
    if (auto* view = dynamic_cast<RefreshableView*>(content_)) view->refresh();
}

void ZoomPanCanvasView::showZoom(double zoom, const Spring* spring) {
    if (!spring)
        zoom_.setValue(zoom);
    else if (zoom_.target() != zoom)
        zoom_.animateTo(zoom, *spring);
}

void ZoomPanCanvasView::showPan(const QPointF& pan, const Spring* spring) {
    if (!spring) {
        panX_.setValue(pan.x());
        panY_.setValue(pan.y());
        return;
    }
    if (panX_.target() != pan.x()) panX_.animateTo(pan.x(), *spring);
    if (panY_.target() != pan.y()) panY_.animateTo(pan.y(), *spring);
}

void ZoomPanCanvasView::place() {
    double zoom = zoom_.value();
    zoom = zoom > 0 ? std::min(zoom, kLargestShownZoom) : 1.0;
    const QSizeF view(size());
    const QSizeF fitted = fit().rect.size();
    // Whatever the pan asks for (a navigator tap, a spring overshooting its
    // target, a zoom on its way out, a canvas grown since), the picture covers
    // the canvas along every axis where it is larger than the canvas.
    const QPointF pan = clampPan(shownPan(), view, fitted, zoom);
    const QRectF r = canvas::contentRect(view, fitted, zoom, pan);
    // Whole pixels, each edge rounded on its own, so the content does not
    // shrink or grow by a pixel as it moves.
    const auto edge = [](double v) { return int(std::lround(std::clamp(v, -4.0e6, 4.0e6))); };
    content_->setGeometry(QRect(QPoint(edge(r.left()), edge(r.top())), QPoint(edge(r.right()) - 1, edge(r.bottom()) - 1)));
}

void ZoomPanCanvasView::updateCursor() {
    if (interactive_ && zoomScale_.get() > canvas::kDragZoomThreshold)
        setCursor(dragging_ ? Qt::ClosedHandCursor : Qt::OpenHandCursor);
    else
        unsetCursor();
}

void ZoomPanCanvasView::writeZoom(double zoom) {
    if (zoomScale_.get() != zoom) zoomScale_.set(zoom);
}

void ZoomPanCanvasView::writePan(const QPointF& pan) {
    const QSizeF value(pan.x(), pan.y());
    if (panOffset_.get() != value) panOffset_.set(value);
}

void ZoomPanCanvasView::clampPanFor(double zoom) {
    writePan(clampPan(boundPan(), QSizeF(size()), fit().rect.size(), zoom));
}

void ZoomPanCanvasView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place();
    Q_EMIT containerSizeChanged(QSizeF(size()));
}

// ---------------------------------------------------------------- pinch

bool ZoomPanCanvasView::event(QEvent* event) {
    if (interactive_) {
        if (event->type() == QEvent::NativeGesture) {
            nativeGesture(static_cast<QNativeGestureEvent*>(event));
            return true;
        }
        if (event->type() == QEvent::Gesture) {
            gesture(static_cast<QGestureEvent*>(event));
            return true;
        }
    }
    return QWidget::event(event);
}

void ZoomPanCanvasView::nativeGesture(QNativeGestureEvent* event) {
    switch (event->gestureType()) {
        case Qt::ZoomNativeGesture:
            if (pinch_ != PinchSource::touchpad) {
                pinchBegan(PinchSource::touchpad);
                nativeMagnification_ = 1.0;
            }
            // Each event carries the change since the last one.
            nativeMagnification_ *= 1.0 + event->value();
            pinchChanged(nativeMagnification_);
            break;
        case Qt::EndNativeGesture:
            if (pinch_ == PinchSource::touchpad) pinchEnded();
            break;
        default:
            break;
    }
    event->accept();
}

void ZoomPanCanvasView::gesture(QGestureEvent* event) {
    auto* pinch = static_cast<QPinchGesture*>(event->gesture(Qt::PinchGesture));
    if (!pinch) {
        event->ignore();
        return;
    }
    switch (pinch->state()) {
        case Qt::GestureStarted:
            pinchBegan(PinchSource::touchScreen);
            pinchChanged(pinch->totalScaleFactor());
            break;
        case Qt::GestureUpdated:
            if (pinch_ == PinchSource::touchScreen) pinchChanged(pinch->totalScaleFactor());
            break;
        case Qt::GestureFinished:
        case Qt::GestureCanceled:
            if (pinch_ == PinchSource::touchScreen) pinchEnded();
            break;
        default:
            break;
    }
    event->accept(pinch);
}

void ZoomPanCanvasView::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y();
    if (!interactive_ || !(event->modifiers() & Qt::ControlModifier) || notches == 0) {
        event->ignore();
        return;
    }
    if (pinch_ != PinchSource::wheel) {
        pinchBegan(PinchSource::wheel);
        wheelMagnification_ = 1.0;
    }
    wheelMagnification_ *= std::pow(kWheelPinchStep, notches / 120.0);
    pinchChanged(wheelMagnification_);
    wheelPinchEnd_.start();
    event->accept();
}

void ZoomPanCanvasView::pinchBegan(PinchSource source) {
    if (pinch_ != PinchSource::none && pinch_ != source) pinchEnded();
    pinch_ = source;
    lastPinchScale_ = 1.0;
}

void ZoomPanCanvasView::pinchChanged(double magnification) {
    if (!(magnification > 0) || !std::isfinite(magnification)) return;
    const double delta = magnification / lastPinchScale_;
    lastPinchScale_ = magnification;
    const double zoom = canvas::pinchedZoom(zoomScale_.get(), delta, fit().oneToOneScale);
    writeZoom(zoom);
    clampPanFor(zoom);
    showZoom(zoom, &kInteractiveSpring);
    showPan(boundPan(), &kInteractiveSpring);
    updateCursor();
}

void ZoomPanCanvasView::pinchEnded() {
    pinch_ = PinchSource::none;
    lastPinchScale_ = 1.0;
    wheelPinchEnd_.stop();
    const double zoom = zoomScale_.get();
    if (zoom <= canvas::kDragZoomThreshold) {
        writeZoom(1.0);
        writePan({});
    } else {
        clampPanFor(zoom);
    }
    showZoom(zoomScale_.get(), &kInteractiveSpring);
    showPan(boundPan(), &kInteractiveSpring);
    updateCursor();
}

// ---------------------------------------------------------------- drag and double click

void ZoomPanCanvasView::mousePressEvent(QMouseEvent* event) {
    // A fitted frame cannot be dragged: no drag starts at or below 1.02.
    if (!interactive_ || event->button() != Qt::LeftButton || !(zoomScale_.get() > canvas::kDragZoomThreshold)) {
        event->ignore();
        return;
    }
    drag_.press(event->position());
    event->accept();
}

void ZoomPanCanvasView::mouseMoveEvent(QMouseEvent* event) {
    if (!drag_.isPressed()) {
        event->ignore();
        return;
    }
    if (drag_.move(event->position())) {
        if (drag_.justStarted()) {
            dragging_ = true;
            dragStartOffset_ = boundPan();
            updateCursor();
        }
        const QPointF pan =
            clampPan(dragStartOffset_ + drag_.translation(), QSizeF(size()), fit().rect.size(), zoomScale_.get());
        writePan(pan);
        showPan(pan, nullptr);  // the picture follows the pointer directly
    }
    event->accept();
}

void ZoomPanCanvasView::mouseReleaseEvent(QMouseEvent* event) {
    if (!drag_.isPressed()) {
        event->ignore();
        return;
    }
    drag_.release();
    if (dragging_) {
        dragging_ = false;
        clampPanFor(zoomScale_.get());
        showPan(boundPan(), &kInteractiveSpring);
        updateCursor();
    }
    event->accept();
}

void ZoomPanCanvasView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!interactive_ || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    drag_.cancel();
    dragging_ = false;
    const canvas::ZoomPan target =
        canvas::doubleTapTarget(QSizeF(size()), QSizeF(imageSize_()), zoomScale_.get(), event->position());
    writeZoom(target.zoom);
    writePan(target.pan);
    showZoom(target.zoom, &kDoubleTapSpring);
    showPan(target.pan, &kDoubleTapSpring);
    updateCursor();
    event->accept();
}

}  // namespace vantrel
