// Synchronising chosen groups of the current recipe onto other frames, and the
// developed thumbnails of frames other than the current one.
#include <QMetaObject>

#include "model/WatermarkFill.h"
#include "services/L10n.h"
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

namespace {

// A synchronisation's saves, counted as they report.
struct SyncTally {
    LocalText source;
    int targets = 0;
    int waiting = 0;
    int failed = 0;

    LocalText message() const {
        if (failed == 0) return L10n::text("status.syncSuccess", source, targets);
        return L10n::text("status.syncPartial", source, targets - failed, targets, failed);
    }
};

}  // namespace

void DarkroomViewModel::syncRecipeToRoll() {
    const std::vector<LoadedPhoto> targets = syncTargetPhotos();
    if (targets.empty()) {
        setStatusMessage(L10n::text("status.noSyncTargets"));
        setIsShowingBatchSyncSheet(false);
        return;
    }
    // A delayed save still waiting is written first, so it cannot land after
    // (and undo) a target's synchronised recipe.
    roll_.flushPendingSave();

    const EditParameters source = parameters_;
    const LoadedPhoto* current = selectedPhoto();
    // The status tells how many targets were saved once every save has reported.
    const int count = int(targets.size());
    auto tally = std::make_shared<SyncTally>(
        SyncTally{current ? LocalText::plain(current->title()) : L10n::text("sync.currentFilm"), count, count, 0});
    for (const LoadedPhoto& target : targets) {
        // The target's latest recipe: the one in memory holds edits whose file
        // may not be written yet; a file another program changed since is read again.
        const EditParameters before = roll_.latestRecipe(target).value_or(EditParameters::defaultValue());
        EditParameters recipe = before;
        batchSyncOptions_.apply(source, recipe);
        // The target's own spots and masks follow a geometry it takes, and watermark texts that
        // were the current frame's capture data become the target's.
        recipe = followGeometry(before, std::move(recipe), scanSizeOf(target));
        if (batchSyncOptions_.syncFilmFrame && current)
            carryWatermark(recipe.filmFrame, WatermarkFill::of(current->metadata()), WatermarkFill::of(target.metadata()));
        roll_.keepRecipe(frameID(target), recipe);
        roll_.writeRecipe(target, recipe, [this, tally](SaveOutcome outcome) {
            if (outcome == SaveOutcome::failed) ++tally->failed;
            if (--tally->waiting == 0) setStatusMessage(tally->message());
        });
    }

    setIsShowingBatchSyncSheet(false);
    roll_.rebuildFilmstrip();
    // The targets' cached thumbnails show their recipes from before.
    renderDevelopedThumbnails(targets);
}

void DarkroomViewModel::renderDevelopedThumbnails(const std::vector<LoadedPhoto>& frames) {
    std::vector<RenderJob> jobs;
    for (const LoadedPhoto& frame : frames) {
        const Uuid id = frameID(frame);
        const auto recipe = roll_.inMemoryRecipes().find(id);
        if (recipe == roll_.inMemoryRecipes().end()) continue;
        RenderJob job{frame, recipe->second, std::nullopt};
        if (const Image* mask = subjectMasks_.held(id)) {
            job.subjectMask = *mask;
        } else if (subjectMasks_.isWanted(id, recipe->second)) {
            // Made once the frame's subject is found again (subjectMaskSettled).
            subjectMasks_.request(frame, SubjectMasks::Urgency::background);
            continue;
        }
        job.useProxy = true;
        job.wantsThumbnail = true;
        jobs.push_back(std::move(job));
    }
    if (jobs.empty()) return;
    developedThumbnailPool_.start(
        [this, service = services_.render, stop = editShutdown_.get_token(), jobs = std::move(jobs)] {
            for (const RenderJob& job : jobs) {
                if (stop.stop_requested()) return;
                std::optional<RenderResult> result = service->render(job, stop);
                if (!result || result->thumbnail.isNull()) continue;
                // Queued to the GUI thread; the destructor waits for this pool, so `this` is alive.
                QMetaObject::invokeMethod(
                    this,
                    [this, id = frameID(job.photo), recipe = job.recipe, thumbnail = std::move(result->thumbnail)] {
                        acceptDevelopedThumbnail(id, recipe, thumbnail);
                    },
                    Qt::QueuedConnection);
            }
        });
}

void DarkroomViewModel::acceptDevelopedThumbnail(const Uuid& id, const EditParameters& recipe, QImage thumbnail) {
    // Only while it still shows the frame's recipe: not after another roll was
    // opened or the frame was edited, and never over the current frame's own.
    if (!roll_.photoWithID(id) || selectedPhotoID_ == id) return;
    const auto kept = roll_.inMemoryRecipes().find(id);
    if (kept == roll_.inMemoryRecipes().end() || !kept->second.sameContent(recipe)) return;
    roll_.updateFilmstripThumbnail(id, thumbnail);
}

}  // namespace vantrel
