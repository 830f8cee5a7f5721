#include "views/panels/InteractiveColorWheel.h"

#include <cmath>
#include <vector>

#include <QConicalGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/panels/ColorWheelGeometry.h"

namespace vantrel {

namespace {

using namespace colorwheel;

struct CachedDisc {
    double diameter;
    double dpr;
    QImage image;
};

QImage drawDisc(double diameter, double dpr) {
    const int side = int(std::ceil(diameter * dpr));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double c = centre(diameter);
    const QPointF middle(c, c);
    const QRectF frame(0, 0, diameter, diameter);

    // Qt's conical gradient runs counter-clockwise on screen; the hue runs
    // clockwise, so each stop goes where 360 minus its hue lies.
    QConicalGradient hues(middle, 0);
    for (int k = 0; k <= 6; ++k) hues.setColorAt(1.0 - k / 6.0, hueColor(60.0 * k));
    painter.setPen(Qt::NoPen);
    painter.setBrush(hues);
    painter.drawEllipse(frame);

    // White fading out towards the rim (white at zero opacity, not transparent
    // black, so that the fade does not grey the hues).
    QRadialGradient veil(middle, c);
    veil.setColorAt(0, whiteAt(0.85));
    veil.setColorAt(0.5, whiteAt(0.4));
    veil.setColorAt(1, whiteAt(0));
    painter.setBrush(veil);
    painter.drawEllipse(frame);

    painter.setPen(solidPen(blackAt(0.3), 1));
    painter.drawLine(QPointF(c - 4, c), QPointF(c + 4, c));
    painter.drawLine(QPointF(c, c - 4), QPointF(c, c + 4));

    painter.setBrush(Qt::NoBrush);
    painter.setPen(solidPen(whiteAt(0.2), 1));
    painter.drawEllipse(frame.adjusted(0.5, 0.5, -0.5, -0.5));
    return image;
}

}  // namespace

const QImage& InteractiveColorWheel::disc(double diameter, double devicePixelRatio) {
    // A panel shows two sizes; drawn on the main thread only.
    static std::vector<CachedDisc> cache;
    for (const CachedDisc& d : cache)
        if (d.diameter == diameter && d.dpr == devicePixelRatio) return d.image;
    if (cache.size() >= 8) cache.erase(cache.begin());
    cache.push_back({diameter, devicePixelRatio, drawDisc(diameter, devicePixelRatio)});
    return cache.back().image;
}

InteractiveColorWheel::InteractiveColorWheel(const QString& name, double diameter,
                                             Binding<ColorWheelAdjustment> adjustment, QWidget* parent)
    : QWidget(parent), adjustment_(std::move(adjustment)), diameter_(diameter) {
    setObjectName(name);
    setFixedSize(sizeHint());
    setCursor(Qt::CrossCursor);
    shown_ = adjustment_.get();
}

QSize InteractiveColorWheel::sizeHint() const {
    const int side = int(std::ceil(diameter_));
    return {side, side};
}

QPointF InteractiveColorWheel::puckCentre() const { return colorwheel::puckCentre(shown_, diameter_); }
QColor InteractiveColorWheel::puckColor() const { return colorwheel::puckColor(shown_); }

void InteractiveColorWheel::refresh() {
    const ColorWheelAdjustment now = adjustment_.get();
    // The luminance is not drawn: a change of it alone repaints nothing.
    if (now.hue == shown_.hue && now.saturation == shown_.saturation) {
        shown_ = now;
        return;
    }
    shown_ = now;
    update();
}

bool InteractiveColorWheel::hits(QPointF point) const {
    if (onDisc(point, diameter_)) return true;
    const QPointF puck = puckCentre();
    return std::hypot(point.x() - puck.x(), point.y() - puck.y()) <= kPuckSize / 2;
}

void InteractiveColorWheel::write(double hue, double saturation, bool always) {
    ColorWheelAdjustment next = adjustment_.get();
    if (!always && next.hue == hue && next.saturation == saturation) return;
    next.hue = hue;
    next.saturation = saturation;
    adjustment_.set(next);
    Q_EMIT changed();
    refresh();
}

void InteractiveColorWheel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawImage(QPointF(0, 0), disc(diameter_, devicePixelRatioF()));

    const QPointF puck = puckCentre();
    const double r = kPuckSize / 2;
    QPainterPath circle;
    circle.addEllipse(puck, r, r);
    paintSoftShadow(painter, circle, blackAt(0.5), 2, QPointF(0, 1));
    painter.fillPath(circle, puckColor());
    painter.strokePath(circle, solidPen(Qt::white, 2));
}

void InteractiveColorWheel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !hits(event->position())) {
        event->ignore();
        return;
    }
    tracker_.press(event->position());
}

void InteractiveColorWheel::mouseMoveEvent(QMouseEvent* event) {
    if (!tracker_.move(event->position())) return;
    // The puck jumps to the pointer: the values follow from where it is, not from how far it moved.
    const HueSaturation value = pointerValue(event->position(), diameter_);
    write(value.hue, value.saturation, false);
}

void InteractiveColorWheel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) tracker_.release();
}

void InteractiveColorWheel::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !hits(event->position())) {
        event->ignore();
        return;
    }
    tracker_.cancel();
    write(0, 0, true);
}

void InteractiveColorWheel::hideEvent(QHideEvent* event) {
    // No release will come for a drag whose wheel went away.
    tracker_.cancel();
    QWidget::hideEvent(event);
}

}  // namespace vantrel
