// The negative conversion, extended-range and halation panels in the real
// window: their switches, the eyedropper (through a fake screen sampler) and a
// frame change during a pick, stored recipes shown without being rewritten,
// and their fit in every language.
#include <QDir>
#include <QScrollArea>

#include "../views/FakeScreen.h"
#include "../views/PanelTestSupport.h"
#include "WindowTestSupport.h"
#include "services/LocalizationManager.h"
#include "views/kit/LayoutCheck.h"
#include "views/kit/Chip.h"
#include "views/kit/ChipRow.h"
#include "views/panels/HalationControlView.h"
#include "views/panels/NegativeLabControlView.h"
#include "views/kit/PanelHeader.h"
#include "views/kit/RoundedBox.h"
#include "views/kit/ToggleSwitch.h"
#include "views/panels/UltraHDRControlView.h"

namespace vantrel::testing {
namespace {

class AdjustmentsColumnFilmEffectsTest : public ShownWindowTest {
protected:
    void SetUp() override {
        // The second frame's stored recipe has all three effects on at zero amounts.
        stored.negativeLab.isEnabled = true;
        stored.negativeLab.densityStretch = 0;
        stored.halation = {true, 0, 18, 0.7, 0, 30};
        stored.ultraHDR = {true, 0, 0.75, 4, 3};
        store->recipes[FakeSessionStorage::sampleKey(frame(1))] = stored;
        ShownWindowTest::SetUp();
        negative = window->findChild<NegativeLabControlView*>();
        hdr = window->findChild<UltraHDRControlView*>();
        halation = window->findChild<HalationControlView*>();
        ASSERT_TRUE(negative && hdr && halation);
        negative->setSampler(&sampler);
    }
    void flip(PanelHeader* header) { QTest::mouseClick(header->enableSwitch(), Qt::LeftButton); }
    Uuid frame(int i) const { return DarkroomViewModel::sampleRollPhotoIDs()[std::size_t(i)]; }

    EditParameters stored;
    test::FakeColorSampler sampler;
    NegativeLabControlView* negative = nullptr;
    UltraHDRControlView* hdr = nullptr;
    HalationControlView* halation = nullptr;
};

TEST_F(AdjustmentsColumnFilmEffectsTest, TheSwitchesAndPresetsEditTheRecipe) {
    scrollTo(negative);
    flip(negative->header());
    EXPECT_EQ(vm().parameters().negativeLab, NegativeLabParameters::enabledDefault());
    EXPECT_TRUE(vm().hasPendingSave());
    settle();
    EXPECT_TRUE(negative->controls()->isVisible());

    scrollTo(halation);
    flip(halation->header());
    EXPECT_EQ(vm().parameters().halation, HalationParameters::enabledDefault());
    settle();
    QTest::mouseClick(halation->presets()->chip("cine800T"), Qt::LeftButton);
    EXPECT_EQ(vm().parameters().halation, HalationParameters::cine800T());

    scrollTo(hdr);
    flip(hdr->header());
    EXPECT_EQ(vm().parameters().ultraHDR, UltraHDRParameters::enabledDefault());
    settle();
    QTest::mouseClick(hdr->presets()->chip("vivid"), Qt::LeftButton);
    EXPECT_EQ(vm().parameters().ultraHDR, (UltraHDRParameters{true, 1.8, 0.72, 5.0, 3.0}));
    // This platform's screen reports standard range: the notice shows.
    settle();
    EXPECT_TRUE(hdr->notice()->isVisible());
    // Other groups untouched by each panel.
    EXPECT_EQ(vm().parameters().negativeLab, NegativeLabParameters::enabledDefault());
    EXPECT_EQ(vm().parameters().halation, HalationParameters::cine800T());
}

TEST_F(AdjustmentsColumnFilmEffectsTest, AStoredRecipeOnAtZeroAmountsIsShownWithoutBeingRewritten) {
    const std::string key = FakeSessionStorage::sampleKey(frame(1));
    vm().selectPhoto(frame(1));
    settle();
    EXPECT_EQ(vm().parameters(), stored);
    // Whatever the frame's selection saves is the stored recipe itself.
    for (const auto& write : store->recipeWrites)
        if (write.key == key) {
            EXPECT_EQ(write.recipe, stored);
        }
    EXPECT_TRUE(negative->controls()->isVisible());
    EXPECT_TRUE(halation->body()->isVisible());
    EXPECT_TRUE(hdr->body()->isVisible());

    // The photographer's own flip off and on again loads the defaults.
    scrollTo(halation);
    flip(halation->header());
    flip(halation->header());
    EXPECT_EQ(vm().parameters().halation, HalationParameters::enabledDefault());
    EXPECT_EQ(vm().parameters().ultraHDR, stored.ultraHDR);
}

TEST_F(AdjustmentsColumnFilmEffectsTest, ThePickedBaseLandsInItsOwnFrameOnly) {
    EditParameters on;
    on.negativeLab = NegativeLabParameters::enabledDefault();
    vm().setParameters(on);
    settle();
    scrollTo(negative);

    QTest::mouseClick(negative->eyedropper(), Qt::LeftButton);
    ASSERT_TRUE(sampler.running());
    sampler.pick({0.7, 0.4, 0.2});
    ASSERT_TRUE(QTest::qWaitFor([&] { return vm().parameters().negativeLab.filmBaseColor == (std::vector<double>{0.7, 0.4, 0.2}); }));
    EXPECT_TRUE(vm().hasPendingSave());

    // The colour comes after the photographer moved to another frame: neither frame takes it.
    QTest::mouseClick(negative->eyedropper(), Qt::LeftButton);
    sampler.pick({0.1, 0.1, 0.1});
    vm().selectPhoto(frame(2));
    settle();
    QCoreApplication::processEvents();
    EXPECT_FALSE(negative->isSampling());
    EXPECT_EQ(vm().parameters().negativeLab, NegativeLabParameters::defaultValue());
    vm().selectPhoto(frame(0));
    settle();
    EXPECT_EQ(vm().parameters().negativeLab.filmBaseColor, (std::vector<double>{0.7, 0.4, 0.2}));

    // A frame change while the picker is open ends the pick.
    QTest::mouseClick(negative->eyedropper(), Qt::LeftButton);
    vm().selectPhoto(frame(1));
    settle();
    EXPECT_FALSE(sampler.running());
    EXPECT_FALSE(negative->isSampling());
}

TEST_F(AdjustmentsColumnFilmEffectsTest, ThePanelsFitTheInspectorInEveryLanguage) {
    // Every row shown: the conversion on for a colour negative, the boost on, the halation on.
    EditParameters recipe = vm().parameters();
    recipe.negativeLab = NegativeLabParameters::enabledDefault();
    recipe.negativeLab.colorBalance = 0.5;
    recipe.ultraHDR = UltraHDRParameters::enabledDefault();
    recipe.halation = HalationParameters::blackMist();
    vm().setParameters(recipe);
    settle();
    for (AppLanguage language : kAllAppLanguages) {
        LocalizationManager::shared().setLanguage(language);
        settle();
        auto* scroll = static_cast<QScrollArea*>(window->inspector());
        EXPECT_EQ(scroll->widget()->width(), scroll->viewport()->width()) << rawValue(language);
        for (QWidget* panel : std::initializer_list<QWidget*>{negative, hdr, halation})
            EXPECT_EQ(settledLayoutIssues(*panel), "") << rawValue(language) << " " << panel->objectName().toStdString();
        if (shotsWanted())
            for (QWidget* panel : std::initializer_list<QWidget*>{negative, hdr, halation}) {
                scrollTo(panel);
                saveWindowShot(*panel, QStringLiteral("window-%1-%2").arg(panel->objectName(), rawValue(language).data()));
            }
    }
}

}  // namespace
}  // namespace vantrel::testing
