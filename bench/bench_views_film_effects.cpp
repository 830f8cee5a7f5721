// Costs of the negative conversion, extended-range and halation panels, offscreen:
//   BM_FilmEffectPanelsRefresh      another frame's recipe arriving and the three panels
//                                   refreshing (every row shown or hidden, every value new)
//   BM_FilmEffectPanelsRefreshSame  the same refresh when nothing changed (the window refreshes
//                                   the inspector on every announcement of the view model)
//   BM_NegativeSliderDragStep       one pointer move of a drag on the density slider: from the
//                                   mouse event through the written recipe (a whole
//                                   EditParameters) and the report to the panel refreshed and
//                                   what it asked to repaint painted
// Read medians: --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QVBoxLayout>

#include "ViewBench.h"
#include "model/EditParameters.h"
#include "views/kit/ProSlider.h"
#include "views/panels/HalationControlView.h"
#include "views/panels/NegativeLabControlView.h"
#include "views/panels/UltraHDRControlView.h"

namespace {

using namespace vantrel;
using namespace vantrel::bench;

// The three panels in one column, as the inspector stacks them, over one recipe.
struct Panels {
    EditParameters recipe;
    EditParameters off;
    EditParameters on;
    int reports = 0;
    QWidget page;
    NegativeLabControlView* negative;
    UltraHDRControlView* hdr;
    HalationControlView* halation;

    Panels() {
        on.negativeLab = NegativeLabParameters::enabledDefault();
        on.negativeLab.colorBalance = 0.3;
        on.ultraHDR = UltraHDRParameters::enabledDefault();
        on.halation = HalationParameters::cine800T();
        recipe = off;
        Binding<EditParameters> binding([this] { return recipe; }, [this](const EditParameters& p) { recipe = p; });
        auto* column = new QVBoxLayout(&page);
        negative = new NegativeLabControlView(binding.projected(&EditParameters::negativeLab),
                                              [] { return QStringLiteral("frame"); }, nullptr);
        hdr = new UltraHDRControlView(binding.projected(&EditParameters::ultraHDR));
        halation = new HalationControlView(binding.projected(&EditParameters::halation));
        for (QWidget* panel : std::initializer_list<QWidget*>{negative, hdr, halation}) column->addWidget(panel);
        column->addStretch(1);
        QObject::connect(negative, &NegativeLabControlView::changed, [this] { ++reports; });
        page.resize(300, 1400);
        page.show();
        waitFor([&] { return isExposed(page); });
    }
    void refresh() {
        negative->refresh();
        hdr->refresh();
        halation->refresh();
    }
};

void BM_FilmEffectPanelsRefresh(benchmark::State& state) {
    Panels p;
    bool flip = false;
    for (auto _ : state) {
        p.recipe = (flip = !flip) ? p.on : p.off;
        p.refresh();
    }
}
BENCHMARK(BM_FilmEffectPanelsRefresh)->Unit(benchmark::kMicrosecond);

void BM_FilmEffectPanelsRefreshSame(benchmark::State& state) {
    Panels p;
    p.recipe = p.on;
    p.refresh();
    for (auto _ : state) p.refresh();
}
BENCHMARK(BM_FilmEffectPanelsRefreshSame)->Unit(benchmark::kMicrosecond);

void BM_NegativeSliderDragStep(benchmark::State& state) {
    Panels p;
    p.recipe = p.on;
    p.refresh();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    ProSlider* slider = p.negative->slider("densityStretch");
    QWidget* track = slider->track();
    if (!slider->isVisible() || track->width() < 100) {
        state.SkipWithError("the slider was never shown");
        return;
    }
    const double y = track->height() / 2.0;
    sendMouse(*track, QEvent::MouseButtonPress, {track->width() * 0.4, y}, Qt::LeftButton);
    int i = 0;
    for (auto _ : state) {
        // Between two places a few steps apart: every move changes the value.
        sendMouse(*track, QEvent::MouseMove, {track->width() * ((i++ % 2 == 0) ? 0.5 : 0.4), y}, Qt::LeftButton);
        // What the step asked to repaint, painted now (the read-out and the track).
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    }
    sendMouse(*track, QEvent::MouseButtonRelease, {track->width() * 0.4, y}, Qt::NoButton);
    if (p.reports < int(state.iterations())) state.SkipWithError("a drag step reported nothing");
}
BENCHMARK(BM_NegativeSliderDragStep)->Unit(benchmark::kMicrosecond);

}  // namespace
