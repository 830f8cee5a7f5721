#include <benchmark/benchmark.h>
#include "model/Translation.h"

// Keeps the benchmark harness building until the engine's benchmarks arrive.
static void BM_TranslateKey(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(vantrel::translate("status.ready"));
}
BENCHMARK(BM_TranslateKey);
BENCHMARK_MAIN();
