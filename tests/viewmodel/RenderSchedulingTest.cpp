#include <QSignalSpy>

#include "ViewModelTestSupport.h"

namespace vantrel::testing {
namespace {

void setExposure(DarkroomViewModel& vm, double exposure) {
    EditParameters recipe = vm.parameters();
    recipe.exposure = exposure;
    vm.setParameters(recipe);
}

TEST_F(ViewModelTest, SupersededRenderNeverPublishes) {
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));

    // A final render that ignores its stop token and finishes late...
    render->hold([](const RenderJob& job) { return job.recipe.exposure == 1.0; });
    setExposure(*vm, 1.0);
    vm->requestRender(RenderQuality::final);
    ASSERT_TRUE(waitFor([&] { return render->heldCount() == 1; }));

    // ...is overtaken by the next request, which publishes.
    setExposure(*vm, 2.0);
    vm->requestRender(RenderQuality::final);
    ASSERT_TRUE(waitFor([&] { return FakeRenderService::exposure(vm->renderedPreview()) == 2.0; }));

    QSignalSpy previews(vm.get(), &DarkroomViewModel::renderedPreviewChanged);
    QSignalSpy histograms(vm.get(), &DarkroomViewModel::histogramDataChanged);
    const int finished = render->finishedCount();
    render->release();
    ASSERT_TRUE(waitFor([&] { return render->finishedCount() == finished + 1; }));
    ASSERT_TRUE(idle(*vm));
    EXPECT_EQ(previews.count(), 0);
    EXPECT_EQ(histograms.count(), 0);
    EXPECT_EQ(FakeRenderService::exposure(vm->renderedPreview()), 2.0);
}

TEST_F(ViewModelTest, ProxyAtOnceThenFullAfterAPauseAndNoProxyAfterTheFull) {
    // A pause that outlasts the quick changes below on a loaded machine too.
    timings.fullRenderDelay = std::chrono::milliseconds(300);
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));

    QStringList kinds;
    QObject::connect(vm.get(), &DarkroomViewModel::renderedPreviewChanged, vm.get(),
            [&] { kinds << FakeRenderService::kind(vm->renderedPreview()); });

    // Quick changes: each shows its proxy at once and postpones the full render.
    for (double exposure : {0.1, 0.2, 0.3}) {
        setExposure(*vm, exposure);
        vm->requestRender(RenderQuality::interactive);
        ASSERT_TRUE(waitFor([&] { return FakeRenderService::exposure(vm->renderedPreview()) == exposure; }));
    }
    ASSERT_TRUE(waitFor([&] { return !kinds.isEmpty() && kinds.back() == "full"; }));
    ASSERT_TRUE(idle(*vm));
    EXPECT_EQ(kinds.count("full"), 1);
    EXPECT_EQ(kinds.front(), "proxy");
    EXPECT_EQ(FakeRenderService::exposure(vm->renderedPreview()), 0.3);
    // The full render of an interaction computes no histogram: the proxy's stays.
    ASSERT_NE(vm->histogramData(), HistogramData::empty());
    EXPECT_EQ(vm->histogramData().lumaBins[0], 0.25f);
    // Its thumbnail reaches the filmstrip, with the edit marker.
    EXPECT_EQ(FakeRenderService::kind(vm->filmstripItems()[0].thumbnail), "full");
    EXPECT_TRUE(vm->filmstripItems()[0].hasEdits);
    EXPECT_EQ(FakeRenderService::kind(vm->thumbnailCache().at(*vm->selectedPhotoID())), "full");

    // A proxy that finishes after the same request's full image may not replace it.
    kinds.clear();
    render->hold([](const RenderJob& job) { return job.useProxy; });
    setExposure(*vm, 3.0);
    vm->requestRender(RenderQuality::interactive);
    ASSERT_TRUE(waitFor([&] { return kinds.contains("full"); }));
    const int finished = render->finishedCount();
    render->release();
    ASSERT_TRUE(waitFor([&] { return render->finishedCount() > finished; }));
    ASSERT_TRUE(idle(*vm));
    EXPECT_EQ(kinds, QStringList{"full"});
    EXPECT_EQ(FakeRenderService::kind(vm->renderedPreview()), "full");

    // A final request replaces everything by one job with histogram.
    kinds.clear();
    setExposure(*vm, 0.0);
    vm->endInteraction();
    ASSERT_TRUE(waitFor([&] { return !kinds.isEmpty(); }));
    ASSERT_TRUE(idle(*vm));
    EXPECT_EQ(kinds, QStringList{"full"});
    EXPECT_EQ(vm->histogramData().lumaBins[0], 1.0f);
    EXPECT_FALSE(vm->filmstripItems()[0].hasEdits);
    EXPECT_FALSE(vm->isInteracting());
}

TEST_F(ViewModelTest, RequestsWithoutAFrameDoNothing) {
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    vm->selectPhoto(Uuid::random());
    const std::size_t writes = store->recipeWrites.size();
    QSignalSpy previews(vm.get(), &DarkroomViewModel::renderedPreviewChanged);
    vm->requestRender(RenderQuality::final);
    vm->requestRender(RenderQuality::interactive);
    ASSERT_TRUE(idle(*vm));
    EXPECT_EQ(previews.count(), 0);
    EXPECT_EQ(store->recipeWrites.size(), writes);
}

}  // namespace
}  // namespace vantrel::testing
