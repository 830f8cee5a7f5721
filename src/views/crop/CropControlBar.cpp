#include "views/crop/CropControlBar.h"

#include <cmath>

#include <QAbstractButton>
#include <QActionGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include "views/kit/BusyIndicator.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/Icons.h"
#include "views/kit/Painting.h"
#include "views/kit/ProSlider.h"
#include "views/kit/StandardColors.h"
#include "views/kit/SymbolView.h"
#include "views/kit/Symbols.h"
#include "views/kit/Layouts.h"
#include "views/crop/CropAspectFit.h"

namespace vantrel {

// The automatic-horizon button: a bordered button whose label is the magic
// wand, or a small turning indicator while the detection runs (the wand, dimmed,
// with animations off), and a text that shortens itself (the whole text in the
// tooltip) when the bar is short of room.
class AutoHorizonButton final : public QAbstractButton {
public:
    explicit AutoHorizonButton(QWidget* parent = nullptr)
        : QAbstractButton(parent), label_(new ElidedLabel),
          progress_(new BusyIndicator(int(kSymbol), standardColor(StandardColor::PrimaryText), this)) {
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(int(kPadding + kSymbol + kGap), 4, int(kPadding), 4);
        label_->setObjectName(QStringLiteral("cropBar.autoHorizon.label"));
        label_->setElideMode(Qt::ElideRight);
        label_->setFont(pixelFont(11, QFont::Medium));
        label_->setAttribute(Qt::WA_TransparentForMouseEvents);
        row->addWidget(label_);
        progress_->setObjectName(QStringLiteral("cropBar.autoHorizon.progress"));
    }

    void setLabel(const QString& text) {
        label_->setText(text);
        setToolTip(text);
        setAccessibleName(text);
    }
    ElidedLabel* label() const { return label_; }
    BusyIndicator* progress() const { return progress_; }

    void setBusy(bool busy) {
        const bool shown = progress_->isVisibleTo(this);
        progress_->setBusy(busy);
        if (progress_->isVisibleTo(this) != shown) update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (!isEnabled()) painter.setOpacity(0.45);
        else if (isDown()) painter.setOpacity(0.7);
        painter.fillPath(roundedRect(QRectF(rect()), 5), whiteAt(0.1));
        if (!progress_->isVisibleTo(this))
            Symbols::paint(painter, markRect(), "wand.and.stars", standardColor(StandardColor::PrimaryText));
    }
    void resizeEvent(QResizeEvent* event) override {
        QAbstractButton::resizeEvent(event);
        progress_->move(markRect().topLeft().toPoint());
    }
    void changeEvent(QEvent* event) override {
        // The label dims with the button.
        if (event->type() == QEvent::EnabledChange)
            label_->setColor(standardColor(StandardColor::PrimaryText, isEnabled() ? 1.0 : 0.45));
        QAbstractButton::changeEvent(event);
    }

private:
    static constexpr double kPadding = 7;
    static constexpr double kSymbol = 12;
    static constexpr double kGap = 4;
    QRectF markRect() const { return {kPadding, std::round((height() - kSymbol) / 2.0), kSymbol, kSymbol}; }
    ElidedLabel* label_;
    BusyIndicator* progress_;
};

namespace {

Chip* symbolButton(const char* name, const char* symbol, double size) {
    auto* button = new Chip(QString(), FloatingToolBar::bordered(size, QFont::Normal,
                                                                 standardColor(StandardColor::PrimaryText)));
    button->setObjectName(QString::fromUtf8(name));
    button->setSymbol(symbol);
    return button;
}

}  // namespace

CropControlBar::CropControlBar(Binding<CropParameters> crop, Source<QSize> imageSize, Source<bool> isDetectingHorizon,
                               QWidget* parent)
    : FloatingToolBar(QStringLiteral("CropControlBar"), 16, parent), crop_(std::move(crop)),
      imageSize_(std::move(imageSize)), isDetectingHorizon_(std::move(isDetectingHorizon)) {
    const QColor secondary = standardColor(StandardColor::SecondaryText);
    const QColor primary = standardColor(StandardColor::PrimaryText);

    // Aspect ratio: its short label opens the menu of every ratio.
    QHBoxLayout* aspectGroup = addGroup(QStringLiteral("cropBar.aspectGroup"), 6);
    aspectGroup->addWidget(new SymbolView("aspectratio", 12, secondary), 0, Qt::AlignVCenter);
    aspect_ = new Chip(QString(), bordered(12, QFont::Medium, primary));
    aspect_->setObjectName(QStringLiteral("cropBar.aspect"));
    aspect_->setMinimumWidth(50);
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("cropBar.aspectMenu"));
    aspectChoices_ = new QActionGroup(menu_);
    aspectChoices_->setExclusive(true);
    for (CropAspectRatio aspect : allCases<CropAspectRatio>()) {
        const QString raw = QString::fromUtf8(rawValue(aspect).data(), qsizetype(rawValue(aspect).size()));
        QAction* action = menu_->addAction(QString());  // its label in refresh(), in the current language
        action->setObjectName(QStringLiteral("cropBar.aspect.") + raw);
        action->setCheckable(true);
        action->setData(int(aspect));
        aspectChoices_->addAction(action);
        connect(action, &QAction::triggered, this, [this, aspect] { chooseAspect(aspect); });
    }
    connect(aspect_, &QAbstractButton::clicked, this,
            [this] { menu_->popup(aspect_->mapToGlobal(QPoint(0, aspect_->height() + 2))); });
    aspectGroup->addWidget(aspect_);

    // Straightening: automatic horizon, the slider and the angle that resets it.
    // Short of room, this group's slider narrows before the bar breaks into
    // lines; the horizon button's text shortens (whole in its tooltip) only
    // where even a line of its own is too short for it.
    QHBoxLayout* straightenGroup = addGroup(QStringLiteral("cropBar.straightenGroup"), 10, true);
    autoHorizon_ = new AutoHorizonButton;
    autoHorizon_->setObjectName(QStringLiteral("cropBar.autoHorizon"));
    connect(autoHorizon_, &QAbstractButton::clicked, this, &CropControlBar::autoHorizonRequested);
    straightenGroup->addWidget(autoHorizon_);
    auto* angleRow = flatRow(6);
    angleRow->addWidget(new SymbolView("gyroscope", 11, secondary), 0, Qt::AlignVCenter);
    // The angle shows beside it, so the slider itself has no title or unit.
    const auto& angle = parameterOf(&CropParameters::straightenAngle);
    straighten_ = new ProSlider(QString(), crop_.projected(angle.member), {angle.lower, angle.upper}, angle.neutral,
                                angle.step, QStringLiteral("%.2f"), QString(), standardColor(StandardColor::Cyan));
    straighten_->setObjectName(QStringLiteral("cropBar.straighten"));
    connect(straighten_, &ProSlider::changed, this, &CropControlBar::changed);
    angleRow->addWidget(flexibleWidth(straighten_, 130, 70), 0, Qt::AlignVCenter);
    angle_ = new QPushButton;
    angle_->setObjectName(QStringLiteral("cropBar.angle"));
    angle_->setFlat(true);
    angle_->setCursor(Qt::PointingHandCursor);
    angle_->setFont(pixelFont(11, QFont::Bold, FontDesign::Monospaced));
    angle_->setFixedWidth(44);
    connect(angle_, &QAbstractButton::clicked, this, [this] {
        CropParameters crop = crop_.get();
        crop.straightenAngle = 0;
        write(crop);
        refresh();
    });
    angleRow->addWidget(angle_);
    straightenGroup->addLayout(angleRow);

    // Orientation.
    QHBoxLayout* orientation = addGroup(QStringLiteral("cropBar.orientationGroup"), 6);
    rotateLeft_ = symbolButton("cropBar.rotateLeft", "rotate.left", 12);
    rotateRight_ = symbolButton("cropBar.rotateRight", "rotate.right", 12);
    flip_ = symbolButton("cropBar.flipH", "arrow.left.and.right.righttriangle.left.righttriangle.right", 11);
    connect(rotateLeft_, &QAbstractButton::clicked, this, &CropControlBar::rotateCCWRequested);
    connect(rotateRight_, &QAbstractButton::clicked, this, &CropControlBar::rotateCWRequested);
    connect(flip_, &QAbstractButton::clicked, this, &CropControlBar::flipHRequested);
    for (Chip* button : {rotateLeft_, rotateRight_, flip_}) orientation->addWidget(button);

    // Finishing.
    QHBoxLayout* finish = addGroup(QStringLiteral("cropBar.finishGroup"), 8);
    reset_ = new Chip(QString(), borderless(11, QFont::Normal, secondary));
    reset_->setObjectName(QStringLiteral("cropBar.reset"));
    done_ = new Chip(QString(), prominent(11, 8));
    done_->setObjectName(QStringLiteral("cropBar.done"));
    connect(reset_, &QAbstractButton::clicked, this, &CropControlBar::resetRequested);
    connect(done_, &QAbstractButton::clicked, this, &CropControlBar::doneRequested);
    finish->addWidget(reset_);
    finish->addWidget(done_);
    refresh();
}

QAbstractButton* CropControlBar::autoHorizonButton() const { return autoHorizon_; }

bool CropControlBar::isShowingProgress() const { return autoHorizon_->progress()->isVisibleTo(autoHorizon_); }

BusyIndicator* CropControlBar::autoHorizonProgress() const { return autoHorizon_->progress(); }

ElidedLabel* CropControlBar::autoHorizonLabel() const { return autoHorizon_->label(); }

void CropControlBar::chooseAspect(CropAspectRatio aspect) {
    // One write: the ratio and, unless it is free, the rectangle fitted to it.
    CropParameters crop = crop_.get();
    crop.aspectRatio = aspect;
    if (const std::optional<NormalizedRect> rect =
            cropbar::fittedRect(aspect, QSizeF(imageSize_()), crop.quarterTurns))
        crop.rect = *rect;
    write(crop);
    refresh();
}

void CropControlBar::write(const CropParameters& crop) {
    const bool differs = !(crop == crop_.get());
    crop_.set(crop);
    if (differs) Q_EMIT changed();
}

void CropControlBar::refresh() {
    const CropParameters crop = crop_.get();
    // A ratio the crop holds turned (a 3:2 crop turned a quarter) reads so: "2:3".
    const QSizeF frame = cropbar::turnedSize(QSizeF(imageSize_()), crop.quarterTurns);
    const bool turned = isHeldTurned(crop.aspectRatio, crop.rect.width * frame.width(), crop.rect.height * frame.height());
    aspect_->setText(QString::fromStdString(shortLabel(crop.aspectRatio, turned)));
    // Each entry reads as the button would for its ratio.
    for (QAction* action : aspectChoices_->actions()) {
        const auto aspect = CropAspectRatio(action->data().toInt());
        action->setText(QString::fromStdString(shortLabel(aspect)));
        action->setChecked(aspect == crop.aspectRatio);
    }

    const bool detecting = isDetectingHorizon_();
    autoHorizon_->setBusy(detecting);
    autoHorizon_->setEnabled(!detecting);
    autoHorizon_->setLabel(localized("inspector.autoHorizon"));
    straighten_->refresh();
    angle_->setText(cropbar::angleText(crop.straightenAngle));
    const QColor angleColour = standardColor(cropbar::isAngleSet(crop.straightenAngle) ? StandardColor::Accent
                                                                                       : StandardColor::SecondaryText);
    const QString angleStyle =
        QStringLiteral("QPushButton { color: rgba(%1,%2,%3,%4); border: none; padding: 0; text-align: right; }")
            .arg(angleColour.red())
            .arg(angleColour.green())
            .arg(angleColour.blue())
            .arg(angleColour.alphaF());
    angleColour_ = angleColour;
    if (angle_->styleSheet() != angleStyle) angle_->setStyleSheet(angleStyle);
    angle_->setToolTip(localized("common.reset"));
    rotateLeft_->setToolTip(localized("inspector.rotateLeft"));
    rotateRight_->setToolTip(localized("inspector.rotateRight"));
    flip_->setToolTip(localized("inspector.flipH"));
    reset_->setText(localized("common.reset"));
    done_->setText(localized("nav.done"));
    updateLines();
}

}  // namespace vantrel
