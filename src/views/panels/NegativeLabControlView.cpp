#include "views/panels/NegativeLabControlView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "views/kit/FittingText.h"
#include "views/kit/Icons.h"
#include "views/kit/Layouts.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/kit/Chip.h"
#include "views/kit/ChipRow.h"
#include "views/kit/ColorSwatch.h"
#include "views/kit/FieldSlider.h"
#include "views/panels/FilmBaseText.h"
#include "views/kit/PanelHeader.h"
#include "views/kit/RoundedBox.h"

namespace vantrel {

namespace {

// Switching on below this density stretch loads the enabled defaults: the
// record was never set up.
constexpr double kSetUpStretch = 0.1;

constexpr int kColorOnly = 1;  // the group of the rows shown for colour negatives only

using N = NegativeLabParameters;
const FieldSliderRow<N> kSliders[] = {
    {"densityStretch", &parameterOf(&N::densityStretch), StandardColor::Orange},
    {"gamma", &parameterOf(&N::gamma), StandardColor::Blue},
    {"colorBalance", &parameterOf(&N::colorBalance), StandardColor::Purple, kColorOnly},
    {"highlightRecovery", &parameterOf(&N::highlightRecovery), StandardColor::Yellow},
    {"shadowDensity", &parameterOf(&N::shadowDensity), StandardColor::Grey},
};

struct BasePreset {
    const char* id;
    const char* key;
    double red, green, blue;
};

const BasePreset kBasePresets[] = {
    {"gold", "negativeLab.baseGold", 0.85, 0.45, 0.25},
    {"fuji", "negativeLab.baseFuji", 0.78, 0.5, 0.28},
    {"cinema", "negativeLab.baseCinema", 0.9, 0.4, 0.2},
    {"neutral", "negativeLab.baseNeutral", 0.5, 0.5, 0.5},
};

QString idOf(NegativeFilmType type) { return QString::fromUtf8(rawValue(type).data(), qsizetype(rawValue(type).size())); }

QLabel* caption() {
    auto* label = new QLabel;
    label->setFont(pixelFont(10, QFont::DemiBold));
    setPaletteColour(*label, QPalette::WindowText, standardColor(StandardColor::SecondaryText));
    return label;
}

ChipStyle eyedropperStyle() {
    const QColor orange = standardColor(StandardColor::Orange);
    ChipStyle style = ChipStyle::preset(10, QFont::Normal, 6, 3, 4, orange);
    style.fill = standardColor(StandardColor::Orange, 0.12);
    style.selectedFill = standardColor(StandardColor::Orange, 0.3);  // while a pick runs
    return style;
}

}  // namespace

std::vector<double> NegativeLabControlView::basePreset(const QString& id) {
    for (const BasePreset& p : kBasePresets)
        if (id == QLatin1String(p.id)) return {p.red, p.green, p.blue};
    return {};
}

NegativeLabControlView::NegativeLabControlView(Binding<NegativeLabParameters> negative, Source<QString> frame,
                                               ScreenColorSampler* sampler, QWidget* parent)
    : QWidget(parent),
      negative_(std::move(negative)),
      frame_(std::move(frame)),
      sliders_(QStringLiteral("negativeLab"), [this] {
          Q_EMIT changed();
          refresh();
      }) {
    setObjectName(QStringLiteral("NegativeLabControlView"));
    if (!frame_) frame_ = [] { return QString(); };
    RoundedBox* card = panelCard(*this, QStringLiteral("negativeLab.card"));
    QVBoxLayout* column = card->content();

    header_ = new PanelHeader(QStringLiteral("negativeLab"), localized("negativeLab.title"),
                              {"camera.filters", standardColor(StandardColor::Orange), PanelHeader::ResetLabel::Standard,
                               true});
    connect(header_, &PanelHeader::resetRequested, this, [this] { write(NegativeLabParameters::enabledDefault()); });
    connect(header_, &PanelHeader::switchToggled, this, &NegativeLabControlView::switched);
    column->addWidget(header_);

    RoundedBox::Style boxStyle = RoundedBox::Style::group();
    boxStyle.spacing = 12;
    controls_ = new RoundedBox(boxStyle);
    controls_->setObjectName(QStringLiteral("negativeLab.controls"));
    column->addWidget(controls_);

    // Film type.
    auto* typeGroup = flatColumn(6);
    filmTypeCaption_ = caption();
    filmTypeCaption_->setObjectName(QStringLiteral("negativeLab.filmTypeCaption"));
    typeGroup->addWidget(filmTypeCaption_);
    std::vector<ChipItem> types;
    for (NegativeFilmType type : allCases<NegativeFilmType>())
        types.push_back({idOf(type), localized(displayNameKey(type).data())});
    filmTypes_ = new ChipRow(QStringLiteral("negativeLab.filmType"), types, ChipStyle::option(10, 5, 4), 6);
    connect(filmTypes_, &ChipRow::chosen, this, [this](const QString& id) {
        const auto type = enumFromRaw<NegativeFilmType>(id.toStdString());
        if (!type) return;
        // Chosen again is still an edit: the photographer asked for it.
        NegativeLabParameters negative = negative_.get();
        negative.filmType = *type;
        write(negative);
    });
    typeGroup->addWidget(filmTypes_);
    controls_->content()->addLayout(typeGroup);

    // Film base: caption; swatch, hex text and eyedropper; presets.
    filmBase_ = new QWidget;
    filmBase_->setObjectName(QStringLiteral("negativeLab.filmBase"));
    auto* baseGroup = flatColumn(6, filmBase_);
    filmBaseCaption_ = new FittingLabel;
    filmBaseCaption_->setObjectName(QStringLiteral("negativeLab.filmBaseCaption"));
    filmBaseCaption_->setFont(pixelFont(10, QFont::DemiBold));
    setPaletteColour(*filmBaseCaption_, QPalette::WindowText, standardColor(StandardColor::SecondaryText));
    baseGroup->addWidget(filmBaseCaption_);

    auto* swatchRow = flatRow(8);
    swatch_ = new ColorSwatch(ColorSwatch::Shape::RoundedRect, {28, 20}, filmBaseSwatchColor({}));
    swatch_->setObjectName(QStringLiteral("negativeLab.swatch"));
    swatch_->setFocusPolicy(Qt::NoFocus);
    swatch_->setAttribute(Qt::WA_TransparentForMouseEvents);  // shows the colour; nothing to press
    swatchRow->addWidget(swatch_);
    hex_ = new QLabel;
    hex_->setObjectName(QStringLiteral("negativeLab.hex"));
    hex_->setFont(pixelFont(10, QFont::Normal, FontDesign::Monospaced));
    hex_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette hexPalette = hex_->palette();
    hexPalette.setColor(QPalette::WindowText, standardColor(StandardColor::SecondaryText));
    hex_->setPalette(hexPalette);
    swatchRow->addWidget(hex_);
    swatchRow->addStretch(1);
    eyedropper_ = new Chip(localized("negativeLab.eyedropper"), eyedropperStyle());
    eyedropper_->setObjectName(QStringLiteral("negativeLab.eyedropper"));
    eyedropper_->setSymbol("eyedropper.halffull");
    connect(eyedropper_, &QAbstractButton::clicked, this, &NegativeLabControlView::startSampling);
    swatchRow->addWidget(eyedropper_);
    baseGroup->addLayout(swatchRow);

    std::vector<ChipItem> bases;
    for (const BasePreset& p : kBasePresets) bases.push_back({QString::fromLatin1(p.id), localized(p.key)});
    basePresets_ = new ChipRow(QStringLiteral("negativeLab.basePresets"), bases,
                               ChipStyle::preset(9, QFont::Normal, 4, 2, 3, standardColor(StandardColor::SecondaryText)));
    connect(basePresets_, &ChipRow::chosen, this, [this](const QString& id) {
        NegativeLabParameters negative = negative_.get();
        negative.filmBaseColor = basePreset(id);
        write(negative);
    });
    baseGroup->addWidget(basePresets_);
    controls_->content()->addWidget(filmBase_);

    // Sliders.
    for (const auto& row : kSliders) {
        const QColor tint =
            row.tint == StandardColor::Purple ? QColor::fromRgbF(0.85f, 0.35f, 0.75f) : standardColor(row.tint);
        controls_->content()->addWidget(sliders_.add(negative_, row, tint));
    }

    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setSampler(sampler);
}

void NegativeLabControlView::setSampler(ScreenColorSampler* sampler) {
    if (sampler_ && isSampling()) endSampling();
    if (sampler_) disconnect(sampler_, nullptr, this, nullptr);
    sampler_ = sampler;
    if (sampler_) connect(sampler_, &ScreenColorSampler::availabilityChanged, this, [this] { refreshEyedropper(); });
    refresh();
}

void NegativeLabControlView::write(const NegativeLabParameters& negative) {
    negative_.set(negative);
    Q_EMIT changed();
    refresh();
}

void NegativeLabControlView::switched(bool on) {
    NegativeLabParameters negative = negative_.get();
    if (on && negative.densityStretch < kSetUpStretch)
        negative = NegativeLabParameters::enabledDefault();
    else
        negative.isEnabled = on;
    write(negative);
}

void NegativeLabControlView::startSampling() {
    if (!sampler_ || sampler_->availability() == ScreenColorSampler::Availability::unavailable) return;
    const quint64 pick = ++picks_;
    pickFrame_ = frame_();
    refreshEyedropper();
    sampler_->sample(window(), [panel = QPointer<NegativeLabControlView>(this), pick](std::optional<SampledColor> colour) {
        if (panel) panel->sampled(pick, colour);
    });
}

void NegativeLabControlView::sampled(quint64 pick, std::optional<SampledColor> colour) {
    // A superseded pick, or one ended because the frame changed.
    if (pick != picks_ || !pickFrame_) return;
    const bool sameFrame = *pickFrame_ == frame_();
    pickFrame_.reset();
    refreshEyedropper();
    if (!colour || !sameFrame) return;
    // Stored as the picker gives it: neither rounded to 1/255 nor clamped.
    NegativeLabParameters negative = negative_.get();
    negative.filmBaseColor = {colour->red, colour->green, colour->blue};
    write(negative);
}

void NegativeLabControlView::endSampling() {
    pickFrame_.reset();
    ++picks_;  // whatever still comes for it is dropped
    if (sampler_) sampler_->cancel();
    refreshEyedropper();
}

void NegativeLabControlView::refreshEyedropper() {
    const auto availability =
        sampler_ ? sampler_->availability() : ScreenColorSampler::Availability::unavailable;
    const bool usable = availability != ScreenColorSampler::Availability::unavailable;
    if (eyedropper_->isEnabled() != usable) eyedropper_->setEnabled(usable);
    const char* reason = sampler_ ? sampler_->unavailableReasonKey() : "negativeLab.sampleUnavailable";
    const QString tip = usable ? localized("negativeLab.sampleHelp")
                               : localized(*reason ? reason : "negativeLab.sampleUnavailable");
    if (eyedropper_->toolTip() != tip) eyedropper_->setToolTip(tip);
    eyedropper_->setSelected(isSampling());
}

void NegativeLabControlView::retitle() {
    header_->setTitle(localized("negativeLab.title"));
    filmTypeCaption_->setText(localized("negativeLab.filmType"));
    for (NegativeFilmType type : allCases<NegativeFilmType>())
        filmTypes_->setText(idOf(type), localized(displayNameKey(type).data()));
    filmBaseCaption_->setFullText(localized("negativeLab.filmBase"));
    eyedropper_->setText(localized("negativeLab.eyedropper"));
    eyedropper_->setToolTip({});  // set again below in the new language
    for (const BasePreset& p : kBasePresets) basePresets_->setText(QString::fromLatin1(p.id), localized(p.key));
    sliders_.retitle();
}

void NegativeLabControlView::refresh() {
    if (language_.changed()) retitle();
    // A pick is tied to its frame: another frame ends it.
    if (pickFrame_ && *pickFrame_ != frame_()) endSampling();

    const NegativeLabParameters negative = negative_.get();
    header_->refresh(negative.isEnabled, negative.isEnabled);
    if (controls_->isHidden() == negative.isEnabled) controls_->setVisible(negative.isEnabled);
    const bool colour = negative.filmType == NegativeFilmType::colorNegative;
    filmTypes_->setSelected(idOf(negative.filmType));
    if (filmBase_->isHidden() == colour) filmBase_->setVisible(colour);
    swatch_->setColor(filmBaseSwatchColor(negative.filmBaseColor));
    hex_->setText(filmBaseHex(negative.filmBaseColor));
    for (const FieldSliders::Entry& row : sliders_.entries()) {
        const bool shown = colour || row.group != kColorOnly;
        if (row.slider->isHidden() == shown) row.slider->setVisible(shown);
        row.slider->refresh();
    }
    refreshEyedropper();
}

}  // namespace vantrel
