// Every symbol and every panel-kit control on one dark page, in English and in
// German: the picture to look at (saved when VANTREL_VIEW_SHOTS is set), and
// the checks that the longer German texts still fit.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <gtest/gtest.h>

#include "ViewTestSupport.h"
#include "views/kit/DarkroomTheme.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/Icons.h"
#include "views/kit/Painting.h"
#include "views/kit/ProSlider.h"
#include "views/kit/StandardColors.h"
#include "views/kit/SymbolView.h"
#include "views/kit/Symbols.h"
#include "views/kit/ChipRow.h"
#include "views/kit/ColorSwatch.h"
#include "views/kit/PanelHeader.h"
#include "views/kit/RoundedBox.h"
#include "views/kit/SegmentedControl.h"
#include "views/kit/ToggleSwitch.h"

namespace vantrel {
namespace {

QWidget* darkPage() {
    auto* page = new QWidget;
    test::darkGround(*page);
    return page;
}

QWidget* symbolSheet() {
    QWidget* page = darkPage();
    auto* grid = new QGridLayout(page);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(4);
    const QColor tints[] = {standardColor(StandardColor::PrimaryText), standardColor(StandardColor::Orange),
                            standardColor(StandardColor::Accent)};
    int i = 0;
    for (std::string_view name : Symbols::names()) {
        auto* cell = new QHBoxLayout;
        cell->addWidget(new SymbolView(std::string(name), 16, tints[i % 3]));
        auto* label = new QLabel(QString::fromUtf8(name.data(), qsizetype(name.size())));
        label->setFont(pixelFont(9));
        cell->addWidget(label, 1);
        grid->addLayout(cell, i / 4, i % 4);
        ++i;
    }
    return page;
}

struct PanelSheet {
    QWidget* page = darkPage();
    PanelHeader* header;
    PanelHeader* narrowHeader;
    ChipRow* styles;

    PanelSheet() {
        auto* column = new QVBoxLayout(page);
        column->setSpacing(10);
        header = new PanelHeader("negativeLab", localized("negativeLab.title"),
                                 {"camera.filters", standardColor(StandardColor::Orange), PanelHeader::ResetLabel::Standard, true});
        header->refresh(true, true);
        column->addWidget(header);
        auto* grain = new PanelHeader("grain", localized("inspector.grain"),
                                      {"circle.grid.cross.fill", standardColor(StandardColor::Orange),
                                       PanelHeader::ResetLabel::Small, false});
        grain->refresh(false);
        column->addWidget(grain);

        auto* card = new RoundedBox(RoundedBox::Style::card());
        styles = new ChipRow("frameStyle", {{"none", localized("frame.none")}, {"135", "135"}, {"120", "120 Film"}},
                             ChipStyle::option(10, 5, 4));
        styles->setSelected("135");
        card->content()->addWidget(styles);
        auto* colours = new ChipRow("frameColour",
                                    {{"black", "Black", QColor(Qt::black)},
                                     {"amber", "Amber", QColor::fromRgbF(0.85f, 0.45f, 0.15f)},
                                     {"white", "White", QColor(Qt::white)}},
                                    ChipStyle::colorMode(), 6);
        colours->setSelected("amber");
        card->content()->addWidget(colours);
        auto* presets = new ChipRow("grainPresets", {{"fine", "Fine"}, {"standard", "Standard"}, {"coarse", "Coarse"}},
                                    ChipStyle::preset(10, QFont::Medium, 6, 3, 4, standardColor(StandardColor::PrimaryText)));
        card->content()->addWidget(presets);
        auto* tabs = new SegmentedControl("wheels.tabs", {{"all", "3-Way"}, {"shadows", localized("wheels.shadows")},
                                                          {"midtones", localized("wheels.midtones")},
                                                          {"highlights", localized("wheels.highlights")}});
        card->content()->addWidget(tabs);
        column->addWidget(card);

        auto* editor = new RoundedBox(RoundedBox::Style::editor());
        auto* swatches = new QHBoxLayout;
        swatches->setSpacing(2);
        int k = 0;
        for (const char* hex : {"#FF3B30", "#FF9500", "#FFCC00", "#34C759", "#32ADE6", "#007AFF", "#AF52DE", "#FF2D55"}) {
            auto* swatch = new ColorSwatch(ColorSwatch::Shape::Circle, {22, 22}, colorFromHex(hex));
            swatch->setSelected(k == 1);
            swatch->setMarked(k == 1 || k == 5);
            swatches->addWidget(swatch);
            ++k;
        }
        swatches->addStretch(1);
        editor->content()->addLayout(swatches);
        auto* slider = new ProSlider(localized("mask.feather"), Binding<double>::constant(0.35), {0.05, 1}, 0.5, 0.01,
                                     "%.0f%%", {}, standardColor(StandardColor::Accent));
        slider->setValueFormatter(ProSlider::percentFormatter());
        editor->content()->addWidget(slider);
        auto* baseRow = new QHBoxLayout;
        baseRow->setSpacing(8);
        baseRow->addWidget(new ColorSwatch(ColorSwatch::Shape::RoundedRect, {28, 20}, QColor(216, 114, 64)));
        auto* hex = new QLabel("#D87240");
        hex->setFont(pixelFont(10, QFont::Normal, FontDesign::Monospaced));
        baseRow->addWidget(hex);
        baseRow->addStretch(1);
        auto* eyedropper = new Chip(localized("negativeLab.eyedropper"),
                                    ChipStyle::preset(10, QFont::Normal, 6, 3, 4, standardColor(StandardColor::Orange)));
        eyedropper->setSymbol("eyedropper.halffull");
        auto s = eyedropper->chipStyle();
        s.fill = s.selectedFill = standardColor(StandardColor::Orange, 0.12);
        eyedropper->setChipStyle(s);
        baseRow->addWidget(eyedropper);
        auto* off = new ToggleSwitch;
        off->setOn(false);
        baseRow->addWidget(off);
        editor->content()->addLayout(baseRow);
        auto* name = new ElidedLabel("Portra-400_roll-12_frame-0036_scan-final.tif");
        name->setFont(pixelFont(10));
        editor->content()->addWidget(name);
        column->addWidget(editor);

        narrowHeader = new PanelHeader("halation", localized("inspector.halation"),
                                       {"sun.max.fill", standardColor(StandardColor::Orange), PanelHeader::ResetLabel::Small, true});
        narrowHeader->refresh(true, true);
        narrowHeader->setFixedWidth(170);
        column->addWidget(narrowHeader);
        column->addStretch(1);
    }
};

TEST(KitGallery, SymbolsAndPanelControlsOnOnePage) {
    std::unique_ptr<QWidget> symbols(symbolSheet());
    ASSERT_TRUE(test::showExposed(*symbols, {760, 460}));
    test::saveShot(*symbols, "kit-symbols");

    for (AppLanguage language : {AppLanguage::en, AppLanguage::de}) {
        test::ScopedLanguage scoped(language);
        PanelSheet sheet;
        ASSERT_TRUE(test::showExposed(*sheet.page, {300, 420}));
        test::saveShot(*sheet.page, QStringLiteral("kit-panels-%1").arg(QString::fromUtf8(rawValue(language).data())));
        // The reset is never squeezed; a title that does not fit is shortened instead.
        for (PanelHeader* h : {sheet.header, sheet.narrowHeader}) {
            EXPECT_GE(h->resetButton()->width(), h->resetButton()->sizeHint().width());
            EXPECT_LE(h->titleLabel()->geometry().right(), h->resetButton()->geometry().left());
        }
        EXPECT_TRUE(sheet.narrowHeader->titleLabel()->isElided());
        for (Chip* chip : sheet.styles->chips()) EXPECT_EQ(chip->shownText(), chip->text());
    }
}

}  // namespace
}  // namespace vantrel
