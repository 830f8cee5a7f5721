#include <gtest/gtest.h>

#include "TestImages.h"
#include "engine/ColorKernel.h"
#include "engine/Context.h"

namespace vantrel {
namespace {

TEST(Outputs, BitmapOfSourceRoundTripsAndRejectsBadRects) {
    const Context ctx;
    const Image src = Image::fromPixels(testing::asymmetricPixels(9, 5), ColorProfile::displayP3());
    auto bmp = ctx.makeBitmap(src);
    ASSERT_TRUE(bmp);
    ASSERT_EQ(bmp->width, 9);
    ASSERT_EQ(bmp->height, 5);
    const SourcePixels ref = testing::asymmetricPixels(9, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x)
            for (int k = 0; k < 4; ++k) ASSERT_EQ(bmp->at(x, y)[k], ref.row(y)[4 * x + k]) << x << "," << y;
    EXPECT_FALSE(ctx.makeBitmap(src, Rect{}));
    EXPECT_FALSE(ctx.makeBitmap(Image::constant({1, 1, 1, 1})));
    EXPECT_FALSE(ctx.makeBitmap(src, Rect{0, 0, std::int64_t(1) << 40, 10}));
    EXPECT_FALSE(ctx.makeBitmap(Image()));
}

TEST(Outputs, ColorFilterWorksOnStraightColour) {
    const Context ctx;
    const Image half = Image::constant({0.2f, 0.1f, 0.05f, 0.5f}).cropped(Rect{0, 0, 4, 4});
    const Image inv = colorFilter(half, [](float* c) {
        c[0] = 1 - c[0];
        c[1] = 1 - c[1];
        c[2] = 1 - c[2];
    });
    auto f = ctx.renderFloat(inv, Rect{0, 0, 4, 4});
    ASSERT_TRUE(f);
    const float* p = f->at(1, 1);
    EXPECT_FLOAT_EQ(p[0], 0.5f * (1 - 0.4f));
    EXPECT_FLOAT_EQ(p[1], 0.5f * (1 - 0.2f));
    EXPECT_FLOAT_EQ(p[3], 0.5f);
}

}  // namespace
}  // namespace vantrel
