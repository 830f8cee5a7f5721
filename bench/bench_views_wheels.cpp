// Costs of the colour wheels panel, offscreen:
//   BM_WheelDragStep/76   one pointer move of a puck drag on a small wheel of the three
//                         columns: from the mouse event through the written recipe (a whole
//                         EditParameters, as the inspector's binding writes it) and the
//                         panel's report to the wheel repainted (its disc from the cache)
//   BM_WheelDragStep/130  the same on the large wheel of a single-wheel tab
//   BM_WheelDisc/130      drawing a disc afresh (what the cache saves on every step), for comparison
// Read medians: --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cmath>


#include "ViewBench.h"
#include "model/EditParameters.h"
#include "views/kit/Chip.h"
#include "views/kit/ChipGrid.h"
#include "views/panels/ColorWheelsView.h"
#include "views/panels/InteractiveColorWheel.h"

namespace {

using namespace vantrel;
using namespace vantrel::bench;

void BM_WheelDragStep(benchmark::State& state) {
    const bool large = state.range(0) > 100;
    EditParameters recipe;
    int reports = 0;
    ColorWheelsView panel(Binding<ColorGradingParameters>([&] { return recipe.colorGrading; },
                                                          [&](const ColorGradingParameters& grading) {
                                                              EditParameters p = recipe;
                                                              p.colorGrading = grading;
                                                              recipe = std::move(p);
                                                          }));
    QObject::connect(&panel, &ColorWheelsView::changed, [&] { ++reports; });
    panel.resize(296, 420);
    panel.show();
    if (large) panel.tabs()->chip(QStringLiteral("highlights"))->click();
    InteractiveColorWheel* wheel = large ? panel.cardWheel() : panel.columnWheel(ColorWheelsView::Wheel::shadows);
    if (!waitFor([&] { return isExposed(panel) && wheel->isVisible(); })) {
        state.SkipWithError("the panel was never shown");
        return;
    }
    const double c = wheel->diameter() / 2;
    sendMouse(*wheel, QEvent::MouseButtonPress, QPointF(c, c), Qt::LeftButton);
    sendMouse(*wheel, QEvent::MouseMove, QPointF(c + 3, c), Qt::LeftButton);
    int i = 0;
    const int before = reports;
    for (auto _ : state) {
        // Round the wheel: every step changes the hue, so every step writes.
        const double a = 0.05 * ++i;
        const QPointF at(c + 0.7 * c * std::cos(a), c + 0.7 * c * std::sin(a));
        sendMouse(*wheel, QEvent::MouseMove, at, Qt::LeftButton);
        wheel->repaint();
    }
    sendMouse(*wheel, QEvent::MouseButtonRelease, QPointF(c, c), Qt::NoButton);
    if (reports - before < int(state.iterations())) state.SkipWithError("a drag step wrote nothing");
}
BENCHMARK(BM_WheelDragStep)->Arg(76)->Arg(130)->Unit(benchmark::kMicrosecond);

void BM_WheelDisc(benchmark::State& state) {
    // A new size each time, so the cache never answers.
    double diameter = double(state.range(0));
    for (auto _ : state) {
        diameter += 1e-6;
        benchmark::DoNotOptimize(InteractiveColorWheel::disc(diameter, 1.0).constBits());
    }
}
BENCHMARK(BM_WheelDisc)->Arg(130)->Unit(benchmark::kMicrosecond);

}  // namespace
