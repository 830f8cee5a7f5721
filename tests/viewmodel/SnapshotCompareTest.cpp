#include "EditTestSupport.h"

namespace vantrel::testing {
namespace {

TEST_F(EditViewModelTest, SnapshotsAreSavedLoadedAndDeleted) {
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    const std::string key = FakeSessionStorage::sampleKey(*vm->selectedPhotoID());

    edit(*vm, [](EditParameters& r) { r.exposure = 1.5; });
    vm->saveSnapshot("Warm");
    vm->saveSnapshot("Warm");
    ASSERT_EQ(vm->snapshots().size(), 2u);
    EXPECT_NE(vm->snapshots()[0].id, vm->snapshots()[1].id);
    EXPECT_EQ(store->snapshots[key].size(), 2u);
    EXPECT_EQ(vm->statusMessage(), "Saved snapshot: 「Warm」");

    edit(*vm, [](EditParameters& r) { r.exposure = -1; });
    vm->setActivePresetID("portra400");
    vm->loadSnapshot(vm->snapshots()[0]);
    EXPECT_EQ(vm->parameters().exposure, 1.5);
    EXPECT_EQ(vm->activePresetID(), std::nullopt);
    EXPECT_EQ(store->recipes.at(key).exposure, 1.5);
    EXPECT_EQ(vm->snapshots().size(), 2u);
    EXPECT_EQ(vm->statusMessage(), "Loaded snapshot: 「Warm」");

    vm->deleteSnapshot(vm->snapshots()[0].id);
    EXPECT_EQ(vm->snapshots().size(), 1u);
    EXPECT_EQ(store->snapshots[key].size(), 1u);
    EXPECT_EQ(vm->statusMessage(), "Deleted snapshot");

    // Renamed by identifier and stored; an unknown identifier changes nothing.
    const Uuid kept = vm->snapshots()[0].id;
    vm->renameSnapshot(kept, "Cool");
    EXPECT_EQ(vm->snapshots()[0].name, "Cool");
    EXPECT_EQ(store->snapshots[key].at(0).name, "Cool");
    EXPECT_EQ(vm->statusMessage(), "Renamed snapshot: 「Cool」");
    vm->setStatusMessage({});
    vm->renameSnapshot(Uuid::random(), "Nobody");
    EXPECT_EQ(vm->snapshots()[0].name, "Cool");
    EXPECT_EQ(vm->statusMessage(), "");

    // Without a frame nothing is shown or saved.
    vm->selectPhoto(Uuid::random());
    vm->saveSnapshot("None");
    EXPECT_TRUE(vm->snapshots().empty());
    EXPECT_EQ(store->snapshots[key].size(), 1u);
}

TEST_F(EditViewModelTest, ComparisonTogglesRendersOnAWorkerAndEndsWithItsSnapshot) {
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    edit(*vm, [](EditParameters& r) { r.exposure = 7; });
    vm->saveSnapshot("S");
    edit(*vm, [](EditParameters& r) { r.exposure = 8; });
    vm->saveSnapshot("T");
    const SnapshotItem s = vm->snapshots()[0];
    const SnapshotItem t = vm->snapshots()[1];
    ASSERT_EQ(vm->compareMode(), CompareMode::full);

    vm->compareWithSnapshot(s);
    EXPECT_EQ(vm->activeComparisonSnapshotID(), std::optional(s.id));
    EXPECT_EQ(vm->compareMode(), CompareMode::split);
    EXPECT_EQ(vm->statusMessage(), "A/B compare active: 「S」 vs Current");
    ASSERT_TRUE(waitFor([&] { return !vm->snapshotComparisonPreview().isNull(); }));
    EXPECT_EQ(FakeRenderService::exposure(vm->snapshotComparisonPreview()), 7.0);
    EXPECT_EQ(FakeRenderService::kind(vm->snapshotComparisonPreview()), "full");

    // Comparing again ends it and keeps the layout.
    vm->compareWithSnapshot(s);
    EXPECT_EQ(vm->activeComparisonSnapshotID(), std::nullopt);
    EXPECT_TRUE(vm->snapshotComparisonPreview().isNull());
    EXPECT_EQ(vm->compareMode(), CompareMode::split);
    EXPECT_EQ(vm->statusMessage(), "Exited snapshot A/B compare");

    // A render of S that finishes after T was chosen is never shown.
    render->hold([](const RenderJob& job) { return job.recipe.exposure == 7; });
    vm->setCompareMode(CompareMode::sideBySide);
    vm->compareWithSnapshot(s);
    ASSERT_TRUE(waitFor([&] { return render->heldCount() == 1; }));
    vm->compareWithSnapshot(t);
    EXPECT_EQ(vm->activeComparisonSnapshotID(), std::optional(t.id));
    EXPECT_EQ(vm->compareMode(), CompareMode::sideBySide);
    EXPECT_EQ(vm->statusMessage(), "A/B compare active: 「T」 vs Current");
    ASSERT_TRUE(waitFor([&] { return !vm->snapshotComparisonPreview().isNull(); }));
    const int finished = render->finishedCount();
    render->release();
    ASSERT_TRUE(waitFor([&] { return render->finishedCount() > finished; }));
    ASSERT_TRUE(idle(*vm));
    EXPECT_EQ(FakeRenderService::exposure(vm->snapshotComparisonPreview()), 8.0);

    // Deleting the compared snapshot ends the comparison, then reports the deletion.
    QStringList statuses;
    QObject::connect(vm.get(), &DarkroomViewModel::statusMessageChanged, vm.get(),
                     [&] { statuses << QString::fromStdString(vm->statusMessage()); });
    vm->deleteSnapshot(t.id);
    EXPECT_EQ(statuses, (QStringList{"Exited snapshot A/B compare", "Deleted snapshot"}));
    EXPECT_EQ(vm->activeComparisonSnapshotID(), std::nullopt);
    EXPECT_TRUE(vm->snapshotComparisonPreview().isNull());

    // Leaving for a frame without that snapshot ends the comparison.
    vm->compareWithSnapshot(s);
    vm->selectPhoto(DarkroomViewModel::sampleRollPhotoIDs()[1]);
    EXPECT_EQ(vm->activeComparisonSnapshotID(), std::nullopt);
    ASSERT_TRUE(idle(*vm));
    EXPECT_TRUE(vm->snapshotComparisonPreview().isNull());
}

}  // namespace
}  // namespace vantrel::testing
