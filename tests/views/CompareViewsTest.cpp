// The before/after comparison and its bar, driven as a user does and checked
// by pixel: the layouts, the divider, holding the original, the bar's states,
// and the sharp part of a zoomed frame drawn over the developed frame.
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

#include "ViewTestSupport.h"
#include "views/canvas/CompareControlHUDView.h"
#include "views/canvas/SplitCompareView.h"
#include "views/kit/DarkroomTheme.h"
#include "views/kit/StandardColors.h"

namespace vantrel {
namespace {

using test::colourNear;
using test::CountedValue;
using test::filledImage;

const QColor kBefore(200, 40, 40);
const QColor kAfter(40, 60, 200);
const QColor kSharp(30, 200, 60);

struct Comparison {
    CountedValue<bool> holding{false};
    CountedValue<CompareMode> mode{CompareMode::split};
    QImage before = filledImage({400, 300}, kBefore);
    QImage after = filledImage({400, 300}, kAfter);
    SplitCompareView view{[this] { return before; }, [this] { return after; }, holding.binding(), mode.binding()};

    void set(CompareMode m, bool hold) {
        *mode.value = m;
        *holding.value = hold;
        view.refresh();
    }
    QColor at(QPoint p) { return test::pixelAt(view, p); }
};

TEST(SplitCompare, SplitShowsTheOriginalLeftOfADividerThatFollowsThePointer) {
    Comparison c;
    ASSERT_TRUE(test::showExposed(c.view, {400, 300}));
    test::saveShot(c.view, "compare-split");
    EXPECT_TRUE(colourNear(c.at({100, 200}), kBefore));
    EXPECT_TRUE(colourNear(c.at({300, 200}), kAfter));
    EXPECT_TRUE(colourNear(c.at({200, 60}), QColor(255, 255, 255), 40));  // the line
    // The badges, on grey and on the accent colour, in the top corners.
    EXPECT_FALSE(colourNear(c.at({24, 26}), kBefore, 30));
    EXPECT_FALSE(colourNear(c.at({376, 26}), kAfter, 30));

    // A drag starting anywhere on the band moves the divider to the pointer.
    test::drag(&c.view, {215, 150}, {300, 150});
    EXPECT_DOUBLE_EQ(c.view.splitRatio(), 0.75);
    EXPECT_TRUE(colourNear(c.at({260, 200}), kBefore));
    test::drag(&c.view, {300, 150}, {-200, 150});
    EXPECT_DOUBLE_EQ(c.view.splitRatio(), 0.02);
    test::drag(&c.view, {8, 150}, {900, 150});
    EXPECT_DOUBLE_EQ(c.view.splitRatio(), 0.98);
    // Away from the band the press is the canvas's: the divider stays.
    test::drag(&c.view, {100, 150}, {200, 150});
    EXPECT_DOUBLE_EQ(c.view.splitRatio(), 0.98);
    EXPECT_EQ(c.holding.writeCount() + c.mode.writeCount(), 0);  // the view only reads its bindings

    // Holding shows the original alone; letting go brings the same split back.
    test::drag(&c.view, {392, 150}, {100, 150});
    c.set(CompareMode::split, true);
    EXPECT_TRUE(colourNear(c.at({300, 200}), kBefore));
    c.set(CompareMode::split, false);
    EXPECT_DOUBLE_EQ(c.view.splitRatio(), 0.25);
    EXPECT_TRUE(colourNear(c.at({300, 200}), kAfter));
}

TEST(SplitCompare, HoldingOverridesEveryModeWithTheOriginalOnOrange) {
    Comparison c;
    c.before = filledImage({200, 300}, kBefore);  // narrower: the background shows beside it
    ASSERT_TRUE(test::showExposed(c.view, {400, 300}));
    const QColor orange = standardColor(StandardColor::Orange, 0.85);
    for (CompareMode mode : allCases<CompareMode>()) {
        c.set(mode, true);
        EXPECT_TRUE(colourNear(c.at({200, 200}), kBefore)) << rawValue(mode);
        EXPECT_TRUE(colourNear(c.at({50, 200}), DarkroomTheme::raisedBackground())) << rawValue(mode);
        EXPECT_TRUE(colourNear(c.at({350, 200}), DarkroomTheme::raisedBackground())) << rawValue(mode);
        // The badge's bubble in the image's corner, orange over red.
        const QColor badge = c.at({102 + 8, 8 + 3});
        EXPECT_GT(badge.green(), kBefore.green() + 40) << rawValue(mode);
        EXPECT_GT(orange.alphaF(), 0.5);
    }
    test::saveShot(c.view, "compare-holding");
    // Without an original, holding shows the background alone.
    c.before = QImage();
    c.set(CompareMode::full, true);
    EXPECT_TRUE(colourNear(c.at({200, 150}), DarkroomTheme::raisedBackground()));
}

TEST(SplitCompare, SideBySidePanesAndFullFallbacks) {
    Comparison c;
    ASSERT_TRUE(test::showExposed(c.view, {400, 300}));
    c.set(CompareMode::sideBySide, false);
    test::saveShot(c.view, "compare-side-by-side");
    // Two panes 198 wide, 4 apart, centred: background at the middle.
    EXPECT_TRUE(colourNear(c.at({100, 150}), kBefore));
    EXPECT_TRUE(colourNear(c.at({300, 150}), kAfter));
    EXPECT_TRUE(colourNear(c.at({200, 150}), DarkroomTheme::raisedBackground()));
    EXPECT_TRUE(colourNear(c.at({100, 40}), DarkroomTheme::raisedBackground()));  // letterboxed

    // Full: the developed frame, no badge; without it, the original without a badge.
    c.set(CompareMode::full, false);
    EXPECT_TRUE(colourNear(c.at({12, 12}), kAfter));
    c.after = QImage();
    c.view.refresh();
    EXPECT_TRUE(colourNear(c.at({12, 12}), kBefore));
    EXPECT_TRUE(colourNear(c.at({200, 150}), kBefore));
    // No images at all: the background only, in every layout.
    c.before = QImage();
    for (CompareMode mode : allCases<CompareMode>()) {
        c.set(mode, false);
        EXPECT_TRUE(colourNear(c.at({100, 150}), DarkroomTheme::raisedBackground())) << rawValue(mode);
    }
    // A text for the empty canvas (still loading, or why the scan cannot be
    // shown) is written in its middle, wrapped inside the margins.
    c.view.setEmptyText([] { return QStringLiteral("The scan could not be read: the file ends too early"); });
    c.view.refresh();
    const QImage shot = test::grabImage(c.view);
    int inkMiddle = 0, inkMargin = 0;
    for (int y = 8; y < shot.height() - 8; ++y)  // the rounded corners aside
        for (int x = 0; x < shot.width(); ++x) {
            if (colourNear(test::pixelAt(shot, {x, y}), DarkroomTheme::raisedBackground(), 8)) continue;
            ++(x < 24 || x >= shot.width() - 24 ? inkMargin : inkMiddle);
        }
    EXPECT_GT(inkMiddle, 50);
    EXPECT_EQ(inkMargin, 0);
}

// A developed frame with a film border (the photo 300 x 200 at 30, 20 of a
// 360 x 280 print) against the undeveloped frame, which has none: in the split
// the before picture lies on the photo, so a slanting line crossing the divider
// goes on where it left off. Holding the original and side by side fit it alone.
TEST(SplitCompare, WithAFilmBorderTheSplitLaysTheBeforeFrameOnThePhoto) {
    auto withLine = [](QImage image, QPoint offset) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::black, 3));
        painter.drawLine(offset + QPoint(0, 40), offset + QPoint(300, 160));
        return image;
    };
    Comparison c;
    c.before = withLine(filledImage({300, 200}, kBefore), {0, 0});
    QImage print = filledImage({360, 280}, QColor(235, 235, 230));
    {
        QPainter painter(&print);
        painter.drawImage(30, 20, filledImage({300, 200}, kAfter));
    }
    c.after = withLine(print, {30, 20});
    c.view.setOriginalArea([] { return QRectF(30.0 / 360, 20.0 / 280, 300.0 / 360, 200.0 / 280); });
    ASSERT_TRUE(test::showExposed(c.view, {360, 280}));
    test::saveShot(c.view, "compare-split-film-border");

    // The middle of the line's dark pixels in a column.
    const QImage shot = test::grabImage(c.view);
    auto lineAt = [&](int x) {
        double sum = 0, weight = 0;
        for (int y = 0; y < shot.height(); ++y) {
            const double dark = std::max(0, 60 - qGray(test::pixelAt(shot, {x, y}).rgb()));
            sum += dark * y;
            weight += dark;
        }
        return weight > 0 ? sum / weight : -1.0;
    };
    // The line runs from (30, 60) to (330, 180) of the view; the divider is at 180.
    for (int x : {150, 170, 190, 210}) EXPECT_NEAR(lineAt(x) + 0.5, 60 + 0.4 * (x + 0.5 - 30), 1.0) << x;
    EXPECT_TRUE(colourNear(c.at({100, 100}), kBefore));
    EXPECT_TRUE(colourNear(c.at({250, 100}), kAfter));

    // Holding the original, and side by side, show it fitted on its own.
    c.set(CompareMode::split, true);
    EXPECT_EQ(c.view.currentLayout().layers.at(0).rect, QRectF(0, 20, 360, 240));
    c.set(CompareMode::sideBySide, false);
    EXPECT_EQ(c.view.currentLayout().layers.at(0).rect.width(), 360 * canvas::kPaneWidthShare);
}

TEST(SplitCompare, BadgesReadBeforeAndAfterUnlessASnapshotIsCompared) {
    CountedValue<bool> holding{false};
    CountedValue<CompareMode> mode{CompareMode::split};
    QString reference;
    SplitCompareView plain([] { return QImage(); }, [] { return QImage(); }, holding.binding(), mode.binding());
    EXPECT_EQ(plain.referenceLabel(), "BEFORE");
    EXPECT_EQ(plain.targetLabel(), "AFTER");
    SplitCompareView snapshot([] { return QImage(); }, [] { return QImage(); }, holding.binding(), mode.binding(),
                              [&] { return reference; }, [] { return QStringLiteral("Current Grade (B)"); });
    reference = "Snapshot A: Warm";
    EXPECT_EQ(snapshot.referenceLabel(), "Snapshot A: Warm");
    // The trailing badge ends 20 points from the right edge.
    snapshot.resize(600, 300);
    const canvas::CompareLayout layout = snapshot.currentLayout();
    ASSERT_EQ(layout.badges.size(), 2u);
    const QRectF target = snapshot.badgeRect(layout.badges[1], snapshot.targetLabel());
    EXPECT_DOUBLE_EQ(target.right(), 580);
    EXPECT_DOUBLE_EQ(target.top(), 20);
}

// ---------------------------------------------------------------- the bar

struct Bar {
    CountedValue<CompareMode> mode{CompareMode::full};
    CountedValue<bool> holding{false};
    CompareControlHUDView view{mode.binding(), holding.binding()};

    bool active(CompareMode m) const { return view.modeButton(m)->isActive(); }
    void set(CompareMode m, bool hold) {
        *mode.value = m;
        *holding.value = hold;
        view.refresh();
    }
};

TEST(CompareBar, ModeButtonsShowTheLayoutAndChooseIt) {
    Bar bar;
    ASSERT_TRUE(test::showExposed(bar.view));
    EXPECT_EQ(bar.view.size(), QSize(143, 34));
    auto* full = bar.view.findChild<HUDIconButton*>("compareBar.full");
    auto* split = bar.view.findChild<HUDIconButton*>("compareBar.split");
    auto* sideBySide = bar.view.findChild<HUDIconButton*>("compareBar.sideBySide");
    ASSERT_TRUE(full && split && sideBySide && bar.view.findChild<QWidget*>("compareBar.eye"));
    // In the row's order, 28 x 26 each, 4 apart.
    EXPECT_EQ(full->geometry(), QRect(5, 4, 28, 26));
    EXPECT_EQ(split->x(), 37);
    EXPECT_EQ(sideBySide->x(), 69);
    EXPECT_EQ(bar.view.eyeButton()->x(), 110);
    EXPECT_EQ(full->toolTip(), "Full view: show the developed image only");
    EXPECT_EQ(bar.view.eyeButton()->toolTip(),
              "Hold to monitor original (Release to restore current grade, Shortcut \\)");

    EXPECT_TRUE(bar.active(CompareMode::full));
    EXPECT_FALSE(bar.active(CompareMode::split));
    QTest::mouseClick(split, Qt::LeftButton);
    EXPECT_EQ(*bar.mode.value, CompareMode::split);
    EXPECT_EQ(bar.mode.writeCount(), 1);
    EXPECT_EQ(bar.holding.writeCount(), 0);
    EXPECT_TRUE(bar.active(CompareMode::split));
    EXPECT_FALSE(bar.active(CompareMode::full));

    // While holding, no mode is highlighted; a mode button switches and ends holding.
    bar.set(CompareMode::split, true);
    for (CompareMode m : allCases<CompareMode>()) EXPECT_FALSE(bar.active(m));
    EXPECT_TRUE(bar.view.eyeButton()->isActive());
    QTest::mouseClick(sideBySide, Qt::LeftButton);
    EXPECT_EQ(*bar.mode.value, CompareMode::sideBySide);
    EXPECT_FALSE(*bar.holding.value);
    EXPECT_TRUE(bar.active(CompareMode::sideBySide));
    EXPECT_FALSE(bar.view.eyeButton()->isActive());
    test::saveShot(bar.view, "compare-bar");
}

TEST(CompareBar, TheEyeHoldsWhilePressedAndLetsGoOnReleaseDragOutOrHide) {
    Bar bar;
    ASSERT_TRUE(test::showExposed(bar.view));
    QWidget* eye = bar.view.eyeButton();
    const QPoint middle = eye->rect().center();
    QTest::mousePress(eye, Qt::LeftButton, {}, middle);
    EXPECT_TRUE(*bar.holding.value);
    EXPECT_FALSE(bar.active(CompareMode::full));
    QTest::mouseRelease(eye, Qt::LeftButton, {}, middle);
    EXPECT_FALSE(*bar.holding.value);
    EXPECT_TRUE(bar.active(CompareMode::full));
    EXPECT_EQ(bar.holding.writeCount(), 2);

    // Out and back in while held: the hold follows the pointer.
    QTest::mousePress(eye, Qt::LeftButton, {}, middle);
    QTest::mouseMove(eye, {60, 13});
    EXPECT_FALSE(*bar.holding.value);
    QTest::mouseMove(eye, middle);
    EXPECT_TRUE(*bar.holding.value);
    QTest::mouseRelease(eye, Qt::LeftButton, {}, middle);
    EXPECT_FALSE(*bar.holding.value);
    EXPECT_EQ(bar.mode.writeCount(), 0);

    // The bar going away ends a hold whose release it will never see.
    QTest::mousePress(eye, Qt::LeftButton, {}, middle);
    EXPECT_TRUE(*bar.holding.value);
    bar.view.hide();
    EXPECT_FALSE(*bar.holding.value);
    EXPECT_FALSE(bar.view.eyeButton()->isDown());
    // A hold switched on elsewhere (the "\" key) is not the eye's to end.
    bar.view.show();
    bar.set(CompareMode::full, true);
    bar.view.hide();
    EXPECT_TRUE(*bar.holding.value);
}

// The sharp part of a zoomed frame, drawn over the developed frame where it
// lies, and only where the developed frame shows.
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
