#pragma once
// Area-average reduction of native-precision scan pixels, for proxies and thumbnails of
// formats that cannot be scaled while decoding.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/io/ScanBuffer.h"

namespace vantrel {

struct PixelSize {
    int width = 0;
    int height = 0;
};

// The size with the long edge at most `maxLongEdge`, aspect kept, never enlarged, at least 1.
PixelSize fitLongEdge(int width, int height, int maxLongEdge);

// Each output pixel is the area-weighted mean of the source pixels it covers. Output rows can be
// made in any order and from any thread, so a decoder can reduce band by band as it reads.
class AreaReducer {
public:
    AreaReducer(int sourceWidth, int sourceHeight, int width, int height, int channels, int bitDepth);

    int width() const { return width_; }
    int height() const { return height_; }
    // Output row y reads source rows [firstSourceRow(y), endSourceRow(y)); rows grow with y.
    int firstSourceRow(int y) const;
    int endSourceRow(int y) const;
    // Writes output rows [y0, y1) to `out` (row y0 first, `outRowBytes` apart); `sourceRow(sy)`
    // gives the samples of source row sy.
    void reduceRows(int y0, int y1, const std::function<const std::uint8_t*(int)>& sourceRow, std::uint8_t* out,
                    std::size_t outRowBytes) const;

    struct Taps {
        std::vector<int> first;  // per output index: offset into index/weight, plus an end mark
        std::vector<int> index;
        std::vector<float> weight;
    };

private:
    int sourceWidth_, width_, height_, channels_, bitDepth_;
    Taps columns_, rows_;
};

// The whole buffer reduced (in parallel). Sizes larger than the source are clamped to it.
// Same channels, depth, orientation and profile as the source.
ScanBuffer downscaleArea(const ScanBuffer& source, int width, int height);

}  // namespace vantrel
