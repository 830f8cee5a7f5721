// Local masks and colour cubes on top of the core recipe, rendered on a generated 2560 × 1707
// proxy (a 16-bit colour negative scan) all the way to the 8-bit preview bitmap.
//   BM_PipelineCoreProxy   bench/core_recipe.json alone (the baseline, measured here under the
//                          same load as the others)
//   BM_PipelineMasksProxy  the core recipe plus four masks: two linear, two radial
//   BM_PipelineCubesProxy  the core recipe plus HSL mixer and colour grading, the cube tables
//                          built inside every timed render
//   BM_HslCubeGeneration / BM_GradingCubeGeneration  the cube tables alone
//   …OneThread             the three renders on a one-thread context: the whole work of a
//                          render, nearly independent of what else the machine is running
// Read medians: --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/color/ColorCubeGenerator.h"
#include "engine/color/ColorGradingCubeGenerator.h"
#include "BenchScenes.h"
#include "engine/stages/DarkroomPipeline.h"
#include "model/EditParameters.h"

namespace {

using namespace vantrel;

using bench::coreRecipe;

const Image& proxy() { return bench::negativeProxy(); }

EditParameters masksRecipe() {
    EditParameters r = coreRecipe();
    LinearMask sky;  // darkens the top 40 %
    LinearMask ground;
    ground.startPoint = {0.5, 1.0};
    ground.endPoint = {0.5, 0.6};
    ground.exposure = 0.3;
    ground.temperature = 400;
    ground.shadows = 0.3;
    RadialMask face;
    face.center = {0.4, 0.45};
    face.radiusX = 0.15;
    face.radiusY = 0.3;
    face.saturation = 1.2;
    RadialMask surround;
    surround.isInverted = true;
    surround.radiusX = 0.45;
    surround.radiusY = 0.45;
    surround.exposure = -0.4;
    surround.contrast = 1.15;
    surround.tint = 5;
    r.masks.linearMasks = {sky, ground};
    r.masks.radialMasks = {face, surround};
    return r;
}

EditParameters cubesRecipe() {
    EditParameters r = coreRecipe();
    r.setHSLAdjustment({0, -25, 10}, HSLColorChannel::orange);
    r.setHSLAdjustment({20, 15, -30}, HSLColorChannel::blue);
    r.setHSLAdjustment({-10, 30, 0}, HSLColorChannel::green);
    r.colorGrading.shadows = {200, 0.3, -0.1};
    r.colorGrading.midtones = {30, 0.1, 0};
    r.colorGrading.highlights = {45, 0.25, 0.05};
    r.colorGrading.balance = 0.1;
    return r;
}

void renderLoop(benchmark::State& state, const EditParameters& recipe, const DarkroomPipeline& pipeline) {
    bench::renderPipelineLoop(state, proxy(), recipe, pipeline);
}

[[maybe_unused]] const bool kRenders = bench::registerWithOneThread({
    {"BM_PipelineCoreProxy", [](auto& state, auto& pipeline) { renderLoop(state, coreRecipe(), pipeline); }},
    {"BM_PipelineMasksProxy", [](auto& state, auto& pipeline) { renderLoop(state, masksRecipe(), pipeline); }},
    {"BM_PipelineCubesProxy", [](auto& state, auto& pipeline) { renderLoop(state, cubesRecipe(), pipeline); }},
});

void BM_HslCubeGeneration(benchmark::State& state) {
    static const EditParameters recipe = cubesRecipe();
    for (auto _ : state) benchmark::DoNotOptimize(ColorCubeGenerator::makeCubeData(recipe));
}
BENCHMARK(BM_HslCubeGeneration)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_GradingCubeGeneration(benchmark::State& state) {
    static const EditParameters recipe = cubesRecipe();
    for (auto _ : state) benchmark::DoNotOptimize(ColorGradingCubeGenerator::makeCubeData(recipe.colorGrading));
}
BENCHMARK(BM_GradingCubeGeneration)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
