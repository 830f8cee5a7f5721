#pragma once
// Keeps what the user has done to a roll beside its scans: one folder per photo
// in ".vantrel/frames", named by the photo's whole file name, holding its
// recipe and its snapshot list, and one culling database per roll folder in
// ".vantrel". The built-in sample roll has no files of its own; its data lives
// under the program's data folder, keyed by identifier.
//
// Rolls written before kept both files of a photo in ".vantrel/recipes" under
// the photo's name without its extension, so two scans could share one. Such a
// file is read only for the one scan of the roll that alone claims it (the
// roll's scans are told through setRollScans), and removed once that scan's
// value has been safely written under its own name.
//
// A roll whose folder cannot be written keeps the same files, laid out the same
// way, in a folder of its own under the program's data folder (KeptRollFolders).
// A read takes whichever of the two copies of a file is newer; a save that
// lands beside the scans again removes the copy kept aside, and
// bringKeptFilesHome() moves every copy back once the roll can be written.
//
// Another program may work on the same roll. Just before a recipe or snapshot
// list is written, it is merged with what the file holds then, against what
// this store last read or wrote of it: what only the other program changed
// stays (mergeRecipes, mergeSnapshotLists). Where both changed one recipe
// field, this save wins and the other version is kept beside it as
// "recipe.conflict-<time>.json" (SaveResult::conflictKept). A recipe's save
// that took in the other program's fields tells the recipe written
// (SaveResult::merged), so the caller can show it. Culling records merge mark
// by mark (RollCullingDatabase::merge).
//
// Reads run on the caller's thread, writes and deletions in order on the
// store's own worker; a read waits for queued work on the same file, so it
// sees the latest save. A failed read yields nothing. A save tells its `done`
// callback, on the worker, where the value went; every failure also prints one
// "[SessionStore] Failed to ..." line. flush() blocks until everything queued
// has been written (and every `done` has run).
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "model/EditParameters.h"
#include "model/RollCullingDatabase.h"
#include "model/SnapshotItem.h"
#include "model/Uuid.h"
#include "services/JsonFileStore.h"
#include "services/KeptRollFolders.h"
#include "services/SaveOutcome.h"

namespace vantrel {

class SessionStore {
public:
    struct Options {
        JsonFileStore::Options files;
        // The sample roll's folder; by default AppPaths::sampleRecipesDirectory().
        std::function<std::filesystem::path()> sampleDirectory;
        // Where rolls that cannot be written keep their files; by default AppPaths::keptRollsDirectory().
        std::function<std::filesystem::path()> keptRollsDirectory;
    };

    // Told, on the store's worker, where a save went.
    using Done = JsonFileStore::Done;

    // The one store of the process, made on first use.
    static SessionStore& shared();

    SessionStore();
    explicit SessionStore(Options options);

    // {photo folder}/.vantrel/frames/{file name}/recipe.json
    static std::filesystem::path recipeURL(const std::filesystem::path& photo);
    // {photo folder}/.vantrel/frames/{file name}/snapshots.json
    static std::filesystem::path snapshotsURL(const std::filesystem::path& photo);
    // The names of the older layout: {photo folder}/.vantrel/recipes/{base
    // name}.json and {base name}_snapshots.json, where the base name is the
    // file name without its last extension.
    static std::filesystem::path oldRecipeURL(const std::filesystem::path& photo);
    static std::filesystem::path oldSnapshotsURL(const std::filesystem::path& photo);

    // The scan files of a roll about to be read: of the older layout's files,
    // each is read for the scan that alone claims it, and for no scan when two
    // claim it. Until a roll's scans are told, no older file of it is read.
    void setRollScans(const std::filesystem::path& roll, const std::vector<std::filesystem::path>& scans);
    // {folder}/.vantrel/culling_metadata.json
    static std::filesystem::path cullingDatabaseURL(const std::filesystem::path& folder);

    // The sample roll's folder, created when missing.
    std::filesystem::path sampleRecipesDirectory() const;
    // The folder under the data folder that holds the roll's files while its own
    // folder cannot be written; nothing when none was needed.
    std::optional<std::filesystem::path> keptAsideFolder(const std::filesystem::path& roll);

    std::optional<EditParameters> loadRecipe(const std::filesystem::path& photo);
    bool hasRecipe(const std::filesystem::path& photo);
    void saveRecipe(const EditParameters& recipe, const std::filesystem::path& photo, Done done = {});
    void deleteRecipe(const std::filesystem::path& photo);

    std::optional<EditParameters> loadSampleRecipe(const Uuid& id);
    bool hasSampleRecipe(const Uuid& id);
    void saveSampleRecipe(const EditParameters& recipe, const Uuid& id, Done done = {});
    void deleteSampleRecipe(const Uuid& id);

    // A culling save merges, just before it writes, the records given into the
    // stored file (see RollCullingDatabase::merge): another program's records of
    // other frames stay as they are.
    std::optional<RollCullingDatabase> loadCullingDatabase(const std::filesystem::path& folder);
    void saveCullingDatabase(const RollCullingDatabase& database, const std::filesystem::path& folder,
                             Done done = {});
    std::optional<RollCullingDatabase> loadSampleCullingDatabase();
    void saveSampleCullingDatabase(const RollCullingDatabase& database, Done done = {});

    // Empty when nothing is stored or the file cannot be read.
    std::vector<SnapshotItem> loadSnapshots(const std::filesystem::path& photo);
    void saveSnapshots(const std::vector<SnapshotItem>& snapshots, const std::filesystem::path& photo,
                       Done done = {});
    std::vector<SnapshotItem> loadSampleSnapshots(const Uuid& id);
    void saveSampleSnapshots(const std::vector<SnapshotItem>& snapshots, const Uuid& id, Done done = {});

    // Moves the files kept aside for the roll back beside its scans, merged with
    // what stands there: culling records mark by mark, snapshot lists as their
    // union. A recipe beside the scans that is still what stood there when this
    // program first kept its own aside is this program's history, replaced
    // without a copy; one another program changed since is merged with the kept
    // one, and where both changed a field the newer file stands and the other
    // is kept beside it as a conflict copy. Each file brought home tells `told`
    // (on the worker). Whatever cannot be written yet stays kept aside, silently.
    // (`scan`: the scan whose file it is; none for the culling records.)
    using HomeTold = std::function<void(const std::optional<std::filesystem::path>& scan, const SaveResult&)>;
    void bringKeptFilesHome(const std::filesystem::path& roll, HomeTold told = {});
    // Whether files of the roll are kept aside still, once the queued work on them is done.
    bool hasKeptFiles(const std::filesystem::path& roll);

    // Why the roll's folder refuses writes now (a read-only medium, no
    // permission), as far as it can be told without writing; nothing when it takes them.
    std::optional<FailureCause> writeRefusal(const std::filesystem::path& roll) const;

    // Blocks until every write and deletion queued before the call has finished.
    void flush();

private:
    std::filesystem::path sampleFile(const std::string& name) const;
    // The file of `roll` to read: the one beside the scans, or its copy kept
    // aside when that is newer or the only one.
    std::filesystem::path newestCopy(const std::filesystem::path& roll, const std::filesystem::path& beside);
    // The newest copy of the photo's file under its own name, else of its older
    // name when the photo alone claims that; nothing when neither exists.
    std::optional<std::filesystem::path> storedFile(const std::filesystem::path& photo,
                                                    const std::filesystem::path& own,
                                                    const std::filesystem::path& old);
    // The older file, when this photo alone claims it.
    std::optional<std::filesystem::path> claimedOldFile(const std::filesystem::path& photo,
                                                        const std::filesystem::path& old);
    // The scan whose file this is, by its place inside ".vantrel"; none for the roll's own files.
    std::optional<std::filesystem::path> scanOf(const std::filesystem::path& roll, const std::filesystem::path& relative);
    // Every copy (beside the scans and kept aside) of the older file the photo alone claims.
    std::vector<std::filesystem::path> oldCopies(const std::filesystem::path& photo, const std::filesystem::path& old);
    // What this store last read or wrote of each file, by the path the file has
    // beside the scans (or in the sample folder): the base of the next merge.
    template <class T>
    class Known {
    public:
        std::optional<T> get(const std::filesystem::path& file) const {
            const std::lock_guard lock(mutex_);
            const auto found = values_.find(file);
            return found == values_.end() ? std::nullopt : std::optional<T>(found->second);
        }
        void set(const std::filesystem::path& file, std::optional<T> value) {
            const std::lock_guard lock(mutex_);
            if (value) values_.insert_or_assign(file, std::move(*value));
            else values_.erase(file);
        }

    private:
        mutable std::mutex mutex_;
        std::map<std::filesystem::path, T> values_;
    };
    using StoredFile = std::function<std::optional<std::filesystem::path>()>;

    std::optional<EditParameters> readRecipe(const std::filesystem::path& file, const std::optional<std::filesystem::path>& stored,
                                             const std::string& loadFailure);
    std::vector<SnapshotItem> readSnapshots(const std::filesystem::path& file,
                                            const std::optional<std::filesystem::path>& stored,
                                            const std::string& loadFailure);
    // Queues the save of a recipe or a snapshot list (T), merged just before it
    // is written with what the stored file holds then, against what this store
    // last read or wrote of it (`known`).
    template <class T>
    void writeMerged(const T& value, const std::filesystem::path& file, StoredFile stored, Known<T>& known,
                     std::string saveFailure, std::string loadFailure, JsonFileStore::SecondPlace secondPlace,
                     Done done, std::vector<std::filesystem::path> supersedes = {});
    // Brings one file kept aside to its place beside the scans.
    JsonFileStore::Encoder homecoming(const std::filesystem::path& kept, const std::filesystem::path& beside);
    // After a recipe's save (on the worker): the first copy kept aside (`keptAfresh`: by this
    // save) notes what stood beside the scans then; one written there again drops the note.
    void noteKeptBase(const std::filesystem::path& roll, const std::filesystem::path& beside, SaveOutcome outcome,
                      bool keptAfresh);
    JsonFileStore::Encoder mergedCulling(const RollCullingDatabase& changes, std::function<std::filesystem::path()> file,
                                         std::string loadFailure);
    std::optional<std::filesystem::path> keptCopy(const std::filesystem::path& roll,
                                                  const std::filesystem::path& beside);
    JsonFileStore::SecondPlace keptAside(const std::filesystem::path& roll, const std::filesystem::path& beside);

    Options options_;
    KeptRollFolders kept_;
    // Per roll (by KeptRollFolders::rollKey): older file name -> the one scan claiming it.
    std::mutex claimsMutex_;
    std::map<std::filesystem::path, std::map<std::string, std::string>> soleClaims_;
    Known<EditParameters> knownRecipes_;
    Known<std::vector<SnapshotItem>> knownSnapshots_;
    JsonFileStore files_;  // after kept_ and the known values: its worker, which uses them, ends first
};

}  // namespace vantrel
