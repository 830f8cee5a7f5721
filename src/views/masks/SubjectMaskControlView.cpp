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

// The warmth and blur rows have colours of their own; the rest take the accent.
QColor tintOf(int tab, std::string_view key) {
    if (key == "temperature") return standardColor(tab == 0 ? StandardColor::Orange : StandardColor::Cyan);
    if (key == "blurRadius") return standardColor(StandardColor::Purple);
    return DarkroomTheme::accent();
}

}  // namespace

SubjectMaskControlView::SubjectMaskControlView(Binding<SubjectMaskParameters> subject, Source<bool> isDetecting,
                                               QWidget* parent)
    : QWidget(parent), subject_(std::move(subject)), isDetecting_(std::move(isDetecting)) {
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
    addSliders(subjectSliders_, 0, &SubjectMaskParameters::subject);
    addSliders(backgroundSliders_, 1, &SubjectMaskParameters::background);

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
    SubjectMaskParameters subject = subject_.get();
    const SubjectMaskParameters before = subject;
    change(subject);
    if (subject == before) return;
    subject_.set(subject);
    Q_EMIT changed();
    refresh();
}

template <typename Adjustment>
void SubjectMaskControlView::addSliders(QWidget* column, int tab, Adjustment SubjectMaskParameters::*side) {
    for (const ScalarParameter<Adjustment>& row : ParameterTable<Adjustment>::rows) {
        double Adjustment::*field = row.member;
        Binding<double> value([this, side, field] { return subject_.get().*side.*field; },
                              [this, side, field](const double& v) {
                                  SubjectMaskParameters subject = subject_.get();
                                  if (subject.*side.*field == v) return;
                                  subject.*side.*field = v;
                                  subject_.set(subject);
                                  Q_EMIT changed();
                                  refresh();  // the reset button follows the values
                              });
        auto* slider = new ProSlider(localized(row.label), std::move(value), {row.lower, row.upper}, row.resetValue(),
                                     row.step, QString::fromUtf8(row.format), QString::fromUtf8(row.unit),
                                     tintOf(tab, row.key));
        slider->setObjectName(QString::fromUtf8(row.label));
        column->layout()->addWidget(slider);
        sliders_.push_back({tab, slider, row.label});
    }
}

void SubjectMaskControlView::refresh() {
    const SubjectMaskParameters subject = subject_.get();
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
