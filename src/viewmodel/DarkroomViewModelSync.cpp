// Synchronising chosen groups of the current recipe onto other frames.
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
    roll_.editStoredRecipes(
        targets,
        [&](EditParameters& recipe, const LoadedPhoto& target) {
            const EditParameters before = recipe;
            batchSyncOptions_.apply(source, recipe);
            // The target's own spots and masks follow a geometry it takes, and watermark texts that
            // were the current frame's capture data become the target's.
            recipe = followGeometry(before, std::move(recipe), scanSizeOf(target));
            if (batchSyncOptions_.syncFilmFrame && current)
                carryWatermark(recipe.filmFrame, WatermarkFill::of(current->metadata()),
                               WatermarkFill::of(target.metadata()));
        },
        [this, tally](SaveOutcome outcome) {
            if (outcome == SaveOutcome::failed) ++tally->failed;
            if (--tally->waiting == 0) setStatusMessage(tally->message());
        });
    setIsShowingBatchSyncSheet(false);
}

}  // namespace vantrel
