// The HSL mixer, colour wheels and film frame panels in the real window: what
// their edits do to the view model's recipe and renders, the watermark's fill
// from the shown frame's shooting data, and their fit in every language.
#include <QDir>
#include <QScrollArea>

#include "../views/PanelTestSupport.h"
#include "WindowTestSupport.h"
#include "services/LocalizationManager.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/LayoutCheck.h"
#include "views/kit/Chip.h"
#include "views/kit/ChipGrid.h"
#include "views/kit/ColorSwatch.h"
#include "views/panels/ColorWheelsView.h"
#include "views/panels/FilmFrameControlView.h"
#include "views/panels/FilmWatermarkSection.h"
#include "views/panels/HSLColorMixerView.h"
#include "views/panels/InteractiveColorWheel.h"
#include "views/kit/PanelTextField.h"
#include "views/kit/ToggleSwitch.h"

namespace vantrel::testing {
namespace {

class AdjustmentsColumnColorFramePanelsTest : public ShownWindowTest {
protected:
    void SetUp() override {
        ShownWindowTest::SetUp();
        hsl = window->findChild<HSLColorMixerView*>();
        wheels = window->findChild<ColorWheelsView*>();
        frame = window->findChild<FilmFrameControlView*>();
        ASSERT_TRUE(hsl && wheels && frame);
    }
    const ImageMetadataInfo& shownMetadata() { return vm().selectedPhoto()->metadata(); }

    HSLColorMixerView* hsl = nullptr;
    ColorWheelsView* wheels = nullptr;
    FilmFrameControlView* frame = nullptr;
};

TEST_F(AdjustmentsColumnColorFramePanelsTest, WheelAndMixerEditsReachTheRecipeAsPreviews) {
    scrollTo(wheels, 0);
    const int writes = store->writesFor(firstFrameKey());
    InteractiveColorWheel* gain = wheels->columnWheel(ColorWheelsView::Wheel::highlights);
    QTest::mousePress(gain, Qt::LeftButton, {}, {38, 38});
    for (int y : {50, 60, 70}) QTest::mouseMove(gain, {38, y});
    QTest::mouseRelease(gain, Qt::LeftButton, {}, {38, 70});
    EXPECT_EQ(vm().parameters().colorGrading.highlights.hue, 90);
    EXPECT_EQ(vm().parameters().colorGrading.highlights.saturation, 1);
    EXPECT_TRUE(vm().hasPendingSave());  // previews: the save waits for its debounce
    EXPECT_EQ(store->writesFor(firstFrameKey()), writes);
    settle();
    EXPECT_EQ(gain->puckCentre(), QPointF(38, 70));

    scrollTo(hsl, 0);
    QTest::mouseClick(hsl->swatch(HSLColorChannel::green), Qt::LeftButton);
    test::dragSlider(*hsl->slider(HSLColorMixerView::Offset::luminance), 0.0, 2);
    EXPECT_EQ(vm().parameters().hslAdjustment(HSLColorChannel::green).luminance, -100);
    EXPECT_EQ(vm().parameters().colorGrading.highlights.hue, 90);  // the other panel's edit stays
    settle();
    EXPECT_TRUE(hsl->swatch(HSLColorChannel::green)->isMarked());

    // Another frame's recipe shows at once; the view state (tab, channel) stays.
    QTest::mouseClick(wheels->tabs()->chip("midtones"), Qt::LeftButton);
    vm().selectPhoto(DarkroomViewModel::sampleRollPhotoIDs()[1]);
    settle();
    EXPECT_FALSE(hsl->swatch(HSLColorChannel::green)->isMarked());
    EXPECT_EQ(hsl->selectedChannel(), HSLColorChannel::green);
    EXPECT_EQ(wheels->selectedTab(), ColorWheelsView::WheelTab::midtones);
    EXPECT_TRUE(vm().parameters().colorGrading.isIdentity());
}

TEST_F(AdjustmentsColumnColorFramePanelsTest, TheWatermarkFillsFromTheShownFrameOnlyWhenTheUserSwitchesItOn) {
    FilmWatermarkSection* watermark = frame->watermark();
    scrollTo(watermark, 0);
    QTest::mouseClick(watermark->enableSwitch(), Qt::LeftButton);
    const FilmFrameParameters& filled = vm().parameters().filmFrame;
    EXPECT_TRUE(filled.showExifWatermark);
    EXPECT_EQ(filled.watermarkCamera, shownMetadata().cameraDisplayName());
    EXPECT_EQ(filled.watermarkDate, *shownMetadata().captureDate);
    EXPECT_TRUE(vm().hasPendingSave());
    settle();
    EXPECT_EQ(watermark->preview()->text().toStdString(), filled.watermarkText(&shownMetadata()));

    // A recipe that arrives with the watermark on and its fields emptied stays as it is.
    vm().selectPhoto(DarkroomViewModel::sampleRollPhotoIDs()[2]);
    settle();
    EditParameters arriving = vm().parameters();
    arriving.filmFrame.showExifWatermark = true;
    vm().setParameters(arriving);
    for (int i = 0; i < 3; ++i) settle();
    EXPECT_EQ(vm().parameters().filmFrame, arriving.filmFrame);
    EXPECT_TRUE(watermark->cameraField()->text().isEmpty());
    EXPECT_EQ(watermark->preview()->text().toStdString(), arriving.filmFrame.watermarkText(&shownMetadata()));

    vm().selectPhoto(DarkroomViewModel::sampleRollPhotoIDs()[0]);
    settle();
    EXPECT_EQ(watermark->cameraField()->text().toStdString(), shownMetadata().cameraDisplayName());
}

TEST_F(AdjustmentsColumnColorFramePanelsTest, ThePanelsFitTheInspectorInEveryLanguage) {
    // Every optional row shown: a sprocketed frame with its texts, the watermark with its box.
    EditParameters recipe = vm().parameters();
    recipe.filmFrame.style = FilmFrameStyle::sprocketOverlay;
    recipe.filmFrame.showExifWatermark = true;
    recipe.filmFrame.watermarkCamera = "LEICA CAMERA AG LEICA M11-P";
    recipe.filmFrame.watermarkParams = "35mm  \u0192/1.4  1/500s  ISO 400";
    recipe.setHSLAdjustment({10, 20, 30}, HSLColorChannel::orange);
    recipe.colorGrading.shadows = {200, 0.5, 0.4};
    vm().setParameters(recipe);
    settle();
    auto* scroll = static_cast<QScrollArea*>(window->inspector());
    for (AppLanguage language : kAllAppLanguages) {
        LocalizationManager::shared().setLanguage(language);
        for (const char* tab : {"all", "highlights"}) {
            QTest::mouseClick(wheels->tabs()->chip(QString::fromUtf8(tab)), Qt::LeftButton);
            settle();
            EXPECT_EQ(scroll->widget()->width(), scroll->viewport()->width()) << rawValue(language);
            for (QWidget* panel : std::initializer_list<QWidget*>{hsl, wheels, frame})
                EXPECT_EQ(settledLayoutIssues(*panel), "")
                    << rawValue(language) << " " << tab << " " << panel->objectName().toStdString();
        }
        if (shotsWanted())
            for (QWidget* panel : std::initializer_list<QWidget*>{hsl, wheels, frame}) {
                scrollTo(panel, 0);
                saveWindowShot(*window->inspector(), QStringLiteral("inspector-%1-%2").arg(panel->objectName(), rawValue(language).data()));
            }
    }
}

}  // namespace
}  // namespace vantrel::testing
