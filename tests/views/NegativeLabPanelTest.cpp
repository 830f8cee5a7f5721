// The negative conversion panel: its switch, film type, film base (hex text,
// presets, the eyedropper through a fake screen sampler) and sliders, driven
// as a photographer drives them.
#include <cmath>
#include <limits>

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "FakeScreen.h"
#include "PanelTestSupport.h"
#include "ViewTestSupport.h"
#include "model/EditParameters.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/StandardColors.h"
#include "views/kit/SymbolView.h"
#include "views/kit/SystemColorSampler.h"
#include "views/kit/Chip.h"
#include "views/kit/ChipRow.h"
#include "views/kit/ColorSwatch.h"
#include "views/panels/FilmBaseText.h"
#include "views/panels/NegativeLabControlView.h"
#include "views/kit/PanelHeader.h"
#include "views/kit/RoundedBox.h"
#include "views/kit/ToggleSwitch.h"

namespace vantrel {
namespace {

using test::shown;
using test::settleLayouts;

EditParameters withNegative(NegativeLabParameters negative) {
    EditParameters recipe;
    recipe.negativeLab = std::move(negative);
    return recipe;
}

struct NegativeFixture {
    test::DarkPage page;
    test::CountedValue<EditParameters> recipe;
    std::shared_ptr<QString> frame = std::make_shared<QString>(QStringLiteral("frame-1"));
    test::FakeColorSampler sampler;
    NegativeLabControlView* panel;
    QSignalSpy changes;

    explicit NegativeFixture(EditParameters initial = {})
        : recipe(std::move(initial)),
          panel(page.add(new NegativeLabControlView(recipe.binding().projected(&EditParameters::negativeLab),
                                                    [f = frame] { return *f; }, &sampler))),
          changes(panel, &NegativeLabControlView::changed) {
        page.column->addStretch(1);
    }
    bool show() { return test::showExposed(page.widget, {320, 520}); }
    const NegativeLabParameters& negative() const { return recipe.value->negativeLab; }
    void flipSwitch() { QTest::mouseClick(panel->header()->enableSwitch(), Qt::LeftButton); }
    // One user edit: one write and one report.
    void expectEdits(int n) const {
        EXPECT_EQ(recipe.writeCount(), n);
        EXPECT_EQ(changes.count(), n);
    }
};

TEST(FilmBaseText, HexTruncatesClampsAndFallsBackForMalformedBases) {
    EXPECT_EQ(filmBaseHex({0.85, 0.45, 0.25}), "#D8723F");  // truncated: 216.75 gives D8
    EXPECT_EQ(filmBaseHex({0.5, 0.5, 0.5}), "#7F7F7F");
    EXPECT_EQ(filmBaseHex({1, 1, 1}), "#FFFFFF");
    EXPECT_EQ(filmBaseHex({0, 0, 0}), "#000000");
    // Out of range and NaN are shown at the nearer end (NaN as 0); infinities too.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(filmBaseHex({1.2, nan, -0.3}), "#FF0000");
    EXPECT_EQ(filmBaseHex({inf, -inf, 1e300}), "#FF00FF");
    EXPECT_EQ(filmBaseHex({0.5, 0.5}), "#D87240");
    EXPECT_EQ(filmBaseHex({0.5, 0.5, 0.5, 0.5}), "#D87240");
    EXPECT_EQ(filmBaseHex({}), "#D87240");
    EXPECT_EQ(filmBaseSwatchColor({}), standardColor(StandardColor::Orange));
    EXPECT_EQ(filmBaseSwatchColor({1.2, nan, 0.5}), QColor::fromRgbF(1, 0, 0.5f));
}

TEST(NegativeLabPanel, SwitchingOnLoadsTheDefaultsOnlyOnThePhotographersFlip) {
    // A stored recipe with the conversion on and its stretch at 0: shown as it is, nothing written.
    NegativeLabParameters unset = NegativeLabParameters::defaultValue();
    unset.isEnabled = true;
    unset.densityStretch = 0;
    unset.filmType = NegativeFilmType::bwNegative;
    NegativeFixture f(withNegative(unset));
    ASSERT_TRUE(f.show());
    f.panel->refresh();
    f.expectEdits(0);
    EXPECT_EQ(f.negative(), unset);
    EXPECT_TRUE(shown(f.panel->controls()));
    EXPECT_TRUE(f.panel->header()->enableSwitch()->isOn());

    // Off, then on again by hand: the stretch below 0.1 loads the enabled defaults.
    f.flipSwitch();
    EXPECT_FALSE(f.negative().isEnabled);
    EXPECT_EQ(f.negative().densityStretch, 0);
    EXPECT_FALSE(shown(f.panel->controls()));
    EXPECT_FALSE(f.panel->header()->resetButton()->isVisibleTo(f.panel));
    EXPECT_EQ(f.panel->header()->symbolView()->color(), standardColor(StandardColor::SecondaryText));
    f.expectEdits(1);
    test::shot(f.page.widget, "negative-off");
    f.flipSwitch();
    EXPECT_EQ(f.negative(), NegativeLabParameters::enabledDefault());
    f.expectEdits(2);
    EXPECT_TRUE(shown(f.panel->controls()) && shown(f.panel->filmBase()));
    EXPECT_EQ(f.panel->header()->symbolView()->color(), standardColor(StandardColor::Orange));

    // A stretch of 0.1 or more keeps the record: only the flag changes.
    for (double stretch : {0.1, 1.7}) {
        NegativeLabParameters set = NegativeLabParameters::defaultValue();
        set.densityStretch = stretch;
        set.gamma = 1.4;
        set.filmBaseColor = {0.2, 0.3, 0.4};
        *f.recipe.value = withNegative(set);
        f.panel->refresh();
        const int before = f.recipe.writeCount();
        f.flipSwitch();
        set.isEnabled = true;
        EXPECT_EQ(f.negative(), set);
        EXPECT_EQ(f.recipe.writeCount(), before + 1);
        EXPECT_EQ(f.changes.count(), before + 1);
    }

    // Reset while on loads the enabled defaults and keeps the conversion on.
    const int before = f.recipe.writeCount();
    QTest::mouseClick(f.panel->header()->resetButton(), Qt::LeftButton);
    EXPECT_EQ(f.negative(), NegativeLabParameters::enabledDefault());
    EXPECT_EQ(f.recipe.writeCount(), before + 1);
    EXPECT_EQ(f.changes.count(), before + 1);
    EXPECT_TRUE(shown(f.panel->controls()));
}

TEST(NegativeLabPanel, FilmTypeHidesTheBaseAndBalanceButKeepsTheirValues) {
    NegativeLabParameters on = NegativeLabParameters::enabledDefault();
    on.colorBalance = -0.4;
    on.filmBaseColor = {0.6, 0.4, 0.3};
    NegativeFixture f(withNegative(on));
    ASSERT_TRUE(f.show());
    EXPECT_EQ(f.panel->filmTypes()->selected(), "colorNegative");
    EXPECT_EQ(f.panel->filmTypes()->chip("colorNegative")->text(), "Color Negative");
    EXPECT_TRUE(shown(f.panel->filmBase()) && shown(f.panel->slider("colorBalance")));
    EXPECT_EQ(f.panel->slider("colorBalance")->readout()->text(), "-0.40");
    EXPECT_EQ(f.panel->hexText()->text(), "#99664C");

    QTest::mouseClick(f.panel->filmTypes()->chip("bwNegative"), Qt::LeftButton);
    EXPECT_EQ(f.negative().filmType, NegativeFilmType::bwNegative);
    EXPECT_FALSE(shown(f.panel->filmBase()) || shown(f.panel->slider("colorBalance")));
    EXPECT_TRUE(shown(f.panel->slider("densityStretch")) && shown(f.panel->slider("shadowDensity")));
    f.expectEdits(1);
    test::shot(f.page.widget, "negative-bw");
    // The chosen type again is still an edit.
    QTest::mouseClick(f.panel->filmTypes()->chip("bwNegative"), Qt::LeftButton);
    f.expectEdits(2);

    QTest::mouseClick(f.panel->filmTypes()->chip("colorNegative"), Qt::LeftButton);
    EXPECT_TRUE(shown(f.panel->filmBase()) && shown(f.panel->slider("colorBalance")));
    EXPECT_EQ(f.negative().colorBalance, -0.4);
    EXPECT_EQ(f.negative().filmBaseColor, (std::vector<double>{0.6, 0.4, 0.3}));
    f.expectEdits(3);

    // A slider step is one write and one report; the colour balance shows its plus sign.
    test::dragSlider(*f.panel->slider("colorBalance"), 0.75);
    EXPECT_NEAR(f.negative().colorBalance, 0.5, 1e-9);
    EXPECT_EQ(f.panel->slider("colorBalance")->readout()->text(), "+0.50");
    EXPECT_EQ(f.changes.count(), f.recipe.writeCount());
    EXPECT_EQ(f.negative().filmType, NegativeFilmType::colorNegative);
}

TEST(NegativeLabPanel, BasePresetsRepairAMalformedBaseAndChangeNothingElse) {
    NegativeLabParameters on = NegativeLabParameters::enabledDefault();
    on.filmBaseColor = {0.5, 0.5};
    on.gamma = 1.3;
    NegativeFixture f(withNegative(on));
    ASSERT_TRUE(f.show());
    EXPECT_EQ(f.panel->hexText()->text(), "#D87240");
    EXPECT_EQ(f.panel->swatch()->color(), standardColor(StandardColor::Orange));

    const struct {
        const char* id;
        std::vector<double> base;
        const char* hex;
    } presets[] = {{"fuji", {0.78, 0.5, 0.28}, "#C67F47"},
                   {"cinema", {0.9, 0.4, 0.2}, "#E56633"},
                   {"neutral", {0.5, 0.5, 0.5}, "#7F7F7F"},
                   {"gold", {0.85, 0.45, 0.25}, "#D8723F"}};
    int edits = 0;
    for (const auto& p : presets) {
        QTest::mouseClick(f.panel->basePresets()->chip(p.id), Qt::LeftButton);
        f.expectEdits(++edits);
        EXPECT_EQ(f.negative().filmBaseColor, p.base) << p.id;
        EXPECT_EQ(f.panel->hexText()->text(), p.hex) << p.id;
        EXPECT_FALSE(f.panel->basePresets()->chip(p.id)->isSelected());
    }
    NegativeLabParameters expected = on;
    expected.filmBaseColor = {0.85, 0.45, 0.25};
    EXPECT_EQ(f.negative(), expected);

    // A stored base out of range shows clamped; the record keeps it.
    f.recipe.value->negativeLab.filmBaseColor = {1.2, std::numeric_limits<double>::quiet_NaN(), 0.5};
    f.panel->refresh();
    EXPECT_EQ(f.panel->hexText()->text(), "#FF007F");
    EXPECT_EQ(f.recipe.value->negativeLab.filmBaseColor[0], 1.2);
    f.expectEdits(edits);
}

TEST(NegativeLabPanel, TheEyedropperStoresThePickedColourAsGivenAndIgnoresACancel) {
    NegativeFixture f(withNegative(NegativeLabParameters::enabledDefault()));
    ASSERT_TRUE(f.show());
    Chip* eyedropper = f.panel->eyedropper();
    EXPECT_TRUE(eyedropper->isEnabled());
    EXPECT_EQ(eyedropper->toolTip(), "Pick the film base color from an unexposed area of the scan");
    EXPECT_EQ(eyedropper->text(), "Sample Base");

    // Cancelled: nothing written, nothing reported.
    QTest::mouseClick(eyedropper, Qt::LeftButton);
    EXPECT_TRUE(f.panel->isSampling());
    EXPECT_TRUE(eyedropper->isSelected());
    f.sampler.escape();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.panel->isSampling(); }));
    EXPECT_FALSE(eyedropper->isSelected());
    f.expectEdits(0);

    // Picked: stored exactly, neither rounded to 1/255 nor clamped; nothing else changes.
    QTest::mouseClick(eyedropper, Qt::LeftButton);
    EXPECT_EQ(f.sampler.starts, 2);
    f.sampler.pick({0.8123456789, 1.04, -0.01});
    EXPECT_EQ(f.recipe.writeCount(), 0);  // the colour comes on a later turn, never inside the pick
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.recipe.writeCount() == 1; }));
    EXPECT_EQ(f.changes.count(), 1);
    NegativeLabParameters expected = NegativeLabParameters::enabledDefault();
    expected.filmBaseColor = {0.8123456789, 1.04, -0.01};
    EXPECT_EQ(f.negative(), expected);
    EXPECT_EQ(f.panel->hexText()->text(), "#CFFF00");

    // A second press while a pick runs starts over; only the newest pick's colour counts.
    QTest::mouseClick(eyedropper, Qt::LeftButton);
    QTest::mouseClick(eyedropper, Qt::LeftButton);
    EXPECT_EQ(f.sampler.cancels, 1);
    f.sampler.pick({0.1, 0.2, 0.3});
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.recipe.writeCount() == 2; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(f.negative().filmBaseColor, (std::vector<double>{0.1, 0.2, 0.3}));
    EXPECT_EQ(f.changes.count(), 2);
}

TEST(NegativeLabPanel, APickBelongsToTheFrameItStartedOn) {
    NegativeFixture f(withNegative(NegativeLabParameters::enabledDefault()));
    ASSERT_TRUE(f.show());

    // The frame changes and the window refreshes before the colour comes: the pick ends.
    QTest::mouseClick(f.panel->eyedropper(), Qt::LeftButton);
    *f.frame = QStringLiteral("frame-2");
    f.panel->refresh();
    EXPECT_FALSE(f.panel->isSampling());
    EXPECT_EQ(f.sampler.cancels, 1);
    EXPECT_FALSE(f.sampler.running());
    QCoreApplication::processEvents();
    f.expectEdits(0);

    // The colour comes after a frame change the panel has not been refreshed for: dropped.
    QTest::mouseClick(f.panel->eyedropper(), Qt::LeftButton);
    *f.frame = QStringLiteral("frame-3");
    f.sampler.pick({0.3, 0.3, 0.3});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.panel->isSampling(); }));
    QCoreApplication::processEvents();
    f.expectEdits(0);
    EXPECT_EQ(f.negative(), NegativeLabParameters::enabledDefault());

    // Back on one frame, a pick lands.
    QTest::mouseClick(f.panel->eyedropper(), Qt::LeftButton);
    f.sampler.pick({0.3, 0.3, 0.3});
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.recipe.writeCount() == 1; }));
}

TEST(NegativeLabPanel, WithoutASamplerTheEyedropperIsDisabledAndSaysWhy) {
    NegativeFixture f(withNegative(NegativeLabParameters::enabledDefault()));
    ASSERT_TRUE(f.show());
    Chip* eyedropper = f.panel->eyedropper();

    f.sampler.setAvailability(ScreenColorSampler::Availability::unavailable);
    EXPECT_FALSE(eyedropper->isEnabled());
    EXPECT_EQ(eyedropper->toolTip().toStdString(),
              "Sampling needs the desktop's color picker or an X11 session; neither is available here.");
    QTest::mouseClick(eyedropper, Qt::LeftButton);
    EXPECT_EQ(f.sampler.starts, 0);
    f.sampler.setAvailability(ScreenColorSampler::Availability::available);
    EXPECT_TRUE(eyedropper->isEnabled());

    // The desktop's own sampler on a machine without a screen: disabled at once, never waiting.
    SystemColorSampler system;
    EXPECT_EQ(system.availability(), ScreenColorSampler::Availability::unavailable);
    f.panel->setSampler(&system);
    EXPECT_FALSE(eyedropper->isEnabled());
    EXPECT_EQ(eyedropper->toolTip(), "Sampling is unavailable: there is no screen to sample from.");
    bool ended = false;
    system.sample(nullptr, [&](std::optional<SampledColor> colour) { ended = !colour; });
    EXPECT_FALSE(ended);  // later, never inside the call
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }));

    f.panel->setSampler(nullptr);
    EXPECT_FALSE(eyedropper->isEnabled());
    {
        test::ScopedLanguage german(AppLanguage::de);
        f.panel->refresh();
        settleLayouts();
        EXPECT_EQ(f.panel->filmTypes()->chip("colorNegative")->text(), "Farbnegativ");
        EXPECT_FALSE(eyedropper->toolTip().isEmpty());
        EXPECT_NE(eyedropper->toolTip(), "Sampling needs the desktop's color picker or an X11 session; neither is available here.");
        test::shot(f.page.widget, "negative-de");
    }
    f.panel->refresh();
    f.expectEdits(0);
}

}  // namespace
}  // namespace vantrel
