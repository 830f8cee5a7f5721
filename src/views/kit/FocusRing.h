#pragma once
// Focus rings show only for focus that came from the keyboard (Tab), not for
// the focus a window hands its first control or a click leaves behind.
#include <QFocusEvent>

namespace vantrel {

inline bool isKeyboardFocus(const QFocusEvent* event) {
    return event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
}

// A control that remembers how it got its focus and repaints when the focus
// comes or goes; its paintEvent draws the ring while showsFocusRing().
template <typename Control>
class WithFocusRing : public Control {
public:
    using Control::Control;

protected:
    bool showsFocusRing() const { return keyboardFocus_; }

    void focusInEvent(QFocusEvent* event) override {
        keyboardFocus_ = isKeyboardFocus(event);
        Control::focusInEvent(event);
        this->update();
    }
    void focusOutEvent(QFocusEvent* event) override {
        keyboardFocus_ = false;
        Control::focusOutEvent(event);
        this->update();
    }

private:
    bool keyboardFocus_ = false;
};

}  // namespace vantrel
