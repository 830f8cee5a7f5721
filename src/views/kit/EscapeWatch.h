#pragma once
// EscapeWatch: Escape during a drag, wherever the keyboard's focus is. While
// watching, it sees the application's key presses before any widget does and
// runs its callback on Escape (the key then goes no further). A drag starts
// watching when it starts and stops when it ends; the platform's keyboard grab
// is not needed (several platforms refuse it).
#include <QObject>

#include "views/kit/ViewBasics.h"

namespace vantrel {

class EscapeWatch final : public QObject {
public:
    explicit EscapeWatch(Callback onEscape) : onEscape_(std::move(onEscape)) {}
    ~EscapeWatch() override { stop(); }

    void start();
    void stop();
    bool isWatching() const { return watching_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Callback onEscape_;
    bool watching_ = false;
};

}  // namespace vantrel
