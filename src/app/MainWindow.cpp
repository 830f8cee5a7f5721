#include "app/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include "app/AutomationActions.h"
#include "app/BatchExportOverlay.h"
#include "views/kit/DarkroomTheme.h"
#include "views/kit/StandardColors.h"
#include "views/kit/FittingText.h"
#include "app/CanvasArea.h"
#include "views/kit/Icons.h"
#include "views/kit/LayoutCheck.h"
#include "views/kit/Layouts.h"
#include "app/AdjustmentsColumn.h"
#include "app/Shortcuts.h"
#include "app/Sidebar.h"
#include "app/TopBar.h"
#include "views/kit/ProSlider.h"
#include "app/WindowFileDialogs.h"
#include "views/canvas/FilmstripView.h"
#include "services/L10n.h"
#include "services/LocalizationManager.h"
#include "viewmodel/DarkroomViewModel.h"
#include "views/workflow/BatchSyncDialog.h"
#include "views/workflow/CullingControlBar.h"
#include "views/workflow/ExportSettingsDialog.h"
#include "views/workflow/SavePresetSheet.h"
#include "views/workflow/SnapshotListView.h"

namespace vantrel {

namespace {

QWidget* filled(QWidget* widget, const QColor& colour) {
    widget->setAutoFillBackground(true);
    setPaletteColour(*widget, QPalette::Window, colour);
    return widget;
}

QWidget* separatorLine(Qt::Orientation orientation) {
    auto* line = filled(new QWidget, DarkroomTheme::separator());
    if (orientation == Qt::Horizontal)
        line->setFixedHeight(1);
    else
        line->setFixedWidth(1);
    return line;
}

// What the filmstrip's cells show of the view model's entries.
std::vector<FilmstripCell> filmstripCells(const std::vector<FilmstripItem>& items) {
    std::vector<FilmstripCell> cells;
    cells.reserve(items.size());
    for (const FilmstripItem& item : items)
        cells.push_back({item.id, item.title, item.thumbnail, item.is16Bit, item.hasEdits, item.rating,
                         item.colorLabel, item.pickStatus});
    return cells;
}

}  // namespace

MainWindow::MainWindow(std::unique_ptr<DarkroomViewModel> viewModel, LocalizationManager* localization,
                       std::function<void()> quit)
    : dialogs_(std::make_shared<WindowFileDialogs>()),
      localization_(localization ? *localization : LocalizationManager::shared()),
      quit_(quit ? std::move(quit) : std::function<void()>([] { quitApplication(); })) {
    dialogs_->setWindow(this);
    vm_ = viewModel ? std::move(viewModel) : std::make_unique<DarkroomViewModel>(applicationServices(dialogs_));
    setWindowTitle(QStringLiteral("Vantrel"));
    resize(kDefaultWidth, kDefaultHeight);
    setMinimumSize(kMinimumWidth, kMinimumHeight);

    auto* root = filled(new QWidget, DarkroomTheme::windowBackground());
    auto* rows = flatColumn(0, root);
    topBar_ = new TopBar(*vm_, localization_);
    views_.push_back(topBar_);
    rows->addWidget(topBar_);
    rows->addWidget(separatorLine(Qt::Horizontal));

    auto* work = flatRow(0);
    // The recipe list asks the view model's panels, which are ours unless it came with its own.
    auto* sidebar = new Sidebar(*vm_, vm_->fileDialogs() ? vm_->fileDialogs() : dialogs_);
    filled(sidebar, DarkroomTheme::panelBackground());
    sidebar->setFixedWidth(kSidebarWidth);
    views_.push_back(sidebar);
    sidebar_ = sidebarView_ = sidebar;
    work->addWidget(sidebar_);
    work->addWidget(separatorLine(Qt::Vertical));
    auto* canvas = new CanvasArea(*vm_);
    views_.push_back(canvas);
    canvasArea_ = canvasView_ = canvas;
    work->addWidget(canvasArea_, 1);
    work->addWidget(separatorLine(Qt::Vertical));
    work->addWidget(buildInspector());
    rows->addLayout(work, 1);

    auto* culling = new CullingControlBar([this] {
        const PhotoCullingRecord record = vm_->selectedCullingRecord();
        return CullingControlBar::State{record.rating,         record.colorLabel,          record.pickStatus,
                                        vm_->cullingFilter(), int(vm_->photos().size()), int(vm_->filmstripItems().size())};
    });
    connect(culling, &CullingControlBar::ratingRequested, this, [this](int rating) { vm_->setRating(rating); });
    connect(culling, &CullingControlBar::colorLabelRequested, this, [this](ColorLabel label) { vm_->setColorLabel(label); });
    connect(culling, &CullingControlBar::pickStatusRequested, this, [this](PickStatus status) { vm_->setFlag(status); });
    connect(culling, &CullingControlBar::filterRequested, this,
            [this](const CullingFilterCriteria& filter) { vm_->setCullingFilter(filter); });
    views_.push_back(culling);
    // A long message takes more lines rather than hide its end: many ask for an action.
    status_ = new FittingLabel;
    status_->setObjectName(QStringLiteral("statusLine"));
    status_->setWrapsWhole();
    requireWholeText(*status_);
    status_->setStyleSheet(DarkroomTheme::colorStyle(standardColor(StandardColor::SecondaryText)) + QStringLiteral(" padding: 0 12px;"));
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    // What it names (a file, a folder that could not be shown) can be selected and copied.
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    filled(status_, DarkroomTheme::windowBackground());
    auto* cullingRow = flatRow(0);
    // The bar keeps the width its controls need; the status line takes the rest.
    cullingRow->addWidget(culling);
    cullingRow->addWidget(status_, 1);
    rows->addLayout(cullingRow);

    auto* filmstrip = new FilmstripView([this] { return filmstripCells(vm_->filmstripItems()); },
                                        [this] { return vm_->selectedPhotoID(); },
                                        [this] { return vm_->checkedPhotoIDs(); });
    connect(filmstrip, &FilmstripView::selectRequested, this, [this](const Uuid& id) { vm_->selectPhoto(id); });
    connect(filmstrip, &FilmstripView::toggleCheckRequested, this, [this](const Uuid& id) { vm_->toggleChecked(id); });
    views_.push_back(filmstrip);
    rows->addWidget(filmstrip);
    setCentralWidget(root);

    overlay_ = new BatchExportOverlay(
        [this] {
            return BatchExportOverlay::Progress{vm_->batchExportCurrentItem(), vm_->batchExportProgress(),
                                                vm_->batchExportCompletedCount(), vm_->batchExportTotalCount()};
        },
        [this] { vm_->cancelBatchExport(); }, root);
    overlay_->hide();
    root->installEventFilter(this);

    // A frame chosen by key is brought into the strip's view; a click never scrolls it.
    Shortcuts::install(*this, *vm_, [filmstrip] { filmstrip->revealSelection(); });
    menus_ = ApplicationMenus::install(*this, localization_, [this] { quit_(); });

    connect(vm_.get(), &DarkroomViewModel::stateChanged, this, &MainWindow::scheduleRefresh);
    connect(&localization_, &LocalizationManager::changed, this, &MainWindow::scheduleRefresh);
    qtTexts_.follow(localization_.currentLanguage());
    connect(&localization_, &LocalizationManager::languageChanged, this,
            [this](AppLanguage language) { qtTexts_.follow(language); });
    refreshNow();
}

MainWindow::~MainWindow() {
    // The views read the view model through callbacks: they go first.
    delete takeCentralWidget();
}

// ---------------------------------------------------------------- layout

QWidget* MainWindow::buildInspector() {
    inspectorColumn_ = new AdjustmentsColumn(*vm_);
    filled(inspectorColumn_, DarkroomTheme::panelBackground());
    views_.push_back(inspectorColumn_);
    auto* scroll = new QScrollArea;
    scroll->setWidget(inspectorColumn_);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFixedWidth(kInspectorWidth);
    filled(scroll, DarkroomTheme::panelBackground());
    inspector_ = scroll;
    return scroll;
}

// ---------------------------------------------------------------- sheets

QDialog* MainWindow::makeBatchSyncSheet() {
    auto* sheet = new BatchSyncDialog(
        vm_->binding(&DarkroomViewModel::batchSyncOptions, &DarkroomViewModel::setBatchSyncOptions),
        [this] {
            const LoadedPhoto* source = vm_->selectedPhoto();
            return source ? source->title() : L10n::tr("sync.currentFilm");
        },
        [this] { return int(vm_->syncTargetPhotos().size()); }, this);
    connect(sheet, &WorkflowSheet::cancelled, this, [this] { vm_->setIsShowingBatchSyncSheet(false); });
    connect(sheet, &BatchSyncDialog::syncRequested, this, [this] { vm_->syncRecipeToRoll(); });
    return sheet;
}

QDialog* MainWindow::makeExportSheet() {
    // The frames are taken once, when the sheet is made; it exports exactly those.
    auto* sheet = new ExportSettingsDialog(
        vm_->binding(&DarkroomViewModel::exportSettings, &DarkroomViewModel::setExportSettings),
        vm_->exportTargetPhotos(), this);
    connect(sheet, &WorkflowSheet::cancelled, this, [this] { vm_->setIsShowingExportDialog(false); });
    connect(sheet, &ExportSettingsDialog::exportRequested, this,
            [this](const ExportSettings& chosen, const std::vector<LoadedPhoto>& listed) {
                // Copies of our own: the sheet is closed, and may be deleted, while a panel runs.
                std::vector<LoadedPhoto> frames = listed;
                const ExportSettings settings = chosen;
                if (frames.size() >= 2)
                    vm_->startBatchExport(std::move(frames), settings);
                else if (frames.size() == 1)
                    vm_->exportPhoto(std::move(frames.front()), settings);
            });
    return sheet;
}

QDialog* MainWindow::makeSavePresetSheet() {
    return new SavePresetSheet(
        vm_->binding(&DarkroomViewModel::isShowingSavePresetSheet, &DarkroomViewModel::setIsShowingSavePresetSheet),
        vm_->parameters(),
        [this](const std::string& name, const std::string& subtitle, bool includeFrame) {
            return vm_->saveCustomPreset(name, subtitle, includeFrame);
        },
        this);
}

void MainWindow::syncSheet(QPointer<QDialog>& sheet, bool shown, QDialog* (MainWindow::*make)(),
                           void (*dismissed)(DarkroomViewModel&)) {
    if (shown && !sheet) {
        sheet = (this->*make)();
        sheet->setWindowModality(Qt::WindowModal);
        // Closed by the user (Escape, the close button): the flag follows.
        connect(sheet, &QDialog::finished, this, [this, dismissed] { dismissed(*vm_); });
        sheet->show();
    } else if (!shown && sheet) {
        QDialog* ending = sheet;
        sheet = nullptr;
        ending->disconnect(this);
        ending->hide();
        ending->deleteLater();
    }
}

void MainWindow::syncAlert() {
    const std::optional<LocalText>& message = vm_->exportAlertMessage();
    // A long path or file name folds onto more lines rather than running past the alert's edge.
    // Kept as its key and arguments, it reads in the language chosen while it is open.
    const auto showMessage = [&] {
        alert_->setIcon(vm_->exportAlertIsWarning() ? QMessageBox::Warning : QMessageBox::Information);
        const QString text = breakableText(QString::fromStdString(message->str()));
        if (alert_->text() != text) alert_->setText(text);
        alert_->setWindowTitle(localized("app.exportAlertTitle"));
        alert_->button(QMessageBox::Ok)->setText(localized("common.ok"));
    };
    if (message && !alert_) {
        alert_ = new QMessageBox(QMessageBox::NoIcon, localized("app.exportAlertTitle"), QString(), QMessageBox::Ok, this);
        alert_->setObjectName(QStringLiteral("exportAlert"));
        alert_->setTextFormat(Qt::PlainText);
        copiesWithoutBreakHints(*alert_);
        showMessage();
        alert_->setWindowModality(Qt::WindowModal);
        connect(alert_, &QMessageBox::finished, this, [this] { vm_->setExportAlertMessage(std::nullopt); });
        alert_->show();
    } else if (message && alert_) {
        showMessage();
    } else if (!message && alert_) {
        QMessageBox* ending = alert_;
        alert_ = nullptr;
        ending->disconnect(this);
        ending->hide();
        ending->deleteLater();
    }
}

void MainWindow::dismissSheets() {
    sidebarView_->snapshotList()->closeCreateDialog();
    vm_->setIsShowingBatchSyncSheet(false);
    vm_->setIsShowingExportDialog(false);
    vm_->setIsShowingSavePresetSheet(false);
    vm_->setExportAlertMessage(std::nullopt);
    refreshNow();
}

void MainWindow::prepareToQuit() {
    dismissSheets();
    // Any other dialog of the window (a file panel, the update notice) ends too; a panel's
    // own event loop returns as cancelled once this turn is over.
    for (QDialog* dialog : findChildren<QDialog*>(Qt::FindDirectChildrenOnly))
        if (dialog->isVisible()) dialog->reject();
    if (vm_->isBatchExporting()) vm_->cancelBatchExport();
    vm_->saveAllOnQuit();
}

// ---------------------------------------------------------------- refresh

void MainWindow::scheduleRefresh() {
    if (refreshPending_) return;
    refreshPending_ = true;
    QTimer::singleShot(0, this, &MainWindow::refreshNow);
}

void MainWindow::refreshNow() {
    refreshPending_ = false;
    status_->setFullText(QString::fromStdString(vm_->statusMessage()));
    status_->setHelp(QString::fromStdString(vm_->status().detail().str()));
    for (RefreshableView* view : views_) view->refresh();

    // While quitting no sheet may open again.
    syncSheet(batchSyncSheet_, vm_->isShowingBatchSyncSheet() && !quitting_, &MainWindow::makeBatchSyncSheet,
              [](DarkroomViewModel& vm) { vm.setIsShowingBatchSyncSheet(false); });
    syncSheet(exportSheet_, vm_->isShowingExportDialog() && !quitting_, &MainWindow::makeExportSheet,
              [](DarkroomViewModel& vm) { vm.setIsShowingExportDialog(false); });
    syncSheet(savePresetSheet_, vm_->isShowingSavePresetSheet() && !quitting_, &MainWindow::makeSavePresetSheet,
              [](DarkroomViewModel& vm) { vm.setIsShowingSavePresetSheet(false); });
    // An open sheet follows the view model too (a new language, a changed count).
    for (QDialog* sheet : {batchSyncSheet_.data(), exportSheet_.data(), savePresetSheet_.data()})
        if (auto* view = dynamic_cast<RefreshableView*>(sheet)) view->refresh();
    syncAlert();
    // The question follows the batch's progress; a batch that ended asks nothing more.
    if (stopExportQuestion_) {
        if (vm_->isBatchExporting())
            stopExportQuestion_->setText(stopExportText());
        else
            endQuestion(stopExportQuestion_);
    }

    overlay_->setVisible(vm_->isBatchExporting());
    if (vm_->isBatchExporting()) {
        placeOverlay();
        overlay_->refresh();
        overlay_->raise();
    }
}

void MainWindow::placeOverlay() { overlay_->setGeometry(centralWidget()->rect()); }

// ---------------------------------------------------------------- events

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        if (watched == centralWidget()) placeOverlay();
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::childEvent(QChildEvent* event) {
    QMainWindow::childEvent(event);
    // A modal dialog blocks the window's menu bar and with it the Quit shortcut:
    // each dialog gets the command itself, once it is complete (polished).
    if (event->polished() && menus_.quit)
        if (auto* dialog = qobject_cast<QDialog*>(event->child())) dialog->addAction(menus_.quit);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!poller_) startCommandFilePolling();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (askBeforeDiscarding_) {
        // A batch under way is stopped only when the user says so.
        if (vm_->isBatchExporting()) {
            event->ignore();
            askToStopExport();
            return;
        }
        // Edits that no place took go with the window: the user says so first.
        if (!discardConfirmed_) {
            vm_->saveAll();
            if (vm_->hasUnsavedEdits()) {
                event->ignore();
                askToDiscard();
                return;
            }
        }
    }
    quitting_ = true;
    endQuestion(discardQuestion_);
    endQuestion(stopExportQuestion_);
    prepareToQuit();
    event->accept();
}

void MainWindow::ask(QPointer<QMessageBox>& slot, const Question& question, const QString& text,
                     std::function<void()> confirmed) {
    if (slot) {
        slot->raise();
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Warning, localized(question.title), text, QMessageBox::NoButton, this);
    box->setObjectName(QString::fromUtf8(question.name));
    if (question.detail) box->setInformativeText(localized(question.detail));
    QPushButton* confirm = box->addButton(localized(question.confirm), QMessageBox::DestructiveRole);
    confirm->setObjectName(QString::fromUtf8(question.confirmName));
    QPushButton* keep = box->addButton(localized(question.keep), QMessageBox::RejectRole);
    keep->setObjectName(QString::fromUtf8(question.keepName));
    box->setDefaultButton(keep);
    box->setEscapeButton(keep);
    box->setWindowModality(Qt::WindowModal);
    connect(box, &QMessageBox::finished, this, [this, &slot, box, confirm, confirmed = std::move(confirmed)] {
        // Ending the question drops this connection: its action is taken out first.
        const std::function<void()> then = box->clickedButton() == confirm ? confirmed : nullptr;
        endQuestion(slot);
        if (then) then();
    });
    slot = box;
    box->open();
}

void MainWindow::endQuestion(QPointer<QMessageBox>& slot) {
    if (!slot) return;
    QMessageBox* ending = slot;
    slot = nullptr;
    ending->disconnect(this);
    ending->hide();
    ending->deleteLater();
}

void MainWindow::askToDiscard() {
    ask(discardQuestion_,
        {.name = "discardQuestion",
         .title = "quit.unsavedTitle",
         .confirm = "quit.discardAndQuit",
         .confirmName = "discardAndQuit",
         .keep = "dialog.cancel",
         .keepName = "keepEditing"},
        localized("quit.unsavedMessage"), [this] {
            discardConfirmed_ = true;
            close();
            quit_();
        });
}

void MainWindow::askToStopExport() {
    ask(stopExportQuestion_,
        {.name = "stopExportQuestion",
         .title = "quit.exportRunningTitle",
         .confirm = "quit.stopExportAndQuit",
         .confirmName = "stopExportAndQuit",
         .keep = "quit.keepExporting",
         .keepName = "keepExporting",
         .detail = "quit.exportRunningDetail"},
        stopExportText(), [this] {
            // What was written stays; the frame in hand is abandoned without a trace when the program ends.
            vm_->cancelBatchExport();
            if (close()) quit_();
        });
}

QString MainWindow::stopExportText() const {
    return QString::fromStdString(
        L10n::tr("quit.exportRunningMessage", vm_->batchExportCompletedCount(), vm_->batchExportTotalCount()));
}

void MainWindow::startCommandFilePolling(std::vector<std::filesystem::path> locations) {
    if (poller_) return;
    poller_ = std::make_unique<CommandFilePoller>(std::move(locations));
    connect(poller_.get(), &CommandFilePoller::actionReceived, this, &MainWindow::handleAutomationAction);
    poller_->start();
}

void MainWindow::handleAutomationAction(const QString& action) {
    performAutomationAction(action.toStdString(), *vm_, localization_);
}

const std::vector<ProSlider*>& MainWindow::sliders() const { return inspectorColumn_->sliders(); }

void quitApplication(bool askAboutUnsaved) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<MainWindow*>(widget);
        if (!window) continue;
        if (!askAboutUnsaved) window->setAskBeforeDiscarding(false);
        if (!window->isVisible())
            window->prepareToQuit();
        else if (!window->close())  // saves on the way out
            return;                 // it asks first; its answer quits
    }
    QCoreApplication::quit();
}

}  // namespace vantrel
