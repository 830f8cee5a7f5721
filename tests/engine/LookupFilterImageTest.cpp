#include "common/TestImages.h"
#include "engine/color/LookupFilters.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

using kernels::Rgba;
using testing::imageFrom;
using testing::pixel;
using testing::renderWorking;

const Rect kRect{3, -4, 20, 9};
Rgba rampPixel(std::int64_t x, std::int64_t y) {
    const float u = float(x - 3) / 19.0f, v = float(y + 4) / 8.0f;
    const float a = y == 0 ? 0.5f : 1.0f;
    return kernels::premultiplied({1.4f * u - 0.2f, v, 1.0f - u, a});
}
Image ramp() { return imageFrom(kRect, rampPixel); }

TEST(LookupFilterImage, IdentityCubeAndStraightCurveKeepTheImage) {
    const Image input = ramp();
    const PixelBuffer cubed = renderWorking(colorCube(input, identityColorCube(32)), kRect);
    ColorCurvesParameters straight;
    for (int i = 0; i < 256; ++i) straight.curvesData.insert(straight.curvesData.end(), 3, float(i) / 255.0f);
    const PixelBuffer curved = renderWorking(colorCurves(input, straight), kRect);
    for (std::int64_t y = kRect.minY(); y < kRect.maxY(); ++y)
        for (std::int64_t x = kRect.minX(); x < kRect.maxX(); ++x) {
            const Rgba c = rampPixel(x, y);
            const float a = c.a;
            // The cube clamps to [0, 1]; the curve passes extended values through.
            const Rgba clamped{std::clamp(c.r / a, 0.0f, 1.0f) * a, std::clamp(c.g / a, 0.0f, 1.0f) * a,
                               std::clamp(c.b / a, 0.0f, 1.0f) * a, a};
            testing::expectNear(pixel(cubed, x, y), clamped, 2e-6f);
            testing::expectNear(pixel(curved, x, y), c, 2e-5f);
        }
}

TEST(LookupFilterImage, MalformedTablesLeaveTheImage) {
    const Image input = ramp();
    ColorCubeParameters shortCube = identityColorCube(8);
    shortCube.cubeData.resize(100);
    EXPECT_TRUE(colorCube(input, shortCube).isSameNode(input));
    EXPECT_TRUE(colorCurves(input, {{}, {0, 1}}).isSameNode(input));
    EXPECT_TRUE(colorCurves(input, {{0, 0, 0, 1, 1, 1}, {1, 0}}).isSameNode(input));
    EXPECT_FALSE(colorCurves(input, {{0, 0, 0, 1, 1, 1}, {0, 1}}).isSameNode(input));
}

}  // namespace
}  // namespace vantrel
