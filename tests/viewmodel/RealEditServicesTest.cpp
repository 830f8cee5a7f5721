// The editing operations over the real session store and the engine's analyses.
#include "EditTestSupport.h"
#include "services/SessionStore.h"
#include "viewmodel/SessionStoreStorage.h"

namespace vantrel::testing {
namespace {

TEST_F(EditViewModelTest, ResetLeavesTheNeutralRecipeOnDisk) {
    const auto roll = makeRoll("roll", {"a.tif"});
    SessionStore::Options options;
    options.sampleDirectory = [this] { return path("samples"); };
    SessionStore sessionStore(options);
    {
        ViewModelServices services;
        services.render = render;
        services.store = std::make_shared<SessionStoreStorage>(sessionStore);
        services.settings = settings;
        services.timings = timings;
        DarkroomViewModel vm(services);
        vm.loadFolder(roll);
        ASSERT_TRUE(settle(vm));
        edit(vm, [](EditParameters& r) { r.exposure = 2; });
        vm.requestRender(RenderQuality::final);
        sessionStore.flush();
        ASSERT_EQ(sessionStore.loadRecipe(roll / "a.tif")->exposure, 2);

        // The removal is queued before the neutral save, so the file is not left missing.
        vm.resetToNeutral();
        vm.saveAllOnQuit();
    }
    SessionStore reader(options);
    const auto recipe = reader.loadRecipe(roll / "a.tif");
    ASSERT_TRUE(recipe);
    EXPECT_TRUE(recipe->sameContent(EditParameters::defaultValue()));
}

TEST(EngineAnalysisServiceTest, AnEmptyFrameHasNoHorizonAndNoSubject) {
    EngineAnalysisService analysis;
    const LoadedPhoto empty("", "empty.tif", std::nullopt, Image(), Image(), PhotoSize{0, 0}, false, "sRGB");
    EXPECT_EQ(analysis.detectHorizonAngle(empty), std::nullopt);
    EXPECT_FALSE(analysis.detectSubject(empty).has_value());
}

}  // namespace
}  // namespace vantrel::testing
