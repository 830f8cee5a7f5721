// Export of one frame to a chosen file and of a list of frames into a folder.
#include <exception>
#include <iostream>
#include <system_error>

#include <QMetaObject>
#include <QTimer>

#include "services/L10n.h"
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

// One batch: its frames, where they go, and how far it has come. Only the GUI
// thread touches it.
struct DarkroomViewModel::BatchExportRun {
    std::uint64_t generation = 0;
    std::vector<LoadedPhoto> photos;
    std::filesystem::path folder;
    ExportSettings settings;
    std::size_t index = 0;
    int succeeded = 0;
    int failed = 0;
    bool cancelled = false;
};

namespace {

// The title without its last extension: "roll.tif" -> "roll"; a title without
// a dot, or ending in one, stays whole.
std::string baseName(const std::string& title) {
    const std::size_t dot = title.rfind('.');
    if (dot == std::string::npos || dot + 1 == title.size()) return title;
    return title.substr(0, dot);
}

// Anything at the path, a dangling link included, takes the name.
bool isTaken(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

// Runs the export and hands back the failure's description, if any.
std::optional<std::string> runExport(ExportService& exporter, const LoadedPhoto& photo, const EditParameters& recipe,
                                     const ExportSettings& settings, const std::optional<Image>& mask,
                                     const std::filesystem::path& destination, std::stop_token stop) {
    try {
        exporter.exportImage(photo, recipe, settings, mask, destination, std::move(stop));
        return std::nullopt;
    } catch (const std::exception& error) {
        return std::string(error.what());
    } catch (...) {
        return std::string("unknown error");
    }
}

}  // namespace

std::string DarkroomViewModel::proposedExportName(const std::string& title, ExportFormat format) {
    return baseName(title) + "_Developed." + std::string(fileExtension(format));
}

std::filesystem::path DarkroomViewModel::freeExportDestination(const std::filesystem::path& folder,
                                                               const std::string& title, ExportFormat format) const {
    const std::string base = baseName(title);
    const std::string extension(fileExtension(format));
    std::filesystem::path candidate = folder / (base + "_Developed." + extension);
    for (int n = 1; isTaken(candidate) || exportDestinationsInFlight_.contains(candidate); ++n)
        candidate = folder / (base + "_Developed (" + std::to_string(n) + ")." + extension);
    return candidate;
}

void DarkroomViewModel::presentExportDialog() { setIsShowingExportDialog(true); }

EditParameters DarkroomViewModel::recipeForExport(const LoadedPhoto& photo) const {
    const Uuid id = frameID(photo);
    if (selectedPhotoID_ == id) return parameters_;
    if (const auto kept = inMemoryRecipes_.find(id); kept != inMemoryRecipes_.end()) return kept->second;
    return services_.store->loadRecipe(FrameKey::of(photo)).value_or(EditParameters::defaultValue());
}

// ---------------------------------------------------------------- single export

void DarkroomViewModel::exportCurrentPhoto(ExportSettings settings) {
    // The export dialog lists one checked frame as its target even when another
    // frame is shown: that checked frame is the one written.
    const LoadedPhoto* photo = selectedPhoto();
    if (checkedPhotoIDs_.size() == 1) {
        if (const LoadedPhoto* checked = photoWithID(*checkedPhotoIDs_.begin())) photo = checked;
    }
    if (!photo) return;
    exportPhoto(*photo, settings);
}

void DarkroomViewModel::exportPhoto(LoadedPhoto photo, ExportSettings settings) {
    // Both arguments are copies: the panel below runs an event loop in which
    // the caller's list (a dialog's) may go.
    setIsShowingExportDialog(false);
    if (!services_.dialogs || !services_.exporter) return;
    const std::string format = displayName(settings.format);
    const std::optional<std::filesystem::path> destination = services_.dialogs->chooseSaveLocation(
        L10n::tr("status.exportPanelTitle", format), proposedExportName(photo.title(), settings.format));
    if (!destination || destination->empty()) return;

    ++singleExportsRunning_;
    setIsExporting(true);
    setStatusMessage(L10n::tr("status.exportingProgress", format));

    const EditParameters recipe = recipeForExport(photo);
    std::optional<Image> mask;
    if (const auto cached = subjectMaskCache_.find(frameID(photo)); cached != subjectMaskCache_.end())
        mask = cached->second;
    editPool_.start([this, exporter = services_.exporter, target = std::move(photo), recipe, settings, mask,
                     destination = *destination, stop = editShutdown_.get_token()] {
        const std::optional<std::string> error = runExport(*exporter, target, recipe, settings, mask, destination, stop);
        // Queued to the GUI thread; the destructor waits for this pool, so `this` is alive.
        QMetaObject::invokeMethod(
            this, [this, destination, error] { finishSingleExport(destination, error); }, Qt::QueuedConnection);
    });
}

void DarkroomViewModel::finishSingleExport(const std::filesystem::path& destination,
                                           const std::optional<std::string>& error) {
    // Several single exports may run at once: the flag stays up until the last one ends.
    if (--singleExportsRunning_ <= 0) {
        singleExportsRunning_ = 0;
        setIsExporting(false);
    }
    if (error) {
        const std::string message = L10n::tr("status.exportFailed", *error);
        setStatusMessage(message);
        setExportAlertMessage(message);
        return;
    }
    setStatusMessage(L10n::tr("status.exportSuccess", destination.filename().string()));
    setExportAlertMessage(L10n::tr("status.exportSuccessAlert", destination.string()));
}

// ---------------------------------------------------------------- batch export

void DarkroomViewModel::startBatchExport(std::vector<LoadedPhoto> photos, ExportSettings settings) {
    if (photos.empty()) return;
    setIsShowingExportDialog(false);
    if (!services_.dialogs) return;
    const std::optional<std::filesystem::path> folder =
        services_.dialogs->chooseDestinationFolder(L10n::tr("status.batchExportFolderTitle", int(photos.size())),
                                                   L10n::tr("status.batchExportFolderPrompt"));
    if (!folder || folder->empty()) return;
    beginBatchExport(std::move(photos), *folder, std::move(settings));
}

void DarkroomViewModel::beginBatchExport(std::vector<LoadedPhoto> photos, std::filesystem::path folder,
                                         ExportSettings settings) {
    if (!services_.exporter) return;
    const int total = int(photos.size());
    setIsBatchExporting(true);
    setBatchExportTotalCount(total);
    setBatchExportCompletedCount(0);
    setBatchExportProgress(0);
    setBatchExportCurrentItem(L10n::tr("status.batchPreparingQueue"));
    setStatusMessage(L10n::tr("status.batchExporting", total));

    // A batch already running is let go, not cancelled: its files are still
    // written, but it no longer reports, so it cannot touch this one's state.
    auto run = std::make_shared<BatchExportRun>();
    run->generation = ++batchExportGeneration_;
    run->photos = std::move(photos);
    run->folder = std::move(folder);
    run->settings = std::move(settings);
    batchExportTask_ = run;
    // The first frame starts from the event loop, so a cancel right away stops it.
    QTimer::singleShot(0, this, [this, run] { runBatchFrame(run); });
}

void DarkroomViewModel::runBatchFrame(const std::shared_ptr<BatchExportRun>& run) {
    const bool reports = run->generation == batchExportGeneration_;
    if (run->cancelled || run->index >= run->photos.size()) {
        if (reports) finishBatchExport(run->succeeded, run->failed, run->folder);
        return;
    }

    const LoadedPhoto& photo = run->photos[run->index];
    // Chosen now, so edits made during the batch reach the frames not yet begun.
    const EditParameters recipe = recipeForExport(photo);
    const std::filesystem::path destination = freeExportDestination(run->folder, photo.title(), run->settings.format);
    exportDestinationsInFlight_.insert(destination);
    if (reports) {
        setBatchExportCurrentItem(
            L10n::tr("status.batchRenderingItem", int(run->index) + 1, int(run->photos.size()), photo.title()));
    }
    std::optional<Image> mask;
    if (const auto cached = subjectMaskCache_.find(frameID(photo)); cached != subjectMaskCache_.end())
        mask = cached->second;

    editPool_.start([this, exporter = services_.exporter, run, photo, recipe, mask, destination,
                     stop = editShutdown_.get_token()] {
        const std::optional<std::string> error =
            runExport(*exporter, photo, recipe, run->settings, mask, destination, stop);
        // Queued to the GUI thread; the destructor waits for this pool, so `this` is alive.
        QMetaObject::invokeMethod(
            this, [this, run, destination, error] { finishBatchFrame(run, destination, error); },
            Qt::QueuedConnection);
    });
}

void DarkroomViewModel::finishBatchFrame(const std::shared_ptr<BatchExportRun>& run,
                                         const std::filesystem::path& destination,
                                         const std::optional<std::string>& error) {
    exportDestinationsInFlight_.erase(destination);
    if (error) {
        std::cout << "[BatchExport] Failed to export " << run->photos[run->index].title() << ": " << *error
                  << std::endl;
        ++run->failed;
    } else {
        ++run->succeeded;
    }
    ++run->index;
    if (run->generation == batchExportGeneration_) {
        setBatchExportCompletedCount(run->succeeded + run->failed);
        setBatchExportProgress(double(batchExportCompletedCount_) / double(run->photos.size()));
    }
    runBatchFrame(run);
}

void DarkroomViewModel::finishBatchExport(int succeeded, int failed, std::filesystem::path folder) {
    setIsBatchExporting(false);
    if (succeeded >= 1) {
        const std::string suffix = failed >= 1 ? L10n::tr("status.batchSuccessWithFailed", failed) : std::string();
        setStatusMessage(L10n::tr("status.batchSuccess", succeeded, suffix));
        setExportAlertMessage(L10n::tr("status.batchSuccessAlert", succeeded, suffix, folder.string()));
    } else if (failed >= 1) {
        setStatusMessage(L10n::tr("status.batchFailed"));
        setExportAlertMessage(L10n::tr("status.batchFailedAlert"));
    }
}

void DarkroomViewModel::cancelBatchExport() {
    if (batchExportTask_) batchExportTask_->cancelled = true;
    batchExportTask_.reset();
    setIsBatchExporting(false);
    setStatusMessage(L10n::tr("status.batchCancelled"));
}

// ---------------------------------------------------------------- teardown

void DarkroomViewModel::stopEditWork() {
    comparisonTask_.cancel();
    // Exports under way stop and leave their destinations as they were.
    editShutdown_.request_stop();
    if (batchExportTask_) batchExportTask_->cancelled = true;
    editPool_.waitForDone();
    developedThumbnailPool_.waitForDone();
}

}  // namespace vantrel
