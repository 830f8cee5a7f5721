// Latency of the view model's previews with the real engine, on a generated 24-megapixel
// (6000 × 4000, 16-bit colour negative) scan and the core recipe of the pipeline benchmarks
// (bench/core_recipe.json), from the request to the preview published on the GUI thread.
//   BM_VmProxyPreviewLatency  a non-final request (a slider moving) until the proxy preview
//                             and its histogram are published
//   BM_VmFullPreviewLatency   a final request until the full-resolution preview and its
//                             histogram are published
//   BM_VmBaselineProxyRender  the proxy render alone, without scheduling, for the ratio
// Read medians: --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

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

#include "engine/SourcePixels.h"
#include "viewmodel/DarkroomViewModel.h"
#include "viewmodel/EngineRenderService.h"

namespace {

using namespace vantrel;

// A store that keeps nothing: the benchmarks measure rendering, not disk writes.
class NullStore final : public SessionStorage {
public:
    std::optional<EditParameters> loadRecipe(const std::filesystem::path&) override { return std::nullopt; }
    void saveRecipe(const EditParameters&, const std::filesystem::path&) override {}
    std::optional<EditParameters> loadSampleRecipe(const Uuid&) override { return std::nullopt; }
    void saveSampleRecipe(const EditParameters&, const Uuid&) override {}
    std::vector<SnapshotItem> loadSnapshots(const std::filesystem::path&) override { return {}; }
    void saveSnapshots(const std::vector<SnapshotItem>&, const std::filesystem::path&) override {}
    std::vector<SnapshotItem> loadSampleSnapshots(const Uuid&) override { return {}; }
    void saveSampleSnapshots(const std::vector<SnapshotItem>&, const Uuid&) override {}
    std::optional<RollCullingDatabase> loadCullingDatabase(const std::filesystem::path&) override { return {}; }
    void saveCullingDatabase(const RollCullingDatabase&, const std::filesystem::path&) override {}
    std::optional<RollCullingDatabase> loadSampleCullingDatabase() override { return std::nullopt; }
    void saveSampleCullingDatabase(const RollCullingDatabase&) override {}
    void flush() override {}
    void deleteRecipe(const std::filesystem::path&) override {}
    void deleteSampleRecipe(const Uuid&) override {}
};

// A smooth scene with some detail, as an orange-based negative, at any size (the proxy is
// the same scene at 2560 pixels, as the loader's cache would hold it).
Image makeNegative(int width, int height) {
    SourcePixels p = SourcePixels::allocate(width, height, 3, SampleType::uint16);
    const double base[3] = {0.85, 0.45, 0.25};
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint16_t*>(p.mutableRow(y));
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width, v = double(y) / height;
            const double detail = 0.05 * std::sin(u * 947.0) * std::cos(v * 409.0);
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

EditParameters coreRecipe() {
    const auto path = std::filesystem::path(__FILE__).parent_path() / "core_recipe.json";
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return nlohmann::json::parse(in).get<EditParameters>();
}

// Runs the event loop until `published` has fired once after `request`.
template <typename Signal, typename Request>
void waitForPublication(DarkroomViewModel& vm, Signal published, Request request) {
    bool done = false;
    const auto connection = QObject::connect(&vm, published, &vm, [&] { done = true; });
    request();
    while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QObject::disconnect(connection);
}

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

void BM_VmProxyPreviewLatency(benchmark::State& state) {
    Bench& b = bench();
    int i = 0;
    for (auto _ : state) {
        b.nudge(i++);
        waitForPublication(*b.vm, &DarkroomViewModel::renderedPreviewChanged, [&] { b.vm->requestRender(false); });
    }
    // Leave no pending full render behind for the next benchmark.
    waitForPublication(*b.vm, &DarkroomViewModel::histogramDataChanged, [&] { b.vm->requestRender(true); });
}
BENCHMARK(BM_VmProxyPreviewLatency)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_VmFullPreviewLatency(benchmark::State& state) {
    Bench& b = bench();
    int i = 0;
    for (auto _ : state) {
        b.nudge(i++);
        waitForPublication(*b.vm, &DarkroomViewModel::histogramDataChanged, [&] { b.vm->requestRender(true); });
    }
}
BENCHMARK(BM_VmFullPreviewLatency)->Unit(benchmark::kMillisecond)->UseRealTime();

// Baseline for the ratio: the render service alone on the proxy, on the calling thread.
void BM_VmBaselineProxyRender(benchmark::State& state) {
    Bench& b = bench();
    RenderJob job{b.vm->photos().front(), b.recipe, std::nullopt, false, false};
    job.useProxy = true;
    job.wantsHistogram = true;
    EngineRenderService service;
    for (auto _ : state) benchmark::DoNotOptimize(service.render(job, {}));
}
BENCHMARK(BM_VmBaselineProxyRender)->Unit(benchmark::kMillisecond)->UseRealTime();

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
