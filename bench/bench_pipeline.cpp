// Renders of the darkroom pipeline on a generated 2560 × 1707 proxy (a 16-bit colour negative
// scan), all the way to the 8-bit preview bitmap.
//   BM_PipelineNeutralProxy  the neutral recipe
//   BM_PipelineCoreProxy     bench/core_recipe.json: straighten 3°, colour negative, white
//                            balance 5200 K, exposure, highlights and shadows, contrast,
//                            saturation, vibrance, default curve, noise reduction, sharpening,
//                            vignette
// Read medians: --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "ProcessCpu.h"
#include "BenchScenes.h"
#include "engine/stages/DarkroomPipeline.h"
#include "model/EditParameters.h"

namespace {

using namespace vantrel;

using bench::coreRecipe;

const Image& proxy() { return bench::negativeProxy(); }

void renderLoop(benchmark::State& state, const EditParameters& recipe) {
    const bench::ProcessCpuCounter cpu(state);
    bench::renderPipelineLoop(state, proxy(), recipe);
}

void BM_PipelineNeutralProxy(benchmark::State& state) { renderLoop(state, EditParameters::defaultValue()); }
BENCHMARK(BM_PipelineNeutralProxy)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PipelineCoreProxy(benchmark::State& state) {
    static const EditParameters recipe = coreRecipe();
    renderLoop(state, recipe);
}
BENCHMARK(BM_PipelineCoreProxy)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
