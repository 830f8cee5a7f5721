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
#include "engine/DarkroomPipeline.h"
#include "model/EditParameters.h"

namespace {

using namespace vantrel;

constexpr int kProxyWidth = 2560;
constexpr int kProxyHeight = 1707;

// A smooth scene with some detail, as an orange-based negative: base × (1 − positive).
Image makeNegativeProxy() {
    SourcePixels p = SourcePixels::allocate(kProxyWidth, kProxyHeight, 3, SampleType::uint16);
    const double base[3] = {0.85, 0.45, 0.25};
    for (int y = 0; y < kProxyHeight; ++y) {
        auto* row = reinterpret_cast<std::uint16_t*>(p.mutableRow(y));
        for (int x = 0; x < kProxyWidth; ++x) {
            const double u = double(x) / kProxyWidth, v = double(y) / kProxyHeight;
            const double detail = 0.05 * std::sin(x * 0.37) * std::cos(y * 0.23);
            const double positive[3] = {0.2 + 0.6 * u + detail, 0.15 + 0.5 * v + detail,
                                        0.3 + 0.3 * std::sin(6 * u + 4 * v) + detail};
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

void renderLoop(benchmark::State& state, const EditParameters& recipe) {
    const DarkroomPipeline& pipeline = DarkroomPipeline::shared();
    const Image& source = proxy();
    const bench::ProcessCpuCounter cpu(state);
    for (auto _ : state) {
        auto bitmap = pipeline.makeBitmap(pipeline.render(source, recipe));
        if (!bitmap) state.SkipWithError("render failed");
        benchmark::DoNotOptimize(bitmap);
    }
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
