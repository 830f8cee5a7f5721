#include "engine/io/DisplayEDRDetector.h"

#include <atomic>
#include <cmath>

namespace vantrel::DisplayEDRDetector {

namespace {

// The screen's state as the setting describes it: the one shared value of this module.
std::atomic<double> potentialHeadroom{1.0};
std::atomic<double> presentHeadroom{1.0};

double sane(double v) { return std::isfinite(v) && v >= 1.0 ? v : 1.0; }

}  // namespace

double maximumPotentialHeadroom() { return potentialHeadroom.load(std::memory_order_relaxed); }
double currentHeadroom() { return presentHeadroom.load(std::memory_order_relaxed); }
bool isStandardDynamicRangeOnly() { return maximumPotentialHeadroom() <= kStandardRangeLimit; }

void setHeadroom(double potential, double current) {
    potentialHeadroom.store(sane(potential), std::memory_order_relaxed);
    presentHeadroom.store(sane(current), std::memory_order_relaxed);
}

void setHeadroom(double headroom) { setHeadroom(headroom, headroom); }

}  // namespace vantrel::DisplayEDRDetector
