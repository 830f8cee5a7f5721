#pragma once
// The two colour-cube stages: the HSL mixer and the colour wheels, one look-up each, with
// linear working values. The tables are built on every call, when the graph is built.
#include "engine/core/Image.h"
#include "model/ColorGradingParameters.h"
#include "model/EditParameters.h"

namespace vantrel {

// The recipe's mixer bands as a cube; the input itself without an active band. Channels
// stored under keys the mixer does not know give no band and no cube: an identity cube would
// only clip extended values.
Image applyHslMixer(const Image& input, const EditParameters& recipe);

// The wheels as a cube; the input itself for an identity grading.
Image applyColorGrading(const Image& input, const ColorGradingParameters& grading);

}  // namespace vantrel
