#pragma once
// MainWindow: the application's one window. It owns the window's view model
// and lays out the top bar, the work area (sidebar 240 | canvas area |
// inspector 320), the culling bar and the filmstrip; it presents the three
// sheets as window-modal dialogs while their flags are set, the export alert
// while there is a message, and the batch-export overlay while a batch runs.
// Every change the view model announces is answered by one refresh of every
// child view on the next turn of the event loop, however many changes came.
//
// Closing the window ends its sheets and dialogs, cancels a running batch export
// and saves the frame's recipe, culling data and snapshots before it goes. While
// a batch export runs, or when some edits could be saved nowhere, it first asks
// (a window-modal question) whether to stop the export or discard the edits,
// unless told not to ask (signals, programs). Every dialog of the window carries
// the Quit command, so Ctrl+Q works while one is open.
#include <functional>
#include <memory>
#include <vector>

#include <QDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>

#include "app/ApplicationMenus.h"
#include "app/CommandFilePoller.h"
#include "model/EditParameters.h"
#include "services/QtStandardTexts.h"
#include "viewmodel/DarkroomViewModel.h"

class QDialog;
class QLabel;
class QMessageBox;
class QPushButton;

namespace vantrel {

class BatchExportOverlay;
class CanvasArea;
class AdjustmentsColumn;
class Sidebar;
class TopBar;
class DarkroomViewModel;
class FittingLabel;
class LocalizationManager;
class ProSlider;
class RefreshableView;
class WindowFileDialogs;

class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kDefaultWidth = 1300;
    static constexpr int kDefaultHeight = 840;
    static constexpr int kMinimumWidth = 1080;
    static constexpr int kMinimumHeight = 720;
    static constexpr int kSidebarWidth = 240;
    static constexpr int kInspectorWidth = 320;

    // Without a view model the window makes one over the application's
    // services; `quit` runs for the Quit item (default: quitApplication()).
    explicit MainWindow(std::unique_ptr<DarkroomViewModel> viewModel = nullptr,
                        LocalizationManager* localization = nullptr, std::function<void()> quit = {});
    ~MainWindow() override;

    DarkroomViewModel& viewModel() { return *vm_; }
    const ApplicationMenus::Menus& menus() const { return menus_; }

    // The automation channel: polls `locations` every 0.25 s from now on
    // (the first showing of the window starts it with the default locations).
    void startCommandFilePolling(std::vector<std::filesystem::path> locations = CommandFilePoller::defaultLocations());
    CommandFilePoller* commandFilePoller() const { return poller_.get(); }
    void handleAutomationAction(const QString& action);

    // Ends every sheet and the alert, clearing their flags.
    void dismissSheets();
    // Every way out: sheets ended, a batch export cancelled, everything saved.
    void prepareToQuit();
    // Whether closing asks before stopping a batch export or discarding edits
    // that could be saved nowhere (default: yes).
    void setAskBeforeDiscarding(bool ask) { askBeforeDiscarding_ = ask; }
    // The questions asked then, while they are shown.
    QMessageBox* discardQuestion() const { return discardQuestion_; }
    QMessageBox* stopExportQuestion() const { return stopExportQuestion_; }

    // The coalesced refresh, and the same at once (tests).
    void scheduleRefresh();
    void refreshNow();

    QDialog* batchSyncSheet() const { return batchSyncSheet_; }
    QDialog* exportSheet() const { return exportSheet_; }
    QDialog* savePresetSheet() const { return savePresetSheet_; }
    QMessageBox* exportAlert() const { return alert_; }
    BatchExportOverlay* batchExportOverlay() const { return overlay_; }
    QWidget* sidebar() const { return sidebar_; }
    QWidget* canvasArea() const { return canvasArea_; }
    QWidget* inspector() const { return inspector_; }
    const std::vector<ProSlider*>& sliders() const;
    TopBar* topBar() const { return topBar_; }
    Sidebar* sidebarView() const { return sidebarView_; }
    CanvasArea* canvasAreaView() const { return canvasView_; }
    AdjustmentsColumn* inspectorView() const { return inspectorColumn_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    QWidget* buildInspector();
    QDialog* makeBatchSyncSheet();
    QDialog* makeExportSheet();
    QDialog* makeSavePresetSheet();
    void syncSheet(QPointer<QDialog>& sheet, bool shown, QDialog* (MainWindow::*make)(), void (*dismissed)(DarkroomViewModel&));
    void syncAlert();
    void placeOverlay();
    // A window-modal question in `slot` (raised when already asked): `confirmed`
    // runs when its confirming button is pressed; the other one, Escape's and
    // the default, keeps things as they are.
    struct Question {
        const char* name;
        const char* title;
        const char* confirm;
        const char* confirmName;
        const char* keep;
        const char* keepName;
        const char* detail = nullptr;  // a line under the question, if any
    };
    void ask(QPointer<QMessageBox>& slot, const Question& question, const QString& text,
             std::function<void()> confirmed);
    void endQuestion(QPointer<QMessageBox>& slot);
    void askToDiscard();
    void askToStopExport();
    QString stopExportText() const;

    std::shared_ptr<WindowFileDialogs> dialogs_;
    std::unique_ptr<DarkroomViewModel> vm_;
    LocalizationManager& localization_;
    // Qt's own dialogs (file panels, alert buttons) in the window's language.
    QtStandardTexts qtTexts_;
    std::function<void()> quit_;
    ApplicationMenus::Menus menus_;
    std::unique_ptr<CommandFilePoller> poller_;
    bool refreshPending_ = false;
    bool quitting_ = false;
    bool askBeforeDiscarding_ = true;
    bool discardConfirmed_ = false;

    std::vector<RefreshableView*> views_;
    TopBar* topBar_ = nullptr;
    AdjustmentsColumn* inspectorColumn_ = nullptr;
    Sidebar* sidebarView_ = nullptr;
    CanvasArea* canvasView_ = nullptr;
    QWidget* sidebar_ = nullptr;
    QWidget* canvasArea_ = nullptr;
    QWidget* inspector_ = nullptr;
    FittingLabel* status_ = nullptr;
    BatchExportOverlay* overlay_ = nullptr;
    QPointer<QDialog> batchSyncSheet_;
    QPointer<QDialog> exportSheet_;
    QPointer<QDialog> savePresetSheet_;
    QPointer<QMessageBox> alert_;
    QPointer<QMessageBox> discardQuestion_;
    QPointer<QMessageBox> stopExportQuestion_;
};

// Ends every main window (each saves) and then the application's event loop.
// With `askAboutUnsaved`, a window running a batch export or holding edits that
// could be saved nowhere asks first and the application goes on while it asks;
// signals and programs pass false: a batch is stopped, what can be saved is
// saved, and the application ends.
void quitApplication(bool askAboutUnsaved = true);

}  // namespace vantrel
