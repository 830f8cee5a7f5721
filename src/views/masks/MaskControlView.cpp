#include "views/masks/MaskControlView.h"
#include "views/masks/MaskEditing.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "views/kit/DarkroomTheme.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/Icons.h"
#include "views/kit/Layouts.h"
#include "views/kit/Painting.h"
#include "views/kit/ProSlider.h"
#include "views/kit/StandardColors.h"
#include "views/kit/SymbolView.h"
#include "views/masks/MaskWidgets.h"
#include "views/kit/Chip.h"
#include "views/kit/RoundedBox.h"

namespace vantrel {

namespace {

QString rgba(const QColor& c) {
    return QStringLiteral("rgba(%1,%2,%3,%4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alphaF());
}

ChipStyle modeStyle(bool on) {
    ChipStyle style = ChipStyle::textButton(10, on ? QFont::Bold : QFont::Normal,
                                            on ? standardColor(StandardColor::Accent)
                                               : standardColor(StandardColor::SecondaryText));
    style.stretches = true;  // may shorten its text where a language runs long
    return style;
}

}  // namespace

// ---------------------------------------------------------------- row

MaskControlView::Row::Row(MaskControlView& owner) : owner_(owner) {
    setObjectName(QStringLiteral("maskList.row"));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 5, 8, 5);
    row->setSpacing(6);
    visibility_ = symbolButton(QStringLiteral("maskList.visibility"), "eye.fill", 10,
                               standardColor(StandardColor::Accent));
    kindSymbol_ = new SymbolView("line.diagonal", 10, standardColor(StandardColor::SecondaryText));
    name_ = new ElidedLabel;
    name_->setElideMode(Qt::ElideRight);
    delete_ = symbolButton(QStringLiteral("maskList.delete"), "trash", 9, standardColor(StandardColor::SecondaryText));
    row->addWidget(visibility_);
    row->addWidget(kindSymbol_);
    row->addWidget(name_, 1);
    row->addWidget(delete_);
    // Each action names the mask the row shows at the moment of the click.
    connect(visibility_, &Chip::clicked, this, [this] { owner_.toggleMaskVisibility(kind_, id_); });
    connect(delete_, &Chip::clicked, this, [this] { owner_.deleteMask(kind_, id_); });
}

void MaskControlView::Row::setMask(MaskKind kind, const Uuid& id, const QString& name, bool enabled, bool selected) {
    kind_ = kind;
    id_ = id;
    if (selected != selected_) {
        selected_ = selected;
        update();
    }
    visibility_->setSymbol(enabled ? "eye.fill" : "eye.slash",
                           enabled ? standardColor(StandardColor::Accent) : standardColor(StandardColor::SecondaryText));
    kindSymbol_->setSymbol(maskKindInfo(kind).symbol);
    name_->setText(name);
    name_->setFont(pixelFont(11, selected ? QFont::DemiBold : QFont::Normal));
    name_->setColor(selected ? QColor(Qt::white) : standardColor(StandardColor::PrimaryText));
    delete_->setToolTip(localized("mask.deleteThis"));
}

void MaskControlView::Row::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) owner_.selectMask(id_);
}

void MaskControlView::Row::paintEvent(QPaintEvent*) {
    if (!selected_) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(roundedRect(QRectF(rect()), 4), standardColor(StandardColor::Accent, 0.2));
}

// ---------------------------------------------------------------- section

MaskControlView::MaskControlView(Binding<MaskGroupParameters> masks, Binding<std::optional<Uuid>> selectedMaskID,
                                 Source<bool> isMaskMode, QWidget* parent)
    : QWidget(parent),
      masks_(std::move(masks)),
      selectedMaskID_(std::move(selectedMaskID)),
      isMaskMode_(std::move(isMaskMode)) {
    setObjectName(QStringLiteral("maskControl"));
    auto* column = flatColumn(10, this);
    column->setAlignment(Qt::AlignTop);

    auto* header = flatRow(6);
    title_ = elidedCaption(11, QFont::Bold, standardColor(StandardColor::SecondaryText));
    countBadge_ = new QLabel;
    countBadge_->setObjectName(QStringLiteral("maskControl.count"));
    countBadge_->setFont(pixelFont(10, QFont::Bold));
    countBadge_->setStyleSheet(QStringLiteral("QLabel { color: white; background: %1; border-radius: 7px;"
                                              " padding: 1px 5px; }")
                                   .arg(rgba(standardColor(StandardColor::Accent, 0.8))));
    mode_ = new Chip({}, modeStyle(false));
    mode_->setObjectName(QStringLiteral("maskControl.mode"));
    clear_ = new Chip({}, ChipStyle::textButton(9, QFont::Normal, standardColor(StandardColor::Accent)));
    clear_->setObjectName(QStringLiteral("maskControl.clear"));
    header->addWidget(title_, 1);
    header->addWidget(countBadge_);
    header->addStretch(0);
    header->addWidget(mode_);
    header->addWidget(clear_);
    column->addLayout(header);
    connect(mode_, &Chip::clicked, this, &MaskControlView::toggleMaskModeRequested);
    connect(clear_, &Chip::clicked, this, &MaskControlView::clearAllMasks);

    auto* add = flatRow(8);
    ChipStyle bordered = borderedChip(10, QFont::Medium);
    bordered.stretches = true;
    add_ = maskAddButtons(QStringLiteral("maskControl"), bordered, this,
                          [this](MaskKind kind) { Q_EMIT addRequested(kind); });
    for (const MaskAddButton& button : add_) add->addWidget(button.chip, 1);
    column->addLayout(add);

    list_ = new RoundedBox({.fill = blackAt(0.2), .radius = 6, .padding = 6, .spacing = 4});
    list_->setObjectName(QStringLiteral("maskControl.list"));
    column->addWidget(list_);

    card_ = new RoundedBox({.fill = whiteAt(0.04), .radius = 6, .padding = 8, .spacing = 7});
    card_->setObjectName(QStringLiteral("maskControl.card"));
    auto* cardHeader = new QHBoxLayout;
    cardTitle_ = new ElidedLabel;
    cardTitle_->setFont(pixelFont(10, QFont::DemiBold));
    cardTitle_->setColor(standardColor(StandardColor::Accent));
    cardTitle_->setElideMode(Qt::ElideRight);
    invert_ = new QCheckBox;
    invert_->setObjectName(QStringLiteral("maskControl.invert"));
    invert_->setFont(pixelFont(10));
    cardHeader->addWidget(cardTitle_, 1);
    cardHeader->addWidget(invert_);
    card_->content()->addLayout(cardHeader);
    connect(invert_, &QCheckBox::clicked, this, [this](bool inverted) {
        MaskGroupParameters masks = masks_.get();
        if (!editMask(masks, selectedMaskID_.get(), [&](auto& mask) { mask.isInverted = inverted; })) return;
        masks_.set(masks);
        Q_EMIT changed();
    });
    forEachMaskKind([&](const auto& kind) {
        for (const auto* row : maskSliderRows(kind)) {
            ProSlider* slider = maskSlider(
                masks_, [this] { return selectedMaskID_.get(); }, *row, [this] { Q_EMIT changed(); });
            card_->content()->addWidget(slider);
            cardRows_.push_back({kind.kind, slider, row->label});
        }
    });
    column->addWidget(card_);
    refresh();
}

MaskControlView::Row* MaskControlView::rowAt(std::size_t index) {
    while (rows_.size() <= index) {
        auto* row = new Row(*this);
        list_->content()->addWidget(row);
        rows_.push_back(row);
    }
    return rows_[index];
}

void MaskControlView::refresh() {
    const MaskGroupParameters masks = masks_.get();
    const std::optional<Uuid> selection = selectedMaskID_.get();
    const int total = masks.count();
    const bool maskMode = isMaskMode_();

    title_->setText(localized("inspector.masks"));
    countBadge_->setVisible(total >= 1);
    countBadge_->setText(QString::number(total));
    mode_->setChipStyle(modeStyle(maskMode));
    mode_->setSymbol(maskMode ? "checkmark.circle.fill" : "hand.draw");
    mode_->setText(localized(maskMode ? "mask.collapseHandles" : "mask.expandHandles"));
    mode_->setToolTip(localized("mask.handlesHelp"));
    clear_->setVisible(total >= 1);
    clear_->setText(localized("common.clear"));
    clear_->setToolTip(localized("mask.clear"));
    for (const MaskAddButton& button : add_) {
        button.chip->setText(localized(maskKindInfo(button.kind).buttonKey));
        button.chip->setToolTip(localized(maskKindInfo(button.kind).helpKey));
    }

    list_->setVisible(total >= 1);
    std::size_t shown = 0;
    forEachMaskKind([&](const auto& kind) {
        for (const auto& mask : masks.*kind.member)
            rowAt(shown++)->setMask(kind.kind, mask.id, shownMaskName(mask.name), mask.isEnabled,
                                    mask.id == selection);
    });
    for (std::size_t i = 0; i < rows_.size(); ++i) rows_[i]->setVisible(i < shown);

    const std::optional<MaskLocation> edited = locateMask(masks, selection);
    card_->setVisible(edited.has_value());
    if (!edited) return;
    cardTitle_->setText(localized(maskKindInfo(edited->kind).paramsKey));
    invert_->setText(localized("mask.invert"));
    {
        const QSignalBlocker quiet(invert_);
        invert_->setChecked(summarizeMask(masks, selection).isInverted);
    }
    for (const CardRow& row : cardRows_) {
        const bool visible = row.kind == edited->kind;
        row.slider->setVisible(visible);
        if (!visible) continue;
        row.slider->setTitle(localized(row.key));
        row.slider->refresh();
    }
}

std::vector<MaskControlView::Row*> MaskControlView::shownRows() const {
    std::vector<Row*> shown;
    for (Row* row : rows_)
        if (!row->isHidden()) shown.push_back(row);
    return shown;
}

std::vector<ProSlider*> MaskControlView::shownSliders() const {
    std::vector<ProSlider*> shown;
    for (const CardRow& row : cardRows_)
        if (!row.slider->isHidden()) shown.push_back(row.slider);
    return shown;
}

void MaskControlView::selectMask(const Uuid& id) {
    if (selectedMaskID_.get() == id) return;
    selectedMaskID_.set(id);
    refresh();
}

void MaskControlView::toggleMaskVisibility(MaskKind kind, const Uuid& id) {
    MaskGroupParameters masks = masks_.get();
    if (!editMaskOfKind(masks, kind, id, [](auto& mask) { mask.isEnabled = !mask.isEnabled; })) return;
    masks_.set(masks);
    Q_EMIT changed();
    refresh();
}

void MaskControlView::deleteMask(MaskKind kind, const Uuid& id) {
    MaskGroupParameters masks = masks_.get();
    if (!removeMaskOfKind(masks, kind, id)) return;  // gone meanwhile
    masks_.set(masks);
    // The first mask left of the same kind, else the first of the other kinds, else none.
    if (selectedMaskID_.get() == id) selectedMaskID_.set(firstMaskID(masks, kind));
    Q_EMIT changed();
    refresh();
}

void MaskControlView::clearAllMasks() {
    masks_.set({});
    selectedMaskID_.set(std::nullopt);
    Q_EMIT changed();
    refresh();
}

}  // namespace vantrel
