#include "views/kit/Chip.h"

#include <cmath>

#include <QPainter>

#include "views/kit/ElidedLabel.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/kit/Symbols.h"

namespace vantrel {

namespace {

constexpr double kDotSize = 7;
constexpr double kLeadingSpacing = 4;

}  // namespace

ChipStyle::ChipStyle()
    : text(standardColor(StandardColor::SecondaryText)),
      selectedText(Qt::white),
      fill(whiteAt(0.06)),
      selectedFill(standardColor(StandardColor::Accent)) {}

ChipStyle ChipStyle::option(double fontPixels, double paddingY, double radius) {
    ChipStyle s;
    s.fontPixels = fontPixels;
    s.paddingY = paddingY;
    s.radius = radius;
    s.stretches = true;
    return s;
}

ChipStyle ChipStyle::colorMode() {
    ChipStyle s = option(10, 4, 4);
    s.fill = whiteAt(0.04);
    s.selectedFill = whiteAt(0.12);
    return s;
}

ChipStyle ChipStyle::preset(double fontPixels, QFont::Weight weight, double paddingX, double paddingY, double radius,
                            const QColor& text) {
    ChipStyle s;
    s.fontPixels = fontPixels;
    s.weight = s.selectedWeight = weight;
    s.paddingX = paddingX;
    s.paddingY = paddingY;
    s.radius = radius;
    s.text = s.selectedText = text;
    s.selectedFill = s.fill;
    return s;
}

ChipStyle ChipStyle::textButton(double fontPixels, QFont::Weight weight, const QColor& text) {
    ChipStyle s = preset(fontPixels, weight, 0, 0, 0, text);
    s.fill = s.selectedFill = Qt::transparent;
    return s;
}

ChipStyle ChipStyle::segment() {
    ChipStyle s = option(10, 2.5, 4);
    s.weight = QFont::Normal;
    s.selectedWeight = QFont::DemiBold;
    s.fill = Qt::transparent;
    s.selectedFill = whiteAt(0.2);
    s.text = standardColor(StandardColor::SecondaryText);
    s.selectedText = standardColor(StandardColor::PrimaryText);
    return s;
}

Chip::Chip(const QString& text, const ChipStyle& style, QWidget* parent) : WithFocusRing(parent) {
    setText(text);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setChipStyle(style);
}

void Chip::setChipStyle(const ChipStyle& style) {
    style_ = style;
    setSizePolicy(style.stretches ? QSizePolicy::Expanding : QSizePolicy::Fixed, QSizePolicy::Fixed);
    updateGeometry();
    update();
}

void Chip::setSelected(bool selected) {
    if (selected == selected_) return;
    selected_ = selected;
    if (style_.weight != style_.selectedWeight) updateGeometry();
    update();
}

void Chip::setDot(std::optional<QColor> colour) {
    dot_ = colour;
    updateGeometry();
    update();
}

void Chip::setSymbol(std::string symbol, std::optional<QColor> colour) {
    symbol_ = std::move(symbol);
    symbolColour_ = colour;
    updateGeometry();
    update();
}

QFont Chip::currentFont() const {
    return pixelFont(style_.fontPixels, selected_ ? style_.selectedWeight : style_.weight);
}

double Chip::leadingWidth() const {
    if (dot_) return kDotSize + kLeadingSpacing;
    // A symbol alone keeps no gap for a text, so it sits in the middle.
    if (!symbol_.empty()) return std::ceil(style_.fontPixels * 1.1) + (text().isEmpty() ? 0 : 3);
    return 0;
}

QSize Chip::sizeHint() const {
    // Measured in the selected weight too, so selecting never changes the width.
    const QFontMetricsF regular(pixelFont(style_.fontPixels, style_.weight));
    const QFontMetricsF bold(pixelFont(style_.fontPixels, style_.selectedWeight));
    const double textWidth = std::max(regular.horizontalAdvance(text()), bold.horizontalAdvance(text()));
    const double w = textWidth + leadingWidth() + 2 * style_.paddingX;
    const double h = std::max(regular.height(), bold.height()) + 2 * style_.paddingY;
    return {int(std::ceil(w)) + 1, int(std::ceil(h))};
}

QSize Chip::minimumSizeHint() const {
    if (!style_.stretches) return sizeHint();
    const QFontMetricsF m(currentFont());
    const double w = m.horizontalAdvance(QStringLiteral("…")) * 2 + leadingWidth() + 2 * style_.paddingX;
    return {int(std::ceil(w)), sizeHint().height()};
}

QString Chip::shownText() const {
    const QFontMetrics m(currentFont());
    const int room = int(width() - leadingWidth() - 2 * style_.paddingX);
    return m.elidedText(text(), Qt::ElideRight, std::max(room, 0));
}

void Chip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) painter.setOpacity(0.4);
    else if (isDown()) painter.setOpacity(0.7);

    const QRectF box = QRectF(rect());
    const QColor fill = selected_ ? style_.selectedFill : style_.fill;
    if (fill.alpha() > 0) painter.fillPath(roundedRect(box, style_.radius), fill);
    if (showsFocusRing()) painter.strokePath(roundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), std::max(style_.radius, 3.0)),
                                       solidPen(standardColor(StandardColor::Accent, 0.8), 1));

    const QFont font = currentFont();
    const QFontMetricsF m(font);
    const QString shown = shownText();
    const QColor textColour = selected_ ? style_.selectedText : style_.text;
    // Natural-width chips centre their content; so do stretched ones.
    const double contentWidth = leadingWidth() + m.horizontalAdvance(shown);
    double x = std::max(style_.paddingX, (box.width() - contentWidth) / 2);
    const double midY = box.height() / 2;
    if (dot_) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(*dot_);
        painter.drawEllipse(QRectF(x, midY - kDotSize / 2, kDotSize, kDotSize));
        x += kDotSize + kLeadingSpacing;
    } else if (!symbol_.empty()) {
        const double side = std::ceil(style_.fontPixels * 1.1);
        Symbols::paint(painter, QRectF(x, midY - side / 2, side, side), symbol_, symbolColour_.value_or(textColour));
        x += side + 3;
    }
    painter.setFont(font);
    painter.setPen(textColour);
    painter.drawText(QRectF(x, 0, box.width() - x, box.height()), Qt::AlignLeft | Qt::AlignVCenter, shown);
}

bool Chip::event(QEvent* event) {
    return showWholeTextTip(*this, event, text(), [this] { return shownText() != text(); }) ||
           QAbstractButton::event(event);
}

void Chip::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) updateGeometry();
    QAbstractButton::changeEvent(event);
}

}  // namespace vantrel
