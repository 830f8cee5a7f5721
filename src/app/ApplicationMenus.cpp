#include "app/ApplicationMenus.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include "app/UpdateChecker.h"
#include "services/AppLanguage.h"
#include "services/L10n.h"
#include "services/LocalizationManager.h"

namespace vantrel::ApplicationMenus {

namespace {

QString localized(const char* key) { return QString::fromStdString(L10n::tr(key)); }

void fillLanguageMenu(QMenu& menu, LocalizationManager& localization) {
    menu.clear();
    menu.setTitle(localized("menu.language"));
    const std::vector<QString> labels = languageMenuLabels(localization);
    QAction* follow = menu.addAction(labels.front());
    QObject::connect(follow, &QAction::triggered, &localization, [&localization] { localization.followSystemLanguage(); });
    menu.addSeparator();
    for (std::size_t i = 0; i < kAllAppLanguages.size(); ++i) {
        const AppLanguage language = kAllAppLanguages[i];
        QAction* item = menu.addAction(labels[i + 1]);
        QObject::connect(item, &QAction::triggered, &localization,
                         [&localization, language] { localization.setLanguage(language); });
    }
}

}  // namespace

QString checkPrefix(bool isCurrentChoice) {
    return isCurrentChoice ? QStringLiteral("\u2713  ") : QStringLiteral("    ");
}

std::vector<QString> languageMenuLabels(const LocalizationManager& localization) {
    const bool following = localization.isFollowingSystem();
    std::vector<QString> labels{checkPrefix(following) + localized("lang.followSystem")};
    for (AppLanguage language : kAllAppLanguages) {
        const bool current = !following && localization.currentLanguage() == language;
        labels.push_back(checkPrefix(current) + QString::fromUtf8(nativeName(language).data(),
                                                                  qsizetype(nativeName(language).size())));
    }
    return labels;
}

Menus install(QMainWindow& window, LocalizationManager& localization, std::function<void()> quit) {
    Menus menus;
    QMenuBar* bar = window.menuBar();
    // The application's name stands as it is in every language.
    menus.application = bar->addMenu(QStringLiteral("Vantrel"));
    QAction* updates = menus.application->addAction(localized("menu.checkForUpdates"));
    updates->setMenuRole(QAction::NoRole);
    QObject::connect(updates, &QAction::triggered, &window, [&window] { UpdateChecker::shared().checkForUpdates(&window); });
    menus.application->addSeparator();
    QAction* quitItem = menus.application->addAction(localized("menu.quit"));
    quitItem->setObjectName(QStringLiteral("quitAction"));
    quitItem->setMenuRole(QAction::QuitRole);
    quitItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quitItem->setShortcutContext(Qt::ApplicationShortcut);
    QObject::connect(quitItem, &QAction::triggered, &window, [quit = std::move(quit)] { quit(); });
    menus.quit = quitItem;

    menus.language = bar->addMenu(localized("menu.language"));
    fillLanguageMenu(*menus.language, localization);

    QObject::connect(&localization, &LocalizationManager::changed, menus.language,
                     [menus, updates, quitItem, &localization] {
                         updates->setText(localized("menu.checkForUpdates"));
                         quitItem->setText(localized("menu.quit"));
                         fillLanguageMenu(*menus.language, localization);
                     },
                     // Later: the item that asked for the change is still running.
                     Qt::QueuedConnection);
    return menus;
}

}  // namespace vantrel::ApplicationMenus
