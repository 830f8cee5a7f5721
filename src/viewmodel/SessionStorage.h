#pragma once
// Where the view model keeps recipes, snapshots and culling data: beside the
// scans for a folder roll (or kept aside under the data folder when the roll's
// folder cannot be written), keyed by frame identifier for the sample roll.
// Reads return at once; writes are queued in order and flush() waits for them.
// Each write tells its `done` callback, on any thread, where it went and why
// (and whether another program's version of the same fields was kept). The
// application passes the session store; tests pass an in-memory fake.
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "engine/io/LoadedPhoto.h"
#include "model/EditParameters.h"
#include "model/RollCullingDatabase.h"
#include "model/SnapshotItem.h"
#include "model/Uuid.h"
#include "services/SaveOutcome.h"

namespace vantrel {

// Which frame a recipe or a snapshot list belongs to: its scan file on a folder
// roll; on the sample roll (no file) its identifier.
struct FrameKey {
    std::optional<std::filesystem::path> file;
    Uuid id;

    static FrameKey of(const LoadedPhoto& photo) { return {photo.fileURL(), Uuid::parse(photo.id()).value_or(Uuid())}; }
};

class SessionStorage {
public:
    using Done = std::function<void(const SaveResult&)>;
    // A roll's folder; none for the sample roll.
    using RollFolder = std::optional<std::filesystem::path>;

    virtual ~SessionStorage() = default;

    // The scan files a roll folder lists, told before its records are read: the
    // store reads files of an older layout only for the scan that alone claims them.
    virtual void setRollScans(const std::filesystem::path& folder, const std::vector<std::filesystem::path>& scans) {
        (void)folder;
        (void)scans;
    }

    // Told, for each file kept aside that was brought home or could not be, the
    // scan it belongs to (none: the roll's culling records) and where it went (a
    // recipe another program changed meanwhile: the version kept as a conflict copy).
    using HomeTold = std::function<void(const std::optional<std::filesystem::path>& scan, const SaveResult&)>;
    // Moves what was kept aside for a roll whose folder could not be written back
    // beside its scans, where it can be written now (queued like a write).
    virtual void bringKeptFilesHome(const std::filesystem::path& folder, HomeTold told = {}) {
        (void)folder;
        (void)told;
    }
    // Whether files of the roll are kept aside still, once the queued work on them is done.
    virtual bool hasKeptFiles(const std::filesystem::path& folder) {
        (void)folder;
        return false;
    }
    // Why a roll's folder refuses writes now, when that can be told before any write.
    virtual std::optional<FailureCause> writeRefusal(const std::filesystem::path& folder) {
        (void)folder;
        return std::nullopt;
    }

    virtual std::optional<EditParameters> loadRecipe(const FrameKey& frame) = 0;
    virtual void saveRecipe(const EditParameters& recipe, const FrameKey& frame, Done done = {}) = 0;
    // Whether a recipe is stored at all (readable or not).
    virtual bool hasRecipe(const FrameKey& frame) { return loadRecipe(frame).has_value(); }
    // Queue the removal of a frame's stored recipe (a reset to neutral). By
    // default nothing: the neutral recipe the reset writes next takes its place.
    virtual void deleteRecipe(const FrameKey& frame) { (void)frame; }

    virtual std::vector<SnapshotItem> loadSnapshots(const FrameKey& frame) = 0;
    virtual void saveSnapshots(const std::vector<SnapshotItem>& snapshots, const FrameKey& frame, Done done = {}) = 0;

    virtual std::optional<RollCullingDatabase> loadCullingDatabase(const RollFolder& folder) = 0;
    // Merges these records into the stored ones just before writing
    // (RollCullingDatabase::merge): records of other frames stay as stored.
    virtual void saveCullingDatabase(const RollCullingDatabase& database, const RollFolder& folder,
                                     Done done = {}) = 0;

    // Blocks until every write queued so far is on disk and has told its `done`.
    virtual void flush() = 0;
};

}  // namespace vantrel
