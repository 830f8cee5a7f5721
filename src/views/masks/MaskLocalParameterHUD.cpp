#include "views/masks/MaskLocalParameterHUD.h"

#include <algorithm>
#include <cmath>

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "services/LocalizationManager.h"
#include "views/masks/MaskOverlayGeometry.h"
#include "views/kit/DarkroomTheme.h"
#include "views/kit/DragTracker.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/FittingRows.h"
#include "views/kit/Icons.h"
#include "views/kit/Layouts.h"
#include "views/kit/Marks.h"
#include "views/kit/Painting.h"
#include "views/kit/ProSlider.h"
#include "views/kit/StandardColors.h"
#include "views/kit/SymbolView.h"
#include "views/masks/MaskWidgets.h"

namespace vantrel {

namespace {

constexpr int kPadding = 10;

// The header row: pressing anywhere on it but its buttons drags the panel.
// Translations are taken in screen coordinates, since the panel moves under
// the pointer while it is dragged.
class DragHandle final : public QWidget {
public:
    std::function<void()> onStart;
    std::function<void(QPointF)> onMove;
    std::function<void(QPointF)> onEnd;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return event->ignore();
        tracker_.press(event->globalPosition());
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (!tracker_.move(event->globalPosition())) return;
        if (tracker_.justStarted() && onStart) onStart();
        if (onMove) onMove(tracker_.translation());
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        const QPointF translation = tracker_.translation();
        if (tracker_.release() == DragTracker::Release::DragEnd && onEnd) onEnd(translation);
    }

private:
    DragTracker tracker_{10};
};

// A row as wide as the display's content whose height follows what its content needs at that
// width: the presets' chips, or the expander's text, wrap onto another line rather than hide.
class FixedWidthRow final : public QWidget {
public:
    explicit FixedWidthRow(int width) { setFixedWidth(width); }
    QSize sizeHint() const override { return {width(), layout() ? layout()->heightForWidth(width()) : 0}; }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

}  // namespace

MaskLocalParameterHUD::MaskLocalParameterHUD(Binding<MaskGroupParameters> masks, Uuid selectedMaskID, QWidget* parent)
    : QWidget(parent), masks_(std::move(masks)), id_(selectedMaskID) {
    setObjectName(QStringLiteral("maskHUD"));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(7);
    column->setSizeConstraint(QLayout::SetFixedSize);

    // Header.
    auto* handle = new DragHandle;
    handle->setObjectName(QStringLiteral("maskHUD.header"));
    handle->setCursor(Qt::OpenHandCursor);
    handle->onStart = [this] { startHeaderDrag(); };
    handle->onMove = [this](QPointF t) { moveHeaderDrag(t); };
    handle->onEnd = [this](QPointF t) { endHeaderDrag(t); };
    header_ = handle;
    // The mask's name has the header's first line to itself, so that it stands
    // whole; the exposure and the buttons follow on the second.
    auto* headerLines = flatColumn(4, header_);
    auto* nameRow = flatRow(6);
    auto* headerRow = flatRow(6);
    headerLines->addLayout(nameRow);
    headerLines->addLayout(headerRow);
    kindSymbol_ = new SymbolView("slider.horizontal.3", 11, standardColor(StandardColor::Accent));
    title_ = new ElidedLabel;
    title_->setObjectName(QStringLiteral("maskHUD.title"));
    title_->setFont(pixelFont(11, QFont::Bold));
    title_->setElideMode(Qt::ElideRight);
    readout_ = new ExposureReadout(ExposureReadout::Look::Display);
    readout_->setObjectName(QStringLiteral("maskHUD.readout"));
    const QColor secondary = standardColor(StandardColor::SecondaryText);
    reset_ = symbolButton(QStringLiteral("maskHUD.reset"), "arrow.counterclockwise", 10, secondary);
    invert_ = symbolButton(QStringLiteral("maskHUD.invert"), "arrow.left.arrow.right", 10, secondary);
    delete_ = symbolButton(QStringLiteral("maskHUD.delete"), "trash", 10, standardColor(StandardColor::Red, 0.85));
    close_ = symbolButton(QStringLiteral("maskHUD.close"), "xmark", 9, secondary);
    nameRow->addWidget(kindSymbol_);
    nameRow->addWidget(title_, 1);
    headerRow->addWidget(readout_);
    headerRow->addStretch(1);
    for (Chip* button : {reset_, invert_, delete_, close_}) headerRow->addWidget(button);
    header_->setFixedWidth(kWidth - 2 * kPadding);
    column->addWidget(header_);
    rule_ = ruleLine(whiteAt(0.12));
    column->addWidget(rule_);

    connect(reset_, &Chip::clicked, this, [this] {
        editSelected([this](MaskGroupParameters& masks) { return resetMaskCorrections(masks, id_); });
    });
    connect(invert_, &Chip::clicked, this, [this] {
        editSelected([this](MaskGroupParameters& masks) { return toggleMaskInversion(masks, id_); });
    });
    connect(delete_, &Chip::clicked, this, &MaskLocalParameterHUD::deleteRequested);
    connect(close_, &Chip::clicked, this, &MaskLocalParameterHUD::closeRequested);

    // Presets of both kinds; those of the selected mask's kind are shown.
    presetsRow_ = new FixedWidthRow(kWidth - 2 * kPadding);
    auto* flow = new WrappingLayout(5, 5, presetsRow_);
    flow->setLineAlignment(Qt::AlignLeft);
    for (const MaskPreset& preset : maskPresets()) {
        ChipStyle style = ChipStyle::preset(9, QFont::Medium, 6, 2.5, 4, whiteAt(0.85));
        style.fill = style.selectedFill = whiteAt(0.08);
        auto* chip = new Chip(localized(preset.key), style);
        chip->setObjectName(QStringLiteral("maskHUD.") + QString::fromUtf8(preset.key));
        chip->setToolTip(QString::fromUtf8(preset.hover));  // a technical hint, the same in every language
        flow->addWidget(chip);
        presets_.push_back({&preset, chip});
        connect(chip, &Chip::clicked, this, [this, p = &preset] {
            editSelected([this, p](MaskGroupParameters& masks) { return applyMaskPreset(masks, id_, *p); });
        });
    }
    column->addWidget(presetsRow_);

    // Slider rows of both kinds, built once; refresh shows the selected kind's.
    auto* main = flatColumn(5);
    advanced_ = new QWidget;
    auto* advanced = flatColumn(5, advanced_);
    advanced->addWidget(ruleLine(whiteAt(0.08)));
    forEachMaskKind([&](const auto& kind) {
        for (const bool isAdvanced : {false, true})
            for (const auto* row : displaySliderRows(kind, isAdvanced)) {
                ProSlider* slider = maskSlider(
                    masks_, [this] { return std::optional(id_); }, *row, [this] {
                        Q_EMIT changed();
                        refresh();
                    });
                slider->setFixedWidth(kWidth - 2 * kPadding);
                (isAdvanced ? advanced : main)->addWidget(slider);
                rows_.push_back({kind.kind, isAdvanced, slider, row->label});
            }
    });
    column->addLayout(main);
    column->addWidget(advanced_);

    // Footer: as wide as the panel's content, so a long text shortens instead of widening it.
    auto* footerRow = new FixedWidthRow(kWidth - 2 * kPadding);
    auto* footer = new QHBoxLayout(footerRow);
    footer->setContentsMargins(0, 2, 0, 0);
    expand_ = new DisclosureButton;
    expand_->setObjectName(QStringLiteral("maskHUD.expand"));
    connect(expand_, &DisclosureButton::clicked, this, [this] {
        expanded_ = !expanded_;
        refresh();
    });
    invertedBadge_ = new QLabel;
    invertedBadge_->setObjectName(QStringLiteral("maskHUD.invertedBadge"));
    invertedBadge_->setFont(pixelFont(8.5, QFont::Medium));
    QPalette badge = invertedBadge_->palette();
    badge.setColor(QPalette::WindowText, standardColor(StandardColor::Accent));
    invertedBadge_->setPalette(badge);
    footer->addWidget(expand_, 1);
    footer->addWidget(invertedBadge_);
    column->addWidget(footerRow);
    footer_ = footerRow;

    refresh();
}

template <typename Edit>
void MaskLocalParameterHUD::editSelected(Edit&& edit) {
    MaskGroupParameters masks = masks_.get();
    if (!edit(masks)) return;
    masks_.set(masks);
    Q_EMIT changed();
    refresh();
}

void MaskLocalParameterHUD::setSelectedMaskID(const Uuid& id) {
    if (id == id_) return;
    id_ = id;
    refresh();
}

int MaskLocalParameterHUD::mostReduced() const {
    const std::optional<MaskKind> kind = summarizeMask(masks_.get(), id_).kind;
    const auto main = std::count_if(rows_.begin(), rows_.end(),
                                    [&](const Row& row) { return !row.advanced && row.kind == kind; });
    return int(main) + 1;
}

void MaskLocalParameterHUD::setReduction(int level) {
    level = std::clamp(level, 0, mostReduced());
    if (level == reduction_) return;
    reduction_ = level;
    refresh();
}

const std::vector<QSize>& MaskLocalParameterHUD::reducedSizes() {
    refresh();  // what it shows follows the masks now
    const Measured now{shown_->kind, shown_->inverted, shown_->expanded, shown_->language};
    if (measured_ == now) return reducedSizes_;
    const int kept = reduction_;
    reducedSizes_.clear();
    for (int level = 0; level <= mostReduced(); ++level) {
        setReduction(level);
        layout()->activate();
        reducedSizes_.push_back(size());
    }
    setReduction(kept);
    measured_ = now;
    return reducedSizes_;
}

void MaskLocalParameterHUD::resetViewState() {
    expanded_ = false;
    dragOffset_ = accumulatedOffset_ = {};
    refresh();
}

void MaskLocalParameterHUD::refresh() {
    const MaskGroupParameters masks = masks_.get();
    const MaskSummary summary = summarizeMask(masks, id_);
    const bool found = summary.kind.has_value();

    // Unchanged since the last refresh (the window refreshes after every write,
    // also while a handle on the canvas moves the mask): only the place may differ.
    Shown shown{summary.kind, summary.name, {}, summary.isInverted, expanded_, reduction_,
                LocalizationManager::shared().currentLanguage()};
    editMask(masks, id_, [&](const auto& mask) {
        for (const auto* row : maskSliderRows(std::get<MaskKindRow<std::decay_t<decltype(mask)>>>(maskKinds)))
            shown.values.push_back(mask.*row->member);
    });
    if (shown_ && *shown_ == shown) {
        if (placed_) place();
        return;
    }
    shown_ = shown;
    // Laid out once, when every part shows what it should: a resize on the way
    // would let the overlay place the panel (and change its reduction) amid this refresh.
    layout()->setEnabled(false);

    kindSymbol_->setSymbol(found ? maskKindInfo(*summary.kind).symbol : "slider.horizontal.3");
    title_->setText(found ? shownMaskName(summary.name) : localized("hud.maskDefaultTitle"));
    readout_->setExposure(summary.exposure);

    reset_->setToolTip(localized("hud.maskResetTooltip"));
    invert_->setToolTip(localized(summary.isInverted ? "hud.maskInvertActiveTooltip" : "hud.maskInvertTooltip"));
    invert_->setSymbol("arrow.left.arrow.right",
                       summary.isInverted ? standardColor(StandardColor::Accent)
                                          : standardColor(StandardColor::SecondaryText));
    delete_->setToolTip(localized("hud.maskDeleteTooltip"));
    close_->setToolTip(localized("hud.maskCollapseTooltip"));

    bool anyPreset = false;
    for (const Preset& preset : presets_) {
        preset.chip->setText(localized(preset.preset->key));
        const bool shown = found && preset.preset->kind == *summary.kind;
        preset.chip->setVisible(shown);
        anyPreset |= shown;
    }
    presetsRow_->setVisible(anyPreset && reduction_ == 0);
    presetsRow_->updateGeometry();

    // Reduced, the panel drops its main sliders from the last one up.
    const int mainShown = reduction_ == 0 ? int(rows_.size()) : mostReduced() - reduction_;
    int main = 0;
    for (const Row& row : rows_) {
        const bool shown = found && row.kind == *summary.kind && (row.advanced || main++ < mainShown);
        row.slider->setVisible(shown);
        if (!shown) continue;
        row.slider->setTitle(localized(row.key));
        row.slider->refresh();
    }
    advanced_->setVisible(expanded_ && reduction_ == 0);
    footer_->setVisible(reduction_ == 0);
    rule_->setVisible(reduction_ < mostReduced());

    expand_->setText(localized(expanded_ ? "mask.collapseParams" : "mask.expandParams"));
    expand_->setExpanded(expanded_);
    invertedBadge_->setText(localized("mask.invertedBadge"));
    invertedBadge_->setVisible(found && summary.isInverted);
    layout()->setEnabled(true);
    if (placed_) place();
}

std::vector<Chip*> MaskLocalParameterHUD::shownPresets() const {
    std::vector<Chip*> shown;
    for (const Preset& preset : presets_)
        if (!preset.chip->isHidden()) shown.push_back(preset.chip);
    return shown;
}

std::vector<ProSlider*> MaskLocalParameterHUD::shownMainSliders() const {
    std::vector<ProSlider*> shown;
    for (const Row& row : rows_)
        if (!row.advanced && !row.slider->isHidden()) shown.push_back(row.slider);
    return shown;
}

std::vector<ProSlider*> MaskLocalParameterHUD::shownAdvancedSliders() const {
    std::vector<ProSlider*> shown;
    if (!expanded_) return shown;
    for (const Row& row : rows_)
        if (row.advanced && !row.slider->isHidden()) shown.push_back(row.slider);
    return shown;
}

void MaskLocalParameterHUD::startHeaderDrag() { header_->setCursor(Qt::ClosedHandCursor); }

void MaskLocalParameterHUD::moveHeaderDrag(const QPointF& translation) {
    dragOffset_ = translation;
    place();
}

void MaskLocalParameterHUD::endHeaderDrag(const QPointF& translation) {
    accumulatedOffset_ += translation;
    dragOffset_ = {};
    header_->setCursor(Qt::OpenHandCursor);
    place();
}

void MaskLocalParameterHUD::placeAt(const QPointF& centre) {
    centre_ = centre;
    placed_ = true;
    place();
}

void MaskLocalParameterHUD::place() {
    layout()->activate();  // the fixed size follows the rows shown now
    // The place beside the mask assumes a panel 240 points high; a taller one
    // (expanded, or long texts) is moved in so that none of it, its header above
    // all, leaves the canvas.
    QPointF centre = centre_;
    if (parentWidget()) centre = maskOverlay::keepInside(centre, QSizeF(size()), QSizeF(parentWidget()->size()));
    const QPointF topLeft = centre + offset() - QPointF(width() / 2.0, height() / 2.0);
    const QPoint at(int(std::lround(topLeft.x())), int(std::lround(topLeft.y())));
    if (pos() != at) move(at);
}

void MaskLocalParameterHUD::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (placed_) place();  // keeps its centre, not its top left, when rows come and go
}

QRegion MaskLocalParameterHUD::opaqueRegion() const {
    // One pixel in from the antialiased edge, and the corners' squares left out.
    const int corner = int(kCornerRadius);
    const QRect r = geometry();
    return QRegion(r.adjusted(1, corner, -1, -corner)).united(r.adjusted(corner, 1, -corner, -1));
}

void MaskLocalParameterHUD::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    // The floating panels' grey, opaque: nothing shows through it, so the canvas
    // under it can change without repainting it.
    QColor fill = DarkroomTheme::floatingPanelFill();
    fill.setAlphaF(1);
    painter.fillPath(roundedRect(box, kCornerRadius), fill);
    QColor border = DarkroomTheme::floatingPanelBorder();
    border.setAlphaF(border.alphaF() * 0.9f);
    painter.fillPath(roundedOutline(box, kCornerRadius, 1), border);
}

}  // namespace vantrel
