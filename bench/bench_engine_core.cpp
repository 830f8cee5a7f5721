// Speed of the engine core: a chain of six fused pointwise nodes over a proxy-sized source
// rendered to an 8-bit Display P3 bitmap (all cores and one core), and the same chain over a
// 60-megapixel 16-bit source rendered strip by strip into a 16-bit output, with the peak
// resident memory reported as a counter.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <string>

#include "ProcessCpu.h"
#include "engine/filters/Blends.h"
#include "engine/color/ColorFilters.h"
#include "engine/filters/Generators.h"
#include "engine/color/LookupFilters.h"
#include "engine/core/Context.h"

namespace vantrel {
namespace {

SourcePixels makeSource(int w, int h, SampleType type) {
    SourcePixels p = SourcePixels::allocate(w, h, 3, type);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = p.mutableRow(y);
        for (int x = 0; x < w; ++x) {
            const double u = double(x) / w, v = double(y) / h;
            const double c[3] = {u, v, 0.5 + 0.5 * std::sin(12 * u + 7 * v)};
            for (int k = 0; k < 3; ++k) {
                if (type == SampleType::uint8) row[3 * x + k] = std::uint8_t(c[k] * 255);
                else reinterpret_cast<std::uint16_t*>(row)[3 * x + k] = std::uint16_t(c[k] * 65535);
            }
        }
    }
    return p;
}

// The engine's own filters: colour matrix -> exposure -> 256-entry curve in sRGB encoding ->
// invert, blended over the curve's output through a radial gradient mask; the bitmap
// encoding is the sixth step.
Image chain(const Image& src) {
    ColorMatrixParameters m;
    m.rVector = {1.05f, -0.03f, -0.02f, 0};
    m.gVector = {0.02f, 0.97f, 0.01f, 0};
    m.bVector = {-0.01f, 0.04f, 0.98f, 0};
    m.biasVector = {0.01f, 0, 0, 0};
    const Image matrix = colorMatrix(src, m);
    const Image exposed = exposure(matrix, {0.4f});
    ColorCurvesParameters curve;
    for (int i = 0; i < 256; ++i) {
        const float v = float((0.5 - 0.5 * std::cos(M_PI * i / 255.0)) * 0.9 + 0.05);
        curve.curvesData.insert(curve.curvesData.end(), {v, v, v});
    }
    const Image curved = colorCurves(exposed, curve);
    const Image inverted = invert(curved);
    const Rect e = src.extent();
    RadialGradientParameters g;
    g.centerX = double(e.x) + double(e.width) * 0.5;
    g.centerY = double(e.y) + double(e.height) * 0.5;
    g.radius0 = 0.1 * double(std::max(e.width, e.height));
    g.radius1 = 0.6 * double(std::max(e.width, e.height));
    const Image mask = radialGradient(g).cropped(e);
    return blendWithMask(inverted, curved, mask);
}

double peakResidentMegabytes() {
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

void runProxy(benchmark::State& state, int threads) {
    static const Image source = Image::fromPixels(makeSource(2560, 1707, SampleType::uint8));
    const Image image = chain(source);
    const Context ctx({threads, 256});
    const bench::ProcessCpuCounter cpu(state);
    for (auto _ : state) {
        auto bmp = ctx.makeBitmap(image);
        if (!bmp) state.SkipWithError("no bitmap");
        benchmark::DoNotOptimize(bmp);
    }
    state.counters["Mpx/s"] = benchmark::Counter(2560.0 * 1707.0 * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_FusedPointwiseProxy(benchmark::State& state) { runProxy(state, 0); }
void BM_FusedPointwiseProxySingleThread(benchmark::State& state) { runProxy(state, 1); }

void BM_Strip60MP(benchmark::State& state) {
    const int w = 9488, h = 6324;  // 60 megapixels, 3:2
    const Image image = chain(Image::fromPixels(makeSource(w, h, SampleType::uint16)));
    const Context ctx;
    std::vector<std::uint16_t> output(std::size_t(w) * std::size_t(h) * 4);
    for (auto _ : state) {
        const bool ok = ctx.renderStrips(image, image.extent(), PixelFormat::rgba16, 256, [&](const Strip& s) {
            std::memcpy(output.data() + std::size_t(s.firstRow) * std::size_t(w) * 4, s.data, s.rowBytes * std::size_t(s.rows));
            return true;
        });
        if (!ok) state.SkipWithError("render failed");
        benchmark::DoNotOptimize(output.data());
    }
    state.counters["peakRSS_MB"] = peakResidentMegabytes();
}

BENCHMARK(BM_FusedPointwiseProxy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FusedPointwiseProxySingleThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Strip60MP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace vantrel

BENCHMARK_MAIN();
