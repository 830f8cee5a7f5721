#pragma once
// FilmstripView: the band of frame cells along the bottom of the window. The
// frames come as a list model (FilmstripModel); the band paints only the cells
// that show, so a roll of thousands of frames costs what a screenful costs,
// and holds no widget per frame. It scrolls sideways (a vertical wheel scrolls
// it too) and never by itself: a new selection does not move it, unless the
// window asks it to reveal a selection made by key.
//
// A click on a cell asks for that frame to become current (selectRequested);
// a click on its check box only asks for the tick to flip
// (toggleCheckRequested). Both fire on release over the part that was pressed.
// refresh() re-reads the three sources and repaints the cells that changed.
#include <optional>
#include <set>
#include <vector>

#include <QAbstractScrollArea>

#include "views/canvas/FilmstripCell.h"
#include "views/canvas/FilmstripLayout.h"
#include "views/canvas/FilmstripModel.h"
#include "views/canvas/FilmstripPainter.h"
#include "views/kit/ViewBasics.h"

namespace vantrel {

class FilmstripView final : public QAbstractScrollArea, public RefreshableView {
    Q_OBJECT

public:
    FilmstripView(Source<std::vector<FilmstripCell>> items, Source<std::optional<Uuid>> selectedID,
                  Source<std::set<Uuid>> checkedIDs, QWidget* parent = nullptr);

    void refresh() override;
    // Takes the current selection and scrolls just far enough to show its
    // cell whole (the keys that step through the roll; a click never scrolls).
    void revealSelection();

    FilmstripModel& model() { return model_; }
    const FilmstripModel& model() const { return model_; }
    filmstrip::Layout layout() const;
    // Where a row's parts are now, in the viewport's coordinates.
    QRectF cellRect(int row) const;
    QRectF thumbnailRect(int row) const;
    QRectF checkBoxRect(int row) const;
    filmstrip::Hit hitAt(const QPointF& viewportPoint) const;
    filmstrip::VisibleRows visibleRows() const;
    // The tooltip a pointer resting at `viewportPoint` gets (empty: none).
    QString toolTipAt(const QPointF& viewportPoint) const;
    // The strip's scroll position in points from its start.
    int scrollPosition() const;
    int cachedPictures() const { return painter_.cachedPictures(); }

Q_SIGNALS:
    void selectRequested(const vantrel::Uuid& id);
    void toggleCheckRequested(const vantrel::Uuid& id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void updateScrollRange();
    void repaintRows(int first, int last);

    Source<std::vector<FilmstripCell>> items_;
    Source<std::optional<Uuid>> selectedID_;
    Source<std::set<Uuid>> checkedIDs_;
    FilmstripModel model_;
    FilmstripPainter painter_;
    QString masterText_;
    filmstrip::Hit pressed_;
};

}  // namespace vantrel
