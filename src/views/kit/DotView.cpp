#include "views/kit/DotView.h"

#include <QPainter>

namespace vantrel {

DotView::DotView(int diameter, const QColor& colour, QWidget* parent) : QWidget(parent), colour_(colour) {
    setFixedSize(diameter, diameter);
}

void DotView::setColor(const QColor& colour) {
    if (colour == colour_) return;
    colour_ = colour;
    update();
}

void DotView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour_);
    painter.drawEllipse(QRectF(rect()));
}

}  // namespace vantrel
