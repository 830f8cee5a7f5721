#include "views/kit/EscapeWatch.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace vantrel {

void EscapeWatch::start() {
    if (watching_ || !QCoreApplication::instance()) return;
    QCoreApplication::instance()->installEventFilter(this);
    watching_ = true;
}

void EscapeWatch::stop() {
    if (!watching_) return;
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
    watching_ = false;
}

bool EscapeWatch::eventFilter(QObject* watched, QEvent* event) {
    const bool escape = (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
                        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
    if (!watching_ || !escape) return QObject::eventFilter(watched, event);
    // No shortcut takes the key from the drag: it comes as a key press.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    stop();
    if (onEscape_) onEscape_();
    return true;
}

}  // namespace vantrel
