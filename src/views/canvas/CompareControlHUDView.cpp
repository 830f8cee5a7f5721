#include "views/canvas/CompareControlHUDView.h"

#include <array>

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>

#include "views/kit/Icons.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/kit/Symbols.h"

namespace vantrel {

namespace {

constexpr double kButtonRadius = 5;
constexpr double kSymbolSize = 14;
constexpr double kPressedOpacity = 0.72;
constexpr double kPressedScale = 0.93;
constexpr double kBarRadius = 7;

// The mode buttons in the bar's order: each one's symbol and help.
struct ModeButton {
    CompareMode mode;
    const char* symbol;
    const char* helpKey;
};
constexpr std::array<ModeButton, 3> kModeButtons{{{CompareMode::full, "rectangle", "compare.fullHelp"},
                                                  {CompareMode::split, "rectangle.split.2x1", "compare.splitHelp"},
                                                  {CompareMode::sideBySide, "rectangle.grid.1x2", "compare.sideBySideHelp"}}};

}  // namespace

// ---------------------------------------------------------------- buttons

HUDIconButton::HUDIconButton(const char* symbol, QColor activeColor, QColor activeBackground, QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol), activeColor_(activeColor), activeBackground_(activeBackground) {
    setFixedSize(sizeHint());
    setFocusPolicy(Qt::NoFocus);  // the keyboard stays where the user left it
    setCursor(Qt::ArrowCursor);   // not the canvas's hand
}

void HUDIconButton::setActive(bool active) {
    if (active_ == active) return;
    active_ = active;
    update();
}

void HUDIconButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect());
    if (isDown()) {
        painter.setOpacity(kPressedOpacity);
        painter.translate(box.center());
        painter.scale(kPressedScale, kPressedScale);
        painter.translate(-box.center());
    }
    if (active_) painter.fillPath(roundedRect(box, kButtonRadius), activeBackground_);
    const QRectF symbol(box.center() - QPointF(kSymbolSize / 2, kSymbolSize / 2), QSizeF(kSymbolSize, kSymbolSize));
    Symbols::paint(painter, symbol, symbol_, active_ ? activeColor_ : whiteAt(0.65));
}

HUDEyeHoldButton::HUDEyeHoldButton(QWidget* parent)
    : HUDIconButton("eye.fill", QColor::fromRgbF(1.0f, 0.6f, 0.2f), standardColor(StandardColor::Orange, 0.3), parent) {
    // Qt reports a release when a held pointer leaves the button and a press
    // when it comes back: exactly the changes of the pressed state.
    connect(this, &QAbstractButton::pressed, this, [this] { Q_EMIT holdChanged(true); });
    connect(this, &QAbstractButton::released, this, [this] { Q_EMIT holdChanged(false); });
}

bool HUDEyeHoldButton::letGo() {
    if (!isDown()) return false;
    setDown(false);  // silent: no released()
    return true;
}

// ---------------------------------------------------------------- the bar

CompareControlHUDView::CompareControlHUDView(Binding<CompareMode> compareMode, Binding<bool> isHoldingOriginal,
                                             QWidget* parent)
    : QWidget(parent), compareMode_(std::move(compareMode)), isHoldingOriginal_(std::move(isHoldingOriginal)) {
    setObjectName(QStringLiteral("compareBar"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(5, 4, 5, 4);
    row->setSpacing(4);
    for (const ModeButton& entry : kModeButtons) {
        const CompareMode mode = entry.mode;
        auto* button = new HUDIconButton(entry.symbol, Qt::white, whiteAt(0.25));
        button->setObjectName(QStringLiteral("compareBar.") + QString::fromUtf8(rawValue(mode).data()));
        connect(button, &QAbstractButton::clicked, this, [this, mode] { choose(mode); });
        modes_[int(mode)] = button;
        row->addWidget(button);
    }
    // The separator: a line 1 x 14, white at 0.22, 2 points clear on each side.
    auto* separator = new QWidget;
    separator->setObjectName(QStringLiteral("compareBar.separator"));
    separator->setFixedSize(5, 14);
    auto* line = new QWidget(separator);
    line->setGeometry(2, 0, 1, 14);
    line->setAutoFillBackground(true);
    setPaletteColour(*line, QPalette::Window, whiteAt(0.22));
    row->addWidget(separator);
    eye_ = new HUDEyeHoldButton;
    eye_->setObjectName(QStringLiteral("compareBar.eye"));
    connect(eye_, &HUDEyeHoldButton::holdChanged, this, &CompareControlHUDView::setHolding);
    row->addWidget(eye_);
    setFixedSize(row->sizeHint());

    setDropShadow(*this, blackAt(0.4), 12, QPointF(0, 3));
    refresh();
}

HUDIconButton* CompareControlHUDView::modeButton(CompareMode mode) const { return modes_[int(mode)]; }

void CompareControlHUDView::refresh() {
    const bool holding = isHoldingOriginal_.get();
    const CompareMode current = compareMode_.get();
    for (const ModeButton& entry : kModeButtons) {
        HUDIconButton* button = modes_[int(entry.mode)];
        button->setActive(entry.mode == current && !holding);
        button->setToolTip(localized(entry.helpKey));
        button->setAccessibleName(localized(std::string(displayNameKey(entry.mode)).c_str()));
    }
    eye_->setActive(holding);
    eye_->setToolTip(localized("compare.holdOriginalHelp"));
}

void CompareControlHUDView::choose(CompareMode mode) {
    if (compareMode_.get() != mode) compareMode_.set(mode);
    if (isHoldingOriginal_.get()) isHoldingOriginal_.set(false);
    refresh();
}

void CompareControlHUDView::setHolding(bool holding) {
    if (isHoldingOriginal_.get() != holding) isHoldingOriginal_.set(holding);
    refresh();
}

void CompareControlHUDView::endHold() {
    if (eye_->letGo()) setHolding(false);
}

void CompareControlHUDView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath bar = roundedRect(QRectF(rect()).adjusted(0.4, 0.4, -0.4, -0.4), kBarRadius);
    painter.fillPath(bar, blackAt(0.75));
    painter.strokePath(bar, solidPen(whiteAt(0.18), 0.8));
}

void CompareControlHUDView::hideEvent(QHideEvent* event) {
    endHold();
    QWidget::hideEvent(event);
}

bool CompareControlHUDView::event(QEvent* event) {
    // A hold whose release the window will never see ends with the window's
    // focus (the window passes its deactivation down to its children).
    if (event->type() == QEvent::WindowDeactivate) endHold();
    return QWidget::event(event);
}

}  // namespace vantrel
