#pragma once
// The session store behind the view model's storage interface.
#include "services/SessionStore.h"
#include "viewmodel/SessionStorage.h"

namespace vantrel {

class SessionStoreStorage final : public SessionStorage {
public:
    explicit SessionStoreStorage(SessionStore& store = SessionStore::shared()) : store_(store) {}

    std::optional<EditParameters> loadRecipe(const std::filesystem::path& photo) override {
        return store_.loadRecipe(photo);
    }
    void saveRecipe(const EditParameters& recipe, const std::filesystem::path& photo, Done done = {}) override {
        store_.saveRecipe(recipe, photo, std::move(done));
    }
    std::optional<EditParameters> loadSampleRecipe(const Uuid& id) override { return store_.loadSampleRecipe(id); }
    void saveSampleRecipe(const EditParameters& recipe, const Uuid& id, Done done = {}) override {
        store_.saveSampleRecipe(recipe, id, std::move(done));
    }

    bool hasRecipe(const std::filesystem::path& photo) override { return store_.hasRecipe(photo); }
    bool hasSampleRecipe(const Uuid& id) override { return store_.hasSampleRecipe(id); }

    std::vector<SnapshotItem> loadSnapshots(const std::filesystem::path& photo) override {
        return store_.loadSnapshots(photo);
    }
    void saveSnapshots(const std::vector<SnapshotItem>& snapshots, const std::filesystem::path& photo,
                       Done done = {}) override {
        store_.saveSnapshots(snapshots, photo, std::move(done));
    }
    std::vector<SnapshotItem> loadSampleSnapshots(const Uuid& id) override { return store_.loadSampleSnapshots(id); }
    void saveSampleSnapshots(const std::vector<SnapshotItem>& snapshots, const Uuid& id, Done done = {}) override {
        store_.saveSampleSnapshots(snapshots, id, std::move(done));
    }

    std::optional<RollCullingDatabase> loadCullingDatabase(const std::filesystem::path& folder) override {
        return store_.loadCullingDatabase(folder);
    }
    void saveCullingDatabase(const RollCullingDatabase& database, const std::filesystem::path& folder,
                             Done done = {}) override {
        store_.saveCullingDatabase(database, folder, std::move(done));
    }
    std::optional<RollCullingDatabase> loadSampleCullingDatabase() override {
        return store_.loadSampleCullingDatabase();
    }
    void saveSampleCullingDatabase(const RollCullingDatabase& database, Done done = {}) override {
        store_.saveSampleCullingDatabase(database, std::move(done));
    }

    void flush() override { store_.flush(); }

    void deleteRecipe(const std::filesystem::path& photo) override { store_.deleteRecipe(photo); }
    void deleteSampleRecipe(const Uuid& id) override { store_.deleteSampleRecipe(id); }

private:
    SessionStore& store_;
};

}  // namespace vantrel
