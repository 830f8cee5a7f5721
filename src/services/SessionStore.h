#pragma once
// Keeps what the user has done to a roll beside its scans: one recipe file and
// one snapshot file per photo in ".vantrel/recipes", and one culling database
// per roll folder in ".vantrel". The built-in sample roll has no files of its
// own; its data lives under the program's data folder, keyed by identifier.
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

    // {photo folder}/.vantrel/recipes/{base name}.json, where the base name is
    // the photo's file name without its last extension.
    static std::filesystem::path recipeURL(const std::filesystem::path& photo);
    // {photo folder}/.vantrel/recipes/{base name}_snapshots.json
    static std::filesystem::path snapshotsURL(const std::filesystem::path& photo);
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
    std::optional<std::filesystem::path> keptCopy(const std::filesystem::path& roll,
                                                  const std::filesystem::path& beside);
    JsonFileStore::SecondPlace keptAside(const std::filesystem::path& roll, const std::filesystem::path& beside);

    Options options_;
    KeptRollFolders kept_;
    JsonFileStore files_;  // after kept_: its worker, which uses kept_, ends first
};

}  // namespace vantrel
