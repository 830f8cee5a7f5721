#pragma once
// The negative-conversion stage: turns a scanned film negative into a positive before any
// other colour work. A colour negative has its orange film base divided out per channel and
// is then inverted, stretched and balanced; a black-and-white negative is made grey, inverted
// and stretched.
#include <array>

#include "engine/core/Image.h"
#include "model/NegativeLabParameters.h"

namespace vantrel {

// The film base as linear working values (red, green, blue): the stored sRGB-encoded
// components, each missing one replaced by the standard base and each raised to at least
// 0.01, decoded and converted to the working primaries.
std::array<double, 3> filmBaseWorking(const std::vector<double>& filmBaseColor);

// The input converted (returned unchanged when the conversion is off). `gamma` is not used.
Image applyNegativeConversion(const Image& input, const NegativeLabParameters& negative);

}  // namespace vantrel
