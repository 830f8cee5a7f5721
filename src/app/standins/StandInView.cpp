#include "app/standins/StandInView.h"

#include <QPainter>

namespace vantrel {

PlaceholderView::PlaceholderView(QString name, QWidget* parent) : QWidget(parent), name_(std::move(name)) {
    setObjectName(name_);
    setMinimumHeight(28);
}

void PlaceholderView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QColor::fromRgbF(1, 1, 1, 0.12f));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    painter.setPen(QColor::fromRgbF(1, 1, 1, 0.35f));
    QFont small = font();
    small.setPointSizeF(9);
    painter.setFont(small);
    painter.drawText(rect(), Qt::AlignCenter, name_);
}

}  // namespace vantrel
