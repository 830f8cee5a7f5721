#pragma once
#include <cmath>

namespace vantrel {

// Whether a local mask's corrections change nothing; where the mask lies,
// whether it is on or inverted does not matter. Temperature is in kelvin
// offsets, so it gets a coarser threshold.
template <class Mask>
bool hasNeutralCorrections(const Mask& m) {
    return std::abs(m.exposure) < 0.001 && std::abs(m.contrast - 1) < 0.001 && std::abs(m.highlights) < 0.001 &&
           std::abs(m.shadows) < 0.001 && std::abs(m.temperature) < 1.0 && std::abs(m.tint) < 0.001 &&
           std::abs(m.saturation - 1) < 0.001;
}

}  // namespace vantrel
