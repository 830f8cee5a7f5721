#pragma once
// ZoomPanCanvasView: the middle of the window, where the developed frame is
// looked at. It lays its content (the comparison view) out at the frame's
// fitted size, scaled by the zoom about the canvas centre and moved by the
// pan, and clips it to itself. Zoom and pan are not its own: they are two
// bindings, shared with the navigator and the view model's zoom steps.
//
// Input, while interactive zoom is on:
// - pinch: touchpad zoom gestures, touch-screen pinches, and Ctrl+wheel (each
//   notch a step of x1.1, the pinch ending 200 ms after the last notch);
//   within 1 and max(3 x actual pixels, 6); a pinch ending at 1.02 or below
//   snaps back to fitted;
// - drag: pans, above zoom 1.02 only, always within the picture's edges;
//   whatever pan is asked for, the picture is shown within its edges too;
// - double click: back to fitted when zoomed in, else actual pixels centred
//   on the clicked point.
// The shown zoom and pan follow every change with a spring, except the pan
// during a drag, which follows the pointer directly.
#include <QTimer>
#include <QWidget>

#include "views/canvas/CanvasGeometry.h"
#include "views/kit/DragTracker.h"
#include "views/kit/Geometry.h"
#include "views/kit/SpringValue.h"
#include "views/kit/ViewBasics.h"

class QGestureEvent;
class QNativeGestureEvent;

namespace vantrel {

class ZoomPanCanvasView final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    // Takes ownership of `content`.
    ZoomPanCanvasView(Binding<double> zoomScale, Binding<QSizeF> panOffset, Source<QSize> imageSize,
                      bool isInteractiveZoomEnabled, QWidget* content, QWidget* parent = nullptr);

    // Follows the bindings (with the zoom spring) and refreshes the content.
    void refresh() override;

    QWidget* content() const { return content_; }
    // The fit of the frame in the canvas as it is now.
    FitLayout fit() const;
    // What is on screen this moment (a spring may still be moving towards the bindings).
    double shownZoom() const { return zoom_.value(); }
    QPointF shownPan() const { return {panX_.value(), panY_.value()}; }
    bool isDragging() const { return dragging_; }
    bool isPinching() const { return pinch_ != PinchSource::none; }

    static constexpr int kWheelPinchEndMs = 200;
    static constexpr double kWheelPinchStep = 1.1;

Q_SIGNALS:
    // The canvas's size, when first laid out and on every change.
    void containerSizeChanged(QSizeF size);

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void nativeGesture(QNativeGestureEvent* event);
    void gesture(QGestureEvent* event);
    enum class PinchSource { none, wheel, touchpad, touchScreen };
    // Starts a pinch from `source`, ending one from another source first.
    void pinchBegan(PinchSource source);
    // `magnification`: the pinch's scale since it began.
    void pinchChanged(double magnification);
    void pinchEnded();
    // The pan limited for `zoom`, written when it differs from the binding.
    void clampPanFor(double zoom);
    void writeZoom(double zoom);
    void writePan(const QPointF& pan);
    // Moves the shown values towards the given ones: with `spring`, or at once without.
    void showZoom(double zoom, const Spring* spring);
    void showPan(const QPointF& pan, const Spring* spring);
    QPointF boundPan() const;
    void place();
    void updateCursor();

    Binding<double> zoomScale_;
    Binding<QSizeF> panOffset_;
    Source<QSize> imageSize_;
    bool interactive_;
    QWidget* content_;

    SpringValue zoom_;
    SpringValue panX_;
    SpringValue panY_;

    DragTracker drag_{1.0};
    bool dragging_ = false;
    QPointF dragStartOffset_;

    PinchSource pinch_ = PinchSource::none;
    double lastPinchScale_ = 1.0;
    double wheelMagnification_ = 1.0;
    double nativeMagnification_ = 1.0;
    QTimer wheelPinchEnd_;
};

}  // namespace vantrel
