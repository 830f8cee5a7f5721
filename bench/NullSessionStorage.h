#pragma once
// A session store that keeps nothing: view-model benchmarks measure loading and rendering,
// not disk writes. Every save reports itself written.
#include "viewmodel/SessionStorage.h"

namespace vantrel::bench {

class NullSessionStorage final : public SessionStorage {
public:
    std::optional<EditParameters> loadRecipe(const FrameKey&) override { return std::nullopt; }
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
};

}  // namespace vantrel::bench
