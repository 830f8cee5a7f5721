// Checked frames, the frames an export or a synchronisation takes, and
// synchronising chosen groups of the current recipe onto other frames.
#include <QMetaObject>

#include "services/L10n.h"
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

void DarkroomViewModel::toggleChecked(Uuid id) {
    std::set<Uuid> checked = checkedPhotoIDs_;
    if (!checked.erase(id)) checked.insert(id);
    setCheckedPhotoIDs(std::move(checked));
}

bool DarkroomViewModel::isChecked(const Uuid& id) const { return checkedPhotoIDs_.count(id) > 0; }

void DarkroomViewModel::checkAllPhotos() {
    std::set<Uuid> checked;
    for (const LoadedPhoto& photo : photos_) checked.insert(frameID(photo));
    setCheckedPhotoIDs(std::move(checked));
}

void DarkroomViewModel::uncheckAllPhotos() { setCheckedPhotoIDs({}); }

void DarkroomViewModel::invertCheckedPhotos() {
    std::set<Uuid> checked;
    for (const LoadedPhoto& photo : photos_)
        if (!checkedPhotoIDs_.count(frameID(photo))) checked.insert(frameID(photo));
    setCheckedPhotoIDs(std::move(checked));
}

std::vector<LoadedPhoto> DarkroomViewModel::exportTargetPhotos() const {
    std::vector<LoadedPhoto> targets;
    if (checkedPhotoIDs_.empty()) {
        if (const LoadedPhoto* current = selectedPhoto()) targets.push_back(*current);
        return targets;
    }
    for (const LoadedPhoto& photo : photos_)
        if (checkedPhotoIDs_.count(frameID(photo))) targets.push_back(photo);
    return targets;
}

void DarkroomViewModel::presentBatchSyncSheet() { setIsShowingBatchSyncSheet(true); }

std::vector<LoadedPhoto> DarkroomViewModel::syncTargetPhotos() const {
    std::vector<LoadedPhoto> targets;
    if (!selectedPhotoID_) return targets;
    for (const LoadedPhoto& photo : photos_) {
        const Uuid id = frameID(photo);
        if (id == *selectedPhotoID_) continue;
        if (checkedPhotoIDs_.empty() || checkedPhotoIDs_.count(id)) targets.push_back(photo);
    }
    return targets;
}

void DarkroomViewModel::syncRecipeToRoll() {
    const std::vector<LoadedPhoto> targets = syncTargetPhotos();
    if (targets.empty()) {
        setStatusMessage(L10n::tr("status.noSyncTargets"));
        setIsShowingBatchSyncSheet(false);
        return;
    }
    // A delayed save still waiting is written first, so it cannot land after
    // (and undo) a target's synchronised recipe.
    flushPendingSave();

    const EditParameters source = parameters_;
    const LoadedPhoto* current = selectedPhoto();
    // The status tells how many targets were saved once every save has reported.
    const int count = int(targets.size());
    auto tally = std::make_shared<SyncTally>(
        SyncTally{current ? current->title() : L10n::tr("sync.currentFilm"), count, count, 0});
    for (const LoadedPhoto& target : targets) {
        const Uuid id = frameID(target);
        // The target's latest recipe: the one in memory holds edits whose file
        // may not be written yet; a stored file can be older than it.
        std::optional<EditParameters> recipe;
        if (const auto kept = inMemoryRecipes_.find(id); kept != inMemoryRecipes_.end()) recipe = kept->second;
        if (!recipe) recipe = services_.store->loadRecipe(FrameKey::of(target)).value_or(EditParameters::defaultValue());

        batchSyncOptions_.apply(source, *recipe);
        inMemoryRecipes_[id] = *recipe;
        writeRecipe(target, *recipe, [this, tally](SaveOutcome outcome) {
            if (outcome == SaveOutcome::failed) ++tally->failed;
            if (--tally->waiting == 0) finishSync(*tally);
        });
    }

    setIsShowingBatchSyncSheet(false);
    rebuildFilmstrip();
    // The targets' cached thumbnails show their recipes from before.
    renderDevelopedThumbnails(targets);
}

void DarkroomViewModel::renderDevelopedThumbnails(const std::vector<LoadedPhoto>& frames) {
    std::vector<RenderJob> jobs;
    for (const LoadedPhoto& frame : frames) {
        const Uuid id = frameID(frame);
        const auto recipe = inMemoryRecipes_.find(id);
        if (recipe == inMemoryRecipes_.end()) continue;
        RenderJob job{frame, recipe->second, std::nullopt};
        if (const auto mask = subjectMaskCache_.find(id); mask != subjectMaskCache_.end()) job.subjectMask = mask->second;
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
    if (!photoWithID(id) || selectedPhotoID_ == id) return;
    const auto kept = inMemoryRecipes_.find(id);
    if (kept == inMemoryRecipes_.end() || !kept->second.sameContent(recipe)) return;
    updateFilmstripThumbnail(std::move(thumbnail), id);
}

}  // namespace vantrel
