#pragma once
// BusyIndicator: a small arc that turns while a task of unknown length runs
// (a frame loading, the horizon being measured). It shows only while busy and
// with animations on: with them off (tests, reduced motion) there is no
// indicator at all, and its owner shows what it shows at rest.
#include <QBasicTimer>
#include <QColor>
#include <QWidget>

namespace vantrel {

class BusyIndicator final : public QWidget {
    Q_OBJECT

public:
    // Without an ink, in the text colour of the palette it is shown with.
    explicit BusyIndicator(int side, QColor ink = {}, QWidget* parent = nullptr);

    // Shows (animations allowing) and turns while `busy`; read afresh at every call.
    void setBusy(bool busy);
    bool isBusy() const { return busy_; }
    // Degrees turned so far, for tests.
    int phase() const { return phase_; }
    QSize sizeHint() const override { return {side_, side_}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void followTimer();

    int side_;
    QColor ink_;
    bool busy_ = false;
    int phase_ = 0;
    QBasicTimer timer_;
};

}  // namespace vantrel
