#include "ViewModelTestSupport.h"

namespace vantrel::testing {
namespace {

void edit(DarkroomViewModel& vm, double exposure, RenderQuality quality) {
    EditParameters recipe = vm.parameters();
    recipe.exposure = exposure;
    vm.setParameters(recipe);
    vm.requestRender(quality);
}

TEST_F(ViewModelTest, QuickChangesMakeOneSaveOfTheLastRecipe) {
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    const std::string key = FakeSessionStorage::sampleKey(*vm->selectedPhotoID());
    store->recipeWrites.clear();

    for (int i = 1; i <= 10; ++i) {
        edit(*vm, i * 0.1, RenderQuality::interactive);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(store->writesFor(key), 0);
    EXPECT_EQ(vm->inMemoryRecipes().at(*vm->selectedPhotoID()).exposure, 1.0);
    ASSERT_TRUE(waitFor([&] { return store->writesFor(key) == 1; }));
    ASSERT_TRUE(idle(*vm));
    EXPECT_EQ(store->recipeWrites.size(), 1u);
    EXPECT_EQ(store->recipeWrites[0].recipe.exposure, 1.0);
}

TEST_F(ViewModelTest, FinalRequestSavesAtOnceAndThePendingSaveNeverRuns) {
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    const std::string key = FakeSessionStorage::sampleKey(*vm->selectedPhotoID());
    store->recipeWrites.clear();

    edit(*vm, 0.3, RenderQuality::interactive);
    edit(*vm, 0.6, RenderQuality::interactive);
    EXPECT_TRUE(vm->hasPendingSave());
    edit(*vm, 0.9, RenderQuality::final);
    ASSERT_EQ(store->writesFor(key), 1);  // synchronous: written before the request returns
    EXPECT_EQ(store->recipes.at(key).exposure, 0.9);
    EXPECT_FALSE(vm->hasPendingSave());
    ASSERT_TRUE(idle(*vm));
    EXPECT_EQ(store->writesFor(key), 1);
}

TEST_F(ViewModelTest, LeavingAFrameOrARollWritesItsLastEdit) {
    const auto roll = makeRoll("roll", {"a.tif", "b.tif"});
    const auto other = makeRoll("other", {"c.tif"});
    settings->setValue("lastOpenedFolderPath", QString::fromStdString(roll.string()));
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    const std::string a = (roll / "a.tif").string(), b = (roll / "b.tif").string();

    // Edit A, select B within the save delay, quit: A's file holds the edit.
    edit(*vm, 1.5, RenderQuality::interactive);
    vm->selectPhoto(idOfTitle(*vm, "b.tif"));
    EXPECT_EQ(store->recipes.at(a).exposure, 1.5);
    vm->saveAllOnQuit();
    EXPECT_EQ(store->recipes.at(a).exposure, 1.5);
    EXPECT_EQ(store->flushes, 1);
    // Back on A, its recipe comes from memory.
    vm->selectPhoto(idOfTitle(*vm, "a.tif"));
    EXPECT_EQ(vm->parameters().exposure, 1.5);
    EXPECT_FALSE(vm->activePresetID());

    // Edit a frame, then open another roll within the save delay.
    vm->selectPhoto(idOfTitle(*vm, "b.tif"));
    edit(*vm, 2.5, RenderQuality::interactive);
    vm->loadFolder(other);
    EXPECT_EQ(store->recipes.at(b).exposure, 2.5);
    EXPECT_EQ(vm->selectedPhoto()->title(), "c.tif");
    const int writesOfB = store->writesFor(b);
    ASSERT_TRUE(idle(*vm));  // nothing was left waiting to overwrite it
    EXPECT_EQ(store->recipes.at(b).exposure, 2.5);
    EXPECT_EQ(store->writesFor(b), writesOfB);
}

TEST_F(ViewModelTest, QuitWithoutAFrameStillSavesCullingAndFlushes) {
    const auto roll = makeRoll("roll", {"a.tif"});
    RollCullingDatabase stored;
    stored.setRating(4, Uuid::random(), "a.tif");
    store->culling[roll.string()] = stored;
    settings->setValue("lastOpenedFolderPath", QString::fromStdString(roll.string()));
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    // Stored records follow their frames into this opening by file name.
    EXPECT_EQ(vm->selectedCullingRecord().rating, 4);
    vm->setRating(5);

    // A folder with no usable scan leaves the open roll as it was.
    const auto empty = makeRoll("empty", {"bad.tif"});
    vm->loadFolder(empty);
    EXPECT_EQ(vm->currentFolderURL(), roll);
    vm->selectPhoto(Uuid::random());
    ASSERT_EQ(vm->selectedPhoto(), nullptr);
    store->recipeWrites.clear();
    store->cullingWrites.clear();

    vm->saveAllOnQuit();
    // The records go back to their own roll, never into the folder that failed.
    EXPECT_EQ(store->cullingWrites, std::vector<std::string>{roll.string()});
    EXPECT_EQ(store->culling.count(empty.string()), 0u);
    EXPECT_TRUE(store->recipeWrites.empty());
    EXPECT_EQ(store->flushes, 1);
    EXPECT_FALSE(vm->accessedFolder());

    // Every way of ending calls it; a second run does no harm.
    vm->saveAllOnQuit();
    EXPECT_EQ(store->flushes, 2);
    EXPECT_EQ(store->culling.at(roll.string()).records.size(), 1u);
}

}  // namespace
}  // namespace vantrel::testing
