// The crop overlay: its geometry without a window, then the widget driven by
// the pointer.
#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "ViewTestSupport.h"
#include "views/crop/CropGeometry.h"
#include "views/crop/CropOverlayView.h"
#include "views/kit/StandardColors.h"

namespace vantrel {
namespace {

using H = CropHandleType;

void expectRect(const NormalizedRect& r, double x, double y, double w, double h, const char* what) {
    EXPECT_NEAR(r.x, x, 1e-9) << what;
    EXPECT_NEAR(r.y, y, 1e-9) << what;
    EXPECT_NEAR(r.width, w, 1e-9) << what;
    EXPECT_NEAR(r.height, h, 1e-9) << what;
}

TEST(CropGeometry, EveryHandleMovesItsEdgesWithinTheImageAndKeepsTheMinimum) {
    const NormalizedRect start{0.2, 0.3, 0.4, 0.5};
    const QSizeF fitted(600, 400);
    const QPointF d(0.1, 0.05);
    struct Case {
        H handle;
        double x, y, w, h;
    };
    // Each handle moves its own edges by the translation; the others stay.
    for (const Case& c : {Case{H::topLeft, 0.3, 0.35, 0.3, 0.45}, Case{H::topRight, 0.2, 0.35, 0.5, 0.45},
                          Case{H::bottomLeft, 0.3, 0.3, 0.3, 0.55}, Case{H::bottomRight, 0.2, 0.3, 0.5, 0.55},
                          Case{H::top, 0.2, 0.35, 0.4, 0.45}, Case{H::bottom, 0.2, 0.3, 0.4, 0.55},
                          Case{H::left, 0.3, 0.3, 0.3, 0.5}, Case{H::right, 0.2, 0.3, 0.5, 0.5}})
        expectRect(crop::draggedRect(c.handle, start, d, std::nullopt, fitted), c.x, c.y, c.w, c.h,
                   std::to_string(int(c.handle)).c_str());

    // Far right: the left edge stops 0.05 before the right edge; far left at 0.
    expectRect(crop::draggedRect(H::left, start, {5, 0}, std::nullopt, fitted), 0.55, 0.3, 0.05, 0.5, "left far right");
    expectRect(crop::draggedRect(H::left, start, {-5, 0}, std::nullopt, fitted), 0, 0.3, 0.6, 0.5, "left far left");
    // The right edge stops at the image's edge, and 0.05 after the left edge.
    expectRect(crop::draggedRect(H::right, start, {5, 0}, std::nullopt, fitted), 0.2, 0.3, 0.8, 0.5, "right far right");
    expectRect(crop::draggedRect(H::right, start, {-5, 0}, std::nullopt, fitted), 0.2, 0.3, 0.05, 0.5,
               "right far left");
    // A rectangle thinner than the minimum widens at once on a handle of a vertical edge:
    // the left edge moves left, the right edge moves right.
    const NormalizedRect thin{0.5, 0.5, 0.02, 0.02};
    expectRect(crop::draggedRect(H::left, thin, {0, 0}, std::nullopt, fitted), 0.47, 0.5, 0.05, 0.02, "thin left");
    expectRect(crop::draggedRect(H::topRight, thin, {0, 0}, std::nullopt, fitted), 0.5, 0.47, 0.05, 0.05,
               "thin top right");
}

TEST(CropGeometry, TheAspectLockHoldsTheRatioAndYieldsAtTheBorders) {
    // Square on a 3:2 frame: k = 2/3 in image-relative units.
    const QSizeF fitted(600, 400);
    const std::optional<double> square = crop::lockedRatio(CropAspectRatio::square, {3000, 2000});
    ASSERT_TRUE(square);
    // A right drag to width 0.6 from y 0.2 wants height 0.9, which passes the bottom: height
    // 0.8, and the width follows.
    const NormalizedRect start{0.1, 0.2, 0.3, 0.3};
    expectRect(crop::draggedRect(H::right, start, {0.3, 0}, square, fitted), 0.1, 0.2, 0.8 * 2 / 3, 0.8,
               "right past bottom");
    // Inside the image the height simply follows the width.
    expectRect(crop::draggedRect(H::right, start, {0.1, 0}, square, fitted), 0.1, 0.2, 0.4, 0.6, "right");
    // A top drag keeps the left edge and takes the width from the height; past the right
    // border the width stops there and the height follows.
    expectRect(crop::draggedRect(H::top, start, {0, -0.1}, square, fitted), 0.1, 0.1, 0.4 * 2 / 3, 0.4, "top");
    const NormalizedRect wideStart{0.5, 0.5, 0.2, 0.4};
    expectRect(crop::draggedRect(H::top, wideStart, {0, -0.4}, square, fitted), 0.5, 0.1, 0.5, 0.75, "top past right");
    // A locked corner keeps the top edge it moved to and moves the bottom edge.
    expectRect(crop::draggedRect(H::topLeft, start, {-0.1, -0.1}, square, fitted), 0.0, 0.1, 0.4, 0.6, "corner");
    // Free locks nothing; the original ratio of the frame itself is k = 1.
    EXPECT_FALSE(crop::lockedRatio(CropAspectRatio::free, {3000, 2000}));
    // A 3:2 crop standing upright (turned a quarter) holds 2:3; 1:1 and original never turn.
    EXPECT_DOUBLE_EQ(*crop::lockedRatio(CropAspectRatio::threeByTwo, {2000, 3000}, {0, 0, 1, 1}), 2.0 / 3);
    EXPECT_DOUBLE_EQ(*crop::lockedRatio(CropAspectRatio::threeByTwo, {3000, 2000}, {0, 0, 1, 1}), 1.5);
    EXPECT_DOUBLE_EQ(*crop::lockedRatio(CropAspectRatio::original, {3000, 2000}, {0, 0, 0.2, 1}), 1.5);
    EXPECT_EQ(shortLabel(CropAspectRatio::xpan, true), "24:65");
    EXPECT_EQ(shortLabel(CropAspectRatio::square, true), "1:1");
    expectRect(crop::draggedRect(H::right, start, {0.1, 0}, crop::lockedRatio(CropAspectRatio::original, {3000, 2000}),
                                 fitted),
               0.1, 0.2, 0.4, 0.4, "original");
}

TEST(CropGeometry, MovesKeepTheSizeAndTheFrameIsDrawnAtLeastThirtyPoints) {
    const NormalizedRect start{0.2, 0.3, 0.4, 0.5};
    expectRect(crop::movedRect(start, {0.1, -0.1}), 0.3, 0.2, 0.4, 0.5, "inside");
    expectRect(crop::movedRect(start, {5, 5}), 0.6, 0.5, 0.4, 0.5, "against bottom right");
    expectRect(crop::movedRect(start, {-5, -5}), 0, 0, 0.4, 0.5, "against top left");

    // A 0.01 crop in a 500 x 400 fitted rectangle is drawn 30 x 30 at its origin; the bands
    // right of and below an overhanging frame are dropped.
    const QRectF fitted(50, 100, 500, 400);
    const QRectF frame = crop::frameRect(fitted, {0.995, 0.995, 0.01, 0.01});
    EXPECT_EQ(frame, QRectF(50 + 497.5, 100 + 398, 30, 30));
    const std::vector<QRectF> bands = crop::dimmingBands(fitted, frame);
    ASSERT_EQ(bands.size(), 2u);  // above and left only
    EXPECT_EQ(bands[0], QRectF(50, 100, 500, 398));
    EXPECT_EQ(bands[1], QRectF(50, 498, 497.5, 30));

    // Handles: the later lies on top; hit squares are half-open.
    const QRectF f(100, 100, 200, 100);
    EXPECT_EQ(crop::handleAt(f, {100, 100}), H::topLeft);
    EXPECT_EQ(crop::handleAt(f, {115.9, 115.9}), H::topLeft);
    EXPECT_EQ(crop::handleAt(f, {116, 100}), std::nullopt);
    // The top bar's 24-point square starts at the bar's top left (190, 98).
    EXPECT_EQ(crop::handleAt(f, {190, 98}), H::top);
    EXPECT_EQ(crop::handleAt(f, {213.9, 121.9}), H::top);
    EXPECT_EQ(crop::handleAt(f, {189.9, 100}), std::nullopt);
    // Where the right bar's square and the bottom-right corner's overlap, the bar wins.
    const QRectF small(100, 100, 30, 30);
    EXPECT_EQ(crop::handleAt(small, {129, 128}), H::right);
    // The corner mark runs 16 points along both edges into the frame.
    const QPainterPath mark = crop::cornerMarkPath(H::bottomRight, f);
    EXPECT_EQ(mark.elementAt(0), QPointF(284, 200));
    EXPECT_EQ(mark.elementAt(1), QPointF(300, 200));
    EXPECT_EQ(mark.elementAt(2), QPointF(300, 184));
    EXPECT_EQ(crop::edgeBarRect(H::left, f), QRectF(98, 140, 4, 20));
}

// ---------------------------------------------------------------- the widget

struct CropOverlayFixture {
    test::CountedValue<CropParameters> crop;
    QSize imageSize{3000, 2000};
    CropOverlayView overlay{crop.binding(), [this] { return imageSize; }};
    QSignalSpy changes{&overlay, &CropOverlayView::changed};

    explicit CropOverlayFixture(CropParameters initial = {}) { *crop.value = initial; }
    const NormalizedRect& rect() const { return crop.value->rect; }
};

TEST(CropOverlayView, HandleAndMoveDragsWriteEachStepFromTheCapturedRectangle) {
    CropParameters initial;
    initial.rect = {0.25, 0.25, 0.5, 0.5};
    initial.straightenAngle = 3;
    initial.quarterTurns = 1;  // turns do not change the overlay's geometry
    CropOverlayFixture f(initial);
    ASSERT_TRUE(test::showExposed(f.overlay, {900, 700}));
    // 3000 x 2000 in 900 x 700: fitted (0, 50, 900, 600).
    EXPECT_EQ(f.overlay.fittedImageRect(), QRectF(0, 50, 900, 600));
    EXPECT_EQ(f.overlay.cropFrameRect(), QRectF(225, 200, 450, 300));

    // The right bar: 90 points right is 0.1 of the width, over four steps.
    test::drag(&f.overlay, {676, 351}, {766, 351}, 4);
    EXPECT_NEAR(f.rect().width, 0.6, 1e-9);
    EXPECT_EQ(f.crop.writeCount(), 4);
    EXPECT_EQ(f.changes.count(), 4);
    EXPECT_FALSE(f.overlay.dragInitialRect());  // the end cleared the capture and wrote nothing
    EXPECT_EQ(f.crop.value->straightenAngle, 3);
    EXPECT_EQ(f.crop.value->quarterTurns, 1);

    // A drag beginning on the dimmed area moves the rectangle, and stops at the border
    // keeping its size; going back within the same drag restores the position.
    f.crop.value->rect = {0.25, 0.25, 0.5, 0.5};
    test::dragAlong(&f.overlay, {{50, 100}, {950, 100}, {140, 100}});
    test::dragAlong(&f.overlay, {{50, 100}, {2000, 2000}});
    expectRect(f.rect(), 0.5, 0.5, 0.5, 0.5, "against the corner");
    test::dragAlong(&f.overlay, {{50, 100}, {-2000, -2000}, {-40, 40}});
    expectRect(f.rect(), 0.4, 0.4, 0.5, 0.5, "same drag, back inside");

    // With square locked: a locked right-bar drag past the bottom yields the square of the
    // height left.
    f.crop.value->rect = {0.1, 0.2, 0.3, 0.3};
    f.crop.value->aspectRatio = CropAspectRatio::square;
    f.overlay.update();
    const QRectF frame = f.overlay.cropFrameRect();
    const QPoint bar = QPointF(frame.right() + 1, frame.center().y()).toPoint();
    test::drag(&f.overlay, bar, bar + QPoint(270, 0), 3);
    expectRect(f.rect(), 0.1, 0.2, 0.8 * 2 / 3, 0.8, "locked right past the bottom");
}

TEST(CropOverlayView, DoubleClickWritesOnlyTheRectangleOnceAndTapsWriteNothing) {
    CropParameters initial;
    initial.rect = {0.1, 0.1, 0.3, 0.3};
    initial.straightenAngle = -2.5;
    initial.quarterTurns = 3;
    initial.isFlippedH = true;
    initial.isFlippedV = true;
    initial.aspectRatio = CropAspectRatio::xpan;
    CropOverlayFixture f(initial);
    ASSERT_TRUE(test::showExposed(f.overlay, {600, 400}));

    QTest::mouseClick(&f.overlay, Qt::LeftButton, {}, {300, 300});
    EXPECT_EQ(f.crop.writeCount(), 0);  // a tap is no drag
    QTest::mouseDClick(&f.overlay, Qt::LeftButton, {}, {300, 300});
    QTest::mouseRelease(&f.overlay, Qt::LeftButton, {}, {300, 300});
    CropParameters expected = initial;
    expected.rect = NormalizedRect::full();  // the lock is not applied to it
    EXPECT_EQ(*f.crop.value, expected);
    EXPECT_EQ(f.crop.writeCount(), 1);
    EXPECT_EQ(f.changes.count(), 1);
    f.overlay.refresh();
    EXPECT_EQ(f.changes.count(), 1);
}

TEST(CropOverlayView, AnOverlayWithoutAreaWritesNothingAndAnUnsizedImageFillsTheView) {
    CropOverlayFixture f;
    f.imageSize = {0, 2000};
    ASSERT_TRUE(test::showExposed(f.overlay, {400, 300}));
    EXPECT_EQ(f.overlay.fittedImageRect(), QRectF(0, 0, 400, 300));
    // Sent straight to the widget: a window of no size receives no pointer.
    f.overlay.resize(0, 0);
    const auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, at, Qt::LeftButton, buttons, {});
        QApplication::sendEvent(&f.overlay, &event);
    };
    send(QEvent::MouseButtonPress, {0, 0}, Qt::LeftButton);
    send(QEvent::MouseMove, {30, 30}, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {30, 30}, Qt::NoButton);
    EXPECT_EQ(f.crop.writeCount(), 0);
    EXPECT_EQ(f.changes.count(), 0);
}

TEST(CropOverlayView, DimsOutsideTheCropAndDrawsTheFrame) {
    QWidget page;  // before the overlay, which leaves it first
    CropParameters initial;
    initial.rect = {0.25, 0.25, 0.5, 0.5};
    CropOverlayFixture f(initial);
    f.imageSize = {400, 400};
    test::fillGround(page, Qt::white);
    f.overlay.setParent(&page);
    f.overlay.setGeometry(0, 0, 400, 400);
    ASSERT_TRUE(test::showExposed(page, {400, 400}));
    const QImage shot = test::grabImage(page);
    test::saveShot(shot, "crop-overlay");
    EXPECT_TRUE(test::colourNear(test::pixelAt(shot, {50, 50}), QColor(102, 102, 102)));  // black 0.6 over white
    EXPECT_TRUE(test::colourNear(test::pixelAt(shot, {150, 150}), Qt::white, 8));        // inside, off the lines
    EXPECT_TRUE(test::colourNear(test::pixelAt(shot, {100, 108}), Qt::white, 30));       // corner mark
    EXPECT_TRUE(test::colourNear(test::pixelAt(shot, {200, 99}), Qt::white, 30));        // top bar

    // A drag repaints only what moved: what the window shows matches a fresh drawing.
    test::drag(&f.overlay, {301, 200}, {241, 170}, 3);  // the right bar, left and up
    test::drag(&f.overlay, {150, 150}, {180, 190}, 2);  // the whole rectangle
    QCoreApplication::processEvents();
    const QImage shown = page.screen()->grabWindow(page.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage fresh = test::grabImage(page).convertToFormat(QImage::Format_RGB32);
    test::saveShot(shown, "crop-overlay-after-drag");
    ASSERT_EQ(shown.size(), fresh.size());
    EXPECT_EQ(shown, fresh);
}

}  // namespace
}  // namespace vantrel
