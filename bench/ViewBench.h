#pragma once
// What the view benchmark programs share. Each bench_views* program runs under
// the main of ViewBenchMain.cpp: offscreen, one QApplication, animations off
// (what a step or a paint costs, not how long a spring runs).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace vantrel::bench {

// Runs the event loop until `done` holds or `ms` milliseconds have passed.
template <typename Predicate>
bool waitFor(Predicate done, int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// The widget's window is on the (offscreen) screen.
inline bool isExposed(const QWidget& widget) {
    return widget.windowHandle() && widget.windowHandle()->isExposed();
}

// A left-button press, move or release at `at` (widget coordinates), with
// `buttons` held after it, delivered at once.
inline void sendMouse(QWidget& widget, QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, widget.mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

}  // namespace vantrel::bench
