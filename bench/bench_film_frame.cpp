// Speed of the film frame: a 2560 × 1707 proxy (16-bit source) framed as a 35 mm strip with the
// full edge print (stock label, barcode, frame numbers) and the watermark badge, from building
// the frame to the 8-bit Display P3 bitmap the preview shows. The unframed proxy rendered the
// same way is the baseline; the one-core runs give the work itself.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#include "engine/core/Context.h"
#include "engine/stages/FilmFrameGenerator.h"

namespace vantrel {
namespace {

constexpr int kWidth = 2560;
constexpr int kHeight = 1707;

Image proxy() {
    SourcePixels p = SourcePixels::allocate(kWidth, kHeight, 3, SampleType::uint16);
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<std::uint16_t*>(p.mutableRow(y));
        for (int x = 0; x < kWidth; ++x) {
            const double u = double(x) / kWidth, v = double(y) / kHeight;
            row[3 * x] = std::uint16_t(u * 65535);
            row[3 * x + 1] = std::uint16_t(v * 65535);
            row[3 * x + 2] = std::uint16_t((0.5 + 0.5 * std::sin(12 * u + 7 * v)) * 65535);
        }
    }
    return Image::fromPixels(std::move(p));
}

FilmFrameParameters edgePrintWithWatermark() {
    FilmFrameParameters p;
    p.style = FilmFrameStyle::sprocket135;
    p.showExifWatermark = true;
    p.watermarkCamera = "Leica M6";
    p.watermarkLens = "Summicron 35mm";
    p.watermarkParams = "ƒ/2.8  1/250s  ISO 400";
    return p;
}

void renderBitmap(benchmark::State& state, bool framed, int threads = 0) {
    const Image source = proxy();
    const FilmFrameParameters frame = edgePrintWithWatermark();
    ContextOptions options;
    options.threads = threads;
    const Context context(options);
    std::size_t pixels = 0;
    for (auto _ : state) {
        const Image image = framed ? applyFilmFrame(source, frame) : source;
        auto bitmap = context.makeBitmap(image);
        if (!bitmap) state.SkipWithError("render failed");
        else pixels = bitmap->pixels.size() / 4;
        benchmark::DoNotOptimize(bitmap);
    }
    state.counters["pixels"] = double(pixels);
}

void BM_FilmFrameProxy(benchmark::State& state) { renderBitmap(state, true); }
void BM_UnframedProxy(benchmark::State& state) { renderBitmap(state, false); }
// The work itself, free of scheduling on a busy machine.
void BM_FilmFrameProxyOneCore(benchmark::State& state) { renderBitmap(state, true, 1); }
void BM_UnframedProxyOneCore(benchmark::State& state) { renderBitmap(state, false, 1); }

BENCHMARK(BM_FilmFrameProxy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UnframedProxy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FilmFrameProxyOneCore)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UnframedProxyOneCore)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace vantrel

BENCHMARK_MAIN();
