#pragma once
// The menu bar of a window: the application menu (Check for Updates..., Quit
// with Ctrl+Q) and the language menu (follow the system, then one item per
// language, the current choice marked with a check mark). Labels are looked
// up again whenever the interface language or the choice changes.
#include <functional>
#include <vector>

#include <QString>

class QAction;
class QMainWindow;
class QMenu;

namespace vantrel {

class LocalizationManager;

namespace ApplicationMenus {

// "✓  " before the current choice, four spaces before the others.
QString checkPrefix(bool isCurrentChoice);

// The language menu's item labels in order, separator left out: follow the
// system, then the seven languages by their own names.
std::vector<QString> languageMenuLabels(const LocalizationManager& localization);

struct Menus {
    QMenu* application = nullptr;
    QMenu* language = nullptr;
    QAction* quit = nullptr;  // Ctrl+Q; the window adds it to its dialogs as well
};

// Builds both menus into the window's menu bar; `quit` runs for Ctrl+Q.
Menus install(QMainWindow& window, LocalizationManager& localization, std::function<void()> quit);

}  // namespace ApplicationMenus
}  // namespace vantrel
