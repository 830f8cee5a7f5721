// The export operation: format and settings records, which subject mask reaches the pipeline,
// the render flags, an unreadable scan, and a real export through the shared pipeline.
#include <gtest/gtest.h>

#include <fstream>

#include "ExportTestSupport.h"
#include "engine/core/Context.h"
#include "engine/stages/DarkroomPipeline.h"
#include "engine/io/LoadedPhoto.h"
#include "services/ExportEngine.h"

namespace vantrel {
namespace {

TEST(ExportSettingsRecords, FormatNamesExtensionsAndDefaults) {
    const auto all = allCases<ExportFormat>();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(displayName(all[0]), "JPEG");
    EXPECT_EQ(displayName(all[1]), "TIFF (16-bit)");
    EXPECT_EQ(displayName(all[2]), "PNG");
    EXPECT_EQ(fileExtension(ExportFormat::jpeg), "jpg");
    EXPECT_EQ(fileExtension(ExportFormat::tiff), "tiff");
    EXPECT_EQ(fileExtension(ExportFormat::png), "png");
    EXPECT_EQ(exportFormatFromRaw("TIFF (16-bit)"), ExportFormat::tiff);
    EXPECT_EQ(exportFormatFromRaw("tiff"), std::nullopt);
    EXPECT_EQ(exportFormatFromRaw("jpg"), std::nullopt);
    EXPECT_EQ(exportFormatFromRaw(""), std::nullopt);
    const ExportSettings defaults;
    EXPECT_EQ(defaults.format, ExportFormat::jpeg);
    EXPECT_EQ(defaults.jpegQuality, 0.95);
    EXPECT_TRUE(defaults.useDisplayP3);
}

LoadedPhoto photoOf(const Image& full) {
    const Rect e = full.extent();
    return LoadedPhoto("", "frame.tif", std::nullopt, full, full, PhotoSize{double(e.width), double(e.height)}, true,
                       "Display P3");
}

Image solidMask(int w, int h) {
    const WorkingColor white{1, 1, 1, 1};
    return Image::constant(white).cropped(Rect{0, 0, w, h});
}

// Records every call the export makes into the engine.
struct Recorder {
    int maskRequests = 0;
    int renders = 0;
    std::optional<Image> maskRendered;
    Framing framing = Framing::uncropped;
    DustView dustView = DustView::allowed;
    Image generated = solidMask(4, 4);
    Context context;

    ExportEngine::Services services() {
        ExportEngine::Services s;
        s.generateMask = [this](const Image&) -> std::optional<Image> {
            ++maskRequests;
            return generated;
        };
        s.render = [this](const Image& source, const EditParameters&, const std::optional<Image>& mask, Framing f,
                          DustView dust, const ImageMetadataInfo*) {
            ++renders;
            maskRendered = mask;
            framing = f;
            dustView = dust;
            return source;
        };
        s.context = &context;
        return s;
    }
};

TEST(ExportEngine, SubjectMaskIsGeneratedOnlyWhenTheRecipeNeedsOneAndNoneWasPassed) {
    testing::ScratchFolder folder;
    const LoadedPhoto photo = photoOf(testing::imageOf(16, 12, [](int x, int y) {
        return std::array<float, 3>{x / 16.0f, y / 12.0f, 0.5f};
    }));
    const Image cached = solidMask(16, 12);

    EditParameters needsMask;
    needsMask.subjectMask.isEnabled = true;
    needsMask.subjectMask.hasDetectedSubject = true;
    needsMask.spotHealing.isVisualizeDustMode = true;
    EditParameters enabledNoSubject = needsMask;
    enabledNoSubject.subjectMask.hasDetectedSubject = false;
    EditParameters disabled = needsMask;
    disabled.subjectMask.isEnabled = false;

    struct Case {
        const char* name;
        const EditParameters* recipe;
        std::optional<Image> passed;
        int expectedRequests;
        const Image* expectedMask;  // null: no mask reaches the render
    };
    Recorder probe;
    const Case cases[] = {
        {"needed, none passed", &needsMask, std::nullopt, 1, &probe.generated},
        {"needed, cached mask passed", &needsMask, cached, 0, &cached},
        {"enabled without a detected subject", &enabledNoSubject, std::nullopt, 0, nullptr},
        {"disabled", &disabled, std::nullopt, 0, nullptr},
        {"disabled, cached mask passed", &disabled, cached, 0, &cached},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Recorder r;
        if (c.expectedMask == &probe.generated) r.generated = probe.generated;
        ExportEngine::exportImage(photo, *c.recipe, ExportSettings{ExportFormat::png, 0.95, true}, c.passed,
                                  folder / "out.png", {}, r.services());
        EXPECT_EQ(r.maskRequests, c.expectedRequests);
        EXPECT_EQ(r.renders, 1);
        EXPECT_EQ(r.framing, Framing::cropped);
        EXPECT_EQ(r.dustView, DustView::withheld);  // the dust-spotting view never reaches a file
        ASSERT_EQ(r.maskRendered.has_value(), c.expectedMask != nullptr);
        if (c.expectedMask) {
            EXPECT_TRUE(r.maskRendered->isSameNode(*c.expectedMask));
        }
    }
    EXPECT_EQ(ExportEngine::needsSubjectMask(needsMask), true);
    EXPECT_EQ(ExportEngine::needsSubjectMask(enabledNoSubject), false);
}

TEST(ExportEngine, UnreadableScanIsAnErrorAndNothingIsWritten) {
    testing::ScratchFolder folder;
    std::ofstream(folder / "broken.tif") << "not a tiff";
    const LoadedPhoto missing("", "gone.tif", folder / "gone.tif", PhotoSize{100, 100}, true, "sRGB");
    const LoadedPhoto broken("", "broken.tif", folder / "broken.tif", PhotoSize{100, 100}, true, "sRGB");
    const std::array<const LoadedPhoto*, 2> photos{&missing, &broken};
    for (const LoadedPhoto* photo : photos) {
        Recorder r;
        try {
            ExportEngine::exportImage(*photo, EditParameters(), ExportSettings(), std::nullopt, folder / "out.jpg", {},
                                      r.services());
            ADD_FAILURE() << "exported an unreadable scan";
        } catch (const ExportError& e) {
            EXPECT_EQ(e.code(), ExportError::kEmptyRender);
            EXPECT_NE(e.description().find(photo->title()), std::string::npos) << e.description();
        }
        EXPECT_EQ(r.renders, 0);
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "out.jpg"));
    EXPECT_EQ(folder.entries().size(), 1u);
}

TEST(ExportEngine, AFailingRenderBecomesAnExportError) {
    testing::ScratchFolder folder;
    const LoadedPhoto photo = photoOf(solidMask(8, 8));
    Recorder r;
    auto services = r.services();
    services.render = [](const Image&, const EditParameters&, const std::optional<Image>&, Framing, DustView,
                         const ImageMetadataInfo*) -> Image {
        throw std::bad_alloc();
    };
    try {
        ExportEngine::exportImage(photo, EditParameters(), ExportSettings(), std::nullopt, folder / "x.jpg", {}, services);
        ADD_FAILURE() << "no error";
    } catch (const ExportError& e) {
        EXPECT_EQ(e.code(), ExportError::kRenderFailed);
    }
    EXPECT_TRUE(folder.entries().empty());
}

TEST(ExportEngine, ExportsThroughTheSharedPipelineWithTheCropApplied) {
    testing::ScratchFolder folder;
    const LoadedPhoto photo = photoOf(testing::imageOf(200, 100, [](int x, int) {
        return std::array<float, 3>{x < 100 ? 0.0f : 1.0f, 0.2f, 0.2f};
    }));
    EditParameters recipe;
    recipe.crop.rect = NormalizedRect{0.5, 0.0, 0.5, 1.0};  // the right half
    recipe.spotHealing.isVisualizeDustMode = true;
    ExportEngine::exportImageAsync(photo, recipe, ExportSettings{ExportFormat::tiff, 0.95, false}, std::nullopt,
                                   folder / "cropped.tiff")
        .get();
    const auto file = testing::readTiff(folder / "cropped.tiff");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->width, 100);
    EXPECT_EQ(file->height, 100);
    EXPECT_EQ(testing::profileDescription(file->icc), "sRGB IEC61966-2.1");
    // The right half is the bright one (red well above half way after the default curve).
    EXPECT_GT(file->sample(50, 50, 0), 40000);

    // An error surfaces through the future.
    auto failing = ExportEngine::exportImageAsync(photo, recipe, ExportSettings(), std::nullopt, folder / "no" / "x.jpg");
    EXPECT_THROW(failing.get(), ExportError);
}


// A file never depends on the screen: the export's render makes the boost for the standard
// range, where an extended-range screen would take the highlights above white.
TEST(ExportEngine, HighlightBoostIgnoresTheScreensHeadroom) {
    const Image scan = testing::imageOf(64, 32, [](int x, int) {
        return std::array<float, 3>{float(x) / 64.0f, 0.9f, 0.5f};
    });
    EditParameters recipe;
    recipe.ultraHDR.isEnabled = true;
    recipe.ultraHDR.highlightBoost = 2.0;
    const DarkroomPipeline& pipeline = DarkroomPipeline::shared();
    const auto green = [&](BoostRange range, ScreenHeadroom screen) {
        const PixelBuffer b = testing::renderExtent(
            pipeline.render(scan, recipe, std::nullopt, Framing::cropped, DustView::withheld, range, screen));
        return b.at(60, 10)[1];
    };
    const PixelBuffer exported = testing::renderExtent(ExportEngine::Services::shared().render(
        scan, recipe, std::nullopt, Framing::cropped, DustView::withheld, nullptr));
    EXPECT_EQ(exported.at(60, 10)[1], green(BoostRange::standard, ScreenHeadroom{8.0}));
    EXPECT_GT(green(BoostRange::screen, ScreenHeadroom{8.0}), 1.0f);
    EXPECT_LE(exported.at(60, 10)[1], 1.0f);
}

}  // namespace
}  // namespace vantrel
