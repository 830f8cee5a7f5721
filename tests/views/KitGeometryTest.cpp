#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "views/kit/DragTracker.h"
#include "views/kit/Geometry.h"

namespace vantrel {
namespace {

TEST(KitGeometry, HalfOpenRectanglesLeaveOutTheRightAndBottomEdges) {
    const QRectF r(10, 20, 30, 40);
    EXPECT_TRUE(containsHalfOpen(r, {10, 20}));
    EXPECT_TRUE(containsHalfOpen(r, {39.999, 59.999}));
    EXPECT_FALSE(containsHalfOpen(r, {40, 30}));
    EXPECT_FALSE(containsHalfOpen(r, {20, 60}));
    EXPECT_FALSE(containsHalfOpen(r, {9.999, 30}));
    EXPECT_TRUE(r.contains(QPointF(40, 60)));  // what Qt's own test would say
    EXPECT_FALSE(containsHalfOpen(QRectF(5, 5, 0, 0), {5, 5}));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(containsHalfOpen(r, {nan, 30}));
    EXPECT_FALSE(containsHalfOpen(QRectF(0, 0, nan, 10), {1, 1}));
}

TEST(KitGeometry, FitLayoutCentresTheFrameAndFindsTheOneToOneScale) {
    // A wide frame fills the width.
    FitLayout wide = fitLayout({1000, 800}, {6000, 4000});
    EXPECT_DOUBLE_EQ(wide.rect.width(), 1000);
    EXPECT_NEAR(wide.rect.height(), 666.667, 0.001);
    EXPECT_NEAR(wide.rect.top(), (800 - 666.667) / 2, 0.001);
    EXPECT_DOUBLE_EQ(wide.rect.left(), 0);
    EXPECT_DOUBLE_EQ(wide.oneToOneScale, 6);

    // A tall frame fills the height; equal ratios count as wide.
    FitLayout tall = fitLayout({1000, 800}, {2000, 4000});
    EXPECT_DOUBLE_EQ(tall.rect.height(), 800);
    EXPECT_DOUBLE_EQ(tall.rect.width(), 400);
    EXPECT_DOUBLE_EQ(tall.rect.left(), 300);
    EXPECT_DOUBLE_EQ(fitLayout({500, 400}, {5, 4}).rect.width(), 500);

    // A frame smaller than the view: never below 1.
    EXPECT_DOUBLE_EQ(fitLayout({1000, 800}, {300, 200}).oneToOneScale, 1);

    // Views of 20 points or less, and frames without area, take the whole view.
    for (const auto& [view, image] : {std::pair{QSizeF(20, 500), QSizeF(600, 400)}, {QSizeF(500, 20), QSizeF(600, 400)},
                                      {QSizeF(500, 400), QSizeF(0, 400)}, {QSizeF(500, 400), QSizeF(600, -1)}}) {
        const FitLayout f = fitLayout(view, image);
        EXPECT_EQ(f.rect, QRectF(QPointF(0, 0), view));
        EXPECT_DOUBLE_EQ(f.oneToOneScale, 1);
    }
}

TEST(KitGeometry, PanStaysWhereTheImageCoversTheView) {
    const QSizeF view(1000, 800), fitted(1000, 666.67);
    // Zoom 2: 1000 over on the width, 533 over on the height: half of each.
    const QPointF l = panLimits(view, fitted, 2);
    EXPECT_DOUBLE_EQ(l.x(), 500);
    EXPECT_NEAR(l.y(), 266.67, 0.01);
    EXPECT_EQ(clampPan({900, -900}, view, fitted, 2), QPointF(500, -l.y()));
    EXPECT_EQ(clampPan({-120, 40}, view, fitted, 2), QPointF(-120, 40));
    // Zoom 1.1: the height is still smaller than the view, so it is pinned.
    EXPECT_DOUBLE_EQ(clampPan({30, 30}, view, fitted, 1.1).y(), 0);
    EXPECT_DOUBLE_EQ(clampPan({30, 30}, view, fitted, 1.1).x(), 30);
    // NaN anywhere gives a centred axis, never NaN.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(clampPan({nan, 10}, view, fitted, 2), QPointF(0, 10));
    EXPECT_EQ(clampPan({10, 10}, view, fitted, nan), QPointF(0, 0));
}

TEST(KitGeometry, UnitPointsMapIntoTheFittedRectangleAndBack) {
    const QRectF image(100, 50, 400, 200);
    EXPECT_EQ(fromUnit(image, {0.25, 0.5}), QPointF(200, 150));
    EXPECT_EQ(toUnit(image, {200, 150}), QPointF(0.25, 0.5));
    EXPECT_EQ(translationToUnit(image, {40, -20}), QPointF(0.1, -0.1));
    // An empty rectangle divides by nothing.
    EXPECT_EQ(toUnit(QRectF(10, 10, 0, 0), {30, 30}), QPointF(0, 0));
}

TEST(DragTracker, StartsAtTheMinimumDistanceAndMeasuresFromThePress) {
    DragTracker drag(10);
    EXPECT_FALSE(drag.move({5, 5}));  // nothing pressed
    drag.press({100, 100});
    EXPECT_FALSE(drag.move({106, 107.9}));  // 9.9 away
    EXPECT_FALSE(drag.isDragging());
    EXPECT_TRUE(drag.move({106, 108}));  // exactly 10: starts
    EXPECT_TRUE(drag.justStarted());
    EXPECT_EQ(drag.translation(), QPointF(6, 8));
    EXPECT_TRUE(drag.move({90, 95}));  // and stays started, even back near the press
    EXPECT_FALSE(drag.justStarted());
    EXPECT_EQ(drag.translation(), QPointF(-10, -5));
    EXPECT_EQ(drag.pressPoint(), QPointF(100, 100));
    EXPECT_EQ(drag.release(), DragTracker::Release::DragEnd);
    EXPECT_FALSE(drag.isPressed());
    EXPECT_EQ(drag.release(), DragTracker::Release::None);
}

TEST(DragTracker, PressAndReleaseWithoutAStartIsATap) {
    DragTracker drag;  // one point
    drag.press({0, 0});
    EXPECT_FALSE(drag.move({0.5, 0.5}));
    EXPECT_EQ(drag.release(), DragTracker::Release::Tap);

    // A cancelled gesture reports nothing, and the next press starts afresh.
    drag.press({0, 0});
    EXPECT_TRUE(drag.move({3, 0}));
    drag.cancel();
    EXPECT_EQ(drag.release(), DragTracker::Release::None);
    drag.press({50, 50});
    EXPECT_FALSE(drag.isDragging());
    EXPECT_TRUE(drag.move({52, 50}));
    EXPECT_EQ(drag.translation(), QPointF(2, 0));
}

}  // namespace
}  // namespace vantrel
