#include "views/canvas/FilmstripLayout.h"

#include <algorithm>
#include <cmath>

#include "views/kit/Geometry.h"

namespace vantrel::filmstrip {

namespace {

constexpr double kPitch = kCellWidth + kCellSpacing;

}  // namespace

Layout::Layout(int count, double titleHeight)
    : count_(std::max(count, 0)), titleHeight_(std::max(titleHeight, 0.0)) {
    const double cellHeight = kThumbnailHeight + kStackSpacing + titleHeight_;
    // The padded cell is centred in the band.
    top_ = (kBandHeight - (cellHeight + 2 * kCellPadding)) / 2 + kCellPadding;
}

double Layout::contentWidth() const {
    if (count_ == 0) return 2 * kEdgePadding;
    return 2 * kEdgePadding + count_ * kCellWidth + (count_ - 1) * kCellSpacing;
}

QRectF Layout::cellRect(int row) const {
    return {kEdgePadding + row * kPitch, top_, kCellWidth, kThumbnailHeight + kStackSpacing + titleHeight_};
}

QRectF Layout::thumbnailRect(int row) const {
    return {kEdgePadding + row * kPitch, top_, kCellWidth, kThumbnailHeight};
}

QRectF Layout::checkBoxRect(int row) const {
    const QRectF block = thumbnailRect(row);
    return {block.left() + kCheckBoxInset, block.top() + kCheckBoxInset, kCheckBoxSize, kCheckBoxSize};
}

QRectF Layout::titleRect(int row) const {
    return {kEdgePadding + row * kPitch, top_ + kThumbnailHeight + kStackSpacing, kCellWidth, titleHeight_};
}

VisibleRows Layout::visibleRows(double left, double width) const {
    if (count_ == 0 || !(width > 0) || !std::isfinite(left)) return {};
    // A row shows when its right edge lies past `left` and its left edge before the span's end.
    const double first = std::floor((left - kEdgePadding - kCellWidth) / kPitch) + 1;
    const double end = std::ceil((left + width - kEdgePadding) / kPitch);
    const int a = int(std::clamp(first, 0.0, double(count_)));
    const int b = int(std::clamp(end, 0.0, double(count_)));
    return {a, std::max(a, b)};
}

double Layout::revealingScroll(int row, double scroll, double width) const {
    if (row < 0 || row >= count_ || !(width > 0)) return scroll;
    // The gap beside a cell, or the strip's own padding beside the first and the last.
    const QRectF cell = cellRect(row);
    const double left = row == 0 ? 0 : cell.left() - kCellSpacing;
    const double right = row == count_ - 1 ? contentWidth() : cell.right() + kCellSpacing;
    if (right - left > width || left < scroll) return std::max(left, 0.0);
    if (right > scroll + width) return right - width;
    return scroll;
}

Hit Layout::hitTest(const QPointF& point) const {
    if (count_ == 0 || !std::isfinite(point.x()) || !std::isfinite(point.y())) return {};
    const double slot = std::floor((point.x() - kEdgePadding) / kPitch);
    if (slot < 0 || slot >= count_) return {};
    const int row = int(slot);
    if (containsHalfOpen(checkBoxRect(row), point)) return {row, Part::checkBox};
    if (containsHalfOpen(cellRect(row), point)) return {row, Part::cell};
    return {};
}

}  // namespace vantrel::filmstrip
