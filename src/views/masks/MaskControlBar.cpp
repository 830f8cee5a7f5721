#include "views/masks/MaskControlBar.h"

#include <algorithm>

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

#include "views/kit/DarkroomTheme.h"
#include "views/kit/FittingText.h"
#include "views/kit/Icons.h"
#include "views/kit/LayoutCheck.h"
#include "views/kit/Layouts.h"
#include "views/kit/Marks.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/masks/MaskEditing.h"
#include "views/masks/MaskWidgets.h"

namespace vantrel {

namespace {

constexpr int kInsetX = 16;
constexpr int kCompactInsetX = 8;
constexpr int kInsetY = 8;
constexpr double kCornerRadius = 10;
constexpr int kMaxNameWidth = 180;

// A layout and the layouts inside it forget their measures (Qt renews the inner
// ones only when the layout is next activated).
void invalidateAll(QLayout* layout) {
    layout->invalidate();
    for (int i = 0; i < layout->count(); ++i)
        if (QLayout* inner = layout->itemAt(i)->layout()) invalidateAll(inner);
}

}  // namespace

MaskControlBar::MaskControlBar(Binding<MaskGroupParameters> masks, Binding<std::optional<Uuid>> selectedMaskID,
                               QWidget* parent)
    : QWidget(parent), masks_(std::move(masks)), selectedMaskID_(std::move(selectedMaskID)) {
    setObjectName(QStringLiteral("maskBar"));
    // Its height follows its width: the mask's name may take a second line.
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    setDropShadow(*this, blackAt(0.5), 24, QPointF(0, 4));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kInsetX, kInsetY, kInsetX, kInsetY);
    row->setSpacing(14);

    auto* add = addRow_ = flatRow(8);
    add_ = maskAddButtons(QStringLiteral("maskBar"), borderedChip(11, QFont::Medium), this,
                          [this](MaskKind kind) { Q_EMIT addRequested(kind); });
    for (const MaskAddButton& button : add_) add->addWidget(button.chip);
    row->addLayout(add);
    separators_[0] = ruleLine(whiteAt(0.15), Qt::Vertical, 20);
    row->addWidget(separators_[0]);

    selectedGroup_ = new QWidget;
    selectedGroup_->setObjectName(QStringLiteral("maskBar.selected"));
    auto* selected = flatRow(6);
    selectedGroup_->setLayout(selected);
    // The name the photographer picks the mask by: a second line rather than an ellipsis.
    name_ = new FittingLabel;
    name_->setObjectName(QStringLiteral("maskBar.name"));
    name_->setFont(pixelFont(11, QFont::DemiBold));
    name_->setMaximumLines(2);
    name_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    name_->setMaximumWidth(kMaxNameWidth);
    requireWholeText(*name_);
    readout_ = new ExposureReadout(ExposureReadout::Look::Bar);
    readout_->setObjectName(QStringLiteral("maskBar.readout"));
    ChipStyle trash = borderedChip(11, QFont::Normal);
    trash.paddingX = 6;
    delete_ = new Chip({}, trash);
    delete_->setObjectName(QStringLiteral("maskBar.delete"));
    delete_->setSymbol("trash", standardColor(StandardColor::Red));
    selected->addWidget(new DotView(6, standardColor(StandardColor::Accent)));
    selected->addWidget(name_, 1);
    selected->addWidget(readout_);
    selected->addWidget(delete_);
    row->addWidget(selectedGroup_, 1);
    selectedSeparator_ = ruleLine(whiteAt(0.15), Qt::Vertical, 20);
    row->addWidget(selectedSeparator_);

    auto* count = countRow_ = flatRow(8);
    count_ = new QLabel;
    count_->setObjectName(QStringLiteral("maskBar.count"));
    count_->setFont(pixelFont(11));
    clear_ = new Chip({}, ChipStyle::textButton(10, QFont::Normal, standardColor(StandardColor::SecondaryText)));
    clear_->setObjectName(QStringLiteral("maskBar.clear"));
    count->addWidget(count_);
    count->addWidget(clear_);
    row->addLayout(count);
    separators_[1] = ruleLine(whiteAt(0.15), Qt::Vertical, 20);
    row->addWidget(separators_[1]);

    ChipStyle prominent = prominentChip(11, QFont::DemiBold);
    prominent.paddingX = 12;
    done_ = new Chip({}, prominent);
    done_->setObjectName(QStringLiteral("maskBar.done"));
    row->addWidget(done_);

    connect(delete_, &Chip::clicked, this, &MaskControlBar::deleteSelectedRequested);
    connect(clear_, &Chip::clicked, this, &MaskControlBar::clearAllRequested);
    connect(done_, &Chip::clicked, this, &MaskControlBar::doneRequested);
    refresh();
}

MaskControlBar::SelectedInfo MaskControlBar::selectedMaskInfo() const {
    const MaskSummary summary = summarizeMask(masks_.get(), selectedMaskID_.get());
    if (!summary.kind) return {localized("mask.defaultName"), 0.0};
    return {shownMaskName(summary.name), summary.exposure};
}

void MaskControlBar::refresh() {
    const std::optional<Uuid> selection = selectedMaskID_.get();
    const int total = masks_.get().count();

    for (const MaskAddButton& button : add_) {
        button.chip->setText(compact_ ? QString() : localized(maskKindInfo(button.kind).buttonKey));
        button.chip->setToolTip(localized(maskKindInfo(button.kind).buttonKey));
    }

    // A selection that names no mask still shows the group, as "Mask" at 0 EV.
    selectedGroup_->setVisible(selection.has_value());
    selectedSeparator_->setVisible(selection.has_value());
    if (selection) {
        const SelectedInfo info = selectedMaskInfo();
        name_->setFullText(info.name);
        // Narrowed no further than its two lines need.
        const QFontMetrics metrics = name_->fontMetrics();
        name_->setMinimumWidth(std::min(widestLine(metrics, balancedTwoLines(metrics, info.name)) + 1, kMaxNameWidth));
        readout_->setExposure(info.exposure);
        delete_->setToolTip(localized("common.delete"));
    }

    // English and its neighbours count one mask in the singular.
    count_->setText(total == 1 ? localized("mask.totalCountOne") : localized("mask.totalCount", total));
    setPaletteColour(*count_, QPalette::WindowText,
                     standardColor(total >= 1 ? StandardColor::Green : StandardColor::SecondaryText));
    clear_->setVisible(total >= 1);
    clear_->setText(compact_ ? QString() : localized("mask.clear"));
    clear_->setToolTip(localized("mask.clear"));
    done_->setText(localized("nav.maskActive"));
    fitToParent();
}

int MaskControlBar::shownSeparators() const {
    int shown = 0;
    for (QWidget* line : {separators_[0], selectedSeparator_, separators_[1]})
        if (!line->isHidden()) ++shown;
    return shown;
}

void MaskControlBar::setCompact(bool compact) {
    if (compact == compact_) return;
    compact_ = compact;
    // Narrow: symbols for the add and clear buttons (their texts stay as tooltips), closer groups.
    for (const MaskAddButton& button : add_)
        button.chip->setText(compact_ ? QString() : localized(maskKindInfo(button.kind).buttonKey));
    clear_->setText(compact_ ? QString() : localized("mask.clear"));
    clear_->setSymbol(compact_ ? "xmark.circle" : "");
    auto* row = static_cast<QHBoxLayout*>(layout());
    // Closer groups leave the mask's name room for its two lines.
    row->setSpacing(compact_ ? 6 : 14);
    selectedGroup_->layout()->setSpacing(compact_ ? 4 : 6);
    addRow_->setSpacing(compact_ ? 6 : 8);
    countRow_->setSpacing(compact_ ? 6 : 8);
    const int inset = compact_ ? kCompactInsetX : kInsetX;
    row->setContentsMargins(inset, kInsetY, inset, kInsetY);
    auto pad = [this](Chip* chip, double wide) {
        ChipStyle style = chip->chipStyle();
        style.paddingX = compact_ ? 5 : wide;
        chip->setChipStyle(style);
    };
    for (const MaskAddButton& button : add_) pad(button.chip, 8);
    pad(delete_, 6);
    ChipStyle done = done_->chipStyle();
    done.paddingX = compact_ ? 8 : 12;
    done_->setChipStyle(done);
}

void MaskControlBar::fitToParent() {
    if (!watchedParent_) return;
    // Measured with the texts and without, then shortened when the whole bar does
    // not fit between the canvas's edges.
    setCompact(false);
    invalidateAll(layout());
    const int whole = layout()->sizeHint().width();
    setCompact(true);
    invalidateAll(layout());
    compactMinimumWidth_ = layout()->minimumSize().width();
    setCompact(whole > watchedParent_->width() - 2 * kInsetX);
    updateGeometry();
}

QSize MaskControlBar::minimumSizeHint() const {
    const QSize natural = QWidget::minimumSizeHint();
    if (!watchedParent_ || compactMinimumWidth_ <= 0) return natural;
    return {std::min(natural.width(), compactMinimumWidth_), natural.height()};
}

bool MaskControlBar::event(QEvent* event) {
    if (event->type() == QEvent::ParentChange) {
        if (watchedParent_) watchedParent_->removeEventFilter(this);
        watchedParent_ = parentWidget();
        if (watchedParent_) watchedParent_->installEventFilter(this);
        fitToParent();
    }
    return QWidget::event(event);
}

bool MaskControlBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watchedParent_ && event->type() == QEvent::Resize) fitToParent();
    return QWidget::eventFilter(watched, event);
}

void MaskControlBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = roundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius);
    painter.fillPath(shape, DarkroomTheme::floatingPanelFill());
    painter.fillPath(roundedOutline(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, 1),
                     DarkroomTheme::floatingPanelBorder());
}

}  // namespace vantrel
