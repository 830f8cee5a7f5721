// The zoom canvas driven as a user does: pinches (touchpad gestures and
// Ctrl+wheel), drags and double clicks, with pixel checks of what it shows.
#include <QNativeGestureEvent>
#include <QPointingDevice>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include "ViewTestSupport.h"
#include "views/canvas/SplitCompareView.h"
#include "views/canvas/ZoomPanCanvasView.h"

namespace vantrel {
namespace {

using test::colourNear;
using test::CountedValue;

// A picture of 4 x 4 cells, each of its own colour.
QColor cellColour(int column, int row) { return QColor(40 + column * 60, 40 + row * 60, 200 - column * 30); }

QImage cells(QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixelColor(x, y, cellColour(x * 4 / size.width(), y * 4 / size.height()));
    return image;
}

// A canvas over counted zoom and pan, showing the developed picture `image`
// through a comparison view, with the frame size given separately.
struct Canvas {
    CountedValue<double> zoom{1.0};
    CountedValue<QSizeF> pan{QSizeF(0, 0)};
    CountedValue<bool> holding{false};
    CountedValue<CompareMode> mode{CompareMode::full};
    QImage image;
    QSize frame;
    ZoomPanCanvasView* view;

    Canvas(QSize frameSize, QImage picture, bool interactive = true)
        : image(std::move(picture)), frame(frameSize),
          view(new ZoomPanCanvasView(zoom.binding(), pan.binding(), [this] { return frame; }, interactive,
                                     new SplitCompareView([] { return QImage(); }, [this] { return image; },
                                                          holding.binding(), mode.binding()))) {}
    ~Canvas() { delete view; }

    int writes() const { return zoom.writeCount() + pan.writeCount(); }
    void set(double z, QSizeF p) {
        *zoom.value = z;
        *pan.value = p;
        view->refresh();
    }
    void nativeZoom(Qt::NativeGestureType type, double value = 0) {
        const QPointF centre(view->width() / 2.0, view->height() / 2.0);
        QNativeGestureEvent event(type, QPointingDevice::primaryPointingDevice(), 2, centre, centre,
                                  view->mapToGlobal(centre), value, {}, 1);
        QCoreApplication::sendEvent(view, &event);
    }
    void wheel(int notches, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
        const QPointF centre(view->width() / 2.0, view->height() / 2.0);
        QWheelEvent event(centre, view->mapToGlobal(centre), {}, QPoint(0, 120 * notches), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view, &event);
    }
    void doubleClick(QPoint at) {
        QTest::mouseDClick(view, Qt::LeftButton, {}, at);
        QTest::mouseRelease(view, Qt::LeftButton, {}, at);
    }
};

TEST(ZoomCanvas, PinchesAreHeldWithinTheirLimitsAndSnapBackAtTheEnd) {
    // 6000 x 4000 in 1000 x 800: actual pixels at 6, pinch limit 18.
    Canvas canvas({6000, 4000}, cells({600, 400}));
    ASSERT_TRUE(test::showExposed(*canvas.view, {1000, 800}));
    EXPECT_NEAR(canvas.view->fit().rect.height(), 666.67, 0.01);
    EXPECT_DOUBLE_EQ(canvas.view->fit().oneToOneScale, 6);

    canvas.nativeZoom(Qt::BeginNativeGesture);
    for (int i = 0; i < 5; ++i) canvas.nativeZoom(Qt::ZoomNativeGesture, 1.0);  // x2 each
    EXPECT_TRUE(canvas.view->isPinching());
    EXPECT_DOUBLE_EQ(*canvas.zoom.value, 18);
    canvas.nativeZoom(Qt::ZoomNativeGesture, -0.5);  // halves from where the fingers are: 32 -> 16
    EXPECT_DOUBLE_EQ(*canvas.zoom.value, 9);
    canvas.nativeZoom(Qt::EndNativeGesture);
    EXPECT_FALSE(canvas.view->isPinching());
    EXPECT_DOUBLE_EQ(*canvas.zoom.value, 9);
    EXPECT_DOUBLE_EQ(canvas.view->shownZoom(), 9);

    // Ending at 1.02 snaps back to fitted and centred.
    canvas.set(1.0, {0, 0});
    canvas.nativeZoom(Qt::BeginNativeGesture);
    canvas.nativeZoom(Qt::ZoomNativeGesture, 0.02);
    EXPECT_DOUBLE_EQ(*canvas.zoom.value, 1.02);
    canvas.nativeZoom(Qt::EndNativeGesture);
    EXPECT_DOUBLE_EQ(*canvas.zoom.value, 1.0);
    EXPECT_EQ(*canvas.pan.value, QSizeF(0, 0));

    // Ending at 1.03 keeps the zoom; the pan is held within 15 points sideways
    // and pinned to the middle vertically, where the picture is smaller than the canvas.
    canvas.set(1.0, {500, 500});
    canvas.nativeZoom(Qt::BeginNativeGesture);
    canvas.nativeZoom(Qt::ZoomNativeGesture, 0.03);
    canvas.nativeZoom(Qt::EndNativeGesture);
    EXPECT_DOUBLE_EQ(*canvas.zoom.value, 1.03);
    EXPECT_NEAR(canvas.pan.value->width(), 15, 1e-9);
    EXPECT_EQ(canvas.pan.value->height(), 0);
}

TEST(ZoomCanvas, ControlWheelPinchesInStepsAboutTheCentreAndEndsAfterAPause) {
    Canvas canvas({3000, 2000}, cells({300, 200}));
    ASSERT_TRUE(test::showExposed(*canvas.view, {600, 400}));
    canvas.wheel(1, Qt::NoModifier);  // a plain wheel is not a pinch
    EXPECT_EQ(canvas.writes(), 0);
    canvas.wheel(2);
    EXPECT_NEAR(*canvas.zoom.value, 1.21, 1e-9);
    EXPECT_EQ(*canvas.pan.value, QSizeF(0, 0));
    EXPECT_TRUE(canvas.view->isPinching());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !canvas.view->isPinching(); }, 2000));
    EXPECT_NEAR(*canvas.zoom.value, 1.21, 1e-9);

    // Down to 1.0 by three notches back (clamped at fitted); the end snaps the pan home.
    *canvas.pan.value = QSizeF(20, 0);
    canvas.wheel(-3);
    EXPECT_DOUBLE_EQ(*canvas.zoom.value, 1.0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !canvas.view->isPinching(); }, 2000));
    EXPECT_EQ(*canvas.pan.value, QSizeF(0, 0));
}

TEST(ZoomCanvas, DragPansOnlyWhenZoomedInAndStaysWithinThePicture) {
    Canvas canvas({4000, 3000}, cells({400, 300}));
    ASSERT_TRUE(test::showExposed(*canvas.view, {400, 300}));
    // Fitted: a drag changes nothing, not even by a write of the same value.
    test::drag(canvas.view, {200, 150}, {300, 200});
    EXPECT_EQ(canvas.writes(), 0);
    canvas.set(1.02, {0, 0});
    test::drag(canvas.view, {200, 150}, {300, 200});
    EXPECT_EQ(canvas.writes(), 0);

    // At 2 the picture overhangs 200 x 150: the pan follows the pointer up to there.
    canvas.set(2.0, {0, 0});
    test::drag(canvas.view, {200, 150}, {260, 110});
    EXPECT_EQ(*canvas.pan.value, QSizeF(60, -40));
    EXPECT_EQ(canvas.view->shownPan(), QPointF(60, -40));
    EXPECT_FALSE(canvas.view->isDragging());
    // Each drag starts from the pan it finds; far beyond the edge it stops there.
    test::drag(canvas.view, {100, 100}, {390, 290}, 8);
    EXPECT_EQ(*canvas.pan.value, QSizeF(200, 150));
    // One write per drag step that moves the picture.
    const int before = canvas.pan.writeCount();
    test::drag(canvas.view, {100, 100}, {110, 100}, 1);
    EXPECT_EQ(canvas.pan.writeCount(), before);  // already at the edge
    test::drag(canvas.view, {100, 100}, {60, 100}, 2);
    EXPECT_EQ(canvas.pan.writeCount(), before + 2);
    EXPECT_EQ(*canvas.pan.value, QSizeF(160, 150));
}

TEST(ZoomCanvas, DoubleClickZoomsToActualPixelsAtThePointAndBack) {
    Canvas canvas({2000, 1500}, cells({400, 300}));
    ASSERT_TRUE(test::showExposed(*canvas.view, {400, 300}));
    canvas.doubleClick({150, 100});
    EXPECT_DOUBLE_EQ(*canvas.zoom.value, 5);
    EXPECT_EQ(*canvas.pan.value, QSizeF(250, 250));
    EXPECT_DOUBLE_EQ(canvas.view->shownZoom(), 5);
    // The clicked point is now in the middle: it showed cell (1, 1).
    EXPECT_TRUE(colourNear(test::pixelAt(*canvas.view, {200, 150}), cellColour(1, 1), 3));
    canvas.doubleClick({10, 10});
    EXPECT_DOUBLE_EQ(*canvas.zoom.value, 1);
    EXPECT_EQ(*canvas.pan.value, QSizeF(0, 0));

    // 1.05 still counts as fitted; 1.051 goes back.
    canvas.set(1.05, {0, 0});
    canvas.doubleClick({200, 150});
    EXPECT_DOUBLE_EQ(*canvas.zoom.value, 5);
    canvas.set(1.051, {0, 0});
    canvas.doubleClick({200, 150});
    EXPECT_DOUBLE_EQ(*canvas.zoom.value, 1);
}

TEST(ZoomCanvas, ShowsTheZoomedAndPannedPictureByPixel) {
    Canvas canvas({400, 300}, cells({400, 300}));
    ASSERT_TRUE(test::showExposed(*canvas.view, {400, 300}));
    // Fitted: each cell where it belongs.
    EXPECT_TRUE(colourNear(test::pixelAt(*canvas.view, {50, 40}), cellColour(0, 0), 3));
    EXPECT_TRUE(colourNear(test::pixelAt(*canvas.view, {350, 260}), cellColour(3, 3), 3));

    // Zoom 2 panned by (100, 50): canvas point p shows picture point (p + (100, 100)) / 2.
    canvas.set(2.0, {100, 50});
    EXPECT_EQ(canvas.view->content()->geometry(), QRect(-100, -100, 800, 600));
    const QImage shot = test::grabImage(*canvas.view);
    test::saveShot(shot, "zoom-canvas-zoom2-pan");
    for (const QPoint& p : {QPoint(20, 20), QPoint(120, 30), QPoint(380, 40), QPoint(30, 280), QPoint(390, 290)}) {
        const QPointF picture = (QPointF(p) + QPointF(100, 100)) / 2;
        const QColor expected = cellColour(int(picture.x()) / 100, int(picture.y()) / 75);
        EXPECT_TRUE(colourNear(test::pixelAt(shot, p), expected, 3)) << p.x() << "," << p.y();
    }
}

TEST(ZoomCanvas, WithoutInteractiveZoomTheContentFollowsTheBindingsOnly) {
    Canvas canvas({4000, 3000}, cells({400, 300}), false);
    ASSERT_TRUE(test::showExposed(*canvas.view, {400, 300}));
    canvas.set(2.0, {50, 0});
    canvas.doubleClick({100, 100});
    test::drag(canvas.view, {200, 150}, {300, 200});
    canvas.wheel(3);
    canvas.nativeZoom(Qt::ZoomNativeGesture, 1.0);
    EXPECT_EQ(canvas.writes(), 0);
    EXPECT_EQ(canvas.view->content()->geometry(), QRect(-150, -150, 800, 600));
}

}  // namespace
}  // namespace vantrel
