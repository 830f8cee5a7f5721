// Costs of the adjustment panels, offscreen:
//   BM_CurveDragStep     one pointer move of a curve-point drag with 16 points: from the mouse
//                        event through the written recipe (a whole EditParameters, as the
//                        inspector's binding writes it) to the canvas repainted
//   BM_InspectorRefresh  a new recipe arriving and the real inspector refreshing every panel
//                        (sections, sliders, curve, grain, film physics and every other panel)
//   BM_InspectorRefreshSame  the same refresh when nothing changed (the window refreshes on
//                        every announcement of the view model), for comparison
//   BM_InspectorRefreshAndPaint  a new recipe, the refresh, the layout it asks for and the
//                        repaint of the inspector's visible part (320 × 800 in its scroll area)
// Read medians: --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QScrollArea>
#include <QSettings>
#include <QTemporaryDir>

#include "NullSessionStorage.h"
#include "ViewBench.h"
#include "app/AdjustmentsColumn.h"
#include "model/EditParameters.h"
#include "viewmodel/DarkroomViewModel.h"
#include "viewmodel/RenderService.h"
#include "views/panels/FilmGrainControlView.h"
#include "views/panels/ToneCurveCanvas.h"
#include "views/panels/ToneCurveEditorView.h"

namespace {

using namespace vantrel;
using namespace vantrel::bench;

// Renders nothing worth looking at: a tiny preview and a histogram, at once.
class QuietRenderService final : public RenderService {
public:
    std::optional<RenderResult> render(const RenderJob&, std::stop_token) override {
        RenderResult result;
        result.preview = QImage(8, 6, QImage::Format_RGBA8888_Premultiplied);
        result.preview.fill(Qt::darkGray);
        result.histogram = HistogramData::empty();
        for (int i = 0; i < HistogramData::kBinCount; ++i) result.histogram->lumaBins[std::size_t(i)] = float(i % 17) / 17;
        return result;
    }
    std::optional<LoadedPhoto> loadPhoto(const std::filesystem::path&) override { return std::nullopt; }
    std::vector<LoadedPhoto> makeSampleRoll(const std::array<Uuid, 3>& ids) override {
        std::vector<LoadedPhoto> roll;
        for (const Uuid& id : ids)
            roll.emplace_back(id.toString(), "frame.tif", std::nullopt, Image(), Image(), PhotoSize{8, 6}, true,
                              "Display P3");
        return roll;
    }
};

// 16 points on a gentle S, ordered by x.
std::vector<CurvePoint> sixteenPoints() {
    std::vector<CurvePoint> points;
    for (int i = 0; i < 16; ++i) {
        const double x = i / 15.0;
        points.push_back({Uuid::random(), x, x + 0.06 * std::sin(x * 6.2831853)});
        points.back() = points.back().clamped();
    }
    return points;
}

bool canvasExposed(const ToneCurveEditorView& editor) {
    return isExposed(editor) && editor.canvas()->width() > 100;
}

void BM_CurveDragStep(benchmark::State& state) {
    EditParameters recipe;
    recipe.curvePoints = sixteenPoints();
    HistogramData histogram = HistogramData::empty();
    for (int i = 0; i < HistogramData::kBinCount; ++i) histogram.lumaBins[std::size_t(i)] = float(i % 13) / 13;
    int reports = 0;
    ToneCurveEditorView editor(Binding<std::vector<CurvePoint>>([&] { return recipe.curvePoints; },
                                                                [&](const std::vector<CurvePoint>& points) {
                                                                    EditParameters p = recipe;
                                                                    p.curvePoints = points;
                                                                    recipe = std::move(p);
                                                                }),
                               [&] { return histogram; });
    QObject::connect(&editor, &ToneCurveEditorView::changed, [&] { ++reports; });
    editor.resize(296, 230);
    editor.show();
    if (!waitFor([&] { return editor.isVisible() && canvasExposed(editor); })) {
        state.SkipWithError("the editor was never shown");
        return;
    }
    ToneCurveCanvas* canvas = editor.canvas();
    const Uuid dragged = recipe.curvePoints[7].id;
    const QPointF start = canvas->handleCentre(dragged);
    sendMouse(*canvas, QEvent::MouseButtonPress, start, Qt::LeftButton);
    sendMouse(*canvas, QEvent::MouseMove, start + QPointF(0, -3), Qt::LeftButton);
    int i = 0;
    for (auto _ : state) {
        // Up and down by a few points: every step moves the point and writes.
        const double dy = (i++ % 2 == 0) ? -8 : 4;
        sendMouse(*canvas, QEvent::MouseMove, start + QPointF(0.5, dy), Qt::LeftButton);
        canvas->repaint();
    }
    sendMouse(*canvas, QEvent::MouseButtonRelease, start, Qt::NoButton);
    if (reports < int(state.iterations())) state.SkipWithError("a drag step wrote nothing");
}
BENCHMARK(BM_CurveDragStep)->Unit(benchmark::kMicrosecond);

struct InspectorBench {
    QTemporaryDir dir;
    std::unique_ptr<DarkroomViewModel> vm;
    std::unique_ptr<QScrollArea> scroll;
    AdjustmentsColumn* inspector = nullptr;
    EditParameters plain;
    EditParameters developed;

    InspectorBench() {
        ViewModelServices services;
        services.render = std::make_shared<QuietRenderService>();
        services.store = std::make_shared<bench::NullSessionStorage>();
        services.settings = std::make_shared<QSettings>(dir.filePath("settings.ini"), QSettings::IniFormat);
        vm = std::make_unique<DarkroomViewModel>(std::move(services));
        // Placed as the window places it: a fixed-width scroll area.
        scroll = std::make_unique<QScrollArea>();
        inspector = new AdjustmentsColumn(*vm);
        scroll->setWidget(inspector);
        scroll->setWidgetResizable(true);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll->resize(320, 800);
        scroll->show();
        waitFor([&] { return !vm->renderedPreview().isNull(); });

        plain = vm->parameters();
        developed = plain;
        developed.exposure = 0.4;
        developed.contrast = 1.2;
        developed.temperature = 5600;
        developed.vignette = -0.3;
        developed.crop.straightenAngle = 1.5;
        developed.curvePoints = sixteenPoints();
        developed.filmGrain = FilmGrainControlView::preset("standard");
        developed.lightLeaks = {LightLeakStyle::warmCorner, 0.6, LightLeakPosition::top};
        developed.dustAndScratches = {0.2, 0.5, 1.4};
    }
};

void BM_InspectorRefresh(benchmark::State& state) {
    InspectorBench b;
    bool flip = false;
    for (auto _ : state) {
        // Another frame's recipe: rows show and hide, every value changes.
        b.vm->setParameters((flip = !flip) ? b.developed : b.plain);
        b.inspector->refresh();
    }
}
BENCHMARK(BM_InspectorRefresh)->Unit(benchmark::kMicrosecond);

void BM_InspectorRefreshSame(benchmark::State& state) {
    InspectorBench b;
    b.vm->setParameters(b.developed);
    b.inspector->refresh();
    for (auto _ : state) b.inspector->refresh();
}
BENCHMARK(BM_InspectorRefreshSame)->Unit(benchmark::kMicrosecond);

void BM_InspectorRefreshAndPaint(benchmark::State& state) {
    InspectorBench b;
    bool flip = false;
    for (auto _ : state) {
        b.vm->setParameters((flip = !flip) ? b.developed : b.plain);
        b.inspector->refresh();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        b.scroll->viewport()->repaint();
    }
}
BENCHMARK(BM_InspectorRefreshAndPaint)->Unit(benchmark::kMicrosecond);

}  // namespace
