// The filmstrip after a restart, with the real engine: a roll of generated 24-megapixel
// (6000 × 4000) scans, every frame with a stored recipe that has edits (the core recipe of
// BenchScenes.h, two stops brighter, a quarter turn, a flip, a straighten and a crop), opened
// with loadFolder. Arg 0: JPEG scans, 1: 16-bit uncompressed TIFF scans.
//   BM_VmDevelopedThumbnails36  iteration time: from loadFolder until every frame's developed
//                    picture is in the filmstrip (the frames not opened developed in the
//                    background by the thumbnail loop, the first frame by its own render);
//                    counters, from a second opening of the roll during which a frame is
//                    selected one after another while the pictures are made:
//                    select_call_ms      selectPhoto on the GUI thread, mean;
//                    select_shown_ms     from selectPhoto to the frame's final preview, mean,
//                    select_shown_max_ms and the longest;
//                    idle_select_shown_ms the same once every picture is in (for comparison);
//                    max_rss_mb          the process's peak resident memory so far.
//   BM_VmSelectWhileDeveloping1000  the same selections on a roll of 1000 such JPEG frames while
//                    its pictures are made (iteration time: the mean from selectPhoto to the
//                    frame's final preview; counters as above).
// The scans are hard links to one encoded file under many names, and the loader's image caches
// are emptied before each opening, so every opening decodes afresh (from the page cache).
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
#include <sys/resource.h>

#include "BenchScenes.h"
#include "EventLoop.h"
#include "NullSessionStorage.h"
#include "RollScans.h"
#include "engine/io/ImageLoader.h"
#include "viewmodel/DarkroomViewModel.h"
#include "viewmodel/EngineRenderService.h"

namespace {

using namespace vantrel;
using Clock = std::chrono::steady_clock;

EditParameters developedRecipe() {
    EditParameters recipe = bench::coreRecipe();
    recipe.exposure += 2;
    recipe.crop.quarterTurns = 1;
    recipe.crop.isFlippedH = true;
    recipe.crop.straightenAngle = 2.5;
    recipe.crop.rect = {0.1, 0.1, 0.8, 0.8};
    return recipe;
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

using bench::runUntil;

struct Roll {
    QTemporaryDir dir;
    std::filesystem::path folder;
    std::unique_ptr<DarkroomViewModel> vm;
    int frames = 0;

    Roll(int count, bool tiff) : frames(count) {
        const std::filesystem::path root(dir.path().toStdString());
        folder = root / "Roll";
        std::filesystem::create_directories(folder);
        const std::filesystem::path original = root / (tiff ? "scan.tif" : "scan.jpg");
        tiff ? bench::writeTiffScan(original) : bench::writeScan(original);
        for (int i = 1; i <= count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "Frame_%04d%s", i, tiff ? ".tif" : ".jpg");
            std::filesystem::create_hard_link(original, folder / name);
        }
        ViewModelServices services;
        services.render = std::make_shared<EngineRenderService>();
        services.store = std::make_shared<bench::NullSessionStorage>(developedRecipe());
        services.settings = std::make_shared<QSettings>(dir.filePath("settings.ini"), QSettings::IniFormat);
        vm = std::make_unique<DarkroomViewModel>(std::move(services));
        runUntil([&] { return !vm->renderedPreview().isNull(); });
    }

    // Opened afresh: nothing of it decoded yet.
    void open() {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            ImageLoader::fullImageCache().remove(ImageLoader::cacheKey(entry.path()));
            ImageLoader::proxyImageCache().remove(ImageLoader::cacheKey(entry.path()));
        }
        vm->loadFolder(folder);
    }

    // Every frame's filmstrip picture is in (all frames are edited: each is developed).
    bool allPictured() const {
        return !vm->isGeneratingThumbnails() && vm->thumbnailCache().size() == std::size_t(frames) && vm->isIdle();
    }
};

struct Selections {
    double callMs = 0, shownMs = 0, shownMaxMs = 0;
    int count = 0;
};

// Selects the next frame and waits for its final preview (only a final render publishes a histogram).
bool selectNext(DarkroomViewModel& vm, int index, Selections& into) {
    bool shown = false;
    const auto connection = QObject::connect(&vm, &DarkroomViewModel::histogramDataChanged, &vm, [&] { shown = true; });
    const Uuid frame = DarkroomViewModel::frameID(vm.photos()[std::size_t(index) % vm.photos().size()]);
    const Clock::time_point start = Clock::now();
    vm.selectPhoto(frame);
    const double call = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const bool arrived = runUntil([&] { return shown; }, std::chrono::minutes(1));
    const double wait = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    QObject::disconnect(connection);
    into.callMs += call;
    into.shownMs += wait;
    into.shownMaxMs = std::max(into.shownMaxMs, wait);
    ++into.count;
    return arrived;
}

void report(benchmark::State& state, const Selections& busy, const Selections& idle) {
    if (busy.count > 0) {
        state.counters["select_call_ms"] = busy.callMs / busy.count;
        state.counters["select_shown_ms"] = busy.shownMs / busy.count;
        state.counters["select_shown_max_ms"] = busy.shownMaxMs;
        state.counters["selections"] = busy.count;
    }
    if (idle.count > 0) state.counters["idle_select_shown_ms"] = idle.shownMs / idle.count;
    state.counters["max_rss_mb"] = peakMegabytes();
}

void BM_VmDevelopedThumbnails36(benchmark::State& state) {
    Roll roll(36, state.range(0) == 1);
    Selections busy, idle;
    for (auto _ : state) {
        // The time until every picture is in, with no one selecting meanwhile.
        const Clock::time_point start = Clock::now();
        roll.open();
        if (!runUntil([&] { return roll.allPictured(); })) {
            state.SkipWithError("the developed pictures never all arrived");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());

        // Opened again: a frame after another selected while the pictures are made, then a few once they are in.
        roll.open();
        int index = 1;
        while (!roll.allPictured())
            if (!selectNext(*roll.vm, index++, busy)) return state.SkipWithError("a selected frame never showed");
        for (int i = 0; i < 5; ++i) selectNext(*roll.vm, index++, idle);
        runUntil([&] { return roll.allPictured(); });
    }
    report(state, busy, idle);
}
BENCHMARK(BM_VmDevelopedThumbnails36)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);

void BM_VmSelectWhileDeveloping1000(benchmark::State& state) {
    Roll roll(1000, false);
    Selections busy, idle;
    for (auto _ : state) {
        roll.open();
        Selections run;
        for (int index = 1; index <= 40; ++index)
            if (!selectNext(*roll.vm, index * 7, run)) return state.SkipWithError("a selected frame never showed");
        if (!roll.vm->isGeneratingThumbnails()) return state.SkipWithError("the pictures were all made already");
        state.SetIterationTime(run.shownMs / run.count / 1e3);
        busy.callMs += run.callMs, busy.shownMs += run.shownMs, busy.count += run.count;
        busy.shownMaxMs = std::max(busy.shownMaxMs, run.shownMaxMs);
    }
    report(state, busy, idle);
}
BENCHMARK(BM_VmSelectWhileDeveloping1000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    QCoreApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
