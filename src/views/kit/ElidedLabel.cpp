#include "views/kit/ElidedLabel.h"

#include <algorithm>

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"

namespace vantrel {

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent)
    : QWidget(parent), text_(text), colour_(standardColor(StandardColor::PrimaryText)) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ElidedLabel::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    updateGeometry();
    update();
}

void ElidedLabel::setColor(const QColor& colour) {
    if (colour == colour_) return;
    colour_ = colour;
    update();
}

void ElidedLabel::setElideMode(Qt::TextElideMode mode) {
    mode_ = mode;
    update();
}

void ElidedLabel::setAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    update();
}

void ElidedLabel::setReservedTexts(const QStringList& texts) {
    if (texts == reserved_) return;
    reserved_ = texts;
    updateGeometry();
}

QString ElidedLabel::shownText() const { return fontMetrics().elidedText(text_, mode_, width()); }

QSize ElidedLabel::sizeHint() const {
    // Two pixels more than the font's height: underscores sit below the descent of some fonts.
    const QFontMetrics m = fontMetrics();
    int width = m.horizontalAdvance(text_);
    for (const QString& text : reserved_) width = std::max(width, m.horizontalAdvance(text));
    return {width + 1, m.height() + 2};
}

QSize ElidedLabel::minimumSizeHint() const {
    const QFontMetrics m = fontMetrics();
    return {std::min(m.horizontalAdvance(QStringLiteral("…")) * 3, sizeHint().width()), sizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(colour_);
    painter.drawText(rect(), int(alignment_) | Qt::TextSingleLine, shownText());
}

void showHelpTip(QWidget& control, QEvent* event, const QString& tip) {
    if (tip.isEmpty()) QToolTip::hideText();
    else QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip, &control);
}

bool ElidedLabel::event(QEvent* event) {
    return showWholeTextTip(*this, event, text_, [this] { return isElided(); }) || QWidget::event(event);
}

ElidedLabel* elidedCaption(double pixels, QFont::Weight weight, const QColor& colour) {
    auto* label = new ElidedLabel;
    label->setElideMode(Qt::ElideRight);
    label->setFont(pixelFont(pixels, weight));
    label->setColor(colour);
    return label;
}

}  // namespace vantrel
