// The HSL mixer: its channel swatches and marks, the three rows of the chosen
// channel, the channel reset and the reset of all channels.
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "PanelTestSupport.h"
#include "ViewTestSupport.h"
#include "model/EditParameters.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/ProSlider.h"
#include "views/kit/StandardColors.h"
#include "views/kit/Chip.h"
#include "views/kit/ColorSwatch.h"
#include "views/panels/HSLColorMixerView.h"
#include "views/kit/PanelHeader.h"

namespace vantrel {
namespace {

using C = HSLColorChannel;
using Offset = HSLColorMixerView::Offset;

struct MixerFixture {
    test::DarkPage page;
    test::CountedValue<EditParameters> recipe;
    HSLColorMixerView* mixer;
    QSignalSpy changes;

    explicit MixerFixture(EditParameters initial = {})
        : recipe(std::move(initial)),
          mixer(page.add(new HSLColorMixerView(recipe.binding().projected(&EditParameters::hslAdjustments)))),
          changes(mixer, &HSLColorMixerView::changed) {
        page.column->addStretch(1);
    }
    bool show() { return test::showExposed(page.widget, {300, 300}); }
    bool resetAllShown() const { return mixer->header()->resetButton()->isVisibleTo(mixer); }
    bool channelResetShown() const { return mixer->channelReset()->isVisibleTo(mixer); }
    void choose(C channel) { QTest::mouseClick(mixer->swatch(channel), Qt::LeftButton); }
    // The value a fraction of the -100...100 track gives.
    static double fractionOf(double value) { return (value + 100) / 200; }
};

TEST(HSLMixer, AFreshMixerEditsOrangeAndChoosingAChannelWritesNothing) {
    MixerFixture f;
    ASSERT_TRUE(f.show());
    EXPECT_EQ(f.mixer->selectedChannel(), C::orange);
    for (C channel : allCases<C>()) {
        EXPECT_EQ(f.mixer->swatch(channel)->isSelected(), channel == C::orange);
        EXPECT_FALSE(f.mixer->swatch(channel)->isMarked());
        EXPECT_EQ(f.mixer->swatch(channel)->color(), colorFromHex(colorHex(channel)));
    }
    EXPECT_EQ(f.mixer->swatch(C::cyan)->toolTip(), "Cyan");
    EXPECT_EQ(f.mixer->channelTitle()->text(), "Orange (Skin)");
    EXPECT_FALSE(f.resetAllShown());
    EXPECT_FALSE(f.channelResetShown());
    EXPECT_EQ(f.mixer->slider(Offset::saturation)->readout()->text(), "0 %");
    test::shot(f.page.widget, "hsl-fresh");

    f.recipe.value->setHSLAdjustment({10, -20, 30}, C::blue);
    f.mixer->refresh();
    EXPECT_TRUE(f.mixer->swatch(C::blue)->isMarked());
    f.choose(C::blue);
    EXPECT_EQ(f.mixer->selectedChannel(), C::blue);
    EXPECT_EQ(f.mixer->channelTitle()->text(), "Blue");
    EXPECT_EQ(f.mixer->slider(Offset::hue)->readout()->text(), "+10");
    EXPECT_EQ(f.mixer->slider(Offset::saturation)->readout()->text(), "-20 %");
    EXPECT_EQ(f.mixer->slider(Offset::luminance)->readout()->text(), "+30 %");
    EXPECT_TRUE(f.mixer->swatch(C::blue)->isSelected());
    EXPECT_FALSE(f.mixer->swatch(C::orange)->isSelected());
    EXPECT_TRUE(f.channelResetShown());
    EXPECT_EQ(f.recipe.writeCount(), 0);
    EXPECT_EQ(f.changes.count(), 0);
    // The rows take the channel's colour: the hue row's fill is drawn in blue.
    const QImage track = test::grabImage(*f.mixer->slider(Offset::hue)->track());
    const QColor blue = colorFromHex(colorHex(C::blue));
    bool found = false;
    for (int x = 0; x < track.width() && !found; ++x)
        found = test::colourNear(test::pixelAt(track, {x, track.height() / 2}), blue, 24);
    EXPECT_TRUE(found);
    test::shot(f.page.widget, "hsl-blue");
}

TEST(HSLMixer, AnEntryComesAndGoesWithItsOffsets) {
    MixerFixture f;
    ASSERT_TRUE(f.show());
    f.choose(C::red);
    test::dragSlider(*f.mixer->slider(Offset::hue), MixerFixture::fractionOf(12), 2);
    const double hue = f.recipe.value->hslAdjustment(C::red).hue;
    EXPECT_NEAR(hue, 12, 1);  // whole steps, within a pixel of the target
    EXPECT_EQ(hue, std::round(hue));
    EXPECT_EQ(f.recipe.value->hslAdjustments.count("red"), 1u);
    EXPECT_TRUE(f.mixer->swatch(C::red)->isMarked());
    EXPECT_TRUE(f.channelResetShown());
    EXPECT_TRUE(f.resetAllShown());
    EXPECT_EQ(f.changes.count(), f.recipe.writeCount());

    test::dragSlider(*f.mixer->slider(Offset::hue), MixerFixture::fractionOf(0), 2);
    EXPECT_EQ(f.recipe.value->hslAdjustments.count("red"), 0u);  // all three neutral: the entry goes
    EXPECT_FALSE(f.mixer->swatch(C::red)->isMarked());
    EXPECT_FALSE(f.channelResetShown());
    EXPECT_FALSE(f.resetAllShown());
    EXPECT_EQ(f.changes.count(), f.recipe.writeCount());
    EXPECT_GE(f.changes.count(), 2);
}

TEST(HSLMixer, TheChannelResetClearsOneChannelAndResetAllEveryEntry) {
    EditParameters recipe;
    recipe.setHSLAdjustment({5, 0, 0}, C::green);
    recipe.setHSLAdjustment({0, 40, -10}, C::orange);
    MixerFixture f(recipe);
    ASSERT_TRUE(f.show());
    QTest::mouseClick(f.mixer->channelReset(), Qt::LeftButton);
    EXPECT_EQ(f.recipe.value->hslAdjustments.count("orange"), 0u);
    EXPECT_EQ(f.recipe.value->hslAdjustment(C::green), (HSLAdjustment{5, 0, 0}));
    EXPECT_EQ(f.recipe.writeCount(), 1);
    EXPECT_EQ(f.changes.count(), 1);
    EXPECT_FALSE(f.channelResetShown());
    EXPECT_TRUE(f.resetAllShown());

    // A stored entry whose offsets are all below 0.001 marks nothing and shows no reset.
    f.recipe.value->hslAdjustments["magenta"] = {0.0004, -0.0009, 0};
    f.recipe.value->hslAdjustments.erase("green");
    f.mixer->refresh();
    EXPECT_FALSE(f.mixer->swatch(C::magenta)->isMarked());
    EXPECT_FALSE(f.resetAllShown());
    EXPECT_EQ(f.recipe.value->hslAdjustments.count("magenta"), 1u);  // kept until something writes

    // Reset all takes every entry, the neutral one too.
    f.recipe.value->setHSLAdjustment({0, 0, 25}, C::yellow);
    f.mixer->refresh();
    ASSERT_TRUE(f.resetAllShown());
    QTest::mouseClick(f.mixer->header()->resetButton(), Qt::LeftButton);
    EXPECT_TRUE(f.recipe.value->hslAdjustments.empty());
    EXPECT_EQ(f.recipe.writeCount(), 2);
    EXPECT_EQ(f.changes.count(), 2);
    EXPECT_FALSE(f.resetAllShown());

    test::ScopedLanguage japanese(AppLanguage::ja);
    f.mixer->refresh();
    EXPECT_EQ(f.mixer->channelTitle()->text(), QString::fromUtf8("オレンジ（肌）"));
    test::shot(f.page.widget, "hsl-ja");
}

}  // namespace
}  // namespace vantrel
