#pragma once
// Small ICC helpers for scan loading (lcms2): the profile's display name, and the one
// conversion the loader does itself, CMYK to RGB (the engine converts RGB and grey sources).
#include <cstdint>
#include <string>
#include <vector>

#include "engine/io/ScanBuffer.h"

namespace vantrel {

// The profile's description (its display name), or empty when the bytes are no valid profile.
std::string iccProfileDescription(const std::vector<std::uint8_t>& profile);

// Colour channels of the profile's data space: 1 grey, 3 RGB, 4 CMYK; 0 for anything else or
// for bytes that are no valid profile.
int iccProfileChannels(const std::vector<std::uint8_t>& profile);

// Interleaved 8-bit CMYK pixels (Adobe files store them inverted) through the embedded CMYK
// profile into an 8-bit sRGB buffer; an empty buffer when the profile cannot be used.
ScanBuffer convertCmykToRgb(const std::uint8_t* cmyk, int width, int height, bool inverted,
                            const std::vector<std::uint8_t>& profile);

}  // namespace vantrel
