// vantrel-screenshot: the editor's window on the sample roll (or the last roll
// opened), grabbed into a PNG once the frame and the thumbnails are shown.
// Not installed; run it on a display, for example under Xvfb:
//
//   xvfb-run -a -s "-screen 0 1920x1200x24" build/bench/vantrel-screenshot OUT.png [WIDTH HEIGHT] [--checked N]
//       [--tool crop|retouch]
//
// The window takes the user's settings (the interface language among them),
// so give it a HOME and XDG_CONFIG_HOME of its own to choose what it shows.
// --checked ticks the first N frames of the filmstrip; --tool opens the crop or
// the spot-healing tool on the frame (the retouch tool with three spots on it).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QThreadPool>

#include "app/MainWindow.h"
#include "services/LocalizationManager.h"
#include "views/kit/DarkroomTheme.h"

namespace {

using namespace vantrel;

// Runs the event loop until `done` holds or `milliseconds` have passed.
template <typename Condition>
bool waitFor(Condition done, int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > milliseconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

int usage() {
    std::fputs("usage: vantrel-screenshot OUT.png [WIDTH HEIGHT] [--checked N] [--tool crop|retouch]\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const QString out = QString::fromLocal8Bit(argv[1]);
    int width = MainWindow::kDefaultWidth;
    int height = MainWindow::kDefaultHeight;
    int checked = 0;
    std::string tool;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--checked" && i + 1 < argc) {
            checked = std::atoi(argv[++i]);
        } else if (argument == "--tool" && i + 1 < argc) {
            tool = argv[++i];
            if (tool != "crop" && tool != "retouch") return usage();
        } else if (i + 1 < argc && std::atoi(argv[i]) > 0) {
            width = std::atoi(argv[i]);
            height = std::atoi(argv[++i]);
        } else {
            return usage();
        }
    }

    QCoreApplication::setOrganizationName(QStringLiteral("Vantrel"));
    QCoreApplication::setApplicationName(QStringLiteral("Vantrel"));
    QApplication application(argc, argv);
    DarkroomTheme::apply(application);
    LocalizationManager::install();

    int status = 0;
    {
        MainWindow window;
        window.resize(width, height);
        window.show();
        DarkroomViewModel& vm = window.viewModel();
        if (!waitFor([&] { return !vm.renderedPreview().isNull(); }, 30000)) {
            std::fputs("vantrel-screenshot: no frame was developed\n", stderr);
            return 1;
        }
        const std::vector<FilmstripItem> items = vm.filmstripItems();
        for (int i = 0; i < checked && std::size_t(i) < items.size(); ++i) vm.toggleChecked(items[std::size_t(i)].id);
        waitFor([&] {
            for (const FilmstripItem& item : vm.filmstripItems())
                if (item.thumbnail.isNull()) return false;
            return true;
        }, 30000);
        if (tool == "crop") {
            vm.toggleCropMode();
        } else if (tool == "retouch") {
            vm.toggleRetouchMode();
            EditParameters recipe = vm.parameters();
            for (const auto& [x, y, dx] : {std::tuple{0.3, 0.4, 0.08}, {0.55, 0.3, -0.1}, {0.7, 0.7, 0.06}}) {
                SpotItem spot;
                spot.center = {x, y};
                spot.radius = 0.03;
                spot.sourceOffset = {dx, 0.05};
                recipe.spotHealing.spots.push_back(spot);
            }
            vm.setSelectedRetouchSpotID(recipe.spotHealing.spots.front().id);
            vm.setParameters(std::move(recipe));
            vm.requestRender(false);
        }
        window.refreshNow();
        waitFor([] { return false; }, tool.empty() ? 300 : 1500);  // the last layouts and paints
        if (!window.grab().save(out)) {
            std::fprintf(stderr, "vantrel-screenshot: cannot write %s\n", argv[1]);
            status = 1;
        }
        window.viewModel().saveAllOnQuit();
    }
    QThreadPool::globalInstance()->waitForDone();
    return status;
}
