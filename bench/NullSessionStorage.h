#pragma once
// A session store that keeps nothing: view-model benchmarks measure loading and rendering,
// not disk writes. Every save reports itself written.
#include "viewmodel/SessionStorage.h"

namespace vantrel::bench {

class NullSessionStorage final : public SessionStorage {
public:
    std::optional<EditParameters> loadRecipe(const std::filesystem::path&) override { return std::nullopt; }
    void saveRecipe(const EditParameters&, const std::filesystem::path&, Done done) override { written(done); }
    std::optional<EditParameters> loadSampleRecipe(const Uuid&) override { return std::nullopt; }
    void saveSampleRecipe(const EditParameters&, const Uuid&, Done done) override { written(done); }
    std::vector<SnapshotItem> loadSnapshots(const std::filesystem::path&) override { return {}; }
    void saveSnapshots(const std::vector<SnapshotItem>&, const std::filesystem::path&, Done done) override {
        written(done);
    }
    std::vector<SnapshotItem> loadSampleSnapshots(const Uuid&) override { return {}; }
    void saveSampleSnapshots(const std::vector<SnapshotItem>&, const Uuid&, Done done) override { written(done); }
    std::optional<RollCullingDatabase> loadCullingDatabase(const std::filesystem::path&) override { return {}; }
    void saveCullingDatabase(const RollCullingDatabase&, const std::filesystem::path&, Done done) override {
        written(done);
    }
    std::optional<RollCullingDatabase> loadSampleCullingDatabase() override { return std::nullopt; }
    void saveSampleCullingDatabase(const RollCullingDatabase&, Done done) override { written(done); }
    void flush() override {}
    void deleteRecipe(const std::filesystem::path&) override {}
    void deleteSampleRecipe(const Uuid&) override {}

private:
    static void written(const Done& done) {
        if (done) done(SaveOutcome::written);
    }
};

}  // namespace vantrel::bench
