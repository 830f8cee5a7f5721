// Film physics on a generated 2560 × 1707 proxy (a 16-bit colour negative scan), rendered all
// the way to the 8-bit preview bitmap, and the histogram of a rendered proxy.
//   BM_PipelineCoreProxy         bench/core_recipe.json (the reference)
//   BM_PipelineFilmPhysicsProxy  the same plus halation and bloom, grain, a light leak and dust
//   ...OneThread                 both on a one-thread context (the work, less the machine's load)
//   BM_HistogramProxy            the histogram of the rendered core proxy (boost off)
//   BM_HistogramBoostProxy       the same with the highlight boost's band
// Read medians: --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "engine/DarkroomPipeline.h"
#include "engine/FilmGrainEngine.h"
#include "engine/FilmPhysicsEngine.h"
#include "engine/HalationEngine.h"
#include "engine/HistogramEngine.h"
#include "model/EditParameters.h"

namespace {

using namespace vantrel;

constexpr int kProxyWidth = 2560;
constexpr int kProxyHeight = 1707;

// A smooth scene with some detail and a few highlights, as an orange-based negative:
// base × (1 − positive).
Image makeNegativeProxy() {
    SourcePixels p = SourcePixels::allocate(kProxyWidth, kProxyHeight, 3, SampleType::uint16);
    const double base[3] = {0.85, 0.45, 0.25};
    for (int y = 0; y < kProxyHeight; ++y) {
        auto* row = reinterpret_cast<std::uint16_t*>(p.mutableRow(y));
        for (int x = 0; x < kProxyWidth; ++x) {
            const double u = double(x) / kProxyWidth, v = double(y) / kProxyHeight;
            const double detail = 0.05 * std::sin(x * 0.37) * std::cos(y * 0.23);
            const double light = ((x / 160 + y / 160) % 5 == 0) ? 0.3 : 0.0;
            const double positive[3] = {0.2 + 0.6 * u + detail + light, 0.15 + 0.5 * v + detail + light,
                                        0.3 + 0.3 * std::sin(6 * u + 4 * v) + detail + light};
            for (int c = 0; c < 3; ++c) {
                const double value = base[c] * (1.0 - std::clamp(positive[c], 0.0, 1.0));
                row[3 * x + c] = std::uint16_t(std::lround(value * 65535.0));
            }
        }
    }
    return Image::fromPixels(std::move(p));
}

const Image& proxy() {
    static const Image image = makeNegativeProxy();
    return image;
}

EditParameters coreRecipe() {
    const auto path = std::filesystem::path(__FILE__).parent_path() / "core_recipe.json";
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return nlohmann::json::parse(in).get<EditParameters>();
}

EditParameters filmPhysicsRecipe() {
    EditParameters r = coreRecipe();
    r.halation = HalationParameters::cine800T();  // halation 0.85 (radius 24) and bloom 0.35 (radius 38)
    r.filmGrain = {0.35, 1.5, 0.45, 0.25};
    r.lightLeaks = {LightLeakStyle::warmCorner, 0.5, LightLeakPosition::left};
    r.dustAndScratches = {0.5, 0.3, 1.0};
    return r;
}

void renderLoop(benchmark::State& state, const EditParameters& recipe,
                const DarkroomPipeline& pipeline = DarkroomPipeline::shared()) {
    const Image& source = proxy();
    for (auto _ : state) {
        auto bitmap = pipeline.makeBitmap(pipeline.render(source, recipe));
        if (!bitmap) state.SkipWithError("render failed");
        benchmark::DoNotOptimize(bitmap);
    }
}

void BM_PipelineCoreProxy(benchmark::State& state) {
    static const EditParameters recipe = coreRecipe();
    renderLoop(state, recipe);
}
BENCHMARK(BM_PipelineCoreProxy)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PipelineFilmPhysicsProxy(benchmark::State& state) {
    static const EditParameters recipe = filmPhysicsRecipe();
    renderLoop(state, recipe);
}
BENCHMARK(BM_PipelineFilmPhysicsProxy)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same on one thread: the work itself, less sensitive to other load on the machine.
const DarkroomPipeline& oneThread() {
    static const DarkroomPipeline pipeline(ContextOptions{.threads = 1});
    return pipeline;
}
void BM_PipelineCoreProxyOneThread(benchmark::State& state) {
    static const EditParameters recipe = coreRecipe();
    renderLoop(state, recipe, oneThread());
}
BENCHMARK(BM_PipelineCoreProxyOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_PipelineFilmPhysicsProxyOneThread(benchmark::State& state) {
    static const EditParameters recipe = filmPhysicsRecipe();
    renderLoop(state, recipe, oneThread());
}
BENCHMARK(BM_PipelineFilmPhysicsProxyOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();

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

// One engine over the rendered proxy, drawn to the preview bitmap.
template <class Apply>
void engineLoop(benchmark::State& state, Apply apply) {
    const DarkroomPipeline& pipeline = DarkroomPipeline::shared();
    const Image& developed = renderedProxy();
    for (auto _ : state) {
        auto bitmap = pipeline.makeBitmap(apply(developed));
        if (!bitmap) state.SkipWithError("render failed");
        benchmark::DoNotOptimize(bitmap);
    }
}

void BM_EngineNoneProxy(benchmark::State& s) {
    engineLoop(s, [](const Image& i) { return i; });
}
BENCHMARK(BM_EngineNoneProxy)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_EngineHalationProxy(benchmark::State& s) {
    engineLoop(s, [](const Image& i) { return HalationEngine::apply(i, HalationParameters::cine800T()); });
}
BENCHMARK(BM_EngineHalationProxy)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_EngineGrainProxy(benchmark::State& s) {
    engineLoop(s, [](const Image& i) { return FilmGrainEngine::apply(i, 0.35, 1.5, 0.45, 0.25); });
}
BENCHMARK(BM_EngineGrainProxy)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_EngineLightLeakProxy(benchmark::State& s) {
    engineLoop(s, [](const Image& i) {
        return FilmPhysicsEngine::applyLightLeak(i, LightLeakStyle::warmCorner, 0.5, LightLeakPosition::left);
    });
}
BENCHMARK(BM_EngineLightLeakProxy)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_EngineDustProxy(benchmark::State& s) {
    engineLoop(s, [](const Image& i) { return FilmPhysicsEngine::applyDustAndScratches(i, 0.5, 0.3, 1.0); });
}
BENCHMARK(BM_EngineDustProxy)->Unit(benchmark::kMillisecond)->UseRealTime();

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
