#pragma once
// The ICC profiles embedded in exported files, built once per run with lcms2: Display P3
// (described "Display P3") and sRGB (described "sRGB IEC61966-2.1"). Both are D65 matrix-shaper
// profiles with the sRGB transfer curve, so they describe exactly what the encoders receive.
#include <cstdint>
#include <vector>

#include "engine/core/Color.h"

namespace vantrel {

// The profile bytes of an output space; linearWorking is treated as Display P3 (exports never
// write linear values). Thread-safe; the bytes live for the whole run.
const std::vector<std::uint8_t>& outputProfile(OutputSpace space);
// The description written into that profile.
const char* outputProfileName(OutputSpace space);

}  // namespace vantrel
