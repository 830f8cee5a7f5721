#pragma once
// RecipeList: the recipes tab of the sidebar. The custom recipes (rows with a
// delete button and a context menu, or an empty-state box) over the classic
// film stocks (cards). Clicking applies a recipe; the active one is
// highlighted and checked. Rebuilt from the view model on refresh().
#include <memory>
#include <string>
#include <vector>

#include <QWidget>

#include "views/kit/ViewBasics.h"
#include "services/FilmPreset.h"

class QLabel;
class QMenu;
class QVBoxLayout;

namespace vantrel {

class DarkroomViewModel;
class FileDialogs;
class PanelFolders;

// The file name proposed for a recipe file: the stored name, with characters
// no file name may hold made safe, and ".vantrelrecipe".
std::string recipeFileName(const FilmPreset& preset);

class RecipeList final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    // Its file panels are `dialogs`, opened where `folders` says recipe files last went.
    RecipeList(DarkroomViewModel& vm, std::shared_ptr<FileDialogs> dialogs, std::shared_ptr<PanelFolders> folders,
               QWidget* parent = nullptr);
    void refresh() override;

    // The save panel, then the view model writes the file; cancelling does nothing.
    void exportRecipeFile(FilmPreset preset);
    // The context menu of a custom row (tests open it without showing it).
    QMenu* contextMenuFor(const FilmPreset& preset, QWidget* parent);

private:
    QWidget* header(const char* symbol, const char* key, int count, bool accent);
    QWidget* row(const FilmPreset& preset, bool custom);

    DarkroomViewModel& vm_;
    std::shared_ptr<FileDialogs> dialogs_;
    std::shared_ptr<PanelFolders> folders_;
    QVBoxLayout* column_;
    QWidget* content_ = nullptr;
    std::string shown_;
    std::vector<FilmPreset> shownCustom_;
};

}  // namespace vantrel
