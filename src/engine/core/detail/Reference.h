#pragma once
// A plain recursive evaluator: every node computed into its own buffer, one thread, no tiles,
// no fusion. Slow, obviously correct; the tiled evaluator is checked against it.
#include "engine/core/Image.h"

namespace vantrel::detail {

// Working pixels of `image` over the finite rectangle `rect` (zero outside the extent).
PixelBuffer evaluateReference(const Image& image, const Rect& rect);

}  // namespace vantrel::detail
