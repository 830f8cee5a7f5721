// Latency of the view model's previews with the real engine, on a generated 24-megapixel
// (6000 × 4000, 16-bit colour negative) scan and the core recipe of the pipeline benchmarks
// (bench/core_recipe.json), from the request to the preview published on the GUI thread.
//   BM_VmProxyPreviewLatency  a non-final request (a slider moving) until the proxy preview
//                             and its histogram are published
//   BM_VmFullPreviewLatency   a final request until the full-resolution preview and its
//                             histogram are published
//   BM_VmBaselineProxyRender  the proxy render alone, without scheduling, for the ratio
//   BM_VmFitRenderOneThread   the render of BM_VmProxyPreviewLatency alone, on one thread
//   BM_VmProxyPreviewLargeCanvas  BM_VmProxyPreviewLatency on a canvas larger than the proxy
//                             (the proxy's own size is rendered): the baseline of the
//                             canvas-sized render at fit
//   BM_VmZoomedSharpLatency   at 100 %, a non-final request until the sharp region of the
//                             canvas is published, less the quiet period before it starts
//   BM_VmWholeFrameFullLatency  at fit, a non-final request until the whole-frame
//                             full-resolution preview is published, less the quiet period:
//                             what a zoomed canvas waited for before the region render
// The canvas is 1400 × 900 points unless said otherwise.
// cpu_ms: process CPU milliseconds per iteration (all threads), steadier than wall time on a
// busy machine.
// Read medians: --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

#include <QCoreApplication>
#include <QEventLoop>
#include <QSettings>
#include <QTemporaryDir>
#include <nlohmann/json.hpp>

#include "BenchScenes.h"
#include "engine/core/SourcePixels.h"
#include "NullSessionStorage.h"
#include "ProcessCpu.h"
#include "viewmodel/DarkroomViewModel.h"
#include "viewmodel/EngineRenderService.h"
#include "viewmodel/SharpRegion.h"

namespace {

using namespace vantrel;

using NullStore = bench::NullSessionStorage;

using bench::coreRecipe;

Image makeNegative(int width, int height) { return bench::makeNegativeScan(width, height); }

// Runs the event loop until `published` has fired once after `request`.
template <typename Signal, typename Request>
void waitForPublication(DarkroomViewModel& vm, Signal published, Request request) {
    bool done = false;
    const auto connection = QObject::connect(&vm, published, &vm, [&] { done = true; });
    request();
    while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QObject::disconnect(connection);
}

const QSizeF kCanvas(1400, 900);

struct Bench {
    QTemporaryDir dir;
    std::unique_ptr<DarkroomViewModel> vm;
    EditParameters recipe = coreRecipe();

    Bench() {
        ViewModelServices services;
        services.render = std::make_shared<EngineRenderService>();
        services.store = std::make_shared<NullStore>();
        services.settings = std::make_shared<QSettings>(dir.filePath("settings.ini"), QSettings::IniFormat);
        vm = std::make_unique<DarkroomViewModel>(std::move(services));

        LoadedPhoto scan("", "scan24.tif", std::nullopt, makeNegative(6000, 4000), makeNegative(2560, 1707),
                         PhotoSize{6000, 4000}, true, "Display P3");
        const Uuid id = DarkroomViewModel::frameID(scan);
        vm->setPhotos({scan});
        vm->setCanvasViewportSize(kCanvas);
        waitForPublication(*vm, &DarkroomViewModel::histogramDataChanged, [&] { vm->selectPhoto(id); });
    }

    // A slightly different recipe each time, so nothing can be reused.
    void nudge(int i) {
        recipe.exposure = 0.2 + 0.01 * (i % 7);
        vm->setParameters(recipe);
    }
};

std::unique_ptr<Bench> shared;

Bench& bench() {
    if (!shared) shared = std::make_unique<Bench>();
    return *shared;
}

// A slider's step after step, each until its preview is published; then the final render,
// so that no pending full render is left behind for the next benchmark.
void measureSliderPreviews(benchmark::State& state, Bench& b) {
    int i = 0;
    {
        const bench::ProcessCpuCounter cpu(state);
        for (auto _ : state) {
            b.nudge(i++);
            waitForPublication(*b.vm, &DarkroomViewModel::renderedPreviewChanged, [&] { b.vm->requestRender(RenderQuality::interactive); });
        }
    }
    waitForPublication(*b.vm, &DarkroomViewModel::histogramDataChanged, [&] { b.vm->requestRender(RenderQuality::final); });
}

void BM_VmProxyPreviewLatency(benchmark::State& state) { measureSliderPreviews(state, bench()); }
BENCHMARK(BM_VmProxyPreviewLatency)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_VmFullPreviewLatency(benchmark::State& state) {
    Bench& b = bench();
    int i = 0;
    const bench::ProcessCpuCounter cpu(state);
    for (auto _ : state) {
        b.nudge(i++);
        waitForPublication(*b.vm, &DarkroomViewModel::histogramDataChanged, [&] { b.vm->requestRender(RenderQuality::final); });
    }
}
BENCHMARK(BM_VmFullPreviewLatency)->Unit(benchmark::kMillisecond)->UseRealTime();

// Baseline for the ratio: the render service alone on the proxy, on the calling thread.
void BM_VmBaselineProxyRender(benchmark::State& state) {
    Bench& b = bench();
    RenderJob job{b.vm->photos().front(), b.recipe, std::nullopt};
    job.useProxy = true;
    job.wantsHistogram = true;
    EngineRenderService service;
    const bench::ProcessCpuCounter cpu(state);
    for (auto _ : state) benchmark::DoNotOptimize(service.render(job, {}));
}
BENCHMARK(BM_VmBaselineProxyRender)->Unit(benchmark::kMillisecond)->UseRealTime();

// The canvas-sized render at fit as a slider repeats it, on one thread: the whole work of a
// render, nearly independent of what else the machine runs (the cpu_ms of the latencies
// above also count threads waiting for work).
void BM_VmFitRenderOneThread(benchmark::State& state) {
    Bench& b = bench();
    // The frame's size under the recipe (turned and cropped) sets the canvas's size of it.
    b.nudge(0);
    waitForPublication(*b.vm, &DarkroomViewModel::histogramDataChanged,
                       [&] { b.vm->requestRender(RenderQuality::final); });
    EngineRenderService service(bench::oneThreadPipeline());
    RenderJob job{b.vm->photos().front(), b.recipe, std::nullopt};
    job.useProxy = true;
    job.wantsHistogram = true;
    job.maxPixelSize = interactivePixelSize(CanvasView{b.vm->previewFrameSize(), kCanvas}, 6000, bench::kProxyWidth);
    for (auto _ : state) benchmark::DoNotOptimize(service.render(job, {}));
    state.counters["px"] = job.maxPixelSize;
}
BENCHMARK(BM_VmFitRenderOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_VmProxyPreviewLargeCanvas(benchmark::State& state) {
    Bench& b = bench();
    b.vm->setCanvasViewportSize(QSizeF(3000, 2000));
    measureSliderPreviews(state, b);
    b.vm->setCanvasViewportSize(kCanvas);
}
BENCHMARK(BM_VmProxyPreviewLargeCanvas)->Unit(benchmark::kMillisecond)->UseRealTime();

// Seconds from a non-final request until `published` holds, less the quiet
// period; then waits, untimed, for the whole-frame full render to be published.
template <typename Published>
double timeAfterPause(Bench& b, Published published) {
    const auto pause = std::chrono::duration<double>(ViewModelServices{}.timings.fullRenderDelay).count();
    bool done = false;
    const auto connection = QObject::connect(b.vm.get(), &DarkroomViewModel::stateChanged, b.vm.get(), [&] {
        if (!done && published()) done = true;
    });
    const auto start = std::chrono::steady_clock::now();
    b.vm->requestRender(RenderQuality::interactive);
    while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    QObject::disconnect(connection);
    return elapsed - pause;
}

void BM_VmZoomedSharpLatency(benchmark::State& state) {
    Bench& b = bench();
    b.vm->zoomTo100();
    int i = 0;
    {
        const bench::ProcessCpuCounter cpu(state);
        for (auto _ : state) {
            b.nudge(i++);
            state.SetIterationTime(timeAfterPause(b, [&] { return !b.vm->sharpRegion().isNull(); }));
            // The whole-frame render that follows is not part of it; let it finish.
            waitForPublication(*b.vm, &DarkroomViewModel::renderedPreviewChanged, [] {});
        }
    }
    state.counters["region_px"] = double(b.vm->sharpRegion().image.width()) * b.vm->sharpRegion().image.height();
    b.vm->zoomToFit();
}
BENCHMARK(BM_VmZoomedSharpLatency)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_VmWholeFrameFullLatency(benchmark::State& state) {
    Bench& b = bench();
    int i = 0;
    const bench::ProcessCpuCounter cpu(state);
    for (auto _ : state) {
        b.nudge(i++);
        int previews = 0;
        const auto counting = QObject::connect(b.vm.get(), &DarkroomViewModel::renderedPreviewChanged, b.vm.get(),
                                               [&] { ++previews; });
        // The proxy's preview first, then the full one.
        state.SetIterationTime(timeAfterPause(b, [&] { return previews >= 2; }));
        QObject::disconnect(counting);
    }
}
BENCHMARK(BM_VmWholeFrameFullLatency)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    QCoreApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    shared.reset();  // while the application still exists
    benchmark::Shutdown();
    return 0;
}
