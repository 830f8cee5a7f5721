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
// lands beside the scans again removes the copy kept aside.
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
    // Every copy (beside the scans and kept aside) of the older file the photo alone claims.
    std::vector<std::filesystem::path> oldCopies(const std::filesystem::path& photo, const std::filesystem::path& old);
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
    JsonFileStore files_;  // after kept_: its worker, which uses kept_, ends first
};

}  // namespace vantrel
