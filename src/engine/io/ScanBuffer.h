#pragma once
// Decoded scan pixels in the file's own precision, before any colour conversion.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/LargeBlocks.h"

namespace vantrel {

struct ScanBuffer {
    int width = 0;
    int height = 0;
    int channels = 0;  // 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA
    int bitDepth = 8;  // 8 or 16; 16-bit samples are in native byte order
    bool alphaPremultiplied = false;
    int orientation = 1;  // EXIF orientation still to apply; 1 once the pixels are upright
    std::vector<std::uint8_t> iccProfile;  // embedded profile; empty means sRGB (or sRGB-curve grey)
    // Rows top first, samples interleaved, no padding. Not zero-filled on allocation: a
    // 24-megapixel 16-bit scan is 144 MB and every byte is written by the decoder anyway.
    LargeArray<std::uint8_t> pixels;

    bool empty() const { return !pixels || width <= 0 || height <= 0; }
    bool hasAlpha() const { return channels == 2 || channels == 4; }
    std::size_t bytesPerPixel() const { return static_cast<std::size_t>(channels) * (bitDepth / 8); }
    std::size_t rowBytes() const { return bytesPerPixel() * static_cast<std::size_t>(width); }
    std::size_t byteCount() const { return rowBytes() * static_cast<std::size_t>(height); }
    std::uint8_t* row(int y) { return pixels.get() + rowBytes() * static_cast<std::size_t>(y); }
    const std::uint8_t* row(int y) const { return pixels.get() + rowBytes() * static_cast<std::size_t>(y); }

    // Allocates the pixel store for the current size and layout.
    void allocate() { pixels = makeLargeArray<std::uint8_t>(byteCount()); }

    // A buffer of this size and layout with its pixel store allocated.
    static ScanBuffer allocated(int width, int height, int channels, int bitDepth, bool alphaPremultiplied = false) {
        ScanBuffer out;
        out.width = width;
        out.height = height;
        out.channels = channels;
        out.bitDepth = bitDepth;
        out.alphaPremultiplied = alphaPremultiplied;
        out.allocate();
        return out;
    }
};

}  // namespace vantrel
