#pragma once
// The compare bar: a small floating bar over the canvas that chooses the
// comparison layout and shows the undeveloped original while its eye button
// is held down. It keeps no state: it writes through its two bindings.
//
// The "\" key that toggles holding belongs to the window's shortcuts (one
// key, one owner); the bar only shows the state it leaves.
#include <QAbstractButton>
#include <QWidget>

#include "model/CompareMode.h"
#include "views/kit/ViewBasics.h"

namespace vantrel {

// A 28 x 26 symbol button of the bar: tinted and backed while active, dimmed
// and shrunk a little while pressed.
class HUDIconButton : public QAbstractButton {
public:
    HUDIconButton(const char* symbol, QColor activeColor, QColor activeBackground, QWidget* parent = nullptr);

    bool isActive() const { return active_; }
    // Sets the look only; reports nothing.
    void setActive(bool active);
    const char* symbol() const { return symbol_; }

    QSize sizeHint() const override { return {28, 26}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const char* symbol_;
    QColor activeColor_;
    QColor activeBackground_;
    bool active_ = false;
};

// The eye: holding it down shows the original. Every change of its pressed
// state (a press, a release, the pointer leaving or coming back while held)
// is reported once through holdChanged.
class HUDEyeHoldButton final : public HUDIconButton {
    Q_OBJECT

public:
    explicit HUDEyeHoldButton(QWidget* parent = nullptr);
    // Lets go without a release (the window lost focus, the bar hid); true when it was held.
    bool letGo();

Q_SIGNALS:
    void holdChanged(bool pressed);
};

class CompareControlHUDView final : public QWidget, public RefreshableView {
public:
    CompareControlHUDView(Binding<CompareMode> compareMode, Binding<bool> isHoldingOriginal, QWidget* parent = nullptr);

    // The mode buttons' and the eye's looks from the bindings and the texts.
    void refresh() override;

    HUDIconButton* modeButton(CompareMode mode) const;
    HUDEyeHoldButton* eyeButton() const { return eye_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;

private:
    void choose(CompareMode mode);
    void setHolding(bool holding);
    void endHold();

    Binding<CompareMode> compareMode_;
    Binding<bool> isHoldingOriginal_;
    HUDIconButton* modes_[3];  // in the order of CompareMode's cases
    HUDEyeHoldButton* eye_;
};

}  // namespace vantrel
