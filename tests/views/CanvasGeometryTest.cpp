// The zoom canvas's and the comparison's arithmetic, without a window.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "views/canvas/CanvasGeometry.h"
#include "views/canvas/DownscaleCache.h"
#include "views/kit/Geometry.h"

namespace vantrel::canvas {
namespace {

TEST(CanvasGeometry, PinchIsHeldBetweenFittedAndThreeTimesActualPixels) {
    // 6000 x 4000 in 1000 x 800: fitted 1000 x 666.67, actual pixels at 6, pinch limit 18.
    const FitLayout fit = fitLayout({1000, 800}, {6000, 4000});
    EXPECT_DOUBLE_EQ(fit.rect.width(), 1000);
    EXPECT_NEAR(fit.rect.height(), 666.67, 0.01);
    EXPECT_DOUBLE_EQ(fit.oneToOneScale, 6);
    EXPECT_DOUBLE_EQ(maximumZoom(fit.oneToOneScale), 18);
    EXPECT_DOUBLE_EQ(pinchedZoom(10, 3, 6), 18);
    EXPECT_DOUBLE_EQ(pinchedZoom(2, 0.25, 6), 1);
    EXPECT_DOUBLE_EQ(pinchedZoom(2, 1.5, 6), 3);
    // A frame smaller than the canvas still zooms to 6.
    EXPECT_DOUBLE_EQ(maximumZoom(fitLayout({1000, 800}, {300, 200}).oneToOneScale), 6);
    EXPECT_DOUBLE_EQ(pinchedZoom(5, 4, 1), 6);
    // Steps that are not numbers, or not positive, change nothing.
    EXPECT_DOUBLE_EQ(pinchedZoom(2, std::numeric_limits<double>::quiet_NaN(), 6), 2);
    EXPECT_DOUBLE_EQ(pinchedZoom(2, 0, 6), 2);
    EXPECT_DOUBLE_EQ(pinchedZoom(2, std::numeric_limits<double>::infinity(), 6), 2);
}

TEST(CanvasGeometry, DoubleTapZoomsToActualPixelsAtThePointOrBackToFit) {
    const QSizeF view(1000, 800), image(6000, 4000);
    // At the centre: actual pixels, no pan.
    ZoomPan t = doubleTapTarget(view, image, 1.0, {500, 400});
    EXPECT_DOUBLE_EQ(t.zoom, 6);
    EXPECT_DOUBLE_EQ(t.pan.x(), 0);
    EXPECT_DOUBLE_EQ(t.pan.y(), 0);
    // Off centre: the tapped point comes to the centre.
    t = doubleTapTarget(view, image, 1.0, {400, 350});
    EXPECT_DOUBLE_EQ(t.pan.x(), 600);
    EXPECT_DOUBLE_EQ(t.pan.y(), 300);
    // Near a corner the pan stops where the picture still covers the canvas:
    // limits (6000 - 1000) / 2 = 2500 and (4000 - 800) / 2 = 1600.
    t = doubleTapTarget(view, image, 1.0, {10, 10});
    EXPECT_DOUBLE_EQ(t.pan.x(), 2500);
    EXPECT_NEAR(t.pan.y(), 1600, 1e-9);
    // 1.05 is not zoomed in yet; 1.051 is, and goes back to fitted.
    EXPECT_DOUBLE_EQ(doubleTapTarget(view, image, 1.05, {500, 400}).zoom, 6);
    t = doubleTapTarget(view, image, 1.051, {10, 10});
    EXPECT_DOUBLE_EQ(t.zoom, 1);
    EXPECT_EQ(t.pan, QPointF());
    // A canvas of 20 points or less, or an image without area: fitted is 1:1, no pan.
    t = doubleTapTarget({20, 500}, image, 1.0, {0, 0});
    EXPECT_DOUBLE_EQ(t.zoom, 1);
    EXPECT_EQ(t.pan, QPointF());
    t = doubleTapTarget(view, {0, 4000}, 1.0, {0, 0});
    EXPECT_DOUBLE_EQ(t.zoom, 1);
    EXPECT_EQ(t.pan, QPointF());
}

TEST(CanvasGeometry, HoldingTheOriginalOverridesEveryLayout) {
    const QSizeF view(1000, 500), original(300, 200), processed(600, 400);
    for (CompareMode mode : allCases<CompareMode>()) {
        const CompareLayout layout = compareLayout(mode, true, view, original, processed, 0.3);
        ASSERT_EQ(layout.layers.size(), 1u) << rawValue(mode);
        EXPECT_EQ(layout.layers[0].image, CompareImage::original);
        EXPECT_EQ(layout.layers[0].rect, QRectF(125, 0, 750, 500));  // fitted and centred
        EXPECT_FALSE(layout.layers[0].clip);
        EXPECT_FALSE(layout.dividerX);
        ASSERT_EQ(layout.badges.size(), 1u);
        EXPECT_EQ(layout.badges[0].label, BadgeLabel::reference);
        EXPECT_EQ(layout.badges[0].colour, StandardColor::Orange);
        EXPECT_EQ(layout.badges[0].anchor, QPointF(133, 8));
        // Without an original nothing is drawn, whatever the mode.
        const CompareLayout empty = compareLayout(mode, true, view, {}, processed, 0.3);
        EXPECT_TRUE(empty.layers.empty());
        EXPECT_TRUE(empty.badges.empty());
    }
}

TEST(CanvasGeometry, FullShowsTheDevelopedFrameElseTheOriginalWithoutBadges) {
    const QSizeF view(1000, 500);
    CompareLayout layout = compareLayout(CompareMode::full, false, view, {300, 200}, {500, 500}, 0.5);
    ASSERT_EQ(layout.layers.size(), 1u);
    EXPECT_EQ(layout.layers[0].image, CompareImage::processed);
    EXPECT_EQ(layout.layers[0].rect, QRectF(250, 0, 500, 500));
    EXPECT_TRUE(layout.badges.empty());
    layout = compareLayout(CompareMode::full, false, view, {300, 200}, {}, 0.5);
    ASSERT_EQ(layout.layers.size(), 1u);
    EXPECT_EQ(layout.layers[0].image, CompareImage::original);
    EXPECT_TRUE(layout.badges.empty());
    EXPECT_TRUE(compareLayout(CompareMode::full, false, view, {}, {}, 0.5).layers.empty());
}

TEST(CanvasGeometry, SideBySidePanesTakeAtMostTheirShareOfTheWidth) {
    const QSizeF view(1000, 900);
    const CompareLayout layout = compareLayout(CompareMode::sideBySide, false, view, {3000, 2000}, {3000, 2000}, 0.5);
    ASSERT_EQ(layout.layers.size(), 2u);
    const QRectF left = layout.layers[0].rect, right = layout.layers[1].rect;
    EXPECT_EQ(layout.layers[0].image, CompareImage::original);
    EXPECT_EQ(layout.layers[1].image, CompareImage::processed);
    EXPECT_DOUBLE_EQ(left.width(), 495);
    EXPECT_DOUBLE_EQ(right.width(), 495);
    EXPECT_DOUBLE_EQ(right.left() - left.right(), 4);
    EXPECT_DOUBLE_EQ(left.left(), 1000 - right.right());  // centred
    EXPECT_DOUBLE_EQ(left.top(), (900 - 330) / 2.0);
    ASSERT_EQ(layout.badges.size(), 2u);
    EXPECT_EQ(layout.badges[0].colour, StandardColor::Grey);
    EXPECT_EQ(layout.badges[0].anchor, left.topLeft() + QPointF(8, 8));
    EXPECT_EQ(layout.badges[1].colour, StandardColor::Accent);
    EXPECT_EQ(layout.badges[1].anchor, right.topLeft() + QPointF(8, 8));
    // Tall frames are limited by the height; one missing pane leaves the other centred alone.
    const CompareLayout tall = compareLayout(CompareMode::sideBySide, false, view, {100, 900}, {}, 0.5);
    ASSERT_EQ(tall.layers.size(), 1u);
    EXPECT_EQ(tall.layers[0].rect, QRectF(450, 0, 100, 900));
    EXPECT_EQ(tall.badges.size(), 1u);
}

TEST(CanvasGeometry, SplitShowsTheOriginalLeftOfTheDivider) {
    const QSizeF view(800, 600);
    CompareLayout layout = compareLayout(CompareMode::split, false, view, {400, 300}, {400, 300}, 0.25);
    ASSERT_EQ(layout.layers.size(), 2u);
    EXPECT_EQ(layout.layers[0].image, CompareImage::processed);
    EXPECT_FALSE(layout.layers[0].clip);
    EXPECT_EQ(layout.layers[1].image, CompareImage::original);
    EXPECT_EQ(*layout.layers[1].clip, QRectF(0, 0, 200, 600));
    EXPECT_EQ(*layout.dividerX, 200);
    ASSERT_EQ(layout.badges.size(), 2u);
    EXPECT_EQ(layout.badges[0].anchor, QPointF(20, 20));
    EXPECT_TRUE(layout.badges[1].trailing);
    EXPECT_EQ(layout.badges[1].anchor, QPointF(780, 20));
    EXPECT_DOUBLE_EQ(layout.badges[0].opacity, 0.8);
    // Narrower images keep to the leading edge, so the mask edge and the divider meet.
    layout = compareLayout(CompareMode::split, false, view, {100, 300}, {200, 300}, 0.5);
    EXPECT_EQ(layout.layers[0].rect, QRectF(0, 0, 400, 600));
    EXPECT_EQ(layout.layers[1].rect, QRectF(0, 0, 200, 600));
    // A missing image drops its layer, not the divider.
    layout = compareLayout(CompareMode::split, false, view, {}, {400, 300}, 0.5);
    EXPECT_EQ(layout.layers.size(), 1u);
    EXPECT_TRUE(layout.dividerX);
}

TEST(CanvasGeometry, TheDividerStaysWithinItsLimitsAndSurvivesAZeroWidth) {
    EXPECT_DOUBLE_EQ(splitRatioAt(150, 600, 0.5), 0.25);
    EXPECT_DOUBLE_EQ(splitRatioAt(-40, 600, 0.5), 0.02);
    EXPECT_DOUBLE_EQ(splitRatioAt(900, 600, 0.5), 0.98);
    // No width: the ratio it had, never a NaN.
    EXPECT_DOUBLE_EQ(splitRatioAt(10, 0, 0.3), 0.3);
    EXPECT_DOUBLE_EQ(splitRatioAt(0, 0, 0.3), 0.3);
    EXPECT_DOUBLE_EQ(splitRatioAt(std::numeric_limits<double>::quiet_NaN(), 600, 0.3), 0.3);
    // The 44-point band around the line, half-open.
    EXPECT_TRUE(onDivider({178, 10}, {600, 400}, 200));
    EXPECT_TRUE(onDivider({221.9, 399}, {600, 400}, 200));
    EXPECT_FALSE(onDivider({222, 10}, {600, 400}, 200));
    EXPECT_FALSE(onDivider({177.9, 10}, {600, 400}, 200));
    EXPECT_FALSE(onDivider({200, 400}, {600, 400}, 200));
}

}  // namespace
}  // namespace vantrel::canvas

namespace vantrel {
namespace {

TEST(DownscaleCache, MakesACopyOnlyForAPictureDrawnTwiceAtOneSize) {
    QImage picture(400, 300, QImage::Format_RGBA8888_Premultiplied);
    picture.fill(QColor(10, 200, 30));
    DownscaleCache cache;
    // The first request is drawn on the fly; the same again makes the copy.
    EXPECT_EQ(cache.lookup(picture, {200, 150}), nullptr);
    EXPECT_TRUE(cache.isPending());
    const QImage* copy = cache.lookup(picture, {200, 150});
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->size(), QSize(200, 150));
    EXPECT_EQ(copy->format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(copy->pixelColor(100, 75), QColor(10, 200, 30));
    EXPECT_EQ(cache.lookup(picture, {200, 150}), copy);
    // A zoom on its way asks for a new size each time: nothing is made.
    EXPECT_EQ(cache.lookup(picture, {210, 158}), nullptr);
    EXPECT_EQ(cache.lookup(picture, {220, 165}), nullptr);
    // Coming to rest makes the last one asked for.
    EXPECT_TRUE(cache.settle());
    EXPECT_FALSE(cache.settle());
    ASSERT_NE(cache.lookup(picture, {220, 165}), nullptr);
    // A new picture of the same size is not mistaken for the old one.
    QImage next = picture.copy();
    next.fill(Qt::black);
    EXPECT_EQ(cache.lookup(next, {220, 165}), nullptr);
    EXPECT_EQ(cache.lookup(next, {220, 165})->pixelColor(5, 5), QColor(Qt::black));
    // Too large a copy, or nothing to draw: never kept.
    EXPECT_EQ(cache.lookup(picture, {5000, 4000}), nullptr);
    EXPECT_EQ(cache.lookup(picture, {5000, 4000}), nullptr);
    EXPECT_EQ(cache.lookup(QImage(), {20, 20}), nullptr);
    EXPECT_EQ(cache.lookup(picture, {0, 20}), nullptr);
    EXPECT_FALSE(cache.isPending());
}

}  // namespace
}  // namespace vantrel
