#include "app/Sidebar.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "views/kit/DarkroomTheme.h"
#include "views/kit/Icons.h"
#include "app/RecipeList.h"
#include "app/standins/CanvasViews.h"
#include "app/standins/WorkflowViews.h"
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

namespace {

QWidget* faintDivider() {
    auto* line = new QWidget;
    line->setFixedHeight(1);
    line->setStyleSheet(QStringLiteral("background: rgba(255, 255, 255, 20);"));
    return line;
}

QPushButton* wide(const char* symbol, const QString& style) {
    auto* button = new QPushButton(symbolIcon(symbol), {});
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setFocusPolicy(Qt::NoFocus);
    button->setStyleSheet(style);
    return button;
}

QPushButton* link(const char* name) {
    auto* button = new QPushButton;
    button->setObjectName(QString::fromUtf8(name));
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; color: #969696; font-size: 10px; }"
                                         "QPushButton:disabled { color: #555; }"));
    return button;
}

}  // namespace

std::vector<std::filesystem::path> droppedRecipeFiles(const QList<QUrl>& urls) {
    std::vector<std::filesystem::path> files;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) continue;
        const std::filesystem::path file(url.toLocalFile().toStdString());
        const QString extension = QString::fromStdString(file.extension().string()).toLower();
        if (extension == QStringLiteral(".vantrelrecipe") || extension == QStringLiteral(".json"))
            files.push_back(file);
    }
    return files;
}

Sidebar::Sidebar(DarkroomViewModel& vm, std::shared_ptr<FileDialogs> dialogs, QWidget* parent)
    : QWidget(parent), vm_(vm) {
    setAcceptDrops(true);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    matrixBlock_ = new QWidget;
    auto* matrixColumn = new QVBoxLayout(matrixBlock_);
    matrixColumn->setContentsMargins(10, 10, 10, 0);
    matrixColumn->setSpacing(8);
    matrix_ = new ImageMetadataMatrixView(
        [this] {
            const LoadedPhoto* photo = vm_.selectedPhoto();
            return photo ? photo->metadata() : ImageMetadataInfo::sample();
        },
        Binding<bool>([this] { return !vm_.isInfoMatrixVisible(); },
                      [this](const bool& collapsed) { vm_.setIsInfoMatrixVisible(!collapsed); }));
    matrixColumn->addWidget(matrix_);
    matrixColumn->addWidget(faintDivider());
    column->addWidget(matrixBlock_);

    auto* picker = new QWidget;
    auto* pickerRow = new QHBoxLayout(picker);
    pickerRow->setContentsMargins(10, 10, 10, 0);
    pickerRow->setSpacing(0);
    presetsTab_ = new QPushButton;
    snapshotsTab_ = new QPushButton;
    presetsTab_->setObjectName(QStringLiteral("tab.presets"));
    snapshotsTab_->setObjectName(QStringLiteral("tab.snapshots"));
    for (QPushButton* tab : {presetsTab_, snapshotsTab_}) {
        tab->setCheckable(true);
        tab->setFocusPolicy(Qt::NoFocus);
        tab->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        tab->setStyleSheet(QStringLiteral("QPushButton { font-size: 11px; padding: 3px; border: 1px solid rgba(255,255,255,30); }"
                                          "QPushButton:checked { background: rgba(255,255,255,40); }"));
        pickerRow->addWidget(tab);
    }
    connect(presetsTab_, &QPushButton::clicked, this, [this] { setTab(Tab::presets); });
    connect(snapshotsTab_, &QPushButton::clicked, this, [this] { setTab(Tab::snapshots); });
    column->addWidget(picker);

    pages_ = new QStackedWidget;
    pages_->addWidget(recipesTab(std::move(dialogs)));
    snapshots_ = new SnapshotListView(
        [this] { return vm_.snapshots(); }, [this] { return vm_.activeComparisonSnapshotID(); },
        [this] { return vm_.parameters(); },
        {[this](const SnapshotItem& s) { vm_.loadSnapshot(s); }, [this](const SnapshotItem& s) { vm_.compareWithSnapshot(s); },
         [this](const Uuid& id) { vm_.deleteSnapshot(id); },
         [this](const std::string& name) { vm_.saveSnapshot(name); }, [this] { vm_.endSnapshotComparison(); }});
    pages_->addWidget(snapshots_);
    column->addWidget(pages_, 1);
    column->addWidget(faintDivider());
    column->addWidget(rollActions());
    setTab(Tab::presets);
}

QWidget* Sidebar::recipesTab(std::shared_ptr<FileDialogs> dialogs) {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    auto* header = new QHBoxLayout;
    header->setContentsMargins(10, 2, 10, 0);
    header->setSpacing(6);
    newRecipe_ = wide("plus.circle.fill",
                      QStringLiteral("QPushButton { font-size: 11px; font-weight: 500; background: %1; color: white;"
                                     " border-radius: 4px; padding: 3px; }")
                          .arg(DarkroomTheme::accent().name()));
    newRecipe_->setObjectName(QStringLiteral("newRecipe"));
    connect(newRecipe_, &QPushButton::clicked, this, [this] { vm_.setIsShowingSavePresetSheet(true); });
    revealRecipes_ = new QPushButton(symbolIcon("folder"), {});
    revealRecipes_->setObjectName(QStringLiteral("revealRecipes"));
    revealRecipes_->setFocusPolicy(Qt::NoFocus);
    connect(revealRecipes_, &QPushButton::clicked, this, [this] { vm_.revealPresetsFolder(); });
    header->addWidget(newRecipe_, 1);
    header->addWidget(revealRecipes_);
    column->addLayout(header);

    recipes_ = new RecipeList(vm_, std::move(dialogs));
    auto* scroll = new QScrollArea;
    scroll->setWidget(recipes_);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    column->addWidget(scroll, 1);
    return page;
}

QWidget* Sidebar::rollActions() {
    auto* block = new QWidget;
    auto* column = new QVBoxLayout(block);
    column->setContentsMargins(12, 0, 12, 12);
    column->setSpacing(8);
    const QString plain = QStringLiteral("QPushButton { font-size: 11px; padding: 3px; }");

    auto* copyPaste = new QHBoxLayout;
    copyPaste->setSpacing(8);
    copy_ = wide("doc.on.doc", plain);
    paste_ = wide("doc.on.clipboard", plain);
    copy_->setObjectName(QStringLiteral("copyParams"));
    paste_->setObjectName(QStringLiteral("pasteParams"));
    connect(copy_, &QPushButton::clicked, this, [this] { vm_.copyParameters(); });
    connect(paste_, &QPushButton::clicked, this, [this] { vm_.pasteParameters(); });
    copyPaste->addWidget(copy_);
    copyPaste->addWidget(paste_);
    column->addLayout(copyPaste);

    batchExport_ = wide("square.and.arrow.up.on.square.fill",
                        QStringLiteral("QPushButton { font-size: 11px; font-weight: bold; background: %1; color: white;"
                                       " border-radius: 4px; padding: 3px; }")
                            .arg(DarkroomTheme::accent().name()));
    batchExport_->setObjectName(QStringLiteral("batchExport"));
    connect(batchExport_, &QPushButton::clicked, this, [this] { vm_.presentExportDialog(); });
    column->addWidget(batchExport_);

    sync_ = wide("square.and.arrow.down.on.square", QStringLiteral("QPushButton { font-size: 11px; font-weight: 500; padding: 3px; }"));
    sync_->setObjectName(QStringLiteral("syncRoll"));
    connect(sync_, &QPushButton::clicked, this, [this] { vm_.presentBatchSyncSheet(); });
    column->addWidget(sync_);

    auto* selection = new QHBoxLayout;
    selection->setSpacing(6);
    selectAll_ = link("selectAll");
    invert_ = link("invertSelection");
    clear_ = link("clearSelection");
    connect(selectAll_, &QPushButton::clicked, this, [this] { vm_.checkAllPhotos(); });
    connect(invert_, &QPushButton::clicked, this, [this] { vm_.invertCheckedPhotos(); });
    connect(clear_, &QPushButton::clicked, this, [this] { vm_.uncheckAllPhotos(); });
    auto dot = [] {
        auto* label = new QLabel(QStringLiteral("•"));
        label->setStyleSheet(QStringLiteral("font-size: 10px; color: #969696;"));
        return label;
    };
    selection->addStretch(1);
    selection->addWidget(selectAll_);
    selection->addWidget(dot());
    selection->addWidget(invert_);
    clearDot_ = dot();
    selection->addWidget(clearDot_);
    selection->addWidget(clear_);
    selection->addStretch(1);
    column->addLayout(selection);

    reset_ = link("resetToMaster");
    reset_->setIcon(symbolIcon("arrow.counterclockwise"));
    reset_->setStyleSheet(QStringLiteral("QPushButton { border: none; color: #969696; font-size: 11px; }"));
    connect(reset_, &QPushButton::clicked, this, [this] { vm_.resetToNeutral(); });
    column->addWidget(reset_);
    return block;
}

QWidget* Sidebar::metadataMatrix() const { return matrixBlock_->isHidden() ? nullptr : matrix_; }

void Sidebar::setTab(Tab tab) {
    tab_ = tab;
    presetsTab_->setChecked(tab == Tab::presets);
    snapshotsTab_->setChecked(tab == Tab::snapshots);
    pages_->setCurrentIndex(tab == Tab::presets ? 0 : 1);
}

void Sidebar::refresh() {
    const bool hasFrame = vm_.selectedPhoto() != nullptr;
    matrixBlock_->setVisible(hasFrame);
    if (hasFrame) matrix_->refresh();
    static_cast<QHBoxLayout*>(presetsTab_->parentWidget()->layout())->setContentsMargins(10, hasFrame ? 0 : 10, 10, 0);
    presetsTab_->setText(localized("sidebar.filmRecipes"));
    snapshotsTab_->setText(localized("sidebar.snapshots"));
    newRecipe_->setText(localized("sidebar.newRecipe"));
    newRecipe_->setToolTip(localized("sidebar.newRecipe"));
    revealRecipes_->setToolTip(localized("preset.revealInFinder"));
    recipes_->refresh();
    snapshots_->refresh();

    copy_->setText(localized("sidebar.copyParams"));
    copy_->setToolTip(localized("sidebar.copyParams"));
    paste_->setText(localized("sidebar.pasteParams"));
    paste_->setToolTip(localized("sidebar.pasteParams"));
    const int checked = int(vm_.checkedPhotoIDs().size());
    const int frames = int(vm_.photos().size());
    batchExport_->setVisible(checked > 0);
    batchExport_->setText(localized("nav.batchExport", checked));
    batchExport_->setToolTip(localized("nav.batchExport", checked));
    sync_->setText(localized("sidebar.syncRoll"));
    sync_->setToolTip(localized("sidebar.syncRoll"));
    sync_->setEnabled(frames >= 2);
    selectAll_->setText(localized("sidebar.selectAll", frames));
    selectAll_->setEnabled(frames > 0);
    invert_->setText(localized("sidebar.invertSelection"));
    invert_->setEnabled(frames > 0);
    clear_->setText(localized("sidebar.clearSelection"));
    clear_->setVisible(checked > 0);
    clearDot_->setVisible(checked > 0);
    reset_->setText(localized("sidebar.resetToMaster"));
}

void Sidebar::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void Sidebar::dropEvent(QDropEvent* event) {
    // Every drop counts as accepted; each recipe file is imported on its own turn.
    event->acceptProposedAction();
    for (const std::filesystem::path& file : droppedRecipeFiles(event->mimeData()->urls()))
        QTimer::singleShot(0, this, [this, file] { vm_.importRecipe(file); });
}

}  // namespace vantrel
