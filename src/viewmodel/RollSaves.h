#pragma once
// RollSaves: the open roll's records as this program holds them (each frame's
// recipe in memory, and what its files held when last read or written) and
// their saves through the store, with where each save went. A roll whose saves
// go elsewhere (kept aside in the data folder, or nowhere) has a standing
// notice, told when it starts and when it ends; what was kept aside comes home
// once the roll's folder takes a save again. A conflict with another program's
// version is told, and another program's fields that a save took in are handed
// back, so the frame shows what its file holds. A value whose save failed
// everywhere stays in memory and is read from there.
//
// Another program may work on the same roll: a record is written only when
// this program changed it, so what the other wrote is never overwritten by
// what this one merely read.
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include <QTimer>

#include "engine/io/LoadedPhoto.h"
#include "model/EditParameters.h"
#include "model/RollCullingDatabase.h"
#include "model/SnapshotItem.h"
#include "model/Uuid.h"
#include "services/SaveOutcome.h"
#include "viewmodel/SessionStorage.h"
#include "viewmodel/ToolMode.h"
#include "viewmodel/ViewModelServices.h"

namespace vantrel {

class StatusLine;
template <typename Report>
class ReportInbox;

class RollSaves {
public:
    // The frame's save of `saved` took in another program's fields: its file holds `merged` now.
    using TakenIn = std::function<void(const Uuid& frame, const EditParameters& saved, const EditParameters& merged)>;
    // The title of a frame of the open roll (empty when it has none).
    using TitleOf = std::function<std::string(const Uuid& frame)>;

    RollSaves(const ViewModelServices& services, StatusLine& status, TitleOf titleOf, TakenIn takenIn);
    // Writes a delayed save still waiting; no report is taken afterwards.
    ~RollSaves();

    // ---- the roll whose records are read
    // The outgoing roll's last edit written and its reports taken; what was read
    // of its files is forgotten (before a folder roll, its recipes in memory too).
    void leaveRoll(const std::optional<std::filesystem::path>& nextFolder);
    // Reads the roll's recipes (the edit kept in memory when its save failed,
    // else the stored one, else neutral); a folder's kept files come home first
    // where they can. Its culling records are written from now on (none: the sample roll).
    void enterRoll(const std::optional<std::filesystem::path>& folder, const std::vector<LoadedPhoto>& photos);
    // No roll's records are read (an empty folder): nothing is written.
    void closeRoll() { recordsRoll_.reset(); }
    // How the open roll's saves stand, told at once: a folder that refuses
    // writes, or one whose files earlier sessions kept aside, has the notice
    // from its opening.
    void tellWhereSavesGo();
    // The roll's stored culling records, with the marks whose save failed over them.
    RollCullingDatabase storedCulling(const std::optional<std::filesystem::path>& folder);

    // ---- recipes
    const std::map<Uuid, EditParameters>& inMemoryRecipes() const { return inMemoryRecipes_; }
    void keepRecipe(const Uuid& id, const EditParameters& recipe) { inMemoryRecipes_[id] = recipe; }
    // The frame's recipe in memory, else its stored one, else neutral.
    EditParameters keptRecipe(const LoadedPhoto& photo) const;
    // The frame's recipe in memory; read again from the store when its file
    // changed since this program read or wrote it and memory holds no edit of
    // its own. Nothing when neither memory nor the store has one.
    std::optional<EditParameters> latestRecipe(const LoadedPhoto& photo);
    // Whether the frame's stored recipe exists but could not be read when it was
    // last looked for (until this program's next save of it keeps that file aside).
    bool isRecipeUnreadable(const LoadedPhoto& photo) const { return unreadableRecipes_.count(frameIdOf(photo)) > 0; }
    // Keeps the frame's recipe and saves it when it differs from the stored one:
    // at once, or after a pause that the next delayed save restarts.
    void persistRecipe(const LoadedPhoto& photo, const EditParameters& recipe, SaveTiming timing);
    void flushPendingSave();
    bool hasPendingSave() const { return pendingSave_.has_value(); }
    void writeRecipe(const LoadedPhoto& photo, const EditParameters& recipe,
                     std::function<void(SaveOutcome)> then = {});

    // ---- snapshots and culling records
    // The snapshots kept in memory when their save failed, else the stored ones.
    std::vector<SnapshotItem> storedSnapshots(const LoadedPhoto& photo);
    // Saves the frame's snapshots when they differ from the stored ones.
    void persistSnapshots(const LoadedPhoto& photo, const std::vector<SnapshotItem>& snapshots);
    // Saves these records into the open roll's culling file (merged there with the stored ones).
    void saveCulling(RollCullingDatabase marked);

    // ---- where saves went
    // Waits for the store, then saves once more every value whose save failed
    // everywhere (the disk may have room again) and waits again.
    void retryUnsaved();
    bool hasUnsavedEdits() const { return !unsaved_.empty(); }
    void takeSaveReports();

private:
    struct PendingSave {
        LoadedPhoto photo;
        EditParameters recipe;
    };
    // What one save writes: a frame's recipe or snapshots, or a roll's culling
    // records (by its folder; none for the sample roll).
    enum class SaveKind { recipe, snapshots, culling };
    struct SaveTarget {
        SaveKind kind = SaveKind::recipe;
        FrameKey frame;  // for culling records: the roll's folder as the file
        std::string key() const;
        // The roll it belongs to, as rollKey() names it; empty for the sample roll.
        std::filesystem::path roll() const;
    };
    using SavedValue = std::variant<EditParameters, std::vector<SnapshotItem>, RollCullingDatabase>;
    struct SaveReport {
        SaveTarget target;
        SavedValue value;
        SaveResult result;
        std::function<void(SaveOutcome)> then;  // on the GUI thread, once the report is taken
        bool homecoming = false;  // a kept file brought home: a conflict and a refusal are told
    };

    // Whether the recipe differs from what the frame's file holds as far as this program knows.
    bool differsFromStored(const Uuid& id, const EditParameters& recipe) const;
    // The stored recipe, noting a file that is there but cannot be read.
    std::optional<EditParameters> readStoredRecipe(const LoadedPhoto& photo);
    // Hands the value to the store; its report comes back through takeSaveReports().
    void save(const SaveTarget& target, SavedValue value, std::function<void(SaveOutcome)> then = {});
    // The value of the target's latest save when that save failed everywhere.
    const SavedValue* unsavedValue(const SaveTarget& target) const;
    void noteSaveOutcome(const std::filesystem::path& roll, const SaveResult& result);
    void tellConflict(const SaveTarget& target, const SaveResult& result);
    void takeIn(const SaveReport& report);
    void bringKeptFilesHome(const std::filesystem::path& roll);
    // The open roll, as SaveTarget::roll() names it; none while no roll's records are read.
    std::optional<std::filesystem::path> openRollKey() const;

    const ViewModelServices& services_;
    StatusLine& status_;
    TitleOf titleOf_;
    TakenIn takenIn_;
    std::map<Uuid, EditParameters> inMemoryRecipes_;
    // What each frame's files hold as this program last read or wrote them
    // (no recipe: none stored, which reads as neutral).
    std::map<Uuid, EditParameters> storedRecipes_;
    std::map<Uuid, std::vector<SnapshotItem>> storedSnapshots_;
    std::set<Uuid> unreadableRecipes_;
    // Which roll's records are read: none before any roll, an empty path for
    // the sample roll. Culling records are only ever written there.
    std::optional<std::filesystem::path> recordsRoll_;
    std::optional<PendingSave> pendingSave_;
    QTimer saveTimer_;
    // Where saves went: the reports waiting for the GUI thread, the values kept
    // in memory only (by SaveTarget::key()), and per roll where its saves last
    // went, so that each change is told once.
    std::shared_ptr<ReportInbox<SaveReport>> saveReports_;
    std::map<std::string, std::pair<SaveTarget, SavedValue>> unsaved_;
    std::map<std::filesystem::path, SaveResult> rollSaveOutcomes_;
    // Why the roll's folder refused a kept file coming home (the first refusal since the last try).
    std::optional<FailureCause> homecomingRefusal_;
};

}  // namespace vantrel
