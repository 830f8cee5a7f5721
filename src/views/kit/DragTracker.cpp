#include "views/kit/DragTracker.h"

#include <cmath>

namespace vantrel {

void DragTracker::press(const QPointF& point) {
    press_ = current_ = point;
    pressed_ = true;
    started_ = justStarted_ = false;
}

bool DragTracker::move(const QPointF& point) {
    justStarted_ = false;
    if (!pressed_) return false;
    current_ = point;
    if (!started_) {
        const QPointF d = point - press_;
        if (std::hypot(d.x(), d.y()) < minimumDistance_) return false;
        started_ = justStarted_ = true;
    }
    return true;
}

DragTracker::Release DragTracker::release() {
    if (!pressed_) return Release::None;
    const Release result = started_ ? Release::DragEnd : Release::Tap;
    cancel();
    return result;
}

void DragTracker::cancel() { pressed_ = started_ = justStarted_ = false; }

}  // namespace vantrel
