// Checked frames, export and synchronisation targets, and synchronising the
// current recipe onto the roll.
#include "ViewModelTestSupport.h"
#include "services/L10n.h"
#include "services/LocalizationManager.h"

namespace vantrel::testing {
namespace {

std::vector<std::string> titles(const std::vector<LoadedPhoto>& photos) {
    std::vector<std::string> out;
    for (const LoadedPhoto& photo : photos) out.push_back(photo.title());
    return out;
}

using Names = std::vector<std::string>;

TEST_F(ViewModelTest, SyncStartsFromEachTargetsLatestRecipe) {
    const auto roll = makeRoll("roll", {"a.tif", "b.tif", "c.tif"});
    settings->setValue("lastOpenedFolderPath", QString::fromStdString(roll.string()));
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    const std::string b = (roll / "b.tif").string(), c = (roll / "c.tif").string();

    // b is edited here; c's file is changed by another program since it was read.
    vm->selectPhoto(idOfTitle(*vm, "b.tif"));
    EditParameters edited = vm->parameters();
    edited.exposure = 1.5;
    edited.vignette = 0.4;
    vm->setParameters(edited);
    vm->requestRender(RenderQuality::final);
    vm->selectPhoto(idOfTitle(*vm, "a.tif"));
    EditParameters elsewhere = EditParameters::defaultValue();
    elsewhere.exposure = 2;
    store->recipes[c] = elsewhere;

    EditParameters source = vm->parameters();
    source.exposure = -1.0;
    source.temperature = 3200;
    source.vignette = 0.9;
    vm->setParameters(source);
    vm->requestRender(RenderQuality::interactive);  // the source need not be saved yet
    BatchSyncOptions options = BatchSyncOptions::recommended();
    options.syncTone = false;
    options.syncOptics = false;
    vm->setBatchSyncOptions(options);
    vm->presentBatchSyncSheet();
    EXPECT_TRUE(vm->isShowingBatchSyncSheet());
    store->recipeWrites.clear();

    vm->syncRecipeToRoll();
    EXPECT_FALSE(vm->isShowingBatchSyncSheet());
    // Told once every target's save has reported.
    EXPECT_TRUE(
        waitFor([&] { return vm->statusMessage() == L10n::tr("status.syncSuccess", std::string("a.tif"), 2); }));
    // Groups switched off keep the target's own settings (the other program's
    // on c); the others come from the source.
    const EditParameters& syncedB = vm->inMemoryRecipes().at(idOfTitle(*vm, "b.tif"));
    EXPECT_EQ(syncedB.exposure, 1.5);
    EXPECT_EQ(syncedB.vignette, 0.4);
    EXPECT_EQ(syncedB.temperature, 3200);
    EXPECT_EQ(vm->inMemoryRecipes().at(idOfTitle(*vm, "c.tif")).exposure, 2.0);
    // Written at once, in roll order, after the source's own waiting save.
    ASSERT_EQ(store->recipeWrites.size(), 3u);
    EXPECT_EQ(store->recipeWrites[0].key, (roll / "a.tif").string());
    EXPECT_EQ(store->recipeWrites[1].key, b);
    EXPECT_EQ(store->recipeWrites[2].key, c);
    EXPECT_EQ(store->recipes.at(b), syncedB);
    EXPECT_TRUE(vm->filmstripItems()[2].hasEdits);
    EXPECT_EQ(vm->parameters(), source);  // the current frame is no target

    vm->selectPhoto(idOfTitle(*vm, "b.tif"));
    EXPECT_EQ(vm->parameters(), syncedB);
    ASSERT_TRUE(settle(*vm));
}

TEST_F(ViewModelTest, SyncCheckedFramesChooseTheTargets) {
    const auto roll = makeRoll("roll", {"a.tif", "b.tif", "c.tif"});
    settings->setValue("lastOpenedFolderPath", QString::fromStdString(roll.string()));
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    const Uuid a = idOfTitle(*vm, "a.tif"), c = idOfTitle(*vm, "c.tif");

    // Nothing checked: export the current frame, synchronise every other.
    EXPECT_EQ(titles(vm->exportTargetPhotos()), Names{"a.tif"});
    EXPECT_EQ(titles(vm->syncTargetPhotos()), (Names{"b.tif", "c.tif"}));

    // Only the current frame checked: nothing to synchronise.
    vm->toggleChecked(a);
    EXPECT_TRUE(vm->isChecked(a));
    EXPECT_TRUE(vm->syncTargetPhotos().empty());
    vm->presentBatchSyncSheet();
    store->recipeWrites.clear();
    vm->syncRecipeToRoll();
    EXPECT_EQ(vm->statusMessage(), L10n::tr("status.noSyncTargets"));
    EXPECT_FALSE(vm->isShowingBatchSyncSheet());
    EXPECT_TRUE(store->recipeWrites.empty());

    vm->toggleChecked(c);
    EXPECT_EQ(titles(vm->exportTargetPhotos()), (Names{"a.tif", "c.tif"}));
    EXPECT_EQ(titles(vm->syncTargetPhotos()), Names{"c.tif"});

    vm->invertCheckedPhotos();
    EXPECT_EQ(vm->checkedPhotoIDs(), std::set<Uuid>{idOfTitle(*vm, "b.tif")});
    vm->invertCheckedPhotos();
    EXPECT_EQ(vm->checkedPhotoIDs(), (std::set<Uuid>{a, c}));
    vm->toggleChecked(c);
    EXPECT_FALSE(vm->isChecked(c));
    vm->checkAllPhotos();
    EXPECT_EQ(vm->checkedPhotoIDs().size(), 3u);
    vm->uncheckAllPhotos();
    EXPECT_TRUE(vm->checkedPhotoIDs().empty());

    // A frame checked in another roll: the export has no target; inverting drops it.
    const Uuid stranger = Uuid::random();
    vm->toggleChecked(stranger);
    EXPECT_TRUE(vm->exportTargetPhotos().empty());
    EXPECT_TRUE(vm->syncTargetPhotos().empty());
    vm->invertCheckedPhotos();
    EXPECT_EQ(vm->checkedPhotoIDs().size(), 3u);
    EXPECT_FALSE(vm->isChecked(stranger));

    // A selection naming no frame of the roll: every frame is a target, and the
    // status names the current photo generically.
    vm->uncheckAllPhotos();
    vm->selectPhoto(Uuid::random());
    EXPECT_TRUE(vm->exportTargetPhotos().empty());
    EXPECT_EQ(vm->syncTargetPhotos().size(), 3u);
    vm->syncRecipeToRoll();
    EXPECT_TRUE(waitFor(
        [&] { return vm->statusMessage() == L10n::tr("status.syncSuccess", L10n::tr("sync.currentFilm"), 3); }));
    // No selection at all: no targets.
    vm->setSelectedPhotoID(std::nullopt);
    EXPECT_TRUE(vm->syncTargetPhotos().empty());
}

TEST_F(ViewModelTest, SyncedTargetsGetThumbnailsOfTheirRecipeOnlyWhileItHolds) {
    const auto roll = makeRoll("roll", {"a.tif", "b.tif", "c.tif"});
    settings->setValue("lastOpenedFolderPath", QString::fromStdString(roll.string()));
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    const Uuid b = idOfTitle(*vm, "b.tif"), c = idOfTitle(*vm, "c.tif");
    auto thumbnailExposure = [&](const Uuid& id) {
        const auto found = vm->thumbnailCache().find(id);
        return found == vm->thumbnailCache().end() ? -99.0 : FakeRenderService::exposure(found->second);
    };

    // The synchronisation's thumbnails are held while b is edited on its own.
    render->hold([](const RenderJob& job) { return job.useProxy && job.wantsThumbnail; });
    EditParameters source = vm->parameters();
    source.exposure = 1;
    vm->setParameters(source);
    vm->syncRecipeToRoll();
    ASSERT_TRUE(waitFor([&] { return render->heldCount() >= 1; }));
    vm->selectPhoto(b);
    EditParameters own = vm->parameters();
    own.exposure = 5;
    vm->setParameters(own);
    vm->requestRender(RenderQuality::final);
    ASSERT_TRUE(waitFor([&] { return FakeRenderService::exposure(vm->renderedPreview()) == 5; }));
    vm->selectPhoto(idOfTitle(*vm, "a.tif"));
    render->release();

    // c shows its synchronised recipe; b keeps the picture of its own later edit.
    EXPECT_TRUE(waitFor([&] { return thumbnailExposure(c) == 1; }));
    ASSERT_TRUE(idle(*vm));
    EXPECT_EQ(thumbnailExposure(b), 5);
    for (const FilmstripItem& item : vm->filmstripItems()) {
        if (item.id == c) {
            EXPECT_EQ(FakeRenderService::exposure(item.thumbnail), 1);
        }
    }
}

TEST_F(ViewModelTest, AnUndecodableScanSaysWhyOncePerVisit) {
    LocalizationManager::shared().setLanguage(AppLanguage::en);
    const auto roll = makeRoll("roll", {"a.tif", "b_undecodable.tif"});
    settings->setValue("lastOpenedFolderPath", QString::fromStdString(roll.string()));
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    EXPECT_FALSE(vm->previewLoadError());

    int statusChanges = 0;
    QObject::connect(vm.get(), &DarkroomViewModel::statusMessageChanged, vm.get(), [&] { ++statusChanges; });
    vm->selectPhoto(idOfTitle(*vm, "b_undecodable.tif"));
    ASSERT_TRUE(waitFor([&] { return vm->previewLoadError().has_value(); }));
    EXPECT_EQ(vm->previewLoadError()->str(), "cannot decode b_undecodable.tif");
    EXPECT_TRUE(vm->renderedPreview().isNull());  // not a's picture
    EXPECT_TRUE(vm->originalPreview().isNull());
    EXPECT_EQ(vm->statusMessage(), "Could not show b_undecodable.tif: cannot decode b_undecodable.tif");
    // Every later render fails the same way; the status line says it once.
    vm->requestRender(RenderQuality::interactive);
    ASSERT_TRUE(idle(*vm));
    EXPECT_EQ(statusChanges, 1);

    // Back on a readable frame the message goes with the first picture.
    vm->selectPhoto(idOfTitle(*vm, "a.tif"));
    EXPECT_FALSE(vm->previewLoadError());
    ASSERT_TRUE(waitFor([&] { return !vm->renderedPreview().isNull(); }));
}

}  // namespace
}  // namespace vantrel::testing
