#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "PanelTestSupport.h"
#include "ViewTestSupport.h"
#include "model/FilmGrainParameters.h"
#include "views/kit/FieldSlider.h"
#include "views/kit/MenuButton.h"

namespace vantrel {
namespace {

TEST(MenuButton, EveryChosenItemIsReportedOnceAndTextsFollowTheLanguage) {
    test::DarkPage page;
    auto* button = page.add(new MenuButton("curve.presets", "Presets",
                                           {{"linear", "Linear"}, {"matte", "Matte Film"}, {"reset", "Reset", {}, true}},
                                           MenuButton::Style()));
    ASSERT_TRUE(test::showExposed(page.widget, {240, 60}));
    QSignalSpy triggered(button, &MenuButton::triggered);
    ASSERT_TRUE(button->menu() && button->action("matte") && !button->action("nothing"));
    EXPECT_EQ(button->menu()->objectName(), "curve.presets.menu");
    EXPECT_EQ(button->action("matte")->objectName(), "curve.presets.matte");

    for (int i = 0; i < 2; ++i) {  // the same item twice: two reports
        QTest::mouseClick(button, Qt::LeftButton);
        ASSERT_TRUE(test::clickMenuItem(button->menu(), button->action("matte")));
    }
    ASSERT_EQ(triggered.count(), 2);
    EXPECT_EQ(triggered.at(1).at(0).toString(), "matte");
    EXPECT_EQ(button->label(), "Presets");  // a menu of actions keeps its label

    button->setLabel("Vorgaben");
    button->setItemText("matte", "Matter Film");
    EXPECT_EQ(button->label(), "Vorgaben");
    EXPECT_EQ(button->action("matte")->text(), "Matter Film");
    EXPECT_EQ(triggered.count(), 2);
}

TEST(MenuPicker, ReportsOnlyAChangedChoiceAndShowsIt) {
    test::DarkPage page;
    auto* picker = page.add(new MenuPicker("leak.style", {{"none", "No Light Leak"}, {"warm", "Warm Corner"},
                                                          {"streak", "Side Streak"}}));
    ASSERT_TRUE(test::showExposed(page.widget, {240, 60}));
    QSignalSpy changes(picker, &MenuPicker::selectionChanged);
    EXPECT_EQ(picker->selected(), "none");
    EXPECT_EQ(picker->label(), "No Light Leak");

    picker->setSelected("streak");  // silent
    picker->setSelected("unknown");  // ignored
    EXPECT_EQ(picker->selected(), "streak");
    EXPECT_TRUE(picker->action("streak")->isChecked());
    EXPECT_EQ(changes.count(), 0);

    QTest::mouseClick(picker, Qt::LeftButton);
    ASSERT_TRUE(test::clickMenuItem(picker->menu(), picker->action("streak")));  // the chosen one again
    EXPECT_EQ(changes.count(), 0);
    QTest::mouseClick(picker, Qt::LeftButton);
    ASSERT_TRUE(test::clickMenuItem(picker->menu(), picker->action("warm")));
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.at(0).at(0).toString(), "warm");
    EXPECT_EQ(picker->label(), "Warm Corner");
    EXPECT_TRUE(picker->action("warm")->isChecked());
    EXPECT_FALSE(picker->action("streak")->isChecked());

    picker->setItemText("warm", "Warme Ecke");  // the shown choice follows its text
    EXPECT_EQ(picker->label(), "Warme Ecke");

    // Narrow, the label shortens and keeps its whole text for the tooltip.
    picker->setItemText("warm", "A very long name of a light leak style");
    page.widget.resize(90, 60);
    ASSERT_TRUE(QTest::qWaitFor([&] { return picker->width() < picker->sizeHint().width(); }));
    EXPECT_TRUE(picker->shownLabel().endsWith(QChar(0x2026)));
}

TEST(FieldSlider, WritesTheRecordOnceForEachChangedStepAndResets) {
    test::DarkPage page;
    test::CountedValue<FilmGrainParameters> grain(FilmGrainParameters{0.4, 1.6, 0.5, 0.25});
    int reports = 0;
    ProSlider* slider = page.add(fieldSlider(grain.binding(), &FilmGrainParameters::size,
                                             {"grain.size", {1.0, 3.5}, 1.6, 0.05, "%.2f", "x"}, Qt::yellow,
                                             [&] { ++reports; }));
    ASSERT_TRUE(test::showExposed(page.widget, {260, 60}));
    EXPECT_EQ(slider->titleLabel()->text(), "Grain Size");
    EXPECT_EQ(slider->readout()->text(), "1.60 x");

    // Moves that land on one snapped value: one write, one report.
    QWidget* track = slider->track();
    const QPoint end = test::trackPoint(*slider, 1.0);
    QTest::mousePress(track, Qt::LeftButton, {}, test::trackPoint(*slider, slider->fraction()));
    QTest::mouseMove(track, end);
    QTest::mouseMove(track, end + QPoint(1, 0));
    QTest::mouseMove(track, end + QPoint(20, 0));
    QTest::mouseRelease(track, Qt::LeftButton, {}, end);
    EXPECT_DOUBLE_EQ(grain.value->size, 3.5);
    EXPECT_EQ(grain.writeCount(), 1);
    EXPECT_EQ(reports, 1);
    EXPECT_DOUBLE_EQ(grain.value->amount, 0.4);  // the other fields stay

    slider->resetToDefault();
    EXPECT_DOUBLE_EQ(grain.value->size, 1.6);
    slider->resetToDefault();  // already at its default: nothing written
    EXPECT_EQ(grain.writeCount(), 2);
    EXPECT_EQ(reports, 2);
}

}  // namespace
}  // namespace vantrel
