#include "views/panels/HSLColorMixerView.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "views/kit/ElidedLabel.h"
#include "views/kit/Icons.h"
#include "views/kit/Layouts.h"
#include "views/kit/Painting.h"
#include "views/kit/ProSlider.h"
#include "views/kit/StandardColors.h"
#include "views/kit/Chip.h"
#include "views/kit/ColorSwatch.h"
#include "views/kit/PanelHeader.h"
#include "views/kit/RoundedBox.h"

namespace vantrel {

namespace {

using Offset = HSLColorMixerView::Offset;

constexpr double kSwatchSize = 22;

struct OffsetRow {
    const char* id;
    const char* titleKey;
    double HSLAdjustment::*member;
    const char* unit;
};
const OffsetRow kRows[] = {{"hue", "hsl.hue", &HSLAdjustment::hue, ""},
                           {"saturation", "hsl.saturation", &HSLAdjustment::saturation, "%"},
                           {"luminance", "hsl.luminance", &HSLAdjustment::luminance, "%"}};

QString idOf(HSLColorChannel channel) {
    const std::string_view raw = rawValue(channel);
    return QString::fromUtf8(raw.data(), qsizetype(raw.size()));
}

QString nameOf(HSLColorChannel channel) {
    return localized(std::string(displayNameKey(channel)).c_str());
}

QColor swatchColour(HSLColorChannel channel) { return colorFromHex(colorHex(channel)); }

}  // namespace

HSLColorMixerView::HSLColorMixerView(Binding<HSLAdjustments> adjustments, QWidget* parent)
    : QWidget(parent), adjustments_(std::move(adjustments)) {
    setObjectName(QStringLiteral("HSLColorMixerView"));
    auto* column = flatColumn(10, this);

    header_ = new PanelHeader(QStringLiteral("hsl"), localized("inspector.hsl"), {});
    connect(header_, &PanelHeader::resetRequested, this, [this] {
        // Every entry goes, neutral ones stored in the file included.
        adjustments_.set({});
        Q_EMIT changed();
        refresh();
    });
    column->addWidget(header_);

    // The swatches' own margins (room for the ring's glow and the mark) space
    // them; the row spreads them over its width.
    auto* swatchRow = flatRow(0);
    for (HSLColorChannel channel : allCases<HSLColorChannel>()) {
        auto* swatch = new ColorSwatch(ColorSwatch::Shape::Circle, {kSwatchSize, kSwatchSize}, swatchColour(channel));
        swatch->setObjectName(QStringLiteral("hsl.swatch.") + idOf(channel));
        connect(swatch, &QAbstractButton::clicked, this, [this, channel] { select(channel); });
        if (channel != HSLColorChannel::red) swatchRow->addStretch(1);
        swatchRow->addWidget(swatch);
        swatches_[std::size_t(channel)] = swatch;
    }
    column->addLayout(swatchRow);

    auto* box = new RoundedBox(RoundedBox::Style::editor());
    box->setObjectName(QStringLiteral("hsl.editor"));
    auto* titleRow = flatRow(8);
    channelTitle_ = elidedCaption(11, QFont::DemiBold, standardColor(StandardColor::PrimaryText));
    channelTitle_->setObjectName(QStringLiteral("hsl.channelTitle"));
    titleRow->addWidget(channelTitle_, 1);
    channelReset_ = new Chip(localized("common.reset"),
                             ChipStyle::textButton(9, QFont::Normal, standardColor(StandardColor::SecondaryText)));
    channelReset_->setObjectName(QStringLiteral("hsl.channelReset"));
    connect(channelReset_, &QAbstractButton::clicked, this, [this] { write(HSLAdjustment::zero()); });
    titleRow->addWidget(channelReset_);
    box->content()->addLayout(titleRow);

    for (std::size_t i = 0; i < sliders_.size(); ++i) {
        const OffsetRow& row = kRows[i];
        const auto member = row.member;
        Binding<double> value([this, member] { return hslAdjustment(adjustments_.get(), selected_).*member; },
                              [this, member](const double& v) {
                                  HSLAdjustment adjustment = hslAdjustment(adjustments_.get(), selected_);
                                  if (adjustment.*member == v) return;
                                  adjustment.*member = v;
                                  write(adjustment);
                              });
        auto* slider = new ProSlider(localized(row.titleKey), std::move(value), {-100, 100}, 0, 1,
                                     QStringLiteral("%.0f"), QString::fromUtf8(row.unit), swatchColour(selected_));
        slider->setObjectName(QStringLiteral("hsl.") + QString::fromUtf8(row.id));
        box->content()->addWidget(slider);
        sliders_[i] = slider;
    }
    column->addWidget(box);

    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    refresh();
}

void HSLColorMixerView::select(HSLColorChannel channel) {
    // Choosing a channel only changes what the box edits.
    if (channel == selected_) return;
    selected_ = channel;
    channelTitle_->setText(nameOf(channel));
    for (ProSlider* slider : sliders_) slider->setTintColor(swatchColour(channel));
    refresh();
}

void HSLColorMixerView::write(const HSLAdjustment& adjustment) {
    HSLAdjustments adjustments = adjustments_.get();
    setHSLAdjustment(adjustments, adjustment, selected_);
    adjustments_.set(adjustments);
    Q_EMIT changed();
    refresh();
}

void HSLColorMixerView::retitle() {
    header_->setTitle(localized("inspector.hsl"));
    for (HSLColorChannel channel : allCases<HSLColorChannel>()) {
        ColorSwatch* swatch = swatches_[std::size_t(channel)];
        swatch->setToolTip(nameOf(channel));
        swatch->setAccessibleName(nameOf(channel));
    }
    channelTitle_->setText(nameOf(selected_));
    channelReset_->setText(localized("common.reset"));
    channelReset_->setToolTip(localized("common.reset"));
    for (std::size_t i = 0; i < sliders_.size(); ++i) sliders_[i]->setTitle(localized(kRows[i].titleKey));
}

void HSLColorMixerView::refresh() {
    if (language_.changed()) retitle();
    const HSLAdjustments adjustments = adjustments_.get();
    header_->refresh(hasHSLAdjustments(adjustments));
    for (HSLColorChannel channel : allCases<HSLColorChannel>()) {
        ColorSwatch* swatch = swatches_[std::size_t(channel)];
        swatch->setSelected(channel == selected_);
        swatch->setMarked(!hslAdjustment(adjustments, channel).isNeutral());
    }
    const bool edited = !hslAdjustment(adjustments, selected_).isNeutral();
    if (channelReset_->isVisibleTo(this) != edited) channelReset_->setVisible(edited);
    for (ProSlider* slider : sliders_) slider->refresh();
}

}  // namespace vantrel
