#pragma once
// ToneCurveEditorView: the inspector section of the recipe's tone curve. A
// header of two rows: the title with a reset shown while the curve differs
// from the default, then the In/Out read-out of the selected point (or of the
// curve under the pointer), a delete button for the selected point and the
// presets menu; the 150-point canvas (ToneCurveCanvas) in which points are
// added, selected, dragged and deleted; a footer with the number of points
// and a tip.
//
// It edits the point list through its binding: every edit reads the list,
// builds the new one and writes it once, then emits changed() once. A point
// drag is bracketed by editingChanged(true) at its first step and
// editingChanged(false) at its end; each step that moves the point is one
// edit. Escape during a drag puts back the curve the drag started from (one
// more edit) and ends the drag. refresh() re-reads the list and the histogram behind the canvas and
// emits nothing; the selection, the pointer and a drag in progress survive it.
// Children are named "curve.<part>".
#include <optional>
#include <utility>
#include <vector>

#include <QPointF>
#include <QWidget>

#include "engine/stages/HistogramData.h"
#include "model/CurvePoint.h"
#include "views/kit/Icons.h"
#include "views/kit/ViewBasics.h"
#include "views/panels/ToneCurveEditing.h"

class QLabel;

namespace vantrel {

class Chip;
class CurveReadout;
class ElidedLabel;
class MenuButton;
class ToneCurveCanvas;

class ToneCurveEditorView final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    // `histogram` gives the developed frame's histogram drawn behind the curve; none draws none.
    explicit ToneCurveEditorView(Binding<std::vector<CurvePoint>> points, Source<HistogramData> histogram = {},
                                 QWidget* parent = nullptr);

    void refresh() override;

    // The edits, each written once and reported once when it changes the list.
    void applyPreset(tonecurve::CurvePreset preset);
    // The default curve, written and reported even when the list already is it.
    void resetCurve();
    void deletePoint(const Uuid& id);
    // A click at canvas x: selects the point there or adds one on the curve.
    void insertPoint(double canvasX);
    void resetPointToDiagonal(const Uuid& id);
    void selectPoint(const Uuid& id);

    bool canDeletePoint(const Uuid& id) const;
    std::optional<std::pair<int, int>> readoutValues() const;

    // The list as last read or written.
    const std::vector<CurvePoint>& points() const { return points_; }
    const std::vector<CurvePoint>& sortedPoints() const { return sorted_; }
    const std::optional<Uuid>& selectedPointID() const { return selected_; }
    const std::optional<Uuid>& draggingPointID() const { return dragging_; }
    bool isDragging() const { return dragging_.has_value(); }
    const std::optional<QPointF>& hoverPoint() const { return hoverPoint_; }
    bool isHovering() const { return isHovering_; }
    const std::vector<float>& histogramBins() const { return lumaBins_; }

    ToneCurveCanvas* canvas() const { return canvas_; }
    // "In: 64 | Out: 46" while the read-out shows, else empty.
    QString readoutText() const;

Q_SIGNALS:
    void changed();
    void editingChanged(bool editing);

private:
    friend class ToneCurveCanvas;
    // From the canvas.
    void dragPoint(const Uuid& id, QPointF location);
    void endDrag();
    void cancelDrag();
    void setHover(QPointF position);
    void clearHover();

    // Re-reads the binding (another edit may have come in since the last refresh).
    const std::vector<CurvePoint>& current();
    void adopt(std::vector<CurvePoint> points);
    void commit(std::vector<CurvePoint> points);
    void updateChrome();
    void retitle();

    Binding<std::vector<CurvePoint>> binding_;
    Source<HistogramData> histogram_;
    std::vector<CurvePoint> points_;
    std::vector<CurvePoint> sorted_;
    std::vector<float> lumaBins_;
    std::optional<Uuid> selected_;
    std::optional<Uuid> dragging_;
    std::vector<CurvePoint> dragStartPoints_;
    std::optional<QPointF> hoverPoint_;
    std::optional<double> hoverNormX_;
    bool isHovering_ = false;
    LanguageWatch language_;
    int shownCount_ = -1;

    ElidedLabel* title_ = nullptr;
    CurveReadout* readout_ = nullptr;
    Chip* delete_ = nullptr;
    MenuButton* presets_ = nullptr;
    Chip* reset_ = nullptr;
    ToneCurveCanvas* canvas_ = nullptr;
    QLabel* count_ = nullptr;
    QLabel* tip_ = nullptr;
};

}  // namespace vantrel
