#pragma once
// Scenes and recipes shared by the pipeline and view-model benchmarks: a generated colour
// negative at any size (the proxy is the same scene at 2560 px, as the loader's cache would
// hold it) and the core recipe kept beside this file.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include "engine/stages/DarkroomPipeline.h"

#include "engine/core/Image.h"
#include "engine/core/SourcePixels.h"
#include "model/EditParameters.h"

namespace vantrel::bench {

constexpr int kProxyWidth = 2560;
constexpr int kProxyHeight = 1707;

// A smooth scene with fine detail as an orange-based negative: base × (1 − positive). With
// `highlights`, a lattice of bright blocks gives halation and bloom something to catch.
inline Image makeNegativeScan(int width, int height, bool highlights = false) {
    SourcePixels p = SourcePixels::allocate(width, height, 3, SampleType::uint16);
    const double base[3] = {0.85, 0.45, 0.25};
    const double blockX = 160.0 * width / kProxyWidth, blockY = 160.0 * height / kProxyHeight;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint16_t*>(p.mutableRow(y));
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width, v = double(y) / height;
            const double detail = 0.05 * std::sin(u * 947.0) * std::cos(v * 409.0);
            const double light =
                highlights && (int(x / blockX) + int(y / blockY)) % 5 == 0 ? 0.3 : 0.0;
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

// The 2560 × 1707 negative, made once per program.
inline const Image& negativeProxy() {
    static const Image image = makeNegativeScan(kProxyWidth, kProxyHeight);
    return image;
}

inline EditParameters coreRecipe() {
    // The source folder is compiled in, so the programs run from any folder.
    const auto path = std::filesystem::path(VANTREL_BENCH_SOURCE_DIR) / "core_recipe.json";
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return nlohmann::json::parse(in).get<EditParameters>();
}

// A pipeline on a one-thread context, made once per program: the whole work of a render,
// nearly independent of what else the machine is running.
inline const DarkroomPipeline& oneThreadPipeline() {
    static const DarkroomPipeline pipeline(ContextOptions{.threads = 1});
    return pipeline;
}

// Develops `source` with `recipe` into the 8-bit preview bitmap once per iteration.
inline void renderPipelineLoop(benchmark::State& state, const Image& source, const EditParameters& recipe,
                               const DarkroomPipeline& pipeline = DarkroomPipeline::shared()) {
    for (auto _ : state) {
        auto bitmap = pipeline.makeBitmap(pipeline.render(source, recipe));
        if (!bitmap) state.SkipWithError("render failed");
        benchmark::DoNotOptimize(bitmap);
    }
}

// A timed body run with a given pipeline.
using PipelineBenchmark = std::function<void(benchmark::State&, const DarkroomPipeline&)>;

// Registers every benchmark with the shared pipeline, then every one again as <name>OneThread
// with oneThreadPipeline(), all in milliseconds of real time. Returns true, so that a
// namespace-scope constant registers them before main.
inline bool registerWithOneThread(std::initializer_list<std::pair<const char*, PipelineBenchmark>> benchmarks) {
    // The pipeline is made when the benchmark first runs, not before main.
    const auto add = [](const std::string& name, const PipelineBenchmark& run, const DarkroomPipeline& (*pipeline)()) {
        benchmark::RegisterBenchmark(name.c_str(), [run, pipeline](benchmark::State& state) { run(state, pipeline()); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    };
    for (const auto& [name, run] : benchmarks) add(name, run, &DarkroomPipeline::shared);
    for (const auto& [name, run] : benchmarks) add(std::string(name) + "OneThread", run, &oneThreadPipeline);
    return true;
}

}  // namespace vantrel::bench
