#include "views/kit/Marks.h"

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

QWidget* ruleLine(const QColor& colour, Qt::Orientation orientation, int length) {
    auto* line = new QWidget;
    if (orientation == Qt::Horizontal)
        line->setFixedHeight(1);
    else
        line->setFixedSize(1, length);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, colour);
    line->setPalette(palette);
    return line;
}

}  // namespace vantrel
