#include "app/AdjustmentsColumn.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/RenderRequests.h"
#include "views/kit/BusyIndicator.h"
#include "views/kit/DarkroomTheme.h"
#include "views/kit/StandardColors.h"
#include "views/kit/FittingRows.h"
#include "views/kit/FittingText.h"
#include "views/kit/Icons.h"
#include "views/kit/Layouts.h"
#include "views/kit/Marks.h"
#include "views/kit/ProSlider.h"
#include "views/kit/SystemColorSampler.h"
#include "views/panels/ColorWheelsView.h"
#include "views/panels/FilmFrameControlView.h"
#include "views/panels/FilmGrainControlView.h"
#include "views/panels/FilmPhysicsControlView.h"
#include "views/panels/HSLColorMixerView.h"
#include "views/panels/HalationControlView.h"
#include "views/panels/NegativeLabControlView.h"
#include "views/panels/ToneCurveEditorView.h"
#include "views/panels/UltraHDRControlView.h"
#include "viewmodel/DarkroomViewModel.h"
#include "views/canvas/HistogramWaveformView.h"
#include "views/masks/MaskControlView.h"
#include "views/masks/SubjectMaskControlView.h"

namespace vantrel {

namespace {

using Rows = ParameterTable<EditParameters>;

// The sections of the inspector's own sliders and their titles; their sliders are the recipe's
// parameter rows of each group, in the table's order.
struct SectionTitle {
    ParameterGroup group;
    const char* key;
};
constexpr SectionTitle kSectionTitles[] = {{ParameterGroup::tone, "inspector.tone"},
                                           {ParameterGroup::color, "inspector.color"},
                                           {ParameterGroup::detail, "inspector.detail"},
                                           {ParameterGroup::vignette, "inspector.vignette"}};

const char* titleOf(ParameterGroup group) {
    for (const SectionTitle& t : kSectionTitles)
        if (t.group == group) return t.key;
    return "";
}

// A section's reset shows while any of its settings is off its neutral value.
bool groupChanged(const EditParameters& p, ParameterGroup group) {
    for (const auto& row : Rows::rows)
        if (row.group == group && row.isChanged(p.*row.member)) return true;
    return false;
}

void resetGroup(EditParameters& p, ParameterGroup group) {
    for (const auto& row : Rows::rows)
        if (row.group == group) p.*row.member = row.neutral;
}

// A long title gives way to the reset link beside it.
FittingLabel* sectionTitle() {
    return fittingLabel("", DarkroomTheme::secondaryTextStyle(DarkroomTheme::TextSize::label, QFont::Bold));
}

}  // namespace

AdjustmentsColumn::AdjustmentsColumn(DarkroomViewModel& vm, QWidget* parent) : QWidget(parent), vm_(vm) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(14);
    auto group = [this](auto member) { return vm_.recipeBinding(member); };
    auto* histogram = new HistogramWaveformView([this] { return vm_.histogramData(); });
    histogram->setContentsMargins(0, 8, 0, 0);
    addPanel(column, histogram);
    addPanel(column, geometrySection());
    // The eyedropper's pick is tied to the frame it started on.
    auto* negative = new NegativeLabControlView(
        group(&EditParameters::negativeLab),
        [this] {
            const std::optional<Uuid>& frame = vm_.selectedPhotoID();
            return frame ? QString::fromStdString(frame->toString()) : QString();
        },
        new SystemColorSampler(this));
    addPanel(column, rendersOnChange(vm_, negative), true);
    addPanel(column, slidersSection(ParameterGroup::tone), true);
    addPanel(column, slidersSection(ParameterGroup::color));
    addPanel(column, rendersOnChange(vm_, new HSLColorMixerView(group(&EditParameters::hslAdjustments))));
    addPanel(column, rendersOnChange(vm_, new ColorWheelsView(group(&EditParameters::colorGrading))));
    auto* masks = new MaskControlView(
        group(&EditParameters::masks), vm_.binding(&DarkroomViewModel::selectedMaskID,
                                                   &DarkroomViewModel::setSelectedMaskID),
        [this] { return vm_.isMaskMode(); });
    connect(masks, &MaskControlView::toggleMaskModeRequested, this, [this] { vm_.toggleMaskMode(); });
    connect(masks, &MaskControlView::addRequested, this, [this](MaskKind kind) { vm_.addMask(kind); });
    addPanel(column, rendersOnChange(vm_, masks));
    auto* subject =
        new SubjectMaskControlView(group(&EditParameters::subjectMask), [this] { return vm_.isDetectingSubject(); });
    connect(subject, &SubjectMaskControlView::detectRequested, this, [this] { vm_.detectSubject(); });
    connect(subject, &SubjectMaskControlView::clearRequested, this, [this] { vm_.resetSubjectMask(); });
    addPanel(column, rendersOnChange(vm_, subject));
    addPanel(column, toneCurveEditor());
    addPanel(column, slidersSection(ParameterGroup::detail));
    addPanel(column, slidersSection(ParameterGroup::vignette));
    addPanel(column, rendersOnChange(vm_, new HalationControlView(group(&EditParameters::halation))));
    addPanel(column, rendersOnChange(vm_, new FilmGrainControlView(group(&EditParameters::filmGrain))));
    addPanel(column, rendersOnChange(vm_, new FilmPhysicsControlView(group(&EditParameters::lightLeaks),
                                                                     group(&EditParameters::dustAndScratches))));
    // The watermark reads the shooting data of the frame shown (none without one).
    auto* frame = new FilmFrameControlView(group(&EditParameters::filmFrame), [this] {
        const LoadedPhoto* photo = vm_.selectedPhoto();
        return photo ? photo->metadata() : ImageMetadataInfo{};
    });
    addPanel(column, rendersOnChange(vm_, frame));
    addPanel(column, rendersOnChange(vm_, new UltraHDRControlView(group(&EditParameters::ultraHDR))));
    column->addStretch(1);
    refresh();
}

QWidget* AdjustmentsColumn::toneCurveEditor() {
    return rendersOnGesture(vm_, new ToneCurveEditorView(vm_.recipeBinding(&EditParameters::curvePoints),
                                                         [this] { return vm_.histogramData(); }));
}

void AdjustmentsColumn::addPanel(QVBoxLayout* column, QWidget* panel, bool darkDividers) {
    // The negative-lab panel sits between two darker lines.
    if (blocks_++ > 0) column->addWidget(ruleLine(darkDividers ? DarkroomTheme::separator() : DarkroomTheme::faintLine()));
    column->addWidget(panel);
    if (auto* view = dynamic_cast<RefreshableView*>(panel)) panels_.push_back(view);
}

QPushButton* AdjustmentsColumn::resetButton(std::function<void(EditParameters&)> reset) {
    auto* button = new QPushButton;
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(DarkroomTheme::resetLinkStyle());
    connect(button, &QPushButton::clicked, this, [this, reset = std::move(reset)] { vm_.editRecipe(reset); });
    return button;
}

QWidget* AdjustmentsColumn::geometrySection() {
    auto* section = new QWidget;
    auto* rows = flatColumn(5, section);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 2);
    geometryTitle_ = sectionTitle();
    cropReset_ = resetButton([](EditParameters& p) { p.crop = CropParameters::defaultValue(); });
    cropReset_->setObjectName(QStringLiteral("reset.inspector.geometry"));
    cropToggle_ = new QPushButton;
    cropToggle_->setFlat(true);
    connect(cropToggle_, &QPushButton::clicked, this, [this] { vm_.toggleCropMode(); });
    header->addWidget(geometryTitle_);
    header->addStretch(1);
    header->addWidget(cropReset_);
    header->addWidget(cropToggle_);
    rows->addLayout(header);

    auto* straighten = flatRow(8);
    ProSlider* angle = makeSlider(
        parameterOf(&CropParameters::straightenAngle), [](const EditParameters& p) { return p.crop.straightenAngle; },
        [](EditParameters& p, double v) { p.crop.straightenAngle = v; });
    straighten->addWidget(angle, 1);
    autoHorizon_ = new QPushButton;
    autoHorizon_->setObjectName(QStringLiteral("autoHorizon"));
    connect(autoHorizon_, &QPushButton::clicked, this, [this] { vm_.autoLevelHorizon(); });
    // While the horizon is measured, a turning indicator in place of the wand.
    autoHorizonProgress_ = new BusyIndicator(12);
    autoHorizonProgress_->setObjectName(QStringLiteral("autoHorizon.progress"));
    auto* centred = new QHBoxLayout(autoHorizon_);
    centred->setContentsMargins(0, 0, 0, 0);
    centred->addWidget(autoHorizonProgress_, 0, Qt::AlignCenter);
    straighten->addWidget(autoHorizon_);
    rows->addLayout(straighten);

    // Labels alone, then on two lines, then icons alone, when the three do not fit side by side.
    orientationRow_ = new IconFallbackRow(IconFallbackRow::Widths::equal, 8);
    orientationRow_->setIconsGiveWayFirst(true);
    orientationRow_->setLabelsMayWrap(true);
    const struct {
        const char* key;
        const char* symbol;
        std::function<void()> action;
    } buttons[] = {{"inspector.rotateLeft", "rotate.left", [this] { vm_.subtractQuarterTurn(); }},
                   {"inspector.rotateRight", "rotate.right", [this] { vm_.addQuarterTurn(); }},
                   {"inspector.flipH", "arrow.left.and.right.righttriangle.left.righttriangle.right",
                    [this] { vm_.toggleFlipHorizontal(); }}};
    for (const auto& b : buttons) {
        auto* button = new QPushButton(symbolIcon(b.symbol), {});
        button->setObjectName(QString::fromUtf8(b.key));
        button->setStyleSheet(DarkroomTheme::textStyle(DarkroomTheme::TextSize::small));
        connect(button, &QPushButton::clicked, this, b.action);
        orientationRow_->addButton(button);
        orientation_.emplace_back(button, b.key);
    }
    rows->addWidget(orientationRow_);
    return section;
}

QWidget* AdjustmentsColumn::slidersSection(ParameterGroup group) {
    auto* section = new QWidget;
    auto* column = flatColumn(5, section);
    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 2);
    const char* titleKey = titleOf(group);
    FittingLabel* title = sectionTitle();
    QPushButton* button = resetButton([group](EditParameters& p) { resetGroup(p, group); });
    button->setObjectName(QStringLiteral("reset.") + QString::fromUtf8(titleKey));
    header->addWidget(title);
    header->addStretch(1);
    header->addWidget(button);
    column->addLayout(header);
    for (const auto& row : Rows::rows) {
        if (row.group != group) continue;
        const auto member = row.member;
        column->addWidget(makeSlider(
            row, [member](const EditParameters& p) { return p.*member; },
            [member](EditParameters& p, double v) { p.*member = v; }));
    }
    sections_.push_back({titleKey, group, title, button});
    return section;
}

template <class Record>
ProSlider* AdjustmentsColumn::makeSlider(const ScalarParameter<Record>& row, std::function<double(const EditParameters&)> get,
                                 std::function<void(EditParameters&, double)> set) {
    // Its default, the double-click reset, is the neutral value.
    auto* slider = new ProSlider(localized(row.label), vm_.recipeBinding<double>(get, set), {row.lower, row.upper}, row.neutral, row.step,
                                 QString::fromUtf8(row.format), QString::fromUtf8(row.unit),
                                 row.accent ? QColor(QRgb(row.accent)) : DarkroomTheme::accent());
    slider->setObjectName(QString::fromUtf8(row.label));
    rendersOnChange(vm_, slider);
    sliders_.push_back(slider);
    sliderKeys_.emplace_back(slider, row.label);
    return slider;
}

std::vector<const char*> AdjustmentsColumn::visibleResets() const {
    std::vector<const char*> shown;
    if (!cropReset_->isHidden()) shown.push_back("inspector.geometry");
    for (const Section& section : sections_)
        if (!section.reset->isHidden()) shown.push_back(section.titleKey);
    return shown;
}

void AdjustmentsColumn::refresh() {
    const EditParameters& p = vm_.parameters();
    geometryTitle_->setFullText(localized("inspector.geometry"));
    cropReset_->setText(localized("common.reset"));
    cropReset_->setToolTip(localized("common.reset"));
    cropReset_->setVisible(!(p.crop == CropParameters::defaultValue()));
    cropToggle_->setIcon(symbolIcon(vm_.isCroppingMode() ? "checkmark.circle.fill" : "crop"));
    cropToggle_->setToolTip(localized("nav.crop"));
    const bool detecting = vm_.isDetectingHorizon();
    autoHorizon_->setEnabled(!detecting);
    autoHorizonProgress_->setBusy(detecting);
    autoHorizon_->setIcon(autoHorizonProgress_->isVisibleTo(autoHorizon_) ? QIcon() : symbolIcon("wand.and.stars"));
    autoHorizon_->setToolTip(localized("inspector.autoHorizon"));
    for (auto& [button, key] : orientation_) orientationRow_->setLabel(button, localized(key), localized(key));
    for (Section& section : sections_) {
        section.title->setFullText(localized(section.titleKey));
        section.reset->setText(localized("common.reset"));
        section.reset->setToolTip(localized("common.reset"));
        section.reset->setVisible(groupChanged(p, section.group));
    }
    for (auto& [slider, key] : sliderKeys_) {
        slider->setTitle(localized(key));
        slider->refresh();
    }
    for (RefreshableView* panel : panels_) panel->refresh();
}

}  // namespace vantrel
