#include "app/Sidebar.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "views/kit/DarkroomTheme.h"
#include "views/kit/FittingRows.h"
#include "views/kit/FittingText.h"
#include "views/kit/Icons.h"
#include "views/kit/Layouts.h"
#include "views/kit/Marks.h"
#include "app/RecipeList.h"
#include "viewmodel/DarkroomViewModel.h"
#include "views/canvas/ImageMetadataMatrixView.h"
#include "views/workflow/SnapshotListView.h"

namespace vantrel {

namespace {

// A button across the column; a label too long for it is elided.
FittingButton* wide(const char* symbol, const QString& style) {
    auto* button = new FittingButton(FittingButton::Fit::elide, symbolIcon(symbol));
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setFocusPolicy(Qt::NoFocus);
    button->setStyleSheet(style);
    return button;
}

FittingButton* link(const char* name) {
    auto* button = new FittingButton(FittingButton::Fit::elide);
    button->setObjectName(QString::fromUtf8(name));
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setStyleSheet(DarkroomTheme::linkStyle(DarkroomTheme::TextSize::small));
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
    auto* column = flatColumn(8, this);

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
    matrixColumn->addWidget(ruleLine(DarkroomTheme::faintLine()));
    column->addWidget(matrixBlock_);

    auto* picker = new QWidget;
    auto* pickerRow = new QHBoxLayout(picker);
    pickerRow->setContentsMargins(10, 10, 10, 0);
    pickerRow->setSpacing(0);
    presetsTab_ = new FittingButton(FittingButton::Fit::elide);
    snapshotsTab_ = new FittingButton(FittingButton::Fit::elide);
    presetsTab_->setObjectName(QStringLiteral("tab.presets"));
    snapshotsTab_->setObjectName(QStringLiteral("tab.snapshots"));
    for (QPushButton* tab : {presetsTab_, snapshotsTab_}) {
        tab->setCheckable(true);
        tab->setFocusPolicy(Qt::NoFocus);
        tab->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        tab->setStyleSheet(DarkroomTheme::segmentStyle());
        pickerRow->addWidget(tab);
    }
    connect(presetsTab_, &QPushButton::clicked, this, [this] { setTab(Tab::presets); });
    connect(snapshotsTab_, &QPushButton::clicked, this, [this] { setTab(Tab::snapshots); });
    column->addWidget(picker);

    pages_ = new QStackedWidget;
    pages_->addWidget(recipesTab(std::move(dialogs)));
    snapshots_ = new SnapshotListView([this] { return vm_.snapshots(); },
                                      [this] { return vm_.activeComparisonSnapshotID(); },
                                      [this] { return vm_.parameters(); });
    connect(snapshots_, &SnapshotListView::applyRequested, this, [this](const SnapshotItem& s) { vm_.loadSnapshot(s); });
    connect(snapshots_, &SnapshotListView::compareToggled, this,
            [this](const SnapshotItem& s) { vm_.compareWithSnapshot(s); });
    connect(snapshots_, &SnapshotListView::deleteRequested, this, [this](const Uuid& id) { vm_.deleteSnapshot(id); });
    connect(snapshots_, &SnapshotListView::renameRequested, this,
            [this](const Uuid& id, const std::string& name) { vm_.renameSnapshot(id, name); });
    connect(snapshots_, &SnapshotListView::createRequested, this,
            [this](const std::string& name) { vm_.saveSnapshot(name); });
    connect(snapshots_, &SnapshotListView::clearCompareRequested, this, [this] { vm_.endSnapshotComparison(); });
    pages_->addWidget(snapshots_);
    column->addWidget(pages_, 1);
    column->addWidget(ruleLine(DarkroomTheme::faintLine()));
    column->addWidget(rollActions());
    setTab(Tab::presets);
}

QWidget* Sidebar::recipesTab(std::shared_ptr<FileDialogs> dialogs) {
    auto* page = new QWidget;
    auto* column = flatColumn(8, page);
    auto* header = new QHBoxLayout;
    header->setContentsMargins(10, 2, 10, 0);
    header->setSpacing(6);
    newRecipe_ = wide("plus.circle.fill", DarkroomTheme::prominentButtonStyle(DarkroomTheme::TextSize::label,
                                                                               QFont::Medium, 4, QStringLiteral("3px")));
    newRecipe_->setObjectName(QStringLiteral("newRecipe"));
    connect(newRecipe_, &QPushButton::clicked, this, [this] { vm_.setIsShowingSavePresetSheet(true); });
    revealRecipes_ = new QPushButton(symbolIcon("folder"), {});
    revealRecipes_->setObjectName(QStringLiteral("revealRecipes"));
    revealRecipes_->setFocusPolicy(Qt::NoFocus);
    connect(revealRecipes_, &QPushButton::clicked, this, [this] { vm_.revealPresetsFolder(); });
    header->addWidget(newRecipe_, 1);
    header->addWidget(revealRecipes_);
    column->addLayout(header);

    recipes_ = new RecipeList(vm_, std::move(dialogs), vm_.panelFolders());
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
    const QString plain = DarkroomTheme::borderedButtonStyle(DarkroomTheme::TextSize::label);

    // Labels alone, then on two lines, then icons alone, when the two do not fit side by side.
    copyPaste_ = new IconFallbackRow(IconFallbackRow::Widths::equal, 8);
    copyPaste_->setIconsGiveWayFirst(true);
    copyPaste_->setLabelsMayWrap(true);
    copy_ = new QPushButton(symbolIcon("doc.on.doc"), {});
    paste_ = new QPushButton(symbolIcon("doc.on.clipboard"), {});
    for (QPushButton* button : {copy_, paste_}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setStyleSheet(plain);
        copyPaste_->addButton(button);
    }
    copy_->setObjectName(QStringLiteral("copyParams"));
    paste_->setObjectName(QStringLiteral("pasteParams"));
    connect(copy_, &QPushButton::clicked, this, [this] { vm_.copyParameters(); });
    connect(paste_, &QPushButton::clicked, this, [this] { vm_.pasteParameters(); });
    column->addWidget(copyPaste_);

    batchExport_ = wide("square.and.arrow.up.on.square.fill",
                        DarkroomTheme::prominentButtonStyle(DarkroomTheme::TextSize::label, QFont::Bold, 4,
                                                            QStringLiteral("3px")));
    batchExport_->setObjectName(QStringLiteral("batchExport"));
    connect(batchExport_, &QPushButton::clicked, this, [this] { vm_.presentExportDialog(); });
    column->addWidget(batchExport_);

    sync_ = wide("square.and.arrow.down.on.square",
                 DarkroomTheme::borderedButtonStyle(DarkroomTheme::TextSize::label, QFont::Medium));
    sync_->setObjectName(QStringLiteral("syncRoll"));
    connect(sync_, &QPushButton::clicked, this, [this] { vm_.presentBatchSyncSheet(); });
    column->addWidget(sync_);

    // The selection links wrap onto a second line rather than widen the column.
    auto* selection = new LinkRow;
    selectAll_ = link("selectAll");
    invert_ = link("invertSelection");
    clear_ = link("clearSelection");
    connect(selectAll_, &QPushButton::clicked, this, [this] { vm_.checkAllPhotos(); });
    connect(invert_, &QPushButton::clicked, this, [this] { vm_.invertCheckedPhotos(); });
    connect(clear_, &QPushButton::clicked, this, [this] { vm_.uncheckAllPhotos(); });
    for (QPushButton* button : {selectAll_, invert_, clear_}) selection->addLink(button);
    column->addWidget(selection);

    reset_ = link("resetToMaster");
    reset_->setIcon(symbolIcon("arrow.counterclockwise"));
    reset_->setStyleSheet(DarkroomTheme::linkStyle(DarkroomTheme::TextSize::label));
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
    presetsTab_->setFullText(localized("sidebar.filmRecipes"));
    snapshotsTab_->setFullText(localized("sidebar.snapshots"));
    newRecipe_->setFullText(localized("sidebar.newRecipe"));
    newRecipe_->setHelp(localized("sidebar.newRecipe"));
    revealRecipes_->setToolTip(localized("preset.revealInFinder"));
    recipes_->refresh();
    snapshots_->refresh();

    copyPaste_->setLabel(copy_, localized("sidebar.copyParams"), localized("sidebar.copyParams"));
    copyPaste_->setLabel(paste_, localized("sidebar.pasteParams"), localized("sidebar.pasteParams"));
    const int checked = int(vm_.checkedPhotoIDs().size());
    const int frames = int(vm_.photos().size());
    batchExport_->setVisible(checked > 0);
    batchExport_->setFullText(localized("nav.batchExport", checked));
    batchExport_->setHelp(localized("nav.batchExport", checked));
    sync_->setFullText(localized("sidebar.syncRoll"));
    sync_->setHelp(localized("sidebar.syncRoll"));
    sync_->setEnabled(frames >= 2);
    selectAll_->setFullText(localized("sidebar.selectAll", frames));
    selectAll_->setEnabled(frames > 0);
    invert_->setFullText(localized("sidebar.invertSelection"));
    invert_->setEnabled(frames > 0);
    clear_->setFullText(localized("sidebar.clearSelection"));
    clear_->setVisible(checked > 0);
    reset_->setFullText(localized("sidebar.resetToMaster"));
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
