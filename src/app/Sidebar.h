#pragma once
// Sidebar: the left-hand column. The selected frame's shooting information,
// the recipes / snapshots tabs and the roll actions (copy and paste, batch
// export, sync to roll, selection, reset). Recipe files dropped on it are
// imported as custom recipes.
#include <filesystem>
#include <memory>
#include <vector>

#include <QList>
#include <QUrl>
#include <QWidget>

#include "views/kit/FittingText.h"
#include "views/kit/ViewBasics.h"

class QPushButton;
class QStackedWidget;
class QVBoxLayout;

namespace vantrel {

class DarkroomViewModel;
class FileDialogs;
class IconFallbackRow;
class ImageMetadataMatrixView;
class RecipeList;
class SnapshotListView;

// The dropped files that are recipe files (".vantrelrecipe" or ".json", in
// any case), in the order given.
std::vector<std::filesystem::path> droppedRecipeFiles(const QList<QUrl>& urls);

class Sidebar final : public QWidget, public RefreshableView {
public:
    enum class Tab { presets, snapshots };

    Sidebar(DarkroomViewModel& vm, std::shared_ptr<FileDialogs> dialogs, QWidget* parent = nullptr);
    void refresh() override;

    Tab tab() const { return tab_; }
    void setTab(Tab tab);
    RecipeList* recipeList() const { return recipes_; }
    SnapshotListView* snapshotList() const { return snapshots_; }
    QWidget* metadataMatrix() const;
    QPushButton* batchExportButton() const { return batchExport_; }
    QPushButton* syncButton() const { return sync_; }
    QPushButton* selectAllButton() const { return selectAll_; }
    QPushButton* invertButton() const { return invert_; }
    QPushButton* clearSelectionButton() const { return clear_; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QWidget* recipesTab(std::shared_ptr<FileDialogs> dialogs);
    QWidget* rollActions();

    DarkroomViewModel& vm_;
    Tab tab_ = Tab::presets;
    QWidget* matrixBlock_;
    ImageMetadataMatrixView* matrix_;
    FittingButton* presetsTab_;
    FittingButton* snapshotsTab_;
    QStackedWidget* pages_;
    RecipeList* recipes_ = nullptr;
    SnapshotListView* snapshots_;
    FittingButton* newRecipe_ = nullptr;
    QPushButton* revealRecipes_ = nullptr;
    IconFallbackRow* copyPaste_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPushButton* paste_ = nullptr;
    FittingButton* batchExport_ = nullptr;
    FittingButton* sync_ = nullptr;
    FittingButton* selectAll_ = nullptr;
    FittingButton* invert_ = nullptr;
    FittingButton* clear_ = nullptr;
    FittingButton* reset_ = nullptr;
};

}  // namespace vantrel
