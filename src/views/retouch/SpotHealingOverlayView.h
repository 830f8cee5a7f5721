#pragma once
// SpotHealingOverlayView: the layer over the frame in retouch mode. Every
// healing spot of the recipe shows as a dashed source ring, a solid target
// ring and a dashed line with an arrowhead between them; the selected spot
// adds its labels and a delete button. A brush circle follows the pointer
// over the frame.
//
// A tap on the frame selects the first spot within reach of it (the part it
// heals whole), else adds a spot there (radius from the brush, source from the
// search) and selects it, also inside another spot's ring;
// a tap beside the frame clears the selection. A press on a spot takes the
// part drawn nearest to it (spots::partAt), so even a small spot's centre and
// its source's centre each take their own. Dragging a target moves the spot,
// dragging a source moves its sample point; both keep within 0.01 ... 0.99 of
// the frame. While a spot is selected, a change of the brush radius resizes it.
//
// Spots are looked up by identifier at every event; a spot removed during a
// drag ends the drag, and Escape during a drag puts back the centre or
// sample point the drag started from and ends it. The spot-healing record is written through `healing`
// (one write per action) and followed by changed(); selection and hover are not.
#include <functional>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

#include <QImage>
#include <QSize>
#include <QWidget>

#include "model/SpotHealingParameters.h"
#include "model/Uuid.h"
#include "views/retouch/SpotHealingGeometry.h"
#include "views/kit/DragTracker.h"
#include "views/kit/EscapeWatch.h"
#include "views/kit/ViewBasics.h"

namespace vantrel {

class SpotHealingOverlayView final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    using SelectionBinding = Binding<std::optional<Uuid>>;
    // The source offset (spot units) for a new spot at `center` with `radius`,
    // given the spots already on the frame. Runs synchronously in the tap.
    using SourceSearch = std::function<Point(const Point& center, double radius, const std::vector<SpotItem>& spots)>;

    // Without `externalSelectedSpotID` the overlay keeps the selection itself.
    // `brushRadiusPixels` is read at every refresh; `imageSize` is the pixel
    // size of the frame the overlay lies on. Without a search, a new spot takes
    // its sample from beside itself.
    SpotHealingOverlayView(Binding<SpotHealingParameters> healing,
                           std::optional<SelectionBinding> externalSelectedSpotID, Source<double> brushRadiusPixels,
                           Source<QSize> imageSize, SourceSearch findSource, QWidget* parent = nullptr);

    // Repaints; applies a changed brush radius to the selected spot; ends a
    // drag whose spot is gone.
    void refresh() override;

    std::optional<Uuid> selectedSpotID() const;
    void setSelectedSpotID(const std::optional<Uuid>& id);

    // Whether the picture the overlay lies on shows a speck within `reach` (a
    // fraction of its shorter side) of `centre` (spot units): the delete
    // button keeps off such places. Without one, no place counts as dusty.
    using SpeckTest = std::function<bool(const Point& centre, double reach)>;
    void setSpeckTest(SpeckTest test);

    // The frame is fitted `padding` points in from the overlay's edges, so
    // that spots on its edges can be grabbed all round (0 by default).
    void setPicturePadding(double padding);
    spots::Layout spotLayout() const;
    QRectF imageRect() const { return spotLayout().imageRect; }
    double shortSide() const { return spotLayout().shortSide; }
    // Where the selected spot's "Target" and "Source" labels are drawn; none without a selection.
    std::optional<spots::LabelBoxes> selectedLabels() const;
    // The selected spot's delete button; none without a selection, or where
    // no place round its ring is clear (spots::deleteButtonCentre).
    std::optional<spots::DeleteButton> deleteButton() const;

    const std::optional<QPointF>& hoverLocation() const { return hoverLocation_; }
    bool isHovering() const { return isHovering_; }
    bool isBrushShown() const;
    const std::optional<Uuid>& draggingTargetSpotID() const { return draggingTargetSpotID_; }
    const std::optional<Uuid>& draggingSourceSpotID() const { return draggingSourceSpotID_; }

    // What a tap on the tap area and a new brush radius do.
    void handleCanvasTap(const QPointF& point);
    void handleBrushRadiusChange(double radius);

Q_SIGNALS:
    void changed();
    // After changed(), when the delete button removed a spot.
    void spotDeleted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    std::vector<SpotItem> currentSpots() const { return healing_.get().spots; }
    void writeSpots(std::vector<SpotItem> spots);
    void dragTarget(const Uuid& id);
    void dragSource(const Uuid& id);
    void endDrag();
    // Escape during a drag: the spot takes back its centre or sample point.
    void cancelDrag();
    void abandonDrag();
    void deleteSpot(const Uuid& id);
    void hoverAt(const QPointF& point);
    // Marks for painting what the spot `id` of `spots` covers (nothing when it is not there).
    void repaintSpot(const std::vector<SpotItem>& spots, const std::optional<Uuid>& id);
    QRect brushRect() const;
    // Notes the state drawn from, so that a refresh with nothing new paints nothing.
    void noteSeen();
    // A cached soft shadow of a ring (or a dashed ring) of radius `r`.
    const QImage& ringShadow(double r, double width, bool dashed, double opacity, double blur, double dpr) const;

    Binding<SpotHealingParameters> healing_;
    std::optional<SelectionBinding> externalSelectedSpotID_;
    Source<double> brushRadiusPixels_;
    Source<QSize> imageSize_;
    double padding_ = 0;
    SourceSearch findSource_;
    SpeckTest speckTest_;

    std::optional<Uuid> internalSelectedSpotID_;
    std::optional<QPointF> hoverLocation_;
    bool isHovering_ = false;
    std::optional<Uuid> draggingTargetSpotID_;
    Point dragStartTargetCenter_;
    std::optional<Uuid> draggingSourceSpotID_;
    Point dragStartSourceOffset_;
    EscapeWatch escape_{[this] { cancelDrag(); }};

    double brushRadius_;  // the value last seen, for noticing changes
    DragTracker tracker_;
    std::optional<spots::SpotHit> pressed_;  // none while idle or when the press fell on the tap area

    struct Seen {
        std::vector<SpotItem> spots;
        std::optional<Uuid> selected;
        QSize imageSize;
        bool operator==(const Seen&) const = default;
    };
    Seen seen_;

    using ShadowKey = std::tuple<long, long, bool, long, long, long>;
    mutable std::map<ShadowKey, QImage> shadows_;
};

}  // namespace vantrel
