// Film physics on a generated 2560 × 1707 proxy (a 16-bit colour negative scan), rendered all
// the way to the 8-bit preview bitmap, and the histogram of a rendered proxy.
//   BM_PipelineCoreProxy         bench/core_recipe.json (the reference)
//   BM_PipelineFilmPhysicsProxy  the same plus halation and bloom, grain, a light leak and dust
//   ...OneThread                 both on a one-thread context (the work, less the machine's load)
//   BM_Engine*Proxy              one film engine over the rendered core proxy (OneThread: the same
//                                on one thread)
//   BM_HistogramProxy            the histogram of the rendered core proxy (boost off)
//   BM_HistogramBoostProxy       the same with the highlight boost's band
// Read medians: --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include "BenchScenes.h"
#include "engine/stages/DarkroomPipeline.h"
#include "engine/stages/FilmGrainEngine.h"
#include "engine/stages/DustAndScratchesStage.h"
#include "engine/stages/LightLeakStage.h"
#include "engine/stages/HalationEngine.h"
#include "engine/stages/HistogramEngine.h"
#include "model/EditParameters.h"

namespace {

using namespace vantrel;

using bench::coreRecipe;

const Image& proxy() {
    static const Image image = bench::makeNegativeScan(bench::kProxyWidth, bench::kProxyHeight, true);
    return image;
}

EditParameters filmPhysicsRecipe() {
    EditParameters r = coreRecipe();
    r.halation = HalationParameters::cine800T();  // halation 0.85 (radius 24) and bloom 0.35 (radius 38)
    r.filmGrain = {0.35, 1.5, 0.45, 0.25};
    r.lightLeaks = {LightLeakStyle::warmCorner, 0.5, LightLeakPosition::left};
    r.dustAndScratches = {0.5, 0.3, 1.0};
    return r;
}

void renderLoop(benchmark::State& state, const EditParameters& recipe, const DarkroomPipeline& pipeline) {
    bench::renderPipelineLoop(state, proxy(), recipe, pipeline);
}

[[maybe_unused]] const bool kRenders = bench::registerWithOneThread({
    {"BM_PipelineCoreProxy", [](auto& state, auto& pipeline) { renderLoop(state, coreRecipe(), pipeline); }},
    {"BM_PipelineFilmPhysicsProxy", [](auto& state, auto& pipeline) { renderLoop(state, filmPhysicsRecipe(), pipeline); }},
});

// The developed preview as the view model holds it after a render: pixels in memory.
const Image& renderedProxy() {
    static const Image image = [] {
        const DarkroomPipeline& pipeline = DarkroomPipeline::shared();
        const Image developed = pipeline.render(proxy(), coreRecipe());
        auto pixels = pipeline.context().renderFloat(developed, developed.extent());
        if (!pixels) throw std::runtime_error("render failed");
        return Image::fromBuffer(std::move(*pixels));
    }();
    return image;
}

// One engine over the rendered proxy, drawn to the preview bitmap (the same engines on one
// thread compare their work).
template <class Apply>
bench::PipelineBenchmark engine(Apply apply) {
    return [apply](benchmark::State& state, const DarkroomPipeline& pipeline) {
        const Image& developed = renderedProxy();
        for (auto _ : state) {
            auto bitmap = pipeline.makeBitmap(apply(developed));
            if (!bitmap) state.SkipWithError("render failed");
            benchmark::DoNotOptimize(bitmap);
        }
    };
}

[[maybe_unused]] const bool kEngines = bench::registerWithOneThread({
    {"BM_EngineNoneProxy", engine([](const Image& i) { return i; })},
    {"BM_EngineHalationProxy", engine([](const Image& i) { return applyHalation(i, HalationParameters::cine800T()); })},
    {"BM_EngineGrainProxy", engine([](const Image& i) { return applyFilmGrain(i, {0.35, 1.5, 0.45, 0.25}); })},
    {"BM_EngineLightLeakProxy", engine([](const Image& i) {
         return applyLightLeak(i, {LightLeakStyle::warmCorner, 0.5, LightLeakPosition::left});
     })},
    {"BM_EngineDustProxy", engine([](const Image& i) { return applyDustAndScratches(i, {0.5, 0.3, 1.0}); })},
});

void histogramLoop(benchmark::State& state, const UltraHDRParameters& boost) {
    const DarkroomPipeline& pipeline = DarkroomPipeline::shared();
    const Image& developed = renderedProxy();
    for (auto _ : state) {
        HistogramData data = pipeline.computeHistogram(developed, boost);
        benchmark::DoNotOptimize(data);
    }
}

void BM_HistogramProxy(benchmark::State& state) { histogramLoop(state, UltraHDRParameters::defaultValue()); }
BENCHMARK(BM_HistogramProxy)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_HistogramBoostProxy(benchmark::State& state) { histogramLoop(state, UltraHDRParameters::enabledDefault()); }
BENCHMARK(BM_HistogramBoostProxy)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
