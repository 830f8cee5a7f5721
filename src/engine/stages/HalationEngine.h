#pragma once
// Halation and bloom: the red-orange glow that light scattered back through the film base
// leaves around bright areas, and the softer warm haze of a diffusion filter. Both start from
// a grey key of the frame's highlights, are tinted, blurred and added; the sum is screened
// over the frame. Builds a lazy graph only.
#include "engine/core/Image.h"
#include "model/HalationParameters.h"

namespace vantrel {

// The frame with its glow, keeping the frame's extent. Disabled or neutral settings, and
// frames of 10 pixels or less on a side, return the frame itself.
Image applyHalation(const Image& frame, const HalationParameters& parameters);

namespace HalationEngine {

// The grey highlight key: clamp((luminance − threshold) / max(1 − threshold, 0.01), 0, 1) in
// every colour channel, alpha kept; cropped to the frame.
Image highlightKey(const Image& frame, double threshold);

}  // namespace HalationEngine
}  // namespace vantrel
