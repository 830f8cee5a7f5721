// The scaled scan kept between renders: the same pixels as the lazy scale-down, reused only
// for the same image at the same scale.
#include <gtest/gtest.h>

#include <cstring>
#include <stop_token>

#include "common/TestImages.h"
#include "engine/color/ColorFilters.h"
#include "engine/core/ScaledImageCache.h"
#include "engine/stages/GeometryStage.h"

namespace vantrel::testing {
namespace {

bool sameBytes(const PixelBuffer& a, const PixelBuffer& b) {
    return a.rect() == b.rect() &&
           std::memcmp(a.data(), b.data(), std::size_t(a.width() * a.height()) * 4 * sizeof(float)) == 0;
}

TEST(ScaledImageCacheTest, KeptPixelsAreThoseOfTheLazyScaleDownAndDownstreamRendersAlike) {
    const Context context({.threads = 0, .tileSize = 64});
    // A 16-bit scan of odd size, so the scaled extent's rounding matters.
    const Image scan = Image::fromPixels(asymmetricPixels(301, 203));
    ScaledImageCache cache;
    const double scale = 157.0 / 301.0;
    const std::optional<Image> kept = cache.scaled(scan, scale, context);
    ASSERT_TRUE(kept);
    const Image lazy = scan.transformed(AffineTransform::scale(scale, scale));
    EXPECT_EQ(kept->extent(), lazy.extent());
    EXPECT_TRUE(sameBytes(renderWorking(*kept, kept->extent()), renderWorking(lazy, lazy.extent())));
    // What is built on it (a tilt that reads past the edge, a colour filter) renders the same
    // bytes as when built on the lazy scale-down.
    CropParameters crop = CropParameters::defaultValue();
    crop.straightenAngle = 3;
    const auto develop = [&](const Image& in) {
        ColorControlsParameters p;
        p.contrast = 1.2f;
        return colorControls(applyGeometry(in, crop, Framing::cropped), p);
    };
    const Image a = develop(*kept), b = develop(lazy);
    ASSERT_EQ(a.extent(), b.extent());
    EXPECT_TRUE(sameBytes(renderWorking(a, a.extent()), renderWorking(b, b.extent())));
    const auto bitmapA = context.makeBitmap(a), bitmapB = context.makeBitmap(b);
    ASSERT_TRUE(bitmapA && bitmapB);
    EXPECT_TRUE(bitmapA->pixels == bitmapB->pixels);
}

TEST(ScaledImageCacheTest, ReusedOnlyForTheSameImageAndScale) {
    const Context context;
    const Image scan = Image::fromPixels(asymmetricPixels(120, 80));
    ScaledImageCache cache;
    const Image first = *cache.scaled(scan, 0.5, context);
    EXPECT_TRUE(cache.scaled(scan, 0.5, context)->isSameNode(first));
    // The same pixels in another image, or another scale: computed anew.
    const Image twin = Image::fromPixels(asymmetricPixels(120, 80));
    EXPECT_FALSE(cache.scaled(twin, 0.5, context)->isSameNode(first));
    EXPECT_FALSE(cache.scaled(scan, 0.25, context)->isSameNode(first));
    // One kept: the first has gone.
    EXPECT_EQ(cache.count(), 1u);
    EXPECT_FALSE(cache.scaled(scan, 0.5, context)->isSameNode(first));

    ScaledImageCache two(2);
    const Image half = *two.scaled(scan, 0.5, context);
    const Image quarter = *two.scaled(scan, 0.25, context);
    EXPECT_TRUE(two.scaled(scan, 0.5, context)->isSameNode(half));
    EXPECT_TRUE(two.scaled(scan, 0.25, context)->isSameNode(quarter));
    two.clear();
    EXPECT_EQ(two.count(), 0u);
}

TEST(ScaledImageCacheTest, NoScaleDownAStoppedRenderAndImagesWithoutPixels) {
    const Context context;
    const Image scan = Image::fromPixels(asymmetricPixels(64, 48));
    ScaledImageCache cache;
    // Not smaller: the image itself, nothing kept.
    for (double scale : {1.0, 1.5, 0.0, -1.0}) EXPECT_TRUE(cache.scaled(scan, scale, context)->isSameNode(scan)) << scale;
    EXPECT_EQ(cache.count(), 0u);
    // A stopped render gives nothing and keeps nothing: the next call computes it whole.
    std::stop_source stop;
    stop.request_stop();
    EXPECT_FALSE(cache.scaled(scan, 0.5, context, stop.get_token()));
    EXPECT_EQ(cache.count(), 0u);
    const std::optional<Image> whole = cache.scaled(scan, 0.5, context);
    ASSERT_TRUE(whole);
    EXPECT_TRUE(sameBytes(renderWorking(*whole, whole->extent()),
                          renderWorking(scan.transformed(AffineTransform::scale(0.5, 0.5)), whole->extent())));
    // Empty and endless images are left as they are.
    EXPECT_TRUE(cache.scaled(Image(), 0.5, context)->isEmpty());
    const Image endless = Image::constant(WorkingColor{0.5f, 0.5f, 0.5f, 1});
    EXPECT_TRUE(cache.scaled(endless, 0.5, context)->isSameNode(endless));
}

}  // namespace
}  // namespace vantrel::testing
