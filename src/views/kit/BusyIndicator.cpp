#include "views/kit/BusyIndicator.h"

#include <algorithm>

#include <QPainter>
#include <QTimerEvent>

#include "views/kit/Painting.h"
#include "views/kit/SpringValue.h"

namespace vantrel {

TurningPhase::TurningPhase(QWidget& owner, int tickMs) : owner_(owner), tickMs_(tickMs) {
    owner_.installEventFilter(this);
}

void TurningPhase::setBusy(bool busy) {
    busy_ = busy;
    follow();
}

void TurningPhase::follow() {
    // Turning only while it can be seen: a hidden one costs nothing.
    const bool turn = busy_ && owner_.isVisible() && Animations::enabled();
    if (turn && !timer_.isActive()) timer_.start(tickMs_, this);
    if (!turn) timer_.stop();
}

bool TurningPhase::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &owner_ && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) follow();
    return false;
}

void TurningPhase::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_.timerId()) return QObject::timerEvent(event);
    step_ = (step_ + 1) % 12;
    owner_.update();
}

BusyIndicator::BusyIndicator(int side, QColor ink, QWidget* parent)
    : QWidget(parent), side_(side), ink_(std::move(ink)) {
    setFixedSize(side_, side_);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void BusyIndicator::setBusy(bool busy) {
    setVisible(busy && Animations::enabled());
    turning_.setBusy(busy);
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
