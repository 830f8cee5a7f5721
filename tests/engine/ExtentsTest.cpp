#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "common/TestImages.h"
#include "engine/core/Context.h"
#include "engine/core/detail/Reference.h"

namespace vantrel {
namespace {

PixelBuffer render(const Image& im, const Rect& r) {
    static const Context ctx({4, 32});
    auto out = ctx.renderFloat(im, r);
    EXPECT_TRUE(out.has_value());
    return out ? std::move(*out) : PixelBuffer();
}

// Pixel (bx, by) of a buffer counted from its top-left corner.
const float* topLeft(const PixelBuffer& b, int bx, int by) { return b.view().rowFromTop(by) + 4 * bx; }

TEST(Extents, CropAndReorigin) {
    const Image im = testing::coordinateImage(10, 6);
    const Image c = im.cropped(Rect{2, 1, 5, 3});
    EXPECT_EQ(c.extent(), (Rect{2, 1, 5, 3}));
    const PixelBuffer b = render(c, Rect{0, 0, 10, 6});
    EXPECT_EQ(b.at(2, 1)[2], 2 + 1000 * 1);
    EXPECT_EQ(b.at(6, 3)[2], 6 + 1000 * 3);
    EXPECT_EQ(b.at(1, 1)[3], 0.0f);  // left of the crop
    EXPECT_EQ(b.at(7, 1)[3], 0.0f);  // right of it
    EXPECT_EQ(b.at(3, 4)[3], 0.0f);  // above it
    // Crops of crops intersect; a crop that misses is empty.
    EXPECT_EQ(c.cropped(Rect{0, 0, 4, 4}).extent(), (Rect{2, 1, 2, 3}));
    EXPECT_TRUE(im.cropped(Rect{20, 20, 5, 5}).isEmpty());
    EXPECT_TRUE(im.cropped(Rect{}).isEmpty());

    const Image r = c.reorigined();
    EXPECT_EQ(r.extent(), (Rect{0, 0, 5, 3}));
    EXPECT_EQ(render(r, r.extent()).at(0, 0)[2], 2 + 1000 * 1);
    const Image moved = im.translated(3, 4).translated(-1, 2);
    EXPECT_EQ(moved.extent(), (Rect{2, 6, 10, 6}));
    EXPECT_EQ(render(moved, moved.extent()).at(2 + 9, 6 + 5)[2], 9 + 1000 * 5);
}

TEST(Extents, YUpPlaneMapsBottomRowOfTheBuffer) {
    // Source rows are stored top first; plane row 0 is the bottom row of the picture.
    const int w = 7, h = 5;
    const SourcePixels px = testing::asymmetricPixels(w, h);
    const Image im = Image::fromPixels(testing::asymmetricPixels(w, h), ColorProfile::displayP3());
    EXPECT_EQ(im.extent(), (Rect{0, 0, w, h}));
    const Context ctx;
    const auto corner = ctx.makeBitmap(im, Rect{0, 0, 2, 2});  // bottom-left 2×2 of the plane
    ASSERT_TRUE(corner);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            for (int k = 0; k < 4; ++k) EXPECT_EQ(corner->at(x, y)[k], px.row(h - 2 + y)[4 * x + k]);
}

TEST(Extents, AllEightOrientationsPermuteExactly) {
    const int w = 5, h = 3;
    const std::int64_t ox = 10, oy = -4;
    const Image im = testing::coordinateImage(w, h, ox, oy);
    // Input buffer index for output buffer index, as the EXIF orientations define it.
    const std::function<void(int, int, int&, int&)> maps[9] = {
        nullptr,
        [&](int x, int y, int& ix, int& iy) { ix = x; iy = y; },
        [&](int x, int y, int& ix, int& iy) { ix = w - 1 - x; iy = y; },
        [&](int x, int y, int& ix, int& iy) { ix = w - 1 - x; iy = h - 1 - y; },
        [&](int x, int y, int& ix, int& iy) { ix = x; iy = h - 1 - y; },
        [&](int x, int y, int& ix, int& iy) { ix = y; iy = x; },
        [&](int x, int y, int& ix, int& iy) { ix = y; iy = h - 1 - x; },
        [&](int x, int y, int& ix, int& iy) { ix = w - 1 - y; iy = h - 1 - x; },
        [&](int x, int y, int& ix, int& iy) { ix = w - 1 - y; iy = x; },
    };
    for (int o = 1; o <= 8; ++o) {
        SCOPED_TRACE(o);
        const Image t = im.oriented(o);
        const bool swap = o >= 5;
        const int ow = swap ? h : w, oh = swap ? w : h;
        EXPECT_EQ(t.extent(), (Rect{ox, oy, ow, oh}));
        const PixelBuffer b = render(t, t.extent());
        for (int y = 0; y < oh; ++y)
            for (int x = 0; x < ow; ++x) {
                int ix, iy;
                maps[o](x, y, ix, iy);
                const float* p = topLeft(b, x, y);
                ASSERT_EQ(p[0], float(ix)) << x << "," << y;
                ASSERT_EQ(p[1], float(h - 1 - iy)) << x << "," << y;
                ASSERT_EQ(p[3], 1.0f);
            }
    }
    // Turning right four times gives the original, as one exact transform.
    const Image round = im.oriented(6).oriented(6).oriented(6).oriented(6);
    EXPECT_TRUE(round.isSameNode(im));
    EXPECT_EQ(im.oriented(0).extent(), im.extent());
}

TEST(Extents, ComposedTransformsSampleOnce) {
    const Image im = testing::coordinateImage(16, 12);
    // A rotation and its inverse fold to nothing: the input itself, no resampling.
    EXPECT_TRUE(im.transformed(AffineTransform::rotation(0.37)).transformed(AffineTransform::rotation(-0.37)).isSameNode(im));
    // A quarter turn through the general affine path is still an exact permutation.
    const Image q = im.transformed(AffineTransform::rotation(M_PI / 2));
    EXPECT_EQ(q.extent(), (Rect{-12, 0, 12, 16}));
    const PixelBuffer b = render(q, q.extent());
    EXPECT_EQ(b.at(-1, 0)[0], 0.0f);   // input (0, 0) lands at (-1, 0)
    EXPECT_EQ(b.at(-1, 0)[1], 0.0f);
    EXPECT_EQ(b.at(-12, 15)[0], 15.0f);  // input (15, 11)
    EXPECT_EQ(b.at(-12, 15)[1], 11.0f);
    // Bilinear sampling: half a pixel to the right averages neighbours.
    const Image half = im.transformed(AffineTransform::translation(0.5, 0));
    const PixelBuffer hb = render(half, Rect{0, 0, 16, 12});
    EXPECT_FLOAT_EQ(hb.at(5, 3)[0], 4.5f);
    EXPECT_FLOAT_EQ(hb.at(5, 3)[1], 3.0f);
    // Two scalings compose (one sampling) unless asked not to.
    const Image up = im.transformed(AffineTransform::scale(2, 2));
    const Image composed = up.transformed(AffineTransform::scale(0.5, 0.5));
    EXPECT_TRUE(composed.isSameNode(im));
    const Image twice = up.transformed(AffineTransform::scale(0.5, 0.5), {Sampling::bilinear, false});
    EXPECT_FALSE(twice.isSameNode(im));
    EXPECT_EQ(twice.extent(), im.extent());
    // A singular map gives nothing; a huge scale renders a small rect without a huge buffer.
    EXPECT_TRUE(im.transformed(AffineTransform::scale(0, 1)).isEmpty());
    const Image huge = im.transformed(AffineTransform::scale(1e9, 1e9));
    const std::int64_t far = 5'000'000'000;
    const PixelBuffer hp = render(huge, Rect{far, far, 4, 4});
    EXPECT_FLOAT_EQ(hp.at(far + 1, far + 1)[3], 1.0f);
    EXPECT_NEAR(hp.at(far + 1, far + 1)[0], 4.5f, 1e-3);
}

TEST(Extents, ClampToExtentRepeatsEdges) {
    const Image im = testing::coordinateImage(4, 3, 2, 2).clampedToExtent();
    EXPECT_TRUE(im.extent().isInfinite());
    const PixelBuffer b = render(im.cropped(Rect{-10, -10, 30, 30}), Rect{-10, -10, 30, 30});
    EXPECT_EQ(b.at(-10, -10)[2], 0.0f);          // below-left corner -> pixel (0, 0)
    EXPECT_EQ(b.at(19, 19)[2], 3 + 1000 * 2);   // above-right -> pixel (3, 2)
    EXPECT_EQ(b.at(3, 19)[2], 1 + 1000 * 2);    // above column 1
    EXPECT_EQ(b.at(3, 19)[3], 1.0f);
    // A clamped image cannot be rendered whole.
    EXPECT_FALSE(Context().makeBitmap(im));
}

}  // namespace
}  // namespace vantrel
