#pragma once
// MaskOverlayView: the layer over the photo while masks are edited. It draws
// every enabled linear and radial mask, selects a mask tapped on its line, dot
// or outline, edits the selected mask by its handles (the linear mask's start,
// end and move handles; the radial mask's centre and four radius handles),
// shows each selected mask's exposure badge, and hosts the floating parameter
// display beside the selected mask, where it covers none of its handles.
//
// A drag computes every step from the value it found when it began plus the
// whole translation, writes the recipe once and reports changed(). The mask is
// found by identifier on every event; a mask removed meanwhile is left alone.
// Escape during a drag puts back what the drag started from and ends it.
#include <optional>
#include <vector>

#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QWidget>

#include "model/Binding.h"
#include "model/MaskGroupParameters.h"
#include "model/NormalizedPoint.h"
#include "model/Uuid.h"
#include "views/kit/DragTracker.h"
#include "views/kit/EscapeWatch.h"
#include "views/kit/ScaleFade.h"
#include "views/kit/ViewBasics.h"

namespace vantrel {

class MaskLocalParameterHUD;

class MaskOverlayView final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    enum class Handle {
        none,
        linearMove,
        linearStart,
        linearEnd,
        linearBadge,
        radialCentre,
        radialRight,
        radialLeft,
        radialBottom,
        radialTop,
        radialBadge,
    };

    MaskOverlayView(Binding<MaskGroupParameters> masks, Binding<std::optional<Uuid>> selectedMaskID,
                    Source<QSize> imageSize, QWidget* parent = nullptr);

    void refresh() override;

    // The picture is fitted `padding` points in from the overlay's edges, so
    // that handles on its edges can be grabbed all round (0 by default).
    void setPicturePadding(double padding);
    // The fitted picture in view points.
    QRectF imageRect() const;
    // The selected editor's handle under a point, top-most first.
    Handle handleAt(const QPointF& point) const;
    // The view-point centre of a handle of the selected editor (none: not shown).
    std::optional<QPointF> handleCentre(Handle handle) const;
    // Where the value badge of the selected linear or radial editor lies.
    std::optional<QRectF> badgeRect(Handle badge) const;
    // Where the selected editor takes presses: its handles' reach and its badge.
    std::vector<QRectF> handleAreas() const;

    // Whether the display is wanted (the badge and the close button change it); it shows as
    // much of itself as has room clear of the handles, and may still be coming or going
    // (ScaleFade::of(parameterDisplay())).
    bool isShowingParameterDisplay() const { return showingDisplay_; }
    MaskLocalParameterHUD* parameterDisplay() const { return display_; }
    // Removes the selected mask and selects the next one (first linear, else
    // first radial, else none); what the display's delete button does.
    void deleteSelectedMask();

Q_SIGNALS:
    void changed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct DragStart {
        std::optional<NormalizedPoint> linearStart, linearEnd, radialCentre;
        std::optional<double> radiusX, radiusY;
    };

    void dragStep(const QPointF& translation);
    // Writes `masks` as a drag step did and repaints what the mask covered
    // (`before`) and covers now.
    void writeDragStep(const MaskGroupParameters& masks, const QRectF& dirty);
    // Forgets the gesture under way.
    void endGesture();
    // Escape during a drag: the mask takes back what the drag found.
    void cancelDrag();
    void selectMask(const std::optional<Uuid>& id);
    void setShowingDisplay(bool showing, const Motion& motion);
    void updateDisplay(const Motion& motion = {});
    void updateCursor(const QPointF& point);
    void remember(const MaskGroupParameters& masks);

    Binding<MaskGroupParameters> masks_;
    Binding<std::optional<Uuid>> selectedMaskID_;
    Source<QSize> imageSize_;
    double padding_ = 0;

    DragTracker tracker_{10};
    Handle active_ = Handle::none;  // what the press landed on
    std::optional<Uuid> activeMask_;  // the mask it edits, fixed for the gesture
    DragStart dragStart_;
    EscapeWatch escape_{[this] { cancelDrag(); }};

    bool showingDisplay_ = true;
    bool displayShown_ = false;  // the display is on screen (to start it afresh when it returns)
    bool placingDisplay_ = false;
    std::optional<Uuid> lastSelection_;
    MaskLocalParameterHUD* display_ = nullptr;

    // What the last full repaint or drag step showed.
    MaskGroupParameters drawnMasks_;
    std::optional<Uuid> drawnSelection_;
    QRectF drawnImageRect_;
};

}  // namespace vantrel
