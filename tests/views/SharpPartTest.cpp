// The sharp part of a zoomed frame, drawn by the comparison over the developed
// frame where it lies, and only where the developed frame shows.
#include <QTest>
#include <gtest/gtest.h>

#include "ViewTestSupport.h"
#include "views/canvas/SplitCompareView.h"

namespace vantrel {
namespace {

using test::colourNear;
using test::CountedValue;
using test::filledImage;

const QColor kBefore(200, 40, 40);
const QColor kAfter(40, 60, 200);
const QColor kSharp(30, 200, 60);

TEST(SharpPart, DrawnOverTheDevelopedFrameWhereItLiesAndNowhereElse) {
    CountedValue<bool> holding{false};
    CountedValue<CompareMode> mode{CompareMode::full};
    QImage sharp = filledImage({300, 150}, kSharp);
    QRectF unit(0.5, 0.25, 0.25, 0.5);  // the frame's middle-right quarter
    SplitCompareView view{[] { return filledImage({400, 300}, kBefore); },
                          [] { return filledImage({200, 150}, kAfter); }, holding.binding(), mode.binding()};
    view.setSharpPart([&] { return sharp; }, [&] { return unit; });
    ASSERT_TRUE(test::showExposed(view, {400, 300}));

    // Full: the part covers x 200..300, y 75..225 of the 400 x 300 frame.
    EXPECT_TRUE(colourNear(test::pixelAt(view, {250, 150}), kSharp));
    EXPECT_TRUE(colourNear(test::pixelAt(view, {205, 80}), kSharp));
    EXPECT_TRUE(colourNear(test::pixelAt(view, {195, 150}), kAfter));
    EXPECT_TRUE(colourNear(test::pixelAt(view, {305, 150}), kAfter));
    EXPECT_TRUE(colourNear(test::pixelAt(view, {250, 70}), kAfter));

    // Split at the middle: the original's side shows no part of the developed frame.
    *mode.value = CompareMode::split;
    unit = QRectF(0.25, 0.25, 0.5, 0.5);
    view.refresh();
    EXPECT_TRUE(colourNear(test::pixelAt(view, {150, 150}), kBefore));
    EXPECT_TRUE(colourNear(test::pixelAt(view, {260, 150}), kSharp));

    // Holding the original hides it; with no part the developed frame shows.
    *holding.value = true;
    view.refresh();
    EXPECT_TRUE(colourNear(test::pixelAt(view, {260, 150}), kBefore));
    *holding.value = false;
    *mode.value = CompareMode::full;
    sharp = QImage();
    view.refresh();
    EXPECT_TRUE(colourNear(test::pixelAt(view, {250, 150}), kAfter));
}

}  // namespace
}  // namespace vantrel
