#include <memory>

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "app/ApplicationMenus.h"
#include "app/UpdateChecker.h"
#include "services/LocalizationManager.h"

namespace vantrel {
namespace {

std::vector<QString> actionTexts(const QMenu& menu) {
    std::vector<QString> texts;
    for (const QAction* action : menu.actions())
        if (!action->isSeparator()) texts.push_back(action->text());
    return texts;
}

TEST(MenusTest, LanguageMenuMarksOnlyTheCurrentChoice) {
    QTemporaryDir dir;
    const QString settingsFile = dir.filePath("l10n.ini");
    LocalizationManager localization([settingsFile] { return std::make_unique<QSettings>(settingsFile, QSettings::IniFormat); },
                                     [] { return std::vector<std::string>{"en-US"}; });
    QMainWindow window;
    const ApplicationMenus::Menus menus = ApplicationMenus::install(window, localization, [] {});

    // Following the system: the mark on the first item only.
    std::vector<QString> labels = actionTexts(*menus.language);
    ASSERT_EQ(labels.size(), 8u);
    EXPECT_EQ(labels[0], QString::fromUtf8("\u2713  Follow System Language"));
    for (std::size_t i = 1; i < labels.size(); ++i) EXPECT_TRUE(labels[i].startsWith("    ")) << labels[i].toStdString();
    EXPECT_EQ(labels[5], "    Deutsch");
    EXPECT_EQ(labels[2], QString::fromUtf8("    简体中文"));

    // Choosing Deutsch through the menu moves the mark there and nowhere else.
    menus.language->actions()[6]->trigger();  // follow, separator, en, zh-Hans, zh-Hant, ja, de
    EXPECT_FALSE(localization.isFollowingSystem());
    EXPECT_EQ(localization.currentLanguage(), AppLanguage::de);
    QCoreApplication::processEvents();
    labels = actionTexts(*menus.language);
    ASSERT_EQ(labels.size(), 8u);
    EXPECT_EQ(labels[5], QString::fromUtf8("\u2713  Deutsch"));
    EXPECT_TRUE(labels[0].startsWith("    "));
    EXPECT_EQ(std::count_if(labels.begin(), labels.end(), [](const QString& l) { return l.startsWith(QChar(0x2713)); }),
              1);

    // Back to the system.
    menus.language->actions()[0]->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(actionTexts(*menus.language)[0].startsWith(QChar(0x2713)));
}

TEST(MenusTest, QuitItemHasCtrlQAndUpdateItemShowsVersion) {
    QTemporaryDir dir;
    const QString settingsFile = dir.filePath("l10n.ini");
    LocalizationManager localization([settingsFile] { return std::make_unique<QSettings>(settingsFile, QSettings::IniFormat); },
                                     [] { return std::vector<std::string>{"en"}; });
    QMainWindow window;
    int quits = 0;
    const ApplicationMenus::Menus menus = ApplicationMenus::install(window, localization, [&] { ++quits; });
    const std::vector<QString> items = actionTexts(*menus.application);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0], "Check for Updates...");
    EXPECT_EQ(items[1], "Quit Vantrel");
    QAction* quit = window.findChild<QAction*>("quitAction");
    ASSERT_NE(quit, nullptr);
    EXPECT_EQ(quit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->trigger();
    EXPECT_EQ(quits, 1);

    // "v<version> (Build <n>)" with the build's numbers.
    const QString version = QString::fromStdString(UpdateChecker::versionString());
    const QStringList parts = version.split(' ');
    ASSERT_EQ(parts.size(), 3) << version.toStdString();
    EXPECT_EQ(parts[0], "v0.1.0");
    EXPECT_EQ(parts[1], "(Build");
    bool numeric = false;
    EXPECT_GT(parts[2].chopped(1).toInt(&numeric), 0);
    EXPECT_TRUE(numeric && parts[2].endsWith(')')) << version.toStdString();
    EXPECT_FALSE(UpdateChecker::shared().canCheckForUpdates());
    EXPECT_EQ(UpdateChecker::checkMessage(),
              UpdateChecker::versionString() + "\n\nUpdates for Vantrel come through your system's package manager.");
    menus.application->actions()[0]->trigger();
    auto* box = window.findChild<QWidget*>("updateCheckMessage");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    box->close();
}

}  // namespace
}  // namespace vantrel
