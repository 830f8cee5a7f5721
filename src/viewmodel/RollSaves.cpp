#include "viewmodel/RollSaves.h"

#include <QMetaObject>

#include "services/FailureCause.h"
#include "services/KeptRollFolders.h"
#include "services/L10n.h"
#include "viewmodel/ReportInbox.h"
#include "viewmodel/RollFolder.h"
#include "viewmodel/StatusLine.h"

namespace vantrel {

namespace {

// How a roll's saves stand, for the status line: where they go while not beside its scans.
std::optional<LocalText> savingNotice(const std::filesystem::path& roll, const SaveResult& result) {
    if (result.outcome == SaveOutcome::keptAside) {
        const bool readOnly = !result.cause || *result.cause == FailureCause::readOnly ||
                              *result.cause == FailureCause::noPermission;
        return readOnly ? L10n::text("status.rollKeptAside", folderName(roll))
                        : L10n::text("status.rollKeptAsideBecause", folderName(roll), causeText(*result.cause));
    }
    if (result.outcome == SaveOutcome::failed)
        return result.cause ? L10n::text("status.saveFailedBecause", causeText(*result.cause))
                            : L10n::text("status.saveFailed");
    return std::nullopt;
}

}  // namespace

RollSaves::RollSaves(const ViewModelServices& services, StatusLine& status, TitleOf titleOf, TakenIn takenIn)
    : services_(services), status_(status), titleOf_(std::move(titleOf)), takenIn_(std::move(takenIn)) {
    // The store reports from its worker; the reports are taken on the GUI thread.
    saveReports_ = std::make_shared<ReportInbox<SaveReport>>(
        [this] { QMetaObject::invokeMethod(&saveTimer_, [this] { takeSaveReports(); }, Qt::QueuedConnection); });
    saveTimer_.setSingleShot(true);
    saveTimer_.setInterval(services_.timings.saveDelay);
    QObject::connect(&saveTimer_, &QTimer::timeout, &saveTimer_, [this] { flushPendingSave(); });
}

RollSaves::~RollSaves() {
    saveReports_->close();
    // A delayed save still waiting is written rather than dropped with the window.
    flushPendingSave();
}

// ---------------------------------------------------------------- the roll whose records are read

void RollSaves::leaveRoll(const std::optional<std::filesystem::path>& nextFolder) {
    // The outgoing roll's last edit reaches its file before its frames go, and
    // what has been reported of its saves is known before the next roll reads.
    flushPendingSave();
    takeSaveReports();
    storedRecipes_.clear();
    storedSnapshots_.clear();
    unreadableRecipes_.clear();
    status_.setNotice(std::nullopt);
    if (!nextFolder) return;
    // Opened again: where its saves go is told again.
    rollSaveOutcomes_.erase(KeptRollFolders::rollKey(*nextFolder));
    inMemoryRecipes_.clear();
}

void RollSaves::enterRoll(const std::optional<std::filesystem::path>& folder, const std::vector<LoadedPhoto>& photos) {
    if (folder) bringKeptFilesHome(*folder);  // at the latest now, where it can be written again
    for (const LoadedPhoto& photo : photos) {
        const std::optional<EditParameters> stored = readStoredRecipe(photo);
        if (stored) storedRecipes_[frameIdOf(photo)] = *stored;
        const SavedValue* unsaved = unsavedValue({SaveKind::recipe, FrameKey::of(photo)});
        inMemoryRecipes_[frameIdOf(photo)] =
            unsaved ? std::get<EditParameters>(*unsaved) : stored.value_or(EditParameters::defaultValue());
    }
    recordsRoll_ = folder.value_or(std::filesystem::path());
}

void RollSaves::tellWhereSavesGo() {
    const std::optional<std::filesystem::path> roll = openRollKey();
    if (!roll) return;
    if (!roll->empty()) {
        SessionStorage& store = *services_.store;
        if (const std::optional<FailureCause> refusal = store.writeRefusal(*roll)) {
            SaveResult refused(SaveOutcome::keptAside);
            refused.cause = refusal;
            rollSaveOutcomes_[*roll] = refused;
        } else if (store.hasKeptFiles(*roll)) {
            // What earlier sessions kept aside could not come home at the opening
            // because the folder refused it (a disk still full): the roll's saves
            // go there still, for that reason.
            takeSaveReports();
            if (homecomingRefusal_) {
                SaveResult kept(SaveOutcome::keptAside);
                kept.cause = homecomingRefusal_;
                rollSaveOutcomes_.insert_or_assign(*roll, kept);
            }
        }
    }
    if (const auto standing = rollSaveOutcomes_.find(*roll); standing != rollSaveOutcomes_.end())
        status_.setNotice(savingNotice(*roll, standing->second));
}

RollCullingDatabase RollSaves::storedCulling(const std::optional<std::filesystem::path>& folder) {
    RollCullingDatabase database = services_.store->loadCullingDatabase(folder).value_or(RollCullingDatabase{});
    // Marks whose save failed: over the stored ones.
    if (const SavedValue* unsaved = unsavedValue({SaveKind::culling, {folder, {}}}))
        database.merge(std::get<RollCullingDatabase>(*unsaved));
    return database;
}

std::optional<std::filesystem::path> RollSaves::openRollKey() const {
    if (!recordsRoll_) return std::nullopt;
    return recordsRoll_->empty() ? std::filesystem::path() : KeptRollFolders::rollKey(*recordsRoll_);
}

// ---------------------------------------------------------------- recipes

std::string RollSaves::SaveTarget::key() const {
    static const char* const kinds[] = {"recipe:", "snapshots:", "culling:"};
    return kinds[int(kind)] + (frame.file ? frame.file->string() : "sample:" + frame.id.toString());
}

std::filesystem::path RollSaves::SaveTarget::roll() const {
    if (!frame.file) return {};
    return KeptRollFolders::rollKey(kind == SaveKind::culling ? *frame.file : frame.file->parent_path());
}

EditParameters RollSaves::keptRecipe(const LoadedPhoto& photo) const {
    if (const auto kept = inMemoryRecipes_.find(frameIdOf(photo)); kept != inMemoryRecipes_.end()) return kept->second;
    return services_.store->loadRecipe(FrameKey::of(photo)).value_or(EditParameters::defaultValue());
}

std::optional<EditParameters> RollSaves::latestRecipe(const LoadedPhoto& photo) {
    const Uuid id = frameIdOf(photo);
    const auto kept = inMemoryRecipes_.find(id);
    // An edit of this program's own, saved or not yet: it is the newer one.
    if (kept != inMemoryRecipes_.end() &&
        (differsFromStored(id, kept->second) || unsavedValue({SaveKind::recipe, FrameKey::of(photo)})))
        return kept->second;
    const std::optional<EditParameters> onDisk = readStoredRecipe(photo);
    if (onDisk && (kept == inMemoryRecipes_.end() || differsFromStored(id, *onDisk))) {
        storedRecipes_[id] = *onDisk;
        inMemoryRecipes_[id] = *onDisk;
    }
    const auto now = inMemoryRecipes_.find(id);
    if (now == inMemoryRecipes_.end()) return std::nullopt;
    return now->second;
}

std::optional<EditParameters> RollSaves::readStoredRecipe(const LoadedPhoto& photo) {
    const FrameKey key = FrameKey::of(photo);
    std::optional<EditParameters> stored = services_.store->loadRecipe(key);
    if (!stored && services_.store->hasRecipe(key))
        unreadableRecipes_.insert(frameIdOf(photo));
    else
        unreadableRecipes_.erase(frameIdOf(photo));
    return stored;
}

bool RollSaves::differsFromStored(const Uuid& id, const EditParameters& recipe) const {
    const auto stored = storedRecipes_.find(id);
    return !recipe.sameContent(stored != storedRecipes_.end() ? stored->second : EditParameters::defaultValue());
}

void RollSaves::persistRecipe(const LoadedPhoto& photo, const EditParameters& recipe, SaveTiming timing) {
    const Uuid id = frameIdOf(photo);
    inMemoryRecipes_[id] = recipe;
    // One delayed save serves all frames; another frame's waiting edit is
    // written rather than dropped.
    if (pendingSave_ && frameIdOf(pendingSave_->photo) != id) flushPendingSave();

    if (timing == SaveTiming::now || !differsFromStored(id, recipe)) {
        saveTimer_.stop();
        pendingSave_.reset();
        if (differsFromStored(id, recipe)) writeRecipe(photo, recipe);
    } else {
        pendingSave_ = PendingSave{photo, recipe};
        saveTimer_.start();
    }
}

void RollSaves::flushPendingSave() {
    saveTimer_.stop();
    if (!pendingSave_) return;
    const PendingSave save = std::move(*pendingSave_);
    pendingSave_.reset();
    if (differsFromStored(frameIdOf(save.photo), save.recipe)) writeRecipe(save.photo, save.recipe);
}

void RollSaves::writeRecipe(const LoadedPhoto& photo, const EditParameters& recipe,
                            std::function<void(SaveOutcome)> then) {
    storedRecipes_[frameIdOf(photo)] = recipe;
    unreadableRecipes_.erase(frameIdOf(photo));  // the save keeps the unreadable file aside
    save({SaveKind::recipe, FrameKey::of(photo)}, recipe, std::move(then));
}

// ---------------------------------------------------------------- snapshots and culling records

std::vector<SnapshotItem> RollSaves::storedSnapshots(const LoadedPhoto& photo) {
    if (const SavedValue* unsaved = unsavedValue({SaveKind::snapshots, FrameKey::of(photo)}))
        return std::get<std::vector<SnapshotItem>>(*unsaved);
    std::vector<SnapshotItem> stored = services_.store->loadSnapshots(FrameKey::of(photo));
    storedSnapshots_[frameIdOf(photo)] = stored;
    return stored;
}

void RollSaves::persistSnapshots(const LoadedPhoto& photo, const std::vector<SnapshotItem>& snapshots) {
    const auto stored = storedSnapshots_.find(frameIdOf(photo));
    if (stored != storedSnapshots_.end() ? stored->second == snapshots : snapshots.empty()) return;
    storedSnapshots_[frameIdOf(photo)] = snapshots;
    save({SaveKind::snapshots, FrameKey::of(photo)}, snapshots);
}

void RollSaves::saveCulling(RollCullingDatabase marked) {
    // Only to the roll the records were read for: a folder that failed to open
    // must not receive the previous roll's records.
    if (!recordsRoll_ || marked.records.empty()) return;
    std::optional<std::filesystem::path> folder;
    if (!recordsRoll_->empty()) folder = *recordsRoll_;
    save({SaveKind::culling, {folder, {}}}, std::move(marked));
}

// ---------------------------------------------------------------- where saves went

void RollSaves::save(const SaveTarget& target, SavedValue value, std::function<void(SaveOutcome)> then) {
    SessionStorage& store = *services_.store;
    // The report carries the value, so that a save that fails everywhere keeps it.
    SessionStorage::Done done = [inbox = saveReports_, target, value, then = std::move(then)](const SaveResult& result) {
        inbox->post({target, value, result, then});
    };
    if (const auto* recipe = std::get_if<EditParameters>(&value))
        store.saveRecipe(*recipe, target.frame, std::move(done));
    else if (const auto* snapshots = std::get_if<std::vector<SnapshotItem>>(&value))
        store.saveSnapshots(*snapshots, target.frame, std::move(done));
    else if (const auto* database = std::get_if<RollCullingDatabase>(&value))
        store.saveCullingDatabase(*database, target.frame.file, std::move(done));
}

const RollSaves::SavedValue* RollSaves::unsavedValue(const SaveTarget& target) const {
    const auto found = unsaved_.find(target.key());
    return found == unsaved_.end() ? nullptr : &found->second.second;
}

void RollSaves::retryUnsaved() {
    services_.store->flush();
    takeSaveReports();
    if (unsaved_.empty()) return;
    // Every save queued has reported, so each kept value is the latest of its
    // item: one more try, since the disk may have room again.
    const auto kept = unsaved_;
    for (const auto& [key, edit] : kept) save(edit.first, edit.second);
    services_.store->flush();
    takeSaveReports();
}

void RollSaves::takeSaveReports() {
    // Reports of one item come in the order of its saves, so the last one tells where it stands.
    for (SaveReport& report : saveReports_->take()) {
        if (report.homecoming) {
            if (report.result.outcome == SaveOutcome::failed && report.result.cause && !homecomingRefusal_)
                homecomingRefusal_ = report.result.cause;
            tellConflict(report.target, report.result);
            continue;
        }
        if (report.result.outcome == SaveOutcome::failed)
            unsaved_[report.target.key()] = {report.target, std::move(report.value)};
        else
            unsaved_.erase(report.target.key());
        noteSaveOutcome(report.target.roll(), report.result);
        takeIn(report);
        tellConflict(report.target, report.result);
        if (report.then) report.then(report.result.outcome);
    }
}

void RollSaves::takeIn(const SaveReport& report) {
    if (!report.result.merged || report.target.kind != SaveKind::recipe) return;
    const Uuid id = report.target.frame.id;
    const EditParameters& saved = std::get<EditParameters>(report.value);
    // What is known stored stays the value saved: the frame's next save, of
    // the recipe that took the fields in, makes that its own value in the store.
    // The frame's own edits since this save still win for the fields they change.
    if (const auto kept = inMemoryRecipes_.find(id); kept != inMemoryRecipes_.end())
        kept->second = mergeRecipes(saved, kept->second, *report.result.merged).recipe;
    if (takenIn_) takenIn_(id, saved, *report.result.merged);
    status_.show(L10n::text("status.changesTakenIn", titleOf_(id)));
}

void RollSaves::noteSaveOutcome(const std::filesystem::path& roll, const SaveResult& result) {
    // Told when a roll's saves start to go elsewhere (or for another reason), not at every save.
    SaveResult& last = rollSaveOutcomes_.try_emplace(roll, SaveOutcome::written).first->second;
    if (last.outcome == result.outcome && last.cause == result.cause) return;
    const SaveOutcome before = last.outcome;
    last = SaveResult(result.outcome);
    last.cause = result.cause;
    // The roll can be written again: what was kept aside for it goes back beside its scans.
    if (before == SaveOutcome::keptAside && result.outcome == SaveOutcome::written && !roll.empty())
        bringKeptFilesHome(roll);
    const std::optional<LocalText> notice = savingNotice(roll, result);
    // The open roll's notice stands while its edits go elsewhere; another roll's is told once.
    if (openRollKey() != roll) {
        if (notice) status_.show(*notice);
        return;
    }
    status_.setNotice(notice);
    if (!notice && before != SaveOutcome::written)
        status_.show(roll.empty() ? L10n::text("status.editsSavedAgain")
                                  : L10n::text("status.rollWrittenAgain", folderName(roll)));
}

void RollSaves::tellConflict(const SaveTarget& target, const SaveResult& result) {
    if (!result.conflictKept) return;
    const std::string title = target.frame.file ? target.frame.file->filename().string() : titleOf_(target.frame.id);
    // The copy's whole name in the detail: the line itself may be cut.
    status_.show(L10n::text(result.conflictKeptIsOurs ? "status.recipeConflictKeptOurs" : "status.recipeConflictKept",
                            title, result.conflictKept->filename().string()),
                 L10n::text("status.recipeConflictCopy", result.conflictKept->string()));
}

void RollSaves::bringKeptFilesHome(const std::filesystem::path& roll) {
    homecomingRefusal_.reset();
    // A conflict with another program's version is told like one of a save; the
    // store names the scan each file belongs to.
    services_.store->bringKeptFilesHome(
        roll, [inbox = saveReports_, roll](const std::optional<std::filesystem::path>& scan, const SaveResult& result) {
            if (!result.conflictKept && result.outcome != SaveOutcome::failed) return;
            SaveReport report{{}, EditParameters::defaultValue(), result, {}, true};
            report.target.frame.file = scan.value_or(roll);
            inbox->post(std::move(report));
        });
}

}  // namespace vantrel
