#pragma once
// ToggleSwitch: the small on/off switch of panel headers and option rows. A
// capsule in the accent colour when on, grey when off, with a white knob that
// slides across. setOn() sets the state without emitting (and without the
// slide); a click or the space key flips it and emits switched() once.
#include <QAbstractButton>

namespace vantrel {

class SpringValue;

class ToggleSwitch final : public QAbstractButton {
    Q_OBJECT

public:
    explicit ToggleSwitch(QWidget* parent = nullptr);

    void setOn(bool on);
    bool isOn() const { return isChecked(); }
    // The knob's place from 0 (off) to 1 (on), moving while it slides.
    double knobPosition() const;

    QSize sizeHint() const override;

Q_SIGNALS:
    void switched(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    SpringValue* knob_;
    bool keyboardFocus_ = false;
};

}  // namespace vantrel
