#include "views/kit/Marks.h"

#include <QPainter>

#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"

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

FilledBacking::FilledBacking(const QColor& fill, double radius, QWidget* parent)
    : QWidget(parent), fill_(fill), radius_(radius) {}

void FilledBacking::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(roundedRect(QRectF(rect()), radius_ < 0 ? height() / 2.0 : radius_), fill_);
}

QWidget* ruleLine(const QColor& colour, Qt::Orientation orientation, int length) {
    auto* line = new QWidget;
    if (orientation == Qt::Horizontal)
        line->setFixedHeight(1);
    else if (length > 0)
        line->setFixedSize(1, length);
    else
        line->setFixedWidth(1);
    line->setAutoFillBackground(true);
    setPaletteColour(*line, QPalette::Window, colour);
    return line;
}

}  // namespace vantrel
