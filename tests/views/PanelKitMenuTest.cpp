#include <QSignalSpy>
#include <gtest/gtest.h>

#include "PanelTestSupport.h"
#include "ViewTestSupport.h"
#include "views/panels/MenuButton.h"

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
    QTRY_VERIFY(picker->width() < picker->sizeHint().width());
    EXPECT_TRUE(picker->shownLabel().endsWith(QChar(0x2026)));
}

}  // namespace
}  // namespace vantrel
