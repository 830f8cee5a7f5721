// The crop and spot-healing tools in the window: the overlays over the
// preview and the bars below them, driven by the pointer, reach the view
// model's recipe and operations. The fake frames are 8 x 6 pixels.
#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>
#include <span>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <QPainter>

#include "WindowTestSupport.h"
#include "app/CanvasArea.h"
#include "app/Sidebar.h"
#include "services/L10n.h"
#include "services/LocalizationManager.h"
#include "views/crop/CropOverlayView.h"
#include "views/masks/MaskOverlayView.h"
#include "views/retouch/SpotHealingGeometry.h"
#include "views/retouch/SpotHealingOverlayView.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/Geometry.h"
#include "views/kit/LayoutCheck.h"
#include "views/kit/ProSlider.h"
#include "views/kit/StandardColors.h"
#include "views/retouch/SpotHealingControlBar.h"
#include "views/kit/BusyIndicator.h"
#include "views/kit/Chip.h"
#include "views/kit/SpringValue.h"
#include "views/kit/FloatingToolBar.h"
#include "views/panels/ToneCurveCanvas.h"
#include "views/panels/ToneCurveEditorView.h"
#include "views/crop/CropControlBar.h"

namespace vantrel::testing {
namespace {

class ToolsWindowTest : public ShownWindowTest {
protected:
    template <typename T>
    T* tool() {
        return window->canvasAreaView()->branchView()->findChild<T*>();
    }
    // Waits until a tool's overlay is shown (once its mode's own picture is).
    bool waitShown(QWidget* overlay) {
        return QTest::qWaitFor([&] {
            settle();
            return overlay && overlay->isVisible();
        });
    }
    // Retouch mode entered from the view model, its overlay and bar shown.
    bool enterRetouch() {
        vm().toggleRetouchMode();
        settle();
        return tool<SpotHealingControlBar>() && waitShown(tool<SpotHealingOverlayView>());
    }
    void click(QWidget* widget, QPointF at) { QTest::mouseClick(widget, Qt::LeftButton, {}, at.toPoint()); }
    // A click at a point of `widget`, delivered to the window as the pointer gives it.
    void clickWindow(QWidget* widget, QPointF at) {
        QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, widget->mapTo(window.get(), at.toPoint()));
    }
    // A plain picture with round dark specks of `radius` pixels at `specks`.
    static QImage dustyPicture(QSize size, QColor ground, QColor dust, std::span<const QPointF> specks, double radius) {
        QImage picture(size, QImage::Format_RGBA8888);
        picture.fill(ground);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(dust);
        for (const QPointF& speck : specks) painter.drawEllipse(speck, radius, radius);
        return picture;
    }
    // Where the frame is drawn on `picture`: the fake previews are plain grey.
    static QRect shownFrame(QWidget* picture) {
        const QImage shot = picture->grab().toImage();
        const double ratio = shot.devicePixelRatio();
        QRect found;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (shot.pixelColor(x, y) == QColor(Qt::gray)) found |= QRect(int(x / ratio), int(y / ratio), 1, 1);
        return found;
    }
};

TEST_F(ToolsWindowTest, CropOverlayAndBarEditTheRecipeFromTheWindow) {
    vm().toggleCropMode();
    settle();
    auto* overlay = tool<CropOverlayView>();
    auto* bar = tool<CropControlBar>();
    ASSERT_TRUE(overlay && bar);
    ASSERT_TRUE(waitShown(overlay));
    EXPECT_GT(overlay->fittedImageRect().width(), 300);

    // The right edge's bar, dragged a quarter of the frame to the left.
    const QRectF fitted = overlay->fittedImageRect();
    const QRectF frame = overlay->cropFrameRect();
    const QPoint from = QPointF(frame.right() + 1, frame.center().y()).toPoint();
    QTest::mousePress(overlay, Qt::LeftButton, {}, from);
    QTest::mouseMove(overlay, from - QPoint(int(fitted.width() / 8), 0));
    QTest::mouseMove(overlay, from - QPoint(int(fitted.width() / 4), 0));
    QTest::mouseRelease(overlay, Qt::LeftButton, {}, from - QPoint(int(fitted.width() / 4), 0));
    EXPECT_NEAR(vm().parameters().crop.rect.width, 0.75, 0.01);
    EXPECT_TRUE(vm().hasPendingSave());  // each step asked for an interactive preview

    // A quarter turn, then a square: fitted to the turned 6 x 8 frame.
    QTest::mouseClick(bar->findChild<Chip*>("cropBar.rotateRight"), Qt::LeftButton);
    EXPECT_EQ(vm().parameters().crop.quarterTurns, 1);
    EXPECT_FALSE(vm().hasPendingSave());  // the turn saved at once
    settle();
    bar->aspectMenu()->findChild<QAction*>("cropBar.aspect.square")->trigger();
    const NormalizedRect r = vm().parameters().crop.rect;
    EXPECT_NEAR(r.y, 0.125, 1e-12);
    EXPECT_NEAR(r.width * 6, r.height * 8, 1e-12);
    EXPECT_EQ(vm().parameters().crop.aspectRatio, CropAspectRatio::square);
    EXPECT_TRUE(vm().hasPendingSave());
    settle();
    EXPECT_EQ(bar->aspectButton()->text(), "1:1");

    // The straighten slider writes the angle; the read-out puts it back to 0.
    QWidget* track = bar->straightenSlider()->track();
    QTest::mousePress(track, Qt::LeftButton, {}, {track->width() / 2, 7});
    QTest::mouseMove(track, {track->width() - 2, 7});
    QTest::mouseRelease(track, Qt::LeftButton, {}, {track->width() - 2, 7});
    EXPECT_GT(vm().parameters().crop.straightenAngle, 30);
    settle();
    QTest::mouseClick(bar->angleButton(), Qt::LeftButton);
    EXPECT_EQ(vm().parameters().crop.straightenAngle, 0);

    // A 3:2 crop turned a quarter is a 2:3 one, and the ratio button says so.
    bar->aspectMenu()->findChild<QAction*>("cropBar.aspect.threeByTwo")->trigger();
    settle();
    EXPECT_EQ(bar->aspectButton()->text(), "3:2");
    QTest::mouseClick(bar->findChild<Chip*>("cropBar.rotateRight"), Qt::LeftButton);
    settle();
    const NormalizedRect tall = vm().parameters().crop.rect;
    EXPECT_NEAR(tall.width * 8 / (tall.height * 6), 2.0 / 3, 1e-9);
    EXPECT_EQ(bar->aspectButton()->text(), "2:3");

    // Reset puts back the whole crop; done leaves the mode.
    QTest::mouseClick(bar->findChild<Chip*>("cropBar.reset"), Qt::LeftButton);
    EXPECT_EQ(vm().parameters().crop, CropParameters::defaultValue());
    QTest::mouseClick(bar->findChild<Chip*>("cropBar.done"), Qt::LeftButton);
    EXPECT_FALSE(vm().isCroppingMode());
    settle();
    EXPECT_EQ(window->canvasAreaView()->branch(), CanvasArea::Branch::viewing);
}

// Three dark specks close together, healed one after another with the smallest brush: the
// first one's source keeps off the other two, so a click on each of them heals it instead
// of selecting the spot before.
TEST_F(ToolsWindowTest, CloseSpecksAreHealedOneAfterAnother) {
    // 25 pixels apart: each beyond the reach of the spot healed before it (its handles and
    // its delete button), not beyond that of a source placed on the inner ring towards it.
    const std::array<QPointF, 3> specks = {QPointF(200, 240), QPointF(225, 240), QPointF(250, 240)};
    const QImage picture = dustyPicture({640, 480}, QColor(128, 128, 128), QColor(40, 40, 40), specks, 2.5);
    render->setPreviewPicture(picture);
    vm().setRetouchBrushRadius(6);
    vm().requestRender(RenderQuality::final);
    ASSERT_TRUE(QTest::qWaitFor([&] { return vm().renderedPreview().size() == picture.size(); }));
    ASSERT_TRUE(enterRetouch());
    auto* overlay = tool<SpotHealingOverlayView>();
    ASSERT_TRUE(QTest::qWaitFor([&] {
        settle();
        return vm().renderedPreview().size() == picture.size() && overlay->isVisible();
    }));
    const QRectF frame = overlay->imageRect();
    const auto onScreen = [&](const QPointF& p) {
        return frame.topLeft() + QPointF(p.x() / 640 * frame.width(), p.y() / 480 * frame.height());
    };
    for (std::size_t i = 0; i < specks.size(); ++i) {
        ASSERT_TRUE(waitShown(overlay));  // the healed picture shown again
        clickWindow(overlay, onScreen(specks[i]));
        settle();
        const std::vector<SpotItem>& spots = vm().parameters().spotHealing.spots;
        ASSERT_EQ(spots.size(), i + 1) << "the click on speck " << i << " healed nothing";
        const SpotItem& spot = spots.back();
        const QPointF source((spot.center.x + spot.sourceOffset.x) * 640, (spot.center.y + spot.sourceOffset.y) * 480);
        const double radius = std::max(spot.radius * 480, 6.0);
        for (std::size_t j = 0; j < specks.size(); ++j)
            EXPECT_GT(QLineF(source, specks[j]).length(), radius + 2.5) << "the source of speck " << i << " holds speck " << j;
    }
}

// Dust in a cluster, healed through the window with the picture shown at about its pixel size
// (a 6-pixel spot) and at 1.5 points a pixel (the default brush): a click on a speck 12 to 15
// pixels from the selected spot, on the side of its source, heals it and deletes nothing (the
// delete button keeps off specks and the source's side), and a speck inside a spot's ring but
// beyond what it heals whole gets a spot of its own.
TEST_F(ToolsWindowTest, ASpeckBesideOrInsideASelectedSpotsRingIsHealedNotDeleted) {
    ASSERT_TRUE(enterRetouch());
    auto* overlay = tool<SpotHealingOverlayView>();
    const double fitWidth = overlay->imageRect().width();
    for (const double pointsPerPixel : {0.93, 1.5}) {
        SCOPED_TRACE(pointsPerPixel);
        const int width = int(std::lround(fitWidth / pointsPerPixel / 4)) * 4;
        const QPointF centre(width / 2.0, width * 3 / 8.0);
        // The speck healed first, one 12 to 15 pixels to its right, and one inside its ring.
        const double brush = pointsPerPixel < 1 ? 6 * pointsPerPixel : 20;
        const double ringPixels = brush / pointsPerPixel;
        const std::array<QPointF, 3> specks = {centre, centre + QPointF(13.5, 0),
                                               centre + QPointF(0, 0.8 * ringPixels)};
        const QImage picture =
            dustyPicture({width, width * 3 / 4}, QColor(200, 200, 200), QColor(60, 60, 60), specks, 2);
        render->setPreviewPicture(picture);
        vm().clearAllHealingSpots();
        vm().setRetouchBrushRadius(brush);
        vm().requestRender(RenderQuality::final);
        ASSERT_TRUE(QTest::qWaitFor([&] {
            settle();
            return vm().renderedPreview().size() == picture.size() && overlay->isVisible();
        }));
        const QRectF frame = overlay->imageRect();
        const double scale = frame.width() / width;
        ASSERT_NEAR(scale, pointsPerPixel, 0.05);
        const auto onScreen = [&](const QPointF& p) { return frame.topLeft() + p * scale; };

        clickWindow(overlay, onScreen(centre));
        ASSERT_EQ(vm().parameters().spotHealing.spots.size(), 1u);
        // Its source up and to the right, clear of the specks.
        EditParameters recipe = vm().parameters();
        SpotItem& first = recipe.spotHealing.spots[0];
        first.sourceOffset = {2.5 * ringPixels / width, -2.5 * ringPixels / picture.height()};
        vm().setParameters(recipe);
        const EditParameters healedOnce = vm().parameters();
        for (const double d : {12.0, 13.5, 15.0}) {
            vm().setParameters(healedOnce);
            vm().setSelectedRetouchSpotID(first.id);
            settle();
            ASSERT_TRUE(overlay->deleteButton()) << "a free place round the ring";
            clickWindow(overlay, onScreen(centre + QPointF(d, 0)));
            settle();
            const std::vector<SpotItem>& spots = vm().parameters().spotHealing.spots;
            ASSERT_EQ(spots.size(), 2u) << d << " pixels out";
            EXPECT_EQ(spots[0].id, first.id);
            EXPECT_NEAR(spots[1].center.x * width, centre.x() + d, 1);
        }
        // The speck inside the default brush's ring, beyond its healed middle: a spot of its own.
        if (pointsPerPixel < 1) continue;
        vm().setParameters(healedOnce);
        settle();
        clickWindow(overlay, onScreen(specks[2]));
        settle();
        const std::vector<SpotItem>& spots = vm().parameters().spotHealing.spots;
        ASSERT_EQ(spots.size(), 2u);
        EXPECT_NEAR(spots[1].center.y * picture.height(), specks[2].y(), 1);
        if (shotsWanted() && pointsPerPixel > 1) saveWindowShot(*window->canvasArea(), QStringLiteral("dust-cluster"));
    }
}

TEST_F(ToolsWindowTest, SpotsAreAddedResizedAndRemovedFromTheWindow) {
    ASSERT_TRUE(enterRetouch());
    auto* overlay = tool<SpotHealingOverlayView>();
    auto* bar = tool<SpotHealingControlBar>();
    EXPECT_EQ(bar->countLabel()->text(), "Click canvas to heal");

    // A click on the frame adds a spot there, selected in the view model.
    const QRectF frame = overlay->imageRect();
    const QPointF at = frame.topLeft() + QPointF(frame.width() * 0.25, frame.height() * 0.5);
    click(overlay, at);
    ASSERT_EQ(vm().parameters().spotHealing.spots.size(), 1u);
    const SpotItem spot = vm().parameters().spotHealing.spots[0];
    EXPECT_NEAR(spot.center.x, 0.25, 1.0 / frame.width());
    EXPECT_NEAR(spot.center.y, 0.5, 1.0 / frame.height());
    EXPECT_DOUBLE_EQ(spot.radius, vm().retouchBrushRadius() / overlay->shortSide());
    EXPECT_EQ(vm().selectedRetouchSpotID(), spot.id);
    EXPECT_TRUE(vm().hasPendingSave());
    settle();
    EXPECT_EQ(bar->countLabel()->text(), "1 healed");
    EXPECT_EQ(bar->brushLabel()->text(), "Spot Radius:");

    // The bar's brush reset (24) reaches the selected spot through the overlay.
    QTest::mouseDClick(bar->brushSlider()->track(), Qt::LeftButton);
    EXPECT_EQ(vm().retouchBrushRadius(), 24);
    settle();
    EXPECT_DOUBLE_EQ(vm().parameters().spotHealing.spots[0].radius, 24 / overlay->shortSide());

    // Deleting through the bar clears the spot and the selection.
    QTest::mouseClick(bar->deleteButton(), Qt::LeftButton);
    EXPECT_TRUE(vm().parameters().spotHealing.spots.empty());
    EXPECT_EQ(vm().selectedRetouchSpotID(), std::nullopt);
    settle();

    // Delete and Backspace remove the selected spot, as the trash button's
    // tooltip says; a text field with the focus keeps them.
    auto point = [&](double x, double y) { return frame.topLeft() + QPointF(frame.width() * x, frame.height() * y); };
    click(overlay, point(0.2, 0.2));
    click(overlay, point(0.8, 0.8));
    click(overlay, point(0.5, 0.2));
    ASSERT_EQ(vm().parameters().spotHealing.spots.size(), 3u);
    const Uuid first = vm().parameters().spotHealing.spots[0].id;
    settle();
    {
        QLineEdit field(QStringLiteral("ab"), window->sidebarView());
        field.show();
        field.setFocus();
        QTest::keyClick(&field, Qt::Key_Backspace);
        QTest::keyClick(&field, Qt::Key_Delete);
        EXPECT_EQ(field.text(), "a");
        EXPECT_EQ(vm().parameters().spotHealing.spots.size(), 3u);
    }
    window->setFocus();
    QTest::keyClick(window.get(), Qt::Key_Delete);
    ASSERT_EQ(vm().parameters().spotHealing.spots.size(), 2u);
    EXPECT_EQ(vm().selectedRetouchSpotID(), std::nullopt);
    settle();
    click(overlay, point(0.8, 0.8));  // selects the spot there
    ASSERT_EQ(vm().selectedRetouchSpotID(), vm().parameters().spotHealing.spots[1].id);
    QTest::keyClick(window.get(), Qt::Key_Backspace);
    ASSERT_EQ(vm().parameters().spotHealing.spots.size(), 1u);
    settle();

    // One more, undo takes the last, clear the rest; done leaves the mode.
    click(overlay, point(0.8, 0.8));
    ASSERT_EQ(vm().parameters().spotHealing.spots.size(), 2u);
    settle();
    QTest::mouseClick(bar->undoButton(), Qt::LeftButton);
    ASSERT_EQ(vm().parameters().spotHealing.spots.size(), 1u);
    EXPECT_EQ(vm().parameters().spotHealing.spots[0].id, first);
    settle();
    QTest::mouseClick(bar->clearButton(), Qt::LeftButton);
    EXPECT_TRUE(vm().parameters().spotHealing.spots.empty());
    settle();
    QTest::mouseClick(bar->doneButton(), Qt::LeftButton);
    EXPECT_FALSE(vm().isRetouchMode());

    // Outside retouch mode the keys leave spots alone.
    EditParameters recipe = vm().parameters();
    recipe.spotHealing.spots = {SpotItem{}};
    vm().setParameters(recipe);
    vm().setSelectedRetouchSpotID(recipe.spotHealing.spots[0].id);
    QTest::keyClick(window.get(), Qt::Key_Delete);
    QTest::keyClick(window.get(), Qt::Key_Backspace);
    EXPECT_EQ(vm().parameters().spotHealing.spots.size(), 1u);
}

// A dust speck healed with the smallest brush, its source 13 points away
// where a large spot's delete button would stand, and a second spot after it:
// through the window, a click on the selected spot's centre keeps it, a drag
// from its centre moves the spot and one from its source's centre the source
// alone; its delete button removes it, and the bar's Undo brings that spot
// back where it was, the other untouched.
TEST_F(ToolsWindowTest, ASmallSpotsPartsAreTakenWhereTheyAreDrawnAndUndoRestoresADeletion) {
    ASSERT_TRUE(enterRetouch());
    auto* overlay = tool<SpotHealingOverlayView>();
    auto* bar = tool<SpotHealingControlBar>();
    vm().setRetouchBrushRadius(6);
    const QRectF frame = overlay->imageRect();
    clickWindow(overlay, frame.topLeft() + QPointF(frame.width() * 0.3, frame.height() * 0.4));
    ASSERT_EQ(vm().parameters().spotHealing.spots.size(), 1u);
    EditParameters recipe = vm().parameters();
    recipe.spotHealing.spots[0].sourceOffset = {9.2 / frame.width(), -9.2 / frame.height()};
    vm().setParameters(recipe);
    clickWindow(overlay, frame.topLeft() + QPointF(frame.width() * 0.7, frame.height() * 0.6));
    ASSERT_EQ(vm().parameters().spotHealing.spots.size(), 2u);
    settle();
    const auto spot = [&] { return vm().parameters().spotHealing.spots.at(0); };
    const SpotItem placed = spot();
    const QPointF T = spots::targetPoint(overlay->spotLayout(), placed);
    const QPointF S = spots::sourcePoint(overlay->spotLayout(), placed);
    ASSERT_NEAR(spots::drawnRadius(overlay->spotLayout(), placed), 6, 1e-9);

    // Selected by a click on its centre; a second click there keeps it.
    for (int i = 0; i < 2; ++i) {
        clickWindow(overlay, T);
        settle();
        ASSERT_EQ(vm().parameters().spotHealing.spots.size(), 2u) << "click " << i;
        EXPECT_EQ(vm().selectedRetouchSpotID(), placed.id);
    }
    if (shotsWanted()) saveWindowShot(*window->canvasArea(), QStringLiteral("small-spot-selected"));
    dragInWindow(overlay, T, T + QPointF(20, 10));
    settle();
    EXPECT_NEAR(spot().center.x, placed.center.x + 20 / frame.width(), 1.5 / frame.width());
    EXPECT_EQ(spot().sourceOffset, placed.sourceOffset);
    const SpotItem moved = spot();
    const QPointF movedSource = S + QPointF(20, 10);
    dragInWindow(overlay, movedSource, movedSource + QPointF(0, 30));
    settle();
    EXPECT_EQ(spot().center, moved.center);
    EXPECT_NEAR(spot().sourceOffset.y, moved.sourceOffset.y + 30 / frame.height(), 1.5 / frame.height());

    // Deleted with its button, brought back by Undo.
    const SpotItem before = spot();
    const SpotItem other = vm().parameters().spotHealing.spots.at(1);
    ASSERT_TRUE(overlay->deleteButton());
    clickWindow(overlay, overlay->deleteButton()->centre);
    ASSERT_EQ(vm().parameters().spotHealing.spots, std::vector<SpotItem>{other});
    EXPECT_EQ(vm().statusMessage(), "Removed the healing spot (Undo brings it back)");
    settle();
    QTest::mouseClick(bar->undoButton(), Qt::LeftButton);
    EXPECT_EQ(vm().parameters().spotHealing.spots, (std::vector<SpotItem>{before, other}));
    EXPECT_EQ(vm().selectedRetouchSpotID(), before.id);
    // Undo again takes back the last addition: the second spot.
    settle();
    QTest::mouseClick(bar->undoButton(), Qt::LeftButton);
    EXPECT_EQ(vm().parameters().spotHealing.spots, std::vector<SpotItem>{before});
    // The only spot deleted: Undo still can bring it back.
    settle();
    clickWindow(overlay, overlay->deleteButton()->centre);
    ASSERT_TRUE(vm().parameters().spotHealing.spots.empty());
    settle();
    QTest::mouseClick(bar->undoButton(), Qt::LeftButton);
    EXPECT_EQ(vm().parameters().spotHealing.spots, std::vector<SpotItem>{before});
}

// Right after crop mode, the picture on screen is still the one rendered for
// it: the whole frame, not the cropped one the retouching heals. A click on it
// must not heal a place of the cropped frame other than the one clicked; once
// the retouching's own picture is shown, a click heals where it falls. Clicks go
// through the window, to whatever lies under the pointer.
TEST_F(ToolsWindowTest, AClickHealsWhereItFallsOnThePictureShown) {
    // The right half kept: the whole frame is 8 x 6 pixels, the cropped one 4 x 6.
    render->setFrameSizes(
        [](const RenderJob& job) {
            return job.framing == Framing::uncropped || job.recipe.crop.rect.isFull() ? QSize(8, 6) : QSize(4, 6);
        });
    EditParameters recipe = vm().parameters();
    recipe.crop.rect = {0.5, 0, 0.5, 1};
    vm().setParameters(recipe);
    QTest::mouseClick(window->findChild<QPushButton*>("mode.crop"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        settle();
        auto* overlay = tool<CropOverlayView>();
        return overlay && overlay->isVisible() && vm().renderedFrameSize() == QSize(8, 6);
    }));

    // The retouching's renders wait; its branch shows the crop mode's picture meanwhile.
    render->hold([](const RenderJob& job) { return job.framing == Framing::cropped; });
    QTest::mouseClick(window->findChild<QWidget*>("cropBar.done"), Qt::LeftButton);
    QTest::mouseClick(window->findChild<QPushButton*>("mode.retouch"), Qt::LeftButton);
    settle();
    ASSERT_TRUE(vm().isRetouchMode());
    QWidget* picture = tool<SpotHealingOverlayView>()->parentWidget();
    const QRect whole = shownFrame(picture);
    ASSERT_NEAR(double(whole.width()) / whole.height(), 8.0 / 6.0, 0.02);
    // A quarter across the whole frame: a part the crop has cut away.
    clickWindow(picture, whole.topLeft() + QPointF(whole.width() * 0.25, whole.height() * 0.5));
    settle();
    EXPECT_TRUE(vm().parameters().spotHealing.spots.empty()) << "a heal where nobody clicked";

    render->release();
    auto* overlay = tool<SpotHealingOverlayView>();
    ASSERT_TRUE(QTest::qWaitFor([&] {
        settle();
        return overlay->isVisible() && vm().renderedFrameSize() == QSize(4, 6);
    }));
    const QRect cropped = shownFrame(picture);
    ASSERT_NEAR(double(cropped.width()) / cropped.height(), 4.0 / 6.0, 0.02);
    clickWindow(picture, cropped.topLeft() + QPointF(cropped.width() * 0.25, cropped.height() * 0.5));
    ASSERT_EQ(vm().parameters().spotHealing.spots.size(), 1u);
    const SpotItem spot = vm().parameters().spotHealing.spots[0];
    EXPECT_NEAR(spot.center.x, 0.25, 2.0 / cropped.width());
    EXPECT_NEAR(spot.center.y, 0.5, 2.0 / cropped.height());
}

// A spot healed with a click stays on its place of the picture when the crop bar turns
// the frame afterwards, and comes back with the opposite turn.
TEST_F(ToolsWindowTest, AHealedSpotTurnsWithTheFrameFromTheCropBar) {
    ASSERT_TRUE(enterRetouch());
    auto* overlay = tool<SpotHealingOverlayView>();
    const QRectF frame = overlay->imageRect();
    click(overlay, frame.topLeft() + QPointF(frame.width() * 0.2, frame.height() * 0.3));
    ASSERT_EQ(vm().parameters().spotHealing.spots.size(), 1u);
    const SpotItem healed = vm().parameters().spotHealing.spots[0];

    QTest::mouseClick(window->findChild<QPushButton*>("mode.crop"), Qt::LeftButton);
    settle();
    auto* bar = tool<CropControlBar>();
    ASSERT_TRUE(bar);
    QTest::mouseClick(bar->findChild<Chip*>("cropBar.rotateRight"), Qt::LeftButton);
    ASSERT_EQ(vm().parameters().crop.quarterTurns, 1);
    const SpotItem turned = vm().parameters().spotHealing.spots.at(0);
    EXPECT_NEAR(turned.center.x, 1 - healed.center.y, 1e-9);  // clockwise: the left edge becomes the top
    EXPECT_NEAR(turned.center.y, healed.center.x, 1e-9);
    QTest::mouseClick(bar->findChild<Chip*>("cropBar.rotateLeft"), Qt::LeftButton);
    EXPECT_EQ(vm().parameters().spotHealing.spots, std::vector<SpotItem>{healed});
}

// The crop frame's eight handles, each taken at its centre through the window:
// at the window's smallest and default sizes, on a landscape frame, a portrait
// one and a landscape one turned a quarter. None lies under the crop bar or
// beyond the overlay, and each moves its own edges.
TEST_F(ToolsWindowTest, EveryCropHandleIsTakenAtItsCentreInTheWindow) {
    auto portraitScan = std::make_shared<std::atomic<bool>>(false);
    render->setFrameSizes([portraitScan](const RenderJob& job) {
        const bool tall = *portraitScan != (job.recipe.crop.quarterTurns % 2 == 1);
        return tall ? QSize(2000, 3000) : QSize(3000, 2000);
    });
    struct Shape {
        const char* name;
        bool portrait;
        int turns;
    };
    for (QSize size : {QSize(MainWindow::kMinimumWidth, MainWindow::kMinimumHeight),
                       QSize(MainWindow::kDefaultWidth, MainWindow::kDefaultHeight)}) {
        window->resize(size);
        for (const Shape& shape : {Shape{"landscape", false, 0}, Shape{"portrait", true, 0}, Shape{"turned", false, 1}}) {
            const std::string where = std::string(shape.name) + " at " + std::to_string(size.width());
            if (vm().isCroppingMode()) vm().toggleCropMode();
            *portraitScan = shape.portrait;
            EditParameters recipe = vm().parameters();
            recipe.crop = CropParameters::defaultValue();
            recipe.crop.quarterTurns = shape.turns;
            vm().setParameters(recipe);
            vm().toggleCropMode();
            const QSize frameSize = shape.portrait != (shape.turns == 1) ? QSize(2000, 3000) : QSize(3000, 2000);
            ASSERT_TRUE(QTest::qWaitFor([&] {
                settle();
                auto* overlay = tool<CropOverlayView>();
                return overlay && overlay->isVisible() && vm().renderedFrameSize() == frameSize;
            })) << where;
            auto* overlay = tool<CropOverlayView>();
            const QRectF fitted = overlay->fittedImageRect();
            EXPECT_NEAR(fitted.width() / fitted.height(), double(frameSize.width()) / frameSize.height(), 0.01) << where;
            // The picture is drawn where the overlay places its marks (once both follow the
            // bar's last height: on a loaded machine it may break into two lines late).
            QRectF placed;
            QRect shown;
            EXPECT_TRUE(QTest::qWaitFor([&] {
                const QRectF now = overlay->fittedImageRect();
                placed = QRectF(overlay->mapTo(overlay->parentWidget(), QPoint()) + now.topLeft(), now.size());
                shown = shownFrame(overlay->parentWidget());
                return std::abs(shown.left() - placed.left()) <= 4 && std::abs(shown.bottom() + 1 - placed.bottom()) <= 4;
            }, 2000)) << where << ": drawn at " << shown.left() << ".." << shown.bottom() + 1 << ", placed at "
                      << placed.left() << ".." << placed.bottom();
            if (shotsWanted()) saveWindowShot(*window, QString::fromStdString("crop-handles-" + where).replace(' ', '-'));

            for (CropHandleType handle : kCropHandles) {
                const std::string which = where + ", handle " + std::to_string(int(handle));
                const QRectF frame = overlay->cropFrameRect();
                const QPointF centre = crop::isCorner(handle) ? crop::hitRect(handle, frame).center()
                                                               : crop::edgeBarRect(handle, frame).center();
                ASSERT_EQ(widgetUnder(overlay, centre), overlay) << which;
                ASSERT_EQ(crop::handleAt(frame, QPointF(centre.toPoint())), handle) << which;
                // Dragged 30 points towards the middle of the frame.
                const QPointF towards = frame.center() - centre;
                QPointF step(crop::isCorner(handle) || handle == CropHandleType::left || handle == CropHandleType::right
                                 ? std::copysign(30.0, towards.x())
                                 : 0.0,
                             crop::isCorner(handle) || handle == CropHandleType::top || handle == CropHandleType::bottom
                                 ? std::copysign(30.0, towards.y())
                                 : 0.0);
                dragInWindow(overlay, centre, centre + step);
                const NormalizedRect r = vm().parameters().crop.rect;
                const bool left = handle == CropHandleType::topLeft || handle == CropHandleType::bottomLeft ||
                                  handle == CropHandleType::left;
                const bool right = handle == CropHandleType::topRight || handle == CropHandleType::bottomRight ||
                                   handle == CropHandleType::right;
                const bool top = handle == CropHandleType::topLeft || handle == CropHandleType::topRight ||
                                 handle == CropHandleType::top;
                const bool bottom = handle == CropHandleType::bottomLeft || handle == CropHandleType::bottomRight ||
                                    handle == CropHandleType::bottom;
                EXPECT_EQ(r.x > 0.01, left) << which;
                EXPECT_EQ(r.x + r.width < 0.99, right) << which;
                EXPECT_EQ(r.y > 0.01, top) << which;
                EXPECT_EQ(r.y + r.height < 0.99, bottom) << which;
                EditParameters whole = vm().parameters();
                whole.crop.rect = NormalizedRect::full();
                vm().setParameters(whole);
                settle();
            }
        }
    }
}

// Escape during a drag calls it off: the crop handle, the spot, the mask
// handle and the curve point go back to where the drag found them, and the
// pointer moves nothing more until it is pressed again.
TEST_F(ToolsWindowTest, EscapeCallsOffADragAndPutsBackWhereItStarted) {
    QWindow* handle = window->windowHandle();
    auto escape = [&] { QTest::keyClick(handle, Qt::Key_Escape); };
    // The rest of the called-off drag: a move further on, and the release.
    auto moveAndRelease = [&](QWidget* widget, QPointF at) {
        const QPoint p = widget->mapTo(window.get(), at.toPoint());
        QTest::mouseMove(handle, p);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, p);
        settle();
    };
    vm().toggleCropMode();
    settle();
    auto* crop = tool<CropOverlayView>();
    ASSERT_TRUE(waitShown(crop));
    const QRectF frame = crop->cropFrameRect();
    dragInWindow(crop, frame.bottomRight(), frame.bottomRight() - QPointF(60, 40), false);
    ASSERT_LT(vm().parameters().crop.rect.width, 0.95);
    escape();
    EXPECT_EQ(vm().parameters().crop.rect, NormalizedRect::full());
    EXPECT_FALSE(crop->dragInitialRect().has_value());
    moveAndRelease(crop, frame.bottomRight() - QPointF(90, 60));
    EXPECT_EQ(vm().parameters().crop.rect, NormalizedRect::full());
    vm().saveCrop();

    vm().toggleRetouchMode();
    settle();
    auto* spots = tool<SpotHealingOverlayView>();
    ASSERT_TRUE(waitShown(spots));
    const QPointF target = fromUnit(spots->imageRect(), {0.3, 0.5});
    click(spots, target);
    ASSERT_EQ(vm().parameters().spotHealing.spots.size(), 1u);
    const SpotItem placed = vm().parameters().spotHealing.spots[0];
    const QPointF onTarget = fromUnit(spots->imageRect(), {placed.center.x, placed.center.y});
    dragInWindow(spots, onTarget, onTarget + QPointF(50, 30), false);
    ASSERT_GT(vm().parameters().spotHealing.spots[0].center.x, placed.center.x);
    escape();
    EXPECT_EQ(vm().parameters().spotHealing.spots[0].center.x, placed.center.x);
    EXPECT_EQ(vm().parameters().spotHealing.spots[0].center.y, placed.center.y);
    EXPECT_FALSE(spots->draggingTargetSpotID().has_value());
    moveAndRelease(spots, onTarget + QPointF(80, 40));
    EXPECT_EQ(vm().parameters().spotHealing.spots[0].center.x, placed.center.x);
    vm().saveRetouch();

    vm().addMask(MaskKind::linear);
    settle();
    auto* masks = tool<MaskOverlayView>();
    ASSERT_TRUE(waitShown(masks));
    const LinearMask mask = vm().parameters().masks.linearMasks.at(0);
    const QPointF end = *masks->handleCentre(MaskOverlayView::Handle::linearEnd);
    dragInWindow(masks, end, end + QPointF(40, 40), false);
    ASSERT_FALSE(vm().parameters().masks.linearMasks[0].endPoint == mask.endPoint);
    escape();
    EXPECT_TRUE(vm().parameters().masks.linearMasks[0].endPoint == mask.endPoint);
    moveAndRelease(masks, end + QPointF(60, 60));
    EXPECT_TRUE(vm().parameters().masks.linearMasks[0].endPoint == mask.endPoint);
    vm().finishMaskEditing();
    settle();

    auto* curve = window->findChild<ToneCurveEditorView*>();
    ASSERT_NE(curve, nullptr);
    scrollTo(curve);
    ToneCurveCanvas* canvas = curve->canvas();
    const std::vector<CurvePoint> before = vm().parameters().curvePoints;
    const QPointF from = canvas->handleCentre(before[1].id);
    dragInWindow(canvas, from, from + QPointF(2, -30), false);
    ASSERT_NE(vm().parameters().curvePoints, before);
    ASSERT_TRUE(vm().isInteracting());
    escape();
    EXPECT_EQ(vm().parameters().curvePoints, before);
    EXPECT_FALSE(curve->isDragging());
    EXPECT_FALSE(vm().isInteracting());  // the interaction ended with the drag
    moveAndRelease(canvas, from + QPointF(2, -50));
    EXPECT_EQ(vm().parameters().curvePoints, before);
}

// Selecting a spot and the dust view bring in their controls; every other
// control stays where it was, at the smallest and the default size, so a click
// aimed at "Clear All" lands on it whatever came or went.
TEST_F(ToolsWindowTest, TheHealingBarKeepsEveryControlInPlace) {
    ASSERT_TRUE(enterRetouch());
    auto* overlay = tool<SpotHealingOverlayView>();
    auto* bar = tool<SpotHealingControlBar>();
    const auto places = [&] {
        std::vector<QRect> placed;
        for (QWidget* control : std::initializer_list<QWidget*>{bar, bar->brushSlider(), bar->brushValue(),
                                                                 bar->dustButton(), bar->countLabel(),
                                                                 bar->undoButton(), bar->clearButton(),
                                                                 bar->doneButton()})
            placed.emplace_back(control->mapTo(window.get(), QPoint()), control->size());
        return placed;
    };
    for (QSize size : {QSize(MainWindow::kMinimumWidth, MainWindow::kMinimumHeight),
                       QSize(MainWindow::kDefaultWidth, MainWindow::kDefaultHeight)}) {
        window->resize(size);
        settle();
        const std::vector<QRect> resting = places();
        const QRectF frame = overlay->imageRect();
        click(overlay, frame.center());
        settle();
        ASSERT_TRUE(bar->selectedGroup()->isVisible());
        EXPECT_EQ(places(), resting) << size.width() << ", a spot selected";
        QTest::mouseClick(bar->dustButton(), Qt::LeftButton);
        settle();
        ASSERT_TRUE(bar->sensitivityGroup()->isVisible());
        EXPECT_EQ(places(), resting) << size.width() << ", the dust view on";
        if (shotsWanted()) saveWindowShot(*window->canvasArea(), QStringLiteral("healing-%1").arg(size.width()));
        QTest::mouseClick(bar->deleteButton(), Qt::LeftButton);
        QTest::mouseClick(bar->dustButton(), Qt::LeftButton);
        settle();
        ASSERT_FALSE(bar->selectedGroup()->isVisible());
        ASSERT_FALSE(bar->sensitivityGroup()->isVisible());
        EXPECT_EQ(places(), resting) << size.width() << ", both gone again";
        if (shotsWanted()) saveWindowShot(*bar, QStringLiteral("healing-bar-resting-%1").arg(size.width()));
    }

    // A small spot with its source right beside it, as a search places it: the two labels never cover each other.
    EditParameters recipe = vm().parameters();
    SpotItem spot;
    spot.center = {0.5, 0.5};
    spot.radius = 0.02;
    spot.sourceOffset = {2.2 * spot.radius * overlay->shortSide() / overlay->imageRect().width(), 0};
    recipe.spotHealing.spots = {spot};
    vm().setParameters(recipe);
    vm().setSelectedRetouchSpotID(spot.id);
    settle();
    const std::optional<spots::LabelBoxes> labels = overlay->selectedLabels();
    ASSERT_TRUE(labels);
    EXPECT_FALSE(labels->target.intersects(labels->source));
    // Each label's fill shows along its whole top, uncovered.
    const QImage shot = overlay->grab().toImage();
    const auto uncovered = [&](const QRectF& box, StandardColor colour) {
        for (double x = box.left() + 4; x <= box.right() - 4; x += 2)
            if (shot.pixelColor(QPointF(x, box.top() + 1.5).toPoint()) != standardColor(colour)) return false;
        return true;
    };
    EXPECT_TRUE(uncovered(labels->source, StandardColor::Cyan));
    EXPECT_TRUE(uncovered(labels->target, StandardColor::Yellow));

    // Its source right above it, as a search often places it: the target's
    // label goes below its ring rather than over the source's ring.
    recipe.spotHealing.spots[0].sourceOffset = {0, -2.2 * spot.radius * overlay->shortSide() / overlay->imageRect().height()};
    vm().setParameters(recipe);
    settle();
    const std::optional<spots::LabelBoxes> apart = overlay->selectedLabels();
    ASSERT_TRUE(apart);
    const SpotItem& above = vm().parameters().spotHealing.spots.at(0);
    const spots::Layout layout = overlay->spotLayout();
    const double r = spots::drawnRadius(layout, above);
    const auto ring = [&](QPointF c) { return QRectF(c - QPointF(r, r), QSizeF(2 * r, 2 * r)); };
    EXPECT_FALSE(apart->target.intersects(ring(spots::sourcePoint(layout, above))));
    EXPECT_FALSE(apart->source.intersects(ring(spots::targetPoint(layout, above))));
    EXPECT_FALSE(apart->target.intersects(apart->source));
}

// Grown until it would reach its own source, a spot takes a new one, searched
// as for a new spot; grown or shrunk short of that, it keeps the one it has.
TEST_F(ToolsWindowTest, AGrownSpotTakesANewSourceWhenItWouldReachItsOld) {
    ASSERT_TRUE(enterRetouch());
    auto* overlay = tool<SpotHealingOverlayView>();
    auto* bar = tool<SpotHealingControlBar>();
    const QSizeF frame(vm().renderedPreview().size());
    const auto apart = [&](const SpotItem& s) {
        return std::hypot(s.sourceOffset.x * frame.width(), s.sourceOffset.y * frame.height()) /
               (2 * s.radius * std::min(frame.width(), frame.height()));
    };
    click(overlay, overlay->imageRect().center());
    ASSERT_EQ(vm().parameters().spotHealing.spots.size(), 1u);
    const SpotItem placed = vm().parameters().spotHealing.spots[0];
    ASSERT_GT(apart(placed), 1);
    settle();

    // The brush slider to its end (80 points): the old source lies inside the grown disc.
    QWidget* track = bar->brushSlider()->track();
    QTest::mousePress(track, Qt::LeftButton, {}, {track->width() / 2, 7});
    QTest::mouseMove(track, {track->width() - 1, 7});
    QTest::mouseRelease(track, Qt::LeftButton, {}, {track->width() - 1, 7});
    settle();
    const SpotItem grown = vm().parameters().spotHealing.spots[0];
    ASSERT_GT(grown.radius, 3 * placed.radius);
    EXPECT_GE(apart(grown), 1) << "the patch would copy the speck beside itself";

    // A little smaller: the new source is clear of it and stays.
    QTest::mousePress(track, Qt::LeftButton, {}, {track->width() - 1, 7});
    QTest::mouseMove(track, {track->width() - 10, 7});
    QTest::mouseRelease(track, Qt::LeftButton, {}, {track->width() - 10, 7});
    settle();
    const SpotItem shrunk = vm().parameters().spotHealing.spots[0];
    EXPECT_LT(shrunk.radius, grown.radius);
    EXPECT_EQ(shrunk.sourceOffset, grown.sourceOffset);
}

// The waits move: the loading text of a tool before its first preview, and
// the auto-level buttons of the crop bar and the inspector while the horizon
// is measured, each show an indicator whose picture changes as it turns; with
// animations off there is none.
TEST_F(ToolsWindowTest, WaitsShowATurningIndicatorUnlessAnimationsAreOff) {
    ASSERT_TRUE(Animations::enabled());
    const std::shared_ptr<void> animationsBack(nullptr, [](void*) { Animations::setEnabled(true); });
    render->hold([](const RenderJob&) { return true; });
    const std::shared_ptr<void> releaseRenders(nullptr, [r = render](void*) { r->release(); });
    vm().toggleCropMode();
    vm().setRenderedPreview(QImage());
    vm().setIsDetectingHorizon(true);
    settle();
    ASSERT_TRUE(window->canvasArea()->findChild<QLabel*>("loadingFilm")->isVisible());
    const std::vector<BusyIndicator*> indicators{
        window->canvasArea()->findChild<BusyIndicator*>("loadingFilm.progress"),
        window->canvasArea()->findChild<BusyIndicator*>("cropBar.autoHorizon.progress"),
        window->inspector()->findChild<BusyIndicator*>("autoHorizon.progress")};
    for (BusyIndicator* indicator : indicators) {
        ASSERT_NE(indicator, nullptr);
        ASSERT_TRUE(indicator->isVisible()) << indicator->objectName().toStdString();
        const QImage first = indicator->grab().toImage();
        EXPECT_TRUE(QTest::qWaitFor([&] { return indicator->grab().toImage() != first; }, 2000))
            << indicator->objectName().toStdString();
    }
    if (shotsWanted()) saveWindowShot(*window, QStringLiteral("waits"));
    Animations::setEnabled(false);
    settle();
    for (BusyIndicator* indicator : indicators) EXPECT_FALSE(indicator->isVisible()) << indicator->objectName().toStdString();
}

// A horizon reading set by the test, returned for any frame.
class SetHorizon final : public AnalysisService {
public:
    void set(std::optional<double> angle) {
        std::lock_guard lock(mutex_);
        angle_ = angle;
    }
    std::optional<double> detectHorizonAngle(const LoadedPhoto&) override {
        std::lock_guard lock(mutex_);
        return angle_;
    }
    std::optional<Image> detectSubject(const LoadedPhoto&) override { return std::nullopt; }

private:
    std::mutex mutex_;
    std::optional<double> angle_;
};

class AutoLevelWindowTest : public ToolsWindowTest {
protected:
    AutoLevelWindowTest() { analysis = horizon; }
    std::shared_ptr<SetHorizon> horizon = std::make_shared<SetHorizon>();
};

// The crop bar's auto-level button tells what the detection found: a turn, a horizon
// already level (and nothing turned), or none; never a turn of 0.0 degrees.
TEST_F(AutoLevelWindowTest, TheCropBarsAutoLevelSaysWhatItFound) {
    vm().toggleCropMode();
    settle();
    auto* bar = tool<CropControlBar>();
    ASSERT_NE(bar, nullptr);
    auto* status = window->findChild<QLabel*>("statusLine");
    ASSERT_NE(status, nullptr);
    const auto level = [&](std::optional<double> reading) {
        horizon->set(reading);
        QTest::mouseClick(bar->autoHorizonButton(), Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !vm().isDetectingHorizon(); }, 3000));
        settle();
        return status->text().toStdString();
    };
    EXPECT_EQ(level(0.0), L10n::tr("status.horizonAlreadyLevel"));
    EXPECT_EQ(vm().parameters().crop.straightenAngle, 0.0);
    EXPECT_EQ(level(std::nullopt), L10n::tr("status.horizonNotFound"));
    EXPECT_EQ(vm().parameters().crop.straightenAngle, 0.0);
    EXPECT_EQ(level(-1.7), "Auto-straightened horizon: -1.7°");
    EXPECT_EQ(vm().parameters().crop.straightenAngle, -1.7);
    EXPECT_EQ(level(0.0), L10n::tr("status.horizonStraighteningRemoved"));
    EXPECT_EQ(vm().parameters().crop.straightenAngle, 0.0);
}

// The ratio menu names each ratio as its button does, in every language.
TEST_F(ToolsWindowTest, TheRatioMenuNamesEachRatioAsItsButton) {
    vm().toggleCropMode();
    settle();
    auto* bar = tool<CropControlBar>();
    ASSERT_NE(bar, nullptr);
    for (AppLanguage language : kAllAppLanguages) {
        LocalizationManager::shared().setLanguage(language);
        settle();
        for (CropAspectRatio aspect : allCases<CropAspectRatio>()) {
            const std::string_view raw = rawValue(aspect);
            QAction* entry = bar->aspectMenu()->findChild<QAction*>(
                QStringLiteral("cropBar.aspect.") + QString::fromUtf8(raw.data(), qsizetype(raw.size())));
            ASSERT_NE(entry, nullptr) << raw;
            entry->trigger();
            settle();
            EXPECT_TRUE(entry->isChecked());
            EXPECT_EQ(entry->text(), bar->aspectButton()->text()) << rawValue(language) << " " << raw;
            EXPECT_NE(entry->text().toStdString(), raw) << rawValue(language);
        }
        if (shotsWanted()) {
            bar->aspectMenu()->popup(bar->aspectButton()->mapToGlobal(QPoint(0, bar->aspectButton()->height())));
            ASSERT_TRUE(QTest::qWaitForWindowExposed(bar->aspectMenu()));
            saveWindowShot(*bar->aspectMenu(), QStringLiteral("ratio-menu-%1").arg(rawValue(language).data()));
            bar->aspectMenu()->hide();
        }
    }
}

// Both tools at the window's smallest and default sizes, in every language, with
// everything their bars can show: every text fits or is shortened with its
// whole text at hand, and nothing leaves its place.
TEST_F(ToolsWindowTest, BothToolsFitEveryLanguageAtEverySize) {
    EditParameters recipe = vm().parameters();
    recipe.crop.straightenAngle = -44.5;
    recipe.spotHealing.isVisualizeDustMode = true;
    recipe.spotHealing.spots = {SpotItem{}, SpotItem{}, SpotItem{}};
    vm().setParameters(recipe);
    vm().setSelectedRetouchSpotID(recipe.spotHealing.spots[0].id);
    for (AppLanguage language : kAllAppLanguages) {
        LocalizationManager::shared().setLanguage(language);
        for (QSize size : {QSize(MainWindow::kMinimumWidth, MainWindow::kMinimumHeight),
                           QSize(MainWindow::kDefaultWidth, MainWindow::kDefaultHeight)}) {
            window->resize(size);
            for (bool cropping : {true, false}) {
                vm().setIsCroppingMode(cropping);
                vm().setIsRetouchMode(!cropping);
                vm().setIsDetectingHorizon(cropping);
                settle();
                const std::string where = std::string(rawValue(language)) + " at " + std::to_string(size.width()) +
                                          (cropping ? ", crop" : ", retouch");
                EXPECT_EQ(settledLayoutIssues(*window->canvasArea()), "") << where;
                // The bar stays inside the area, above its bottom edge.
                auto* bar = window->canvasAreaView()->branchView()->findChild<FloatingToolBar*>();
                ASSERT_NE(bar, nullptr) << where;
                const QRect place(bar->mapTo(window->canvasArea(), QPoint()), bar->size());
                EXPECT_TRUE(window->canvasArea()->rect().contains(place)) << where;
                // The horizon text stands whole: the bar breaks into lines rather than cut it,
                // and keeps to one line where it has room for it (English at the default size).
                if (cropping) {
                    auto* crop = static_cast<CropControlBar*>(bar);
                    EXPECT_TRUE(QTest::qWaitFor([&] {
                        settle();
                        return !crop->autoHorizonLabel()->isElided();
                    }, 1000)) << where << ": " << crop->autoHorizonLabel()->shownText().toStdString();
                    if (language == AppLanguage::en && size.width() == MainWindow::kDefaultWidth) {
                        EXPECT_EQ(bar->lineCount(), 1) << where;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace vantrel::testing
