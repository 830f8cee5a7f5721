// The colour wheel's maths, its disc as drawn, its gestures, and the panel of
// three wheels with its tabs, luminance rows, balance and reset.
#include <cmath>

#include <QSignalSpy>
#include <gtest/gtest.h>

#include "PanelTestSupport.h"
#include "ViewTestSupport.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/ProSlider.h"
#include "views/kit/Chip.h"
#include "views/kit/ChipGrid.h"
#include "views/panels/ColorWheelGeometry.h"
#include "views/panels/ColorWheelsView.h"
#include "views/panels/InteractiveColorWheel.h"
#include "views/kit/PanelHeader.h"

namespace vantrel {
namespace {

using namespace colorwheel;
using Wheel = ColorWheelsView::Wheel;
using Tab = ColorWheelsView::WheelTab;

using test::shown;

void expectValue(QPointF at, double hue, double saturation) {
    const HueSaturation v = pointerValue(at, 130);
    EXPECT_NEAR(v.hue, hue, 1e-9) << at.x() << "," << at.y();
    EXPECT_NEAR(v.saturation, saturation, 1e-9) << at.x() << "," << at.y();
}

TEST(ColorWheelGeometry, ThePointerSetsHueByDirectionAndSaturationByDistance) {
    // Diameter 130: centre 65, usable radius 59; hue runs clockwise on screen.
    expectValue({124, 65}, 0, 1);
    expectValue({65, 124}, 90, 1);
    expectValue({65, 6}, 270, 1);
    expectValue({35.5, 65}, 180, 0.5);
    expectValue({300, 65}, 0, 1);   // far outside: held at the rim
    expectValue({66, 65}, 0, 0);    // 1/59 lies in the dead zone, the hue is still written
    expectValue({65, 66}, 90, 0);
    expectValue({65, 65}, 0, 0);
    const HueSaturation justBelow = pointerValue({65 + 59 * 0.5, 65 - 1e-12}, 130);
    EXPECT_LT(justBelow.hue, 360);  // never a full turn
    EXPECT_GE(justBelow.hue, 0);
    // A wheel with no usable radius sets no saturation and no NaN.
    const HueSaturation tiny = pointerValue({9, 5}, 10);
    EXPECT_EQ(tiny.saturation, 0);
    EXPECT_TRUE(std::isfinite(tiny.hue));
}

TEST(ColorWheelGeometry, ThePuckShowsHueAndSaturation) {
    const double c = 65, r = 59;
    const QPointF puck = puckCentre({120, 0.5, 0.7}, 130);
    EXPECT_NEAR(puck.x(), c - 0.25 * r, 1e-9);
    EXPECT_NEAR(puck.y(), c + 0.5 * std::sqrt(3.0) / 2 * r, 1e-9);
    const QColor colour = puckColor({120, 0.5, 0});
    EXPECT_NEAR(colour.hsvHueF(), 1.0 / 3, 1e-3);
    EXPECT_NEAR(colour.hsvSaturationF(), 0.5, 1e-3);
    EXPECT_NEAR(colour.valueF(), 0.9, 1e-3);
    // Below 0.01 the puck is white, and sits just off the centre.
    EXPECT_EQ(puckColor({200, 0.005, 0}), QColor(Qt::white));
    EXPECT_NEAR(puckCentre({0, 0.005, 0}, 130).x(), c + 0.005 * r, 1e-9);
    // Stored values beyond the wheel's own: drawn as they are, never as NaN.
    EXPECT_NEAR(puckCentre({0, 1.5, 0}, 130).x(), c + 1.5 * r, 1e-9);
    EXPECT_EQ(puckCentre({NAN, 0.5, 0}, 130), QPointF(c, c));
    EXPECT_TRUE(puckColor({-30, 2, 0}).isValid());
    EXPECT_NEAR(puckColor({-30, 1, 0}).hsvHueF(), 330.0 / 360, 1e-3);
    // The disc's colours: the six stops and the blend between them.
    EXPECT_EQ(hueColor(90), QColor::fromRgbF(0.5f, 1, 0));
    EXPECT_EQ(hueColor(270), QColor::fromRgbF(0.5f, 0, 1));
    EXPECT_EQ(hueColor(-30), hueColor(330));
    EXPECT_EQ(hueColor(360), QColor(Qt::red));
}

TEST(ColorWheelGeometry, LuminanceReadsInPercent) {
    EXPECT_EQ(luminancePercent(0.4), "+40 %");
    EXPECT_EQ(luminancePercent(0.02), "+2 %");
    EXPECT_EQ(luminancePercent(-1), "-100 %");
    EXPECT_EQ(luminancePercent(0), "0 %");
    EXPECT_EQ(luminancePercent(-0.004), "0 %");  // never "-0 %"
    EXPECT_EQ(luminancePercent(NAN), "0 %");
}

struct WheelFixture {
    test::DarkPage page;
    test::CountedValue<ColorWheelAdjustment> value;
    InteractiveColorWheel* wheel;
    QSignalSpy changes;

    explicit WheelFixture(ColorWheelAdjustment initial = {0, 0, 0.3})
        : value(initial), wheel(new InteractiveColorWheel("wheel", 130, value.binding())),
          changes(wheel, &InteractiveColorWheel::changed) {
        page.column->setContentsMargins(0, 0, 0, 0);
        page.add(wheel);
    }
    bool show() { return test::showExposed(page.widget, {130, 130}); }
};

TEST(InteractiveColorWheel, HueRunsClockwiseOnScreen) {
    WheelFixture f;
    ASSERT_TRUE(f.show());
    const QImage disc = test::grabImage(*f.wheel);
    // 55 points from the centre the white veil is 0.4 · (1 − 55/65) / 0.5 ≈ 0.12 over the hue.
    const double veil = 0.4 * (1 - 55.0 / 65) / 0.5;
    auto expected = [veil](double hue) {
        const QColor h = hueColor(hue);
        return QColor::fromRgbF(float(h.redF() * (1 - veil) + veil), float(h.greenF() * (1 - veil) + veil),
                                float(h.blueF() * (1 - veil) + veil));
    };
    EXPECT_TRUE(test::colourNear(test::pixelAt(disc, {65, 120}), expected(90), 10));   // 6 o'clock
    EXPECT_TRUE(test::colourNear(test::pixelAt(disc, {65, 10}), expected(270), 10));   // 12 o'clock
    EXPECT_TRUE(test::colourNear(test::pixelAt(disc, {120, 65}), expected(0), 10));    // 3 o'clock
    EXPECT_TRUE(test::colourNear(test::pixelAt(disc, {10, 65}), expected(180), 10));   // 9 o'clock
    test::shot(f.page.widget, "wheel-disc");
}

TEST(InteractiveColorWheel, EachDragStepWritesHueAndSaturationOnceAndKeepsLuminance) {
    WheelFixture f;
    ASSERT_TRUE(f.show());
    // A press and release without travel writes nothing.
    QTest::mouseClick(f.wheel, Qt::LeftButton, {}, {80, 65});
    EXPECT_EQ(f.value.writeCount(), 0);

    QTest::mousePress(f.wheel, Qt::LeftButton, {}, {65, 65});
    QTest::mouseMove(f.wheel, {124, 65});
    EXPECT_EQ(*f.value.value, (ColorWheelAdjustment{0, 1, 0.3}));
    EXPECT_EQ(f.value.writeCount(), 1);
    EXPECT_EQ(f.changes.count(), 1);
    QTest::mouseMove(f.wheel, {65, 124});
    EXPECT_EQ(*f.value.value, (ColorWheelAdjustment{90, 1, 0.3}));
    EXPECT_EQ(f.wheel->puckCentre(), QPointF(65, 124));
    QTest::mouseMove(f.wheel, {65, 200});  // outside the disc the drag goes on, held at the rim
    EXPECT_EQ(f.value.writeCount(), 2);   // the same hue and saturation: nothing written
    QTest::mouseMove(f.wheel, {35, 95});
    EXPECT_NEAR(f.value.value->hue, 135, 1e-9);
    EXPECT_NEAR(f.value.value->saturation, std::hypot(30, 30) / 59, 1e-9);
    QTest::mouseRelease(f.wheel, Qt::LeftButton, {}, {35, 95});
    EXPECT_EQ(f.value.writeCount(), 3);
    EXPECT_EQ(f.changes.count(), 3);
    EXPECT_EQ(f.value.value->luminance, 0.3);
    test::shot(f.page.widget, "wheel-dragged");

    // Outside the disc (the frame's corner) no drag starts.
    QTest::mousePress(f.wheel, Qt::LeftButton, {}, {2, 2});
    QTest::mouseMove(f.wheel, {65, 65});
    QTest::mouseRelease(f.wheel, Qt::LeftButton, {}, {65, 65});
    EXPECT_EQ(f.value.writeCount(), 3);
}

TEST(InteractiveColorWheel, ADoubleClickOnTheDiscOrThePuckResetsHueAndSaturation) {
    WheelFixture f({200, 0.8, -0.4});
    ASSERT_TRUE(f.show());
    EXPECT_NE(f.wheel->puckColor(), QColor(Qt::white));
    test::doubleClick(f.wheel, {3, 3});  // the frame's corner lies off the disc
    EXPECT_EQ(f.value.writeCount(), 0);

    test::doubleClick(f.wheel, {90, 40});
    EXPECT_EQ(*f.value.value, (ColorWheelAdjustment{0, 0, -0.4}));
    EXPECT_EQ(f.value.writeCount(), 1);
    EXPECT_EQ(f.changes.count(), 1);
    EXPECT_EQ(f.wheel->puckCentre(), QPointF(65, 65));
    EXPECT_EQ(f.wheel->puckColor(), QColor(Qt::white));

    // A puck beyond the rim (a stored saturation above 1) still takes the double click.
    *f.value.value = {45, 1.12, 0};
    f.wheel->refresh();
    const QPoint puck = f.wheel->puckCentre().toPoint();
    ASSERT_FALSE(onDisc(puck, 130));
    test::doubleClick(f.wheel, puck);
    EXPECT_EQ(f.value.value->saturation, 0);
    EXPECT_EQ(f.changes.count(), 2);
}

struct PanelFixture {
    test::DarkPage page;
    test::CountedValue<ColorGradingParameters> grading;
    ColorWheelsView* panel;
    QSignalSpy changes;

    explicit PanelFixture(ColorGradingParameters initial = {})
        : grading(initial), panel(page.add(new ColorWheelsView(grading.binding()))),
          changes(panel, &ColorWheelsView::changed) {
        page.column->addStretch(1);
    }
    bool show() { return test::showExposed(page.widget, {300, 420}); }
    bool resetShown() const { return panel->header()->resetButton()->isVisibleTo(panel); }
    void choose(const char* tab) { QTest::mouseClick(panel->tabs()->chip(QString::fromUtf8(tab)), Qt::LeftButton); }
};

TEST(ColorWheelsPanel, StartsWithThreeWheelsAndShowsItsResetWhileTheGradingActs) {
    PanelFixture f;
    ASSERT_TRUE(f.show());
    EXPECT_EQ(f.panel->selectedTab(), Tab::all);
    EXPECT_EQ(f.panel->tabs()->selected(), "all");
    EXPECT_EQ(f.panel->tabs()->chip("all")->text(), "All");
    EXPECT_TRUE(shown(f.panel->columnsBox()));
    EXPECT_FALSE(shown(f.panel->card()));
    EXPECT_TRUE(shown(f.panel->balance()));
    const char* titles[] = {"Lift", "Gamma", "Gain"};
    for (Wheel w : {Wheel::shadows, Wheel::midtones, Wheel::highlights}) {
        EXPECT_EQ(f.panel->columnWheel(w)->diameter(), 76);
        EXPECT_EQ(f.panel->columnTitle(w)->text(), titles[int(w)]);
        EXPECT_EQ(f.panel->columnLuminance(w)->width(), 76);
        EXPECT_EQ(f.panel->columnLuminance(w)->toolTip(), "Drag to adjust luminance, double-click to reset to 0");
    }
    EXPECT_FALSE(f.resetShown());

    // Each column's luminance row shows its value over the track, though it has no title.
    f.grading.value->shadows.luminance = 0.5;
    f.panel->refresh();
    ProSlider* shadows = f.panel->columnLuminance(Wheel::shadows);
    EXPECT_EQ(shadows->titleLabel(), nullptr);
    ASSERT_NE(shadows->readout(), nullptr);
    EXPECT_TRUE(shadows->readout()->isVisibleTo(f.panel));
    EXPECT_EQ(shadows->readout()->text(), "+0.50");
    EXPECT_EQ(f.panel->columnLuminance(Wheel::highlights)->readout()->text(), "0.00");
    test::shot(f.page.widget, "wheels-all");
    *f.grading.value = {};
    f.panel->refresh();

    // Hues alone do nothing; any saturation, luminance or balance of 0.001 does.
    f.grading.value->midtones.hue = 200;
    f.panel->refresh();
    EXPECT_FALSE(f.resetShown());
    for (auto set : {+[](ColorGradingParameters& g) { g.highlights.saturation = 0.001; },
                     +[](ColorGradingParameters& g) { g.shadows.luminance = -0.001; },
                     +[](ColorGradingParameters& g) { g.balance = 0.001; }}) {
        *f.grading.value = {};
        set(*f.grading.value);
        f.panel->refresh();
        EXPECT_TRUE(f.resetShown());
    }
    EXPECT_EQ(f.changes.count(), 0);  // refreshes report nothing
    EXPECT_EQ(f.grading.writeCount(), 0);
}

TEST(ColorWheelsPanel, ResetWritesTheWholeGradingOnceFromAnyTab) {
    PanelFixture f({{30, 0.4, 0.5}, {}, {}, 0.2});
    ASSERT_TRUE(f.show());
    EXPECT_TRUE(f.resetShown());
    QTest::mouseClick(f.panel->header()->resetButton(), Qt::LeftButton);
    EXPECT_EQ(*f.grading.value, ColorGradingParameters::defaultValue());
    EXPECT_EQ(f.grading.writeCount(), 1);
    EXPECT_EQ(f.changes.count(), 1);
    EXPECT_FALSE(f.resetShown());
    EXPECT_EQ(f.panel->columnWheel(Wheel::shadows)->puckCentre(), QPointF(38, 38));

    *f.grading.value = {{}, {}, {10, 0.2, 0.5}, 0.2};
    f.panel->refresh();
    f.choose("midtones");
    QTest::mouseClick(f.panel->header()->resetButton(), Qt::LeftButton);
    EXPECT_EQ(*f.grading.value, ColorGradingParameters::defaultValue());
    EXPECT_EQ(f.changes.count(), 2);
}

TEST(ColorWheelsPanel, ASingleWheelTabShowsItsLargeWheelWithoutTouchingTheRecipe) {
    PanelFixture f({{}, {}, {0, 0, 0.4}, 0});
    ASSERT_TRUE(f.show());
    f.choose("highlights");
    EXPECT_EQ(f.panel->selectedTab(), Tab::highlights);
    EXPECT_EQ(f.panel->tabs()->selected(), "highlights");
    EXPECT_EQ(f.grading.writeCount(), 0);
    EXPECT_EQ(f.changes.count(), 0);
    EXPECT_FALSE(shown(f.panel->columnsBox()));
    EXPECT_TRUE(shown(f.panel->card()));
    EXPECT_EQ(f.panel->cardTitle()->text(), "Gain");
    EXPECT_EQ(f.panel->cardWheel()->diameter(), 130);
    EXPECT_EQ(f.panel->cardLuminance()->titleLabel()->fullText(), "Luminance");
    EXPECT_EQ(f.panel->cardLuminance()->readout()->text(), "+40 %");  // 0.4, not "+0 %"
    test::shot(f.page.widget, "wheels-highlights");

    // The large wheel edits the highlights only.
    InteractiveColorWheel* wheel = f.panel->cardWheel();
    test::drag(wheel, {65, 65}, {65, 124}, 2);
    EXPECT_EQ(f.grading.value->highlights, (ColorWheelAdjustment{90, 1, 0.4}));
    EXPECT_EQ(f.grading.value->shadows, ColorWheelAdjustment{});
    EXPECT_EQ(f.changes.count(), f.grading.writeCount());
    EXPECT_TRUE(f.resetShown());

    // Its luminance row reads in percent: one step of 0.02 shows as "+2 %".
    f.grading.value->highlights.luminance = 0.02;
    f.panel->refresh();
    EXPECT_EQ(f.panel->cardLuminance()->readout()->text(), "+2 %");
    const int before = f.changes.count();
    test::dragSlider(*f.panel->cardLuminance(), 0.75, 1);
    EXPECT_NEAR(f.grading.value->highlights.luminance, 0.5, 1e-12);
    EXPECT_EQ(f.panel->cardLuminance()->readout()->text(), "+50 %");
    EXPECT_EQ(f.changes.count(), before + 1);
    EXPECT_EQ(f.grading.value->midtones.luminance, 0);

    // Another tab: the same card now shows and edits the shadows.
    f.choose("shadows");
    EXPECT_EQ(f.panel->cardTitle()->text(), "Lift");
    EXPECT_EQ(f.panel->cardLuminance()->readout()->text(), "0 %");
    EXPECT_EQ(f.panel->cardWheel()->puckCentre(), QPointF(65, 65));
    f.choose("all");
    EXPECT_TRUE(shown(f.panel->columnsBox()));
    EXPECT_EQ(f.panel->columnWheel(Wheel::highlights)->puckCentre(), QPointF(38, 38 + 32));
}

TEST(ColorWheelsPanel, LuminanceAndBalanceRowsWriteOncePerChangedStep) {
    PanelFixture f;
    ASSERT_TRUE(f.show());
    test::dragSlider(*f.panel->columnLuminance(Wheel::midtones), 1.0, 4);
    EXPECT_EQ(f.grading.value->midtones.luminance, 1);
    test::dragSlider(*f.panel->balance(), 0.25, 3);
    EXPECT_NEAR(f.grading.value->balance, -0.5, 1e-12);
    EXPECT_EQ(f.panel->balance()->readout()->text(), "-0.50");
    EXPECT_EQ(f.changes.count(), f.grading.writeCount());
    EXPECT_GE(f.changes.count(), 2);
    // A double click on the track writes its default: one more edit.
    const int before = f.changes.count();
    test::doubleClick(f.panel->balance()->track(), {10, 7});
    EXPECT_EQ(f.grading.value->balance, 0);
    EXPECT_EQ(f.changes.count(), before + 1);
    EXPECT_EQ(f.grading.value->midtones.luminance, 1);

    test::ScopedLanguage german(AppLanguage::de);
    f.panel->refresh();
    EXPECT_EQ(f.panel->tabs()->chip("midtones")->text(), "Mitteltöne");
    EXPECT_EQ(f.panel->balance()->titleLabel()->fullText(), "Balance");
    test::shot(f.page.widget, "wheels-de");
}

}  // namespace
}  // namespace vantrel
