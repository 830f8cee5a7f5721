#pragma once
// EXIF / TIFF orientation: how the stored pixels relate to the upright picture (1 = as stored,
// 6 = turn 90° clockwise to view, 8 = 90° counter-clockwise, 3 = 180°, 2/4/5/7 mirrored).
#include <cstddef>
#include <cstdint>

#include "engine/io/ScanBuffer.h"

namespace vantrel {

// A valid orientation (1..8), or 1 for anything else.
int sanitizeOrientation(long value);

// True when turning the picture upright swaps width and height (orientations 5 to 8).
inline bool orientationSwapsAxes(int orientation) { return orientation >= 5 && orientation <= 8; }

// Orientation tag of IFD0 of an EXIF block that starts at its TIFF header ("II*\0" / "MM\0*");
// 1 when the block is malformed or has no tag.
int orientationFromExif(const std::uint8_t* data, std::size_t size);

// The upright buffer: an exact permutation of the pixels, no resampling. Its `orientation`
// becomes 1.
ScanBuffer applyOrientation(ScanBuffer buffer, int orientation);

}  // namespace vantrel
