#include "views/canvas/FilmstripView.h"

#include <cmath>

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include "views/kit/DarkroomTheme.h"
#include "views/kit/Geometry.h"
#include "views/kit/Icons.h"

namespace vantrel {

using namespace filmstrip;

namespace {

// One cell and its gap per notch of a mouse wheel.
constexpr double kWheelStep = kCellWidth + kCellSpacing;

}  // namespace

FilmstripView::FilmstripView(Source<std::vector<FilmstripCell>> items, Source<std::optional<Uuid>> selectedID,
                             Source<std::set<Uuid>> checkedIDs, QWidget* parent)
    : QAbstractScrollArea(parent), items_(std::move(items)), selectedID_(std::move(selectedID)),
      checkedIDs_(std::move(checkedIDs)) {
    setObjectName(QStringLiteral("filmstrip"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFixedHeight(int(kBandHeight));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);

    connect(&model_, &QAbstractItemModel::modelReset, this, [this] {
        updateScrollRange();
        viewport()->update();
    });
    connect(&model_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& first, const QModelIndex& last) { repaintRows(first.row(), last.row()); });
    refresh();
}

void FilmstripView::refresh() {
    model_.setCells(items_());
    model_.setSelectedID(selectedID_());
    model_.setCheckedIDs(checkedIDs_());
    const QString master = localized("filmstrip.master");
    if (master != masterText_) {
        masterText_ = master;
        viewport()->update();
    }
}

void FilmstripView::revealSelection() {
    refresh();
    const std::optional<Uuid> selected = selectedID_();
    if (!selected) return;
    QScrollBar* bar = horizontalScrollBar();
    const double scroll = layout().revealingScroll(model_.rowOf(*selected), bar->value(), viewport()->width());
    bar->setValue(int(std::lround(scroll)));
}

Layout FilmstripView::layout() const { return Layout(model_.count(), painter_.titleHeight()); }

int FilmstripView::scrollPosition() const { return horizontalScrollBar()->value(); }

QRectF FilmstripView::cellRect(int row) const { return layout().cellRect(row).translated(-scrollPosition(), 0); }

QRectF FilmstripView::thumbnailRect(int row) const {
    return layout().thumbnailRect(row).translated(-scrollPosition(), 0);
}

QRectF FilmstripView::checkBoxRect(int row) const {
    return layout().checkBoxRect(row).translated(-scrollPosition(), 0);
}

Hit FilmstripView::hitAt(const QPointF& viewportPoint) const {
    return layout().hitTest(viewportPoint + QPointF(scrollPosition(), 0));
}

VisibleRows FilmstripView::visibleRows() const {
    return layout().visibleRows(scrollPosition(), viewport()->width());
}

QString FilmstripView::toolTipAt(const QPointF& viewportPoint) const {
    const Layout strip = layout();
    const QPointF point = viewportPoint + QPointF(scrollPosition(), 0);
    const Hit hit = strip.hitTest(point);
    if (hit.row < 0) return {};
    if (hit.part == Part::checkBox)
        return localized(model_.isChecked(hit.row) ? "filmstrip.uncheckPhoto" : "filmstrip.checkPhoto");
    const FilmstripCell& cell = model_.cell(hit.row);
    if (cell.hasEdits && containsHalfOpen(FilmstripPainter::recipeDotArea(strip, hit.row), point))
        return localized("filmstrip.hasRecipe");
    // A title cut in the middle shows whole under the pointer.
    const QString title = QString::fromStdString(cell.title);
    if (containsHalfOpen(strip.titleRect(hit.row), point) &&
        painter_.shownTitle(title, model_.isSelected(hit.row)) != title)
        return title;
    return {};
}

void FilmstripView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), DarkroomTheme::filmstripBackground());
    const Layout strip = layout();
    const int scroll = scrollPosition();
    const QRect dirty = event->rect();
    const VisibleRows rows = strip.visibleRows(scroll + dirty.left() - kCellSpacing, dirty.width() + 2 * kCellSpacing);
    painter_.setMasterText(masterText_);
    painter.save();
    painter.translate(-scroll, 0);
    for (int row = rows.first; row < rows.end; ++row)
        painter_.paint(painter, strip, row, model_.cell(row), {model_.isSelected(row), model_.isChecked(row)});
    painter.restore();
    // The divider lies over the band's top edge.
    painter.fillRect(QRect(0, 0, viewport()->width(), 1), DarkroomTheme::separator());
}

void FilmstripView::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton ? hitAt(event->position()) : Hit{};
    event->accept();
}

void FilmstripView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const Hit pressed = std::exchange(pressed_, Hit{});
    const Hit released = hitAt(event->position());
    event->accept();
    if (pressed.row < 0 || !(released == pressed) || pressed.row >= model_.count()) return;
    const Uuid id = model_.cell(pressed.row).id;
    if (pressed.part == Part::checkBox)
        Q_EMIT toggleCheckRequested(id);
    else
        Q_EMIT selectRequested(id);
}

void FilmstripView::wheelEvent(QWheelEvent* event) {
    // Sideways is the only way this band scrolls: a vertical wheel turns into it.
    const QPoint pixels = event->pixelDelta();
    const QPoint angle = event->angleDelta();
    double delta = 0;
    if (!pixels.isNull())
        delta = std::abs(pixels.x()) > std::abs(pixels.y()) ? pixels.x() : pixels.y();
    else
        delta = (std::abs(angle.x()) > std::abs(angle.y()) ? angle.x() : angle.y()) / 120.0 * kWheelStep;
    QScrollBar* bar = horizontalScrollBar();
    const int before = bar->value();
    bar->setValue(before - int(std::lround(delta)));
    event->setAccepted(bar->value() != before);
}

void FilmstripView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

bool FilmstripView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString tip = toolTipAt(help->pos());
        if (tip.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), tip, viewport());
        }
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void FilmstripView::scrollContentsBy(int, int) { viewport()->update(); }

void FilmstripView::updateScrollRange() {
    QScrollBar* bar = horizontalScrollBar();
    const int width = viewport()->width();
    bar->setRange(0, std::max(0, int(std::ceil(layout().contentWidth())) - width));
    bar->setPageStep(std::max(width, 1));
    bar->setSingleStep(int(kWheelStep));
}

void FilmstripView::repaintRows(int first, int last) {
    const VisibleRows shown = visibleRows();
    const int a = std::max(first, shown.first);
    const int b = std::min(last, shown.end - 1);
    if (a > b) return;
    // The glow of a selected cell reaches a few points past its block.
    const QRectF area = cellRect(a).united(cellRect(b)).adjusted(-kCellSpacing, -kCellPadding, kCellSpacing, kCellPadding);
    viewport()->update(area.toAlignedRect());
}

}  // namespace vantrel
