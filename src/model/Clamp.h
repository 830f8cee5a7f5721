#pragma once
#include <algorithm>
#include <cmath>

namespace vantrel {

// `value` limited to [low, high]; a NaN counts as above `high`, the rule the
// clamping initialisers share.
inline double clampNanHigh(double value, double low, double high) {
    if (std::isnan(value)) return high;
    return std::max(low, std::min(value, high));
}

}  // namespace vantrel
