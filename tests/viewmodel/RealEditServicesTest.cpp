// The editing operations over the real session store and the engine's analyses.
#include <cmath>
#include <numbers>
#include <cstring>

#include <opencv2/imgproc.hpp>

#include "EditTestSupport.h"
#include "common/TestImages.h"
#include "engine/analysis/subject/SubjectModels.h"
#include "services/L10n.h"
#include "services/SessionStore.h"
#include "viewmodel/EngineRenderService.h"
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

// The mean grey of a picture, 0 to 255.
double meanGrey(const QImage& picture) {
    double sum = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) sum += qGray(picture.pixel(x, y));
    return picture.isNull() ? 0 : sum / (double(picture.width()) * picture.height());
}

TEST_F(EditViewModelTest, AfterARestartEditedFramesShowTheirRecipesDevelopedWithoutBeingOpened) {
    const auto roll = path("roll");
    std::filesystem::create_directories(roll);
    for (const char* scan : {"a.png", "b.png", "c.png"}) {
        QImage grey(300, 200, QImage::Format_RGB32);
        grey.fill(QColor(60, 60, 60));
        ASSERT_TRUE(grey.save(QString::fromStdString((roll / scan).string())));
    }
    // As a session before left them: b two stops brighter, c too and with a
    // darkened background around a subject that is found again.
    EditParameters brighter = EditParameters::defaultValue();
    brighter.exposure = 2;
    EditParameters graded = brighter;
    graded.subjectMask.isEnabled = graded.subjectMask.hasDetectedSubject = true;
    graded.subjectMask.background.exposure = -2;
    store->recipes[(roll / "b.png").string()] = brighter;
    store->recipes[(roll / "c.png").string()] = graded;
    analysis->mask = imageOf(300, 200, [](int x, int) {  // the left half
        const float subject = x < 150 ? 1.0f : 0.0f;
        return std::array<float, 3>{subject, subject, subject};
    });
    analysis->subjects.close();
    renderService = std::make_shared<EngineRenderService>();
    settings->setValue("lastOpenedFolderPath", QString::fromStdString(roll.string()));
    auto vm = makeViewModel();
    const Uuid a = idOfTitle(*vm, "a.png"), b = idOfTitle(*vm, "b.png"), c = idOfTitle(*vm, "c.png");
    // Marked from the opening; developed in the background, c at first without its subject.
    ASSERT_EQ(vm->filmstripItems().size(), 3u);
    EXPECT_FALSE(vm->filmstripItems()[0].hasEdits);
    EXPECT_TRUE(vm->filmstripItems()[1].hasEdits);
    EXPECT_TRUE(vm->filmstripItems()[2].hasEdits);
    const auto pictured = [&](const Uuid& frame) { return vm->thumbnailCache().count(frame) > 0; };
    ASSERT_TRUE(waitFor([&] { return pictured(a) && pictured(b) && pictured(c); }, 10000));
    const double plain = meanGrey(vm->thumbnailCache().at(a));
    EXPECT_GT(meanGrey(vm->thumbnailCache().at(b)), plain + 40);
    const QImage ungraded = vm->thumbnailCache().at(c);
    EXPECT_GT(meanGrey(ungraded), plain + 40);
    EXPECT_EQ(vm->selectedPhotoID(), a);

    // Its subject found again, c's picture is made again with its background darkened.
    analysis->subjects.open();
    ASSERT_TRUE(idle(*vm));
    const QImage picture = vm->thumbnailCache().at(c);
    EXPECT_NEAR(qGray(picture.pixel(picture.width() / 4, picture.height() / 2)),
                qGray(ungraded.pixel(ungraded.width() / 4, ungraded.height() / 2)), 8);
    EXPECT_LT(qGray(picture.pixel(picture.width() * 3 / 4, picture.height() / 2)),
              qGray(ungraded.pixel(ungraded.width() * 3 / 4, ungraded.height() / 2)) - 40);
    for (const FilmstripItem& item : vm->filmstripItems())
        EXPECT_EQ(item.thumbnail.cacheKey(), vm->thumbnailCache().at(item.id).cacheKey());
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
    // The field's edge falls 0.3 degrees to the right: level to the eye.
    cv::Mat hills(600, 900, CV_8UC4);
    const double fall = std::tan(0.3 * std::numbers::pi / 180) * hills.cols / hills.rows;
    for (int y = 0; y < hills.rows; ++y)
        for (int x = 0; x < hills.cols; ++x) {
            const double u = double(x) / hills.cols, v = double(y) / hills.rows;
            const double ridge = 0.42 + 0.06 * std::sin(6.0 * u + 0.5) + 0.03 * std::sin(17.0 * u);
            const cv::Vec4b sky(std::uint8_t(120 + 60 * v), std::uint8_t(165 + 40 * v), 225, 255), hill(150, 170, 70, 255),
                field(95, 75, 50, 255);
            hills.at<cv::Vec4b>(y, x) = v < ridge ? sky : v < 0.68 + fall * (u - 0.5) ? hill : field;
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
    // A pitch seen from above: mown stripes and painted lines, no sky.
    cv::Mat pitch(600, 900, CV_8UC4);
    for (int x = 0; x < pitch.cols; ++x)
        pitch.col(x).setTo(x / 75 % 2 ? cv::Scalar(55, 120, 45, 255) : cv::Scalar(70, 145, 55, 255));
    const cv::Scalar paint(230, 235, 230, 255);
    cv::line(pitch, {450, 0}, {450, 599}, paint, 3, cv::LINE_AA);
    cv::line(pitch, {0, 60}, {899, 60}, paint, 3, cv::LINE_AA);
    cv::line(pitch, {0, 540}, {899, 540}, paint, 3, cv::LINE_AA);
    cv::circle(pitch, {450, 300}, 80, paint, 3, cv::LINE_AA);
    pitch += grain;
    const LoadedPhoto landscape = photoOf(hills, "hills.png"), texture = photoOf(blobs, "blobs.png"), lawn = photoOf(pitch, "pitch.png");
    vm.setPhotos({landscape, texture, lawn});

    // The detector looks and finds nothing it knows, and what draws the eye is no subject: the
    // window says so.
    vm.selectPhoto(DarkroomViewModel::frameID(landscape));
    ASSERT_TRUE(settle(vm));
    vm.detectSubject();
    ASSERT_TRUE(waitFor([&] { return !vm.isDetectingSubject(); }, 20000));
    EXPECT_EQ(vm.statusMessage(), L10n::tr("status.visionFallback"));
    EXPECT_TRUE(subject::SubjectModels::shared().available()) << "detected without the models";

    // The landscape's field meets its hill along a level line: already level, nothing turned.
    vm.autoLevelHorizon();
    ASSERT_TRUE(waitFor([&] { return !vm.isDetectingHorizon(); }, 20000));
    EXPECT_EQ(vm.statusMessage(), L10n::tr("status.horizonAlreadyLevel"));
    EXPECT_EQ(vm.parameters().crop.straightenAngle, 0.0);

    // Levelling a frame without a horizon says it found none and turns nothing, never "+0.0°":
    // blobs with no line across them, and a pitch whose lines are drawn on the ground.
    for (const LoadedPhoto* frame : {&texture, &lawn}) {
        vm.selectPhoto(DarkroomViewModel::frameID(*frame));
        ASSERT_TRUE(settle(vm));
        vm.autoLevelHorizon();
        ASSERT_TRUE(waitFor([&] { return !vm.isDetectingHorizon(); }, 20000));
        EXPECT_EQ(vm.statusMessage(), L10n::tr("status.horizonNotFound")) << frame->title();
        EXPECT_EQ(vm.parameters().crop.straightenAngle, 0.0) << frame->title();
    }
}

TEST(EngineAnalysisServiceTest, AnEmptyFrameHasNoHorizonAndNoSubject) {
    EngineAnalysisService analysis;
    const LoadedPhoto empty("", "empty.tif", std::nullopt, Image(), Image(), PhotoSize{0, 0}, false, "sRGB");
    EXPECT_EQ(analysis.detectHorizonAngle(empty), std::nullopt);
    EXPECT_FALSE(analysis.detectSubject(empty).has_value());
}

}  // namespace
}  // namespace vantrel::testing
