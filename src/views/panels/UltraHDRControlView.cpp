#include "views/panels/UltraHDRControlView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "views/kit/FittingText.h"
#include "views/kit/Icons.h"
#include "views/kit/Layouts.h"
#include "views/kit/Marks.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/kit/SymbolView.h"
#include "views/kit/ChipRow.h"
#include "views/kit/FieldSlider.h"
#include "views/kit/PanelHeader.h"
#include "views/kit/RoundedBox.h"
#include "views/panels/UltraHDRPresets.h"

namespace vantrel {

namespace {

// Switching on below this boost loads the enabled defaults: the record was never set up.
constexpr double kUnsetBoost = 0.05;

const FieldSliderRow<UltraHDRParameters> kSliders[] = {
    {"boost", &UltraHDRParameters::highlightBoost, {"ultraHDR.boost", {0, 3}, 1.5, 0.05, "+%.2f", "EV"},
     StandardColor::Yellow},
    {"threshold", &UltraHDRParameters::clipThreshold, {"ultraHDR.threshold", {0.5, 0.95}, 0.75, 0.01, "%.2f", ""},
     StandardColor::Orange},
    {"radius", &UltraHDRParameters::gainMapRadius, {"ultraHDR.radius", {0, 15}, 4.0, 0.5, "%.1f", "px"},
     StandardColor::Yellow},
};

constexpr const char* kTipMark = "\U0001F4A1 ";  // a light bulb, where the fonts have one

QLabel* wrappingText(const char* name, double pixels) {
    auto* label = new QLabel;
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    label->setFont(pixelFont(pixels));
    setPaletteColour(*label, QPalette::WindowText, standardColor(StandardColor::SecondaryText));
    return label;
}

ChipStyle presetStyle() {
    ChipStyle style = ChipStyle::preset(9.5, QFont::Normal, 6, 3, 4, standardColor(StandardColor::SecondaryText));
    style.fill = whiteAt(0.04);
    style.selectedFill = standardColor(StandardColor::Yellow, 0.2);
    style.selectedText = standardColor(StandardColor::Yellow);
    return style;
}

}  // namespace

UltraHDRControlView::UltraHDRControlView(Binding<UltraHDRParameters> ultraHDR,
                                         std::shared_ptr<const DisplayEDRDetector> screen, QWidget* parent)
    : QWidget(parent),
      ultraHDR_(std::move(ultraHDR)),
      screen_(std::move(screen)),
      sliders_(QStringLiteral("ultraHDR"), [this] {
          Q_EMIT changed();
          refresh();
      }) {
    setObjectName(QStringLiteral("UltraHDRControlView"));
    if (!screen_) screen_ = std::make_shared<SystemEDRDetector>();
    auto* column = flatColumn(10, this);

    header_ = new PanelHeader(QStringLiteral("ultraHDR"), localized("ultraHDR.title"),
                              {"sun.max.fill", standardColor(StandardColor::Yellow), PanelHeader::ResetLabel::Small, true});
    connect(header_, &PanelHeader::resetRequested, this, [this] { write(UltraHDRParameters::enabledDefault()); });
    connect(header_, &PanelHeader::switchToggled, this, &UltraHDRControlView::switched);
    column->addWidget(header_);

    body_ = new QWidget;
    body_->setObjectName(QStringLiteral("ultraHDR.body"));
    auto* body = flatColumn(10, body_);
    column->addWidget(body_);

    std::vector<ChipItem> items;
    for (const UltraHDRPreset& p : ultraHDRPresets()) items.push_back({QString::fromLatin1(p.id), localized(p.key)});
    presets_ = new ChipRow(QStringLiteral("ultraHDR.presets"), items, presetStyle());
    presets_->setContentsMargins(0, 0, 0, 2);
    connect(presets_, &ChipRow::chosen, this, [this](const QString& id) {
        for (const UltraHDRPreset& p : ultraHDRPresets())
            if (id == QLatin1String(p.id)) write(applyingPreset(ultraHDR_.get(), p));
    });
    auto* presetRow = new QHBoxLayout;
    presetRow->addWidget(presets_);
    presetRow->addStretch(1);
    body->addLayout(presetRow);

    for (const auto& row : kSliders) body->addWidget(sliders_.add(ultraHDR_, row));

    // The screen's status, with the gain the boost gives below it.
    auto* status = new RoundedBox({whiteAt(0.03), Qt::transparent, 1, 5, 6, 4});
    status->setObjectName(QStringLiteral("ultraHDR.status"));
    auto* statusRow = flatRow(6);
    dot_ = new DotView(6, QColor());
    dot_->setObjectName(QStringLiteral("ultraHDR.statusDot"));
    statusRow->addWidget(dot_, 0, Qt::AlignVCenter);
    status_ = new FittingLabel;
    status_->setObjectName(QStringLiteral("ultraHDR.statusText"));
    status_->setFont(pixelFont(9.5, QFont::DemiBold, FontDesign::Monospaced));
    status_->setMaximumLines(2);
    statusRow->addWidget(status_, 1);
    status->content()->addLayout(statusRow);
    headroom_ = wrappingText("ultraHDR.headroomText", 9);
    status->content()->addWidget(headroom_);
    body->addWidget(status);

    notice_ = new RoundedBox({standardColor(StandardColor::Yellow, 0.06), standardColor(StandardColor::Yellow, 0.2), 0.8,
                              5, 7, 0});
    notice_->setObjectName(QStringLiteral("ultraHDR.notice"));
    auto* noticeRow = flatRow(6);
    auto* warning = new SymbolView("exclamationmark.triangle.fill", 11, standardColor(StandardColor::Yellow));
    warning->setContentsMargins(0, 1, 0, 0);
    noticeRow->addWidget(warning, 0, Qt::AlignTop);
    noticeText_ = wrappingText("ultraHDR.noticeText", 9);
    noticeRow->addWidget(noticeText_, 1);
    notice_->content()->addLayout(noticeRow);
    body->addWidget(notice_);

    tip_ = wrappingText("ultraHDR.tip", 9);
    tip_->setContentsMargins(0, 2, 0, 0);
    body->addWidget(tip_);

    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    refresh();
}

void UltraHDRControlView::write(const UltraHDRParameters& hdr) {
    // One write and one report per action, also when nothing changes (a preset pressed again).
    ultraHDR_.set(hdr);
    Q_EMIT changed();
    refresh();
}

void UltraHDRControlView::switched(bool on) {
    UltraHDRParameters hdr = ultraHDR_.get();
    if (on && hdr.highlightBoost < kUnsetBoost)
        hdr = UltraHDRParameters::enabledDefault();
    else
        hdr.isEnabled = on;
    write(hdr);
}

void UltraHDRControlView::retitle() {
    header_->setTitle(localized("ultraHDR.title"));
    for (const UltraHDRPreset& p : ultraHDRPresets()) presets_->setText(QString::fromLatin1(p.id), localized(p.key));
    sliders_.retitle();
    noticeText_->setText(localized("ultraHDR.sdrNotice"));
    const QString mark = QString::fromUtf8(kTipMark);
    const QString tip = localized("ultraHDR.tip");
    tip_->setText(fontsCanDraw(mark.trimmed(), tip_->font()) ? mark + tip : tip);
}

void UltraHDRControlView::refresh() {
    if (language_.changed()) retitle();
    const UltraHDRParameters hdr = ultraHDR_.get();
    header_->refresh(hdr.isEnabled, hdr.isEnabled);
    if (body_->isHidden() == hdr.isEnabled) body_->setVisible(hdr.isEnabled);
    presets_->setSelected(currentPresetID(hdr));
    sliders_.refresh();

    // The screen is asked afresh each time: a screen may come or go between edits.
    const bool standard = screen_->isStandardDynamicRangeOnly();
    statusColor_ = standardColor(standard ? StandardColor::Orange : StandardColor::Green);
    dot_->setColor(statusColor_);
    status_->setFullText(screenStatusText(standard, screen_->maximumPotentialHeadroom()));
    if (status_->palette().color(QPalette::WindowText) != statusColor_) {
        setPaletteColour(*status_, QPalette::WindowText, statusColor_);
    }
    headroom_->setText(vantrel::headroomText(hdr.highlightBoost));
    if (notice_->isHidden() == standard) notice_->setVisible(standard);
}

}  // namespace vantrel
