#pragma once
// DragTracker: the press, drag and tap logic of one pointer, apart from any
// widget. A drag starts when the pointer's distance from the press point
// reaches the minimum distance; from then on every move is a drag change whose
// translation is the current point minus the press point (never incremental).
// A press and release without a start is a tap.
#include <QPointF>

namespace vantrel {

class DragTracker {
public:
    explicit DragTracker(double minimumDistance = 1.0) : minimumDistance_(minimumDistance) {}

    enum class Release {
        None,     // nothing was pressed
        Tap,      // pressed and released without the drag starting
        DragEnd,  // the end of a started drag
    };

    void press(const QPointF& point);
    // True when this move is a drag change: the move that starts the drag and
    // every move after it. False before the start and when nothing is pressed.
    bool move(const QPointF& point);
    // Ends the gesture; the tracker is idle afterwards.
    Release release();
    // Forgets the gesture without reporting it (a lost grab, a second button).
    void cancel();

    bool isPressed() const { return pressed_; }
    // Between the drag's start and its release.
    bool isDragging() const { return started_; }
    // The move that started the drag was the last one (capture start values now).
    bool justStarted() const { return justStarted_; }
    QPointF pressPoint() const { return press_; }
    QPointF currentPoint() const { return current_; }
    QPointF translation() const { return current_ - press_; }
    double minimumDistance() const { return minimumDistance_; }

private:
    double minimumDistance_;
    QPointF press_;
    QPointF current_;
    bool pressed_ = false;
    bool started_ = false;
    bool justStarted_ = false;
};

}  // namespace vantrel
