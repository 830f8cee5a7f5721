#include "views/kit/BusyIndicator.h"

#include <algorithm>

#include <QPainter>
#include <QTimerEvent>

#include "views/kit/Painting.h"
#include "views/kit/SpringValue.h"

namespace vantrel {

void TurningPhase::follow(bool busy) {
    // Turning only while it can be seen: a hidden one costs nothing.
    const bool turn = busy && owner_.isVisible() && Animations::enabled();
    if (turn && !timer_.isActive()) timer_.start(tickMs_, &owner_);
    if (!turn) timer_.stop();
}

bool TurningPhase::tick(const QTimerEvent& event) {
    if (event.timerId() != timer_.timerId()) return false;
    step_ = (step_ + 1) % 12;
    owner_.update();
    return true;
}

BusyIndicator::BusyIndicator(int side, QColor ink, QWidget* parent)
    : QWidget(parent), side_(side), ink_(std::move(ink)) {
    setFixedSize(side_, side_);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void BusyIndicator::setBusy(bool busy) {
    busy_ = busy;
    setVisible(busy_ && Animations::enabled());
    turning_.follow(busy_);
}

void BusyIndicator::timerEvent(QTimerEvent* event) {
    if (!turning_.tick(*event)) QWidget::timerEvent(event);
}

void BusyIndicator::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    turning_.follow(busy_);
}

void BusyIndicator::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    turning_.follow(busy_);
}

void BusyIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A three-quarter arc, its gap turning clockwise.
    const double width = std::max(1.5, side_ / 8.0);
    const QRectF ring = QRectF(rect()).adjusted(width, width, -width, -width);
    painter.setPen(solidPen(ink_.isValid() ? ink_ : palette().color(QPalette::WindowText), width));
    painter.drawArc(ring, -phase() * 16, 270 * 16);
}

}  // namespace vantrel
