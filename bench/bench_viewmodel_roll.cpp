// Opening a roll with the real engine: a folder of 36 generated 24-megapixel (6000 × 4000)
// JPEG scans, opened with loadFolder.
//   BM_VmOpenRoll36  iteration time: from loadFolder to the first frame's final (full-size)
//                    preview published on the GUI thread;
//                    counter all_thumbnails_ms: from loadFolder until every frame's filmstrip
//                    thumbnail is published (the loop's 36 undeveloped ones, the current
//                    frame's developed one).
//   BM_VmBatchExport36  a batch export through the view model of a roll of 36 24-megapixel
//                    16-bit uncompressed TIFF scans (the film scanner's usual output) to JPEG
//                    at quality 0.95, from beginBatchExport until the batch has finished.
// The scans are hard links to one encoded file under 36 names, and the loader's image caches
// are emptied before each opening, so every opening decodes afresh (from the page cache).
// Read medians: --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>

#include "engine/io/ImageLoader.h"
#include "EventLoop.h"
#include "NullSessionStorage.h"
#include "RollScans.h"
#include "viewmodel/DarkroomViewModel.h"
#include "viewmodel/EngineRenderService.h"
#include "viewmodel/ViewModelServices.h"

namespace {

using namespace vantrel;
using Clock = std::chrono::steady_clock;

constexpr int kFrames = 36;
using bench::writeScan;
using bench::writeTiffScan;

using NullStore = bench::NullSessionStorage;

struct Bench {
    QTemporaryDir dir;
    std::filesystem::path roll;
    std::unique_ptr<DarkroomViewModel> vm;

    Bench() {
        const std::filesystem::path root(dir.path().toStdString());
        roll = root / "Roll 36";
        std::filesystem::create_directories(roll);
        const std::filesystem::path original = root / "scan.jpg";
        writeScan(original);
        for (int i = 1; i <= kFrames; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "Frame_%02d.jpg", i);
            std::filesystem::create_hard_link(original, roll / name);
        }

        ViewModelServices services;
        services.render = std::make_shared<EngineRenderService>();
        services.store = std::make_shared<NullStore>();
        services.exporter = std::make_shared<EngineExportService>();
        services.settings = std::make_shared<QSettings>(dir.filePath("settings.ini"), QSettings::IniFormat);
        vm = std::make_unique<DarkroomViewModel>(std::move(services));
        // The sample roll opens first; let its render finish.
        while (vm->renderedPreview().isNull()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }

    void forgetDecodedScans() {
        for (const auto& entry : std::filesystem::directory_iterator(roll)) {
            ImageLoader::fullImageCache().remove(ImageLoader::cacheKey(entry.path()));
            ImageLoader::proxyImageCache().remove(ImageLoader::cacheKey(entry.path()));
        }
    }
};

std::unique_ptr<Bench> shared;

using bench::runUntil;

void BM_VmOpenRoll36(benchmark::State& state) {
    if (!shared) shared = std::make_unique<Bench>();
    Bench& bench = *shared;
    DarkroomViewModel& vm = *bench.vm;
    double thumbnailsMs = 0;
    for (auto _ : state) {
        bench.forgetDecodedScans();
        bool previewShown = false;
        // Only a final render publishes a histogram: the first frame's developed preview.
        const auto connection =
            QObject::connect(&vm, &DarkroomViewModel::histogramDataChanged, &vm, [&] { previewShown = true; });

        const Clock::time_point start = Clock::now();
        vm.loadFolder(bench.roll);
        const bool shownInTime = runUntil([&] { return previewShown; }, std::chrono::minutes(1));
        const Clock::time_point shown = Clock::now();
        const bool allInTime = runUntil(
            [&] { return !vm.isGeneratingThumbnails() && vm.thumbnailCache().size() == std::size_t(kFrames); },
            std::chrono::minutes(1));
        const Clock::time_point allThumbnails = Clock::now();
        QObject::disconnect(connection);
        if (!shownInTime || !allInTime) {
            state.SkipWithError("the preview or the thumbnails never arrived");
            break;
        }

        state.SetIterationTime(std::chrono::duration<double>(shown - start).count());
        thumbnailsMs += std::chrono::duration<double, std::milli>(allThumbnails - start).count();
    }
    state.counters["all_thumbnails_ms"] = benchmark::Counter(thumbnailsMs, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_VmOpenRoll36)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_VmBatchExport36(benchmark::State& state) {
    if (!shared) shared = std::make_unique<Bench>();
    Bench& bench = *shared;
    const std::filesystem::path root(bench.dir.path().toStdString());
    const std::filesystem::path roll = root / "Roll 36 TIFF", out = root / "exported";
    if (!std::filesystem::exists(roll)) {
        std::filesystem::create_directories(roll);
        writeTiffScan(root / "scan16.tif");
        for (int i = 1; i <= kFrames; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "Frame_%02d.tif", i);
            std::filesystem::create_hard_link(root / "scan16.tif", roll / name);
        }
    }
    DarkroomViewModel& vm = *bench.vm;
    vm.loadFolder(roll);
    if (!runUntil([&] { return vm.photos().size() == std::size_t(kFrames) && !vm.isGeneratingThumbnails(); },
                  std::chrono::minutes(1))) {
        state.SkipWithError("the roll never opened");
        return;
    }
    ExportSettings settings;
    settings.format = ExportFormat::jpeg;
    settings.jpegQuality = 0.95;
    for (auto _ : state) {
        std::filesystem::remove_all(out);
        std::filesystem::create_directories(out);
        const Clock::time_point start = Clock::now();
        vm.beginBatchExport(vm.photos(), out, settings);
        const bool done = runUntil([&] { return !vm.isBatchExporting(); }, std::chrono::minutes(10));
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        int written = 0;
        for (const auto& entry : std::filesystem::directory_iterator(out)) written += entry.file_size() > 0;
        if (!done || written != kFrames) {
            state.SkipWithError("the batch did not write every frame");
            break;
        }
    }
    std::filesystem::remove_all(out);
}
BENCHMARK(BM_VmBatchExport36)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

// Baselines read side by side, on the calling thread without scheduling: the first frame's
// final render job alone (decode, develop, preview, original, histogram, thumbnail), one
// loop thumbnail, and the header reads of the whole roll.
void BM_VmRollBaselineFinalRender(benchmark::State& state) {
    if (!shared) shared = std::make_unique<Bench>();
    EngineRenderService service;
    const std::filesystem::path first = shared->roll / "Frame_01.jpg";
    std::optional<LoadedPhoto> photo = service.loadPhoto(first);
    if (!photo) {
        state.SkipWithError("the scan cannot be read");
        return;
    }
    RenderJob job{*photo, EditParameters::defaultValue(), std::nullopt};
    job.needsOriginal = job.wantsHistogram = job.wantsThumbnail = true;
    for (auto _ : state) {
        shared->forgetDecodedScans();
        benchmark::DoNotOptimize(service.render(job, {}));
    }
}
BENCHMARK(BM_VmRollBaselineFinalRender)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_VmRollBaselineThumbnail(benchmark::State& state) {
    if (!shared) shared = std::make_unique<Bench>();
    EngineRenderService service;
    for (auto _ : state) benchmark::DoNotOptimize(service.thumbnail(shared->roll / "Frame_02.jpg", 320));
}
BENCHMARK(BM_VmRollBaselineThumbnail)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_VmRollBaselineHeaders(benchmark::State& state) {
    if (!shared) shared = std::make_unique<Bench>();
    EngineRenderService service;
    for (auto _ : state)
        for (const auto& entry : std::filesystem::directory_iterator(shared->roll))
            benchmark::DoNotOptimize(service.loadPhoto(entry.path()));
}
BENCHMARK(BM_VmRollBaselineHeaders)->Unit(benchmark::kMillisecond)->UseRealTime();

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
