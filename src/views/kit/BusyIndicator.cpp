#include "views/kit/BusyIndicator.h"

#include <algorithm>

#include <QPainter>
#include <QTimerEvent>

#include "views/kit/Painting.h"
#include "views/kit/SpringValue.h"

namespace vantrel {

namespace {

constexpr int kStepMs = 60;
constexpr int kStepDegrees = 30;

}  // namespace

BusyIndicator::BusyIndicator(int side, QColor ink, QWidget* parent)
    : QWidget(parent), side_(side), ink_(std::move(ink)) {
    setFixedSize(side_, side_);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void BusyIndicator::setBusy(bool busy) {
    busy_ = busy;
    setVisible(busy_ && Animations::enabled());
    followTimer();
}

void BusyIndicator::followTimer() {
    // Turning only while it can be seen: a hidden one costs nothing.
    const bool turn = busy_ && isVisible() && Animations::enabled();
    if (turn && !timer_.isActive()) timer_.start(kStepMs, this);
    if (!turn) timer_.stop();
}

void BusyIndicator::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_.timerId()) return QWidget::timerEvent(event);
    phase_ = (phase_ + kStepDegrees) % 360;
    update();
}

void BusyIndicator::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    followTimer();
}

void BusyIndicator::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    followTimer();
}

void BusyIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A three-quarter arc, its gap turning clockwise.
    const double width = std::max(1.5, side_ / 8.0);
    const QRectF ring = QRectF(rect()).adjusted(width, width, -width, -width);
    painter.setPen(solidPen(ink_.isValid() ? ink_ : palette().color(QPalette::WindowText), width));
    painter.drawArc(ring, -phase_ * 16, 270 * 16);
}

}  // namespace vantrel
