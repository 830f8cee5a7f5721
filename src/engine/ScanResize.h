#pragma once
// Area-average reduction of a native-precision scan buffer, for proxies and thumbnails of
// formats that cannot be scaled while decoding.
#include "engine/ScanBuffer.h"

namespace vantrel {

struct PixelSize {
    int width = 0;
    int height = 0;
};

// The size with the long edge at most `maxLongEdge`, aspect kept, never enlarged, at least 1.
PixelSize fitLongEdge(int width, int height, int maxLongEdge);

// Each output pixel is the area-weighted mean of the source pixels it covers. Sizes larger than
// the source are clamped to it. Same channels, depth and profile as the source.
ScanBuffer downscaleArea(const ScanBuffer& source, int width, int height);

}  // namespace vantrel
