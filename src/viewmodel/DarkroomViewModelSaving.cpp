// Where the view model's saves went: the store's reports, the roll's notice in
// the status line, and the edits that no place took, kept in memory.
#include <QMetaObject>

#include "services/KeptRollFolders.h"
#include "services/L10n.h"
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

std::string DarkroomViewModel::SaveTarget::key() const {
    static const char* const kinds[] = {"recipe:", "snapshots:", "culling:"};
    return kinds[int(kind)] + (location ? location->string() : "sample:" + frame.toString());
}

std::filesystem::path DarkroomViewModel::SaveTarget::roll() const {
    if (!location) return {};
    return KeptRollFolders::rollKey(kind == SaveKind::culling ? *location : location->parent_path());
}

DarkroomViewModel::SaveTarget DarkroomViewModel::recipeTarget(const LoadedPhoto& photo) {
    return {SaveKind::recipe, photo.fileURL(), frameID(photo)};
}

DarkroomViewModel::SaveTarget DarkroomViewModel::snapshotsTarget(const LoadedPhoto& photo) {
    return {SaveKind::snapshots, photo.fileURL(), frameID(photo)};
}

void DarkroomViewModel::save(const SaveTarget& target, SavedValue value, std::function<void(SaveOutcome)> then) {
    SessionStorage& store = *services_.store;
    // The report carries the value, so that a save that fails everywhere keeps it.
    SessionStorage::Done done = [inbox = saveReports_, target, value, then = std::move(then)](SaveOutcome outcome) {
        inbox->post({target, value, outcome, then});
    };
    if (const auto* recipe = std::get_if<EditParameters>(&value))
        store.saveRecipe(*recipe, {target.location, target.frame}, std::move(done));
    else if (const auto* snapshots = std::get_if<std::vector<SnapshotItem>>(&value))
        store.saveSnapshots(*snapshots, {target.location, target.frame}, std::move(done));
    else if (const auto* database = std::get_if<RollCullingDatabase>(&value))
        store.saveCullingDatabase(*database, target.location, std::move(done));
}

std::optional<EditParameters> DarkroomViewModel::storedRecipe(const LoadedPhoto& photo) const {
    if (const SavedValue* unsaved = unsavedValue(recipeTarget(photo))) return std::get<EditParameters>(*unsaved);
    return services_.store->loadRecipe(FrameKey::of(photo));
}

RollCullingDatabase DarkroomViewModel::storedCullingDatabase(const std::optional<std::filesystem::path>& folder) const {
    if (const SavedValue* unsaved = unsavedValue({SaveKind::culling, folder, {}}))
        return std::get<RollCullingDatabase>(*unsaved);
    return services_.store->loadCullingDatabase(folder).value_or(RollCullingDatabase{});
}

const DarkroomViewModel::SavedValue* DarkroomViewModel::unsavedValue(const SaveTarget& target) const {
    const auto found = unsaved_.find(target.key());
    return found == unsaved_.end() ? nullptr : &found->second.value;
}

void DarkroomViewModel::takeSaveReports() {
    // Reports of one item come in the order of its saves, so the last one tells where it stands.
    for (SaveReport& report : saveReports_->take()) {
        if (report.outcome == SaveOutcome::failed)
            unsaved_[report.target.key()] = {report.target, std::move(report.value)};
        else
            unsaved_.erase(report.target.key());
        noteSaveOutcome(report.target.roll(), report.outcome);
        if (report.then) report.then(report.outcome);
    }
}

void DarkroomViewModel::noteSaveOutcome(const std::filesystem::path& roll, SaveOutcome outcome) {
    // Told when a roll's saves start to go elsewhere, not at every save.
    SaveOutcome& last = rollSaveOutcomes_.try_emplace(roll, SaveOutcome::written).first->second;
    if (last == outcome) return;
    last = outcome;
    if (outcome == SaveOutcome::keptAside)
        setStatusMessage(L10n::tr("status.rollKeptAside", roll.filename().string()));
    else if (outcome == SaveOutcome::failed)
        setStatusMessage(L10n::tr("status.saveFailed"));
}

void DarkroomViewModel::finishSync(const SyncTally& tally) {
    if (tally.failed == 0)
        setStatusMessage(L10n::tr("status.syncSuccess", tally.source, tally.targets));
    else
        setStatusMessage(
            L10n::tr("status.syncPartial", tally.source, tally.targets - tally.failed, tally.targets, tally.failed));
}

void DarkroomViewModel::saveAll() {
    flushPendingSave();
    persistRecipe(SaveTiming::now);
    saveCullingDatabase();
    persistSnapshots();
    services_.store->flush();
    takeSaveReports();
    if (unsaved_.empty()) return;
    // Every save queued has reported, so each kept value is the latest of its
    // item: one more try, since the disk may have room again.
    const std::map<std::string, UnsavedEdit> kept = unsaved_;
    for (const auto& [key, edit] : kept) save(edit.target, edit.value);
    services_.store->flush();
    takeSaveReports();
}

}  // namespace vantrel
