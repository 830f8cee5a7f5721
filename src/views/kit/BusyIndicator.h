#pragma once
// BusyIndicator: a small arc that turns while a task of unknown length runs
// (a frame loading, the horizon being measured). It shows only while busy and
// with animations on: with them off (tests, reduced motion) there is no
// indicator at all, and its owner shows what it shows at rest.
#include <QBasicTimer>
#include <QColor>
#include <QWidget>

namespace vantrel {

// The phase of a mark that turns a twelfth at every tick while its owner is
// busy. It ticks only while the owner can be seen and animations are on (it
// watches the owner's showing and hiding itself), and repaints the owner at
// each tick.
class TurningPhase final : public QObject {
public:
    TurningPhase(QWidget& owner, int tickMs);

    void setBusy(bool busy);
    bool isBusy() const { return busy_; }
    // Twelfths turned so far.
    int step() const { return step_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void follow();

    QWidget& owner_;
    int tickMs_;
    bool busy_ = false;
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
    bool isBusy() const { return turning_.isBusy(); }
    // Degrees turned so far, for tests.
    int phase() const { return turning_.step() * 30; }
    QSize sizeHint() const override { return {side_, side_}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int side_;
    QColor ink_;
    TurningPhase turning_{*this, 60};
};

}  // namespace vantrel
