// The view model over the real session and custom-recipe stores (renders stay fake):
// what the user did is in the files on disk after quitting.
#include "ViewModelTestSupport.h"
#include "services/SessionStore.h"
#include "viewmodel/SessionStoreStorage.h"

namespace vantrel::testing {
namespace {

TEST_F(ViewModelTest, EditsSurviveOnDiskThroughTheSessionStore) {
    const auto roll = makeRoll("roll", {"a.tif", "b.tif"});
    const auto presetsFolder = path("presets");
    std::filesystem::create_directories(presetsFolder);
    CustomPresetStore::Options presetOptions;
    presetOptions.presetsDirectory = [presetsFolder] { return presetsFolder; };
    auto presetStore = std::make_shared<CustomPresetStore>(presetOptions);
    FilmPreset mine;
    mine.id = Uuid::random().toString();
    mine.name = "Mine";
    presetStore->save(mine);

    SessionStore::Options options;
    options.sampleDirectory = [this] { return path("samples"); };
    SessionStore sessionStore(options);

    settings->setValue("lastOpenedFolderPath", QString::fromStdString(roll.string()));
    ViewModelServices services;
    services.render = render;
    services.store = std::make_shared<SessionStoreStorage>(sessionStore);
    services.presets = presetStore;
    services.settings = settings;
    services.timings = timings;
    {
        DarkroomViewModel vm(services);
        ASSERT_TRUE(settle(vm));
        EXPECT_FALSE(vm.presets().empty());
        ASSERT_EQ(vm.customPresets().size(), 1u);
        EXPECT_EQ(vm.customPresets()[0].name, "Mine");
        EXPECT_EQ(vm.exportSettings(), ExportSettings{});

        // Edit A, select B within the save delay, quit.
        EditParameters recipe = vm.parameters();
        recipe.exposure = 1.25;
        vm.setParameters(recipe);
        vm.requestRender(RenderQuality::interactive);
        vm.selectPhoto(idOfTitle(vm, "b.tif"));
        vm.saveAllOnQuit();
    }
    SessionStore reader(options);
    const auto a = reader.loadRecipe(roll / "a.tif");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->exposure, 1.25);
    EXPECT_TRUE(std::filesystem::exists(SessionStore::cullingDatabaseURL(roll)));
    // B was loaded unedited; its final render wrote its recipe file all the same.
    EXPECT_TRUE(reader.loadRecipe(roll / "b.tif"));
}

}  // namespace
}  // namespace vantrel::testing
