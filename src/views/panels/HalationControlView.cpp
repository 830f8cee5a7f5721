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

constexpr int kBloomCard = 1;  // the group of the bloom card's rows

using H = HalationParameters;
const FieldSliderRow<H> kSliders[] = {
    {"intensity", &parameterOf(&H::halationIntensity), StandardColor::Red},
    {"radius", &parameterOf(&H::halationRadius), StandardColor::Orange},
    {"threshold", &parameterOf(&H::halationThreshold), StandardColor::Yellow},
    {"bloomIntensity", &parameterOf(&H::bloomIntensity), StandardColor::White, kBloomCard},
    {"bloomRadius", &parameterOf(&H::bloomRadius), StandardColor::Cyan, kBloomCard},
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

HalationControlView::HalationControlView(Binding<HalationParameters> halation, QWidget* parent)
    : QWidget(parent), halation_(std::move(halation)), sliders_(QStringLiteral("halation"), [this] {
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

    auto* halationCard = new RoundedBox(RoundedBox::Style::group());
    halationCard->setObjectName(QStringLiteral("halation.halationCard"));
    halationCaption_ = cardCaption(halationCard->content(), standardColor(StandardColor::Red));
    halationCaption_->setObjectName(QStringLiteral("halation.halationCaption"));
    auto* bloomCard = new RoundedBox(RoundedBox::Style::group());
    bloomCard->setObjectName(QStringLiteral("halation.bloomCard"));
    bloomCaption_ = cardCaption(bloomCard->content(), standardColor(StandardColor::Cyan));
    bloomCaption_->setObjectName(QStringLiteral("halation.bloomCaption"));
    for (const auto& row : kSliders)
        (row.group == kBloomCard ? bloomCard : halationCard)->content()->addWidget(sliders_.add(halation_, row));
    body->addWidget(halationCard);
    body->addWidget(bloomCard);

    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    refresh();
}

void HalationControlView::applyPreset(const HalationParameters& halation) {
    // One write and one report, also when the record holds these values already.
    halation_.set(halation);
    Q_EMIT changed();
    refresh();
}

void HalationControlView::switched(bool on) {
    HalationParameters halation = halation_.get();
    // Both intensities unset: the record was never set up, so switching on loads the defaults.
    if (on && parameterOf(&H::halationIntensity).isNeutral(halation.halationIntensity) &&
        parameterOf(&H::bloomIntensity).isNeutral(halation.bloomIntensity))
        halation = HalationParameters::enabledDefault();
    else
        halation.isEnabled = on;
    halation_.set(halation);
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
    const HalationParameters halation = halation_.get();
    header_->refresh(halation.isEnabled, halation.isEnabled);
    if (body_->isHidden() == halation.isEnabled) body_->setVisible(halation.isEnabled);
    sliders_.refresh();
}

}  // namespace vantrel
