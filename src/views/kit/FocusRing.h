#pragma once
// Focus rings show only for focus that came from the keyboard (Tab), not for
// the focus a window hands its first control or a click leaves behind.
#include <QFocusEvent>

namespace vantrel {

inline bool isKeyboardFocus(const QFocusEvent* event) {
    return event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
}

}  // namespace vantrel
