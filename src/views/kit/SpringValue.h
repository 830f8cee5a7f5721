#pragma once
// SpringValue: one number that follows its target like a damped spring, the
// motion of zooms, pans and sliding knobs. A spring is given as the Parts give
// it: a response (the period of the undamped oscillation, seconds), a damping
// fraction (1 settles without overshoot, less overshoots) and a blend
// duration (over which a retarget that changes the spring eases from the old
// spring's stiffness and damping into the new one). A retarget keeps the
// velocity, so a moving value changes course smoothly.
//
// The value ticks about 60 times a second only while it moves; at rest no
// timer runs. With animations switched off (tests, or a user who asks for
// reduced motion) every animateTo() lands at once.
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace vantrel {

struct Spring {
    double response = 0.25;
    double dampingFraction = 0.85;
    double blendDuration = 0;

    double stiffness() const;  // (2π / response)² for a unit mass
    double damping() const;    // 4π · dampingFraction / response
};

// The one switch for every kit animation.
struct Animations {
    static bool enabled();
    static void setEnabled(bool enabled);
};

class SpringValue final : public QObject {
    Q_OBJECT

public:
    explicit SpringValue(Spring spring = {}, double value = 0, QObject* parent = nullptr);

    double value() const { return value_; }
    double target() const { return target_; }
    double velocity() const { return velocity_; }
    bool isMoving() const { return moving_; }

    // Moves towards `target` with the current spring (or the one given).
    void animateTo(double target);
    void animateTo(double target, const Spring& spring);
    // Jumps: value and target become `value`, the motion stops.
    void setValue(double value);
    // At rest once within this distance of the target and slower than ten
    // times it per second (default 0.001; pans in points want about 0.05).
    void setRestDistance(double distance) { restDistance_ = distance; }

    // Integrates `seconds` of motion (what the timer calls; public for tests).
    void advance(double seconds);

Q_SIGNALS:
    void valueChanged(double value);
    void settled();  // reached its target and stopped ticking

private:
    void tick();
    void stop(bool emitChange);

    Spring spring_;
    Spring from_;           // the spring blended from during a blend
    double blendElapsed_ = 0;
    double value_;
    double target_;
    double velocity_ = 0;
    double restDistance_ = 0.001;
    bool moving_ = false;
    QTimer timer_;
    QElapsedTimer clock_;
};

}  // namespace vantrel
