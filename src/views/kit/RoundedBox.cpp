#include "views/kit/RoundedBox.h"

#include <QPainter>
#include <QVBoxLayout>

#include "views/kit/Layouts.h"
#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"

namespace vantrel {

RoundedBox::Style RoundedBox::Style::group() { return {whiteAt(0.03), Qt::transparent, 1, 6, 8, 6}; }
RoundedBox::Style RoundedBox::Style::card() { return {whiteAt(0.02), whiteAt(0.06), 1, 8, 10, 10}; }
RoundedBox::Style RoundedBox::Style::editor() { return {blackAt(0.25), whiteAt(0.08), 1, 6, 10, 6}; }

RoundedBox::RoundedBox(const Style& style, QWidget* parent)
    : QWidget(parent), style_(style), column_(new QVBoxLayout(this)) {
    column_->setContentsMargins(style.padding, style.padding, style.padding, style.padding);
    column_->setSpacing(style.spacing);
}

void RoundedBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect());
    painter.fillPath(roundedRect(box, style_.radius), style_.fill);
    if (style_.stroke.alpha() > 0 && style_.strokeWidth > 0) {
        // The outline straddles the edge of the same shape, inset so its outer half is not clipped.
        const double inset = style_.strokeWidth / 2;
        painter.strokePath(roundedRect(box.adjusted(inset, inset, -inset, -inset), style_.radius - inset),
                           solidPen(style_.stroke, style_.strokeWidth));
    }
}

RoundedBox* panelCard(QWidget& panel, const QString& name) {
    QVBoxLayout* column = flatColumn(0, &panel);
    auto* card = new RoundedBox(RoundedBox::Style::card());
    card->setObjectName(name);
    column->addWidget(card);
    return card;
}

}  // namespace vantrel
