// Checked frames, the frames an export or a synchronisation takes, and
// synchronising chosen groups of the current recipe onto other frames.
#include "services/L10n.h"
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

void DarkroomViewModel::toggleChecked(const Uuid& id) {
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
        if (!recipe && target.fileURL()) recipe = services_.store->loadRecipe(*target.fileURL());
        if (!recipe) recipe = services_.store->loadSampleRecipe(id);
        if (!recipe) recipe = EditParameters::defaultValue();

        batchSyncOptions_.apply(source, *recipe);
        inMemoryRecipes_[id] = *recipe;
        writeRecipe(target, *recipe, [this, tally](SaveOutcome outcome) {
            if (outcome == SaveOutcome::failed) ++tally->failed;
            if (--tally->waiting == 0) finishSync(*tally);
        });
    }

    setIsShowingBatchSyncSheet(false);
    rebuildFilmstrip();
}

}  // namespace vantrel
