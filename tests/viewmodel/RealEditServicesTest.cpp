// The editing operations over the real session store and the engine's analyses.
#include <cmath>
#include <cstring>

#include <opencv2/imgproc.hpp>

#include "EditTestSupport.h"
#include "services/L10n.h"
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

// An 8-bit picture as a frame the view model holds.
LoadedPhoto photoOf(const cv::Mat& rgba, const char* title) {
    SourcePixels p = SourcePixels::allocate(rgba.cols, rgba.rows, 4, SampleType::uint8);
    for (int y = 0; y < rgba.rows; ++y) std::memcpy(p.mutableRow(y), rgba.ptr(y), std::size_t(rgba.cols) * 4);
    const Image image = Image::fromPixels(std::move(p));
    return LoadedPhoto("", title, std::nullopt, image, image, PhotoSize{double(rgba.cols), double(rgba.rows)}, false, "sRGB");
}

TEST_F(EditViewModelTest, WithoutASubjectOrAHorizonTheEnginesAnswerIsReportedAsSuch) {
    ViewModelServices services;
    services.render = render;
    services.store = store;
    services.settings = settings;
    services.timings = timings;
    services.analysis = std::make_shared<EngineAnalysisService>();
    DarkroomViewModel vm(services);
    // Rolling hills under a sky and over a field: a landscape, no thing standing out in it.
    cv::Mat hills(600, 900, CV_8UC4);
    for (int y = 0; y < hills.rows; ++y)
        for (int x = 0; x < hills.cols; ++x) {
            const double u = double(x) / hills.cols, v = double(y) / hills.rows;
            const double ridge = 0.42 + 0.06 * std::sin(6.0 * u + 0.5) + 0.03 * std::sin(17.0 * u);
            const cv::Vec4b sky(std::uint8_t(120 + 60 * v), std::uint8_t(165 + 40 * v), 225, 255), hill(150, 170, 70, 255),
                field(95, 75, 50, 255);
            hills.at<cv::Vec4b>(y, x) = v < ridge ? sky : v < 0.68 ? hill : field;
        }
    cv::Mat grain(hills.size(), CV_8UC4);
    cv::randn(grain, cv::Scalar::all(0), cv::Scalar(4, 4, 4, 0));
    hills += grain;
    // Blobs of every tone, and no line across them: nothing to level on.
    cv::Mat blobs(600, 900, CV_8UC4, cv::Scalar(128, 128, 128, 255));
    cv::RNG rng(4);
    for (int k = 0; k < 60; ++k)
        cv::circle(blobs, {rng.uniform(0, 900), rng.uniform(0, 600)}, rng.uniform(15, 110), cv::Scalar::all(rng.uniform(0, 255)),
                   cv::FILLED, cv::LINE_AA);
    const LoadedPhoto landscape = photoOf(hills, "hills.png"), texture = photoOf(blobs, "blobs.png");
    vm.setPhotos({landscape, texture});

    // The detection's mask of what draws the eye is no subject: the fallback says so.
    vm.selectPhoto(DarkroomViewModel::frameID(landscape));
    ASSERT_TRUE(settle(vm));
    vm.detectSubject();
    ASSERT_TRUE(waitFor([&] { return !vm.isDetectingSubject(); }, 20000));
    EXPECT_EQ(vm.statusMessage(), L10n::tr("status.visionFallback"));

    // Levelling a frame without a horizon says it found none and turns nothing, never "+0.0°".
    vm.selectPhoto(DarkroomViewModel::frameID(texture));
    ASSERT_TRUE(settle(vm));
    vm.autoLevelHorizon();
    ASSERT_TRUE(waitFor([&] { return !vm.isDetectingHorizon(); }, 20000));
    EXPECT_EQ(vm.statusMessage(), L10n::tr("status.horizonNotFound"));
    EXPECT_EQ(vm.parameters().crop.straightenAngle, 0.0);
}

TEST(EngineAnalysisServiceTest, AnEmptyFrameHasNoHorizonAndNoSubject) {
    EngineAnalysisService analysis;
    const LoadedPhoto empty("", "empty.tif", std::nullopt, Image(), Image(), PhotoSize{0, 0}, false, "sRGB");
    EXPECT_EQ(analysis.detectHorizonAngle(empty), std::nullopt);
    EXPECT_FALSE(analysis.detectSubject(empty).has_value());
}

}  // namespace
}  // namespace vantrel::testing
