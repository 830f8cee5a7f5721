#include "views/retouch/SpotHealingControlBar.h"

#include <cmath>
#include <span>

#include <QHBoxLayout>

#include "services/TextFormatter.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/Icons.h"
#include "views/kit/Layouts.h"
#include "views/kit/Marks.h"
#include "views/kit/Painting.h"
#include "views/kit/ProSlider.h"
#include "views/kit/StandardColors.h"
#include "views/kit/SymbolView.h"

namespace vantrel {

namespace {

ElidedLabel* label(const char* name, double pixels, QFont::Weight weight) {
    auto* text = new ElidedLabel;
    text->setObjectName(QString::fromUtf8(name));
    text->setFont(pixelFont(pixels, weight));
    text->setElideMode(Qt::ElideRight);
    return text;
}

QString pixelsText(double radius) {
    const FormatArg argument = makeFormatArg(static_cast<long long>(std::trunc(radius)));
    return QString::fromStdString(formatText("%lld px", std::span(&argument, 1)));
}

constexpr double kBrushDefault = 24;
constexpr double kSensitivityDefault = 3;

}  // namespace

SpotHealingControlBar::SpotHealingControlBar(Binding<SpotHealingParameters> healing,
                                             Source<std::optional<Uuid>> selectedSpotID,
                                             Binding<double> brushRadiusPixels, QWidget* parent)
    : FloatingToolBar(QStringLiteral("SpotHealingControlBar"), 14, parent), healing_(std::move(healing)),
      selectedSpotID_(std::move(selectedSpotID)), brushRadiusPixels_(std::move(brushRadiusPixels)) {
    const QColor secondary = standardColor(StandardColor::SecondaryText);
    const QColor primary = standardColor(StandardColor::PrimaryText);

    // Brush: its radius in screen points; the overlay hands it to the selected spot.
    QHBoxLayout* brushGroup = addGroup(QStringLiteral("healingBar.brushGroup"), 8);
    brushGroup->addWidget(new SymbolView("circle.dotted", 13, secondary), 0, Qt::AlignVCenter);
    brushLabel_ = label("healingBar.brushLabel", 11, QFont::Medium);
    brushGroup->addWidget(brushLabel_);
    brush_ = new ProSlider(QString(), brushRadiusPixels_, {6, 80}, kBrushDefault, 1);
    brush_->setObjectName(QStringLiteral("healingBar.brush"));
    brush_->showValue();
    // The bar breaks into lines between groups when its area is narrow; only a
    // group wider than the whole area shortens its labels (whole in the tooltip)
    // and its sliders, never its buttons.
    brushGroup->addWidget(flexibleWidth(brush_, 95, 60), 0, Qt::AlignVCenter);
    brushValue_ = label("healingBar.brushValue", 11, QFont::DemiBold);
    brushValue_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    brushValue_->setFixedWidth(44);
    brushGroup->addWidget(brushValue_);

    // The selected spot, only while there is one. Its room stays while it is
    // away, as the sensitivity's does: the bar keeps its size and lines, and
    // no button moves from under the pointer.
    QHBoxLayout* selectedRow = addGroup(QStringLiteral("healingBar.selected"), 6);
    selectedGroup_ = selectedRow->parentWidget();
    keepPlaceOf(selectedGroup_);
    selectedRow->addWidget(new DotView(6, standardColor(StandardColor::Yellow)), 0, Qt::AlignVCenter);
    selectedLabel_ = label("healingBar.selectedLabel", 11, QFont::Medium);
    selectedLabel_->setColor(standardColor(StandardColor::Yellow));
    selectedRow->addWidget(selectedLabel_);
    delete_ = new Chip(QString(), bordered(11, QFont::Normal, standardColor(StandardColor::Red)));
    delete_->setObjectName(QStringLiteral("healingBar.deleteSelected"));
    delete_->setSymbol("trash");
    connect(delete_, &QAbstractButton::clicked, this, &SpotHealingControlBar::deleteSelectedRequested);
    selectedRow->addWidget(delete_);

    // Dust view and its sensitivity.
    QHBoxLayout* dustGroup = addGroup(QStringLiteral("healingBar.dustGroup"), 8);
    ChipStyle dustStyle = bordered(11, QFont::DemiBold, primary);
    dustStyle.paddingX = 6;
    dustStyle.radius = 6;
    dustStyle.selectedFill = standardColor(StandardColor::Orange, 0.25);
    dustStyle.selectedText = standardColor(StandardColor::Orange);
    dust_ = new Chip(QString(), dustStyle);
    dust_->setObjectName(QStringLiteral("healingBar.dust"));
    connect(dust_, &QAbstractButton::clicked, this, &SpotHealingControlBar::toggleDust);
    dustGroup->addWidget(dust_);
    sensitivityGroup_ = new QWidget;
    sensitivityGroup_->setObjectName(QStringLiteral("healingBar.sensitivityGroup"));
    QSizePolicy keepsRoom = sensitivityGroup_->sizePolicy();
    keepsRoom.setRetainSizeWhenHidden(true);
    sensitivityGroup_->setSizePolicy(keepsRoom);
    QHBoxLayout* sensitivityRow = flatRow(5, sensitivityGroup_);
    sensitivityLabel_ = label("healingBar.sensitivityLabel", 10, QFont::Medium);
    sensitivityLabel_->setColor(secondary);
    sensitivityRow->addWidget(sensitivityLabel_);
    // Each change of the value reaches the recipe once and is reported once.
    Binding<double> intensity(
        [this] { return healing_.get().visualizeDustIntensity; },
        [this](const double& value) {
            SpotHealingParameters healing = healing_.get();
            if (healing.visualizeDustIntensity == value) return;
            healing.visualizeDustIntensity = value;
            healing_.set(healing);
            Q_EMIT changed();
        });
    sensitivity_ = new ProSlider(QString(), intensity, {1, 8}, kSensitivityDefault, 0.5, QStringLiteral("%.2f"),
                                 QString(), standardColor(StandardColor::Orange));
    sensitivity_->setObjectName(QStringLiteral("healingBar.sensitivity"));
    sensitivity_->showValue();
    sensitivityRow->addWidget(flexibleWidth(sensitivity_, 60, 40), 0, Qt::AlignVCenter);
    dustGroup->addWidget(sensitivityGroup_);

    // Count, undo and clear.
    QHBoxLayout* countGroup = addGroup(QStringLiteral("healingBar.countGroup"), 8);
    count_ = label("healingBar.count", 11, QFont::Normal);
    countGroup->addWidget(count_);
    undo_ = new Chip(QString(), bordered(11, QFont::Normal, primary));
    undo_->setObjectName(QStringLiteral("healingBar.undo"));
    undo_->setSymbol("arrow.uturn.backward");
    connect(undo_, &QAbstractButton::clicked, this, &SpotHealingControlBar::undoRequested);
    countGroup->addWidget(undo_);
    clear_ = new Chip(QString(), borderless(10, QFont::Normal, secondary));
    clear_->setObjectName(QStringLiteral("healingBar.clear"));
    connect(clear_, &QAbstractButton::clicked, this, &SpotHealingControlBar::clearRequested);
    countGroup->addWidget(clear_);

    done_ = new Chip(QString(), prominent(11, 6));
    done_->setObjectName(QStringLiteral("healingBar.done"));
    connect(done_, &QAbstractButton::clicked, this, &SpotHealingControlBar::doneRequested);
    addGroup(QStringLiteral("healingBar.doneGroup"), 0)->addWidget(done_);
    refresh();
}

void SpotHealingControlBar::toggleDust() {
    SpotHealingParameters healing = healing_.get();
    healing.isVisualizeDustMode = !healing.isVisualizeDustMode;
    healing_.set(healing);
    refresh();
    Q_EMIT changed();
}

void SpotHealingControlBar::refresh() {
    const SpotHealingParameters healing = healing_.get();
    const bool hasSelection = selectedSpotID_().has_value();
    const int count = int(healing.spots.size());
    const bool dustOn = healing.isVisualizeDustMode;
    const QColor tint = standardColor(hasSelection ? StandardColor::Yellow : StandardColor::Accent);

    // The labels that change take the room of their longest text.
    brushLabel_->setReservedTexts({localized("healing.spotRadius"), localized("healing.brushRadius")});
    brushLabel_->setText(localized(hasSelection ? "healing.spotRadius" : "healing.brushRadius"));
    brush_->setTintColor(tint);
    brush_->refresh();
    brushValue_->setText(pixelsText(brushRadiusPixels_.get()));
    brushValue_->setColor(tint);

    setGroupVisible(selectedGroup_, hasSelection);
    selectedLabel_->setText(localized("healing.selectedPoint"));
    delete_->setToolTip(localized("healing.deleteSelectedHelp"));

    if (dustShownOn_ != int(dustOn)) {
        dustShownOn_ = int(dustOn);
        dust_->setSelected(dustOn);
        dust_->setSymbol(dustOn ? "sparkles.rectangle.stack.fill" : "sparkles.rectangle.stack");
    }
    dust_->setText(localized("healing.visualizeDust"));
    dust_->setToolTip(localized("healing.visualizeDustHelp"));
    sensitivityGroup_->setVisible(dustOn);
    sensitivityLabel_->setText(localized("healing.sensitivity"));
    sensitivity_->refresh();

    count_->setReservedTexts({localized("healing.healedCount", 999), localized("healing.clickToHeal")});
    count_->setText(count > 0 ? localized("healing.healedCount", count) : localized("healing.clickToHeal"));
    count_->setColor(standardColor(count > 0 ? StandardColor::Green : StandardColor::SecondaryText));
    undo_->setEnabled(canUndo_ ? canUndo_() : count > 0);
    undo_->setToolTip(localized("healing.undoHelp"));
    clear_->setEnabled(count > 0);
    clear_->setText(localized("mask.clear"));
    clear_->setToolTip(localized("mask.clear"));
    done_->setText(localized("nav.done"));
    updateLines();
}

}  // namespace vantrel
