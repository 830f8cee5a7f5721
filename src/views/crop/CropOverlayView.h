#pragma once
// CropOverlayView: the layer over the frame in crop mode. It dims what the
// crop removes, draws the crop frame with its thirds, corner marks and edge
// bars, and reshapes the crop: a handle drag moves that corner or edge (held
// to the locked aspect ratio), a drag anywhere else moves the whole rectangle,
// and a double click puts back the whole frame.
//
// It edits only `crop.rect`, through its binding, and emits changed() once
// after every write (each drag step and the double click), never on refresh()
// and never at the end of a drag. Each drag step is computed from the
// rectangle captured at the drag's first step and the total translation.
// Escape during a drag puts back that rectangle and ends the drag.
#include <optional>

#include <QSize>
#include <QWidget>

#include "model/CropParameters.h"
#include "views/crop/CropGeometry.h"
#include "views/kit/DragTracker.h"
#include "views/kit/EscapeWatch.h"
#include "views/kit/ViewBasics.h"

namespace vantrel {

class CropOverlayView final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    // `imageSize`: pixel size of the frame the overlay lies on; it sets the
    // fitted rectangle and the value of the original ratio.
    CropOverlayView(Binding<CropParameters> crop, Source<QSize> imageSize, QWidget* parent = nullptr);

    // Repaints when the crop or the frame's size changed since last seen.
    void refresh() override;

    // The frame is fitted `padding` points in from the overlay's edges, so
    // that the handles on its edges can be grabbed all round (0 by default).
    void setPicturePadding(double padding);
    QRectF fittedImageRect() const;
    QRectF cropFrameRect() const;
    // The rectangle captured when the running drag began; none while idle.
    const std::optional<NormalizedRect>& dragInitialRect() const { return dragInitialRect_; }

Q_SIGNALS:
    void changed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void dragStep();
    void endDrag();
    // Escape during a drag: the rectangle it started from comes back.
    void cancelDrag();
    void write(const NormalizedRect& rect);
    void updateCursor(const QPointF& point);

    Binding<CropParameters> crop_;
    Source<QSize> imageSize_;
    double padding_ = 0;
    DragTracker tracker_{1.0};
    std::optional<CropHandleType> pressedHandle_;  // none: the press moves the rectangle
    std::optional<NormalizedRect> dragInitialRect_;
    EscapeWatch escape_{[this] { cancelDrag(); }};
    // What was last drawn from: a refresh repaints only when it differs.
    NormalizedRect seenRect_;
    QSize seenImageSize_;
};

}  // namespace vantrel
