#pragma once
// BusyIndicator: a small arc that turns while a task of unknown length runs
// (a frame loading, the horizon being measured). It shows only while busy and
// with animations on: with them off (tests, reduced motion) there is no
// indicator at all, and its owner shows what it shows at rest.
#include <QBasicTimer>
#include <QColor>
#include <QWidget>

namespace vantrel {

// The phase of a mark that turns a twelfth at every tick while a task runs. It
// ticks only while its widget can be seen and animations are on, and repaints
// the widget at each tick.
class TurningPhase {
public:
    TurningPhase(QWidget& owner, int tickMs) : owner_(owner), tickMs_(tickMs) {}
    // Call whenever busy or visibility change (setBusy, showEvent, hideEvent).
    void follow(bool busy);
    // Advances on its own tick; false for any other timer of the widget.
    bool tick(const QTimerEvent& event);
    // Twelfths turned so far.
    int step() const { return step_; }

private:
    QWidget& owner_;
    int tickMs_;
    int step_ = 0;
    QBasicTimer timer_;
};

class BusyIndicator final : public QWidget {
    Q_OBJECT

public:
    // Without an ink, in the text colour of the palette it is shown with.
    explicit BusyIndicator(int side, QColor ink = {}, QWidget* parent = nullptr);

    // Shows (animations allowing) and turns while `busy`; read afresh at every call.
    void setBusy(bool busy);
    bool isBusy() const { return busy_; }
    // Degrees turned so far, for tests.
    int phase() const { return turning_.step() * 30; }
    QSize sizeHint() const override { return {side_, side_}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int side_;
    QColor ink_;
    bool busy_ = false;
    TurningPhase turning_{*this, 60};
};

}  // namespace vantrel
