#include "views/kit/ToggleSwitch.h"

#include <algorithm>

#include <QPainter>
#include <QSignalBlocker>

#include "views/kit/Painting.h"
#include "views/kit/SpringValue.h"
#include "views/kit/StandardColors.h"

namespace vantrel {

namespace {

constexpr int kWidth = 26;
constexpr int kHeight = 15;

QColor mix(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t),
                            float(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

}  // namespace

ToggleSwitch::ToggleSwitch(QWidget* parent)
    : WithFocusRing(parent), knob_(new SpringValue(Spring{0.25, 0.85, 0}, 0, this)) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setFixedSize(kWidth, kHeight);
    knob_->setRestDistance(0.002);
    connect(knob_, &SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    connect(this, &QAbstractButton::clicked, this, [this](bool on) {
        knob_->animateTo(on ? 1.0 : 0.0);
        Q_EMIT switched(on);
    });
}

void ToggleSwitch::setOn(bool on) {
    {
        const QSignalBlocker blocker(this);
        setChecked(on);
    }
    knob_->setValue(on ? 1.0 : 0.0);
    update();
}

double ToggleSwitch::knobPosition() const { return knob_->value(); }

QSize ToggleSwitch::sizeHint() const { return {kWidth, kHeight}; }

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) painter.setOpacity(0.4);
    const double t = std::clamp(knob_->value(), 0.0, 1.0);
    const QRectF track(0.5, 0.5, width() - 1.0, height() - 1.0);
    const double r = track.height() / 2;
    painter.fillPath(roundedRect(track, r), mix(whiteAt(0.2), standardColor(StandardColor::Accent), t));
    if (showsFocusRing()) painter.strokePath(roundedRect(track, r), solidPen(standardColor(StandardColor::Accent, 0.9), 1));

    const double d = track.height() - 2;
    const QRectF knob(track.left() + 1 + t * (track.width() - 2 - d), track.top() + 1, d, d);
    QPainterPath circle;
    circle.addEllipse(knob);
    paintSoftShadow(painter, circle, blackAt(0.35), 1.5, QPointF(0, 0.5));
    painter.fillPath(circle, Qt::white);
}

}  // namespace vantrel
