#pragma once
// Where the filmstrip's cells and their parts lie, without any widget: cells
// 80 points wide, 10 apart, 12 in from either end of the strip, each a
// thumbnail block of 80 x 56 over a one-line title, the pair centred in the
// 84-point band. Positions are in content coordinates (x from the strip's
// start, before scrolling); hit tests are half-open.
#include <QPointF>
#include <QRectF>

namespace vantrel::filmstrip {

constexpr double kBandHeight = 84;
constexpr double kCellWidth = 80;
constexpr double kThumbnailHeight = 56;
constexpr double kCellSpacing = 10;
constexpr double kEdgePadding = 12;
constexpr double kCellPadding = 4;   // above and below a cell
constexpr double kStackSpacing = 4;  // between the thumbnail and the title
constexpr double kCornerRadius = 4;
constexpr double kCheckBoxSize = 22;
constexpr double kCheckBoxInset = 2;
constexpr double kTitleFontSize = 10;

enum class Part { none, cell, checkBox };

struct Hit {
    int row = -1;
    Part part = Part::none;
    friend bool operator==(const Hit&, const Hit&) = default;
};

struct VisibleRows {
    int first = 0;  // the first row that shows
    int end = 0;    // one past the last
};

class Layout {
public:
    // `count` cells whose title is `titleHeight` points tall.
    Layout(int count, double titleHeight);

    int count() const { return count_; }
    // The whole strip's width: both edge paddings, the cells and the gaps between them.
    double contentWidth() const;

    // The clickable rectangle of a cell (thumbnail block and title).
    QRectF cellRect(int row) const;
    QRectF thumbnailRect(int row) const;
    QRectF checkBoxRect(int row) const;
    QRectF titleRect(int row) const;

    // The rows that meet the span [left, left + width) of the strip.
    VisibleRows visibleRows(double left, double width) const;

    // The scroll position nearest to `scroll` at which the strip's span of
    // `width` points shows the whole of `row` with its selection glow (the
    // cell's gap, or the strip's padding, on either side): unchanged when it
    // already shows.
    double revealingScroll(int row, double scroll, double width) const;

    // What lies under `point`: a row's check box, the rest of its cell, or
    // nothing (the gaps, the paddings, above and below the cells).
    Hit hitTest(const QPointF& point) const;

private:
    int count_;
    double titleHeight_;
    double top_;  // of the cells' clickable rectangles
};

}  // namespace vantrel::filmstrip
