#include <filesystem>
#include <fstream>
#include <string>

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "PanelTestSupport.h"
#include "ViewTestSupport.h"
#include "services/L10n.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/StandardColors.h"
#include "views/kit/SymbolView.h"
#include "views/kit/Chip.h"
#include "views/kit/ChipRow.h"
#include "views/panels/FilmGrainControlView.h"
#include "views/panels/FilmPhysicsControlView.h"
#include "views/kit/MenuButton.h"
#include "views/kit/PanelHeader.h"

namespace vantrel {
namespace {

QColor symbolColour(const PanelHeader* header) { return header->symbolView()->color(); }
bool resetShown(const PanelHeader* header) { return header->resetButton()->isVisibleTo(header); }
using test::shown;

struct GrainFixture {
    test::DarkPage page;
    test::CountedValue<FilmGrainParameters> grain;
    FilmGrainControlView* panel;
    QSignalSpy changes;

    explicit GrainFixture(FilmGrainParameters initial = {})
        : grain(initial), panel(page.add(new FilmGrainControlView(grain.binding()))),
          changes(panel, &FilmGrainControlView::changed) {
        page.column->addStretch(1);
    }
    bool show() { return test::showExposed(page.widget, {320, 330}); }
    bool detailShown() const {
        return shown(panel->slider("size")) && shown(panel->slider("roughness")) && shown(panel->slider("dyeClouds")) &&
               shown(page.widget.findChild<QLabel*>("grain.tip"));
    }
    bool detailHidden() const {
        return !shown(panel->slider("size")) && !shown(panel->slider("roughness")) && !shown(panel->slider("dyeClouds")) &&
               !shown(page.widget.findChild<QLabel*>("grain.tip"));
    }
};

TEST(FilmGrainPanel, TheAmountBringsUpTheDetailsAndTheHeaderFollowsTheNeutralityTest) {
    GrainFixture f;
    ASSERT_TRUE(f.show());
    EXPECT_EQ(f.panel->header()->titleLabel()->text(), "Analog Silver Halide Grain");
    EXPECT_EQ(symbolColour(f.panel->header()), standardColor(StandardColor::SecondaryText));
    EXPECT_FALSE(resetShown(f.panel->header()));
    EXPECT_TRUE(shown(f.panel->presets()) && shown(f.panel->slider("amount")));
    EXPECT_TRUE(f.detailHidden());
    test::shot(f.page.widget, "grain-off");

    test::dragSlider(*f.panel->slider("amount"), 0.01);
    EXPECT_DOUBLE_EQ(f.grain.value->amount, 0.01);
    EXPECT_EQ(f.changes.count(), f.grain.writeCount());
    EXPECT_EQ(f.changes.count(), 1);
    EXPECT_TRUE(f.detailShown());
    EXPECT_EQ(f.panel->slider("size")->readout()->text(), "1.60 x");
    EXPECT_EQ(f.panel->slider("roughness")->readout()->text(), "0.50");
    EXPECT_EQ(f.panel->slider("dyeClouds")->readout()->text(), "0.25");
    EXPECT_EQ(symbolColour(f.panel->header()), standardColor(StandardColor::Orange));
    EXPECT_TRUE(resetShown(f.panel->header()));

    // Back to 0: the details hide and keep their values.
    f.panel->slider("size")->resetToDefault();
    test::dragSlider(*f.panel->slider("size"), 1.0);
    EXPECT_DOUBLE_EQ(f.grain.value->size, 3.5);
    test::dragSlider(*f.panel->slider("amount"), 0.0);
    EXPECT_TRUE(f.detailHidden());
    EXPECT_DOUBLE_EQ(f.grain.value->size, 3.5);
    EXPECT_EQ(f.changes.count(), f.grain.writeCount());

    // Exactly 0.005 (a stored recipe) is on, but below the details.
    *f.grain.value = FilmGrainParameters{0.005, 1.6, 0.5, 0.25};
    const int before = f.changes.count();
    f.panel->refresh();
    EXPECT_EQ(f.changes.count(), before);  // a refresh reports nothing
    EXPECT_TRUE(resetShown(f.panel->header()));
    EXPECT_EQ(symbolColour(f.panel->header()), standardColor(StandardColor::Orange));
    EXPECT_TRUE(f.detailHidden());
}

TEST(FilmGrainPanel, PresetsAndResetWriteTheWholeRecordOnce) {
    GrainFixture f;
    ASSERT_TRUE(f.show());
    Chip* coarse = f.panel->presets()->chip("coarse");
    ASSERT_TRUE(coarse);
    EXPECT_EQ(coarse->text(), "Coarse");
    QTest::mouseClick(coarse, Qt::LeftButton);
    EXPECT_EQ(*f.grain.value, (FilmGrainParameters{0.65, 2.2, 0.65, 0.0}));
    EXPECT_EQ(f.grain.writeCount(), 1);
    EXPECT_EQ(f.changes.count(), 1);
    EXPECT_TRUE(f.detailShown());
    EXPECT_EQ(f.panel->slider("dyeClouds")->readout()->text(), "0.00");
    test::shot(f.page.widget, "grain-coarse");

    QTest::mouseClick(f.panel->presets()->chip("fine"), Qt::LeftButton);
    EXPECT_EQ(*f.grain.value, (FilmGrainParameters{0.18, 1.2, 0.35, 0.2}));
    QTest::mouseClick(f.panel->presets()->chip("fine"), Qt::LeftButton);  // the same values again: still an edit
    EXPECT_EQ(f.grain.writeCount(), 3);
    EXPECT_EQ(f.changes.count(), 3);
    QTest::mouseClick(f.panel->presets()->chip("standard"), Qt::LeftButton);
    EXPECT_EQ(*f.grain.value, (FilmGrainParameters{0.35, 1.6, 0.45, 0.3}));

    QTest::mouseClick(f.panel->header()->resetButton(), Qt::LeftButton);
    EXPECT_EQ(*f.grain.value, FilmGrainParameters::defaultValue());
    EXPECT_EQ(f.grain.writeCount(), 5);
    EXPECT_EQ(f.changes.count(), 5);
    EXPECT_FALSE(resetShown(f.panel->header()));
    EXPECT_TRUE(f.detailHidden());
    {
        test::ScopedLanguage german(AppLanguage::de);
        f.panel->refresh();
        EXPECT_EQ(f.panel->header()->titleLabel()->text(), "Analoges Silberhalogenid-Korn");
        EXPECT_EQ(f.panel->presets()->chip("coarse")->text(), "Grob");
        EXPECT_EQ(f.panel->slider("amount")->titleLabel()->text(), "Kornstärke");
        QTest::mouseClick(f.panel->presets()->chip("standard"), Qt::LeftButton);
        test::shot(f.page.widget, "grain-de");
    }
    f.panel->refresh();
    EXPECT_EQ(f.panel->presets()->chip("coarse")->text(), "Coarse");
}

struct PhysicsFixture {
    test::DarkPage page;
    test::CountedValue<LightLeakParameters> leak;
    test::CountedValue<DustAndScratchesParameters> dust;
    FilmPhysicsControlView* panel;
    QSignalSpy changes;

    PhysicsFixture(LightLeakParameters l = {}, DustAndScratchesParameters d = {})
        : leak(l), dust(d), panel(page.add(new FilmPhysicsControlView(leak.binding(), dust.binding()))),
          changes(panel, &FilmPhysicsControlView::changed) {
        page.column->addStretch(1);
    }
    bool show() { return test::showExposed(page.widget, {320, 330}); }
    int writes() const { return leak.writeCount() + dust.writeCount(); }
    void choose(MenuPicker* picker, const char* id) {
        QTest::mouseClick(picker, Qt::LeftButton);
        ASSERT_TRUE(test::clickMenuItem(picker->menu(), picker->action(id)));
    }
};

TEST(FilmPhysicsPanel, ALeakStyleBringsUpItsPositionAndAmount) {
    PhysicsFixture f;
    ASSERT_TRUE(f.show());
    EXPECT_EQ(f.panel->header()->titleLabel()->text(), "Vintage Light Leaks & Dust");
    EXPECT_EQ(f.page.widget.findChild<QLabel*>("physics.leakCaption")->text(), "Light Leak");
    EXPECT_EQ(f.page.widget.findChild<QLabel*>("physics.dustCaption")->text(), "Scanner Dust & Scratches");
    EXPECT_EQ(f.panel->stylePicker()->label(), "No Light Leak");
    EXPECT_EQ(f.panel->stylePicker()->toolTip(), "Style");
    EXPECT_FALSE(shown(f.panel->positionPicker()) || shown(f.panel->leakAmount()));
    EXPECT_TRUE(shown(f.panel->dustAmount()));
    EXPECT_EQ(f.panel->dustAmount()->readout()->text(), "0.00");
    EXPECT_FALSE(shown(f.panel->scratches()) || shown(f.panel->dustSize()));
    EXPECT_EQ(symbolColour(f.panel->header()), standardColor(StandardColor::SecondaryText));
    EXPECT_FALSE(resetShown(f.panel->header()));
    test::shot(f.page.widget, "physics-off");

    f.choose(f.panel->stylePicker(), "warmCorner");
    EXPECT_EQ(f.leak.value->style, LightLeakStyle::warmCorner);
    EXPECT_EQ(f.changes.count(), 1);
    EXPECT_EQ(f.writes(), 1);
    EXPECT_TRUE(shown(f.panel->positionPicker()) && shown(f.panel->leakAmount()));
    EXPECT_EQ(f.panel->positionPicker()->label(), "Left");
    EXPECT_EQ(f.panel->positionPicker()->width(), 80);
    EXPECT_EQ(f.panel->leakAmount()->readout()->text(), "0.50");
    EXPECT_EQ(symbolColour(f.panel->header()), standardColor(StandardColor::Yellow));
    EXPECT_TRUE(resetShown(f.panel->header()));
    f.choose(f.panel->stylePicker(), "warmCorner");  // unchanged: nothing
    EXPECT_EQ(f.changes.count(), 1);

    f.choose(f.panel->positionPicker(), "top");
    EXPECT_EQ(*f.leak.value, (LightLeakParameters{LightLeakStyle::warmCorner, 0.5, LightLeakPosition::top}));
    EXPECT_EQ(f.changes.count(), 2);
    EXPECT_EQ(f.writes(), 2);
    test::shot(f.page.widget, "physics-leak");

    // The amount at 0 makes the leak neutral; its controls stay while the style is chosen.
    test::dragSlider(*f.panel->leakAmount(), 0.0);
    EXPECT_EQ(f.leak.value->intensity, 0);
    EXPECT_EQ(f.changes.count(), f.writes());
    EXPECT_EQ(symbolColour(f.panel->header()), standardColor(StandardColor::SecondaryText));
    EXPECT_FALSE(resetShown(f.panel->header()));
    EXPECT_TRUE(shown(f.panel->positionPicker()) && shown(f.panel->leakAmount()));
}

TEST(FilmPhysicsPanel, DustDetailsFollowTheAmountAndOneResetRestoresBothRecords) {
    PhysicsFixture f({LightLeakStyle::rainbowBurn, 0.7, LightLeakPosition::bottom}, {0.005, 0.8, 1.0});
    ASSERT_TRUE(f.show());
    EXPECT_TRUE(resetShown(f.panel->header()));  // the leak alone is enough
    EXPECT_FALSE(shown(f.panel->scratches()));   // 0.005 is not above the threshold
    f.panel->refresh();
    EXPECT_EQ(f.changes.count(), 0);

    *f.leak.value = LightLeakParameters::defaultValue();
    f.panel->refresh();
    EXPECT_TRUE(resetShown(f.panel->header()));  // dust at 0.005 is active on its own
    EXPECT_EQ(symbolColour(f.panel->header()), standardColor(StandardColor::Yellow));
    EXPECT_EQ(f.changes.count(), 0);

    test::dragSlider(*f.panel->dustAmount(), 0.01);
    EXPECT_DOUBLE_EQ(f.dust.value->amount, 0.01);
    EXPECT_TRUE(shown(f.panel->scratches()) && shown(f.panel->dustSize()));
    EXPECT_EQ(f.panel->scratches()->readout()->text(), "0.80");
    EXPECT_EQ(f.panel->dustSize()->readout()->text(), "1.00 x");
    EXPECT_EQ(f.changes.count(), 1);

    *f.leak.value = {LightLeakStyle::sideStreak, 0.4, LightLeakPosition::right};
    f.panel->refresh();
    const int before = f.writes();
    QTest::mouseClick(f.panel->header()->resetButton(), Qt::LeftButton);
    EXPECT_EQ(*f.leak.value, LightLeakParameters::defaultValue());
    EXPECT_EQ(*f.dust.value, DustAndScratchesParameters::defaultValue());  // scratches 0.8 back to 0.3
    EXPECT_EQ(f.writes(), before + 2);
    EXPECT_EQ(f.changes.count(), 2);
    EXPECT_FALSE(resetShown(f.panel->header()));
    EXPECT_FALSE(shown(f.panel->positionPicker()) || shown(f.panel->leakAmount()) || shown(f.panel->scratches()) ||
                 shown(f.panel->dustSize()));
    EXPECT_EQ(f.panel->stylePicker()->label(), "No Light Leak");

    test::ScopedLanguage french(AppLanguage::fr);
    f.panel->refresh();
    EXPECT_EQ(f.panel->stylePicker()->label(), "Aucune fuite de lumière");
    f.choose(f.panel->stylePicker(), "vintageFlare");
    test::dragSlider(*f.panel->dustAmount(), 0.5);
    EXPECT_EQ(f.panel->positionPicker()->label(), "Gauche");
    EXPECT_EQ(f.panel->dustSize()->titleLabel()->text(), "Taille des poussières");
    test::shot(f.page.widget, "physics-fr");
}

TEST(PanelTexts, EveryKeyOfThesePanelsHasItsOwnTextInEveryLanguage) {
    const std::filesystem::path tests = std::filesystem::path(VANTREL_TEST_DATA_DIR).parent_path().parent_path();
    std::ifstream list(tests / "services/data/localization_keys/panels-curve-grain-physics.txt");
    ASSERT_TRUE(list);
    std::vector<std::string> keys;
    for (std::string line; std::getline(list, line);)
        if (!line.empty() && line.front() != '#') keys.push_back(line);
    EXPECT_GE(keys.size(), 40u);
    for (AppLanguage language : {AppLanguage::en, AppLanguage::zhHans, AppLanguage::zhHant, AppLanguage::ja,
                                 AppLanguage::de, AppLanguage::fr, AppLanguage::es}) {
        test::ScopedLanguage scoped(language);
        for (const std::string& key : keys) {
            const std::string text = L10n::tr(key);
            EXPECT_FALSE(text.empty() || text == key) << key;
        }
        // The point count is a format with one number, filled by the safe formatter.
        const std::string count = L10n::tr("curve.totalPoints", 7);
        EXPECT_NE(count.find('7'), std::string::npos) << count;
        EXPECT_EQ(count.find('%'), std::string::npos) << count;
    }
}

}  // namespace
}  // namespace vantrel
