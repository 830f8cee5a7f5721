#include "views/panels/HalationControlView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "views/kit/Icons.h"
#include "views/kit/Layouts.h"
#include "views/kit/Marks.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/kit/Chip.h"
#include "views/kit/ChipRow.h"
#include "views/kit/FieldSlider.h"
#include "views/kit/PanelHeader.h"
#include "views/kit/RoundedBox.h"

namespace vantrel {

namespace {

// Below this both intensities count as unset: switching on loads the defaults.
constexpr double kUnsetIntensity = 0.01;

constexpr int kBloomCard = 1;  // the group of the bloom card's rows

// The double-click defaults are the neutral record's values.
const FieldSliderRow<HalationParameters> kSliders[] = {
    {"intensity", &HalationParameters::halationIntensity, {"halation.intensity", {0, 1}, 0}, StandardColor::Red},
    {"radius", &HalationParameters::halationRadius, {"halation.radius", {2, 60}, 18, 1, "%.0f", "px"},
     StandardColor::Orange},
    {"threshold", &HalationParameters::halationThreshold, {"halation.threshold", {0.35, 0.98}, 0.7},
     StandardColor::Yellow},
    {"bloomIntensity", &HalationParameters::bloomIntensity, {"halation.bloomIntensity", {0, 1}, 0},
     StandardColor::White, kBloomCard},
    {"bloomRadius", &HalationParameters::bloomRadius, {"halation.bloomRadius", {5, 100}, 30, 1, "%.0f", "px"},
     StandardColor::Cyan, kBloomCard},
};

struct Look {
    const char* id;
    const char* key;
    const HalationParameters& (*record)();
};

const Look kLooks[] = {
    {"cine800T", "halation.presetCine800T", &HalationParameters::cine800T},
    {"vision500T", "halation.presetVision500T", &HalationParameters::vision500T},
    {"blackMist", "halation.presetBlackMist", &HalationParameters::blackMist},
};

QLabel* cardCaption(QVBoxLayout* card, const QColor& dot) {
    auto* row = flatRow(6);
    row->addWidget(new DotView(6, dot));
    auto* label = new QLabel;
    label->setFont(pixelFont(10, QFont::DemiBold));
    setPaletteColour(*label, QPalette::WindowText, standardColor(StandardColor::PrimaryText));
    row->addWidget(label, 1);
    card->addLayout(row);
    return label;
}

}  // namespace

HalationParameters HalationControlView::preset(const QString& id) {
    for (const Look& look : kLooks)
        if (id == QLatin1String(look.id)) return look.record();
    return HalationParameters::enabledDefault();
}

HalationControlView::HalationControlView(Binding<EditParameters> parameters, QWidget* parent)
    : QWidget(parent), parameters_(std::move(parameters)), sliders_(QStringLiteral("halation"), [this] {
          Q_EMIT changed();
          refresh();
      }) {
    setObjectName(QStringLiteral("HalationControlView"));
    RoundedBox* card = panelCard(*this, QStringLiteral("halation.card"));

    header_ = new PanelHeader(QStringLiteral("halation"), localized("inspector.halation"),
                              {"sun.dust.fill", standardColor(StandardColor::Red), PanelHeader::ResetLabel::Small, true});
    connect(header_, &PanelHeader::resetRequested, this, &HalationControlView::resetToEnabledDefault);
    connect(header_, &PanelHeader::switchToggled, this, &HalationControlView::switched);
    card->content()->addWidget(header_);

    body_ = new QWidget;
    body_->setObjectName(QStringLiteral("halation.body"));
    auto* body = flatColumn(12, body_);
    card->content()->addWidget(body_);

    auto* presetRow = flatRow(5);
    std::vector<ChipItem> items;
    for (const Look& look : kLooks) items.push_back({QString::fromLatin1(look.id), localized(look.key)});
    const QColor secondary = standardColor(StandardColor::SecondaryText);
    presets_ = new ChipRow(QStringLiteral("halation.presets"), items, ChipStyle::preset(9, QFont::Normal, 6, 3, 4, secondary));
    connect(presets_, &ChipRow::chosen, this, [this](const QString& id) { applyPreset(preset(id)); });
    presetRow->addWidget(presets_);
    presetRow->addStretch(1);
    rowReset_ = new Chip(localized("common.reset"), ChipStyle::textButton(9, QFont::Normal, secondary));
    rowReset_->setObjectName(QStringLiteral("halation.rowReset"));
    connect(rowReset_, &QAbstractButton::clicked, this, &HalationControlView::resetToEnabledDefault);
    presetRow->addWidget(rowReset_);
    body->addLayout(presetRow);

    const Binding<HalationParameters> halation = parameters_.projected(&EditParameters::halation);
    auto* halationCard = new RoundedBox(RoundedBox::Style::group());
    halationCard->setObjectName(QStringLiteral("halation.halationCard"));
    halationCaption_ = cardCaption(halationCard->content(), standardColor(StandardColor::Red));
    halationCaption_->setObjectName(QStringLiteral("halation.halationCaption"));
    auto* bloomCard = new RoundedBox(RoundedBox::Style::group());
    bloomCard->setObjectName(QStringLiteral("halation.bloomCard"));
    bloomCaption_ = cardCaption(bloomCard->content(), standardColor(StandardColor::Cyan));
    bloomCaption_->setObjectName(QStringLiteral("halation.bloomCaption"));
    for (const auto& row : kSliders)
        (row.group == kBloomCard ? bloomCard : halationCard)->content()->addWidget(sliders_.add(halation, row));
    body->addWidget(halationCard);
    body->addWidget(bloomCard);

    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    refresh();
}

void HalationControlView::applyPreset(const HalationParameters& halation) {
    // One write and one report, also when the record holds these values already.
    EditParameters recipe = parameters_.get();
    recipe.halation = halation;
    parameters_.set(recipe);
    Q_EMIT changed();
    refresh();
}

void HalationControlView::switched(bool on) {
    EditParameters recipe = parameters_.get();
    HalationParameters& halation = recipe.halation;
    if (on && halation.halationIntensity < kUnsetIntensity && halation.bloomIntensity < kUnsetIntensity)
        halation = HalationParameters::enabledDefault();
    else
        halation.isEnabled = on;
    parameters_.set(recipe);
    Q_EMIT changed();
    refresh();
}

void HalationControlView::retitle() {
    header_->setTitle(localized("inspector.halation"));
    for (const Look& look : kLooks) presets_->setText(QString::fromLatin1(look.id), localized(look.key));
    rowReset_->setText(localized("common.reset"));
    halationCaption_->setText(localized("halation.redHalation"));
    bloomCaption_->setText(localized("halation.blackMistBloom"));
    sliders_.retitle();
}

void HalationControlView::refresh() {
    if (language_.changed()) retitle();
    const HalationParameters halation = parameters_.get().halation;
    header_->refresh(halation.isEnabled, halation.isEnabled);
    if (body_->isHidden() == halation.isEnabled) body_->setVisible(halation.isEnabled);
    sliders_.refresh();
}

}  // namespace vantrel
