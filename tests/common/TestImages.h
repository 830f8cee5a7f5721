#pragma once
// Test images and renders shared by every test program: small images whose pixels say where
// they came from, images from a per-pixel function, and float renders through a real context
// with small tiles, so that tile seams would show.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>

#include "engine/core/Context.h"
#include "engine/core/FilterMath.h"
#include "engine/core/Image.h"

namespace vantrel::testing {

using kernels::Rgba;

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

// An image over `rect` whose pixel (x, y) of the plane is f(x, y) (premultiplied working values).
inline Image imageFrom(const Rect& rect, const std::function<Rgba(std::int64_t, std::int64_t)>& f) {
    PixelBuffer buffer(rect);
    for (std::int64_t y = rect.minY(); y < rect.maxY(); ++y)
        for (std::int64_t x = rect.minX(); x < rect.maxX(); ++x) {
            const Rgba c = f(x, y);
            float* p = buffer.at(x, y);
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
            p[3] = c.a;
        }
    return Image::fromBuffer(std::move(buffer));
}

// An opaque image over `rect` whose pixel (x, y) of the plane is f(x, y) (working rgb).
inline Image pipelineImage(const Rect& rect, const std::function<std::array<float, 3>(std::int64_t, std::int64_t)>& f) {
    return imageFrom(rect, [&f](std::int64_t x, std::int64_t y) {
        const auto c = f(x, y);
        return Rgba{c[0], c[1], c[2], 1.0f};
    });
}

// An opaque w × h image at the origin whose pixel at (x, y from the top) is f(x, y), the way
// files count rows.
inline Image imageOf(int w, int h, const std::function<std::array<float, 3>(int, int)>& f) {
    return pipelineImage(Rect{0, 0, w, h},
                         [&f, h](std::int64_t x, std::int64_t y) { return f(int(x), int(h - 1 - y)); });
}

// One colour over `rect`; opaque grey v.
inline Image flat(const Rect& rect, Rgba c) {
    return imageFrom(rect, [c](std::int64_t, std::int64_t) { return c; });
}
inline Image flat(const Rect& rect, float v) { return flat(rect, Rgba{v, v, v, 1}); }

// Pixel (x, y) of the plane, relative to the origin, holds (x, y, 0.5): any turn, flip or
// shift shows in the values.
inline Image positionImage(int w, int h) {
    return pipelineImage(Rect{0, 0, w, h}, [](std::int64_t x, std::int64_t y) {
        return std::array<float, 3>{float(x), float(y), 0.5f};
    });
}

// Working-space image whose pixel (x, y) of the plane (relative to the origin) holds
// (x, y, x + 1000 y, 1): every pixel tells where it came from.
inline Image coordinateImage(int w, int h, std::int64_t ox = 0, std::int64_t oy = 0) {
    return imageFrom(Rect{ox, oy, w, h}, [ox, oy](std::int64_t x, std::int64_t y) {
        return Rgba{float(x - ox), float(y - oy), float((x - ox) + 1000 * (y - oy)), 1.0f};
    });
}

// Raw working values of `image` over `rect`, rendered in 16-pixel tiles.
inline PixelBuffer renderWorking(const Image& image, const Rect& rect, int threads = 0) {
    Context context({.threads = threads, .tileSize = 16});
    auto out = context.renderFloat(image, rect);
    EXPECT_TRUE(out.has_value());
    return out ? std::move(*out) : PixelBuffer();
}

// Raw working values over the image's extent, in 32-pixel tiles.
inline PixelBuffer renderExtent(const Image& image) {
    static const Context context({.threads = 0, .tileSize = 32});
    auto out = context.renderFloat(image, image.extent());
    EXPECT_TRUE(out.has_value());
    return out ? std::move(*out) : PixelBuffer();
}

inline Rgba pixel(const PixelBuffer& b, std::int64_t x, std::int64_t y) {
    const float* p = b.at(x, y);
    return {p[0], p[1], p[2], p[3]};
}

inline std::array<float, 4> at(const PixelBuffer& b, std::int64_t x, std::int64_t y) {
    const float* p = b.at(x, y);
    return {p[0], p[1], p[2], p[3]};
}

inline void expectNear(Rgba actual, Rgba expected, float tol = 1e-6f) {
    EXPECT_NEAR(actual.r, expected.r, tol);
    EXPECT_NEAR(actual.g, expected.g, tol);
    EXPECT_NEAR(actual.b, expected.b, tol);
    EXPECT_NEAR(actual.a, expected.a, tol);
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
