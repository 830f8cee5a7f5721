#include "views/kit/SpringValue.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>

namespace vantrel {

namespace {

std::atomic<bool> animationsOn{true};

constexpr double kMaxSubstep = 1.0 / 480.0;  // keeps the explicit integration stable for stiff springs
constexpr double kMaxTick = 0.05;            // a stalled event loop must not fling the value

}  // namespace

double Spring::stiffness() const {
    const double r = std::max(response, 1e-3);
    return std::pow(2 * std::numbers::pi / r, 2);
}

double Spring::damping() const { return 4 * std::numbers::pi * std::max(dampingFraction, 0.0) / std::max(response, 1e-3); }

bool Animations::enabled() { return animationsOn.load(std::memory_order_relaxed); }
void Animations::setEnabled(bool enabled) { animationsOn.store(enabled, std::memory_order_relaxed); }

SpringValue::SpringValue(Spring spring, double value, QObject* parent)
    : QObject(parent), spring_(spring), from_(spring), value_(value), target_(value) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(16);
    connect(&timer_, &QTimer::timeout, this, &SpringValue::tick);
}

void SpringValue::animateTo(double target) { animateTo(target, spring_); }

void SpringValue::animateTo(double target, const Spring& spring) {
    if (std::isnan(target)) return;
    if (!Animations::enabled()) {
        spring_ = spring;
        target_ = target;
        const bool changed = value_ != target;
        value_ = target;
        stop(changed);
        return;
    }
    // Blend from the spring in force (itself perhaps mid-blend) into the new one.
    if (moving_ && spring.blendDuration > 0) {
        const double t = spring_.blendDuration > 0 ? std::min(blendElapsed_ / spring_.blendDuration, 1.0) : 1.0;
        from_ = {spring_.response + (from_.response - spring_.response) * (1 - t),
                 spring_.dampingFraction + (from_.dampingFraction - spring_.dampingFraction) * (1 - t), 0};
    } else {
        from_ = spring;
    }
    blendElapsed_ = 0;
    spring_ = spring;
    target_ = target;
    if (value_ == target_ && velocity_ == 0) {
        if (moving_) stop(false);
        return;
    }
    if (!moving_) {
        moving_ = true;
        clock_.start();
        timer_.start();
    }
}

void SpringValue::setValue(double value) {
    if (std::isnan(value)) return;
    const bool changed = value_ != value;
    value_ = target_ = value;
    velocity_ = 0;
    const bool wasMoving = moving_;
    moving_ = false;
    timer_.stop();
    if (changed) Q_EMIT valueChanged(value_);
    if (wasMoving) Q_EMIT settled();
}

void SpringValue::tick() {
    const double seconds = clock_.restart() / 1000.0;
    advance(std::min(seconds, kMaxTick));
}

void SpringValue::advance(double seconds) {
    if (!moving_ || !(seconds > 0)) return;
    double left = seconds;
    while (left > 0) {
        const double h = std::min(left, kMaxSubstep);
        left -= h;
        double k = spring_.stiffness(), c = spring_.damping();
        if (spring_.blendDuration > 0 && blendElapsed_ < spring_.blendDuration) {
            const double t = blendElapsed_ / spring_.blendDuration;
            k = from_.stiffness() + (k - from_.stiffness()) * t;
            c = from_.damping() + (c - from_.damping()) * t;
            blendElapsed_ += h;
        }
        // Semi-implicit Euler: velocity first, then position with the new velocity.
        velocity_ += (-k * (value_ - target_) - c * velocity_) * h;
        value_ += velocity_ * h;
    }
    if (std::abs(value_ - target_) < restDistance_ && std::abs(velocity_) < restDistance_ * 10) {
        value_ = target_;
        stop(true);
        return;
    }
    Q_EMIT valueChanged(value_);
}

void SpringValue::stop(bool emitChange) {
    velocity_ = 0;
    const bool wasMoving = moving_;
    moving_ = false;
    timer_.stop();
    if (emitChange) Q_EMIT valueChanged(value_);
    if (wasMoving || emitChange) Q_EMIT settled();
}

}  // namespace vantrel
