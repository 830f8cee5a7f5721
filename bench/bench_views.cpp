// Paint and refresh costs of the views, offscreen. Each view adds its own
// benchmarks here; the kit's are the ground they stand on:
//   BM_SymbolPaint        one cached 12-pixel symbol painted into a widget-sized image
//   BM_SymbolFirstRender  a symbol rendered and tinted in a colour not seen before
//   BM_SoftShadowPaint    a cached soft shadow of a 22-point circle painted
//   BM_PanelHeaderRefresh refreshing a panel header with a switch (no change, then a flip)
// Read medians: --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include "views/kit/Painting.h"
#include "views/kit/StandardColors.h"
#include "views/kit/Symbols.h"
#include "views/kit/PanelHeader.h"

namespace {

using namespace vantrel;

// A widget-sized target to paint into, as a paint event would.
QImage target() {
    QImage image(400, 300, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    return image;
}

void BM_SymbolPaint(benchmark::State& state) {
    QImage image = target();
    QPainter painter(&image);
    const QColor tint = standardColor(StandardColor::Orange);
    for (auto _ : state) {
        Symbols::paint(painter, QRectF(100, 100, 12, 12), "circle.grid.cross.fill", tint);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_SymbolPaint);

void BM_SymbolFirstRender(benchmark::State& state) {
    int n = 0;
    for (auto _ : state) {
        // A colour per iteration, so every call misses the cache.
        const QColor colour = QColor::fromRgb(QRgb(0xFF000000u | unsigned(++n)));
        benchmark::DoNotOptimize(Symbols::pixmap("eyedropper.halffull", 16, colour));
    }
}
BENCHMARK(BM_SymbolFirstRender);

void BM_SoftShadowPaint(benchmark::State& state) {
    QImage image = target();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath circle;
    circle.addEllipse(QRectF(50, 50, 22, 22));
    for (auto _ : state) {
        paintSoftShadow(painter, circle, whiteAt(0.4), 3);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_SoftShadowPaint);

void BM_PanelHeaderRefresh(benchmark::State& state) {
    PanelHeader header("bench", "Film Halation & Mist Bloom",
                       {"sun.max.fill", standardColor(StandardColor::Orange), PanelHeader::ResetLabel::Small, true});
    header.resize(280, 24);
    bool on = false;
    for (auto _ : state) {
        header.refresh(on, on);
        header.refresh(on, on);
        on = !on;
    }
}
BENCHMARK(BM_PanelHeaderRefresh);

}  // namespace
