// The main of every view benchmark program (see ViewBench.h).
#include <benchmark/benchmark.h>

#include <QApplication>

#include "views/kit/SpringValue.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    QApplication app(argc, argv);
    vantrel::Animations::setEnabled(false);  // what a step or a paint costs, not how long a spring runs
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
