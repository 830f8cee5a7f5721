// The editing operations over the real session store and the engine's analyses.
#include "EditTestSupport.h"
#include "common/TestImages.h"
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

TEST(EngineAnalysisServiceTest, AnEmptyFrameHasNoHorizonAndNoSubject) {
    EngineAnalysisService analysis;
    const LoadedPhoto empty("", "empty.tif", std::nullopt, Image(), Image(), PhotoSize{0, 0}, false, "sRGB");
    EXPECT_EQ(analysis.detectHorizonAngle(empty), std::nullopt);
    EXPECT_FALSE(analysis.detectSubject(empty).has_value());
}

}  // namespace
}  // namespace vantrel::testing
