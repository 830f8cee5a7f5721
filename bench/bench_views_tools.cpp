// The crop and spot-healing tools, offscreen, over a 2560 x 1707 preview shown
// in a 1400 x 960 area (as the canvas area shows it: scaled once, then blitted):
//   BM_SpotTap       a tap on an empty part of the frame with 30 spots placed:
//                    the source search on the preview, the recipe written, the
//                    overlay (and the picture under it) repainted
//   BM_CropDragStep  one move event of a crop-handle drag: the rectangle
//                    written and the overlay (and the picture under it) repainted
// Read medians: --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

#include "ViewBench.h"
#include "model/EditParameters.h"
#include "viewmodel/SpotSourceSearch.h"
#include "views/crop/CropOverlayView.h"
#include "views/retouch/SpotHealingOverlayView.h"
#include "views/kit/Geometry.h"

namespace {

using namespace vantrel;

constexpr QSize kPreview(2560, 1707);
constexpr QSize kArea(1400, 960);

// A preview with texture, so the source search has colours to compare.
QImage makePreview() {
    QImage image(kPreview, QImage::Format_RGBA8888_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            row[4 * x] = std::uint8_t(128 + 100 * std::sin(x * 0.013) * std::cos(y * 0.007));
            row[4 * x + 1] = std::uint8_t((x * 7 + y * 3) & 0xFF);
            row[4 * x + 2] = std::uint8_t(90 + (x ^ y) % 60);
            row[4 * x + 3] = 255;
        }
    }
    return image;
}

// The picture under the overlay, drawn as the canvas area draws it: scaled
// once, then copied band by band where it needs painting.
class Picture final : public QWidget {
public:
    explicit Picture(const QImage& image) : image_(image) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        const QRectF fitted = fitLayout(QSizeF(size()), QSizeF(image_.size())).rect;
        if (scaled_.size() != fitted.size().toSize())
            scaled_ = image_.scaled(fitted.size().toSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QPainter painter(this);
        const QPoint origin = fitted.topLeft().toPoint();
        for (const QRect& dirty : event->region())
            for (int y = dirty.top(); y <= dirty.bottom(); y += 64) {
                const QRect band = QRect(dirty.left(), y, dirty.width(), std::min(64, dirty.bottom() + 1 - y))
                                       .intersected(QRect(origin, scaled_.size()));
                if (!band.isEmpty()) painter.drawImage(band.topLeft(), scaled_, band.translated(-origin));
            }
    }

private:
    QImage image_;
    QImage scaled_;
};

std::vector<SpotItem> thirtySpots() {
    std::vector<SpotItem> spots;
    for (int i = 0; i < 30; ++i) {
        SpotItem spot;
        spot.center = {0.08 + 0.14 * (i % 6), 0.08 + 0.1 * (i / 6)};  // the upper half of the frame
        spot.radius = 0.02;
        spot.sourceOffset = {0.03, 0.02};
        spots.push_back(spot);
    }
    return spots;
}

void BM_SpotTap(benchmark::State& state) {
    const QImage preview = makePreview();
    auto recipe = std::make_shared<EditParameters>();
    recipe->spotHealing.spots = thirtySpots();
    auto selection = std::make_shared<std::optional<Uuid>>();
    Picture picture(preview);
    picture.resize(kArea);
    SpotHealingOverlayView overlay(
        Binding<EditParameters>([recipe] { return *recipe; }, [recipe](const EditParameters& p) { *recipe = p; })
            .projected(&EditParameters::spotHealing),
        Binding<std::optional<Uuid>>([selection] { return *selection; },
                                     [selection](const std::optional<Uuid>& id) { *selection = id; }),
        [] { return 20.0; }, [] { return kPreview; },
        [&preview](const Point& center, double radius, const std::vector<SpotItem>& spots) {
            return findSpotSource(preview, center, radius, spots);
        },
        &picture);
    overlay.resize(kArea);
    picture.show();
    QApplication::processEvents();
    const QRectF frame = overlay.imageRect();
    const QPointF tap = frame.topLeft() + QPointF(frame.width() * 0.7, frame.height() * 0.8);
    for (auto _ : state) {
        bench::sendMouse(overlay, QEvent::MouseButtonPress, tap, Qt::LeftButton);
        bench::sendMouse(overlay, QEvent::MouseButtonRelease, tap, Qt::NoButton);
        QApplication::processEvents();  // the pending repaint, as the event loop runs it
        state.PauseTiming();
        if (recipe->spotHealing.spots.size() != 31) state.SkipWithError("the tap added no spot");
        recipe->spotHealing.spots.pop_back();
        selection->reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SpotTap)->Unit(benchmark::kMillisecond);

void BM_CropDragStep(benchmark::State& state) {
    const QImage preview = makePreview();
    auto crop = std::make_shared<CropParameters>();
    crop->rect = {0.2, 0.2, 0.6, 0.6};
    crop->aspectRatio = CropAspectRatio::threeByTwo;
    Picture picture(preview);
    picture.resize(kArea);
    CropOverlayView overlay(
        Binding<CropParameters>([crop] { return *crop; }, [crop](const CropParameters& c) { *crop = c; }),
        [] { return kPreview; }, &picture);
    overlay.resize(kArea);
    picture.show();
    QApplication::processEvents();
    const QRectF frame = overlay.cropFrameRect();
    const QPointF handle(frame.right() + 1, frame.bottom() + 1);  // the bottom-right corner
    bench::sendMouse(overlay, QEvent::MouseButtonPress, handle, Qt::LeftButton);
    int step = 0;
    for (auto _ : state) {
        // Back and forth, so every step writes a new rectangle.
        const double dx = (step++ % 20) * 6 - 60;
        bench::sendMouse(overlay, QEvent::MouseMove, handle + QPointF(dx, dx / 2), Qt::LeftButton);
        QApplication::processEvents();
    }
    bench::sendMouse(overlay, QEvent::MouseButtonRelease, handle, Qt::NoButton);
}
BENCHMARK(BM_CropDragStep)->Unit(benchmark::kMillisecond);

}  // namespace
