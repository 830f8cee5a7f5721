#include "views/kit/ColorSwatch.h"

#include <cmath>

#include <QPainter>

#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"

namespace vantrel {

namespace {

constexpr double kMargin = 6;        // room for the glow and the mark
constexpr double kMarkSize = 6;
constexpr double kRingWidth = 2;
constexpr double kRectRadius = 4;

}  // namespace

ColorSwatch::ColorSwatch(Shape shape, QSizeF size, const QColor& colour, QWidget* parent)
    : WithFocusRing(parent), shape_(shape), size_(size), colour_(colour) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setFixedSize(sizeHint());
}

QSize ColorSwatch::sizeHint() const {
    const double m = shape_ == Shape::Circle ? kMargin : 1;
    return {int(std::ceil(size_.width() + 2 * m)), int(std::ceil(size_.height() + 2 * m))};
}

QRectF ColorSwatch::patchRect() const {
    return {(width() - size_.width()) / 2, (height() - size_.height()) / 2, size_.width(), size_.height()};
}

void ColorSwatch::setColor(const QColor& colour) {
    if (colour == colour_) return;
    colour_ = colour;
    update();
}

void ColorSwatch::setSelected(bool selected) {
    if (selected == selected_) return;
    selected_ = selected;
    update();
}

void ColorSwatch::setMarked(bool marked) {
    if (marked == marked_) return;
    marked_ = marked;
    update();
}

void ColorSwatch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isDown()) painter.setOpacity(0.8);
    const QRectF patch = patchRect();
    if (shape_ == Shape::RoundedRect) {
        painter.fillPath(roundedRect(patch, kRectRadius), colour_);
        painter.strokePath(roundedRect(patch.adjusted(0.5, 0.5, -0.5, -0.5), kRectRadius - 0.5),
                           solidPen(whiteAt(0.2), 1));
        return;
    }
    QPainterPath circle;
    circle.addEllipse(patch);
    if (selected_) paintSoftShadow(painter, circle, whiteAt(0.4), 3);
    painter.fillPath(circle, colour_);
    if (selected_) {
        QPainterPath ring;
        ring.addEllipse(patch.adjusted(kRingWidth / 2, kRingWidth / 2, -kRingWidth / 2, -kRingWidth / 2));
        painter.strokePath(ring, solidPen(Qt::white, kRingWidth));
    }
    if (showsFocusRing()) {
        QPainterPath focus;
        focus.addEllipse(patch.adjusted(-2, -2, 2, 2));
        painter.strokePath(focus, solidPen(standardColor(StandardColor::Accent, 0.9), 1));
    }
    if (marked_) {
        // Centred on the patch's top-trailing corner, moved 2 right and 2 up.
        const QRectF mark(patch.right() + 2 - kMarkSize, patch.top() - 2, kMarkSize, kMarkSize);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawEllipse(mark);
    }
}

}  // namespace vantrel
