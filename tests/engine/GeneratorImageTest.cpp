#include "common/TestImages.h"
#include "engine/filters/Generators.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

using kernels::Rgba;
using testing::expectNear;
using testing::pixel;
using testing::renderWorking;

TEST(GeneratorImage, GradientsAtTheirEndsAndMidpoints) {
    // A vertical mask ramp over a 10 × 100 frame: white-opaque at the top, clear at the bottom.
    const Rect frame{0, 0, 10, 100};
    const Image linear = linearGradient({5, 100, 5, 0, {1, 1, 1, 1}, {0, 0, 0, 0}}).cropped(frame);
    EXPECT_EQ(linear.extent(), frame);
    const PixelBuffer l = renderWorking(linear, frame);
    EXPECT_NEAR(pixel(l, 3, 99).a, 1.0f - 0.5f / 100, 1e-6f);  // top row centre is half a pixel in
    EXPECT_NEAR(pixel(l, 3, 0).a, 0.5f / 100, 1e-6f);
    EXPECT_NEAR(pixel(l, 3, 49).g, 0.495f, 1e-6f);  // centre 49.5: t = 0.505 towards clear
    EXPECT_NEAR(pixel(l, 3, 50).g, 0.505f, 1e-6f);
    EXPECT_EQ(pixel(l, 0, 20).g, pixel(l, 9, 20).g);  // constant across the ramp

    // Radial: colour 0 inside radius 0, colour 1 beyond radius 1, linear between.
    const WorkingColor warm = color::workingFromSRGB(1.0, 0.45, 0.1, 0.8);
    const Rect square{-50, -50, 100, 100};
    const Image radial = radialGradient({0, 0, 10, 30, warm, {0, 0, 0, 0}}).cropped(square);
    const PixelBuffer r = renderWorking(radial, square);
    expectNear(pixel(r, 0, 0), {warm.r, warm.g, warm.b, warm.a}, 1e-6f);
    const float t = (std::hypot(20.5f, 0.5f) - 10) / 20;  // pixel (20, 0) has its centre at (20.5, 0.5)
    expectNear(pixel(r, 20, 0), {warm.r * (1 - t), warm.g * (1 - t), warm.b * (1 - t), warm.a * (1 - t)}, 1e-6f);
    expectNear(pixel(r, -40, 30), {}, 0);
    EXPECT_NEAR(warm.a, 0.8f, 1e-6f);
    EXPECT_NEAR(warm.r / warm.a, 0.8528f, 1e-4f);  // colour arguments are decoded sRGB in P3 primaries

    // An ellipse stretched twice as tall: the same value twice as far up as across.
    const Image ellipse = radialGradient({0, 0, 0, 40, {1, 1, 1, 1}, {0, 0, 0, 1}, 1, 2}).cropped(square);
    const PixelBuffer e = renderWorking(ellipse, square);
    // Pixel (9, -1) has its centre at (9.5, -0.5), pixel (0, 19) at (0.5, 19.5).
    EXPECT_NEAR(pixel(e, 9, -1).g, 1 - std::hypot(9.5f, 0.25f) / 40, 1e-6f);
    EXPECT_NEAR(pixel(e, 0, 19).g, 1 - std::hypot(0.5f, 9.75f) / 40, 1e-6f);

    // Plain colours.
    const PixelBuffer grey = renderWorking(colorImage(0.5, 0.5, 0.5).cropped({0, 0, 2, 2}), {0, 0, 2, 2});
    EXPECT_NEAR(pixel(grey, 1, 1).r, 0.2140f, 1e-4f);
    EXPECT_EQ(pixel(grey, 1, 1).a, 1.0f);
}

TEST(GeneratorImage, NoiseDependsOnlyOnPosition) {
    const Rect a{-37, 11, 64, 40};
    const Image noise = randomNoise();
    EXPECT_TRUE(noise.extent().isInfinite());
    const PixelBuffer many = renderWorking(noise.cropped(a), a);
    const PixelBuffer one = renderWorking(noise.cropped(a), a, 1);
    for (std::int64_t y = a.minY(); y < a.maxY(); ++y)
        for (std::int64_t x = a.minX(); x < a.maxX(); ++x) {
            const Rgba expected = kernels::RandomNoise::at(int32_t(x), int32_t(y));
            ASSERT_EQ(pixel(many, x, y), expected);
            ASSERT_EQ(pixel(one, x, y), expected);
        }
    // The same place in another crop gets the same noise.
    const Rect b{0, 20, 5, 5};
    EXPECT_EQ(pixel(renderWorking(noise.cropped(b), b), 2, 22), pixel(many, 2, 22));
}

}  // namespace
}  // namespace vantrel
