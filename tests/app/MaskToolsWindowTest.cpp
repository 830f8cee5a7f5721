// The mask tools in the real window: the bar and the overlay in the canvas
// area's mask branch, the mask and subject panels in the inspector, each wired
// to the view model's operations.
#include <atomic>
#include <cmath>
#include <memory>

#include <QLabel>
#include <QTest>

#include "WindowTestSupport.h"
#include "app/CanvasArea.h"
#include "app/AdjustmentsColumn.h"
#include "app/TopBar.h"
#include "app/MainWindow.h"
#include "services/L10n.h"
#include "services/LocalizationManager.h"
#include "views/masks/MaskOverlayView.h"
#include "views/masks/MaskControlBar.h"
#include "views/masks/MaskControlView.h"
#include "views/masks/MaskLocalParameterHUD.h"
#include "views/kit/ProSlider.h"
#include "views/kit/ScaleFade.h"
#include "views/masks/MaskWidgets.h"
#include "views/masks/SubjectMaskControlView.h"
#include "views/kit/Chip.h"
#include "views/kit/RoundedBox.h"

namespace vantrel::testing {
namespace {

class MaskToolsWindowTest : public WindowTest {
protected:
    template <typename T>
    T* inCanvas() {
        return window->canvasAreaView()->branchView()->findChild<T*>();
    }
    template <typename T>
    T* inInspector() {
        return window->inspectorView()->findChild<T*>();
    }
};

TEST_F(MaskToolsWindowTest, MasksAreAddedDraggedAndDeletedFromTheWindow) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    auto* panel = inInspector<MaskControlView>();
    ASSERT_NE(panel, nullptr);

    // The inspector's handles button enters the mode, which brings a first linear mask.
    QTest::mouseClick(panel->modeButton(), Qt::LeftButton);
    settle();
    ASSERT_TRUE(vm().isMaskMode());
    ASSERT_EQ(window->canvasAreaView()->branch(), CanvasArea::Branch::mask);
    auto* bar = inCanvas<MaskControlBar>();
    auto* overlay = inCanvas<MaskOverlayView>();
    ASSERT_TRUE(bar && overlay);
    EXPECT_EQ(bar->countLabel()->text(), "1 mask");

    // The bar adds a radial mask, selected; the inspector lists both.
    QTest::mouseClick(bar->addButton(MaskKind::radial), Qt::LeftButton);
    settle();
    ASSERT_EQ(vm().parameters().masks.radialMasks.size(), 1u);
    const Uuid radial = vm().parameters().masks.radialMasks[0].id;
    EXPECT_EQ(vm().selectedMaskID(), radial);
    EXPECT_EQ(panel->shownRows().size(), 2u);
    EXPECT_EQ(bar->countLabel()->text(), "2 masks");
    EXPECT_EQ(vm().statusMessage(), L10n::tr("status.radialMaskCreated"));

    // A radius drag on the canvas writes the view model's recipe and asks for a preview.
    ASSERT_TRUE(QTest::qWaitFor([&] { return overlay->isVisible() && overlay->width() > 100; }));
    const QPoint right = overlay->handleCentre(MaskOverlayView::Handle::radialRight)->toPoint();
    ASSERT_EQ(overlay->handleAt(right), MaskOverlayView::Handle::radialRight);
    const int renders = render->finishedCount();
    QTest::mousePress(overlay, Qt::LeftButton, {}, right);
    QTest::mouseMove(overlay, right + QPoint(20, 0));
    QTest::mouseMove(overlay, right + QPoint(40, 0));
    QTest::mouseRelease(overlay, Qt::LeftButton, {}, right + QPoint(40, 0));
    EXPECT_GT(vm().parameters().masks.radialMasks[0].radiusX, 0.25);
    EXPECT_TRUE(QTest::qWaitFor([&] { return render->finishedCount() > renders; }));

    // The inspector's card edits the same mask; the display shows the new exposure.
    settle();
    ASSERT_FALSE(panel->shownSliders().empty());
    ProSlider* exposure = panel->shownSliders().front();
    ASSERT_EQ(exposure->objectName(), "mask.localExposure");
    exposure->resetToDefault();
    settle();
    EXPECT_EQ(vm().parameters().masks.radialMasks[0].exposure, 0);
    MaskLocalParameterHUD* display = overlay->parameterDisplay();
    ASSERT_TRUE(display->isVisible());
    EXPECT_EQ(display->readout()->text(), "+0.00 EV");

    // Deleting from the display follows the view model's rule: the linear mask is next.
    QTest::mouseClick(display->deleteButton(), Qt::LeftButton);
    settle();
    EXPECT_TRUE(vm().parameters().masks.radialMasks.empty());
    EXPECT_EQ(vm().selectedMaskID(), vm().parameters().masks.linearMasks[0].id);
    EXPECT_EQ(panel->shownRows().size(), 1u);

    // Done leaves the mode; the masks stay.
    QTest::mouseClick(bar->doneButton(), Qt::LeftButton);
    settle();
    EXPECT_FALSE(vm().isMaskMode());
    EXPECT_EQ(window->canvasAreaView()->branch(), CanvasArea::Branch::viewing);
    EXPECT_EQ(panel->countBadge()->text(), "1");
}

// At the smallest window a radial mask pushed into a corner or to the bottom edge reaches
// past the canvas: every handle still shows on the canvas, under nothing else, and takes a
// drag where it shows.
TEST_F(MaskToolsWindowTest, EveryHandleOfARadialMaskIsReachableInTheCornersOfTheSmallestWindow) {
    window->resize(MainWindow::kMinimumWidth, MainWindow::kMinimumHeight);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    vm().toggleMaskMode();
    settle();
    vm().addMask(MaskKind::radial);
    settle();
    auto* overlay = inCanvas<MaskOverlayView>();
    ASSERT_NE(overlay, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        settle();
        return overlay->isVisible() && overlay->width() > 100;
    }));
    const RadialMask placed = vm().parameters().masks.radialMasks.back();
    using H = MaskOverlayView::Handle;
    struct Reach {
        H handle;
        QPointF inwards;  // a drag towards the frame's middle
    };
    for (const QPointF corner : {QPointF(0, 0), QPointF(1, 0), QPointF(0, 1), QPointF(1, 1), QPointF(0.5, 1)}) {
        for (const Reach r : {Reach{H::radialCentre, {0, 0}}, Reach{H::radialRight, {-30, 0}}, Reach{H::radialLeft, {30, 0}},
                              Reach{H::radialBottom, {0, -30}}, Reach{H::radialTop, {0, 30}}, Reach{H::radialBadge, {0, 0}}}) {
            EditParameters recipe = vm().parameters();
            RadialMask& mask = recipe.masks.radialMasks.back();
            mask = placed;
            mask.center = NormalizedPoint(corner.x(), corner.y());
            vm().setParameters(recipe);
            settle();
            const std::string where = "mask at (" + std::to_string(corner.x()) + ", " + std::to_string(corner.y()) +
                                      "), handle " + std::to_string(int(r.handle));
            const std::optional<QPointF> at = overlay->handleCentre(r.handle);
            ASSERT_TRUE(at) << where;
            EXPECT_TRUE(QRectF(overlay->rect()).adjusted(6, 6, -6, -6).contains(*at)) << where;
            EXPECT_EQ(widgetUnder(overlay, *at), overlay) << where;  // not under the display, a bar or a panel
            EXPECT_EQ(overlay->handleAt(*at), r.handle) << where;
            if (r.handle == H::radialBadge) continue;
            const QPointF towards = r.handle == H::radialCentre ? QPointF((0.5 - corner.x()) * 60, (0.5 - corner.y()) * 60)
                                                              : r.inwards;
            dragInWindow(overlay, *at, *at + towards);
            settle();
            const RadialMask after = vm().parameters().masks.radialMasks.back();
            switch (r.handle) {
            case H::radialCentre: EXPECT_FALSE(after.center == mask.center) << where; break;
            case H::radialRight:
            case H::radialLeft: EXPECT_LT(after.radiusX, placed.radiusX) << where; break;
            default: EXPECT_LT(after.radiusY, placed.radiusY) << where; break;
            }
        }
    }
}

TEST_F(MaskToolsWindowTest, AMaskAddedWhileCroppingWaitsBeneathTheCropTool) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    auto* panel = inInspector<MaskControlView>();
    ASSERT_NE(panel, nullptr);
    QTest::mouseClick(window->topBar()->cropButton(), Qt::LeftButton);
    settle();
    ASSERT_TRUE(vm().isCroppingMode());

    // A mask added from the inspector turns mask mode on and leaves the crop tool in front.
    QTest::mouseClick(panel->addButton(MaskKind::linear), Qt::LeftButton);
    settle();
    EXPECT_TRUE(vm().isCroppingMode() && vm().isMaskMode());
    EXPECT_EQ(window->canvasAreaView()->branch(), CanvasArea::Branch::crop);
    ASSERT_EQ(vm().parameters().masks.linearMasks.size(), 1u);
    const Uuid added = vm().parameters().masks.linearMasks[0].id;
    EXPECT_EQ(vm().selectedMaskID(), added);

    // Done with the crop: the mask tool was waiting, its new mask selected.
    auto* done = window->findChild<QWidget*>("cropBar.done");
    ASSERT_NE(done, nullptr);
    QTest::mouseClick(done, Qt::LeftButton);
    settle();
    EXPECT_FALSE(vm().isCroppingMode());
    EXPECT_TRUE(vm().isMaskMode());
    EXPECT_EQ(window->canvasAreaView()->branch(), CanvasArea::Branch::mask);
    EXPECT_EQ(inCanvas<MaskOverlayView>()->parameterDisplay()->selectedMaskID(), added);

    // The automation's mask mode sets only its own flag too; the mode buttons
    // still leave one mode at most.
    QTest::mouseClick(window->topBar()->retouchButton(), Qt::LeftButton);
    EXPECT_TRUE(vm().isRetouchMode());
    EXPECT_FALSE(vm().isMaskMode());
    window->handleAutomationAction("open_mask_mode");
    settle();
    EXPECT_TRUE(vm().isRetouchMode() && vm().isMaskMode());
    EXPECT_EQ(window->canvasAreaView()->branch(), CanvasArea::Branch::retouch);
    QTest::mouseClick(window->topBar()->cropButton(), Qt::LeftButton);
    EXPECT_TRUE(vm().isCroppingMode());
    EXPECT_FALSE(vm().isRetouchMode() || vm().isMaskMode());
}

// The parameter display grows and fades in and out: the badge's tap with a
// spring, its close button in a short ease; a tap midway turns it round.
TEST_F(MaskToolsWindowTest, TheParameterDisplayScalesAndFadesAndTurnsRoundMidway) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ASSERT_TRUE(Animations::enabled());
    vm().toggleMaskMode();
    settle();
    auto* overlay = inCanvas<MaskOverlayView>();
    ASSERT_NE(overlay, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return overlay->isVisible() && overlay->width() > 100; }));
    MaskLocalParameterHUD* display = overlay->parameterDisplay();
    ScaleFade& fade = ScaleFade::of(display);
    ASSERT_TRUE(display->isVisible());
    EXPECT_FALSE(fade.isMoving());
    EXPECT_EQ(display->graphicsEffect(), nullptr);  // at rest it paints directly
    // Where the badge is at each tap: a late layout pass may still move the picture under load.
    auto tapBadge = [&] {
        const QPoint badge = overlay->badgeRect(MaskOverlayView::Handle::linearBadge)->center().toPoint();
        QTest::mouseClick(overlay, Qt::LeftButton, {}, badge);
    };

    // Tapped away, it stays on screen while it shrinks and fades.
    tapBadge();
    EXPECT_FALSE(overlay->isShowingParameterDisplay());
    EXPECT_TRUE(display->isVisible());
    EXPECT_TRUE(fade.isMoving());
    ASSERT_TRUE(QTest::qWaitFor([&] { return fade.opacity() < 0.7; }, 2000));
    EXPECT_LT(fade.scale(), 1.0);
    EXPECT_GE(fade.scale(), ScaleFade::kHiddenScale);
    EXPECT_NE(display->graphicsEffect(), nullptr);
    saveWindowShot(*overlay, QStringLiteral("mask-display-leaving"));

    // Tapped again midway: it comes back from where it was, without vanishing first.
    const double midway = fade.opacity();
    tapBadge();
    EXPECT_TRUE(overlay->isShowingParameterDisplay());
    EXPECT_TRUE(display->isVisible());
    EXPECT_NEAR(fade.opacity(), midway, 0.2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fade.isMoving(); }, 2000));
    EXPECT_TRUE(display->isVisible());
    EXPECT_EQ(fade.opacity(), 1.0);
    EXPECT_EQ(display->graphicsEffect(), nullptr);

    // The close button: gone within a short ease.
    QTest::mouseClick(display->closeButton(), Qt::LeftButton);
    EXPECT_TRUE(display->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return display->isHidden(); }, 1000));

    // With animations switched off (the tests' and reduced motion's switch), at once.
    Animations::setEnabled(false);
    const std::shared_ptr<void> animationsBack(nullptr, [](void*) { Animations::setEnabled(true); });
    tapBadge();
    EXPECT_TRUE(display->isVisible());
    EXPECT_FALSE(fade.isMoving());
    tapBadge();
    EXPECT_TRUE(display->isHidden());
}

// The display beside a new mask is up and leaves the mask's handles free: each
// handle's centre and the exposure badge's are the overlay's, through the
// window, at its smallest and default sizes, on landscape and portrait frames,
// and a drag from each handle's centre moves the mask.
TEST_F(MaskToolsWindowTest, TheDisplayLeavesEveryHandleOfANewMaskFree) {
    using Handle = MaskOverlayView::Handle;
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    auto portraitScan = std::make_shared<std::atomic<bool>>(false);
    render->setFrameSizes([portraitScan](const RenderJob&) {
        return *portraitScan ? QSize(2000, 3000) : QSize(3000, 2000);
    });
    for (QSize size : {QSize(MainWindow::kMinimumWidth, MainWindow::kMinimumHeight),
                       QSize(MainWindow::kDefaultWidth, MainWindow::kDefaultHeight)}) {
        window->resize(size);
        for (bool portrait : {false, true}) {
            const std::string where = std::string(portrait ? "portrait" : "landscape") + " at " +
                                      std::to_string(size.width());
            const QSize frame = portrait ? QSize(2000, 3000) : QSize(3000, 2000);
            *portraitScan = portrait;
            EditParameters none = vm().parameters();
            none.masks = {};
            vm().setParameters(none);
            for (bool radial : {false, true}) {
                vm().addMask(radial ? MaskKind::radial : MaskKind::linear);
                MaskOverlayView* overlay = nullptr;
                ASSERT_TRUE(QTest::qWaitFor([&] {
                    settle();
                    overlay = inCanvas<MaskOverlayView>();
                    return overlay && overlay->isVisible() && vm().renderedFrameSize() == frame;
                })) << where;
                // Where the canvas leaves little room (the smallest window, a radial
                // mask), the display shows less of itself rather than hide.
                MaskLocalParameterHUD* display = overlay->parameterDisplay();
                EXPECT_TRUE(display->isVisible()) << where;
                if (shotsWanted())
                    saveWindowShot(*window, QString::fromStdString("mask-display-" + where + (radial ? "-radial" : "-linear"))
                                                .replace(' ', '-'));
                const std::vector<Handle> handles =
                    radial ? std::vector<Handle>{Handle::radialCentre, Handle::radialRight, Handle::radialLeft,
                                                 Handle::radialBottom, Handle::radialTop, Handle::radialBadge}
                           : std::vector<Handle>{Handle::linearStart, Handle::linearEnd, Handle::linearMove,
                                                 Handle::linearBadge};
                for (Handle handle : handles) {
                    const std::string which = where + ", handle " + std::to_string(int(handle));
                    const QPointF centre = *overlay->handleCentre(handle);
                    EXPECT_EQ(widgetUnder(overlay, centre), overlay) << which;
                    EXPECT_EQ(overlay->handleAt(QPointF(centre.toPoint())), handle) << which;
                    if (handle == Handle::linearBadge || handle == Handle::radialBadge) continue;
                    ASSERT_EQ(display->isVisible(), !display->isHidden());
                    const EditParameters before = vm().parameters();
                    dragInWindow(overlay, centre, centre + QPointF(24, 18));
                    EXPECT_FALSE(vm().parameters().masks == before.masks) << which;
                    vm().setParameters(before);
                    settle();
                }
            }
        }
    }

    // In every language at the smallest size, a radial mask alone or after a
    // linear one, added from the bar: the display is up and leaves every
    // handle's centre to the overlay.
    window->resize(MainWindow::kMinimumWidth, MainWindow::kMinimumHeight);
    *portraitScan = false;
    for (AppLanguage language : kAllAppLanguages) {
        LocalizationManager::shared().setLanguage(language);
        for (bool linearFirst : {false, true}) {
            const std::string where = std::string(rawValue(language)) + (linearFirst ? ", after a linear mask" : "");
            EditParameters none = vm().parameters();
            none.masks = {};
            vm().setParameters(none);
            settle();
            auto* bar = inCanvas<MaskControlBar>();
            ASSERT_NE(bar, nullptr);
            if (linearFirst) QTest::mouseClick(bar->addButton(MaskKind::linear), Qt::LeftButton);
            QTest::mouseClick(bar->addButton(MaskKind::radial), Qt::LeftButton);
            auto* overlay = inCanvas<MaskOverlayView>();
            ASSERT_TRUE(QTest::qWaitFor([&] {
                settle();
                return overlay->isVisible() && vm().renderedFrameSize() == QSize(3000, 2000);
            })) << where;
            EXPECT_TRUE(overlay->parameterDisplay()->isVisible()) << where;
            for (Handle handle : {Handle::radialCentre, Handle::radialRight, Handle::radialLeft, Handle::radialBottom,
                                  Handle::radialTop, Handle::radialBadge})
                EXPECT_EQ(widgetUnder(overlay, *overlay->handleCentre(handle)), overlay) << where << int(handle);
            if (shotsWanted() && linearFirst)
                saveWindowShot(*window, QStringLiteral("mask-display-smallest-%1").arg(rawValue(language).data()));
        }
    }
}

TEST_F(MaskToolsWindowTest, TheOverlayLiesOnThePictureOfTheFrameShown) {
    window->resize(1200, 800);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    vm().toggleMaskMode();
    ASSERT_TRUE(QTest::qWaitFor([&] { return vm().isPreviewGeometryCurrent(); }));
    // Renders wait, so that the frame size published below stays.
    render->hold([](const RenderJob&) { return true; });
    const std::shared_ptr<void> releaseRenders(nullptr, [r = render](void*) { r->release(); });
    // A turned and cropped frame, taller than the scan is wide.
    const QSize frame(200, 300);
    vm().setRenderedFrameSize(frame);
    settle();
    auto* overlay = inCanvas<MaskOverlayView>();
    ASSERT_NE(overlay, nullptr);
    QWidget* picture = overlay->parentWidget();
    ASSERT_TRUE(QTest::qWaitFor([&] { return overlay->isVisible() && overlay->height() > 200; }));
    const QRectF onPicture = overlay->imageRect().translated(overlay->pos());
    EXPECT_NEAR(onPicture.width() / onPicture.height(), 2.0 / 3, 0.01);

    // The grey preview is painted exactly where the overlay places the frame
    // (the parameter display, closed, hides none of it).
    QTest::mouseClick(overlay->parameterDisplay()->closeButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return overlay->parameterDisplay()->isHidden(); }, 1000));
    settle();
    const QImage shot = picture->grab().toImage();
    const qreal dpr = shot.devicePixelRatio();
    const int row = int((onPicture.top() + onPicture.height() / 4) * dpr);
    int first = -1, last = -1;
    for (int x = 0; x < shot.width(); ++x) {
        const QColor c = shot.pixelColor(x, row);
        if (std::abs(c.red() - 160) <= 6 && std::abs(c.blue() - 164) <= 6) {
            if (first < 0) first = x;
            last = x;
        }
    }
    ASSERT_GE(first, 0);
    EXPECT_NEAR(first / dpr, onPicture.left(), 1.5);
    EXPECT_NEAR((last + 1) / dpr, onPicture.right(), 1.5);

    // A radial mask's centre handle stands at its place in that frame.
    vm().addMask(MaskKind::radial);
    settle();
    const RadialMask mask = vm().parameters().masks.radialMasks.at(0);
    const QPointF centre = *overlay->handleCentre(MaskOverlayView::Handle::radialCentre) + overlay->pos();
    EXPECT_NEAR(centre.x(), onPicture.left() + mask.center.x * onPicture.width(), 0.5);
    EXPECT_NEAR(centre.y(), onPicture.top() + mask.center.y * onPicture.height(), 0.5);
}

TEST_F(MaskToolsWindowTest, SubjectPanelRunsADetectionAndReturnsWhenNoneIsFound) {
    window->show();
    auto* subject = inInspector<SubjectMaskControlView>();
    ASSERT_NE(subject, nullptr);
    ASSERT_FALSE(subject->detectionCard()->isHidden());
    // Without an analysis service no subject is ever found: the panel is ready again.
    QTest::mouseClick(subject->detectButton(), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return vm().statusMessage() == L10n::tr("status.visionFallback"); }));
    settle();
    EXPECT_FALSE(vm().isDetectingSubject());
    EXPECT_TRUE(subject->detectButton()->isEnabled());
    EXPECT_FALSE(subject->detectionCard()->isHidden());

    // A detected subject shows the grading card; clearing asks the view model to forget it.
    EditParameters recipe = vm().parameters();
    recipe.subjectMask.isEnabled = recipe.subjectMask.hasDetectedSubject = true;
    recipe.subjectMask.subject.exposure = 0.35;
    vm().setParameters(recipe);
    settle();
    EXPECT_FALSE(subject->gradingCard()->isHidden());
    EXPECT_FALSE(subject->resetButton()->isHidden());
    QTest::mouseClick(subject->clearButton(), Qt::LeftButton);
    settle();
    EXPECT_FALSE(vm().parameters().subjectMask.hasDetectedSubject);
    EXPECT_FALSE(subject->detectionCard()->isHidden());
    EXPECT_EQ(vm().statusMessage(), L10n::tr("status.subjectReset"));
}

TEST_F(MaskToolsWindowTest, PanelsFitTheInspectorInEveryLanguage) {
    EditParameters recipe = vm().parameters();
    recipe.masks.radialMasks.push_back(RadialMask{});
    recipe.subjectMask.isEnabled = recipe.subjectMask.hasDetectedSubject = true;
    recipe.subjectMask.subject.exposure = 0.35;
    vm().setParameters(recipe);
    vm().setSelectedMaskID(recipe.masks.radialMasks[0].id);
    window->show();
    auto* masks = inInspector<MaskControlView>();
    auto* subject = inInspector<SubjectMaskControlView>();
    for (AppLanguage language : {AppLanguage::en, AppLanguage::zhHans, AppLanguage::zhHant, AppLanguage::ja,
                                 AppLanguage::de, AppLanguage::fr, AppLanguage::es}) {
        LocalizationManager::shared().setLanguage(language);
        settle();
        // The inspector is 320 points wide with 12 points of padding on each side.
        EXPECT_LE(masks->minimumSizeHint().width(), 296) << int(language);
        EXPECT_LE(subject->minimumSizeHint().width(), 296) << int(language);
    }
}

}  // namespace
}  // namespace vantrel::testing
