#include "views/panels/FilmGrainControlView.h"

#include <QLabel>
#include <QVBoxLayout>

#include "views/kit/Icons.h"
#include "views/kit/Layouts.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/kit/ChipRow.h"
#include "views/kit/FieldSlider.h"
#include "views/kit/PanelHeader.h"

namespace vantrel {

namespace {

// Above this amount the finer controls are offered; the header's "on" is the
// record's own neutrality test (amount at least 0.005), so exactly 0.005 is on
// but shows no detail.
constexpr double kDetailAmount = 0.005;

constexpr int kDetail = 1;  // the group of the finer rows

const FieldSliderRow<FilmGrainParameters> kSliders[] = {
    {"amount", &FilmGrainParameters::amount, {"grain.intensity", {0, 1}, 0}, StandardColor::Orange},
    {"size", &FilmGrainParameters::size, {"grain.size", {1.0, 3.5}, 1.6, 0.05, "%.2f", "x"}, StandardColor::Orange,
     kDetail},
    {"roughness", &FilmGrainParameters::roughness, {"grain.roughness", {0, 1}, 0.5}, StandardColor::Orange, kDetail},
    {"dyeClouds", &FilmGrainParameters::colorDyeClouds, {"grain.dyeClouds", {0, 1}, 0.25}, StandardColor::Orange,
     kDetail},
};

struct GrainPreset {
    const char* id;
    const char* key;
    FilmGrainParameters values;
};

const GrainPreset kPresets[] = {
    {"fine", "grain.presetFine", {0.18, 1.2, 0.35, 0.2}},
    {"standard", "grain.presetStandard", {0.35, 1.6, 0.45, 0.3}},
    {"coarse", "grain.presetCoarse", {0.65, 2.2, 0.65, 0.0}},
};

}  // namespace

FilmGrainParameters FilmGrainControlView::preset(const QString& id) {
    for (const GrainPreset& p : kPresets)
        if (id == QLatin1String(p.id)) return p.values;
    return FilmGrainParameters::defaultValue();
}

FilmGrainControlView::FilmGrainControlView(Binding<FilmGrainParameters> grain, QWidget* parent)
    : QWidget(parent), grain_(std::move(grain)), sliders_(QStringLiteral("grain"), [this] {
          Q_EMIT changed();
          refresh();
      }) {
    setObjectName(QStringLiteral("FilmGrainControlView"));
    auto* column = flatColumn(10, this);

    header_ = new PanelHeader(QStringLiteral("grain"), localized("inspector.grain"),
                              {"circle.grid.cross.fill", standardColor(StandardColor::Orange),
                               PanelHeader::ResetLabel::Small, false});
    connect(header_, &PanelHeader::resetRequested, this, [this] { write(FilmGrainParameters::defaultValue()); });
    column->addWidget(header_);

    std::vector<ChipItem> items;
    for (const GrainPreset& p : kPresets) items.push_back({QString::fromUtf8(p.id), localized(p.key)});
    presets_ = new ChipRow(QStringLiteral("grain.presets"), items,
                           ChipStyle::preset(10, QFont::Medium, 6, 3, 4, standardColor(StandardColor::PrimaryText)));
    presets_->setContentsMargins(0, 0, 0, 2);
    connect(presets_, &ChipRow::chosen, this, [this](const QString& id) { write(preset(id)); });
    column->addWidget(presets_);

    for (const auto& row : kSliders) {
        ProSlider* slider = sliders_.add(grain_, row);
        column->addWidget(slider);
        if (row.group == kDetail) detail_.push_back(slider);
    }

    tip_ = new QLabel;
    tip_->setObjectName(QStringLiteral("grain.tip"));
    tip_->setWordWrap(true);
    tip_->setFont(pixelFont(9));
    tip_->setContentsMargins(0, 2, 0, 0);
    setPaletteColour(*tip_, QPalette::WindowText, standardColor(StandardColor::SecondaryText));
    column->addWidget(tip_);
    detail_.push_back(tip_);

    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    refresh();
}

void FilmGrainControlView::write(const FilmGrainParameters& grain) {
    // A preset or reset is one edit: one write and one report, even when the
    // record already holds these values.
    grain_.set(grain);
    Q_EMIT changed();
    refresh();
}

void FilmGrainControlView::retitle() {
    header_->setTitle(localized("inspector.grain"));
    for (const GrainPreset& p : kPresets) presets_->setText(QString::fromUtf8(p.id), localized(p.key));
    sliders_.retitle();
    tip_->setText(localized("grain.tip"));
}

void FilmGrainControlView::refresh() {
    if (language_.changed()) retitle();
    const FilmGrainParameters grain = grain_.get();
    header_->refresh(!grain.isNeutral());
    const bool detail = grain.amount > kDetailAmount;
    for (QWidget* row : detail_)
        if (row->isHidden() == detail) row->setVisible(detail);
    sliders_.refresh();
}

}  // namespace vantrel
