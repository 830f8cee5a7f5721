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
#include "app/DarkroomTheme.h"
#include "app/ProSlider.h"
#include "app/ViewModelStandIns.h"
#include "app/WindowFileDialogs.h"
#include "app/standins/CanvasViews.h"
#include "app/standins/WorkflowViews.h"
#include "services/L10n.h"
#include "services/LocalizationManager.h"
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

namespace {

QString localized(const char* key) { return QString::fromStdString(L10n::tr(key)); }

QWidget* filled(QWidget* widget, const QColor& colour) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
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

QSize imageSizeOf(const DarkroomViewModel& vm) {
    if (const LoadedPhoto* photo = vm.selectedPhoto())
        return {int(photo->dimensions().width), int(photo->dimensions().height)};
    return {2400, 1600};
}

}  // namespace

MainWindow::MainWindow(std::unique_ptr<DarkroomViewModel> viewModel, LocalizationManager* localization,
                       std::function<void()> quit)
    : dialogs_(std::make_shared<WindowFileDialogs>()),
      localization_(localization ? *localization : LocalizationManager::shared()),
      quit_(quit ? std::move(quit) : std::function<void()>(quitApplication)) {
    dialogs_->setWindow(this);
    vm_ = viewModel ? std::move(viewModel) : std::make_unique<DarkroomViewModel>(applicationServices(dialogs_));
    setWindowTitle(QStringLiteral("Vantrel"));
    resize(kDefaultWidth, kDefaultHeight);
    setMinimumSize(kMinimumWidth, kMinimumHeight);

    auto* root = filled(new QWidget, DarkroomTheme::windowBackground());
    auto* rows = new QVBoxLayout(root);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    rows->addWidget(buildTopBar());
    rows->addWidget(separatorLine(Qt::Horizontal));

    auto* work = new QHBoxLayout;
    work->setSpacing(0);
    auto* snapshots = new SnapshotListView([this] { return vm_->snapshots(); },
                                           [this] { return vm_->activeComparisonSnapshotID(); },
                                           [this] { return vm_->parameters(); }, {});
    views_.push_back(snapshots);
    sidebar_ = filled(new QWidget, DarkroomTheme::panelBackground());
    sidebar_->setFixedWidth(kSidebarWidth);
    auto* sidebarColumn = new QVBoxLayout(sidebar_);
    sidebarColumn->setContentsMargins(12, 12, 12, 12);
    sidebarColumn->setSpacing(8);
    sidebarColumn->addWidget(snapshots, 1);
    work->addWidget(sidebar_);
    work->addWidget(separatorLine(Qt::Vertical));
    work->addWidget(buildCanvasArea(), 1);
    work->addWidget(separatorLine(Qt::Vertical));
    work->addWidget(buildInspector());
    rows->addLayout(work, 1);

    auto* culling = new CullingControlBar(
        [this] {
            const PhotoCullingRecord record = vm_->selectedCullingRecord();
            return CullingControlBar::State{record.rating,   record.colorLabel,           record.pickStatus,
                                            vm_->cullingFilter(), int(vm_->photos().size()),
                                            int(vm_->filmstripItems().size())};
        },
        {[this](int rating) { pending::setRating(*vm_, rating); },
         [this](ColorLabel label) { pending::setColorLabel(*vm_, label); },
         [this](PickStatus status) { pending::setFlag(*vm_, status); },
         [this](const CullingFilterCriteria& filter) { pending::setCullingFilter(*vm_, filter); }});
    filled(culling, DarkroomTheme::windowBackground());
    culling->setFixedHeight(34);
    views_.push_back(culling);
    rows->addWidget(culling);

    auto* filmstrip = new FilmstripView([this] { return vm_->filmstripItems(); },
                                        [this] { return vm_->selectedPhotoID(); },
                                        [this] { return vm_->checkedPhotoIDs(); },
                                        [this](const Uuid& id) { vm_->selectPhoto(id); },
                                        [this](const Uuid& id) { pending::toggleChecked(*vm_, id); });
    views_.push_back(filmstrip);
    rows->addWidget(filmstrip);
    setCentralWidget(root);

    overlay_ = new BatchExportOverlay(
        [this] {
            return BatchExportOverlay::Progress{vm_->batchExportCurrentItem(), vm_->batchExportProgress(),
                                                vm_->batchExportCompletedCount(), vm_->batchExportTotalCount()};
        },
        [this] { pending::cancelBatchExport(*vm_); }, root);
    overlay_->hide();
    root->installEventFilter(this);

    menus_ = ApplicationMenus::install(*this, localization_, [this] { quit_(); });

    connect(vm_.get(), &DarkroomViewModel::stateChanged, this, &MainWindow::scheduleRefresh);
    connect(&localization_, &LocalizationManager::changed, this, &MainWindow::scheduleRefresh);
    refreshNow();
}

MainWindow::~MainWindow() {
    // The views read the view model through callbacks: they go first.
    delete takeCentralWidget();
}

// ---------------------------------------------------------------- layout

QWidget* MainWindow::buildTopBar() {
    auto* bar = filled(new QWidget, DarkroomTheme::windowBackground());
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(16, 8, 16, 8);
    row->setSpacing(12);
    auto* name = new QLabel(QStringLiteral("Vantrel"));
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(13);
    name->setFont(bold);
    openFolder_ = new QPushButton;
    connect(openFolder_, &QPushButton::clicked, this, [this] { vm_->openFolder(); });
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("statusLine"));
    status_->setStyleSheet(QStringLiteral("color: #969696;"));
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    export_ = new QPushButton;
    connect(export_, &QPushButton::clicked, this, [this] { pending::presentExportDialog(*vm_); });
    row->addWidget(name);
    row->addWidget(openFolder_);
    row->addWidget(status_, 1);
    row->addWidget(export_);
    return bar;
}

QWidget* MainWindow::buildCanvasArea() {
    canvasArea_ = filled(new QWidget, DarkroomTheme::raisedBackground());
    canvasArea_->setObjectName(QStringLiteral("canvasArea"));
    auto* compare = new SplitCompareView(
        [this] {
            if (vm_->activeComparisonSnapshotID() && !vm_->snapshotComparisonPreview().isNull())
                return vm_->snapshotComparisonPreview();
            return vm_->originalPreview();
        },
        [this] { return vm_->renderedPreview(); }, vm_->binding(&DarkroomViewModel::isHoldingOriginal,
                                                                &DarkroomViewModel::setIsHoldingOriginal),
        vm_->binding(&DarkroomViewModel::compareMode, &DarkroomViewModel::setCompareMode),
        [] { return QStringLiteral("BEFORE"); }, [] { return QStringLiteral("AFTER"); }, false);
    auto* canvas = new ZoomPanCanvasView(vm_->binding(&DarkroomViewModel::zoomScale, &DarkroomViewModel::setZoomScale),
                                         vm_->binding(&DarkroomViewModel::panOffset, &DarkroomViewModel::setPanOffset),
                                         [this] { return imageSizeOf(*vm_); }, true, compare);
    views_.push_back(canvas);
    auto* layout = new QVBoxLayout(canvasArea_);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(canvas);
    canvas->installEventFilter(this);
    return canvasArea_;
}

QWidget* MainWindow::buildInspector() {
    auto* content = filled(new QWidget, DarkroomTheme::panelBackground());
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(14);
    auto* histogram = new HistogramWaveformView([this] { return vm_->histogramData(); });
    views_.push_back(histogram);
    column->addWidget(histogram);
    addSlider(column, "inspector.exposure", &EditParameters::exposure, -2, 2, 0, 0.01, "%.2f", "EV");
    addSlider(column, "inspector.contrast", &EditParameters::contrast, 0.5, 2, 1, 0.01, "%.2f", "");
    addSlider(column, "inspector.temp", &EditParameters::temperature, 2500, 9500, 6500, 50, "%.0f", "K");
    addSlider(column, "inspector.tint", &EditParameters::tint, -100, 100, 0, 1, "%.0f", "");
    addSlider(column, "inspector.saturation", &EditParameters::saturation, 0, 2, 1, 0.01, "%.2f", "");
    column->addStretch(1);

    auto* scroll = new QScrollArea;
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFixedWidth(kInspectorWidth);
    filled(scroll, DarkroomTheme::panelBackground());
    inspector_ = scroll;
    return scroll;
}

void MainWindow::addSlider(QLayout* layout, const char* key, double EditParameters::*field, double lower,
                           double upper, double defaultValue, double step, const char* format, const char* unit) {
    // Each change of the bound value asks for a preview; the slider reports no gestures.
    Binding<double> value([this, field] { return vm_->parameters().*field; },
                          [this, field](const double& v) {
                              if (vm_->parameters().*field == v) return;
                              EditParameters recipe = vm_->parameters();
                              recipe.*field = v;
                              vm_->setParameters(std::move(recipe));
                              vm_->requestRender(false);
                          });
    auto* slider = new ProSlider(localized(key), std::move(value), {lower, upper}, defaultValue, step,
                                 QString::fromUtf8(format), QString::fromUtf8(unit));
    slider->setObjectName(QString::fromUtf8(key));
    layout->addWidget(slider);
    sliders_.push_back(slider);
    sliderKeys_.emplace_back(slider, key);
}

// ---------------------------------------------------------------- sheets

QDialog* MainWindow::makeBatchSyncSheet() {
    const LoadedPhoto* source = vm_->selectedPhoto();
    return new BatchSyncDialog(vm_->binding(&DarkroomViewModel::batchSyncOptions, &DarkroomViewModel::setBatchSyncOptions),
                               source ? source->title() : L10n::tr("sync.currentFilm"),
                               int(pending::syncTargetPhotos(*vm_).size()),
                               [this] { vm_->setIsShowingBatchSyncSheet(false); },
                               [this] { pending::syncRecipeToRoll(*vm_); }, this);
}

QDialog* MainWindow::makeExportSheet() {
    std::vector<LoadedPhoto> targets = pending::exportTargetPhotos(*vm_);
    return new ExportSettingsDialog(
        vm_->binding(&DarkroomViewModel::exportSettings, &DarkroomViewModel::setExportSettings), targets,
        [this] { vm_->setIsShowingExportDialog(false); },
        [this, targets](const ExportSettings& settings) {
            if (targets.size() >= 2)
                pending::startBatchExport(*vm_, targets, settings);
            else if (targets.size() == 1)
                pending::exportCurrentPhoto(*vm_, settings, dialogs_.get());
        },
        this);
}

QDialog* MainWindow::makeSavePresetSheet() {
    return new SavePresetSheet(
        vm_->binding(&DarkroomViewModel::isShowingSavePresetSheet, &DarkroomViewModel::setIsShowingSavePresetSheet),
        vm_->parameters(),
        [this](const std::string& name, const std::string& subtitle, bool includeFrame) {
            pending::saveCustomPreset(*vm_, name, subtitle, includeFrame);
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
    const std::optional<std::string>& message = vm_->exportAlertMessage();
    if (message && !alert_) {
        alert_ = new QMessageBox(QMessageBox::Information, localized("app.exportAlertTitle"), QString::fromStdString(*message),
                                 QMessageBox::Ok, this);
        alert_->setObjectName(QStringLiteral("exportAlert"));
        alert_->button(QMessageBox::Ok)->setText(localized("common.ok"));
        alert_->setWindowModality(Qt::WindowModal);
        connect(alert_, &QMessageBox::finished, this, [this] { vm_->setExportAlertMessage(std::nullopt); });
        alert_->show();
    } else if (message && alert_) {
        alert_->setText(QString::fromStdString(*message));
    } else if (!message && alert_) {
        QMessageBox* ending = alert_;
        alert_ = nullptr;
        ending->disconnect(this);
        ending->hide();
        ending->deleteLater();
    }
}

void MainWindow::dismissSheets() {
    vm_->setIsShowingBatchSyncSheet(false);
    vm_->setIsShowingExportDialog(false);
    vm_->setIsShowingSavePresetSheet(false);
    vm_->setExportAlertMessage(std::nullopt);
    refreshNow();
}

void MainWindow::prepareToQuit() {
    dismissSheets();
    if (vm_->isBatchExporting()) pending::cancelBatchExport(*vm_);
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
    openFolder_->setText(localized("nav.openFolder"));
    export_->setText(localized("nav.exportPhoto"));
    export_->setEnabled(vm_->selectedPhoto() != nullptr);
    status_->setText(QString::fromStdString(vm_->statusMessage()));
    for (auto& [slider, key] : sliderKeys_) slider->setTitle(localized(key));
    for (ProSlider* slider : sliders_) slider->refresh();
    for (RefreshableView* view : views_) view->refresh();

    // While quitting no sheet may open again.
    syncSheet(batchSyncSheet_, vm_->isShowingBatchSyncSheet() && !quitting_, &MainWindow::makeBatchSyncSheet,
              [](DarkroomViewModel& vm) { vm.setIsShowingBatchSyncSheet(false); });
    syncSheet(exportSheet_, vm_->isShowingExportDialog() && !quitting_, &MainWindow::makeExportSheet,
              [](DarkroomViewModel& vm) { vm.setIsShowingExportDialog(false); });
    syncSheet(savePresetSheet_, vm_->isShowingSavePresetSheet() && !quitting_, &MainWindow::makeSavePresetSheet,
              [](DarkroomViewModel& vm) { vm.setIsShowingSavePresetSheet(false); });
    syncAlert();

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
        if (watched != centralWidget()) vm_->setCanvasViewportSize(QSizeF(static_cast<QWidget*>(watched)->size()));
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!poller_) startCommandFilePolling();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    quitting_ = true;
    prepareToQuit();
    event->accept();
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

void quitApplication() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<MainWindow*>(widget);
        if (!window) continue;
        if (window->isVisible())
            window->close();  // saves on the way out
        else
            window->prepareToQuit();
    }
    QCoreApplication::quit();
}

}  // namespace vantrel
