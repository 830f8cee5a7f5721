#pragma once
// A session store that keeps nothing: view-model benchmarks measure loading and rendering,
// not disk writes. Every save reports itself written; every frame reads `stored` as its recipe
// (none by default, as on a roll never edited).
#include <optional>
#include <utility>

#include "viewmodel/SessionStorage.h"

namespace vantrel::bench {

class NullSessionStorage final : public SessionStorage {
public:
    explicit NullSessionStorage(std::optional<EditParameters> stored = std::nullopt) : stored_(std::move(stored)) {}
    std::optional<EditParameters> loadRecipe(const FrameKey&) override { return stored_; }
    void saveRecipe(const EditParameters&, const FrameKey&, Done done) override { written(done); }
    std::vector<SnapshotItem> loadSnapshots(const FrameKey&) override { return {}; }
    void saveSnapshots(const std::vector<SnapshotItem>&, const FrameKey&, Done done) override { written(done); }
    std::optional<RollCullingDatabase> loadCullingDatabase(const RollFolder&) override { return std::nullopt; }
    void saveCullingDatabase(const RollCullingDatabase&, const RollFolder&, Done done) override { written(done); }
    void flush() override {}

private:
    static void written(const Done& done) {
        if (done) done(SaveOutcome::written);
    }
    std::optional<EditParameters> stored_;
};

}  // namespace vantrel::bench
