#pragma once
// Where the view model keeps recipes, snapshots and culling data: beside the
// scans for a folder roll (or kept aside under the data folder when the roll's
// folder cannot be written), keyed by frame identifier for the sample roll.
// Reads return at once; writes are queued in order and flush() waits for them.
// Each write tells its `done` callback, on any thread, where it went. The
// application passes the session store; tests pass an in-memory fake.
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "model/EditParameters.h"
#include "model/RollCullingDatabase.h"
#include "model/SnapshotItem.h"
#include "model/Uuid.h"
#include "services/SaveOutcome.h"

namespace vantrel {

class SessionStorage {
public:
    using Done = std::function<void(SaveOutcome)>;

    virtual ~SessionStorage() = default;

    virtual std::optional<EditParameters> loadRecipe(const std::filesystem::path& photo) = 0;
    virtual void saveRecipe(const EditParameters& recipe, const std::filesystem::path& photo, Done done = {}) = 0;
    virtual std::optional<EditParameters> loadSampleRecipe(const Uuid& id) = 0;
    virtual void saveSampleRecipe(const EditParameters& recipe, const Uuid& id, Done done = {}) = 0;
    // Whether a recipe is stored at all (readable or not).
    virtual bool hasRecipe(const std::filesystem::path& photo) { return loadRecipe(photo).has_value(); }
    virtual bool hasSampleRecipe(const Uuid& id) { return loadSampleRecipe(id).has_value(); }

    virtual std::vector<SnapshotItem> loadSnapshots(const std::filesystem::path& photo) = 0;
    virtual void saveSnapshots(const std::vector<SnapshotItem>& snapshots, const std::filesystem::path& photo,
                               Done done = {}) = 0;
    virtual std::vector<SnapshotItem> loadSampleSnapshots(const Uuid& id) = 0;
    virtual void saveSampleSnapshots(const std::vector<SnapshotItem>& snapshots, const Uuid& id, Done done = {}) = 0;

    virtual std::optional<RollCullingDatabase> loadCullingDatabase(const std::filesystem::path& folder) = 0;
    virtual void saveCullingDatabase(const RollCullingDatabase& database, const std::filesystem::path& folder,
                                     Done done = {}) = 0;
    virtual std::optional<RollCullingDatabase> loadSampleCullingDatabase() = 0;
    virtual void saveSampleCullingDatabase(const RollCullingDatabase& database, Done done = {}) = 0;

    // Blocks until every write queued so far is on disk and has told its `done`.
    virtual void flush() = 0;

    // Queue the removal of a frame's stored recipe (a reset to neutral). By
    // default nothing: the neutral recipe the reset writes next takes its place.
    virtual void deleteRecipe(const std::filesystem::path& photo) { (void)photo; }
    virtual void deleteSampleRecipe(const Uuid& id) { (void)id; }
};

}  // namespace vantrel
