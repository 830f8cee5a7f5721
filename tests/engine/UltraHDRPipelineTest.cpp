// The film-physics stages and the highlight boost inside the darkroom pipeline: each stage
// changes the frame when its guard lets it run, exports can force the standard range, and the
// histogram is measured with the pipeline's context.
#include "common/TestImages.h"
#include "engine/stages/DarkroomPipeline.h"
#include "engine/stages/HistogramEngine.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

using testing::maxDifference;
using testing::pipelineImage;
using testing::renderExtent;

Image scene() {
    return pipelineImage(Rect{0, 0, 120, 80}, [](std::int64_t x, std::int64_t y) {
        const float v = 0.1f + 0.85f * float(x) / 120.0f;
        return std::array<float, 3>{v, v * 0.9f, 0.3f + 0.002f * float(y)};
    });
}

TEST(UltraHDRPipeline, FilmPhysicsStagesRunInTheChain) {
    const DarkroomPipeline pipeline;
    const Image source = scene();
    const PixelBuffer plain = renderExtent(pipeline.render(source, EditParameters()));
    struct Case {
        const char* label;
        void (*edit)(EditParameters&);
    };
    const Case cases[] = {
        {"halation", [](EditParameters& r) { r.halation = HalationParameters::cine800T(); }},
        {"filmGrain", [](EditParameters& r) { r.filmGrain.amount = 0.4; }},
        {"lightLeak", [](EditParameters& r) { r.lightLeaks.style = LightLeakStyle::vintageFlare; }},
        {"dustAndScratches", [](EditParameters& r) { r.dustAndScratches.amount = 1.0; }},
        {"ultraHDR", [](EditParameters& r) { r.ultraHDR = UltraHDRParameters::enabledDefault(); }},
    };
    for (const Case& c : cases) {
        EditParameters recipe;
        c.edit(recipe);
        const Image out = pipeline.render(source, recipe);
        const auto stages = out.stages();
        EXPECT_NE(std::find(stages.begin(), stages.end(), c.label), stages.end()) << c.label;
        EXPECT_EQ(out.extent(), source.extent()) << c.label;
        EXPECT_GT(maxDifference(renderExtent(out), plain), 0.005f) << c.label;
    }
}

TEST(UltraHDRPipeline, ExportsForceTheStandardRangeWhateverTheScreen) {
    const DarkroomPipeline pipeline;
    const Image source = pipelineImage(Rect{0, 0, 40, 40}, [](std::int64_t, std::int64_t) {
        return std::array<float, 3>{0.97f, 0.97f, 0.97f};
    });
    EditParameters recipe;
    recipe.ultraHDR = UltraHDRParameters::enabledDefault();
    recipe.ultraHDR.highlightBoost = 2.5;
    const auto brightest = [](const PixelBuffer& b) {
        float top = 0;
        for (std::int64_t i = 0; i < b.width() * b.height() * 4; i += 4) top = std::max(top, b.data()[i]);
        return top;
    };
    const ScreenHeadroom screen{8.0};
    const float onScreen = brightest(renderExtent(pipeline.render(source, recipe, std::nullopt, Framing::cropped, DustView::allowed, BoostRange::screen, screen)));
    const float exported = brightest(renderExtent(pipeline.render(source, recipe, std::nullopt, Framing::cropped, DustView::withheld, BoostRange::standard, screen)));
    const float standardScreen = brightest(renderExtent(pipeline.render(source, recipe)));
    EXPECT_GT(onScreen, 1.5f);
    EXPECT_LE(exported, 1.0f);
    EXPECT_EQ(exported, standardScreen);
}

TEST(UltraHDRPipeline, HistogramUsesThePipelineContext) {
    const DarkroomPipeline pipeline;
    EditParameters recipe;
    recipe.ultraHDR = UltraHDRParameters::enabledDefault();
    const Image developed = pipeline.render(scene(), recipe);
    const HistogramData viaPipeline = pipeline.computeHistogram(developed, recipe.ultraHDR);
    EXPECT_EQ(viaPipeline, HistogramEngine::computeHistogram(developed, pipeline.context(), recipe.ultraHDR));
    EXPECT_TRUE(viaPipeline.isUltraHDREnabled);
    EXPECT_NE(viaPipeline, HistogramData::empty());
}

}  // namespace
}  // namespace vantrel
