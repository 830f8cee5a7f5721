#include "views/masks/MaskWidgets.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QTextLayout>

#include "views/kit/DarkroomTheme.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/Icons.h"
#include "views/kit/Painting.h"
#include "views/kit/ProSlider.h"
#include "views/kit/StandardColors.h"
#include "views/kit/Symbols.h"

namespace vantrel {

namespace {

constexpr double kReadoutPaddingX = 4;
constexpr double kReadoutPaddingY = 1;
constexpr double kReadoutRadius = 3;

}  // namespace

ExposureReadout::ExposureReadout(Look look, QWidget* parent) : QWidget(parent), look_(look) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setExposure(0);
}

QFont ExposureReadout::font() const {
    return pixelFont(9.5, look_ == Look::Bar ? QFont::Bold : QFont::Medium, FontDesign::Monospaced);
}

void ExposureReadout::setExposure(double exposure) {
    const QString text = exposureReadout(exposure);
    const bool standsOut = exposureStandsOut(exposure);
    if (text == text_ && standsOut == standsOut_) return;
    const bool resized = text.size() != text_.size();
    text_ = text;
    standsOut_ = standsOut;
    if (resized) updateGeometry();
    update();
}

QColor ExposureReadout::textColor() const {
    return standsOut_ ? standardColor(StandardColor::Accent) : standardColor(StandardColor::SecondaryText);
}

QColor ExposureReadout::fillColor() const {
    if (look_ == Look::Display && standsOut_) return standardColor(StandardColor::Accent, 0.18);
    return whiteAt(0.06);
}

QSize ExposureReadout::sizeHint() const {
    const QFontMetricsF m(font());
    return {int(std::ceil(m.horizontalAdvance(text_) + 2 * kReadoutPaddingX)),
            int(std::ceil(m.height() + 2 * kReadoutPaddingY))};
}

void ExposureReadout::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(roundedRect(QRectF(rect()), kReadoutRadius), fillColor());
    painter.setFont(font());
    painter.setPen(textColor());
    painter.drawText(QRectF(rect()), Qt::AlignCenter, text_);
}

DisclosureButton::DisclosureButton(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void DisclosureButton::setExpanded(bool expanded) {
    if (expanded == expanded_) return;
    expanded_ = expanded;
    update();
}

namespace {

constexpr double kChevron = 8;
constexpr double kChevronSpacing = 3;

}  // namespace

QStringList DisclosureButton::linesAt(int width) const {
    const int room = std::max(int(width - kChevron - kChevronSpacing), 1);
    QTextLayout layout(text(), pixelFont(9));
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(room);
        lines << text().mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

int DisclosureButton::lineHeight() const { return int(std::ceil(QFontMetricsF(pixelFont(9)).height())); }

bool DisclosureButton::isCut() const { return linesAt(width()).size() * lineHeight() > height(); }

QStringList DisclosureButton::shownLines() const {
    if (!isCut()) return linesAt(width());
    const QFontMetrics m(pixelFont(9));
    return {m.elidedText(text(), Qt::ElideRight, std::max(int(width() - kChevron - kChevronSpacing), 0))};
}

QString DisclosureButton::shownText() const { return shownLines().join(QLatin1Char('\n')); }

QSize DisclosureButton::sizeHint() const {
    const QFontMetricsF m(pixelFont(9));
    return {int(std::ceil(m.horizontalAdvance(text()) + kChevronSpacing + kChevron)) + 1, lineHeight() + 2};
}

QSize DisclosureButton::minimumSizeHint() const { return {int(kChevron * 4), sizeHint().height()}; }

int DisclosureButton::heightForWidth(int width) const {
    return std::max<int>(1, int(linesAt(width).size())) * lineHeight() + 2;
}

void DisclosureButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isDown()) painter.setOpacity(0.7);
    const QColor colour = standardColor(StandardColor::SecondaryText);
    const QFont font = pixelFont(9);
    const QFontMetricsF m(font);
    // A long text wraps onto more lines, the chevron after the last; only where even
    // those lines find no room is it shortened to one.
    const QStringList lines = shownLines();
    const double top = (height() - lines.size() * lineHeight()) / 2.0;
    painter.setFont(font);
    painter.setPen(colour);
    for (qsizetype i = 0; i < lines.size(); ++i)
        painter.drawText(QRectF(0, top + i * lineHeight(), width(), lineHeight()), Qt::AlignLeft | Qt::AlignVCenter,
                         lines[i]);
    const double lastWidth = m.horizontalAdvance(lines.back());
    const double lastMiddle = top + (lines.size() - 0.5) * lineHeight();
    Symbols::paint(painter, QRectF(lastWidth + kChevronSpacing, lastMiddle - kChevron / 2, kChevron, kChevron),
                   expanded_ ? "chevron.up" : "chevron.down", colour);
}

bool DisclosureButton::event(QEvent* event) {
    return showWholeTextTip(*this, event, text(), [this] { return isCut(); }) ||
           QAbstractButton::event(event);
}

ProgressButton::ProgressButton(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ProgressButton::setSymbol(const std::string& symbol) {
    symbol_ = symbol;
    update();
}

void ProgressButton::setBusy(bool busy) {
    if (busy == turning_.isBusy()) return;
    turning_.setBusy(busy);
    update();
}

namespace {

constexpr double kProgressIcon = 12;
constexpr double kProgressSpacing = 6;
constexpr double kProgressPaddingX = 10;
constexpr double kProgressPaddingY = 4;

QFont progressFont(bool busy) { return pixelFont(11, busy ? QFont::Medium : QFont::DemiBold); }

}  // namespace

QString ProgressButton::shownText() const {
    const QFontMetrics m(progressFont(turning_.isBusy()));
    const int room = int(width() - 2 * kProgressPaddingX - kProgressIcon - kProgressSpacing);
    return m.elidedText(text(), Qt::ElideRight, std::max(room, 0));
}

QSize ProgressButton::sizeHint() const {
    const QFontMetricsF m(progressFont(turning_.isBusy()));
    return {int(std::ceil(m.horizontalAdvance(text()) + kProgressIcon + kProgressSpacing + 2 * kProgressPaddingX)),
            int(std::ceil(std::max(m.height(), kProgressIcon) + 2 * kProgressPaddingY)) + 4};
}

QSize ProgressButton::minimumSizeHint() const {
    return {int(kProgressIcon * 4 + 2 * kProgressPaddingX), sizeHint().height()};
}

void ProgressButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) painter.setOpacity(0.55);
    else if (isDown()) painter.setOpacity(0.8);
    painter.fillPath(roundedRect(QRectF(rect()), 5), DarkroomTheme::accent());
    const QFont font = progressFont(turning_.isBusy());
    const QString shown = shownText();
    const double textWidth = QFontMetricsF(font).horizontalAdvance(shown);
    const double contentWidth = kProgressIcon + kProgressSpacing + textWidth;
    const double x = std::max(kProgressPaddingX, (width() - contentWidth) / 2);
    const QRectF icon(x, (height() - kProgressIcon) / 2, kProgressIcon, kProgressIcon);
    if (turning_.isBusy()) {
        // A ring with a brighter arc that turns a twelfth at every tick.
        const QRectF ring = icon.adjusted(1, 1, -1, -1);
        painter.setPen(solidPen(whiteAt(0.3), 1.6));
        painter.drawEllipse(ring);
        QPen arc = solidPen(Qt::white, 1.6);
        arc.setCapStyle(Qt::RoundCap);
        painter.setPen(arc);
        painter.drawArc(ring, -turning_.step() * 30 * 16, 100 * 16);
    } else {
        Symbols::paint(painter, icon, symbol_, Qt::white);
    }
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(x + kProgressIcon + kProgressSpacing, 0, textWidth + 1, height()),
                     Qt::AlignLeft | Qt::AlignVCenter, shown);
}

Chip* symbolButton(const QString& objectName, const std::string& symbol, double pixels, const QColor& colour) {
    ChipStyle style = ChipStyle::textButton(pixels, QFont::Normal, colour);
    style.paddingX = 3;
    style.paddingY = 3;
    auto* button = new Chip(QString(), style);
    button->setSymbol(symbol, colour);
    button->setObjectName(objectName);
    return button;
}

std::vector<MaskAddButton> maskAddButtons(const QString& owner, const ChipStyle& style, QObject* context,
                                          std::function<void(MaskKind)> add) {
    std::vector<MaskAddButton> buttons;
    forEachMaskKind([&](const MaskKindInfo& kind) {
        auto* chip = new Chip({}, style);
        chip->setObjectName(owner + QStringLiteral(".add") + QString::fromUtf8(kind.tag));
        chip->setSymbol(kind.symbol);
        QObject::connect(chip, &Chip::clicked, context, [add, k = kind.kind] { add(k); });
        buttons.push_back({kind.kind, chip});
    });
    return buttons;
}

Chip* addButtonOf(const std::vector<MaskAddButton>& buttons, MaskKind kind) {
    for (const MaskAddButton& button : buttons)
        if (button.kind == kind) return button.chip;
    return nullptr;
}

ChipStyle borderedChip(double pixels, QFont::Weight weight) {
    ChipStyle style = ChipStyle::preset(pixels, weight, 8, 4, 5, standardColor(StandardColor::PrimaryText));
    style.fill = style.selectedFill = whiteAt(0.1);
    return style;
}

ChipStyle prominentChip(double pixels, QFont::Weight weight) {
    ChipStyle style = ChipStyle::preset(pixels, weight, 10, 4, 5, Qt::white);
    style.fill = style.selectedFill = DarkroomTheme::accent();
    return style;
}

QPainterPath roundedOutline(const QRectF& rect, double radius, double width) {
    const double half = width / 2;
    QPainterPath outline = roundedRect(rect.adjusted(-half, -half, half, half), radius + half);
    outline.addPath(roundedRect(rect.adjusted(half, half, -half, -half), std::max(radius - half, 0.0)));
    outline.setFillRule(Qt::OddEvenFill);
    return outline;
}

}  // namespace vantrel
