#pragma once
// Keeps what the user has done to a roll beside its scans: one recipe file and
// one snapshot file per photo in ".vantrel/recipes", and one culling database
// per roll folder in ".vantrel". The built-in sample roll has no files of its
// own; its data lives under the program's data folder, keyed by identifier.
//
// Reads run on the caller's thread, writes and deletions in order on the
// store's own worker; a read waits for queued work on the same file, so it
// sees the latest save. Nothing is handed back as an error: a failed read
// yields nothing, and every failure prints one "[SessionStore] Failed to ..."
// line. flush() blocks until everything queued has been written.
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "model/EditParameters.h"
#include "model/RollCullingDatabase.h"
#include "model/SnapshotItem.h"
#include "model/Uuid.h"
#include "services/JsonFileStore.h"

namespace vantrel {

class SessionStore {
public:
    struct Options {
        JsonFileStore::Options files;
        // The sample roll's folder; by default AppPaths::sampleRecipesDirectory().
        std::function<std::filesystem::path()> sampleDirectory;
    };

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

    std::optional<EditParameters> loadRecipe(const std::filesystem::path& photo);
    bool hasRecipe(const std::filesystem::path& photo);
    void saveRecipe(const EditParameters& recipe, const std::filesystem::path& photo);
    void deleteRecipe(const std::filesystem::path& photo);

    std::optional<EditParameters> loadSampleRecipe(const Uuid& id);
    bool hasSampleRecipe(const Uuid& id);
    void saveSampleRecipe(const EditParameters& recipe, const Uuid& id);
    void deleteSampleRecipe(const Uuid& id);

    std::optional<RollCullingDatabase> loadCullingDatabase(const std::filesystem::path& folder);
    void saveCullingDatabase(const RollCullingDatabase& database, const std::filesystem::path& folder);
    std::optional<RollCullingDatabase> loadSampleCullingDatabase();
    void saveSampleCullingDatabase(const RollCullingDatabase& database);

    // Empty when nothing is stored or the file cannot be read.
    std::vector<SnapshotItem> loadSnapshots(const std::filesystem::path& photo);
    void saveSnapshots(const std::vector<SnapshotItem>& snapshots, const std::filesystem::path& photo);
    std::vector<SnapshotItem> loadSampleSnapshots(const Uuid& id);
    void saveSampleSnapshots(const std::vector<SnapshotItem>& snapshots, const Uuid& id);

    // Blocks until every write and deletion queued before the call has finished.
    void flush();

private:
    std::filesystem::path sampleFile(const std::string& name) const;

    Options options_;
    JsonFileStore files_;
};

}  // namespace vantrel
