// The canvas area of the real window in its viewing state: the zoom canvas
// with the comparison inside and the compare bar over it, driven with the
// pointer and the keyboard, and the frame size the tools are given.
#include <cmath>

#include <QPushButton>
#include <QTest>

#include "WindowTestSupport.h"
#include "app/CanvasArea.h"
#include "services/LocalizationManager.h"
#include "views/kit/LayoutCheck.h"
#include "views/canvas/CompareControlHUDView.h"
#include "views/canvas/NavigatorMinimapView.h"
#include "views/canvas/SplitCompareView.h"
#include "views/canvas/ZoomPanCanvasView.h"

namespace vantrel::testing {
namespace {

class CanvasAreaTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        settle();
        area = window->canvasAreaView();
        canvas = area->findChild<ZoomPanCanvasView*>("zoomPanCanvas");
        compare = area->findChild<SplitCompareView*>("splitCompare");
        bar = area->findChild<CompareControlHUDView*>("compareBar");
        ASSERT_TRUE(canvas && compare && bar);
    }
    void wheel(int notches) {
        const QPointF centre(canvas->width() / 2.0, canvas->height() / 2.0);
        QWheelEvent event(centre, canvas->mapToGlobal(centre), {}, QPoint(0, 120 * notches), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(canvas, &event);
    }

    CanvasArea* area = nullptr;
    ZoomPanCanvasView* canvas = nullptr;
    SplitCompareView* compare = nullptr;
    CompareControlHUDView* bar = nullptr;
};

TEST_F(CanvasAreaTest, TheCanvasShowsTheComparisonWithItsBarInTheCorner) {
    EXPECT_EQ(canvas->content(), compare);
    EXPECT_TRUE(bar->isVisible());
    // The canvas is the area less 12 points all round, and its size is the view model's viewport.
    EXPECT_EQ(canvas->geometry(), area->branchView()->rect().adjusted(12, 12, -12, -12));
    EXPECT_EQ(vm().canvasViewportSize(), QSizeF(canvas->size()));
    // And the density of its screen is the view model's, again after a move to another screen.
    EXPECT_EQ(vm().canvasDevicePixelRatio(), canvas->devicePixelRatioF());
    vm().setCanvasDevicePixelRatio(3);
    QEvent moved(QEvent::ScreenChangeInternal);
    QCoreApplication::sendEvent(area, &moved);
    EXPECT_EQ(vm().canvasDevicePixelRatio(), canvas->devicePixelRatioF());
    // The bar sits 14 points in from the canvas's bottom-right corner.
    const QRect onCanvas(canvas->mapFrom(bar->parentWidget(), bar->geometry().topLeft()), bar->size());
    EXPECT_EQ(canvas->width() - onCanvas.right() - 1, 14);
    EXPECT_EQ(canvas->height() - onCanvas.bottom() - 1, 14);

    // The bar chooses the layout; the eye holds the original while pressed.
    QTest::mouseClick(bar->modeButton(CompareMode::split), Qt::LeftButton);
    EXPECT_EQ(vm().compareMode(), CompareMode::split);
    settle();
    EXPECT_TRUE(compare->currentLayout().dividerX);
    // A frame with a film border: the undeveloped frame lies on the photo inside it.
    render->setPhotoAreas([](const RenderJob&) { return QRectF(0.1, 0.05, 0.8, 0.8); });
    vm().requestRender(RenderQuality::final);
    ASSERT_TRUE(QTest::qWaitFor([&] { return vm().renderedPhotoArea() == QRectF(0.1, 0.05, 0.8, 0.8); }));
    settle();
    auto layerOf = [&](canvas::CompareImage image) {
        for (const canvas::CompareLayer& layer : compare->currentLayout().layers)
            if (layer.image == image) return layer.rect;
        return QRectF();
    };
    const QRectF developed = layerOf(canvas::CompareImage::processed);
    const QRectF photo(developed.left() + 0.1 * developed.width(), developed.top() + 0.05 * developed.height(),
                       0.8 * developed.width(), 0.8 * developed.height());
    EXPECT_EQ(layerOf(canvas::CompareImage::original), photo);
    // A snapshot's picture is fitted on its own.
    vm().setSnapshotComparisonPreview(vm().renderedPreview());
    vm().setActiveComparisonSnapshotID(Uuid::random());
    settle();
    EXPECT_EQ(layerOf(canvas::CompareImage::original), developed);
    vm().setActiveComparisonSnapshotID(std::nullopt);
    HUDEyeHoldButton* eye = bar->eyeButton();
    QTest::mousePress(eye, Qt::LeftButton, {}, eye->rect().center());
    EXPECT_TRUE(vm().isHoldingOriginal());
    settle();
    EXPECT_FALSE(compare->currentLayout().dividerX);
    EXPECT_FALSE(bar->modeButton(CompareMode::split)->isActive());
    QTest::mouseRelease(eye, Qt::LeftButton, {}, eye->rect().center());
    EXPECT_FALSE(vm().isHoldingOriginal());

    // A hold whose release goes to another window ends when this one loses focus.
    QTest::mousePress(eye, Qt::LeftButton, {}, eye->rect().center());
    EXPECT_TRUE(vm().isHoldingOriginal());
    QWidget other;
    other.resize(200, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !vm().isHoldingOriginal(); }, 10000));
    EXPECT_FALSE(eye->isDown());
    other.close();

    // No preview at all: the bar goes.
    vm().setRenderedPreview(QImage());
    vm().setOriginalPreview(QImage());
    settle();
    EXPECT_FALSE(bar->isVisible());
}

TEST_F(CanvasAreaTest, ZoomFromTheWheelAndTheDoubleClickReachesTheViewModel) {
    wheel(3);
    EXPECT_NEAR(vm().zoomScale(), 1.331, 1e-9);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !canvas->isPinching(); }, 10000));
    settle();
    EXPECT_NEAR(vm().zoomScale(), 1.331, 1e-9);
    // The picture follows with a spring.
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::abs(canvas->shownZoom() - 1.331) < 1e-9; }, 10000));

    // A drag pans the zoomed picture.
    const QPoint middle = canvas->rect().center();
    QTest::mousePress(canvas, Qt::LeftButton, {}, middle);
    QTest::mouseMove(canvas, middle + QPoint(30, 0));
    QTest::mouseMove(canvas, middle + QPoint(60, 0));
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, middle + QPoint(60, 0));
    EXPECT_GT(vm().panOffset().width(), 0);

    QTest::mouseDClick(canvas, Qt::LeftButton, {}, middle);
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, middle);
    EXPECT_EQ(vm().zoomScale(), 1.0);
    EXPECT_EQ(vm().panOffset(), QSizeF(0, 0));

    // The view model's zoom steps move the canvas too.
    vm().zoomTo200();
    settle();
    EXPECT_EQ(vm().zoomScale(), 2.0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return canvas->shownZoom() == 2.0; }, 10000));
    EXPECT_GT(canvas->content()->width(), canvas->width());
}

TEST_F(CanvasAreaTest, BackslashTogglesTheOriginalButAHeldKeyDoesNotFlicker) {
    QTest::keyClick(window.get(), Qt::Key_Backslash);
    EXPECT_TRUE(vm().isHoldingOriginal());
    // The key's auto-repeat while it is held down changes nothing.
    qt_sendShortcutOverrideEvent(window.get(), 0, Qt::Key_Backslash, Qt::NoModifier, QStringLiteral("\\"), true, 1);
    EXPECT_TRUE(vm().isHoldingOriginal());
    QTest::keyClick(window.get(), Qt::Key_Backslash);
    EXPECT_FALSE(vm().isHoldingOriginal());

    // A hold ends with the view it was made in: back from a tool, the developed frame shows.
    QTest::keyClick(window.get(), Qt::Key_Backslash);
    ASSERT_TRUE(vm().isHoldingOriginal());
    for (const char* mode : {"mode.crop", "mode.retouch", "mode.mask"}) {
        QTest::mouseClick(window->findChild<QPushButton*>(mode), Qt::LeftButton);
        settle();
        EXPECT_FALSE(vm().isHoldingOriginal()) << mode;
        // Where no compare bar shows, the key does nothing.
        QTest::keyClick(window.get(), Qt::Key_Backslash);
        EXPECT_FALSE(vm().isHoldingOriginal()) << mode;
        QTest::mouseClick(window->findChild<QPushButton*>(mode), Qt::LeftButton);  // leaves it
        settle();
        ASSERT_EQ(vm().toolMode(), ToolMode::viewing) << mode;
        EXPECT_FALSE(vm().isHoldingOriginal()) << mode;
        // The canvas is back in its own view (a new one): the developed frame, no BEFORE badge.
        settle();
        auto* shown = area->findChild<SplitCompareView*>("splitCompare");
        ASSERT_NE(shown, nullptr);
        const canvas::CompareLayout layout = shown->currentLayout();
        ASSERT_EQ(layout.layers.size(), 1u) << mode;
        EXPECT_EQ(layout.layers[0].image, canvas::CompareImage::processed) << mode;
    }
}

TEST_F(CanvasAreaTest, TheCanvasAndTheToolsAreGivenTheSizeOfTheFrameShown) {
    const LoadedPhoto* photo = vm().selectedPhoto();
    ASSERT_NE(photo, nullptr);
    const QSize scan(int(photo->dimensions().width), int(photo->dimensions().height));
    // Until a renderer says otherwise, the frame is the scan.
    EXPECT_EQ(area->imageSize(), scan);
    EXPECT_EQ(area->scanSize(), scan);
    // A quarter-turned frame published with its preview: the canvas takes its shape.
    vm().setRenderedFrameSize(QSize(scan.height() * 100, scan.width() * 100));
    settle();
    EXPECT_EQ(area->imageSize(), QSize(scan.height() * 100, scan.width() * 100));
    EXPECT_EQ(area->scanSize(), scan);
    const QRect content = canvas->content()->geometry();
    EXPECT_NEAR(double(content.width()) / content.height(), double(scan.height()) / scan.width(), 0.01);
    // The tools' branches are given the same size.
    vm().setIsRetouchMode(true);
    settle();
    EXPECT_EQ(area->branch(), CanvasArea::Branch::retouch);
    EXPECT_EQ(area->imageSize(), QSize(scan.height() * 100, scan.width() * 100));
    vm().setIsRetouchMode(false);
    // No frame selected: 2400 x 1600.
    vm().setSelectedPhotoID(std::nullopt);
    EXPECT_EQ(area->imageSize(), QSize(2400, 1600));
    EXPECT_EQ(area->scanSize(), QSize(2400, 1600));
}

// At 100 %, a navigator tap near a corner pans there with a spring, and the
// zoom's way back to fitted shrinks the picture: at every moment the picture
// covers the canvas along each axis where it is larger than the canvas, and so
// it does when the canvas grows while panned to a corner.
TEST_F(CanvasAreaTest, ThePictureCoversTheCanvasWhereverThePanAsks) {
    render->setFrameSizes([](const RenderJob&) { return QSize(6000, 4000); });
    vm().requestRender(RenderQuality::final);
    ASSERT_TRUE(QTest::qWaitFor([&] { return vm().renderedFrameSize() == QSize(6000, 4000); }));
    vm().zoomTo100();
    settle();
    auto* navigator = area->findChild<NavigatorMinimapView*>();
    ASSERT_TRUE(navigator && navigator->isVisible());
    // The widest empty band between the picture and the canvas's edges, over
    // the axes where the picture is the larger, watched until the springs have
    // brought the shown zoom and pan to the view model's.
    auto widestBand = [&] {
        int widest = 0;
        EXPECT_TRUE(QTest::qWaitFor([&] {
            settle();
            const QRect c = canvas->content()->geometry();
            if (c.width() >= canvas->width())
                widest = std::max({widest, c.left(), canvas->width() - 1 - c.right()});
            if (c.height() >= canvas->height())
                widest = std::max({widest, c.top(), canvas->height() - 1 - c.bottom()});
            const QSizeF pan = vm().panOffset();
            return canvas->shownZoom() == vm().zoomScale() && canvas->shownPan() == QPointF(pan.width(), pan.height());
        }, 10000));
        return widest;
    };
    EXPECT_EQ(widestBand(), 0);
    QWidget* map = navigator->map();
    for (QPoint corner : {QPoint(3, 3), QPoint(157, 103), QPoint(157, 3), QPoint(3, 103)}) {
        QTest::mouseClick(map, Qt::LeftButton, {}, corner);
        EXPECT_EQ(widestBand(), 0) << corner.x() << ", " << corner.y();
    }
    // A larger canvas leaves the pan past its new limits.
    const int narrower = canvas->width();
    window->resize(window->width() + 200, window->height() + 100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return canvas->width() > narrower; }));
    EXPECT_EQ(widestBand(), 0);
    vm().zoomToFit();
    EXPECT_EQ(widestBand(), 0);
}

TEST_F(CanvasAreaTest, EveryLanguageFitsTheViewingState) {
    vm().setCompareMode(CompareMode::split);
    vm().setZoomScale(2.0);
    for (AppLanguage language : kAllAppLanguages) {
        LocalizationManager::shared().setLanguage(language);
        settle();
        EXPECT_EQ(describeLayoutIssues(findLayoutIssues(*area)).toStdString(), "") << rawValue(language);
        EXPECT_FALSE(bar->eyeButton()->toolTip().isEmpty());
        for (CompareMode mode : allCases<CompareMode>()) {
            EXPECT_FALSE(bar->modeButton(mode)->toolTip().isEmpty());
            EXPECT_NE(bar->modeButton(mode)->toolTip().toStdString().rfind("compare.", 0), 0u) << rawValue(language);
        }
    }
}

}  // namespace
}  // namespace vantrel::testing
