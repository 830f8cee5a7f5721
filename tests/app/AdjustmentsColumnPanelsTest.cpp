// The tone curve, grain and film physics panels in the real window: what their
// edits do to the view model's recipe, its renders and its saves.
#include <QDir>
#include <QMenu>
#include <QScrollArea>

#include "../views/PanelTestSupport.h"
#include "WindowTestSupport.h"
#include "app/AdjustmentsColumn.h"
#include "services/LocalizationManager.h"
#include "views/kit/LayoutCheck.h"
#include "views/kit/ChipRow.h"
#include "views/panels/FilmGrainControlView.h"
#include "views/panels/FilmPhysicsControlView.h"
#include "views/kit/MenuButton.h"
#include "views/panels/ToneCurveCanvas.h"
#include "views/panels/ToneCurveEditorView.h"

namespace vantrel::testing {
namespace {

class AdjustmentsColumnPanelsTest : public ShownWindowTest {
protected:
    void SetUp() override {
        ShownWindowTest::SetUp();
        curve = window->findChild<ToneCurveEditorView*>();
        grain = window->findChild<FilmGrainControlView*>();
        physics = window->findChild<FilmPhysicsControlView*>();
        ASSERT_TRUE(curve && grain && physics);
    }

    ToneCurveEditorView* curve = nullptr;
    FilmGrainControlView* grain = nullptr;
    FilmPhysicsControlView* physics = nullptr;
};

TEST_F(AdjustmentsColumnPanelsTest, ACurveDragIsOneInteractionWhoseEndAloneIsFinal) {
    scrollTo(curve);
    ToneCurveCanvas* canvas = curve->canvas();
    const std::vector<CurvePoint> before = vm().parameters().curvePoints;
    const int writes = store->writesFor(firstFrameKey());
    const QPoint from = canvas->handleCentre(before[1].id).toPoint();

    QTest::mousePress(canvas, Qt::LeftButton, {}, from);
    for (int dy : {-6, -12, -18}) {
        QTest::mouseMove(canvas, from + QPoint(2, dy));
        EXPECT_TRUE(vm().isInteracting());
    }
    settle();
    EXPECT_TRUE(curve->isDragging());  // the window's refreshes keep the drag
    EXPECT_NE(vm().parameters().curvePoints, before);
    // Each step asked for a preview: the save waits for its debounce.
    EXPECT_TRUE(vm().hasPendingSave());
    EXPECT_EQ(store->writesFor(firstFrameKey()), writes);
    QTest::mouseMove(canvas, from + QPoint(2, -24));
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, from + QPoint(2, -24));
    EXPECT_FALSE(vm().isInteracting());
    EXPECT_GT(store->writesFor(firstFrameKey()), writes);  // the final request saves at once
    EXPECT_GT(vm().parameters().curvePoints[1].y, 0.25);
    EXPECT_NEAR(vm().parameters().curvePoints[1].x, (from.x() + 2.0) / canvas->width(), 1e-9);

    // A preset is final as well, and the histogram of the new render is drawn behind the curve.
    auto* presets = curve->findChild<MenuButton*>("curve.presets");
    QTest::mouseClick(presets, Qt::LeftButton);
    ASSERT_TRUE(test::clickMenuItem(presets->menu(), presets->action("matteFilm")));
    EXPECT_EQ(vm().parameters().curvePoints.front().y, 0.08);
    EXPECT_GT(store->writesFor(firstFrameKey()), writes + 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return vm().histogramData().lumaBins.front() == 1.0f; }, 3000));
    settle();
    EXPECT_EQ(curve->histogramBins(), vm().histogramData().lumaBins);
}

TEST_F(AdjustmentsColumnPanelsTest, GrainAndPhysicsEditsReachTheRecipeAsPreviews) {
    scrollTo(grain);
    const int writes = store->writesFor(firstFrameKey());
    QTest::mouseClick(grain->presets()->chip("coarse"), Qt::LeftButton);
    EXPECT_EQ(vm().parameters().filmGrain, FilmGrainControlView::preset("coarse"));
    EXPECT_TRUE(vm().hasPendingSave());
    EXPECT_EQ(store->writesFor(firstFrameKey()), writes);
    settle();
    EXPECT_TRUE(grain->slider("size")->isVisible());

    scrollTo(physics);
    QTest::mouseClick(physics->stylePicker(), Qt::LeftButton);
    ASSERT_TRUE(test::clickMenuItem(physics->stylePicker()->menu(), physics->stylePicker()->action("sideStreak")));
    EXPECT_EQ(vm().parameters().lightLeaks.style, LightLeakStyle::sideStreak);
    EXPECT_EQ(vm().parameters().filmGrain, FilmGrainControlView::preset("coarse"));  // other groups untouched
    settle();
    EXPECT_TRUE(physics->positionPicker()->isVisible());

    // Another frame: its recipe shows, and the panels follow it without a report of their own.
    vm().selectPhoto(DarkroomViewModel::sampleRollPhotoIDs()[1]);
    settle();
    EXPECT_FALSE(grain->slider("size")->isVisible());
    EXPECT_FALSE(physics->positionPicker()->isVisible());
    EXPECT_EQ(physics->stylePicker()->selected(), "none");
    vm().selectPhoto(DarkroomViewModel::sampleRollPhotoIDs()[0]);
    settle();
    EXPECT_EQ(vm().parameters().lightLeaks.style, LightLeakStyle::sideStreak);
    EXPECT_EQ(physics->stylePicker()->selected(), "sideStreak");
}

TEST_F(AdjustmentsColumnPanelsTest, ThePanelsFitTheInspectorInEveryLanguage) {
    // Every optional row shown, the longest choices chosen, a point selected.
    EditParameters recipe = vm().parameters();
    recipe.filmGrain = FilmGrainControlView::preset("coarse");
    recipe.lightLeaks = {LightLeakStyle::rainbowBurn, 0.75, LightLeakPosition::bottom};
    recipe.dustAndScratches = {0.4, 0.6, 2.5};
    recipe.curvePoints.back().y = 0.9;
    vm().setParameters(recipe);
    settle();
    ToneCurveCanvas* canvas = curve->canvas();
    QTest::mouseClick(canvas, Qt::LeftButton, {}, canvas->handleCentre(recipe.curvePoints[2].id).toPoint());
    ASSERT_FALSE(curve->readoutText().isEmpty());
    for (AppLanguage language : kAllAppLanguages) {
        LocalizationManager::shared().setLanguage(language);
        for (LightLeakStyle style : allCases<LightLeakStyle>()) {
            recipe.lightLeaks.style = style;
            vm().setParameters(recipe);
            settle();
            // The column keeps the inspector's width: no row asks for more.
            auto* scroll = static_cast<QScrollArea*>(window->inspector());
            EXPECT_EQ(scroll->widget()->width(), scroll->viewport()->width()) << rawValue(language);
            for (QWidget* panel : std::initializer_list<QWidget*>{curve, grain, physics})
                EXPECT_EQ(settledLayoutIssues(*panel), "") << rawValue(language) << " " << panel->objectName().toStdString();
        }
        if (shotsWanted())
            for (QWidget* panel : std::initializer_list<QWidget*>{curve, physics}) {
                scrollTo(panel);
                saveWindowShot(*window->inspector(), QStringLiteral("inspector-%1-%2").arg(panel->objectName(), rawValue(language).data()));
            }
    }
}

}  // namespace
}  // namespace vantrel::testing
