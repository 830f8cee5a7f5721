#pragma once
// Working pixels -> output values: unpremultiply, primaries to the output space, transfer
// curve, clamp, premultiply in the encoded domain, quantise. NaN becomes 0 and ±inf the ends
// of the range before any integer is formed.
#include <cstdint>

#include "engine/core/Color.h"

namespace vantrel::detail {

void encodeRow8(const float* in, int count, OutputSpace space, std::uint8_t* out);
void encodeRow16(const float* in, int count, OutputSpace space, std::uint16_t* out);
// Floats: raw working values for linearWorking, else encoded premultiplied (unclamped).
void encodeRowFloat(const float* in, int count, OutputSpace space, float* out);

}  // namespace vantrel::detail
