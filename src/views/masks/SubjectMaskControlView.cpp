#include "views/masks/SubjectMaskControlView.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "views/kit/DarkroomTheme.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/Icons.h"
#include "views/kit/Layouts.h"
#include "views/kit/Marks.h"
#include "views/kit/Painting.h"
#include "views/kit/ProSlider.h"
#include "views/kit/StandardColors.h"
#include "views/kit/SymbolView.h"
#include "views/masks/MaskWidgets.h"
#include "views/kit/Chip.h"
#include "views/kit/RoundedBox.h"
#include "views/kit/SegmentedControl.h"

namespace vantrel {

namespace {

constexpr int kFooterSpacing = 6;

ChipStyle footerStyle() { return ChipStyle::textButton(10, QFont::Normal, standardColor(StandardColor::SecondaryText)); }

}  // namespace

SubjectMaskControlView::SubjectMaskControlView(Binding<EditParameters> parameters, Source<bool> isDetecting,
                                               QWidget* parent)
    : QWidget(parent), parameters_(std::move(parameters)), isDetecting_(std::move(isDetecting)) {
    setObjectName(QStringLiteral("subjectMask"));
    auto* column = flatColumn(10, this);
    column->setAlignment(Qt::AlignTop);

    // Header.
    auto* header = flatRow(6);
    title_ = elidedCaption(11, QFont::Bold, standardColor(StandardColor::SecondaryText));
    badge_ = new FilledBacking(standardColor(StandardColor::Cyan, 0.12), -1);  // the engine badge's capsule
    badge_->setObjectName(QStringLiteral("subjectMask.badge"));
    auto* badgeRow = new QHBoxLayout(badge_);
    badgeRow->setContentsMargins(5, 2, 5, 2);
    badgeRow->setSpacing(3);
    badgeRow->addWidget(new SymbolView("apple.logo", 8, standardColor(StandardColor::Cyan)));
    badgeText_ = new QLabel;
    badgeText_->setFont(pixelFont(9, QFont::Bold));
    QPalette cyan = badgeText_->palette();
    cyan.setColor(QPalette::WindowText, standardColor(StandardColor::Cyan));
    badgeText_->setPalette(cyan);
    badgeRow->addWidget(badgeText_);
    badge_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    reset_ = new Chip({}, ChipStyle::textButton(9, QFont::Normal, standardColor(StandardColor::Accent)));
    reset_->setObjectName(QStringLiteral("subjectMask.reset"));
    eye_ = symbolButton(QStringLiteral("subjectMask.eye"), "eye.fill", 11, standardColor(StandardColor::Accent));
    header->addWidget(title_, 1);
    header->addWidget(badge_);
    header->addStretch(0);
    header->addWidget(reset_);
    header->addWidget(eye_);
    column->addLayout(header);

    connect(reset_, &Chip::clicked, this, [this] {
        edit([](SubjectMaskParameters& s) {
            s.subject = SubjectAdjustment::defaultValue();
            s.background = BackgroundAdjustment::defaultValue();
        });
    });
    connect(eye_, &Chip::clicked, this, [this] { edit([](SubjectMaskParameters& s) { s.isEnabled = !s.isEnabled; }); });

    // Before detection.
    RoundedBox::Style detectionStyle = RoundedBox::Style::group();
    detectionCard_ = new RoundedBox(detectionStyle);
    detectionCard_->setObjectName(QStringLiteral("subjectMask.detection"));
    description_ = new QLabel;
    description_->setWordWrap(true);
    description_->setFont(pixelFont(10));
    QPalette secondary = description_->palette();
    secondary.setColor(QPalette::WindowText, standardColor(StandardColor::SecondaryText));
    description_->setPalette(secondary);
    detect_ = new ProgressButton;
    detect_->setObjectName(QStringLiteral("subjectMask.detect"));
    detect_->setSymbol("wand.and.stars");
    detectionCard_->content()->addWidget(description_);
    detectionCard_->content()->addWidget(detect_);
    column->addWidget(detectionCard_);
    connect(detect_, &ProgressButton::clicked, this, &SubjectMaskControlView::detectRequested);

    // After detection.
    RoundedBox::Style gradingStyle = RoundedBox::Style::group();
    gradingStyle.fill = whiteAt(0.04);
    gradingStyle.spacing = 8;
    gradingCard_ = new RoundedBox(gradingStyle);
    gradingCard_->setObjectName(QStringLiteral("subjectMask.grading"));
    tabs_ = new SegmentedControl(QStringLiteral("subjectMask.tab"), {{QStringLiteral("0"), {}}, {QStringLiteral("1"), {}}});
    tabs_->setSelected(QStringLiteral("0"));
    connect(tabs_, &SegmentedControl::selectionChanged, this, [this](const QString& id) {
        activeTab_ = id.toInt();
        refresh();
    });
    gradingCard_->content()->addWidget(tabs_);

    subjectSliders_ = new QWidget;
    backgroundSliders_ = new QWidget;
    for (QWidget* group : {subjectSliders_, backgroundSliders_}) {
        flatColumn(8, group);  // laid on the group; the sliders are added to it below
        gradingCard_->content()->addWidget(group);
    }
    const QColor accent = DarkroomTheme::accent();
    const QColor orange = standardColor(StandardColor::Orange);
    using S = SubjectMaskParameters;
    addSlider(subjectSliders_, 0, "subjectMask.subjectExp", [](S& s) -> double& { return s.subject.exposure; }, -2, 2,
              0, 0.01, "%.2f", "EV", accent);
    addSlider(subjectSliders_, 0, "inspector.contrast", [](S& s) -> double& { return s.subject.contrast; }, 0.5, 1.5,
              1, 0.01, "%.2f", "", accent);
    addSlider(subjectSliders_, 0, "subjectMask.subjectWarmth", [](S& s) -> double& { return s.subject.temperature; },
              -1000, 1000, 0, 10, "%.0f", "K", orange);
    addSlider(subjectSliders_, 0, "inspector.saturation", [](S& s) -> double& { return s.subject.saturation; }, 0, 2,
              1, 0.01, "%.2f", "", accent);
    addSlider(subjectSliders_, 0, "subjectMask.subjectClarity", [](S& s) -> double& { return s.subject.clarity; }, -1,
              1, 0, 0.01, "%.2f", "", accent);
    addSlider(backgroundSliders_, 1, "subjectMask.bgExp", [](S& s) -> double& { return s.background.exposure; }, -2,
              2, 0, 0.01, "%.2f", "EV", accent);
    addSlider(backgroundSliders_, 1, "subjectMask.bgBlur", [](S& s) -> double& { return s.background.blurRadius; }, 0,
              25, 0, 0.5, "%.1f", "px", standardColor(StandardColor::Purple));
    addSlider(backgroundSliders_, 1, "subjectMask.bgSaturation",
              [](S& s) -> double& { return s.background.saturation; }, 0, 2, 1, 0.01, "%.2f", "", accent);
    addSlider(backgroundSliders_, 1, "subjectMask.bgWarmth", [](S& s) -> double& { return s.background.temperature; },
              -1000, 1000, 0, 10, "%.0f", "K", standardColor(StandardColor::Cyan));
    addSlider(backgroundSliders_, 1, "subjectMask.bgContrast", [](S& s) -> double& { return s.background.contrast; },
              0.5, 1.5, 1, 0.01, "%.2f", "", accent);

    gradingCard_->content()->addWidget(ruleLine(whiteAt(0.08)));
    footer_ = new QWidget;
    auto* footer = flatRow(kFooterSpacing, footer_);
    invert_ = new QCheckBox;
    invert_->setObjectName(QStringLiteral("subjectMask.invert"));
    invert_->setFont(pixelFont(10));
    reanalyze_ = new Chip({}, footerStyle());
    reanalyze_->setObjectName(QStringLiteral("subjectMask.reanalyze"));
    reanalyze_->setSymbol("arrow.triangle.2.circlepath");
    clear_ = new Chip({}, footerStyle());
    clear_->setObjectName(QStringLiteral("subjectMask.clear"));
    footer->addWidget(invert_);
    footer->addStretch(1);
    footer->addWidget(reanalyze_);
    footer->addWidget(clear_);
    footer_->installEventFilter(this);  // the re-analyse label follows the footer's width
    gradingCard_->content()->addWidget(footer_);
    column->addWidget(gradingCard_);

    connect(invert_, &QCheckBox::clicked, this,
            [this](bool inverted) { edit([inverted](SubjectMaskParameters& s) { s.isInverted = inverted; }); });
    connect(reanalyze_, &Chip::clicked, this, &SubjectMaskControlView::detectRequested);
    connect(clear_, &Chip::clicked, this, &SubjectMaskControlView::clearRequested);
    refresh();
}

template <typename Edit>
void SubjectMaskControlView::edit(Edit&& change) {
    EditParameters recipe = parameters_.get();
    const SubjectMaskParameters before = recipe.subjectMask;
    change(recipe.subjectMask);
    if (recipe.subjectMask == before) return;
    parameters_.set(recipe);
    Q_EMIT changed();
    refresh();
}

void SubjectMaskControlView::addSlider(QWidget* column, int tab, const char* key, Field field, double lower,
                                       double upper, double defaultValue, double step, const char* format,
                                       const char* unit, const QColor& tint) {
    Binding<double> value(
        [this, field] {
            SubjectMaskParameters subject = parameters_.get().subjectMask;
            return field(subject);
        },
        [this, field](const double& v) {
            EditParameters recipe = parameters_.get();
            if (field(recipe.subjectMask) == v) return;
            field(recipe.subjectMask) = v;
            parameters_.set(recipe);
            Q_EMIT changed();
            refresh();  // the reset button follows the values
        });
    auto* slider = new ProSlider(localized(key), std::move(value), {lower, upper}, defaultValue, step,
                                 QString::fromUtf8(format), QString::fromUtf8(unit), tint);
    slider->setObjectName(QString::fromUtf8(key));
    column->layout()->addWidget(slider);
    sliders_.push_back({tab, slider, key});
}

void SubjectMaskControlView::refresh() {
    const SubjectMaskParameters subject = parameters_.get().subjectMask;
    const bool detecting = isDetecting_();
    const bool detected = subject.hasDetectedSubject;

    title_->setText(localized("inspector.subjectMask"));
    badgeText_->setText(localized("subjectMask.engineBadge"));
    reset_->setVisible(detected && !subject.isIdentity());
    reset_->setText(localized("common.reset"));
    reset_->setToolTip(localized("common.reset"));
    eye_->setVisible(detected);
    eye_->setSymbol(subject.isEnabled ? "eye.fill" : "eye.slash",
                    subject.isEnabled ? standardColor(StandardColor::Accent)
                                      : standardColor(StandardColor::SecondaryText));
    eye_->setToolTip(localized("subjectMask.toggleHelp"));

    detectionCard_->setVisible(!detected);
    description_->setText(localized("subjectMask.description"));
    detect_->setEnabled(!detecting);
    detect_->setBusy(detecting);
    detect_->setText(localized(detecting ? "subjectMask.detecting" : "subjectMask.detect"));

    gradingCard_->setVisible(detected);
    tabs_->setText(QStringLiteral("0"), localized("subjectMask.subject"));
    tabs_->setText(QStringLiteral("1"), localized("subjectMask.background"));
    tabs_->setSelected(activeTab_ == 0 ? QStringLiteral("0") : QStringLiteral("1"));
    subjectSliders_->setVisible(activeTab_ == 0);
    backgroundSliders_->setVisible(activeTab_ != 0);
    for (const SliderRow& row : sliders_) {
        if ((row.tab == 0) != (activeTab_ == 0)) continue;
        row.slider->setTitle(localized(row.key));
        row.slider->refresh();
    }
    {
        const QSignalBlocker quiet(invert_);
        invert_->setChecked(subject.isInverted);
    }
    invert_->setText(localized("mask.invert"));
    reanalyze_->setEnabled(!detecting);
    reanalyze_->setToolTip(localized("subjectMask.reanalyze"));
    fitFooter();
    clear_->setText(localized("subjectMask.clear"));
}

void SubjectMaskControlView::fitFooter() {
    // With its label while the whole footer fits, else its symbol alone (the label
    // stays as the tooltip).
    const QString label = localized("subjectMask.reanalyze");
    const QString before = reanalyze_->text();
    if (before != label) reanalyze_->setText(label);
    const int needed = invert_->sizeHint().width() + reanalyze_->sizeHint().width() + clear_->sizeHint().width() +
                       2 * kFooterSpacing;
    if (footer_->width() > 0 && needed > footer_->width()) reanalyze_->setText(QString());
}

bool SubjectMaskControlView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == footer_ && event->type() == QEvent::Resize) fitFooter();
    return QWidget::eventFilter(watched, event);
}

std::vector<ProSlider*> SubjectMaskControlView::shownSliders() const {
    std::vector<ProSlider*> shown;
    for (const SliderRow& row : sliders_)
        if (!row.slider->isHidden() && !row.slider->parentWidget()->isHidden()) shown.push_back(row.slider);
    return shown;
}

}  // namespace vantrel
