// Neighbourhood filters on generated images: blurs of a 2560 × 1707 proxy at the
// sigmas the darkroom uses, the detail filters, and the area downscale of a
// 24-megapixel scan to proxy size. Medians over repetitions, wall-clock time.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/core/Context.h"
#include "engine/filters/DetailFilters.h"
#include "engine/filters/Downscale.h"
#include "engine/filters/GaussianBlur.h"

namespace {

using namespace vantrel;

struct Frame {
    PlaneRect rect;
    std::vector<float> px;
    Frame(int w, int h) : rect{0, 0, w, h}, px(static_cast<std::size_t>(w) * h * 4) {
        std::uint32_t s = 12345;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float* p = px.data() + (static_cast<std::size_t>(y) * w + x) * 4;
                s = s * 1664525u + 1013904223u;
                const float n = float(s >> 8) / float(1u << 24);
                p[0] = 0.5f + 0.4f * std::sin(x * 0.01f) + 0.05f * n;
                p[1] = float(x) / w;
                p[2] = ((x / 64 + y / 64) % 2) ? 1.5f : 0.05f;
                p[3] = 1.0f;
            }
    }
    ConstPlaneView cview() const { return {px.data(), 4 * rect.width, rect}; }
    PlaneView view() { return {px.data(), 4 * rect.width, rect}; }
};

const Frame& proxy() {
    static const Frame f(2560, 1707);
    return f;
}

void blurProxy(benchmark::State& state, float sigma) {
    const Frame& in = proxy();
    Frame out(in.rect.width, in.rect.height);
    for (auto _ : state) {
        gaussianBlur(in.cview(), in.rect, sigma, BlurEdge::Clamp, out.view());
        benchmark::DoNotOptimize(out.px.data());
        benchmark::ClobberMemory();
    }
}

void BM_BlurProxySigma2(benchmark::State& s) { blurProxy(s, 2.0f); }
void BM_BlurProxySigma18(benchmark::State& s) { blurProxy(s, 18.0f); }
void BM_BlurProxySigma25(benchmark::State& s) { blurProxy(s, 25.0f); }
void BM_BlurProxySigma150(benchmark::State& s) { blurProxy(s, 150.0f); }

// The same blur as a node of an image graph, rendered to floats by the context
// (includes the evaluator and the allocation of the output).
void BM_BlurProxySigma25Render(benchmark::State& state) {
    const Frame& f = proxy();
    PixelBuffer b(Rect{0, 0, f.rect.width, f.rect.height});
    std::memcpy(b.data(), f.px.data(), f.px.size() * sizeof(float));
    const Image blurred = gaussianBlur(Image::fromBuffer(std::move(b)), 25.0f, BlurEdge::Clamp);
    const Context context;
    for (auto _ : state) benchmark::DoNotOptimize(context.renderFloat(blurred, blurred.extent()));
}

void BM_UnsharpMaskProxy(benchmark::State& state) {
    const Frame& in = proxy();
    Frame out(in.rect.width, in.rect.height);
    for (auto _ : state) {
        unsharpMask(in.cview(), in.rect, {1.5f, 1.0f}, out.view());
        benchmark::ClobberMemory();
    }
}

void BM_NoiseReductionProxy(benchmark::State& state) {
    const Frame& in = proxy();
    Frame out(in.rect.width, in.rect.height);
    for (auto _ : state) {
        noiseReduction(in.cview(), in.rect, {0.05f, 0.5f}, out.view());
        benchmark::ClobberMemory();
    }
}

void BM_Downscale24MP(benchmark::State& state) {
    static const Frame scan(6000, 4000);
    const PixelSize size = fitLongEdge({6000, 4000}, 2560);
    Frame out(size.width, size.height);
    for (auto _ : state) {
        downscaleArea(scan.cview(), size, out.view());
        benchmark::ClobberMemory();
    }
}

#define NEIGHBOURHOOD_BENCH(fn) \
    BENCHMARK(fn)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(7)->ReportAggregatesOnly(true)

NEIGHBOURHOOD_BENCH(BM_BlurProxySigma2);
NEIGHBOURHOOD_BENCH(BM_BlurProxySigma18);
NEIGHBOURHOOD_BENCH(BM_BlurProxySigma25);
NEIGHBOURHOOD_BENCH(BM_BlurProxySigma150);
NEIGHBOURHOOD_BENCH(BM_BlurProxySigma25Render);
NEIGHBOURHOOD_BENCH(BM_UnsharpMaskProxy);
NEIGHBOURHOOD_BENCH(BM_NoiseReductionProxy);
NEIGHBOURHOOD_BENCH(BM_Downscale24MP);

}  // namespace

BENCHMARK_MAIN();
