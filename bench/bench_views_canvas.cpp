// Paint costs of the canvas views, offscreen.
//   BM_CanvasPaint/<zoom>  one paint of the zoom canvas (the comparison view in
//                          full mode inside it) showing a 2560 x 1707 preview in a
//                          1400 x 900 canvas, at zoom 1, 2 and 6 with a pan
//   BM_CanvasPaintSplit/<zoom>  the same in split mode, divider and badges included
//   BM_CanvasPaintFull/<zoom>   the same with a full-resolution 6000 x 4000 preview
//   BM_CanvasNewPreviewPaint    a new 2560 x 1707 preview on every paint, at zoom 1
// cpu_ms is the CPU time of the whole process per paint: Qt spreads large
// scaled drawings over worker threads, so it can exceed the wall time.
// Read medians: --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cmath>

#include <QColorSpace>
#include <QCoreApplication>
#include <QtEndian>
#include <QImage>
#include <QPainter>

#include "ProcessCpu.h"
#include "views/canvas/SplitCompareView.h"
#include "views/canvas/ZoomPanCanvasView.h"

namespace {

using namespace vantrel;

// A preview as the view model publishes it: 8-bit RGBA, premultiplied, sRGB,
// with smooth gradients and fine detail.
QImage preview(int width, int height, int seed) {
    QImage image(width, height, QImage::Format_RGBA8888_Premultiplied);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int grain = ((x * 7919 + y * 104729 + seed) >> 3) & 15;
            const int r = (x * 255 / width + grain) & 255, g = (y * 255 / height + grain) & 255, b = (128 + grain) & 255;
            row[x] = qToLittleEndian(quint32(r) | quint32(g) << 8 | quint32(b) << 16 | 0xFF000000u);
        }
    }
    image.setColorSpace(QColorSpace(QColorSpace::SRgb));
    return image;
}

struct Scene {
    double zoom = 1;
    QSizeF pan;
    bool holding = false;
    CompareMode mode = CompareMode::full;
    QImage before = preview(2560, 1707, 1);
    QImage after = preview(2560, 1707, 2);
    ZoomPanCanvasView canvas{Binding<double>([this] { return zoom; }, [this](const double& z) { zoom = z; }),
                             Binding<QSizeF>([this] { return pan; }, [this](const QSizeF& p) { pan = p; }),
                             [] { return QSize(2560, 1707); }, true,
                             new SplitCompareView(
                                 [this] { return before; }, [this] { return after; },
                                 Binding<bool>([this] { return holding; }, [this](const bool& h) { holding = h; }),
                                 Binding<CompareMode>([this] { return mode; },
                                                      [this](const CompareMode& m) { mode = m; }))};
    QImage target{1400, 900, QImage::Format_ARGB32_Premultiplied};

    Scene(double z, CompareMode m) : zoom(z), mode(m) {
        // Panned towards a corner, within what the zoom allows.
        pan = QSizeF(std::max(0.0, (1350 * z - 1400) * 0.3), std::max(0.0, (900 * z - 900) * 0.2));
        canvas.resize(1400, 900);
        canvas.show();
        QCoreApplication::processEvents();
        canvas.refresh();
    }
    void paint() {
        canvas.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
};

void run(benchmark::State& state, CompareMode mode) {
    Scene scene(double(state.range(0)), mode);
    scene.paint();
    const bench::ProcessCpuCounter cpu(state);
    for (auto _ : state) scene.paint();
}

void BM_CanvasPaint(benchmark::State& state) { run(state, CompareMode::full); }
BENCHMARK(BM_CanvasPaint)->Arg(1)->Arg(2)->Arg(6)->Unit(benchmark::kMillisecond);

void BM_CanvasPaintSplit(benchmark::State& state) { run(state, CompareMode::split); }
BENCHMARK(BM_CanvasPaintSplit)->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond);

void BM_CanvasPaintFull(benchmark::State& state) {
    Scene scene(double(state.range(0)), CompareMode::full);
    scene.after = preview(6000, 4000, 3);
    scene.paint();
    const bench::ProcessCpuCounter cpu(state);
    for (auto _ : state) scene.paint();
}
BENCHMARK(BM_CanvasPaintFull)->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond);

// Every paint shows a new preview (as while a slider moves): drawn scaled on the fly.
void BM_CanvasNewPreviewPaint(benchmark::State& state) {
    Scene scene(1, CompareMode::full);
    const QImage previews[2] = {preview(2560, 1707, 3), preview(2560, 1707, 4)};
    int n = 0;
    const bench::ProcessCpuCounter cpu(state);
    for (auto _ : state) {
        scene.after = previews[++n & 1];
        scene.paint();
    }
}
BENCHMARK(BM_CanvasNewPreviewPaint)->Unit(benchmark::kMillisecond);

}  // namespace
