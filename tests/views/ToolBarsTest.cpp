// The crop bar and the spot-healing bar: the crop bar's ratio fits (also on a
// turned frame) and angle read-out, then both bars driven by clicks.
#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "ViewTestSupport.h"
#include "model/EditParameters.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/LayoutCheck.h"
#include "views/kit/ProSlider.h"
#include "views/kit/StandardColors.h"
#include "views/retouch/SpotHealingControlBar.h"
#include "views/crop/CropAspectFit.h"
#include "views/crop/CropControlBar.h"

namespace vantrel {
namespace {

void expectRect(const std::optional<NormalizedRect>& r, double x, double y, double w, double h, const char* what,
                double tolerance = 1e-9) {
    ASSERT_TRUE(r) << what;
    EXPECT_NEAR(r->x, x, tolerance) << what;
    EXPECT_NEAR(r->y, y, tolerance) << what;
    EXPECT_NEAR(r->width, w, tolerance) << what;
    EXPECT_NEAR(r->height, h, tolerance) << what;
}

TEST(CropAspectFit, RatiosFitCentredOnTheTurnedFrame) {
    using A = CropAspectRatio;
    const QSizeF scan(3000, 2000);
    expectRect(cropbar::fittedRect(A::square, scan, 0), 1.0 / 6, 0, 2.0 / 3, 1, "square");
    expectRect(cropbar::fittedRect(A::sixteenByNine, scan, 0), 0, 0.078125, 1, 0.84375, "16:9");
    expectRect(cropbar::fittedRect(A::original, scan, 0), 0, 0, 1, 1, "original");
    expectRect(cropbar::fittedRect(A::threeByTwo, scan, 0), 0, 0, 1, 1, "3:2");
    expectRect(cropbar::fittedRect(A::xpan, scan, 0), 0, 0.2231, 1, 0.5538, "xpan", 5e-5);
    expectRect(cropbar::fittedRect(A::fourByFive, {2000, 3000}, 0), 0, 1.0 / 12, 1, 5.0 / 6, "portrait 4:5");
    EXPECT_FALSE(cropbar::fittedRect(A::free, scan, 0));

    // After one quarter turn the frame stands 2000 x 3000: a square crop is 2000 x 2000
    // pixels of it, and the original ratio is the turned frame's own.
    const auto turned = cropbar::fittedRect(A::square, scan, 1);
    expectRect(turned, 0, 1.0 / 6, 1, 2.0 / 3, "square after a turn");
    const QSizeF frame = cropbar::turnedSize(scan, 1);
    EXPECT_NEAR(turned->width * frame.width(), turned->height * frame.height(), 1e-9);
    expectRect(cropbar::fittedRect(A::original, scan, 3), 0, 0, 1, 1, "original after three turns");
    expectRect(cropbar::fittedRect(A::square, scan, -1), 0, 1.0 / 6, 1, 2.0 / 3, "a stored -1 is odd too");
    expectRect(cropbar::fittedRect(A::square, scan, 2), 1.0 / 6, 0, 2.0 / 3, 1, "half a turn");
    // A frame without width: the ratio fills it rather than collapsing.
    expectRect(cropbar::fittedRect(A::square, {0, 2000}, 0), 0, 0, 1, 1, "no width");

    EXPECT_EQ(cropbar::angleText(0), "+0.0°");
    EXPECT_EQ(cropbar::angleText(-2.4), "-2.4°");
    EXPECT_EQ(cropbar::angleText(12.26), "+12.3°");
    EXPECT_FALSE(cropbar::isAngleSet(0.04));
    EXPECT_TRUE(cropbar::isAngleSet(0.06));
    EXPECT_TRUE(cropbar::isAngleSet(-0.06));
}

struct CropBarFixture {
    test::CountedValue<CropParameters> crop;
    QSize imageSize{3000, 2000};
    bool detecting = false;
    CropControlBar bar{crop.binding(), [this] { return imageSize; }, [this] { return detecting; }};

    QAction* entry(const char* raw) const {
        return bar.aspectMenu()->findChild<QAction*>(QStringLiteral("cropBar.aspect.") + QString::fromUtf8(raw));
    }
    int checkedCount() const {
        int n = 0;
        for (QAction* action : bar.aspectMenu()->actions()) n += action->isChecked();
        return n;
    }
};

TEST(CropControlBar, ChoosingARatioWritesItWithItsRectangleOnce) {
    CropBarFixture f;
    f.crop.value->straightenAngle = 1.5;
    f.crop.value->quarterTurns = 1;
    f.crop.value->isFlippedH = true;
    f.bar.refresh();
    ASSERT_TRUE(test::showExposed(f.bar));
    EXPECT_EQ(f.bar.aspectButton()->text(), "Free");
    EXPECT_EQ(f.checkedCount(), 1);
    ASSERT_NE(f.entry("square"), nullptr);
    EXPECT_EQ(f.entry("sixteenByNine")->text(), "16:9");  // as the button shows it
    EXPECT_EQ(f.entry("free")->text(), "Free");

    // Square on the turned frame: one write, the turns and angle untouched.
    f.entry("square")->trigger();
    EXPECT_EQ(f.crop.writeCount(), 1);
    EXPECT_EQ(f.crop.value->aspectRatio, CropAspectRatio::square);
    expectRect(f.crop.value->rect, 0, 1.0 / 6, 1, 2.0 / 3, "square");
    EXPECT_EQ(f.crop.value->straightenAngle, 1.5);
    EXPECT_EQ(f.crop.value->quarterTurns, 1);
    EXPECT_TRUE(f.crop.value->isFlippedH);
    EXPECT_EQ(f.bar.aspectButton()->text(), "1:1");
    EXPECT_TRUE(f.entry("square")->isChecked());
    EXPECT_EQ(f.checkedCount(), 1);

    // The same ratio again fits afresh, discarding a dragged rectangle; free keeps it.
    f.crop.value->rect = {0.1, 0.1, 0.2, 0.2};
    f.entry("square")->trigger();
    expectRect(f.crop.value->rect, 0, 1.0 / 6, 1, 2.0 / 3, "square again");
    f.crop.value->rect = {0.1, 0.1, 0.2, 0.2};
    f.entry("free")->trigger();
    EXPECT_EQ(f.crop.value->aspectRatio, CropAspectRatio::free);
    EXPECT_EQ(f.crop.value->rect, (NormalizedRect{0.1, 0.1, 0.2, 0.2}));
    EXPECT_EQ(f.crop.writeCount(), 3);
}

TEST(CropControlBar, AngleReadOutResetsOnlyTheAngleAndButtonsAsk) {
    CropBarFixture f;
    f.crop.value->rect = {0.1, 0.2, 0.3, 0.4};
    f.crop.value->quarterTurns = 2;
    f.crop.value->aspectRatio = CropAspectRatio::xpan;
    f.crop.value->straightenAngle = 0.04;
    f.bar.refresh();
    ASSERT_TRUE(test::showExposed(f.bar));
    EXPECT_EQ(f.bar.angleButton()->text(), "+0.0°");
    EXPECT_EQ(f.bar.angleColor(), standardColor(StandardColor::SecondaryText));
    f.crop.value->straightenAngle = -2.44;
    f.bar.refresh();
    EXPECT_EQ(f.bar.angleButton()->text(), "-2.4°");
    EXPECT_EQ(f.bar.angleColor(), standardColor(StandardColor::Accent));

    CropParameters expected = *f.crop.value;
    expected.straightenAngle = 0;
    QTest::mouseClick(f.bar.angleButton(), Qt::LeftButton);
    EXPECT_EQ(*f.crop.value, expected);
    EXPECT_EQ(f.crop.writeCount(), 1);
    EXPECT_EQ(f.bar.angleButton()->text(), "+0.0°");

    // The slider writes the angle; a double click on its track puts 0 back.
    f.crop.value->straightenAngle = 10;
    QTest::mouseDClick(f.bar.straightenSlider()->track(), Qt::LeftButton);
    EXPECT_EQ(f.crop.value->straightenAngle, 0);

    // Every other control only asks.
    QSignalSpy autoHorizon(&f.bar, &CropControlBar::autoHorizonRequested);
    QSignalSpy cw(&f.bar, &CropControlBar::rotateCWRequested);
    QSignalSpy ccw(&f.bar, &CropControlBar::rotateCCWRequested);
    QSignalSpy flip(&f.bar, &CropControlBar::flipHRequested);
    QSignalSpy reset(&f.bar, &CropControlBar::resetRequested);
    QSignalSpy done(&f.bar, &CropControlBar::doneRequested);
    for (const char* name : {"cropBar.autoHorizon", "cropBar.rotateRight", "cropBar.rotateLeft", "cropBar.flipH",
                             "cropBar.reset", "cropBar.done"}) {
        auto* button = f.bar.findChild<QAbstractButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    EXPECT_EQ(autoHorizon.count() + cw.count() + ccw.count() + flip.count() + reset.count() + done.count(), 6);
    EXPECT_EQ(cw.count(), 1);
    EXPECT_EQ(ccw.count(), 1);

    // While the horizon is searched the button cannot be pressed; with animations
    // off (as here) it shows no indicator (the window's test sees it turn).
    f.detecting = true;
    f.bar.refresh();
    EXPECT_FALSE(f.bar.isShowingProgress());
    EXPECT_FALSE(f.bar.autoHorizonButton()->isEnabled());
    QTest::mouseClick(f.bar.autoHorizonButton(), Qt::LeftButton);
    EXPECT_EQ(autoHorizon.count(), 1);
    EXPECT_TRUE(f.bar.findChild<QAbstractButton*>("cropBar.done")->isEnabled());
    f.detecting = false;
    f.bar.refresh();
    EXPECT_TRUE(f.bar.autoHorizonButton()->isEnabled());
}

// A bar floating in an area of `width` points, given at most the area's width
// as the canvas area gives it: it keeps to the area, breaking into lines.
struct Area {
    QWidget widget;
    explicit Area(int width) { widget.resize(width, 300); }
    template <typename Bar>
    void hold(Bar& bar) {
        bar.setParent(&widget);
        bar.updateLines();
        fit(bar);
    }
    // Sized again as the canvas area's layout does whenever the bar asks for another size.
    template <typename Bar>
    void fit(Bar& bar) {
        bar.resize(std::min(bar.sizeHint().width(), widget.width()), bar.sizeHint().height());
    }
};

TEST(CropControlBar, LongTranslationsShortenOrBreakIntoLinesWithNothingCut) {
    test::ScopedLanguage german(AppLanguage::de);
    CropBarFixture f;
    f.bar.refresh();
    EXPECT_EQ(f.bar.autoHorizonButton()->toolTip(), "Horizont automatisch ausrichten");

    // With room, one line and every text whole; within narrower areas the slider
    // narrows first, then the line breaks: the horizon text stays whole.
    for (int width : {2000, 700, 520, 300}) {
        Area area(width);
        area.hold(f.bar);
        if (width > 800) {
            // Wider than the test screen: packed, not shown.
            EXPECT_EQ(f.bar.lineCount(), 1);
            EXPECT_EQ(f.bar.width(), f.bar.sizeHint().width());
            f.bar.setParent(nullptr);
            continue;
        }
        ASSERT_TRUE(test::showExposed(area.widget));
        QCoreApplication::processEvents();
        area.fit(f.bar);
        QCoreApplication::processEvents();
        EXPECT_LE(f.bar.width(), width) << width;
        EXPECT_EQ(describeLayoutIssues(findLayoutIssues(area.widget)).toStdString(), "") << width;
        EXPECT_GE(f.bar.lineCount(), 2) << width;
        if (width >= 520) {
            EXPECT_FALSE(f.bar.autoHorizonLabel()->isElided()) << width;
        }
        test::saveShot(f.bar, QStringLiteral("crop-bar-de-%1").arg(width));
        f.bar.setParent(nullptr);
    }
}

// ---------------------------------------------------------------- spot-healing bar

struct HealingBarFixture {
    test::CountedValue<EditParameters> recipe;
    std::optional<Uuid> selected;
    test::CountedValue<double> brush{20};
    SpotHealingControlBar bar{recipe.binding().projected(&EditParameters::spotHealing), [this] { return selected; },
                              brush.binding()};
    QSignalSpy changes{&bar, &SpotHealingControlBar::changed};
};

TEST(SpotHealingControlBar, CountSelectionAndBrushFollowTheState) {
    HealingBarFixture f;
    ASSERT_TRUE(test::showExposed(f.bar, f.bar.sizeHint()));
    test::saveShot(f.bar, "healing-bar-empty");
    EXPECT_EQ(f.bar.countLabel()->text(), "Click canvas to heal");
    EXPECT_FALSE(f.bar.undoButton()->isEnabled());
    EXPECT_FALSE(f.bar.clearButton()->isEnabled());
    EXPECT_TRUE(f.bar.doneButton()->isEnabled());
    EXPECT_EQ(f.bar.brushLabel()->text(), "Brush:");
    EXPECT_EQ(f.bar.brushValue()->text(), "20 px");
    ASSERT_NE(f.bar.brushSlider()->readout(), nullptr);  // the slider's own value beside it
    EXPECT_EQ(f.bar.brushSlider()->readout()->text(), "20.00");
    EXPECT_EQ(f.bar.brushSlider()->tintColor(), standardColor(StandardColor::Accent));
    EXPECT_FALSE(f.bar.selectedGroup()->isVisibleTo(&f.bar));

    f.recipe.value->spotHealing.spots = {SpotItem{}, SpotItem{}, SpotItem{}};
    f.selected = Uuid::random();  // naming no spot: the group still shows
    *f.brush.value = 31.9;
    f.bar.refresh();
    EXPECT_EQ(f.bar.countLabel()->text(), "3 healed");
    EXPECT_TRUE(f.bar.undoButton()->isEnabled());
    EXPECT_TRUE(f.bar.clearButton()->isEnabled());
    EXPECT_EQ(f.bar.brushLabel()->text(), "Spot Radius:");
    EXPECT_EQ(f.bar.brushValue()->text(), "31 px");
    EXPECT_EQ(f.bar.brushSlider()->tintColor(), standardColor(StandardColor::Yellow));
    EXPECT_TRUE(f.bar.selectedGroup()->isVisibleTo(&f.bar));
    f.bar.resize(f.bar.sizeHint());
    test::saveShot(f.bar, "healing-bar-selected");

    // Undo, clear, delete and done only ask.
    QSignalSpy undo(&f.bar, &SpotHealingControlBar::undoRequested);
    QSignalSpy clear(&f.bar, &SpotHealingControlBar::clearRequested);
    QSignalSpy remove(&f.bar, &SpotHealingControlBar::deleteSelectedRequested);
    QSignalSpy done(&f.bar, &SpotHealingControlBar::doneRequested);
    for (QWidget* button : std::initializer_list<QWidget*>{f.bar.undoButton(), f.bar.clearButton(),
                                                           f.bar.deleteButton(), f.bar.doneButton()})
        QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(undo.count() + clear.count() + remove.count() + done.count(), 4);
    EXPECT_EQ(remove.count(), 1);
    EXPECT_EQ(f.recipe.writeCount(), 0);
    EXPECT_EQ(f.changes.count(), 0);

    // A double click on the brush track: 24, reaching only the radius.
    QTest::mouseDClick(f.bar.brushSlider()->track(), Qt::LeftButton);
    EXPECT_EQ(*f.brush.value, 24);
    EXPECT_EQ(f.changes.count(), 0);
    f.selected.reset();
    f.bar.refresh();
    EXPECT_EQ(f.bar.brushLabel()->text(), "Brush:");
    EXPECT_EQ(f.bar.brushValue()->text(), "24 px");
    EXPECT_FALSE(f.bar.selectedGroup()->isVisibleTo(&f.bar));
}

TEST(SpotHealingControlBar, DustSwitchAndSensitivityWriteTheRecipeAndReportOnce) {
    HealingBarFixture f;
    ASSERT_TRUE(test::showExposed(f.bar));
    EXPECT_FALSE(f.bar.sensitivityGroup()->isVisibleTo(&f.bar));
    QTest::mouseClick(f.bar.dustButton(), Qt::LeftButton);
    EXPECT_TRUE(f.recipe.value->spotHealing.isVisualizeDustMode);
    EXPECT_TRUE(f.bar.sensitivityGroup()->isVisibleTo(&f.bar));
    EXPECT_TRUE(f.bar.dustButton()->isSelected());
    EXPECT_EQ(f.changes.count(), 1);
    EXPECT_EQ(f.recipe.writeCount(), 1);
    test::saveShot(f.bar, "healing-bar-dust");

    // The record's own default is 4, shown beside the track; the slider's reset
    // (a click on that value) is 3, reported once.
    EXPECT_EQ(f.recipe.value->spotHealing.visualizeDustIntensity, 4);
    ASSERT_NE(f.bar.sensitivitySlider()->readout(), nullptr);
    EXPECT_TRUE(f.bar.sensitivitySlider()->readout()->isVisibleTo(&f.bar));
    EXPECT_EQ(f.bar.sensitivitySlider()->readout()->text(), "4.00");
    QTest::mouseClick(f.bar.sensitivitySlider()->readout(), Qt::LeftButton);
    EXPECT_EQ(f.recipe.value->spotHealing.visualizeDustIntensity, 3);
    EXPECT_EQ(f.bar.sensitivitySlider()->readout()->text(), "3.00");
    EXPECT_EQ(f.changes.count(), 2);
    QTest::mouseDClick(f.bar.sensitivitySlider()->track(), Qt::LeftButton);
    EXPECT_EQ(f.changes.count(), 2);  // already 3

    QTest::mouseClick(f.bar.dustButton(), Qt::LeftButton);
    EXPECT_FALSE(f.recipe.value->spotHealing.isVisualizeDustMode);
    EXPECT_FALSE(f.bar.sensitivityGroup()->isVisibleTo(&f.bar));
    EXPECT_EQ(f.changes.count(), 3);
    // A new recipe shown by refresh reports nothing.
    f.recipe.value->spotHealing.visualizeDustIntensity = 6;
    f.bar.refresh();
    EXPECT_EQ(f.changes.count(), 3);
}

TEST(SpotHealingControlBar, GermanTextsBreakIntoLinesWithNothingCut) {
    test::ScopedLanguage german(AppLanguage::de);
    HealingBarFixture f;
    f.recipe.value->spotHealing.isVisualizeDustMode = true;
    f.selected = Uuid::random();
    f.bar.refresh();
    ASSERT_TRUE(test::showExposed(f.bar, f.bar.sizeHint()));
    test::saveShot(f.bar, "healing-bar-de");
    EXPECT_EQ(f.bar.countLabel()->text(), "Zum Reparieren auf die Arbeitsfläche klicken");
    EXPECT_FALSE(f.bar.countLabel()->isElided());

    HealingBarFixture g;
    g.recipe.value->spotHealing.isVisualizeDustMode = true;
    g.selected = Uuid::random();
    g.bar.refresh();
    Area area(520);
    area.hold(g.bar);
    ASSERT_TRUE(test::showExposed(area.widget));
    QCoreApplication::processEvents();
    EXPECT_GE(g.bar.lineCount(), 2);
    EXPECT_LE(g.bar.width(), 520);
    EXPECT_EQ(describeLayoutIssues(findLayoutIssues(area.widget)).toStdString(), "");
    test::saveShot(g.bar, "healing-bar-de-520");
    // Hiding the selected spot's group packs the lines again, dividers included.
    g.selected.reset();
    g.bar.refresh();
    area.hold(g.bar);
    g.bar.show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(g.bar.selectedGroup()->isVisibleTo(&g.bar));
    EXPECT_EQ(describeLayoutIssues(findLayoutIssues(area.widget)).toStdString(), "");
    g.bar.setParent(nullptr);

    // A bar made with a spot selected, in French, in the canvas of the default window: the
    // lines are packed with the texts as they are set, not as they were at the first packing.
    test::ScopedLanguage french(AppLanguage::fr);
    HealingBarFixture h;
    h.recipe.value->spotHealing.spots = {SpotItem{}};
    h.selected = h.recipe.value->spotHealing.spots[0].id;
    h.bar.refresh();
    Area canvas(737);
    canvas.hold(h.bar);
    ASSERT_TRUE(test::showExposed(canvas.widget));
    QCoreApplication::processEvents();
    canvas.fit(h.bar);
    QCoreApplication::processEvents();
    EXPECT_FALSE(h.bar.brushLabel()->isElided()) << h.bar.brushLabel()->shownText().toStdString();
    EXPECT_FALSE(h.bar.findChild<ElidedLabel*>("healingBar.selectedLabel")->isElided());
    EXPECT_EQ(describeLayoutIssues(findLayoutIssues(canvas.widget)).toStdString(), "");
    h.bar.setParent(nullptr);
}

}  // namespace
}  // namespace vantrel
