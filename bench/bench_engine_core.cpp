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
#include "engine/ColorKernel.h"
#include "engine/Context.h"

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

// colour matrix -> exposure -> 256-entry curve in sRGB encoding -> invert, blended over the
// curve's output through a radial gradient mask; the bitmap encoding is the sixth step.
Image chain(const Image& src) {
    const float m[12] = {1.05f, -0.03f, -0.02f, 0.01f, 0.02f, 0.97f, 0.01f, 0.0f, -0.01f, 0.04f, 0.98f, 0.0f};
    const Image matrix = colorFilter(src, [m](float* c) {
        const float r = c[0], g = c[1], b = c[2];
        c[0] = m[0] * r + m[1] * g + m[2] * b + m[3];
        c[1] = m[4] * r + m[5] * g + m[6] * b + m[7];
        c[2] = m[8] * r + m[9] * g + m[10] * b + m[11];
    });
    const float gain = std::exp2(0.4f);
    const Image exposure = Image::pointwise({matrix}, [gain](const RowSpan& s, const float* const* in, float* out) {
        const float* p = in[0];
        for (int i = 0; i < s.count; ++i) {
            out[4 * i] = p[4 * i] * gain;
            out[4 * i + 1] = p[4 * i + 1] * gain;
            out[4 * i + 2] = p[4 * i + 2] * gain;
            out[4 * i + 3] = p[4 * i + 3];
        }
    });
    // A 256-entry curve on sRGB-encoded values (extended linearly outside [0, 1]), applied
    // to linear values through one table of the whole encode -> curve -> decode function.
    std::array<double, 257> table{};
    for (int i = 0; i < 256; ++i) table[std::size_t(i)] = (0.5 - 0.5 * std::cos(M_PI * i / 255.0)) * 0.9 + 0.05;
    table[256] = table[255];
    auto curveOfEncoded = [table](double e) {
        const double c = std::clamp(e, 0.0, 1.0), t = c * 255.0;
        const int i = int(t);
        return table[std::size_t(i)] + (t - i) * (table[std::size_t(i) + 1] - table[std::size_t(i)]) + (e - c);
    };
    auto composite = std::make_shared<const color::CurveTable>(
        [curveOfEncoded](double x) { return color::decodeSRGB(curveOfEncoded(color::encodeSRGB(x))); }, false);
    const Image curve = colorFilter(exposure, [composite](float* c) {
        const color::CurveTable& t = *composite;
        c[0] = t(c[0]);
        c[1] = t(c[1]);
        c[2] = t(c[2]);
    });
    const Image inverted = colorFilter(curve, [](float* c) {
        c[0] = 1 - c[0];
        c[1] = 1 - c[1];
        c[2] = 1 - c[2];
    });
    const Rect e = src.extent();
    const double cx = e.x + e.width * 0.5, cy = e.y + e.height * 0.5;
    const double r0 = 0.1 * double(std::max(e.width, e.height)), r1 = 0.6 * double(std::max(e.width, e.height));
    const Image mask = Image::generator(
        [cx, cy, r0, r1](const RowSpan& s, float* out) {
            const float dy = float(double(s.y) + 0.5 - cy);
            const float x0 = float(double(s.x) + 0.5 - cx);
            const float inv = float(1.0 / (r1 - r0)), fr0 = float(r0);
            for (int i = 0; i < s.count; ++i) {
                const float dx = x0 + float(i);
                const float t = std::clamp((std::sqrt(dx * dx + dy * dy) - fr0) * inv, 0.0f, 1.0f);
                out[4 * i] = out[4 * i + 1] = out[4 * i + 2] = out[4 * i + 3] = 1.0f - t;
            }
        },
        e);
    return Image::pointwise({inverted, curve, mask}, [](const RowSpan& s, const float* const* in, float* out) {
        const float* img = in[0];
        const float* bg = in[1];
        const float* mk = in[2];
        for (int i = 0; i < s.count; ++i) {
            const float m = std::clamp(mk[4 * i + 1], 0.0f, 1.0f);
            for (int k = 0; k < 4; ++k) out[4 * i + k] = bg[4 * i + k] + m * (img[4 * i + k] - bg[4 * i + k]);
        }
    });
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
