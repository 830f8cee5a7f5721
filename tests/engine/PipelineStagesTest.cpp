#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/color/ColorFilters.h"
#include "engine/stages/DarkroomPipeline.h"
#include "engine/filters/DetailFilters.h"
#include "common/TestImages.h"

namespace vantrel {
namespace {

using Labels = std::vector<std::string>;

const Labels kAlwaysRun{"geometry", "spotHealing", "whiteBalance", "toneCurve"};

Image sourceImage() {
    return testing::pipelineImage(Rect{0, 0, 48, 32}, [](std::int64_t x, std::int64_t y) {
        return std::array<float, 3>{0.02f * float(x), 0.03f * float(y), 0.4f + 0.01f * float((x * 7 + y * 3) % 13)};
    });
}

Labels trace(const EditParameters& recipe, DustView dustView = DustView::allowed) {
    return DarkroomPipeline::shared().render(sourceImage(), recipe, std::nullopt, Framing::cropped, dustView).stages();
}

// The always-run stages with `label` in its place in the chain.
Labels withStage(const std::string& label) {
    Labels out;
    for (const auto& stage : DarkroomPipeline::stages()) {
        const std::string name(stage.label);
        if (name == label || std::find(kAlwaysRun.begin(), kAlwaysRun.end(), name) != kAlwaysRun.end())
            out.push_back(name);
    }
    return out;
}

TEST(PipelineStagesTest, NeutralRecipeRunsOnlyTheAlwaysRunStagesAndChangesNothing) {
    const EditParameters neutral = EditParameters::defaultValue();
    EXPECT_EQ(trace(neutral), kAlwaysRun);
    const Image source = sourceImage();
    const Image developed = DarkroomPipeline::shared().render(source, neutral);
    EXPECT_EQ(developed.extent(), source.extent());
    EXPECT_EQ(testing::maxDifference(testing::renderExtent(developed), testing::renderExtent(source)), 0.0f);

    // The stage table is the chain: 23 stages, the always-run ones among them in order.
    ASSERT_EQ(DarkroomPipeline::stages().size(), 23u);
    EXPECT_EQ(DarkroomPipeline::stages().front().label, "geometry");
    EXPECT_EQ(DarkroomPipeline::stages().back().label, "dustVisualization");
}

struct GuardCase {
    const char* what;
    std::function<void(EditParameters&)> edit;
    const char* label;
    bool runs;
};

TEST(PipelineStagesTest, EachGuardJustBelowAndAboveItsThreshold) {
    const std::vector<GuardCase> cases{
        {"negative on", [](EditParameters& r) { r.negativeLab.isEnabled = true; }, "negativeConversion", true},
        {"exposure 0.001", [](EditParameters& r) { r.exposure = 0.001; }, "exposure", false},
        {"exposure 0.0011", [](EditParameters& r) { r.exposure = 0.0011; }, "exposure", true},
        {"exposure -0.5", [](EditParameters& r) { r.exposure = -0.5; }, "exposure", true},
        {"highlights 1.009", [](EditParameters& r) { r.highlights = 1.009; }, "highlightsShadows", false},
        {"shadows -0.009", [](EditParameters& r) { r.shadows = -0.009; }, "highlightsShadows", false},
        {"highlights 1.02", [](EditParameters& r) { r.highlights = 1.02; }, "highlightsShadows", true},
        {"shadows -0.02", [](EditParameters& r) { r.shadows = -0.02; }, "highlightsShadows", true},
        {"brightness 0.001", [](EditParameters& r) { r.brightness = 0.001; }, "colorControls", false},
        {"contrast 1.0011", [](EditParameters& r) { r.contrast = 1.0011; }, "colorControls", true},
        {"saturation 0.5", [](EditParameters& r) { r.saturation = 0.5; }, "colorControls", true},
        {"vibrance 0.001", [](EditParameters& r) { r.vibrance = 0.001; }, "vibrance", false},
        {"vibrance -0.5", [](EditParameters& r) { r.vibrance = -0.5; }, "vibrance", true},
        {"hsl red hue", [](EditParameters& r) { r.setHSLAdjustment({10, 0, 0}, HSLColorChannel::red); }, "hslMixer", true},
        {"grading", [](EditParameters& r) { r.colorGrading.shadows.saturation = 0.5; }, "colorGrading", true},
        {"noise 0.01", [](EditParameters& r) { r.noiseReduction = 0.01; }, "noiseReduction", false},
        {"noise 0.011", [](EditParameters& r) { r.noiseReduction = 0.011; }, "noiseReduction", true},
        {"noise -0.5", [](EditParameters& r) { r.noiseReduction = -0.5; }, "noiseReduction", false},
        {"sharpening -0.5", [](EditParameters& r) { r.sharpening = -0.5; }, "sharpening", false},
        {"sharpening 0.5", [](EditParameters& r) { r.sharpening = 0.5; }, "sharpening", true},
        {"vignette 0.01", [](EditParameters& r) { r.vignette = 0.01; }, "vignette", false},
        {"vignette -0.3", [](EditParameters& r) { r.vignette = -0.3; }, "vignette", true},
        {"linear mask", [](EditParameters& r) { r.masks.linearMasks.push_back(LinearMask{}); }, "localMasks", true},
        {"subject undetected",
         [](EditParameters& r) {
             r.subjectMask.isEnabled = true;
             r.subjectMask.subject.exposure = 0.5;
         },
         "subjectMask", false},
        {"subject detected",
         [](EditParameters& r) {
             r.subjectMask.isEnabled = true;
             r.subjectMask.hasDetectedSubject = true;
             r.subjectMask.subject.exposure = 0.5;
         },
         "subjectMask", true},
        {"halation",
         [](EditParameters& r) {
             r.halation.isEnabled = true;
             r.halation.halationIntensity = 0.5;
         },
         "halation", true},
        {"grain 0.004", [](EditParameters& r) { r.filmGrain.amount = 0.004; }, "filmGrain", false},
        {"grain 0.005", [](EditParameters& r) { r.filmGrain.amount = 0.005; }, "filmGrain", true},
        {"grain NaN", [](EditParameters& r) { r.filmGrain.amount = NAN; }, "filmGrain", false},
        {"leak style none", [](EditParameters& r) { r.lightLeaks.intensity = 1; }, "lightLeak", false},
        {"leak 0.009",
         [](EditParameters& r) {
             r.lightLeaks.style = LightLeakStyle::warmCorner;
             r.lightLeaks.intensity = 0.009;
         },
         "lightLeak", false},
        {"leak 0.01",
         [](EditParameters& r) {
             r.lightLeaks.style = LightLeakStyle::warmCorner;
             r.lightLeaks.intensity = 0.01;
         },
         "lightLeak", true},
        {"dust 0.004", [](EditParameters& r) { r.dustAndScratches.amount = 0.004; }, "dustAndScratches", false},
        {"dust 0.005", [](EditParameters& r) { r.dustAndScratches.amount = 0.005; }, "dustAndScratches", true},
        {"hdr", [](EditParameters& r) { r.ultraHDR.isEnabled = true; }, "ultraHDR", true},
        {"frame", [](EditParameters& r) { r.filmFrame.style = FilmFrameStyle::polaroid; }, "filmFrame", true},
        {"dust view", [](EditParameters& r) { r.spotHealing.isVisualizeDustMode = true; }, "dustVisualization", true},
    };
    for (const GuardCase& c : cases) {
        EditParameters recipe = EditParameters::defaultValue();
        c.edit(recipe);
        EXPECT_EQ(trace(recipe), c.runs ? withStage(c.label) : kAlwaysRun) << c.what;
    }

    // The dust-spotting view only where it is allowed (retouch previews, never exports).
    EditParameters dust = EditParameters::defaultValue();
    dust.spotHealing.isVisualizeDustMode = true;
    EXPECT_EQ(trace(dust, DustView::withheld), kAlwaysRun);
}

TEST(PipelineStagesTest, EveryStageRunsInTableOrder) {
    EditParameters r = EditParameters::defaultValue();
    r.negativeLab.isEnabled = true;
    r.exposure = 0.3;
    r.highlights = 0.8;
    r.contrast = 1.1;
    r.vibrance = 0.2;
    r.setHSLAdjustment({10, 0, 0}, HSLColorChannel::blue);
    r.colorGrading.highlights.saturation = 0.3;
    r.noiseReduction = 0.1;
    r.sharpening = 0.4;
    r.vignette = 0.3;
    r.masks.radialMasks.push_back(RadialMask{});
    r.subjectMask.isEnabled = r.subjectMask.hasDetectedSubject = true;
    r.subjectMask.background.exposure = -0.5;
    r.halation.isEnabled = true;
    r.halation.bloomIntensity = 0.4;
    r.filmGrain.amount = 0.3;
    r.lightLeaks.style = LightLeakStyle::sideStreak;
    r.dustAndScratches.amount = 0.2;
    r.ultraHDR.isEnabled = true;
    r.filmFrame.showExifWatermark = true;
    r.spotHealing.isVisualizeDustMode = true;
    Labels all;
    for (const auto& stage : DarkroomPipeline::stages()) all.emplace_back(stage.label);
    EXPECT_EQ(trace(r), all);
}

TEST(PipelineStagesTest, StagesReceiveTheRecipeScaledAsTheFiltersExpect) {
    const Image source = sourceImage();
    const PixelBuffer neutral = testing::renderExtent(source);
    auto developed = [&](const std::function<void(EditParameters&)>& edit) {
        EditParameters r = EditParameters::defaultValue();
        edit(r);
        return testing::renderExtent(DarkroomPipeline::shared().render(source, r));
    };
    auto same = [](const PixelBuffer& a, const Image& b) { return testing::maxDifference(a, testing::renderExtent(b)); };

    EXPECT_EQ(same(developed([](EditParameters& r) { r.noiseReduction = 0.5; }),
                   noiseReduction(source, NoiseReductionSettings{0.05f, 0.5f})),
              0.0f);
    EXPECT_EQ(same(developed([](EditParameters& r) { r.sharpening = 0.5; }),
                   unsharpMask(source, UnsharpMaskSettings{1.5f, 1.0f})),
              0.0f);
    EXPECT_EQ(same(developed([](EditParameters& r) { r.vignette = 0.4; }),
                   vignette(source, VignetteParameters{1.8f, 0.6f})),
              0.0f);
    EXPECT_EQ(same(developed([](EditParameters& r) {
                       r.highlights = 1.02;
                       r.shadows = 0.3;
                   }),
                   highlightsAndShadows(source, HighlightShadowParameters{1.02f, 0.3f})),
              0.0f);
    TemperatureAndTintParameters warm;
    warm.neutral = {5200, 10};
    EXPECT_EQ(same(developed([](EditParameters& r) {
                       r.temperature = 5200;
                       r.tint = 10;
                   }),
                   temperatureAndTint(source, warm)),
              0.0f);
    EXPECT_GT(testing::maxDifference(neutral, developed([](EditParameters& r) { r.exposure = 1; })), 0.1f);

    // A healed spot with nothing after it: the healed frame itself is the result.
    SpotItem spot;
    spot.center = {0.5, 0.5};
    spot.radius = 0.2;
    const PixelBuffer healed = developed([&](EditParameters& r) { r.spotHealing.spots = {spot}; });
    EXPECT_GT(testing::maxDifference(neutral, healed), 0.05f);
    EXPECT_FLOAT_EQ(testing::at(healed, 24, 16)[3], 1.0f);
    EXPECT_EQ(testing::at(healed, 0, 0), testing::at(neutral, 0, 0));

    // The dust-spotting view: flat areas go white, edges dark.
    const Image flat = Image::constant({0.3f, 0.3f, 0.3f, 1}).cropped(Rect{0, 0, 16, 16});
    EditParameters dust = EditParameters::defaultValue();
    dust.spotHealing.isVisualizeDustMode = true;
    const PixelBuffer view = testing::renderExtent(DarkroomPipeline::shared().render(flat, dust));
    EXPECT_NEAR(testing::at(view, 8, 8)[0], 1.0f, 1e-6f);
}

TEST(PipelineStagesTest, GeometryFollowsTheCropFlag) {
    EditParameters r = EditParameters::defaultValue();
    r.crop.rect = {0.25, 0.25, 0.5, 0.5};
    const Image source = sourceImage();
    EXPECT_EQ(DarkroomPipeline::shared().render(source, r).extent(), (Rect{0, 0, 24, 16}));
    EXPECT_EQ(DarkroomPipeline::shared().render(source, r, std::nullopt, Framing::uncropped).extent(), source.extent());
}

// Crop mode shows the whole turned frame: the spots and masks, kept as fractions of the cropped
// frame, work on it where they lie on the scan, so within the crop rectangle it shows the
// finished frame.
TEST(PipelineStagesTest, CropModeShowsSpotsAndMasksWhereTheFinishedFrameHasThem) {
    const Image scan = testing::pipelineImage(Rect{0, 0, 100, 80}, [](std::int64_t x, std::int64_t y) {
        const bool speck = std::hypot(double(x) - 45.5, double(y) - 40.5) < 3;
        return std::array<float, 3>{speck ? 0.0f : 0.3f + 0.001f * float(x), 0.3f, 0.3f + 0.001f * float(y)};
    });
    EditParameters r = EditParameters::defaultValue();
    r.crop.quarterTurns = 1;
    r.crop.rect = {0.25, 0.2, 0.5, 0.5};  // whole pixels of the turned 80 x 100 frame
    SpotItem spot;
    spot.center = {0.5125, 0.51};  // the speck, turned and cropped
    spot.radius = 0.2;             // 8 pixels
    spot.sourceOffset = {0.25, 0};
    r.spotHealing.spots = {spot};
    RadialMask glow;
    glow.center = {0.3, 0.6};
    glow.radiusX = glow.radiusY = 0.3;
    glow.exposure = 1;
    r.masks.radialMasks = {glow};
    LinearMask grad;
    grad.startPoint = {0.2, 0.1};
    grad.endPoint = {0.8, 0.7};
    r.masks.linearMasks = {grad};

    const PixelBuffer finished = testing::renderExtent(DarkroomPipeline::shared().render(scan, r));
    const PixelBuffer whole =
        testing::renderExtent(DarkroomPipeline::shared().render(scan, r, std::nullopt, Framing::uncropped));
    ASSERT_EQ(finished.rect(), (Rect{0, 0, 40, 50}));
    ASSERT_EQ(whole.rect(), (Rect{0, 0, 80, 100}));
    float worst = 0;
    for (std::int64_t y = 0; y < 50; ++y)
        for (std::int64_t x = 0; x < 40; ++x)
            for (int k = 0; k < 3; ++k)
                worst = std::max(worst, std::abs(testing::at(finished, x, y)[k] - testing::at(whole, x + 20, y + 30)[k]));
    EXPECT_LT(worst, 1e-4f);
    // The speck is healed in both.
    EXPECT_GT(testing::at(whole, 40, 54)[0], 0.2f);
}

// A recipe stored before spots and masks followed the frame's geometry renders as it did,
// byte for byte: nothing of it is moved or migrated when it is read or rendered.
TEST(PipelineStagesTest, ARecipeStoredBeforeRendersByteForByteAsItDid) {
    const EditParameters recipe = nlohmann::json::parse(R"({
        "exposure": 0.3,
        "crop": {"rect": {"x": 0.1, "y": 0.05, "width": 0.8, "height": 0.7}, "straightenAngle": 3.5,
                 "quarterTurns": 1, "isFlippedH": true, "isFlippedV": false, "aspectRatio": "free"},
        "spotHealing": {"spots": [
            {"id": "6F1C2D3E-0000-4000-8000-000000000001", "center": [0.3, 0.4], "radius": 0.03,
             "sourceOffset": [0.05, -0.02], "opacity": 1},
            {"id": "6F1C2D3E-0000-4000-8000-000000000002", "center": [0.7, 0.6], "radius": 0.02,
             "sourceOffset": [0, 0], "opacity": 0.8},
            {"id": "6F1C2D3E-0000-4000-8000-000000000003", "center": [1.2, -0.1], "radius": 0.05,
             "sourceOffset": [-0.1, 0], "opacity": 1}],
            "isEnabled": true, "isVisualizeDustMode": false, "visualizeDustIntensity": 4},
        "masks": {"linearMasks": [{"startPoint": {"x": 0.5, "y": 0}, "endPoint": {"x": 0.4, "y": 0.5}}],
                  "radialMasks": [{"center": {"x": 0.6, "y": 0.4}, "radiusX": 0.2, "radiusY": 0.3,
                                   "feather": 0.4, "exposure": 1.2}]}
    })");
    const Image scan = testing::pipelineImage(Rect{0, 0, 96, 64}, [](std::int64_t x, std::int64_t y) {
        return std::array<float, 3>{0.05f + 0.008f * float(x), 0.1f + 0.01f * float(y),
                                    0.2f + 0.02f * float((x * 5 + y * 3) % 17)};
    });
    const std::optional<Bitmap> bitmap =
        DarkroomPipeline::shared().makeBitmap(DarkroomPipeline::shared().render(scan, recipe));
    ASSERT_TRUE(bitmap);
    std::uint64_t hash = 1469598103934665603ull;  // FNV-1a
    for (std::size_t i = 0; i < bitmap->pixels.size(); ++i) hash = (hash ^ bitmap->pixels.data()[i]) * 1099511628211ull;
    // What the program rendered before (the same build flags give the same bytes on every machine).
    EXPECT_EQ(bitmap->width, 46);
    EXPECT_EQ(bitmap->height, 62);
    EXPECT_EQ(hash, 1043840660975532690ull);
}

// The subject mask is found on the scan as loaded; a turned, mirrored, straightened or cropped
// frame keeps its grading on the subject, not on the place the subject had in the scan.
TEST(PipelineStagesTest, TheSubjectMaskFollowsTheFrameGeometry) {
    // The scan's left half (red 0.4) is the subject, its right half (red 0.1) the background.
    const Image scan = testing::pipelineImage(Rect{0, 0, 48, 32}, [](std::int64_t x, std::int64_t) {
        return std::array<float, 3>{x < 24 ? 0.4f : 0.1f, 0.2f, 0.2f};
    });
    // The subject on the left half of a mask of the scan's size or of a smaller copy's.
    auto leftHalf = [](std::int64_t w, std::int64_t h) {
        return testing::pipelineImage(Rect{0, 0, w, h}, [w](std::int64_t x, std::int64_t) {
            const float m = x < w / 2 ? 1.0f : 0.0f;
            return std::array<float, 3>{m, m, m};
        });
    };
    EditParameters r = EditParameters::defaultValue();
    r.subjectMask.isEnabled = r.subjectMask.hasDetectedSubject = true;
    r.subjectMask.subject.exposure = 1;      // the subject goes to red 0.8
    r.subjectMask.background.exposure = -1;  // the background to red 0.05
    // Pixels graded as the other side: the subject darkened or the background lifted (red 0.2).
    auto misgraded = [&](const CropParameters& crop, const Image& mask, Framing framing = Framing::cropped) {
        r.crop = crop;
        const PixelBuffer out = testing::renderExtent(DarkroomPipeline::shared().render(scan, r, mask, framing));
        const Rect& e = out.rect();
        int count = 0;
        for (std::int64_t y = e.y; y < e.y + e.height; ++y)
            for (std::int64_t x = e.x; x < e.x + e.width; ++x) count += std::abs(testing::at(out, x, y)[0] - 0.2f) < 0.1f;
        return count;
    };
    CropParameters turned;
    turned.quarterTurns = 1;
    EXPECT_EQ(misgraded(turned, leftHalf(48, 32)), 0);
    CropParameters mirroredAndCropped;
    mirroredAndCropped.quarterTurns = -1;
    mirroredAndCropped.isFlippedH = true;
    mirroredAndCropped.rect = {0.1, 0.2, 0.6, 0.5};
    EXPECT_EQ(misgraded(mirroredAndCropped, leftHalf(48, 32)), 0);
    // Straightened, or found on a smaller copy: only the soft seam mixes both sides.
    CropParameters straightened;
    straightened.straightenAngle = 20;
    EXPECT_LE(misgraded(straightened, leftHalf(48, 32), Framing::uncropped), 2 * 32);
    EXPECT_LE(misgraded(turned, leftHalf(12, 8)), 2 * 32);
}

TEST(PipelineStagesTest, BitmapsAndTheSharedInstance) {
    const DarkroomPipeline& pipeline = DarkroomPipeline::shared();
    EXPECT_EQ(&pipeline, &DarkroomPipeline::shared());
    EXPECT_EQ(pipeline.outputColorSpace(), OutputSpace::displayP3);

    EXPECT_FALSE(pipeline.makeBitmap(Image::constant({1, 0, 0, 1})));
    EXPECT_FALSE(pipeline.makeBitmap(sourceImage(), Rect{}));
    const auto whole = pipeline.makeBitmap(sourceImage());
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->width, 48);
    EXPECT_EQ(whole->height, 32);
    EXPECT_EQ(whole->space, OutputSpace::displayP3);
    const auto part = pipeline.makeBitmap(sourceImage(), Rect{8, 8, 10, 6});
    ASSERT_TRUE(part);
    EXPECT_EQ(part->width, 10);
    EXPECT_EQ(part->height, 6);

    // Renders from several threads at once give the same bytes.
    EditParameters r = EditParameters::defaultValue();
    r.exposure = 0.4;
    r.sharpening = 0.3;
    r.crop.straightenAngle = 2;
    const auto reference = pipeline.makeBitmap(pipeline.render(sourceImage(), r));
    ASSERT_TRUE(reference);
    std::vector<std::thread> threads;
    std::vector<std::optional<Bitmap>> results(4);
    for (std::size_t i = 0; i < results.size(); ++i)
        threads.emplace_back([&, i] { results[i] = pipeline.makeBitmap(pipeline.render(sourceImage(), r)); });
    for (auto& t : threads) t.join();
    for (const auto& b : results) {
        ASSERT_TRUE(b);
        EXPECT_EQ(b->pixels, reference->pixels);
    }
}

}  // namespace
}  // namespace vantrel
