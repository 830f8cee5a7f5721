// vantrel-screenshot: the editor's window on the sample roll (or the last roll
// opened), grabbed into a PNG once the frame and the thumbnails are shown.
// Not installed; run it on a display, for example under Xvfb:
//
//   xvfb-run -a -s "-screen 0 1920x1200x24" build/bench/vantrel-screenshot OUT.png [WIDTH HEIGHT] [--checked N]
//       [--mode viewing|crop|retouch|mask|export] [--straighten DEGREES] [--mask-at X Y] [--status TEXT]
//       [--roll FOLDER] [--crop X Y W H] [--turn N] [--flip] [--heal X Y]...
//
// The window takes the user's settings (the interface language among them),
// so give it a HOME and XDG_CONFIG_HOME of its own to choose what it shows.
// --checked ticks the first N frames of the filmstrip. --mode shows the canvas
// in crop, retouch or mask mode (with one radial mask), or the export dialog
// over the window. --straighten sets the frame's straighten angle; --mask-at
// puts the mask mode's radial mask's centre at (X, Y) of the frame (0 to 1);
// --status shows TEXT in the status line (a long notice, to see how it stands).
// --roll opens that folder. --crop sets the crop rectangle (fractions of the
// frame), then --turn turns it N quarters (negative: counter-clockwise) and
// --flip mirrors it, as the crop bar's buttons do. Each --heal clicks the
// retouch overlay at (X, Y) of the frame, one after another, each once the
// picture healed by the click before is shown (instead of the one shown spot).
// scripts/readme-screenshots.sh takes the README's pictures.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QDialog>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QThreadPool>

#include "app/MainWindow.h"
#include "services/LocalizationManager.h"
#include "views/kit/DarkroomTheme.h"
#include "views/retouch/SpotHealingOverlayView.h"

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
    std::fputs("usage: vantrel-screenshot OUT.png [WIDTH HEIGHT] [--checked N] [--mode viewing|crop|retouch|mask|export]"
               " [--straighten DEGREES] [--mask-at X Y] [--status TEXT] [--roll FOLDER] [--crop X Y W H]"
               " [--turn N] [--flip] [--heal X Y]...\n",
               stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const QString out = QString::fromLocal8Bit(argv[1]);
    int width = MainWindow::kDefaultWidth;
    int height = MainWindow::kDefaultHeight;
    int checked = 0;
    std::string mode = "viewing";
    std::optional<double> straighten;
    std::optional<std::pair<double, double>> maskAt;
    std::string roll;
    std::optional<NormalizedRect> crop;
    int turns = 0;
    bool flip = false;
    std::vector<std::pair<double, double>> heals;
    std::optional<std::string> statusText;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--checked" && i + 1 < argc) {
            checked = std::atoi(argv[++i]);
        } else if (argument == "--mode" && i + 1 < argc) {
            mode = argv[++i];
            if (mode != "viewing" && mode != "crop" && mode != "retouch" && mode != "mask" && mode != "export")
                return usage();
        } else if (argument == "--straighten" && i + 1 < argc) {
            straighten = std::atof(argv[++i]);
        } else if (argument == "--mask-at" && i + 2 < argc) {
            maskAt = std::pair(std::atof(argv[i + 1]), std::atof(argv[i + 2]));
            i += 2;
        } else if (argument == "--roll" && i + 1 < argc) {
            roll = argv[++i];
        } else if (argument == "--crop" && i + 4 < argc) {
            crop = NormalizedRect{std::atof(argv[i + 1]), std::atof(argv[i + 2]), std::atof(argv[i + 3]),
                                  std::atof(argv[i + 4])};
            i += 4;
        } else if (argument == "--turn" && i + 1 < argc) {
            turns = std::atoi(argv[++i]);
        } else if (argument == "--flip") {
            flip = true;
        } else if (argument == "--heal" && i + 2 < argc) {
            heals.emplace_back(std::atof(argv[i + 1]), std::atof(argv[i + 2]));
            i += 2;
        } else if (argument == "--status" && i + 1 < argc) {
            statusText = argv[++i];
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
        // Every filmstrip picture in, the developed ones of edited frames included.
        waitFor([&] {
            for (const FilmstripItem& item : vm.filmstripItems())
                if (item.thumbnail.isNull()) return false;
            return vm.isIdle();
        }, 30000);
        if (!roll.empty()) {
            vm.loadFolder(roll);
            waitFor([&] { return vm.isIdle() && vm.isPreviewGeometryCurrent(); }, 30000);
        }
        if (crop) {
            EditParameters recipe = vm.parameters();
            recipe.crop.rect = *crop;
            vm.setParameters(recipe);
        }
        for (int t = 0; t < std::abs(turns); ++t) turns > 0 ? vm.addQuarterTurn() : vm.subtractQuarterTurn();
        if (flip) vm.toggleFlipHorizontal();
        if (crop || turns != 0 || flip) vm.requestRender(RenderQuality::final);
        if (straighten) {
            EditParameters recipe = vm.parameters();
            recipe.crop.straightenAngle = *straighten;
            vm.setParameters(recipe);
            vm.requestRender(RenderQuality::final);
        }
        if (mode == "crop") vm.toggleCropMode();
        if (mode == "retouch" && !heals.empty()) {
            vm.toggleRetouchMode();
            for (const auto& [x, y] : heals) {
                window.refreshNow();
                waitFor([&] { return vm.isIdle() && vm.isPreviewGeometryCurrent(); }, 30000);
                window.refreshNow();
                auto* overlay = window.findChild<SpotHealingOverlayView*>();
                if (!overlay) break;
                const QRectF frame = overlay->imageRect();
                const QPointF at = frame.topLeft() + QPointF(x * frame.width(), y * frame.height());
                for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                    QMouseEvent click(type, at, overlay->mapToGlobal(at), Qt::LeftButton,
                                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, {});
                    QApplication::sendEvent(overlay, &click);
                }
                vm.requestRender(RenderQuality::final);
            }
        } else if (mode == "retouch") {
            vm.toggleRetouchMode();
            // One healed spot, selected: its rings, its sample's arrow and its labels.
            EditParameters recipe = vm.parameters();
            SpotItem spot;
            spot.center = {0.32, 0.42};
            spot.radius = 0.035;
            spot.sourceOffset = {0.09, 0.03};
            recipe.spotHealing.spots.push_back(spot);
            vm.setParameters(recipe);
            vm.setSelectedRetouchSpotID(spot.id);
            vm.requestRender(RenderQuality::final);
        }
        if (mode == "mask") {
            vm.toggleMaskMode();
            vm.addMask(MaskKind::radial);
            if (maskAt) {
                EditParameters recipe = vm.parameters();
                recipe.masks.radialMasks.back().center = NormalizedPoint(maskAt->first, maskAt->second);
                vm.setParameters(recipe);
            }
        }
        if (mode == "export") vm.setIsShowingExportDialog(true);
        if (statusText) vm.setStatusMessage(LocalText::plain(*statusText));
        window.refreshNow();
        // The mode's own render (the tools' overlays show on it), then the last layouts and paints.
        if (mode == "crop" || mode == "retouch" || mode == "mask")
            waitFor([&] { return vm.isPreviewGeometryCurrent(); }, 30000);
        waitFor([] { return false; }, mode == "viewing" ? 300 : 1000);
        window.refreshNow();
        waitFor([] { return false; }, 300);
        QPixmap shot = window.grab();
        if (QDialog* sheet = window.exportSheet(); sheet && mode == "export") {
            // The window-modal sheet drawn where it sits: centred over the dimmed window.
            QPainter painter(&shot);
            painter.fillRect(shot.rect(), QColor(0, 0, 0, 110));
            const QPixmap dialog = sheet->grab();
            const QSizeF size = dialog.deviceIndependentSize();
            painter.drawPixmap(QPointF((shot.deviceIndependentSize().width() - size.width()) / 2,
                                       (shot.deviceIndependentSize().height() - size.height()) / 2),
                               dialog);
        }
        if (mode == "export" && !window.exportSheet()) {
            std::fputs("vantrel-screenshot: the export dialog did not open\n", stderr);
            status = 1;
        } else if (!shot.save(out)) {
            std::fprintf(stderr, "vantrel-screenshot: cannot write %s\n", argv[1]);
            status = 1;
        }
        window.viewModel().saveAllOnQuit();
    }
    QThreadPool::globalInstance()->waitForDone();
    return status;
}
