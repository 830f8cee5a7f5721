// The thumbnail loop against the filmstrip: developed thumbnails win, hidden
// frames are still served, and a new roll stops the old loop.
#include "ViewModelTestSupport.h"

namespace vantrel::testing {
namespace {

std::vector<std::string> requestedNames(const FakeRenderService& render) {
    std::vector<std::string> names;
    for (const auto& file : render.thumbnailRequests()) names.push_back(file.filename().string());
    return names;
}

TEST_F(ViewModelTest, RollLoopThumbnailsNeverReplaceDevelopedOnes) {
    const auto roll = makeRoll("roll", {"a.tif", "b.tif", "c.tif", "nomemory.tif", "nothumb.tif"});
    settings->setValue("lastOpenedFolderPath", QString::fromStdString(roll.string()));
    render->holdThumbnails();
    auto vm = makeViewModel();
    const Uuid a = idOfTitle(*vm, "a.tif"), b = idOfTitle(*vm, "b.tif"), c = idOfTitle(*vm, "c.tif");
    EXPECT_TRUE(vm->isGeneratingThumbnails());

    // a's undeveloped thumbnail is being made while its developed one is published.
    ASSERT_TRUE(waitFor([&] { return vm->thumbnailCache().count(a) && !render->thumbnailRequests().empty(); }));
    ASSERT_EQ(requestedNames(*render), std::vector<std::string>{"a.tif"});
    EXPECT_EQ(FakeRenderService::kind(vm->thumbnailCache().at(a)), "full");

    // Hide b and c before their thumbnails arrive.
    vm->setRating(3);
    vm->setCullingFilter(CullingFilterCriteria{3, std::nullopt, std::nullopt});
    ASSERT_EQ(vm->filmstripItems().size(), 1u);

    render->releaseThumbnails();
    ASSERT_TRUE(waitFor([&] { return !vm->isGeneratingThumbnails(); }));
    // A thumbnail whose memory ran out is passed over: the loop goes on to the next frame.
    EXPECT_EQ(requestedNames(*render),
              (std::vector<std::string>{"a.tif", "b.tif", "c.tif", "nomemory.tif", "nothumb.tif"}));
    EXPECT_EQ(FakeRenderService::kind(vm->thumbnailCache().at(a)), "full");
    EXPECT_EQ(FakeRenderService::kind(vm->filmstripItems()[0].thumbnail), "full");
    EXPECT_EQ(vm->thumbnailCache().at(b).text("file"), "b.tif");
    EXPECT_EQ(vm->thumbnailCache().size(), 3u);  // none made for the files that gave none

    // Shown again, the hidden frames carry what the loop made for them meanwhile.
    vm->setCullingFilter(CullingFilterCriteria::none());
    ASSERT_EQ(vm->filmstripItems().size(), 5u);
    EXPECT_EQ(vm->filmstripItems()[1].thumbnail.text("file"), "b.tif");
    EXPECT_EQ(vm->filmstripItems()[2].thumbnail.text("file"), "c.tif");
    EXPECT_TRUE(vm->filmstripItems()[3].thumbnail.isNull());
    EXPECT_TRUE(vm->filmstripItems()[4].thumbnail.isNull());
    EXPECT_EQ(vm->filmstripItems()[2].id, c);

    // Leaving a frame keeps a small copy of its developed preview, which the
    // loop then passes by.
    vm->selectPhoto(b);
    const QImage kept = vm->thumbnailCache().at(a);
    EXPECT_EQ(FakeRenderService::kind(kept), "full");
    EXPECT_LE(std::max(kept.width(), kept.height()), 240);
}

TEST_F(ViewModelTest, RollOpeningStopsThePreviousLoop) {
    const auto first = makeRoll("first", {"d.tif", "e.tif", "f.tif"});
    const auto second = makeRoll("second", {"a.tif", "b.tif"});
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));

    render->holdThumbnails();
    vm->loadFolder(first);
    ASSERT_TRUE(waitFor([&] { return render->thumbnailRequests().size() == 1; }));
    // Opened again while d's thumbnail is being made: d's result is dropped,
    // e and f are never asked for, and the new roll's frames follow in turn.
    vm->loadFolder(second);
    render->releaseThumbnails();
    ASSERT_TRUE(waitFor([&] { return !vm->isGeneratingThumbnails(); }));
    ASSERT_TRUE(idle(*vm));
    EXPECT_EQ(requestedNames(*render), (std::vector<std::string>{"d.tif", "a.tif", "b.tif"}));
    for (const auto& [id, thumbnail] : vm->thumbnailCache()) EXPECT_NE(thumbnail.text("file"), "d.tif");
    EXPECT_EQ(vm->thumbnailCache().size(), 2u);

    // Reopening the same folder makes every thumbnail afresh.
    vm->loadFolder(second);
    ASSERT_TRUE(waitFor([&] { return !vm->isGeneratingThumbnails(); }));
    EXPECT_EQ(render->thumbnailRequests().size(), 5u);

    // The sample roll replacing a folder stops its loop too.
    render->holdThumbnails();
    vm->loadFolder(first);
    ASSERT_TRUE(waitFor([&] { return render->thumbnailRequests().size() == 6; }));
    vm->loadSampleRoll();
    EXPECT_FALSE(vm->isGeneratingThumbnails());
    render->releaseThumbnails();
    ASSERT_TRUE(idle(*vm));
    EXPECT_EQ(render->thumbnailRequests().size(), 6u);
    ASSERT_TRUE(settle(*vm));
}

TEST_F(ViewModelTest, RollKeepsEachPreviewForItsOwnFrame) {
    const auto roll = makeRoll("roll", {"a.tif", "b.tif", "c.tif"});
    settings->setValue("lastOpenedFolderPath", QString::fromStdString(roll.string()));
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    EditParameters recipe = vm->parameters();
    recipe.exposure = 0.5;
    vm->setParameters(recipe);
    vm->requestRender(RenderQuality::final);
    ASSERT_TRUE(waitFor([&] { return FakeRenderService::exposure(vm->renderedPreview()) == 0.5; }));
    const Uuid b = idOfTitle(*vm, "b.tif"), c = idOfTitle(*vm, "c.tif");

    // b is left before its render is published: a's preview is still on screen
    // and must become neither b's nor c's picture.
    render->hold([](const RenderJob& job) { return job.photo.title() == "b.tif"; });
    vm->selectPhoto(b);
    ASSERT_TRUE(waitFor([&] { return render->heldCount() == 1; }));
    vm->selectPhoto(c);
    EXPECT_EQ(FakeRenderService::exposure(vm->thumbnailCache().at(idOfTitle(*vm, "a.tif"))), 0.5);
    if (vm->thumbnailCache().count(b)) {
        EXPECT_NE(FakeRenderService::kind(vm->thumbnailCache().at(b)), "full");
    }
    for (const FilmstripItem& item : vm->filmstripItems()) {
        if (item.id != idOfTitle(*vm, "a.tif")) {
            EXPECT_NE(FakeRenderService::exposure(item.thumbnail), 0.5);
        }
    }
    render->release();
    ASSERT_TRUE(waitFor([&] { return vm->thumbnailCache().count(c) && !vm->isGeneratingThumbnails(); }));
    ASSERT_TRUE(idle(*vm));
    EXPECT_NE(FakeRenderService::kind(vm->thumbnailCache().at(b)), "full");  // b's late render was dropped
}

}  // namespace
}  // namespace vantrel::testing
