#include <QApplication>
#include <QHBoxLayout>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "ViewTestSupport.h"
#include "views/kit/DarkroomTheme.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/StandardColors.h"
#include "views/kit/SymbolView.h"
#include "views/kit/ChipRow.h"
#include "views/kit/ColorSwatch.h"
#include "views/kit/PanelHeader.h"
#include "views/kit/RoundedBox.h"
#include "views/kit/SegmentedControl.h"
#include "views/kit/ToggleSwitch.h"

namespace vantrel {
namespace {

using test::colourNear;

// A dark page to place a kit widget on, as the inspector does.
struct Page {
    QWidget widget;
    QVBoxLayout* column = new QVBoxLayout(&widget);
    Page() {
        test::fillGround(widget, DarkroomTheme::panelBackground());
    }
    template <typename W>
    W* add(W* w) {
        column->addWidget(w);
        return w;
    }
};

TEST(PanelHeader, ShowsResetOnlyWhileActiveAndReportsOnlyUserActions) {
    Page page;
    auto* header = page.add(new PanelHeader("grain", "Analog Silver Halide Grain",
                                            {"circle.grid.cross.fill", standardColor(StandardColor::Orange),
                                             PanelHeader::ResetLabel::Small, true}));
    ASSERT_TRUE(test::showExposed(page.widget, {280, 40}));
    QSignalSpy resets(header, &PanelHeader::resetRequested);
    QSignalSpy switches(header, &PanelHeader::switchToggled);
    auto* reset = page.widget.findChild<Chip*>("grain.reset");
    auto* toggle = page.widget.findChild<ToggleSwitch*>("grain.switch");
    auto* symbol = page.widget.findChild<SymbolView*>("grain.symbol");
    ASSERT_TRUE(reset && toggle && symbol && page.widget.findChild<ElidedLabel*>("grain.title"));
    EXPECT_EQ(header->objectName(), "grain.header");

    EXPECT_FALSE(reset->isVisibleTo(header));
    EXPECT_EQ(symbol->color(), standardColor(StandardColor::SecondaryText));
    header->refresh(true, true);
    EXPECT_TRUE(reset->isVisibleTo(header));
    EXPECT_EQ(reset->text(), "Reset");
    EXPECT_EQ(reset->toolTip(), "Reset");
    EXPECT_EQ(symbol->color(), standardColor(StandardColor::Orange));
    EXPECT_TRUE(toggle->isOn());
    header->refresh(false, false);
    header->refresh(true, true);
    EXPECT_EQ(resets.count() + switches.count(), 0);  // refreshing reports nothing

    QTest::mouseClick(reset, Qt::LeftButton);
    EXPECT_EQ(resets.count(), 1);
    QTest::mouseClick(toggle, Qt::LeftButton);
    ASSERT_EQ(switches.count(), 1);
    EXPECT_EQ(switches.at(0).at(0).toBool(), false);
    toggle->setFocus();
    QTest::keyClick(toggle, Qt::Key_Space);
    ASSERT_EQ(switches.count(), 2);
    EXPECT_EQ(switches.at(1).at(0).toBool(), true);
    EXPECT_EQ(resets.count(), 1);

    // A new language: the kit's own texts follow.
    {
        test::ScopedLanguage german(AppLanguage::de);
        header->setTitle("Analoges Silberhalogenid-Korn");
        EXPECT_EQ(reset->text(), "Zurücksetzen");
        test::saveShot(page.widget, "panel-header-de");
    }
    // A header without symbol or switch has neither.
    PanelHeader plain("hsl", "Mixer", {});
    EXPECT_EQ(plain.findChild<ToggleSwitch*>(), nullptr);
    EXPECT_EQ(plain.symbolView(), nullptr);
}

TEST(PanelKit, ToggleSwitchPaintsItsStateAndSetOnNeverEmits) {
    Page page;
    auto* toggle = page.add(new ToggleSwitch);
    ASSERT_TRUE(test::showExposed(page.widget, {80, 40}));
    QSignalSpy switched(toggle, &ToggleSwitch::switched);
    toggle->setOn(true);
    toggle->setOn(false);
    toggle->setOn(true);
    EXPECT_EQ(switched.count(), 0);
    EXPECT_DOUBLE_EQ(toggle->knobPosition(), 1);
    // On: the track's left end shows the accent; off: a light grey.
    const QPoint left(4, toggle->height() / 2);
    EXPECT_TRUE(colourNear(test::pixelAt(*toggle, left), standardColor(StandardColor::Accent), 12));
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_EQ(switched.count(), 1);
    EXPECT_FALSE(toggle->isOn());
    EXPECT_DOUBLE_EQ(toggle->knobPosition(), 0);
    const QColor off = test::pixelAt(*toggle, QPoint(toggle->width() - 4, toggle->height() / 2));
    EXPECT_EQ(off.red(), off.blue());  // grey, no accent left
}

TEST(PanelKit, ChipRowsShareTheirWidthAndReportEveryClickOnce) {
    Page page;
    auto* row = page.add(new ChipRow("frameStyle",
                                     {{"none", "None"}, {"sprocket135", "135 Sprockets"}, {"polaroid", "Polaroid"}},
                                     ChipStyle::option(10, 5, 4)));
    ASSERT_TRUE(test::showExposed(page.widget, {300, 60}));
    QSignalSpy chosen(row, &ChipRow::chosen);
    auto* none = page.widget.findChild<Chip*>("frameStyle.none");
    auto* polaroid = page.widget.findChild<Chip*>("frameStyle.polaroid");
    ASSERT_TRUE(none && polaroid);
    EXPECT_EQ(none->width(), polaroid->width());

    row->setSelected("polaroid");
    EXPECT_EQ(row->selected(), "polaroid");
    EXPECT_TRUE(polaroid->isSelected());
    EXPECT_EQ(chosen.count(), 0);
    QTest::mouseClick(polaroid, Qt::LeftButton);  // already selected: still one report
    QTest::mouseClick(none, Qt::LeftButton);
    ASSERT_EQ(chosen.count(), 2);
    EXPECT_EQ(chosen.at(1).at(0).toString(), "none");
    EXPECT_EQ(row->selected(), "polaroid");  // the owner selects, after writing its record
    // The selected chip sits on the accent.
    EXPECT_TRUE(colourNear(test::pixelAt(*polaroid, QPoint(3, polaroid->height() / 2)),
                           standardColor(StandardColor::Accent), 3));
    row->setSelected("gone");
    EXPECT_EQ(row->selected(), "");

    // Squeezed, a chip shortens its label and keeps the whole as tooltip text.
    page.widget.resize(120, 60);
    ASSERT_TRUE(QTest::qWaitFor([&] { return polaroid->width() < polaroid->sizeHint().width(); }));
    EXPECT_NE(polaroid->shownText(), "Polaroid");
    EXPECT_TRUE(polaroid->shownText().endsWith(QChar(0x2026)));
}

TEST(PanelKit, SegmentedControlReportsOnlyAChangedSelection) {
    Page page;
    auto* control = page.add(new SegmentedControl("wheels.tabs", {{"all", "3-Way"}, {"shadows", "Shadows"},
                                                                  {"midtones", "Midtones"}}));
    ASSERT_TRUE(test::showExposed(page.widget, {300, 50}));
    QSignalSpy changes(control, &SegmentedControl::selectionChanged);
    EXPECT_EQ(control->selected(), "all");
    control->setSelected("midtones");
    EXPECT_EQ(changes.count(), 0);
    QTest::mouseClick(control->segment("midtones"), Qt::LeftButton);
    EXPECT_EQ(changes.count(), 0);
    QTest::mouseClick(page.widget.findChild<Chip*>("wheels.tabs.shadows"), Qt::LeftButton);
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.at(0).at(0).toString(), "shadows");
    control->setFocus();
    QTest::keyClick(control, Qt::Key_Right);
    QTest::keyClick(control, Qt::Key_Right);  // already at the end
    ASSERT_EQ(changes.count(), 2);
    EXPECT_EQ(control->selected(), "midtones");
    QTest::keyClick(control, Qt::Key_Left);
    EXPECT_EQ(changes.count(), 3);
    EXPECT_EQ(control->selected(), "shadows");
}

TEST(PanelKit, SwatchesShowRingGlowAndEditedMark) {
    Page page;
    auto* row = new QHBoxLayout;
    page.column->addLayout(row);
    auto* swatch = new ColorSwatch(ColorSwatch::Shape::Circle, {22, 22}, colorFromHex("#FF9500"));
    auto* base = new ColorSwatch(ColorSwatch::Shape::RoundedRect, {28, 20}, QColor(216, 115, 64));
    row->addWidget(swatch);
    row->addWidget(base);
    ASSERT_TRUE(test::showExposed(page.widget, {120, 60}));
    const QRectF patch = swatch->patchRect();
    const QPoint centre = patch.center().toPoint();
    const QPoint ringPoint(int(patch.center().x()), int(patch.top()) + 1);
    const QPoint markPoint(int(patch.right()) - 1, int(patch.top()) + 1 - 2);
    EXPECT_TRUE(colourNear(test::pixelAt(*swatch, centre), QColor(255, 149, 0), 2));
    const QImage plain = test::grabImage(*swatch);
    EXPECT_LT(test::pixelAt(plain, ringPoint).blue(), 80);  // orange at the top, no ring
    const QPoint below(centre.x(), int(patch.bottom()) + 2);

    QSignalSpy clicks(swatch, &QAbstractButton::clicked);
    swatch->setSelected(true);
    swatch->setMarked(true);
    EXPECT_EQ(clicks.count(), 0);
    const QImage shown = test::grabImage(*swatch);
    EXPECT_GT(test::pixelAt(shown, ringPoint).blue(), 200);          // the white ring
    EXPECT_GT(test::pixelAt(shown, markPoint).blue(), 200);          // the white mark
    test::saveShot(shown, "swatch-selected");
    EXPECT_GT(test::pixelAt(shown, below).red(), test::pixelAt(plain, below).red() + 8);  // a soft white glow
    QTest::mouseClick(swatch, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);

    // The rectangle swatch: its colour inside a faint outline.
    EXPECT_TRUE(colourNear(test::pixelAt(*base, base->patchRect().center().toPoint()), QColor(216, 115, 64), 2));
}

TEST(PanelKit, ElidedLabelsKeepBothEndsAndTellTheWholeText) {
    Page page;
    auto* label = page.add(new ElidedLabel("DSC_20240611_roll-07_frame-0042_final.tif"));
    ASSERT_TRUE(test::showExposed(page.widget, {600, 40}));
    EXPECT_FALSE(label->isElided());
    page.widget.resize(130, 40);
    ASSERT_TRUE(QTest::qWaitFor([&] { return label->isElided(); }));
    const QString shown = label->shownText();
    EXPECT_TRUE(shown.startsWith("DSC")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(".tif")) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026)));
    EXPECT_EQ(label->text(), "DSC_20240611_roll-07_frame-0042_final.tif");
    EXPECT_GE(label->sizeHint().width(), label->fontMetrics().horizontalAdvance(label->text()));
}

TEST(PanelKit, RoundedBoxesPaintTheirFillAndOutline) {
    Page page;
    auto* box = page.add(new RoundedBox(RoundedBox::Style::editor()));
    box->content()->addWidget(new QWidget);
    box->setMinimumSize(100, 50);
    ASSERT_TRUE(test::showExposed(page.widget, {140, 90}));
    const QImage image = test::grabImage(*box);
    const int bg = DarkroomTheme::panelBackground().red();
    // Black at 0.25 over the panel's grey, and white at 0.08 on the outline.
    EXPECT_NEAR(test::pixelAt(image, {50, 25}).red(), bg * 0.75, 2);
    EXPECT_NEAR(test::pixelAt(image, {50, 0}).red(), bg * 0.75 + (255 - bg * 0.75) * 0.08, 3);
    EXPECT_EQ(box->content()->contentsMargins().left(), 10);
}

}  // namespace
}  // namespace vantrel
