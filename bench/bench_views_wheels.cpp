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

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QWindow>

#include "model/EditParameters.h"
#include "views/kit/SpringValue.h"
#include "views/panels/Chip.h"
#include "views/panels/ChipGrid.h"
#include "views/panels/ColorWheelsView.h"
#include "views/panels/InteractiveColorWheel.h"

namespace {

using namespace vantrel;

template <typename Predicate>
bool waitFor(Predicate done, int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

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
    if (!waitFor([&] { return panel.windowHandle() && panel.windowHandle()->isExposed() && wheel->isVisible(); })) {
        state.SkipWithError("the panel was never shown");
        return;
    }
    const double c = wheel->diameter() / 2;
    auto send = [wheel](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, wheel->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          buttons, Qt::NoModifier);
        QApplication::sendEvent(wheel, &event);
    };
    send(QEvent::MouseButtonPress, QPointF(c, c), Qt::LeftButton);
    send(QEvent::MouseMove, QPointF(c + 3, c), Qt::LeftButton);
    int i = 0;
    const int before = reports;
    for (auto _ : state) {
        // Round the wheel: every step changes the hue, so every step writes.
        const double a = 0.05 * ++i;
        send(QEvent::MouseMove, QPointF(c + 0.7 * c * std::cos(a), c + 0.7 * c * std::sin(a)), Qt::LeftButton);
        wheel->repaint();
    }
    send(QEvent::MouseButtonRelease, QPointF(c, c), Qt::NoButton);
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

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    QApplication app(argc, argv);
    Animations::setEnabled(false);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
