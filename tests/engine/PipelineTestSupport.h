#pragma once
// Helpers for the darkroom pipeline and stage tests: small images whose pixels say where they
// came from, and float renders of whole extents.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>

#include "engine/core/Context.h"
#include "engine/core/Image.h"

namespace vantrel::testing {

// An opaque image over `rect` whose pixel (x, y) is f(x, y) (unpremultiplied working rgb).
inline Image pipelineImage(const Rect& rect, const std::function<std::array<float, 3>(std::int64_t, std::int64_t)>& f) {
    PixelBuffer buffer(rect);
    for (std::int64_t y = rect.minY(); y < rect.maxY(); ++y)
        for (std::int64_t x = rect.minX(); x < rect.maxX(); ++x) {
            const auto c = f(x, y);
            float* p = buffer.at(x, y);
            p[0] = c[0];
            p[1] = c[1];
            p[2] = c[2];
            p[3] = 1.0f;
        }
    return Image::fromBuffer(std::move(buffer));
}

// Pixel (x, y) of the plane, relative to `rect`'s origin, holds (x, y, 0.5): any turn, flip or
// shift shows in the values.
inline Image positionImage(int w, int h) {
    return pipelineImage(Rect{0, 0, w, h}, [](std::int64_t x, std::int64_t y) {
        return std::array<float, 3>{float(x), float(y), 0.5f};
    });
}

// Raw working values over the image's extent, with small tiles so tile seams would show.
inline PixelBuffer renderExtent(const Image& image) {
    static const Context context({.threads = 0, .tileSize = 32});
    auto out = context.renderFloat(image, image.extent());
    EXPECT_TRUE(out.has_value());
    return out ? std::move(*out) : PixelBuffer();
}

inline std::array<float, 4> at(const PixelBuffer& b, std::int64_t x, std::int64_t y) {
    const float* p = b.at(x, y);
    return {p[0], p[1], p[2], p[3]};
}

// Largest difference of any component between two renders of the same rectangle.
inline float maxDifference(const PixelBuffer& a, const PixelBuffer& b) {
    EXPECT_EQ(a.rect(), b.rect());
    if (!(a.rect() == b.rect())) return INFINITY;
    float worst = 0;
    const std::size_t n = std::size_t(a.width() * a.height() * 4);
    for (std::size_t i = 0; i < n; ++i) worst = std::max(worst, std::abs(a.data()[i] - b.data()[i]));
    return worst;
}

}  // namespace vantrel::testing
