// The main colour chain of a preview render: white balance, exposure, colour
// controls, vibrance, a 32³ colour cube and a tone curve over a 2560 × 1707
// proxy, rendered to an 8-bit Display P3 bitmap on all cores.
#include "engine/color/ColorFilters.h"
#include "engine/core/Context.h"
#include "engine/color/LookupFilters.h"
#include "engine/color/WhitePoint.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

namespace vantrel {
namespace {

constexpr int kWidth = 2560, kHeight = 1707;

// An 8-bit sRGB proxy with smooth colour ramps and some fine texture.
Image makeProxy() {
    SourcePixels px = SourcePixels::allocate(kWidth, kHeight, 3, SampleType::uint8);
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* row = px.mutableRow(y);
        for (int x = 0; x < kWidth; ++x) {
            const double u = double(x) / kWidth, v = double(y) / kHeight;
            const double texture = 12.0 * std::sin(x * 0.37) * std::cos(y * 0.23);
            row[3 * x + 0] = static_cast<std::uint8_t>(std::clamp(255.0 * u + texture, 0.0, 255.0));
            row[3 * x + 1] = static_cast<std::uint8_t>(std::clamp(255.0 * v - texture, 0.0, 255.0));
            row[3 * x + 2] = static_cast<std::uint8_t>(std::clamp(255.0 * (1 - u) * (0.5 + 0.5 * v), 0.0, 255.0));
        }
    }
    return Image::fromPixels(std::move(px), ColorProfile::sRGB());
}

// A gentle look: warms shadows, cools highlights, slight desaturation of blues.
ColorCubeParameters makeCube() {
    ColorCubeParameters cube = identityColorCube(32);
    for (size_t i = 0; i < cube.cubeData.size(); i += 4) {
        float* c = &cube.cubeData[i];
        const float y = 0.2126f * c[0] + 0.7152f * c[1] + 0.0722f * c[2];
        c[0] += 0.04f * (0.5f - y);
        c[2] += 0.04f * (y - 0.5f);
        c[2] = y + 0.9f * (c[2] - y);
    }
    return cube;
}

// An S-curve sampled 256 times, the way the tone-curve stage samples its spline.
ColorCurvesParameters makeCurve() {
    ColorCurvesParameters curve;
    for (int i = 0; i < 256; ++i) {
        const float x = float(i) / 255.0f;
        const float v = x + 0.08f * std::sin(2.0f * float(M_PI) * x);
        curve.curvesData.insert(curve.curvesData.end(), {v, v, v});
    }
    return curve;
}

Image colorChain(const Image& source, const ColorCubeParameters& cube, const ColorCurvesParameters& curve) {
    Image image = temperatureAndTint(source, {{5600, 8}, {6500, 0}});
    image = exposure(image, {0.35f});
    image = colorControls(image, {1.1f, 0.02f, 1.15f});
    image = vibrance(image, {0.3f});
    image = colorCube(image, cube);
    return colorCurves(image, curve);
}

void runChain(benchmark::State& state, int threads) {
    const Image source = makeProxy();
    const ColorCubeParameters cube = makeCube();
    const ColorCurvesParameters curve = makeCurve();
    Context context({.threads = threads, .tileSize = 256});
    for (auto _ : state) {
        // The graph is rebuilt every time, as a render of a changed recipe would.
        auto bitmap = context.makeBitmap(colorChain(source, cube, curve));
        if (!bitmap) state.SkipWithError("render failed");
        benchmark::DoNotOptimize(bitmap);
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}

void BM_ColorChainProxy(benchmark::State& state) { runChain(state, 0); }
BENCHMARK(BM_ColorChainProxy)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same on one core: the work itself, whatever else the machine is doing.
void BM_ColorChainProxyOneThread(benchmark::State& state) { runChain(state, 1); }
BENCHMARK(BM_ColorChainProxyOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same render without the filters: what the chain adds is the difference.
void BM_ProxyToBitmap(benchmark::State& state) {
    const Image source = makeProxy();
    Context context;
    for (auto _ : state) {
        auto bitmap = context.makeBitmap(source);
        if (!bitmap) state.SkipWithError("render failed");
        benchmark::DoNotOptimize(bitmap);
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}
BENCHMARK(BM_ProxyToBitmap)->Unit(benchmark::kMillisecond)->UseRealTime();

// The chain's per-pixel kernels alone, on one core, over rows of 256 pixels that
// stay in cache: the cost of the formulas without the evaluator.
void BM_ColorChainKernelsOneCore(benchmark::State& state) {
    constexpr int kRow = 256;
    std::vector<float> source(4 * kRow), row(4 * kRow);
    for (int i = 0; i < kRow; ++i) {
        const float u = float(i) / kRow;
        source[4 * i + 0] = u;
        source[4 * i + 1] = 1 - u;
        source[4 * i + 2] = 0.5f * u + 0.2f;
        source[4 * i + 3] = 1;
    }
    // White balance, exposure and colour controls collapse into one matrix, as in the image chain.
    const auto affine = then(then(kernels::RgbAffine::fromMatrix(whiteAdaptationMatrix({5600, 8}, {6500, 0})),
                                  kernels::exposureKernel({0.35f})),
                             kernels::colorControlsKernel({1.1f, 0.02f, 1.15f}));
    const kernels::VibranceKernel vib{0.3f};
    const auto cube = *kernels::ColorCubeKernel::make(makeCube());
    const auto curve = *kernels::ColorCurvesKernel::make(makeCurve());
    for (auto _ : state) {
        for (int r = 0; r < kHeight * kWidth / kRow; ++r) {
            affine.run(source.data(), row.data(), kRow);
            vib.run(row.data(), row.data(), kRow);
            cube.run(row.data(), row.data(), kRow);
            curve.run(row.data(), row.data(), kRow);
            benchmark::DoNotOptimize(row.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}
BENCHMARK(BM_ColorChainKernelsOneCore)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vantrel
BENCHMARK_MAIN();
