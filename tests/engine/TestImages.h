#pragma once
// Small asymmetric test images shared by the engine tests.
#include <cstdint>
#include <cstring>

#include "engine/core/Image.h"

namespace vantrel::testing {

// W×H 8-bit RGBA whose pixel at buffer (x, y) (y from the top) is (x*7+y, y*5+x, (x^y)&255, 255),
// distinct enough for any flip or turn to show.
inline SourcePixels asymmetricPixels(int w, int h) {
    SourcePixels p = SourcePixels::allocate(w, h, 4, SampleType::uint8);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = p.mutableRow(y);
        for (int x = 0; x < w; ++x) {
            row[4 * x] = std::uint8_t(x * 7 + y);
            row[4 * x + 1] = std::uint8_t(y * 5 + x);
            row[4 * x + 2] = std::uint8_t((x ^ y) & 255);
            row[4 * x + 3] = 255;
        }
    }
    return p;
}

// Working-space image whose pixel (x, y) of the plane (relative to the origin) holds
// (x, y, x + 1000 y, 1): every pixel tells where it came from.
inline Image coordinateImage(int w, int h, std::int64_t ox = 0, std::int64_t oy = 0) {
    PixelBuffer b(Rect{ox, oy, w, h});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float* p = b.at(ox + x, oy + y);
            p[0] = float(x);
            p[1] = float(y);
            p[2] = float(x + 1000 * y);
            p[3] = 1.0f;
        }
    return Image::fromBuffer(std::move(b));
}

}  // namespace vantrel::testing
