#include "viewmodel/ExportController.h"

#include <climits>
#include <exception>
#include <iostream>
#include <system_error>

#include <QMetaObject>
#include <QTimer>

#include "services/ExportError.h"
#include "services/L10n.h"
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

// One batch: its frames, where they go, and how far it has come. Only the GUI
// thread touches it.
struct ExportController::BatchRun {
    std::uint64_t generation = 0;
    std::vector<LoadedPhoto> photos;
    std::filesystem::path folder;
    ExportSettings settings;
    std::size_t index = 0;
    int succeeded = 0;
    int failed = 0;
    bool cancelled = false;
    LocalText firstFailure;  // "<title>: <why>" of the first frame that failed
    std::optional<LocalText> folderCause;  // set when the folder itself failed: the batch stops
};

namespace {

// The title without its last extension: "roll.tif" -> "roll"; a title without
// a dot, or ending in one, stays whole.
std::string baseName(const std::string& title) {
    const std::size_t dot = title.rfind('.');
    if (dot == std::string::npos || dot + 1 == title.size()) return title;
    return title.substr(0, dot);
}

// `base` + `tail` within the length a folder allows a name (in bytes): the end of
// `base` goes, never the tail (suffix, number, extension), and never half a character.
std::string fittedName(const std::string& base, const std::string& tail) {
    constexpr std::size_t kMaxName = NAME_MAX;
    if (base.size() + tail.size() <= kMaxName) return base + tail;
    std::size_t keep = tail.size() < kMaxName ? kMaxName - tail.size() : 0;
    while (keep > 0 && (static_cast<unsigned char>(base[keep]) & 0xC0) == 0x80) --keep;
    return base.substr(0, keep) + tail;
}

// The folder the frame's scan lies in; none for a sample frame.
std::optional<std::filesystem::path> folderOf(const LoadedPhoto& photo) {
    if (!photo.fileURL()) return std::nullopt;
    return photo.fileURL()->parent_path();
}

// Anything at the path, a dangling link included, takes the name.
bool isTaken(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

// Runs the export and hands back why it failed, if it did.
std::optional<ExportController::Failure> runExport(ExportService& exporter, const RenderJob& job,
                                                   const ExportSettings& settings,
                                                   const std::filesystem::path& destination, std::stop_token stop) {
    try {
        exporter.exportImage(job.photo, job.recipe, settings, job.subjectMask, destination, std::move(stop));
        return std::nullopt;
    } catch (const ExportError& error) {
        return ExportController::Failure{
            error.text(), error.description(),
            error.concernsFolder() ? std::optional(causeText(error.cause())) : std::nullopt};
    } catch (const std::exception& error) {
        return ExportController::Failure{L10n::text("export.renderFailed"), error.what(), std::nullopt};
    } catch (...) {
        return ExportController::Failure{L10n::text("export.renderFailed"), "unknown error", std::nullopt};
    }
}

// The frame has no subject to grade (as the canvas shows it): the writer is not
// to look for one of its own.
void withoutSubject(EditParameters& recipe) { recipe.subjectMask.hasDetectedSubject = false; }

}  // namespace

std::string ExportController::proposedName(const std::string& title, ExportFormat format) {
    return fittedName(baseName(title), "_Developed." + std::string(fileExtension(format)));
}

ExportController::ExportController(DarkroomViewModel& viewModel, const ViewModelServices& services,
                                   RecipeOf recipeOf, SubjectMasks& masks, QThreadPool& pool,
                                   std::stop_token shutdown)
    : vm_(viewModel),
      services_(services),
      recipeOf_(std::move(recipeOf)),
      masks_(masks),
      pool_(pool),
      shutdown_(std::move(shutdown)) {}

std::filesystem::path ExportController::freeDestination(const std::filesystem::path& folder, const std::string& title,
                                                        ExportFormat format) const {
    const std::string base = baseName(title);
    const std::string extension(fileExtension(format));
    std::filesystem::path candidate = folder / fittedName(base, "_Developed." + extension);
    for (int n = 1; isTaken(candidate) || destinationsInFlight_.contains(candidate); ++n)
        candidate = folder / fittedName(base, "_Developed (" + std::to_string(n) + ")." + extension);
    return candidate;
}

void ExportController::write(const LoadedPhoto& photo, const ExportSettings& settings,
                             const std::filesystem::path& destination, Finished finished) {
    // The frame's recipe as it is now, with the subject mask the canvas shows it
    // with: the one held, else the one being found (or found now) for it.
    auto job = std::make_shared<RenderJob>(RenderJob{photo, recipeOf_(photo)});
    const SubjectMasks::Lookup lookup = masks_.forRender(*job, SubjectMasks::Urgency::shown);
    if (lookup.noSubject) withoutSubject(job->recipe);
    const auto begin = [this, exporter = services_.exporter, job, settings, destination, stop = shutdown_,
                        finished = std::move(finished)] {
        pool_.start([this, exporter, job, settings, destination, stop, finished] {
            const std::optional<Failure> failure = runExport(*exporter, *job, settings, destination, stop);
            // Queued to the GUI thread; the view model waits for this pool before it goes, so `this` is alive.
            QMetaObject::invokeMethod(&vm_, [finished, failure] { finished(failure); }, Qt::QueuedConnection);
        });
    };
    if (!lookup.coming) return begin();
    // Waited for here, not on a worker: the pool's threads stay free for the analyses the user starts.
    masks_.whenAnswered(DarkroomViewModel::frameID(photo), [job, begin](const SubjectMasks::Answer& answer) {
        // Not made (another roll was opened): the writer finds it itself.
        if (answer.mask)
            job->subjectMask = answer.mask;
        else if (answer.made)
            withoutSubject(job->recipe);
        begin();
    });
}

// ---------------------------------------------------------------- single export

void ExportController::exportCurrentPhoto(ExportSettings settings) {
    // The export dialog lists one checked frame as its target even when another
    // frame is shown: that checked frame is the one written.
    const LoadedPhoto* photo = vm_.selectedPhoto();
    if (vm_.checkedPhotoIDs().size() == 1) {
        if (const LoadedPhoto* checked = vm_.photoWithID(*vm_.checkedPhotoIDs().begin())) photo = checked;
    }
    if (!photo) return;
    exportPhoto(*photo, settings);
}

void ExportController::exportPhoto(LoadedPhoto photo, ExportSettings settings) {
    // Both arguments are copies: the panel below runs an event loop in which
    // the caller's list (a dialog's) may go.
    vm_.setIsShowingExportDialog(false);
    if (!services_.dialogs || !services_.exporter) return;
    const std::string format = displayName(settings.format);
    const std::optional<std::filesystem::path> destination = services_.dialogs->chooseSaveLocation(
        L10n::tr("status.exportPanelTitle", format), services_.panelFolders->startFolder(PanelKind::photos, folderOf(photo)),
        proposedName(photo.title(), settings.format));
    // Cancelled, or a file there not to be replaced: what the status line told of an
    // earlier export no longer stands for this one.
    if (!destination || destination->empty()) return vm_.setStatusMessage(L10n::text("status.exportCancelled"));

    ++singleExportsRunning_;
    vm_.setIsExporting(true);
    vm_.setStatusMessage(L10n::text("status.exportingProgress", format));

    write(photo, settings, *destination, [this, destination = *destination](const std::optional<Failure>& failure) {
        finishSingleExport(destination, failure);
    });
}

void ExportController::finishSingleExport(const std::filesystem::path& destination,
                                           const std::optional<Failure>& failure) {
    // Several single exports may run at once: the flag stays up until the last one ends.
    if (--singleExportsRunning_ <= 0) {
        singleExportsRunning_ = 0;
        vm_.setIsExporting(false);
    }
    vm_.setExportAlertIsWarning(failure.has_value());
    if (failure) {
        std::cout << "[Export] Failed to export: " << failure->logText << std::endl;
        const LocalText message = L10n::text("status.exportFailed", failure->text);
        vm_.setStatusMessage(message);
        vm_.setExportAlertMessage(message);
        return;
    }
    // The next export panel opens where this one wrote, not where one failed.
    services_.panelFolders->remember(PanelKind::photos, destination.parent_path());
    vm_.setStatusMessage(L10n::text("status.exportSuccess", destination.filename().string()));
    vm_.setExportAlertMessage(L10n::text("status.exportSuccessAlert", destination.string()));
}

// ---------------------------------------------------------------- batch export

void ExportController::startBatchExport(std::vector<LoadedPhoto> photos, ExportSettings settings) {
    if (photos.empty()) return;
    vm_.setIsShowingExportDialog(false);
    if (!services_.dialogs) return;
    const std::optional<std::filesystem::path> folder = services_.dialogs->chooseDestinationFolder(
        L10n::tr("status.batchExportFolderTitle", int(photos.size())), L10n::tr("status.batchExportFolderPrompt"),
        services_.panelFolders->startFolder(PanelKind::photos, folderOf(photos.front())));
    if (!folder || folder->empty()) return vm_.setStatusMessage(L10n::text("status.exportCancelled"));
    beginBatchExport(std::move(photos), *folder, std::move(settings));
}

void ExportController::beginBatchExport(std::vector<LoadedPhoto> photos, std::filesystem::path folder,
                                         ExportSettings settings) {
    if (!services_.exporter) return;
    const int total = int(photos.size());
    vm_.setIsBatchExporting(true);
    vm_.setBatchExportTotalCount(total);
    vm_.setBatchExportCompletedCount(0);
    vm_.setBatchExportProgress(0);
    vm_.setBatchExportCurrentItem(L10n::tr("status.batchPreparingQueue"));
    vm_.setStatusMessage(L10n::text("status.batchExporting", total));

    // A batch already running is let go, not cancelled: its files are still
    // written, but it no longer reports, so it cannot touch this one's state.
    auto run = std::make_shared<BatchRun>();
    run->generation = ++batchGeneration_;
    run->photos = std::move(photos);
    run->folder = std::move(folder);
    run->settings = std::move(settings);
    batch_ = run;
    // The first frame starts from the event loop, so a cancel right away stops it.
    QTimer::singleShot(0, &vm_, [this, run] { runBatchFrame(run); });
}

void ExportController::runBatchFrame(const std::shared_ptr<BatchRun>& run) {
    const bool reports = run->generation == batchGeneration_;
    if (run->cancelled || run->folderCause || run->index >= run->photos.size()) {
        if (reports) finishBatchExport(*run);
        return;
    }

    // Its recipe is taken now, so edits made during the batch reach the frames not yet begun.
    const LoadedPhoto& photo = run->photos[run->index];
    const std::filesystem::path destination = freeDestination(run->folder, photo.title(), run->settings.format);
    destinationsInFlight_.insert(destination);
    if (reports) {
        vm_.setBatchExportCurrentItem(
            L10n::tr("status.batchRenderingItem", int(run->index) + 1, int(run->photos.size()), photo.title()));
    }
    write(photo, run->settings, destination, [this, run, destination](const std::optional<Failure>& failure) {
        finishBatchFrame(run, destination, failure);
    });
}

void ExportController::finishBatchFrame(const std::shared_ptr<BatchRun>& run,
                                         const std::filesystem::path& destination,
                                         const std::optional<Failure>& failure) {
    destinationsInFlight_.erase(destination);
    if (failure) {
        const std::string& title = run->photos[run->index].title();
        std::cout << "[BatchExport] Failed to export " << title << ": " << failure->logText << std::endl;
        ++run->failed;
        if (run->firstFailure.empty()) run->firstFailure = L10n::text("status.batchFrameFailed", title, failure->text);
        // The next frames would fail alike: the batch stops here.
        if (failure->folderCause) run->folderCause = failure->folderCause;
    } else {
        ++run->succeeded;
    }
    ++run->index;
    if (run->generation == batchGeneration_) {
        vm_.setBatchExportCompletedCount(run->succeeded + run->failed);
        vm_.setBatchExportProgress(double(vm_.batchExportCompletedCount()) / double(run->photos.size()));
    }
    runBatchFrame(run);
}

void ExportController::finishBatchExport(const BatchRun& run) {
    vm_.setIsBatchExporting(false);
    vm_.setExportAlertIsWarning(run.failed >= 1 || run.folderCause);
    const int total = int(run.photos.size());
    const LocalText suffix = run.failed >= 1 ? L10n::text("status.batchSuccessWithFailed", run.failed, run.firstFailure)
                                             : LocalText::plain({});
    // A folder the batch wrote into is where the next export panel opens.
    if (run.succeeded >= 1) services_.panelFolders->remember(PanelKind::photos, run.folder);
    if (run.folderCause) {
        const LocalText message =
            L10n::text("status.batchFolderFailed", run.folder.string(), *run.folderCause, run.succeeded, total);
        vm_.setStatusMessage(message);
        vm_.setExportAlertMessage(message);
    } else if (run.cancelled) {
        // What was written before the cancel is told, with where it went.
        vm_.setStatusMessage(L10n::text("status.batchCancelledCounts", run.succeeded, total, suffix));
        if (run.succeeded >= 1)
            vm_.setExportAlertMessage(
                L10n::text("status.batchCancelledAlert", run.succeeded, total, suffix, run.folder.string()));
    } else if (run.succeeded >= 1) {
        vm_.setStatusMessage(L10n::text("status.batchSuccess", run.succeeded, suffix));
        vm_.setExportAlertMessage(L10n::text("status.batchSuccessAlert", run.succeeded, suffix, run.folder.string()));
    } else if (run.failed >= 1) {
        vm_.setStatusMessage(L10n::text("status.batchFailed"));
        vm_.setExportAlertMessage(L10n::text("status.batchFailedAlert", run.failed, run.firstFailure));
    }
}

void ExportController::cancelBatchExport() {
    if (batch_) batch_->cancelled = true;
    batch_.reset();
    vm_.setIsBatchExporting(false);
    vm_.setStatusMessage(L10n::text("status.batchCancelled"));
}

void ExportController::stop() {
    if (batch_) batch_->cancelled = true;
}

}  // namespace vantrel
