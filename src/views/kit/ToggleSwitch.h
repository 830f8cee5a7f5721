#pragma once
// ToggleSwitch: the small on/off switch of panel headers and option rows. A
// capsule in the accent colour when on, grey when off, with a white knob that
// slides across. setOn() sets the state without emitting (and without the
// slide); a click or the space key flips it and emits switched() once.
#include <QAbstractButton>

#include "views/kit/FocusRing.h"

namespace vantrel {

class SpringValue;

class ToggleSwitch final : public WithFocusRing<QAbstractButton> {
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

private:
    SpringValue* knob_;
};

}  // namespace vantrel
