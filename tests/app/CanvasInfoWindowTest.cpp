// The filmstrip, navigator, histogram and shooting-information card in the
// real window: a user selects and ticks frames in the strip, zooms and moves
// about with the navigator, collapses the card, and reads the clipping
// warnings; in every language everything fits.
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "WindowTestSupport.h"
#include "app/CanvasArea.h"
#include "app/AdjustmentsColumn.h"
#include "app/Sidebar.h"
#include "app/TopBar.h"
#include "services/AppLanguage.h"
#include "services/LocalizationManager.h"
#include "views/canvas/FilmstripView.h"
#include "views/canvas/HistogramWaveformView.h"
#include "views/canvas/ImageMetadataMatrixView.h"
#include "views/canvas/NavigatorGeometry.h"
#include "views/canvas/NavigatorMinimapView.h"
#include "views/kit/FittingText.h"
#include "views/kit/LayoutCheck.h"
#include "views/kit/SpringValue.h"

namespace vantrel::testing {
namespace {

class CanvasInfoWindowTest : public ShownWindowTest {
protected:
    void SetUp() override {
        ShownWindowTest::SetUp();
        settle();
    }
    FilmstripView* filmstrip() { return window->findChild<FilmstripView*>("filmstrip"); }
    NavigatorMinimapView* navigator() { return window->canvasArea()->findChild<NavigatorMinimapView*>("navigator"); }
    const std::array<Uuid, 3>& frames() { return DarkroomViewModel::sampleRollPhotoIDs(); }
};

TEST_F(CanvasInfoWindowTest, TheFilmstripSelectsAndTicksFrames) {
    FilmstripView* strip = filmstrip();
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->height(), 84);
    EXPECT_EQ(strip->model().count(), 3);
    ASSERT_EQ(vm().selectedPhotoID(), frames()[0]);
    EXPECT_TRUE(strip->model().isSelected(0));

    QTest::mouseClick(strip->viewport(), Qt::LeftButton, {}, strip->thumbnailRect(2).center().toPoint());
    ASSERT_TRUE(QTest::qWaitFor([&] { return vm().selectedPhotoID() == frames()[2]; }, 2000));
    settle();
    EXPECT_TRUE(strip->model().isSelected(2));
    EXPECT_FALSE(strip->model().isSelected(0));

    // The check box ticks the frame for batch work and leaves the selection alone.
    QTest::mouseClick(strip->viewport(), Qt::LeftButton, {}, strip->checkBoxRect(1).center().toPoint());
    EXPECT_EQ(vm().checkedPhotoIDs(), std::set<Uuid>{frames()[1]});
    EXPECT_EQ(vm().selectedPhotoID(), frames()[2]);
    settle();
    EXPECT_TRUE(strip->model().isChecked(1));
    EXPECT_EQ(strip->toolTipAt(strip->checkBoxRect(1).center()), "Deselect photo");
    QTest::mouseClick(strip->viewport(), Qt::LeftButton, {}, strip->checkBoxRect(1).center().toPoint());
    EXPECT_TRUE(vm().checkedPhotoIDs().empty());

    // The selected frame's picture is drawn as it is, without a selection tint.
    settle();
    const QImage shot = strip->viewport()->grab().toImage();
    const QRectF picture = strip->thumbnailRect(2);
    const QImage thumbnail = strip->model().cell(2).thumbnail;
    ASSERT_FALSE(thumbnail.isNull());
    const QColor drawn = shot.pixelColor(picture.center().toPoint() + QPoint(0, 8));
    const QColor own = thumbnail.pixelColor(thumbnail.width() / 2, thumbnail.height() / 2 + thumbnail.height() / 7);
    EXPECT_NEAR(drawn.red(), own.red(), 40);
    EXPECT_NEAR(drawn.blue(), own.blue(), 40);
}

TEST_F(CanvasInfoWindowTest, TheNavigatorFollowsTheZoomAndMovesTheCanvas) {
    NavigatorMinimapView* nav = navigator();
    ASSERT_NE(nav, nullptr);
    EXPECT_FALSE(nav->isVisible());
    vm().setZoomScale(1.05);
    settle();
    EXPECT_FALSE(nav->isVisible());
    vm().setZoomScale(3.0);
    settle();
    ASSERT_TRUE(nav->isVisible());  // zoomed in: shown by itself
    // The navigator and the view model's zoom button read the zoom alike.
    EXPECT_EQ(nav->zoomLabel()->text().toStdString(), vm().zoomLabel());
    EXPECT_TRUE(nav->zoomLabel()->text().endsWith(QLatin1Char('%')));
    // In the canvas area's top right corner.
    const QRect place(nav->mapTo(window->canvasArea(), QPoint(0, 0)), nav->size());
    EXPECT_LT(window->canvasArea()->width() - place.right(), 40);
    EXPECT_LT(place.top(), 40);

    // A tap left of the thumbnail's centre moves the canvas's content right.
    const QRectF thumb = navigator::thumbnailRect(QSizeF(window->canvasAreaView()->imageSize()));
    bool animated = false;
    const QMetaObject::Connection watch = QObject::connect(&vm(), &DarkroomViewModel::panOffsetChanged, &vm(),
                                                           [&] { animated = vm().isZoomAnimating(); });
    QTest::mouseClick(nav->map(), Qt::LeftButton, {}, QPointF(thumb.left() + thumb.width() * 0.4, thumb.center().y()).toPoint());
    QObject::disconnect(watch);
    EXPECT_GT(vm().panOffset().width(), 0);
    EXPECT_TRUE(animated);  // the canvas moves there with a spring

    QTest::mouseClick(nav->oneToOneButton(), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(vm().zoomScale(), vm().actualPixelsZoomFactor());
    EXPECT_EQ(vm().panOffset(), QSizeF(0, 0));
    EXPECT_TRUE(vm().isNavigatorVisible());
    settle();
    EXPECT_EQ(nav->zoomLabel()->text().toStdString(), vm().zoomLabel());
    QTest::mouseClick(nav->twoToOneButton(), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(vm().zoomScale(), 2 * vm().actualPixelsZoomFactor());
    settle();
    EXPECT_EQ(nav->zoomLabel()->text(), "200%");
    QTest::mouseClick(nav->fitButton(), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(vm().zoomScale(), 1.0);
    EXPECT_EQ(vm().statusMessage(), "Zoom: Fit to Window");
    settle();
    EXPECT_TRUE(nav->isVisible());  // asked for: it stays at fit
    EXPECT_EQ(nav->zoomLabel()->text(), "Fit");
    QTest::mouseClick(nav->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(vm().isNavigatorVisible());
    settle();
    // It fades away rather than vanishing (the window's tests run with animations on).
    ASSERT_TRUE(Animations::enabled());
    EXPECT_TRUE(nav->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !nav->isVisible(); }, 2000));
}

TEST_F(CanvasInfoWindowTest, TheCardCollapsesThroughTheViewModelAndTheHistogramWarns) {
    auto* card = window->sidebarView()->findChild<ImageMetadataMatrixView*>("meta.card");
    ASSERT_NE(card, nullptr);
    ASSERT_TRUE(card->isVisible());
    EXPECT_EQ(card->closeButton(), nullptr);  // the sidebar gives it no close action
    EXPECT_EQ(card->cameraLabel()->fullText().toStdString(), vm().selectedPhoto()->metadata().cameraDisplayName());
    QTest::mouseClick(card->collapseButton(), Qt::LeftButton);
    EXPECT_FALSE(vm().isInfoMatrixVisible());
    settle();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !card->grid()->isVisible(); }, 2000));  // after its short fold
    // The top bar's control switches the same flag.
    window->topBar()->infoButton()->click();
    EXPECT_TRUE(vm().isInfoMatrixVisible());
    settle();
    EXPECT_TRUE(card->grid()->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return card->grid()->maximumHeight() == QWIDGETSIZE_MAX; }, 2000));

    auto* histogram = window->inspectorView()->findChild<HistogramWaveformView*>("histogram");
    ASSERT_NE(histogram, nullptr);
    HistogramData data = HistogramData::empty();
    data.shadowClipping = true;
    data.highlightClipping = true;
    vm().setHistogramData(data);
    settle();
    EXPECT_TRUE(histogram->shadowDot()->isVisible());
    EXPECT_TRUE(histogram->highlightDot()->isVisible());
    data.isUltraHDREnabled = true;
    data.edrHeadroom = 2.0;
    vm().setHistogramData(data);
    settle();
    EXPECT_FALSE(histogram->highlightDot()->isVisible());
    EXPECT_EQ(histogram->axisEnd()->text(), "EDR +1.0 EV");
}

TEST_F(CanvasInfoWindowTest, EveryLanguageFitsWithTheNavigatorShown) {
    HistogramData data = HistogramData::empty();
    data.isUltraHDREnabled = data.shadowClipping = true;
    data.edrHeadroom = 16;
    vm().setHistogramData(data);
    vm().toggleChecked(frames()[1]);
    for (AppLanguage language : kAllAppLanguages) {
        LocalizationManager::shared().setLanguage(language);
        for (QSize size : {QSize(MainWindow::kMinimumWidth, MainWindow::kMinimumHeight),
                           QSize(MainWindow::kDefaultWidth, MainWindow::kDefaultHeight)}) {
            window->resize(size);
            vm().setZoomScale(4.0);
            settle();
            ASSERT_TRUE(navigator()->isVisible());
            for (QWidget* view : std::initializer_list<QWidget*>{navigator(), window->sidebar(), window->inspector(),
                                                                 filmstrip()})
                EXPECT_EQ(settledLayoutIssues(*view), "") << rawValue(language) << " " << size.width();
            saveWindowShot(*window, QStringLiteral("window-%1-%2").arg(rawValue(language).data()).arg(size.width()));
            // The navigator stays inside the canvas area.
            const QRect place(navigator()->mapTo(window->canvasArea(), QPoint(0, 0)), navigator()->size());
            EXPECT_TRUE(window->canvasArea()->rect().contains(place)) << rawValue(language);
        }
    }
}

}  // namespace
}  // namespace vantrel::testing
