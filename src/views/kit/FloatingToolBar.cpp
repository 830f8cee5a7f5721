#include "views/kit/FloatingToolBar.h"

#include <algorithm>
#include <limits>

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QPainter>

#include "views/kit/DarkroomTheme.h"
#include "views/kit/Layouts.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"

namespace vantrel {

namespace {

constexpr double kRadius = 10;

// One-point vertical line, 20 points tall.
class Divider final : public QWidget {
public:
    Divider() { setFixedSize(1, 20); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), whiteAt(0.15)); }
};

// A box around one child with a preferred and a smallest width of its own.
class FlexibleBox final : public QWidget {
public:
    FlexibleBox(QWidget* child, int preferred, int minimum) : preferred_(preferred), minimum_(minimum) {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(child);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override { return {narrowed_ ? minimum_ : preferred_, QWidget::sizeHint().height()}; }
    QSize minimumSizeHint() const override { return {minimum_, QWidget::minimumSizeHint().height()}; }
    // What the box gives up to leave the texts beside it whole, and giving it up.
    int slack() const { return preferred_ - minimum_; }
    void setNarrowed(bool narrowed) {
        if (narrowed == narrowed_) return;
        narrowed_ = narrowed;
        updateGeometry();
    }

private:
    int preferred_;
    int minimum_;
    bool narrowed_ = false;

public:
    bool isNarrowed() const { return narrowed_; }
};

// The flexible boxes of `group` (a class without meta-object: findChildren cannot tell them).
std::vector<FlexibleBox*> flexibleBoxesOf(const QWidget* group) {
    std::vector<FlexibleBox*> boxes;
    for (QWidget* child : group->findChildren<QWidget*>())
        if (auto* box = dynamic_cast<FlexibleBox*>(child)) boxes.push_back(box);
    return boxes;
}

}  // namespace

QWidget* FloatingToolBar::flexibleWidth(QWidget* child, int preferred, int minimum) {
    return new FlexibleBox(child, preferred, minimum);
}

namespace {

constexpr int kMarginX = 16;
constexpr int kMarginY = 8;
constexpr int kLineSpacing = 6;
// Air kept between the bar and the sides of the area it floats in.
constexpr int kSideRoom = 8;

}  // namespace

FloatingToolBar::FloatingToolBar(const QString& name, int spacing, QWidget* parent)
    : QWidget(parent), spacing_(spacing), column_(new QVBoxLayout(this)) {
    setObjectName(name);
    column_->setContentsMargins(kMarginX, kMarginY, kMarginX, kMarginY);
    column_->setSpacing(kLineSpacing);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    // The shadow of the whole floating panel, drawn around it over the frame.
    setDropShadow(*this, blackAt(0.5), 24, QPointF(0, 4));
    // The parent's width decides the lines: watch it (and the next one, see event()).
    watchedParent_ = parent;
    if (parent) parent->installEventFilter(this);
}

QHBoxLayout* FloatingToolBar::addGroup(const QString& name, int spacing, bool givesWay) {
    auto* widget = new QWidget(this);
    widget->setObjectName(name);
    auto* row = flatRow(spacing, widget);
    groups_.push_back({widget, groups_.empty() ? nullptr : new Divider, givesWay});
    if (groups_.back().divider) groups_.back().divider->setParent(this);
    packing_.clear();  // pack afresh
    updateLines();
    return row;
}

void FloatingToolBar::setGroupVisible(QWidget* group, bool visible) {
    if (group->isVisibleTo(this) == visible && !packing_.empty()) return;
    group->setVisible(visible);
    updateLines();
    showDividers();
}

void FloatingToolBar::keepPlaceOf(QWidget* group) {
    for (Group& g : groups_) {
        if (g.widget != group) continue;
        g.keepsPlace = true;
        for (QWidget* part : {g.widget, g.divider}) {
            if (!part) continue;
            QSizePolicy policy = part->sizePolicy();
            policy.setRetainSizeWhenHidden(true);
            part->setSizePolicy(policy);
        }
    }
    packing_.clear();
    updateLines();
}

void FloatingToolBar::showDividers() {
    for (std::size_t i = 0; i < groups_.size(); ++i) {
        const Group& group = groups_[i];
        if (!group.divider) continue;
        bool startsLine = true;
        for (std::size_t j = 0; j < i; ++j) startsLine = startsLine && packing_[j] != packing_[i];
        group.divider->setVisible(packing_[i] >= 0 && !startsLine && !group.widget->isHidden());
    }
}

int FloatingToolBar::roomForLines() const {
    const QWidget* parent = parentWidget();
    if (!parent || isWindow()) return std::numeric_limits<int>::max();
    return std::max(parent->width() - 2 * kSideRoom - 2 * kMarginX, 0);
}

void FloatingToolBar::updateLines() {
    // Greedy: each shown group joins the current line while the line's width stays within the
    // room. A group that gives way counts with its sliders at their smallest and its texts
    // whole: its sliders narrow on a line short of room, and its texts shorten only where it
    // does not fit a line of its own.
    const int room = roomForLines();
    const int gap = 2 * spacing_ + 1;  // a divider and its spacing
    std::vector<int> packing;
    std::vector<int> natural;  // of each line, with every slider at its preferred width
    std::vector<std::vector<FlexibleBox*>> boxesOf(groups_.size());
    int line = -1, used = 0;
    for (std::size_t i = 0; i < groups_.size(); ++i) {
        const Group& group = groups_[i];
        if (group.widget->isHidden() && !group.keepsPlace) {
            packing.push_back(-1);
            continue;
        }
        boxesOf[i] = flexibleBoxesOf(group.widget);
        int whole = group.widget->sizeHint().width(), slack = 0;
        for (const FlexibleBox* box : boxesOf[i]) {
            whole += box->isNarrowed() ? box->slack() : 0;
            slack += box->slack();
        }
        int width = whole;
        if (group.givesWay) {
            const int least = group.widget->minimumSizeHint().width();
            width = std::clamp(whole - slack, least, std::max(room, least));
        }
        if (line < 0 || used + gap + width > room) {
            ++line;
            used = width;
            natural.push_back(whole);
        } else {
            used += gap + width;
            natural.back() += gap + whole;
        }
        packing.push_back(line);
    }
    bool narrowed = false;
    for (std::size_t i = 0; i < groups_.size(); ++i) {
        if (!groups_[i].givesWay || packing[i] < 0) continue;
        for (FlexibleBox* box : boxesOf[i]) {
            const bool narrow = natural[std::size_t(packing[i])] > room;
            if (box->isNarrowed() == narrow) continue;
            box->setNarrowed(narrow);
            narrowed = true;
        }
        // The bar's size follows at once, not after the group's next layout pass.
        if (narrowed) groups_[i].widget->updateGeometry();
    }
    if (narrowed) updateGeometry();
    if (packing == packing_) return;
    packing_ = packing;

    for (QHBoxLayout* old : lines_) {
        while (QLayoutItem* item = old->takeAt(0)) delete item;  // the widgets stay
        delete old;
    }
    lines_.clear();
    for (std::size_t i = 0; i < groups_.size(); ++i) {
        const Group& group = groups_[i];
        const bool first = packing_[i] >= 0 && (lines_.size() <= std::size_t(packing_[i]));
        if (packing_[i] < 0) continue;
        if (first) {
            auto* row = flatRow(spacing_);
            row->addStretch(1);  // each line centred in the bar
            column_->addLayout(row);
            lines_.push_back(row);
        }
        QHBoxLayout* row = lines_.back();
        if (group.divider && !first) row->addWidget(group.divider, 0, Qt::AlignVCenter);
        row->addWidget(group.widget);
    }
    for (QHBoxLayout* row : lines_) row->addStretch(1);
    showDividers();
    updateGeometry();
}

bool FloatingToolBar::event(QEvent* event) {
    if (event->type() == QEvent::ParentChange && parentWidget() != watchedParent_) {
        if (watchedParent_) watchedParent_->removeEventFilter(this);
        watchedParent_ = parentWidget();
        if (watchedParent_) watchedParent_->installEventFilter(this);
        updateLines();
    }
    // A group asks for another size when a text in it changes: the lines are packed again
    // with the texts as they now are.
    if (event->type() == QEvent::Show || event->type() == QEvent::LanguageChange ||
        event->type() == QEvent::LayoutRequest)
        updateLines();
    return QWidget::event(event);
}

bool FloatingToolBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watchedParent_ && event->type() == QEvent::Resize) updateLines();
    return QWidget::eventFilter(watched, event);
}

ChipStyle FloatingToolBar::bordered(double fontPixels, QFont::Weight weight, const QColor& text) {
    ChipStyle s = ChipStyle::preset(fontPixels, weight, 7, 4, 5, text);
    s.fill = s.selectedFill = whiteAt(0.1);
    return s;
}

ChipStyle FloatingToolBar::prominent(double fontPixels, double paddingX) {
    ChipStyle s = ChipStyle::preset(fontPixels, QFont::DemiBold, paddingX, 4, 5, Qt::white);
    s.fill = s.selectedFill = DarkroomTheme::accent();
    return s;
}

ChipStyle FloatingToolBar::borderless(double fontPixels, QFont::Weight weight, const QColor& text) {
    return ChipStyle::textButton(fontPixels, weight, text);
}

void FloatingToolBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = roundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kRadius);
    painter.fillPath(shape, DarkroomTheme::floatingPanelFill());
    painter.strokePath(shape, solidPen(DarkroomTheme::floatingPanelBorder(), 1));
}

}  // namespace vantrel
