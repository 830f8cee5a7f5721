// Costs of the filmstrip, the histogram and the navigator, offscreen:
//   BM_FilmstripScroll      a strip of 2,000 frames (40 with thumbnails) 1,300 points wide,
//                           scrolled on by one page and painted
//   BM_FilmstripModelBuild  a new roll of 2,000 frames handed to the strip: its cells made
//                           and the model and the strip's length set anew
//   BM_FilmstripRefreshSame the window's refresh when nothing in the strip changed
//   BM_HistogramPaint       one paint of the histogram's drawing with the extended range on
//   BM_NavigatorPaint       one paint of the navigator over a 1600-pixel preview, zoomed in
// Read medians: --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <cmath>

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include "views/canvas/FilmstripView.h"
#include "views/canvas/HistogramWaveformView.h"
#include "views/canvas/NavigatorMinimapView.h"

namespace {

using namespace vantrel;

constexpr int kFrames = 2000;

Uuid idOf(int n, int roll = 0) {
    Uuid::Bytes bytes{};
    bytes[13] = std::uint8_t(roll);
    bytes[14] = std::uint8_t(n >> 8);
    bytes[15] = std::uint8_t(n);
    return Uuid(bytes);
}

// A thumbnail as the loader makes them: 320 pixels on the long side, not flat.
QImage thumbnail(int seed) {
    QImage image(320, 213, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 320, 213);
    gradient.setColorAt(0, QColor::fromHsv(seed * 37 % 360, 120, 200));
    gradient.setColorAt(1, QColor::fromHsv(seed * 91 % 360, 200, 60));
    painter.fillRect(image.rect(), gradient);
    return image;
}

std::vector<FilmstripCell> roll(int roll, int withThumbnails) {
    std::vector<FilmstripCell> cells;
    cells.reserve(kFrames);
    for (int i = 0; i < kFrames; ++i) {
        FilmstripCell cell{idOf(i, roll), "Roll_" + std::to_string(roll) + "_scan_" + std::to_string(i) + ".tif"};
        cell.rating = i % 6;
        cell.colorLabel = ColorLabel(i % 6);
        cell.pickStatus = PickStatus(i % 3);
        cell.is16Bit = i % 2 == 0;
        cell.hasEdits = i % 5 == 0;
        cells.push_back(std::move(cell));
    }
    // Spread along the roll, so that the pages scrolled through meet them.
    for (int t = 0; t < withThumbnails; ++t) cells[std::size_t(t * (kFrames / withThumbnails))].thumbnail = thumbnail(t);
    return cells;
}

void BM_FilmstripScroll(benchmark::State& state) {
    const std::vector<FilmstripCell> cells = roll(0, 40);
    std::optional<Uuid> selected = idOf(3);
    const std::set<Uuid> checked{idOf(1), idOf(2), idOf(400)};
    FilmstripView strip([&] { return cells; }, [&] { return selected; }, [&] { return checked; });
    strip.resize(1300, 84);
    strip.show();
    QImage target(strip.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    QScrollBar* bar = strip.horizontalScrollBar();
    for (auto _ : state) {
        const int next = bar->value() + bar->pageStep();
        bar->setValue(next > bar->maximum() ? 0 : next);
        strip.viewport()->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.counters["pictures"] = strip.cachedPictures();
}
BENCHMARK(BM_FilmstripScroll)->Unit(benchmark::kMillisecond);

void BM_FilmstripModelBuild(benchmark::State& state) {
    int current = 0;
    std::vector<FilmstripCell> cells = roll(current, 40);
    FilmstripView strip([&] { return cells; }, [] { return std::optional<Uuid>(); }, [] { return std::set<Uuid>(); });
    strip.resize(1300, 84);
    for (auto _ : state) {
        state.PauseTiming();
        // The thumbnails are the view model's, already made: only the cells are built here.
        std::vector<FilmstripCell> next = roll(current = 1 - current, 0);
        state.ResumeTiming();
        // What the window does for a new roll: each entry into a cell, then the refresh.
        std::vector<FilmstripCell> converted;
        converted.reserve(next.size());
        for (const FilmstripCell& c : next) converted.push_back(c);
        cells = std::move(converted);
        strip.refresh();
        benchmark::DoNotOptimize(strip.model().count());
    }
}
BENCHMARK(BM_FilmstripModelBuild)->Unit(benchmark::kMillisecond);

void BM_FilmstripRefreshSame(benchmark::State& state) {
    const std::vector<FilmstripCell> cells = roll(0, 40);
    FilmstripView strip([&] { return cells; }, [] { return std::optional<Uuid>(idOf(5)); },
                        [] { return std::set<Uuid>{idOf(7)}; });
    for (auto _ : state) strip.refresh();
}
BENCHMARK(BM_FilmstripRefreshSame)->Unit(benchmark::kMicrosecond);

HistogramData extendedHistogram() {
    HistogramData data = HistogramData::empty();
    for (int i = 0; i < HistogramData::kBinCount; ++i) {
        const double x = i / 255.0;
        data.redBins[std::size_t(i)] = float(0.5 + 0.45 * std::sin(x * 9));
        data.greenBins[std::size_t(i)] = float(0.5 + 0.45 * std::sin(x * 7 + 1));
        data.blueBins[std::size_t(i)] = float(0.5 + 0.45 * std::sin(x * 5 + 2));
        data.lumaBins[std::size_t(i)] = float(0.5 + 0.4 * std::sin(x * 6 + 0.5));
    }
    data.isUltraHDREnabled = true;
    data.shadowClipping = true;
    data.edrHeadroom = 4.0;
    data.edrBins.resize(64);
    for (int i = 0; i < 64; ++i) data.edrBins[std::size_t(i)] = float(0.6 * std::exp(-i / 20.0));
    return data;
}

void BM_HistogramPaint(benchmark::State& state) {
    const HistogramData data = extendedHistogram();
    HistogramWaveformView view([&] { return data; });
    view.resize(296, 110);
    view.show();
    QWidget* curves = view.curves();
    QImage target(curves->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        curves->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_HistogramPaint)->Unit(benchmark::kMillisecond);

void BM_NavigatorPaint(benchmark::State& state) {
    QImage preview = thumbnail(7).scaled(1600, 1066);
    double zoom = 4.0;
    QSizeF pan(120, -40);
    NavigatorMinimapView nav([&] { return preview; }, [] { return QSize(6000, 4000); },
                             Binding<double>([&] { return zoom; }, [&](const double& z) { zoom = z; }),
                             Binding<QSizeF>([&] { return pan; }, [&](const QSizeF& p) { pan = p; }),
                             [] { return QSizeF(700, 640); });
    nav.show();
    QImage target(nav.map()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        nav.map()->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_NavigatorPaint)->Unit(benchmark::kMillisecond);

}  // namespace
