// The extended-range output panel (against fake screens of chosen headroom)
// and the halation and bloom panel, driven as a photographer drives them.
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "FakeScreen.h"
#include "PanelTestSupport.h"
#include "ViewTestSupport.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/FittingText.h"
#include "views/kit/StandardColors.h"
#include "views/kit/SymbolView.h"
#include "views/kit/Chip.h"
#include "views/kit/ChipRow.h"
#include "views/panels/HalationControlView.h"
#include "views/kit/PanelHeader.h"
#include "views/kit/RoundedBox.h"
#include "views/kit/ToggleSwitch.h"
#include "views/panels/UltraHDRControlView.h"
#include "views/panels/UltraHDRPresets.h"

namespace vantrel {
namespace {

using test::shown;
using test::settleLayouts;

struct HDRFixture {
    test::DarkPage page;
    test::CountedValue<UltraHDRParameters> hdr;
    std::shared_ptr<test::FakeScreen> screen;
    UltraHDRControlView* panel;
    QSignalSpy changes;

    explicit HDRFixture(UltraHDRParameters initial = {}, double headroom = 1.0)
        : hdr(initial), screen(std::make_shared<test::FakeScreen>(headroom)),
          panel(page.add(new UltraHDRControlView(hdr.binding(), screen))),
          changes(panel, &UltraHDRControlView::changed) {
        page.column->addStretch(1);
    }
    bool show() { return test::showExposed(page.widget, {320, 460}); }
    void flipSwitch() { QTest::mouseClick(panel->header()->enableSwitch(), Qt::LeftButton); }
    void expectEdits(int n) const {
        EXPECT_EQ(hdr.writeCount(), n);
        EXPECT_EQ(changes.count(), n);
    }
};

UltraHDRParameters on(double boost, double threshold, double radius = 4, double maxHeadroom = 3) {
    return {true, boost, threshold, radius, maxHeadroom};
}

TEST(UltraHDRPanel, SwitchingOnLoadsTheDefaultsOnlyOnThePhotographersFlip) {
    // A stored record that is on with no boost: shown as it is, nothing written.
    HDRFixture f(on(0, 0.9, 2, 5));
    ASSERT_TRUE(f.show());
    f.panel->refresh();
    f.expectEdits(0);
    EXPECT_EQ(*f.hdr.value, on(0, 0.9, 2, 5));
    EXPECT_TRUE(shown(f.panel->body()));
    EXPECT_EQ(f.panel->slider("boost")->readout()->text(), "+0.00 EV");  // the format always signs

    f.flipSwitch();
    EXPECT_FALSE(f.hdr.value->isEnabled);
    EXPECT_EQ(f.hdr.value->clipThreshold, 0.9);
    EXPECT_FALSE(shown(f.panel->body()));
    EXPECT_FALSE(f.panel->header()->resetButton()->isVisibleTo(f.panel));
    EXPECT_EQ(f.panel->header()->symbolView()->color(), standardColor(StandardColor::SecondaryText));
    f.expectEdits(1);
    f.flipSwitch();
    EXPECT_EQ(*f.hdr.value, UltraHDRParameters::enabledDefault());
    EXPECT_EQ(f.panel->header()->symbolView()->color(), standardColor(StandardColor::Yellow));
    f.expectEdits(2);

    // A boost of exactly 0.05 counts as set: only the flag changes.
    *f.hdr.value = {false, 0.05, 0.6, 7, 2};
    f.panel->refresh();
    f.flipSwitch();
    EXPECT_EQ(*f.hdr.value, (UltraHDRParameters{true, 0.05, 0.6, 7, 2}));
    f.expectEdits(3);

    // Reset on a record that already is the enabled default still writes once and reports once.
    *f.hdr.value = UltraHDRParameters::enabledDefault();
    f.panel->refresh();
    QTest::mouseClick(f.panel->header()->resetButton(), Qt::LeftButton);
    EXPECT_EQ(*f.hdr.value, UltraHDRParameters::enabledDefault());
    f.expectEdits(4);
}

TEST(UltraHDRPanel, PresetsWriteOnceAndTheCurrentOneIsHighlighted) {
    HDRFixture f(UltraHDRParameters::enabledDefault());
    ASSERT_TRUE(f.show());
    EXPECT_EQ(f.panel->presets()->selected(), "");
    QTest::mouseClick(f.panel->presets()->chip("natural"), Qt::LeftButton);
    EXPECT_EQ(*f.hdr.value, on(1.0, 0.8, 4.0));
    f.expectEdits(1);
    EXPECT_EQ(f.panel->presets()->selected(), "natural");
    test::shot(f.page.widget, "hdr-natural");

    // A preset keeps the flag and the maximum headroom; its three values come in one write.
    *f.hdr.value = on(0.3, 0.9, 1, 6);
    f.panel->refresh();
    QTest::mouseClick(f.panel->presets()->chip("specular"), Qt::LeftButton);
    EXPECT_EQ(*f.hdr.value, on(2.5, 0.65, 6.0, 6));
    f.expectEdits(2);
    // Only the radius changed: still the current preset.
    test::dragSlider(*f.panel->slider("radius"), 0.0);
    EXPECT_EQ(f.hdr.value->gainMapRadius, 0);
    EXPECT_EQ(f.panel->presets()->selected(), "specular");
    EXPECT_EQ(f.changes.count(), f.hdr.writeCount());

    // Within 0.1 of the boost and 0.05 of the threshold, strictly.
    const UltraHDRPreset& natural = ultraHDRPresets()[0];
    EXPECT_TRUE(isCurrentPreset(on(1.05, 0.8), natural));
    EXPECT_FALSE(isCurrentPreset(on(1.15, 0.8), natural));
    EXPECT_FALSE(isCurrentPreset(on(1.05, 0.86), natural));
    EXPECT_EQ(currentPresetID(on(1.79, 0.7)), "vivid");
    EXPECT_EQ(currentPresetID(on(1.5, 0.75)), "");
}

TEST(UltraHDRPanel, TheScreenStatusFollowsTheHeadroomAtTheStandardRangeLimit) {
    HDRFixture f(on(1.0, 0.8), 1.05);
    ASSERT_TRUE(f.show());
    // 1.05 is still standard range: orange, the standard text and the notice.
    EXPECT_TRUE(f.screen->isStandardDynamicRangeOnly());
    EXPECT_EQ(f.panel->statusColor(), standardColor(StandardColor::Orange));
    EXPECT_EQ(f.panel->statusText()->fullText(), "Standard-range display");
    EXPECT_TRUE(shown(f.panel->notice()));
    EXPECT_EQ(f.panel->headroomText()->text(), "Highlights brightened up to 2.00x (+1.00 EV) on extended-range displays");
    test::shot(f.page.widget, "hdr-standard");

    // The screen is asked afresh at each refresh: 1.06 is extended range.
    f.screen->headroom = 1.06;
    f.panel->refresh();
    EXPECT_EQ(f.panel->statusColor(), standardColor(StandardColor::Green));
    EXPECT_EQ(f.panel->statusText()->fullText(), "Extended-range display (up to 1.1x)");
    EXPECT_FALSE(shown(f.panel->notice()));
    test::shot(f.page.widget, "hdr-extended");

    // No boost: a gain of 1.
    *f.hdr.value = on(0, 0.8);
    f.panel->refresh();
    EXPECT_EQ(f.panel->headroomText()->text(), "Highlights brightened up to 1.00x (+0.00 EV) on extended-range displays");
    // An unreadable headroom counts as standard range.
    f.screen->headroom = std::numeric_limits<double>::quiet_NaN();
    f.panel->refresh();
    EXPECT_TRUE(shown(f.panel->notice()));
    // This platform's screens report standard range.
    EXPECT_EQ(SystemEDRDetector().maximumPotentialHeadroom(), 1.0);
    EXPECT_TRUE(SystemEDRDetector().isStandardDynamicRangeOnly());
    f.expectEdits(0);
    {
        test::ScopedLanguage german(AppLanguage::de);
        f.panel->refresh();
        settleLayouts();
        EXPECT_EQ(f.panel->presets()->chip("natural")->text(), "Natürlich");
        test::shot(f.page.widget, "hdr-de");
    }
}

struct HalationFixture {
    test::DarkPage page;
    test::CountedValue<EditParameters> recipe;
    HalationControlView* panel;
    QSignalSpy changes;

    explicit HalationFixture(HalationParameters initial = HalationParameters::defaultValue()) : recipe(with(initial)),
          panel(page.add(new HalationControlView(recipe.binding()))), changes(panel, &HalationControlView::changed) {
        page.column->addStretch(1);
    }
    static EditParameters with(HalationParameters halation) {
        EditParameters p;
        p.halation = halation;
        return p;
    }
    bool show() { return test::showExposed(page.widget, {320, 480}); }
    const HalationParameters& halation() const { return recipe.value->halation; }
    void flipSwitch() { QTest::mouseClick(panel->header()->enableSwitch(), Qt::LeftButton); }
    void expectEdits(int n) const {
        EXPECT_EQ(recipe.writeCount(), n);
        EXPECT_EQ(changes.count(), n);
    }
};

TEST(HalationPanel, SwitchingOnLoadsTheDefaultsOnlyWhenBothIntensitiesAreUnset) {
    HalationFixture f;
    ASSERT_TRUE(f.show());
    EXPECT_FALSE(shown(f.panel->body()));
    EXPECT_FALSE(f.panel->header()->resetButton()->isVisibleTo(f.panel));
    EXPECT_EQ(f.panel->header()->titleLabel()->text(), "Film Halation & Mist Bloom");
    test::shot(f.page.widget, "halation-off");
    f.flipSwitch();
    EXPECT_EQ(f.halation(), HalationParameters::enabledDefault());
    f.expectEdits(1);
    EXPECT_TRUE(shown(f.panel->body()));
    EXPECT_EQ(f.panel->header()->symbolView()->color(), standardColor(StandardColor::Red));

    // Off keeps the five values.
    f.recipe.value->halation.halationIntensity = 0.3;
    f.panel->refresh();
    f.flipSwitch();
    EXPECT_FALSE(f.halation().isEnabled);
    EXPECT_EQ(f.halation().halationIntensity, 0.3);
    EXPECT_FALSE(shown(f.panel->body()));
    f.expectEdits(2);
    // On with a glow of 0.3 keeps it; so does a bloom of exactly 0.01.
    f.flipSwitch();
    EXPECT_EQ(f.halation(), (HalationParameters{true, 0.3, 18, 0.7, 0, 30}));
    f.recipe.value->halation = {false, 0, 12, 0.5, 0.01, 40};
    f.panel->refresh();
    f.flipSwitch();
    EXPECT_EQ(f.halation(), (HalationParameters{true, 0, 12, 0.5, 0.01, 40}));
    f.expectEdits(4);

    // A stored record that is on at zero amounts is shown as it is: a refresh writes nothing.
    f.recipe.value->halation = {true, 0, 12, 0.5, 0, 40};
    f.panel->refresh();
    f.expectEdits(4);
    EXPECT_TRUE(shown(f.panel->body()));
    EXPECT_EQ(f.panel->slider("intensity")->readout()->text(), "0.00");
    EXPECT_EQ(f.panel->slider("radius")->readout()->text(), "12 px");
}

TEST(HalationPanel, LooksAndBothResetsReplaceTheWholeRecordOnce) {
    HalationFixture f({true, 0.1, 40, 0.9, 0.9, 90});
    ASSERT_TRUE(f.show());
    EXPECT_EQ(f.panel->presets()->chip("cine800T")->text(), "Cine 800T");
    QTest::mouseClick(f.panel->presets()->chip("blackMist"), Qt::LeftButton);
    EXPECT_EQ(f.halation(), HalationParameters::blackMist());
    f.expectEdits(1);
    EXPECT_EQ(f.panel->presets()->selected(), "");  // no look is shown as the current one
    EXPECT_EQ(f.panel->slider("bloomRadius")->readout()->text(), "55 px");
    test::shot(f.page.widget, "halation-blackMist");
    QTest::mouseClick(f.panel->presets()->chip("cine800T"), Qt::LeftButton);
    EXPECT_EQ(f.halation(), HalationParameters::cine800T());
    QTest::mouseClick(f.panel->presets()->chip("vision500T"), Qt::LeftButton);
    EXPECT_EQ(f.halation(), HalationParameters::vision500T());
    f.expectEdits(3);

    // Neither reset switches the effect off.
    QTest::mouseClick(f.panel->rowReset(), Qt::LeftButton);
    EXPECT_EQ(f.halation(), HalationParameters::enabledDefault());
    EXPECT_TRUE(f.panel->rowReset()->toolTip().isEmpty());
    f.recipe.value->halation.bloomRadius = 70;
    f.panel->refresh();
    QTest::mouseClick(f.panel->header()->resetButton(), Qt::LeftButton);
    EXPECT_EQ(f.halation(), HalationParameters::enabledDefault());
    f.expectEdits(5);

    // A double click sets the neutral record's value, not the enabled default's.
    ProSlider* glow = f.panel->slider("intensity");
    test::doubleClick(glow->track(), glow->track()->rect().center());
    EXPECT_EQ(f.halation().halationIntensity, 0);
    EXPECT_EQ(f.changes.count(), f.recipe.writeCount());
    EXPECT_TRUE(f.halation().isEnabled);
    {
        test::ScopedLanguage german(AppLanguage::de);
        f.panel->refresh();
        settleLayouts();
        EXPECT_NE(f.panel->slider("threshold")->titleLabel()->fullText(), "Highlight Threshold");
        test::shot(f.page.widget, "halation-de");
    }
}

}  // namespace
}  // namespace vantrel
