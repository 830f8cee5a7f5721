#include "views/kit/FittingRows.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>

#include "views/kit/DarkroomTheme.h"
#include "views/kit/Layouts.h"
#include "views/kit/StandardColors.h"
#include "views/kit/FittingText.h"

namespace vantrel {

namespace {

const QString kDot = QStringLiteral("•");
constexpr int kLinkSpacing = 6;  // between a link and a dot

}  // namespace

// ---------------------------------------------------------------- icon fallback row

IconFallbackRow::IconFallbackRow(Widths widths, int spacing, QWidget* parent)
    : QWidget(parent), widths_(widths), spacing_(spacing) {
    auto* row = flatRow(spacing, this);
    if (widths_ == Widths::natural) {
        row->addStretch(1);
        row->addStretch(1);
    }
}

void IconFallbackRow::setIconsGiveWayFirst(bool first) {
    iconsFirst_ = first;
    apply();
}

void IconFallbackRow::setLabelsMayWrap(bool wrap) {
    labelsWrap_ = wrap;
    apply();
}

void IconFallbackRow::addButton(QPushButton* button) {
    auto* row = static_cast<QHBoxLayout*>(layout());
    if (widths_ == Widths::natural) {
        row->insertWidget(row->count() - 1, button);
    } else {
        button->setSizePolicy(QSizePolicy::Expanding, button->sizePolicy().verticalPolicy());
        row->addWidget(button, 1);
    }
    entries_.push_back({button, button->icon(), button->text(), button->toolTip()});
    apply();
    updateGeometry();
}

void IconFallbackRow::setLabel(QPushButton* button, const QString& label, const QString& help) {
    for (Entry& entry : entries_) {
        if (entry.button != button) continue;
        entry.label = label;
        entry.help = help;
    }
    apply();
    updateGeometry();
}

const QString& IconFallbackRow::label(const QPushButton* button) const {
    static const QString none;
    for (const Entry& entry : entries_)
        if (entry.button == button) return entry.label;
    return none;
}

QString IconFallbackRow::textIn(const Entry& entry, Shows shows) const {
    if (shows == Shows::icons) return {};
    return shows == Shows::twoLineLabels ? balancedTwoLines(entry.button->fontMetrics(), entry.label) : entry.label;
}

QIcon IconFallbackRow::iconIn(const Entry& entry, Shows shows) const {
    const bool labelsAlone = shows == Shows::labels || (iconsFirst_ && shows == Shows::twoLineLabels);
    return labelsAlone ? QIcon() : entry.icon;
}

QSize IconFallbackRow::rowSize(Shows shows) const {
    int sum = 0, widest = 0, height = 0;
    for (const Entry& entry : entries_) {
        const QSize size = buttonSizeFor(*entry.button, textIn(entry, shows), iconIn(entry, shows));
        sum += size.width();
        widest = std::max(widest, size.width());
        height = std::max(height, size.height());
    }
    const int count = int(entries_.size());
    const int gaps = spacing_ * std::max(0, count - 1);
    return {(widths_ == Widths::natural ? sum : widest * count) + gaps, height};
}

// As tall as what it shows now: labels on two lines make it taller.
QSize IconFallbackRow::sizeHint() const { return {rowSize(Shows::iconsAndLabels).width(), rowSize(shows_).height()}; }

QSize IconFallbackRow::minimumSizeHint() const { return {rowSize(Shows::icons).width(), rowSize(shows_).height()}; }

void IconFallbackRow::apply() {
    const Shows before = shows_;
    shows_ = Shows::iconsAndLabels;
    if (isVisible()) {
        std::vector<Shows> fallbacks{Shows::iconsAndLabels};
        if (iconsFirst_) fallbacks.push_back(Shows::labels);
        if (labelsWrap_) fallbacks.push_back(Shows::twoLineLabels);
        shows_ = Shows::icons;
        for (Shows shows : fallbacks)
            if (width() >= rowSize(shows).width()) {
                shows_ = shows;
                break;
            }
    }
    for (Entry& entry : entries_) {
        const QString text = textIn(entry, shows_);
        if (entry.button->text() != text) entry.button->setText(text);
        if (iconsFirst_) entry.button->setIcon(iconIn(entry, shows_));
        entry.button->setToolTip(tooltipFor(entry.help, entry.label, shows_ == Shows::icons));
    }
    if (shows_ != before) updateGeometry();
}

void IconFallbackRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    apply();
}

void IconFallbackRow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    apply();
}

// ---------------------------------------------------------------- wrapping layout

WrappingLayout::WrappingLayout(int gap, int lineSpacing, QWidget* parent)
    : QLayout(parent), gap_(gap), lineSpacing_(lineSpacing) {
    setContentsMargins(0, 0, 0, 0);
}

WrappingLayout::~WrappingLayout() {
    for (QLayoutItem* item : items_) delete item;
}

void WrappingLayout::setGap(int gap) {
    gap_ = gap;
    invalidate();
}

void WrappingLayout::setLineAlignment(Qt::Alignment alignment) {
    lineAlignment_ = alignment;
    invalidate();
}

void WrappingLayout::addItem(QLayoutItem* item) { items_.push_back(item); }

QLayoutItem* WrappingLayout::itemAt(int index) const {
    return index >= 0 && index < count() ? items_[std::size_t(index)] : nullptr;
}

QLayoutItem* WrappingLayout::takeAt(int index) {
    if (index < 0 || index >= count()) return nullptr;
    QLayoutItem* item = items_[std::size_t(index)];
    items_.erase(items_.begin() + index);
    return item;
}

int WrappingLayout::arrange(const QRect& area, bool place) const {
    const QRect rect = area.marginsRemoved(contentsMargins());
    const int width = std::max(1, rect.width());
    int y = rect.y();
    std::vector<QLayoutItem*> line;
    int lineWidth = 0, lineHeight = 0;
    auto finishLine = [&] {
        if (line.empty()) return;
        int x = rect.x() + (lineAlignment_.testFlag(Qt::AlignLeft) ? 0 : (width - lineWidth) / 2);
        for (QLayoutItem* item : line) {
            QSize size = item->sizeHint();
            size.setWidth(std::min(size.width(), width));
            if (place) item->setGeometry(QRect(QPoint(x, y + (lineHeight - size.height()) / 2), size));
            x += size.width() + gap_;
        }
        y += lineHeight + lineSpacing_;
        line.clear();
        lineWidth = lineHeight = 0;
    };
    for (QLayoutItem* item : items_) {
        if (item->isEmpty()) continue;
        const QSize size = item->sizeHint();
        const int itemWidth = std::min(size.width(), width);
        if (!line.empty() && lineWidth + gap_ + itemWidth > width) finishLine();
        lineWidth += (line.empty() ? 0 : gap_) + itemWidth;
        lineHeight = std::max(lineHeight, size.height());
        line.push_back(item);
    }
    const bool any = y != rect.y() || !line.empty();
    finishLine();
    const QMargins margins = contentsMargins();
    return (any ? y - rect.y() - lineSpacing_ : 0) + margins.top() + margins.bottom();
}

int WrappingLayout::heightForWidth(int width) const { return arrange(QRect(0, 0, width, 0), false); }

QSize WrappingLayout::sizeHint() const {
    int width = 0, height = 0, shown = 0;
    for (QLayoutItem* item : items_) {
        if (item->isEmpty()) continue;
        width += item->sizeHint().width() + (shown++ ? gap_ : 0);
        height = std::max(height, item->sizeHint().height());
    }
    const QMargins margins = contentsMargins();
    return {width + margins.left() + margins.right(), height + margins.top() + margins.bottom()};
}

QSize WrappingLayout::minimumSize() const {
    int width = 0, height = 0;
    for (QLayoutItem* item : items_) {
        if (item->isEmpty()) continue;
        width = std::max(width, item->minimumSize().width());
        height = std::max(height, item->sizeHint().height());
    }
    const QMargins margins = contentsMargins();
    return {width + margins.left() + margins.right(), height + margins.top() + margins.bottom()};
}

void WrappingLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

// ---------------------------------------------------------------- link row

LinkRow::LinkRow(QWidget* parent) : QWidget(parent), layout_(new WrappingLayout(0, 2, this)) {}

void LinkRow::addLink(QPushButton* link) {
    layout_->addWidget(link);
    links_.push_back(link);
    link->ensurePolished();
    layout_->setGap(2 * kLinkSpacing + link->fontMetrics().horizontalAdvance(kDot));
}

int LinkRow::lineCount() const {
    std::vector<int> tops;
    for (QPushButton* link : links_)
        if (!link->isHidden() && std::find(tops.begin(), tops.end(), link->geometry().center().y()) == tops.end())
            tops.push_back(link->geometry().center().y());
    return int(tops.size());
}

void LinkRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(standardColor(StandardColor::SecondaryText));
    const QPushButton* previous = nullptr;
    for (const QPushButton* link : links_) {
        if (link->isHidden()) continue;
        // A dot between neighbours on one line only.
        if (previous && previous->geometry().center().y() == link->geometry().center().y()) {
            painter.setFont(link->font());
            const int middle = (previous->geometry().right() + 1 + link->geometry().left()) / 2;
            const QRect cell(middle - kLinkSpacing, link->geometry().top(), 2 * kLinkSpacing, link->height());
            painter.drawText(cell, Qt::AlignCenter | Qt::TextDontClip, kDot);
        }
        previous = link;
    }
}

}  // namespace vantrel
