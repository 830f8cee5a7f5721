#pragma once
// Small helpers for the filter tests: images from a per-pixel function and
// float renders through a real context.
#include "engine/core/Context.h"
#include "engine/core/FilterMath.h"
#include "engine/core/Image.h"

#include <gtest/gtest.h>

#include <functional>

namespace vantrel::testing {

using kernels::Rgba;

// An image over `rect` whose pixel (x, y) is f(x, y) (premultiplied working values).
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

// Raw working values of `image` over `rect`, rendered with small tiles so that
// rows and tiles are split in several places.
inline PixelBuffer renderWorking(const Image& image, const Rect& rect, int threads = 0) {
    Context context({.threads = threads, .tileSize = 16});
    auto out = context.renderFloat(image, rect);
    EXPECT_TRUE(out.has_value());
    return out ? std::move(*out) : PixelBuffer();
}

inline Rgba pixel(const PixelBuffer& b, std::int64_t x, std::int64_t y) {
    const float* p = b.at(x, y);
    return {p[0], p[1], p[2], p[3]};
}

inline void expectNear(Rgba actual, Rgba expected, float tol) {
    EXPECT_NEAR(actual.r, expected.r, tol);
    EXPECT_NEAR(actual.g, expected.g, tol);
    EXPECT_NEAR(actual.b, expected.b, tol);
    EXPECT_NEAR(actual.a, expected.a, tol);
}

}  // namespace vantrel::testing
