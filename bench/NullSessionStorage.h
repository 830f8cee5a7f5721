#pragma once
// A session store that keeps nothing: view-model benchmarks measure loading and rendering,
// not disk writes.
#include "viewmodel/SessionStorage.h"

namespace vantrel::bench {

class NullSessionStorage final : public SessionStorage {
public:
    std::optional<EditParameters> loadRecipe(const std::filesystem::path&) override { return std::nullopt; }
    void saveRecipe(const EditParameters&, const std::filesystem::path&) override {}
    std::optional<EditParameters> loadSampleRecipe(const Uuid&) override { return std::nullopt; }
    void saveSampleRecipe(const EditParameters&, const Uuid&) override {}
    std::vector<SnapshotItem> loadSnapshots(const std::filesystem::path&) override { return {}; }
    void saveSnapshots(const std::vector<SnapshotItem>&, const std::filesystem::path&) override {}
    std::vector<SnapshotItem> loadSampleSnapshots(const Uuid&) override { return {}; }
    void saveSampleSnapshots(const std::vector<SnapshotItem>&, const Uuid&) override {}
    std::optional<RollCullingDatabase> loadCullingDatabase(const std::filesystem::path&) override { return {}; }
    void saveCullingDatabase(const RollCullingDatabase&, const std::filesystem::path&) override {}
    std::optional<RollCullingDatabase> loadSampleCullingDatabase() override { return std::nullopt; }
    void saveSampleCullingDatabase(const RollCullingDatabase&) override {}
    void flush() override {}
    void deleteRecipe(const std::filesystem::path&) override {}
    void deleteSampleRecipe(const Uuid&) override {}
};

}  // namespace vantrel::bench
