#pragma once
// The session store behind the view model's storage interface: the one place
// where a frame key chooses between the store's file and sample-roll records.
#include "services/SessionStore.h"
#include "viewmodel/SessionStorage.h"

namespace vantrel {

class SessionStoreStorage final : public SessionStorage {
public:
    explicit SessionStoreStorage(SessionStore& store = SessionStore::shared()) : store_(store) {}

    void setRollScans(const std::filesystem::path& folder, const std::vector<std::filesystem::path>& scans) override {
        store_.setRollScans(folder, scans);
    }

    void bringKeptFilesHome(const std::filesystem::path& folder, HomeTold told = {}) override {
        store_.bringKeptFilesHome(folder, std::move(told));
    }
    bool hasKeptFiles(const std::filesystem::path& folder) override { return store_.hasKeptFiles(folder); }
    std::optional<FailureCause> writeRefusal(const std::filesystem::path& folder) override {
        return store_.writeRefusal(folder);
    }

    std::optional<EditParameters> loadRecipe(const FrameKey& frame) override {
        return frame.file ? store_.loadRecipe(*frame.file) : store_.loadSampleRecipe(frame.id);
    }
    void saveRecipe(const EditParameters& recipe, const FrameKey& frame, Done done = {}) override {
        frame.file ? store_.saveRecipe(recipe, *frame.file, std::move(done))
                   : store_.saveSampleRecipe(recipe, frame.id, std::move(done));
    }
    bool hasRecipe(const FrameKey& frame) override {
        return frame.file ? store_.hasRecipe(*frame.file) : store_.hasSampleRecipe(frame.id);
    }
    void deleteRecipe(const FrameKey& frame) override {
        frame.file ? store_.deleteRecipe(*frame.file) : store_.deleteSampleRecipe(frame.id);
    }

    std::vector<SnapshotItem> loadSnapshots(const FrameKey& frame) override {
        return frame.file ? store_.loadSnapshots(*frame.file) : store_.loadSampleSnapshots(frame.id);
    }
    void saveSnapshots(const std::vector<SnapshotItem>& snapshots, const FrameKey& frame, Done done = {}) override {
        frame.file ? store_.saveSnapshots(snapshots, *frame.file, std::move(done))
                   : store_.saveSampleSnapshots(snapshots, frame.id, std::move(done));
    }

    std::optional<RollCullingDatabase> loadCullingDatabase(const RollFolder& folder) override {
        return folder ? store_.loadCullingDatabase(*folder) : store_.loadSampleCullingDatabase();
    }
    void saveCullingDatabase(const RollCullingDatabase& database, const RollFolder& folder, Done done = {}) override {
        folder ? store_.saveCullingDatabase(database, *folder, std::move(done))
               : store_.saveSampleCullingDatabase(database, std::move(done));
    }

    void flush() override { store_.flush(); }

private:
    SessionStore& store_;
};

}  // namespace vantrel
