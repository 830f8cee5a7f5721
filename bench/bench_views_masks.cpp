// Costs of the mask tools, offscreen:
//   BM_MaskDragStep     one move event of a radial mask's radius drag with 16 masks on the frame:
//                       the handle's drag step, the written recipe, the overlay's refresh that
//                       follows every write and the repaint they ask for (the event loop's
//                       turn), with the parameter display beside the mask; /1 on the canvas of
//                       the smallest window, the mask in the middle, where the display shows
//                       only part of itself
//   BM_MaskOverlayPaint a repaint of the whole overlay, for comparison
// Read medians: --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "ViewBench.h"
#include "model/EditParameters.h"
#include "views/masks/MaskOverlayView.h"
#include "views/masks/MaskLocalParameterHUD.h"

namespace {

using namespace vantrel;

// Eight linear and eight radial masks spread over the frame; the last radial one selected.
EditParameters sixteenMasks() {
    EditParameters p;
    for (int i = 0; i < 8; ++i) {
        LinearMask l;
        l.name = "Linear Gradient " + std::to_string(i + 1);
        l.startPoint = {0.1 + 0.1 * i, 0.05};
        l.endPoint = {0.1 + 0.1 * i, 0.45};
        p.masks.linearMasks.push_back(l);
        RadialMask r;
        r.name = "Radial Spotlight " + std::to_string(i + 1);
        r.center = {0.15 + 0.09 * i, 0.6 + 0.03 * (i % 3)};
        r.radiusX = r.radiusY = 0.12;
        p.masks.radialMasks.push_back(r);
    }
    return p;
}

struct Scene {
    std::shared_ptr<EditParameters> recipe = std::make_shared<EditParameters>(sixteenMasks());
    std::shared_ptr<std::optional<Uuid>> selection =
        std::make_shared<std::optional<Uuid>>(recipe->masks.radialMasks.back().id);
    int changes = 0;
    MaskOverlayView overlay{Binding<EditParameters>([r = recipe] { return *r; },
                                                    [r = recipe](const EditParameters& p) { *r = p; })
                                .projected(&EditParameters::masks),
                            Binding<std::optional<Uuid>>([s = selection] { return *s; },
                                                         [s = selection](const std::optional<Uuid>& v) { *s = v; }),
                            [] { return QSize(6000, 4000); }};

    explicit Scene(bool small = false) {
        if (small) {
            RadialMask& selected = recipe->masks.radialMasks.back();
            selected.center = {0.5, 0.5};
            selected.radiusX = selected.radiusY = 0.3;
        }
        QObject::connect(&overlay, &MaskOverlayView::changed, [this] {
            ++changes;
            overlay.refresh();  // as the window does after every write
        });
        overlay.resize(small ? QSize(520, 490) : QSize(1400, 900));
        overlay.show();
        overlay.refresh();
        QCoreApplication::processEvents();
    }
    void send(QEvent::Type type, QPointF at, Qt::MouseButtons buttons) { bench::sendMouse(overlay, type, at, buttons); }
};

void BM_MaskDragStep(benchmark::State& state) {
    Scene scene(state.range(0) == 1);
    if (state.range(0) == 1 && scene.overlay.parameterDisplay()->reduction() == 0)
        state.SkipWithError("the display has room for all of itself");
    const QPointF right = *scene.overlay.handleCentre(MaskOverlayView::Handle::radialRight);
    scene.send(QEvent::MouseButtonPress, right, Qt::LeftButton);
    scene.send(QEvent::MouseMove, right + QPointF(12, 0), Qt::LeftButton);  // past the drag's start
    int step = 0;
    for (auto _ : state) {
        // Back and forth, so that every event writes a new radius.
        const double dx = 20 + 30 * (step++ % 2);
        scene.send(QEvent::MouseMove, right + QPointF(dx, 0), Qt::LeftButton);
        QCoreApplication::processEvents();  // the repaint the step asked for
    }
    scene.send(QEvent::MouseButtonRelease, right, Qt::NoButton);
    if (scene.changes < int(state.iterations())) state.SkipWithError("a drag step wrote nothing");
}
BENCHMARK(BM_MaskDragStep)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_MaskOverlayPaint(benchmark::State& state) {
    Scene scene;
    for (auto _ : state) scene.overlay.repaint();
}
BENCHMARK(BM_MaskOverlayPaint)->Unit(benchmark::kMicrosecond);

}  // namespace
