// The film frame panel and its watermark section: styles and their options,
// the resets per style, the suggestion chips and switches, the watermark's
// fill from the shooting data (on the user's action only) and its preview.
#include <filesystem>
#include <fstream>

#include <QCheckBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "PanelTestSupport.h"
#include "ViewTestSupport.h"
#include "services/L10n.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/ProSlider.h"
#include "views/kit/StandardColors.h"
#include "views/kit/SymbolView.h"
#include "views/kit/Chip.h"
#include "views/kit/ChipGrid.h"
#include "views/kit/ChipRow.h"
#include "views/panels/FilmFrameControlView.h"
#include "views/panels/FilmFrameEditing.h"
#include "views/panels/FilmWatermarkSection.h"
#include "views/kit/PanelHeader.h"
#include "views/kit/PanelTextField.h"
#include "views/kit/ToggleSwitch.h"

namespace vantrel {
namespace {

using Style = FilmFrameStyle;

using test::shown;

ImageMetadataInfo leica() {
    ImageMetadataInfo m;
    m.cameraMake = "Leica";
    m.cameraModel = "M6";
    m.lensModel = "Summicron 50";
    m.focalLength = "50mm";
    m.aperture = "\u0192/2";
    m.shutterSpeed = "1/250s";
    m.iso = "ISO 200";
    m.captureDate = "1998-07-14";
    return m;
}

struct FrameFixture {
    test::DarkPage page;
    test::CountedValue<FilmFrameParameters> frame;
    std::shared_ptr<ImageMetadataInfo> metadata = std::make_shared<ImageMetadataInfo>(leica());
    FilmFrameControlView* panel;
    FilmWatermarkSection* watermark;
    QSignalSpy changes;

    explicit FrameFixture(FilmFrameParameters initial = {})
        : frame(std::move(initial)),
          panel(page.add(new FilmFrameControlView(frame.binding(), [m = metadata] { return *m; }))),
          watermark(panel->watermark()), changes(panel, &FilmFrameControlView::changed) {
        page.column->addStretch(1);
    }
    bool show() { return test::showExposed(page.widget, {300, 1000}); }
    bool resetShown() const { return panel->header()->resetButton()->isVisibleTo(panel); }
    QColor symbolColour() const { return panel->header()->symbolView()->color(); }
    void tap(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    // Typed at the end of the field's text.
    void type(PanelTextField* field, const QString& text) {
        field->lineEdit()->setFocus();
        field->lineEdit()->end(false);
        QTest::keyClicks(field->lineEdit(), text);
    }
    QString preview() const { return watermark->preview()->text(); }
};

TEST(FilmFramePanel, WithoutAStyleOnlyTheStylesAndTheWatermarkSwitchShow) {
    FrameFixture f;
    ASSERT_TRUE(f.show());
    EXPECT_EQ(f.panel->header()->titleLabel()->text(), "Film Rebates & Borders");
    EXPECT_EQ(f.symbolColour(), standardColor(StandardColor::SecondaryText));
    EXPECT_FALSE(f.resetShown());
    EXPECT_FALSE(shown(f.panel->optionsBox()));
    EXPECT_TRUE(shown(f.panel->styleChips()));
    EXPECT_TRUE(f.panel->styleChip(Style::none)->isSelected());
    EXPECT_EQ(f.panel->styleChip(Style::polaroid)->text(), "Instant Film");
    EXPECT_TRUE(shown(f.watermark->enableSwitch()));
    EXPECT_FALSE(shown(f.watermark->box()));
    test::shot(f.page.widget, "frame-none");

    // Tapping the chosen style is still an edit: one write, one report.
    f.tap(f.panel->styleChip(Style::none));
    EXPECT_EQ(f.frame.writeCount(), 1);
    EXPECT_EQ(f.changes.count(), 1);

    f.tap(f.panel->styleChip(Style::sprocket135));
    EXPECT_EQ(f.frame.value->style, Style::sprocket135);
    EXPECT_EQ(f.frame.value->filmStockLabel, "VISION3 500T");  // nothing else is written
    EXPECT_EQ(f.changes.count(), 2);
    EXPECT_TRUE(shown(f.panel->optionsBox()));
    EXPECT_EQ(f.symbolColour(), standardColor(StandardColor::Orange));
    EXPECT_TRUE(f.resetShown());
    EXPECT_EQ(f.panel->sizeSlider()->titleLabel()->fullText(), "Border Width");
    EXPECT_EQ(f.panel->sizeSlider()->readout()->text(), "0.08");
    EXPECT_TRUE(shown(f.panel->barcode()));
    EXPECT_EQ(f.panel->stockField()->text(), "VISION3 500T");
    EXPECT_EQ(f.panel->numberField()->text(), QString::fromUtf8("▶ 24A"));
    EXPECT_TRUE(f.panel->colorChips()->chip("darkroomBlack")->isSelected());
    test::shot(f.page.widget, "frame-135");

    // The overlay titles the same field as the holes' depth; only the sprocketed styles have a barcode.
    f.tap(f.panel->styleChip(Style::sprocketOverlay));
    EXPECT_EQ(f.panel->sizeSlider()->titleLabel()->fullText(), "Sprocket Depth");
    EXPECT_TRUE(shown(f.panel->barcode()));
    for (Style style : {Style::mediumFormat120, Style::polaroid, Style::galleryBorder}) {
        f.tap(f.panel->styleChip(style));
        EXPECT_FALSE(shown(f.panel->barcode()));
        EXPECT_EQ(f.panel->sizeSlider()->titleLabel()->fullText(), "Border Width");
    }
    test::dragSlider(*f.panel->sizeSlider(), 1.0, 2);
    EXPECT_NEAR(f.frame.value->borderThickness, 0.18, 1e-12);
    EXPECT_EQ(f.changes.count(), f.frame.writeCount());
}

TEST(FilmFramePanel, TheResetDependsOnTheStyle) {
    // Without a style the reset shows for the watermark alone and takes the default record.
    FilmFrameParameters watermarkOnly;
    watermarkOnly.showExifWatermark = true;
    watermarkOnly.watermarkCamera = "X";
    FrameFixture f(watermarkOnly);
    ASSERT_TRUE(f.show());
    EXPECT_EQ(f.symbolColour(), standardColor(StandardColor::Orange));
    EXPECT_TRUE(f.resetShown());
    EXPECT_FALSE(shown(f.panel->optionsBox()));
    f.tap(f.panel->header()->resetButton());
    EXPECT_EQ(*f.frame.value, FilmFrameParameters::defaultValue());
    EXPECT_EQ(f.frame.writeCount(), 1);
    EXPECT_EQ(f.changes.count(), 1);
    EXPECT_FALSE(f.resetShown());
    EXPECT_FALSE(shown(f.watermark->box()));

    // With a style: style and watermark switch stay, everything else starts again.
    FilmFrameParameters edited;
    edited.style = Style::polaroid;
    edited.filmStockLabel = "HP5";
    edited.frameNumber = "7";
    edited.borderThickness = 0.15;
    edited.colorMode = RebateColorMode::fineArtWhite;
    edited.showBarcode = edited.showFrameNumber = edited.showStockLabel = false;
    edited.showExifWatermark = true;
    edited.watermarkStyle = FilmWatermarkStyle::goldenBadge;
    edited.watermarkPosition = FilmWatermarkPosition::topRebate;
    edited.customWatermarkText = "mine";
    edited.watermarkCamera = edited.watermarkLens = edited.watermarkParams = edited.watermarkDate = "x";
    *f.frame.value = edited;
    f.panel->refresh();
    f.tap(f.panel->header()->resetButton());
    FilmFrameParameters expected;
    expected.style = Style::polaroid;
    expected.filmStockLabel = "VISION3 500T 5219";
    expected.showExifWatermark = true;
    EXPECT_EQ(*f.frame.value, expected);
    EXPECT_EQ(filmframe::resetFilmFrame(edited), expected);
    EXPECT_TRUE(f.resetShown());
    EXPECT_EQ(f.changes.count(), 2);
    EXPECT_EQ(f.watermark->cameraField()->text(), "");
}

TEST(FilmFramePanel, SwitchesChipsAndFieldsEachWriteTheirOwnField) {
    FilmFrameParameters framed;
    framed.style = Style::sprocket135;
    framed.borderThickness = 0.2;  // beyond the slider's range, as a stored recipe may hold
    FrameFixture f(framed);
    ASSERT_TRUE(f.show());
    f.panel->refresh();
    EXPECT_EQ(f.frame.value->borderThickness, 0.2);  // shown, never written back
    EXPECT_EQ(f.frame.writeCount(), 0);

    f.tap(f.panel->stockChips()->chip("vision500T"));
    EXPECT_EQ(f.panel->stockChips()->chip("vision500T")->text(), "500T");
    EXPECT_EQ(f.frame.value->filmStockLabel, "VISION3 500T 5219");
    EXPECT_EQ(f.panel->stockField()->text(), "VISION3 500T 5219");
    f.tap(f.panel->numberChips()->chip("08"));
    EXPECT_EQ(f.frame.value->frameNumber, "\u2022 08 \u2022");
    f.tap(f.panel->colorChips()->chip("filmBaseAmber"));
    EXPECT_EQ(f.frame.value->colorMode, RebateColorMode::filmBaseAmber);
    EXPECT_EQ(f.changes.count(), 3);
    EXPECT_EQ(f.frame.writeCount(), 3);

    // A typed edit is one write and one report per change of the text.
    f.type(f.panel->stockField(), "X");
    EXPECT_EQ(f.frame.value->filmStockLabel, "VISION3 500T 5219X");
    EXPECT_EQ(f.changes.count(), 4);
    EXPECT_EQ(f.panel->stockField()->lineEdit()->cursorPosition(), 18);  // the refresh kept the cursor

    // Switched off: the field and its chips hide, the text stays.
    f.tap(f.panel->stockSwitch());
    EXPECT_FALSE(f.frame.value->showStockLabel);
    EXPECT_FALSE(shown(f.panel->stockField()) || shown(f.panel->stockChips()));
    EXPECT_EQ(f.frame.value->filmStockLabel, "VISION3 500T 5219X");
    f.tap(f.panel->numberSwitch());
    EXPECT_FALSE(f.frame.value->showFrameNumber);
    EXPECT_FALSE(shown(f.panel->numberField()));
    f.tap(f.panel->barcode());
    EXPECT_FALSE(f.frame.value->showBarcode);
    EXPECT_EQ(f.changes.count(), 7);
    EXPECT_EQ(f.changes.count(), f.frame.writeCount());

    // A style without a barcode keeps the flag as it is.
    f.tap(f.panel->styleChip(Style::galleryBorder));
    EXPECT_FALSE(shown(f.panel->barcode()));
    EXPECT_FALSE(f.frame.value->showBarcode);
}

TEST(WatermarkSection, SwitchingOnFillsEmptyFieldsFromTheShootingDataOnly) {
    FrameFixture f;
    ASSERT_TRUE(f.show());
    EXPECT_EQ(f.watermark->symbol()->color(), standardColor(StandardColor::SecondaryText));
    f.tap(f.watermark->enableSwitch());
    const FilmFrameParameters& v = *f.frame.value;
    EXPECT_TRUE(v.showExifWatermark);
    EXPECT_EQ(v.watermarkCamera, "Leica M6");
    EXPECT_EQ(v.watermarkLens, "Summicron 50");
    EXPECT_EQ(v.watermarkParams, "50mm  \u0192/2  1/250s  ISO 200");
    EXPECT_EQ(v.watermarkDate, "1998-07-14");
    EXPECT_EQ(f.frame.writeCount(), 1);  // switch and fill: one write, one report
    EXPECT_EQ(f.changes.count(), 1);
    EXPECT_TRUE(shown(f.watermark->box()));
    EXPECT_EQ(f.watermark->symbol()->color(), standardColor(StandardColor::Orange));
    EXPECT_EQ(f.symbolColour(), standardColor(StandardColor::Orange));  // a watermark alone is active
    EXPECT_EQ(f.watermark->cameraField()->text(), "Leica M6");
    EXPECT_EQ(f.preview(), QString::fromUtf8("Leica M6  |  Summicron 50  |  50mm  ƒ/2  1/250s  ISO 200  |  1998-07-14"));
    test::shot(f.page.widget, "watermark-on");

    // Off and on again: the texts stay, nothing is filled again.
    f.type(f.watermark->cameraField(), " II");
    f.tap(f.watermark->enableSwitch());
    EXPECT_FALSE(shown(f.watermark->box()));
    *f.metadata = ImageMetadataInfo{};
    f.tap(f.watermark->enableSwitch());
    EXPECT_EQ(f.frame.value->watermarkCamera, "Leica M6 II");
    EXPECT_EQ(f.frame.value->watermarkLens, "Summicron 50");

    // A camera field of blanks counts as filled.
    f.frame.value->showExifWatermark = false;
    f.frame.value->watermarkCamera = "  ";
    f.frame.value->watermarkLens.clear();
    f.panel->refresh();
    f.tap(f.watermark->enableSwitch());
    EXPECT_EQ(f.frame.value->watermarkCamera, "  ");
    EXPECT_EQ(f.frame.value->watermarkLens, "");
}

TEST(WatermarkSection, ARecipeArrivingWithEmptyFieldsIsNeverFilled) {
    FilmFrameParameters arriving;
    arriving.showExifWatermark = true;  // on, with every field emptied on purpose
    FrameFixture f(arriving);
    ASSERT_TRUE(f.show());
    for (int i = 0; i < 3; ++i) f.panel->refresh();
    EXPECT_EQ(f.frame.writeCount(), 0);
    EXPECT_EQ(f.changes.count(), 0);
    EXPECT_EQ(*f.frame.value, arriving);
    // The preview shows the photo's data where the fields are empty, as the print does.
    const ImageMetadataInfo m = leica();
    EXPECT_EQ(f.preview().toStdString(), arriving.watermarkText(&m));
    EXPECT_TRUE(f.watermark->cameraField()->text().isEmpty());
}

TEST(WatermarkSection, TheFillButtonOverwritesTheFourFieldsWithTheDataOrItsSamples) {
    FilmFrameParameters typed;
    typed.showExifWatermark = true;
    typed.customWatermarkText = "  ";
    typed.watermarkCamera = "mine";
    typed.watermarkLens = "mine";
    typed.watermarkParams = "mine";
    typed.watermarkDate = "mine";
    FrameFixture f(typed);
    ASSERT_TRUE(f.show());
    // Blanks do not override the line.
    EXPECT_EQ(f.preview(), "mine  |  mine  |  mine  |  mine");

    // A photo without any shooting data fills nothing in: the typed texts go and no line is left.
    *f.metadata = ImageMetadataInfo{};
    f.panel->refresh();
    f.tap(f.watermark->fillButton());
    EXPECT_EQ(f.frame.value->watermarkCamera, "");
    EXPECT_EQ(f.frame.value->watermarkLens, "");
    EXPECT_EQ(f.frame.value->watermarkParams, "");
    EXPECT_EQ(f.frame.value->watermarkDate, "");
    EXPECT_EQ(f.frame.value->customWatermarkText, "  ");
    EXPECT_EQ(f.changes.count(), 1);
    EXPECT_EQ(f.preview(), "");
    EXPECT_EQ(f.watermark->fillButton()->text(), "Fill from EXIF");

    // Shutter and ISO alone; a lens told by focal length and aperture.
    ImageMetadataInfo some;
    some.cameraModel = "F3";
    some.shutterSpeed = "1/60s";
    some.iso = "ISO 1600";
    *f.metadata = some;
    f.tap(f.watermark->fillButton());
    EXPECT_EQ(f.frame.value->watermarkParams, "1/60s  ISO 1600");
    EXPECT_EQ(f.frame.value->watermarkLens, "");
    EXPECT_EQ(f.frame.value->watermarkDate, "");
    EXPECT_EQ(f.preview(), "F3  |  1/60s  ISO 1600");
    some.focalLength = "28mm";
    some.aperture = "\u0192/2.8";
    *f.metadata = some;
    f.tap(f.watermark->fillButton());
    EXPECT_EQ(f.frame.value->watermarkLens, "28mm \u0192/2.8");
    EXPECT_EQ(f.frame.value->watermarkCamera, "F3");

    // Any other custom text replaces the line, as typed.
    f.type(f.watermark->customField(), " hi ");
    EXPECT_EQ(f.frame.value->customWatermarkText, "   hi ");
    EXPECT_EQ(f.preview(), "   hi ");
    EXPECT_EQ(f.changes.count(), f.frame.writeCount());
}

TEST(WatermarkSection, BeforeAnyFillAPhotoWithoutACameraPrintsNoCameraPart) {
    ImageMetadataInfo noCamera = leica();
    noCamera.cameraModel.reset();
    FilmFrameParameters on;
    on.showExifWatermark = true;
    FrameFixture f(on);
    *f.metadata = noCamera;
    ASSERT_TRUE(f.show());
    f.panel->refresh();
    EXPECT_TRUE(f.preview().startsWith("Summicron 50"));
    f.tap(f.watermark->fillButton());
    EXPECT_EQ(f.frame.value->watermarkCamera, "");
    EXPECT_TRUE(f.preview().startsWith("Summicron 50"));
}

TEST(WatermarkSection, ChipsSelectTheirCaseAndReportEveryTap) {
    FilmFrameParameters on;
    on.showExifWatermark = true;
    on.watermarkCamera = "x";
    FrameFixture f(on);
    ASSERT_TRUE(f.show());
    EXPECT_TRUE(f.watermark->styleChip(FilmWatermarkStyle::typewriter)->isSelected());
    EXPECT_EQ(f.watermark->styleChip(FilmWatermarkStyle::minimalist)->text(), "Modern");
    f.tap(f.watermark->styleChip(FilmWatermarkStyle::minimalist));
    EXPECT_EQ(f.frame.value->watermarkStyle, FilmWatermarkStyle::minimalist);
    f.tap(f.watermark->styleChip(FilmWatermarkStyle::retroStamp));
    EXPECT_EQ(f.frame.value->watermarkStyle, FilmWatermarkStyle::retroStamp);
    f.tap(f.watermark->styleChip(FilmWatermarkStyle::goldenBadge));
    EXPECT_EQ(f.frame.value->watermarkStyle, FilmWatermarkStyle::goldenBadge);
    EXPECT_TRUE(f.watermark->styleChip(FilmWatermarkStyle::goldenBadge)->isSelected());
    f.tap(f.watermark->positionChip(FilmWatermarkPosition::bottomLeft));
    EXPECT_EQ(f.frame.value->watermarkPosition, FilmWatermarkPosition::bottomLeft);
    f.tap(f.watermark->positionChip(FilmWatermarkPosition::bottomLeft));  // the chosen one again
    EXPECT_EQ(f.changes.count(), 5);
    EXPECT_EQ(f.frame.writeCount(), 5);

    test::ScopedLanguage german(AppLanguage::de);
    f.frame.value->style = Style::sprocketOverlay;
    f.panel->refresh();
    EXPECT_EQ(f.watermark->positionChip(FilmWatermarkPosition::topRebate)->text(), "Oberer Filmrand");
    EXPECT_EQ(f.panel->sizeSlider()->titleLabel()->fullText(), "Perforationstiefe");
    test::shot(f.page.widget, "frame-de");
}

TEST(PanelTexts, EveryKeyOfTheColourAndFramePanelsHasItsOwnTextInEveryLanguage) {
    const std::filesystem::path tests = std::filesystem::path(VANTREL_TEST_DATA_DIR).parent_path().parent_path();
    std::ifstream list(tests / "services/data/localization_keys/panels-color-frame.txt");
    ASSERT_TRUE(list);
    std::vector<std::string> keys;
    for (std::string line; std::getline(list, line);)
        if (!line.empty() && line.front() != '#') keys.push_back(line);
    EXPECT_GE(keys.size(), 60u);
    for (AppLanguage language : kAllAppLanguages) {
        test::ScopedLanguage scoped(language);
        for (const std::string& key : keys) {
            const std::string text = L10n::tr(key);
            EXPECT_FALSE(text.empty() || text == key) << key << " " << rawValue(language);
        }
    }
}

}  // namespace
}  // namespace vantrel
