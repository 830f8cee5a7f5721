#include "viewmodel/SharpRegion.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QMetaObject>

namespace vantrel {

namespace {

// The frame's rectangle in canvas points: fitted, scaled about the centre, panned.
QRectF frameOnCanvas(const CanvasView& view) {
    const double fw = view.frame.width(), fh = view.frame.height();
    const double cw = view.canvas.width(), ch = view.canvas.height();
    if (!(fw > 0) || !(fh > 0) || !(cw > 0) || !(ch > 0) || !(view.zoom > 0)) return {};
    const double fit = std::min(cw / fw, ch / fh);
    const double w = fw * fit * view.zoom, h = fh * fit * view.zoom;
    return {cw / 2 + view.pan.width() - w / 2, ch / 2 + view.pan.height() - h / 2, w, h};
}

}  // namespace

double canvasScale(const CanvasView& view) {
    const QRectF shown = frameOnCanvas(view);
    return shown.isEmpty() ? 0.0 : shown.width() / view.frame.width();
}

double pixelScale(const CanvasView& view) {
    // A screen that reports no usable density counts as one pixel per point.
    const double density = std::isfinite(view.density) && view.density > 0 ? view.density : 1.0;
    return canvasScale(view) * density;
}

std::optional<FrameRegion> sharpRegionFor(const CanvasView& view, double proxyScale, double margin) {
    const double scale = canvasScale(view);
    const double pixels = pixelScale(view);
    // The proxy suffices while one of its pixels covers at least a device pixel.
    if (!(scale > 0) || pixels <= proxyScale) return std::nullopt;

    const QRectF shown = frameOnCanvas(view);
    const double mx = view.canvas.width() * margin, my = view.canvas.height() * margin;
    const QRectF wanted = QRectF(-mx, -my, view.canvas.width() + 2 * mx, view.canvas.height() + 2 * my) & shown;
    if (wanted.isEmpty()) return std::nullopt;
    // In frame pixels, rounded outward.
    const auto toFrameX = [&](double x) { return (x - shown.left()) / scale; };
    const auto toFrameY = [&](double y) { return (y - shown.top()) / scale; };
    // (A hair of slack, so that arithmetic noise on a whole number adds no pixel.)
    constexpr double kSlack = 1e-6;
    const int x0 = std::max(0, int(std::floor(toFrameX(wanted.left()) + kSlack)));
    const int y0 = std::max(0, int(std::floor(toFrameY(wanted.top()) + kSlack)));
    const int x1 = std::min(view.frame.width(), int(std::ceil(toFrameX(wanted.right()) - kSlack)));
    const int y1 = std::min(view.frame.height(), int(std::ceil(toFrameY(wanted.bottom()) - kSlack)));
    if (x1 <= x0 || y1 <= y0) return std::nullopt;
    return FrameRegion{QRect(x0, y0, x1 - x0, y1 - y0), std::min(1.0, pixels)};
}

bool regionCovers(const FrameRegion& region, const CanvasView& view) {
    const QRectF shown = frameOnCanvas(view);
    const double scale = canvasScale(view);
    if (!(scale > 0)) return false;
    const QRectF visible = QRectF(QPointF(0, 0), view.canvas) & shown;
    const QRectF needed((visible.left() - shown.left()) / scale, (visible.top() - shown.top()) / scale,
                        visible.width() / scale, visible.height() / scale);
    // Half a pixel of slack for rounding.
    return QRectF(region.rect).adjusted(-0.5, -0.5, 0.5, 0.5).contains(needed);
}

int interactivePixelSize(const CanvasView& view, int scanLongEdge, int proxyLongEdge) {
    const double scale = pixelScale(view);
    if (!(scale > 0) || scanLongEdge <= 0) return 0;
    // A few pixels more than shown, so the smooth scaling to the canvas never enlarges.
    const double shown = std::ceil(scale * scanLongEdge) + 2;
    return proxyLongEdge > 0 && shown < proxyLongEdge ? int(shown) : 0;
}

SharpRegionScheduler::SharpRegionScheduler(std::shared_ptr<RenderService> service, QThreadPool& pool, int panDelayMs,
                                           QObject* parent)
    : QObject(parent), service_(std::move(service)), pool_(pool) {
    pause_.setSingleShot(true);
    pause_.setInterval(panDelayMs);
    connect(&pause_, &QTimer::timeout, this, [this] {
        if (!pending_) return;
        RenderJob job = std::move(*pending_);
        pending_.reset();
        render(std::move(job));
    });
}

void SharpRegionScheduler::cancel() {
    stop_.request_stop();
    ++serial_;
    pause_.stop();
    pending_.reset();
}

void SharpRegionScheduler::renderAfterPause(RenderJob job) {
    cancel();
    pending_ = std::move(job);
    pause_.start();
}

void SharpRegionScheduler::render(RenderJob job, std::function<void()> then) {
    cancel();
    stop_ = std::stop_source();
    const std::stop_token stop = stop_.get_token();
    const std::uint64_t serial = serial_;
    pool_.start([this, service = service_, stop, serial, job = std::move(job), then = std::move(then)] {
        std::optional<RenderResult> result = service->render(job, stop);
        SharpRegion region;
        if (result && !stop.stop_requested() && !result->preview.isNull())
            region = SharpRegion{std::move(result->preview), result->region, result->frameSize};
        // Queued to the GUI thread; dropped with this object (its owner waits for the pool first).
        QMetaObject::invokeMethod(
            this,
            [this, serial, then, region = std::move(region)] {
                if (serial == serial_ && !stop_.stop_requested() && !region.isNull()) Q_EMIT rendered(region);
                if (then) then();
            },
            Qt::QueuedConnection);
    });
}

}  // namespace vantrel
