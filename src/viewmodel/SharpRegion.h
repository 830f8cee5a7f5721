#pragma once
// The sharp part of a zoomed canvas: when the canvas shows the frame larger
// than the proxy can, the visible part (with a margin for panning) is rendered
// from the full scan at the canvas's scale and shown over the enlarged proxy.
// The whole-frame previews (navigator, comparison, histogram, thumbnails) are
// rendered as before; this only adds the region.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

#include <QImage>
#include <QObject>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QThreadPool>
#include <QTimer>

#include "viewmodel/RenderService.h"

namespace vantrel {

// A rendered part of the frame: `rect` in the frame's full-resolution pixels
// (top-left origin) of a frame `frameSize` large. Null image: none shown.
struct SharpRegion {
    QImage image;
    QRectF rect;
    QSize frameSize;

    bool isNull() const { return image.isNull(); }
};

// Where a canvas `canvas` points large shows a frame `frame` pixels large,
// fitted and then scaled by `zoom` about its centre and moved by `pan`, on a
// screen of `density` device pixels per point (2 on a high-density screen).
struct CanvasView {
    QSize frame;
    QSizeF canvas;
    double zoom = 1;
    QSizeF pan{0, 0};
    double density = 1;
};

// Canvas points per frame pixel.
double canvasScale(const CanvasView& view);
// Device pixels per frame pixel: what a render must hold to look sharp there.
double pixelScale(const CanvasView& view);

// The region to render sharp: the visible part of the frame plus `margin` of
// the canvas's size on each side, within the frame, at the screen's pixel scale
// (at most 1); nothing when the proxy (`proxyScale` of the scan's size) already
// has as many pixels as the screen shows.
std::optional<FrameRegion> sharpRegionFor(const CanvasView& view, double proxyScale, double margin = 0.25);

// Whether `region` covers what `view` shows (the pan stayed within the margin).
bool regionCovers(const FrameRegion& region, const CanvasView& view);

// The long edge of the scan for an interactive render of `view` (a scan
// `scanLongEdge` pixels long whose proxy is `proxyLongEdge`): as many pixels as
// the screen shows, when fewer than the proxy's; 0 (the proxy's own) otherwise.
int interactivePixelSize(const CanvasView& view, int scanLongEdge, int proxyLongEdge);

// Renders regions one at a time on the view model's render pool: a new request
// stops the previous one, and a stopped render publishes nothing.
class SharpRegionScheduler final : public QObject {
    Q_OBJECT

public:
    SharpRegionScheduler(std::shared_ptr<RenderService> service, QThreadPool& pool, int panDelayMs,
                         QObject* parent = nullptr);

    // Stops the render under way and any waiting one.
    void cancel();
    // Renders `job` (which carries its region) at once; `then` runs on the GUI
    // thread after it is published, or at once when it was stopped or failed.
    void render(RenderJob job, std::function<void()> then = {});
    // Renders `job` once the canvas has been still for the pan delay.
    void renderAfterPause(RenderJob job);
    // A region is waiting for the canvas to be still.
    bool isWaiting() const { return pending_.has_value(); }

Q_SIGNALS:
    void rendered(SharpRegion region);

private:
    std::shared_ptr<RenderService> service_;
    QThreadPool& pool_;
    std::stop_source stop_ = std::stop_source(std::nostopstate);
    std::uint64_t serial_ = 0;
    QTimer pause_;
    std::optional<RenderJob> pending_;
};

}  // namespace vantrel
