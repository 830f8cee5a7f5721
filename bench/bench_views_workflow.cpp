// Costs of the workflow views, offscreen. The window refreshes them at every
// announcement of the view model, so their refresh is what a slider step pays:
//   BM_SnapshotListRefreshSame/N  N snapshots, nothing changed (the common case)
//   BM_SnapshotListRefreshFlags/N N snapshots, the comparison moving to another row
//                                 each time (badges, styles and the banner change)
//   BM_SnapshotListDeleteAndAdd/N one snapshot gone and a new one appended: rows
//                                 re-dealt by identifier, then laid out (the paint that
//                                 follows is Qt's, about 2.5 ms of CPU for the panel)
//   BM_CullingBarRefresh          another rating, label, flag and filter each time
// Read medians: --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QScrollArea>

#include "ProcessCpu.h"
#include "model/SnapshotItem.h"
#include "views/workflow/CullingControlBar.h"
#include "views/workflow/SnapshotListView.h"

namespace {

using namespace vantrel;

struct SnapshotBench {
    std::vector<SnapshotItem> list;
    std::optional<Uuid> compared;
    EditParameters current;
    SnapshotListView view{[this] { return list; }, [this] { return compared; }, [this] { return current; }};

    explicit SnapshotBench(int count) {
        for (int i = 0; i < count; ++i) {
            SnapshotItem snapshot;
            snapshot.name = "Snapshot " + std::to_string(i + 1);
            snapshot.parameters.exposure = 0.1 * i;
            snapshot.parameters.temperature = 5000 + 10 * i;
            list.push_back(std::move(snapshot));
        }
        current = list.front().parameters;
        view.resize(240, 600);  // the sidebar's column
        view.show();
        view.refresh();
        QCoreApplication::processEvents();
    }
};

void BM_SnapshotListRefreshSame(benchmark::State& state) {
    SnapshotBench b(int(state.range(0)));
    bench::ProcessCpuCounter cpu(state);
    for (auto _ : state) b.view.refresh();
}
BENCHMARK(BM_SnapshotListRefreshSame)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_SnapshotListRefreshFlags(benchmark::State& state) {
    SnapshotBench b(int(state.range(0)));
    std::size_t next = 0;
    bench::ProcessCpuCounter cpu(state);
    for (auto _ : state) {
        b.compared = b.list[next++ % b.list.size()].id;
        b.view.refresh();
    }
}
BENCHMARK(BM_SnapshotListRefreshFlags)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_SnapshotListDeleteAndAdd(benchmark::State& state) {
    SnapshotBench b(int(state.range(0)));
    bench::ProcessCpuCounter cpu(state);
    for (auto _ : state) {
        SnapshotItem snapshot = b.list.front();
        snapshot.id = Uuid::random();
        b.list.erase(b.list.begin());
        b.list.push_back(std::move(snapshot));
        b.view.refresh();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }
    if (b.view.rows().size() != b.list.size()) state.SkipWithError("the rows do not follow the list");
}
BENCHMARK(BM_SnapshotListDeleteAndAdd)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_CullingBarRefresh(benchmark::State& state) {
    int step = 0;
    CullingControlBar bar([&step] {
        CullingControlBar::State s;
        s.rating = step % 6;
        s.colorLabel = ColorLabel(step % 6);
        s.pickStatus = PickStatus(step % 3);
        if (step % 2) s.filter.minRating = 1 + step % 3;
        s.totalCount = 36;
        s.filteredCount = 36 - step % 36;
        return s;
    });
    bar.resize(900, 34);
    bar.show();
    QCoreApplication::processEvents();
    bench::ProcessCpuCounter cpu(state);
    for (auto _ : state) {
        ++step;
        bar.refresh();
    }
}
BENCHMARK(BM_CullingBarRefresh)->Unit(benchmark::kMicrosecond);

}  // namespace
