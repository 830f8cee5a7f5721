#pragma once
// ToneCurveCanvas: the drawing area of the tone curve editor. It draws, from
// the bottom up, a dark backdrop, the frame's luminance histogram, the guide
// grid with its centre cross and dashed diagonal, the fill under the curve,
// the curve, the pointer's marker on the curve and one handle per point, all
// clipped to a rounded rectangle under a thin border.
//
// Gestures: a click on the backdrop selects a point within 14 points (the
// first in list order) or adds one on the curve; on a handle a click selects,
// a drag (from 1 point of travel) moves the point between its neighbours, and a
// double click deletes it when it is neither end point. Right clicks open
// "curve.canvasMenu" (add a point here, reset the curve) or, on a handle,
// "curve.pointMenu" (delete, reset to the diagonal). Escape during a drag
// puts the curve back as the drag found it. It keeps no state of the
// curve: it reads and edits the editor's.
#include <optional>

#include <QImage>
#include <QLineF>
#include <QList>
#include <QPainterPath>
#include <QPolygonF>
#include <QWidget>

#include "model/Uuid.h"
#include "views/kit/DragTracker.h"
#include "views/kit/EscapeWatch.h"

namespace vantrel {

class ToneCurveEditorView;

class ToneCurveCanvas final : public QWidget {
    Q_OBJECT

public:
    explicit ToneCurveCanvas(ToneCurveEditorView& editor, QWidget* parent = nullptr);

    // The curve's points or the histogram changed: the cached drawing is made again.
    void pointsChanged();
    void histogramChanged();

    // The canvas position of a point's handle (tests).
    QPointF handleCentre(const Uuid& id) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;


private:
    QSizeF canvasSize() const { return QSizeF(width(), height()); }
    void press(QPointF position);
    // Escape during a drag: the curve as the drag found it.
    void cancelDrag();
    void updateCursor(QPointF position);
    void rebuildCurve();
    // The layers that change only with the size or the histogram (and the
    // border over everything), drawn once.
    void rebuildBackdrop();
    void paintHandles(QPainter& painter);

    ToneCurveEditorView& editor_;
    DragTracker tracker_{1.0};
    EscapeWatch escape_{[this] { cancelDrag(); }};
    std::optional<Uuid> pressedHandle_;    // the handle of the press under way
    std::optional<Uuid> lastPressHandle_;  // the handle of the previous press (a double click's first click)
    bool swallowRelease_ = false;          // the release that ends a double click

    bool curveValid_ = false;
    QPolygonF samples_;
    QList<QLineF> segments_;
    QPainterPath fill_;
    bool backdropValid_ = false;
    QImage backdrop_;
    QImage border_;
};

}  // namespace vantrel
