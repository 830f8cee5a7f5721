#include "viewmodel/RenderScheduler.h"

#include <QMetaObject>

namespace vantrel {

RenderScheduler::RenderScheduler(std::shared_ptr<RenderService> service, QThreadPool& pool,
                                 std::chrono::milliseconds fullRenderDelay, Publish publish, RegionThen regionThen,
                                 QObject* parent)
    : QObject(parent),
      service_(std::move(service)),
      pool_(pool),
      publish_(std::move(publish)),
      regionThen_(std::move(regionThen)) {
    fullRenderTimer_.setSingleShot(true);
    fullRenderTimer_.setInterval(fullRenderDelay);
    connect(&fullRenderTimer_, &QTimer::timeout, this, &RenderScheduler::startFullRender);
}

void RenderScheduler::cancel() {
    renderTask_.cancel();
    fullRenderTask_.cancel();
    fullRenderTimer_.stop();
    fullRenderJob_.reset();
}

void RenderScheduler::request(RenderJob job, RenderQuality quality, int interactiveSize) {
    if (quality == RenderQuality::final) {
        job.wantsHistogram = true;
        job.wantsThumbnail = true;
        regionThen_(job, {});
        launch(Pass::final, std::move(job));
        return;
    }
    RenderJob proxy = job;
    proxy.useProxy = true;
    proxy.maxPixelSize = interactiveSize;
    proxy.wantsHistogram = true;
    launch(Pass::proxy, std::move(proxy));

    // The full scan waits for a pause in the changes; the proxy stands in meanwhile.
    job.wantsThumbnail = true;
    fullRenderTask_.restart();
    fullRenderJob_ = std::move(job);
    fullRenderTimer_.start();
}

void RenderScheduler::startFullRender() {
    if (!fullRenderJob_) return;
    RenderJob job = std::move(*fullRenderJob_);
    fullRenderJob_.reset();
    // The part on screen first, then the whole frame for the other previews;
    // a later request has stopped this one meanwhile when the serial moved on.
    const std::uint64_t serial = fullRenderTask_.serial();
    regionThen_(job, [this, serial, job] {
        if (fullRenderTask_.isCurrent(serial)) launch(Pass::full, job);
    });
}

void RenderScheduler::launch(Pass pass, RenderJob job) {
    // The full render was opened when it was scheduled; the others open now.
    TaskHandle& handle = pass == Pass::full ? fullRenderTask_ : renderTask_;
    const std::stop_token stop = pass == Pass::full ? handle.token() : handle.restart();
    const std::uint64_t serial = handle.serial();
    pool_.start([this, service = service_, pass, serial, stop, job = std::move(job)] {
        std::optional<RenderResult> result = service->render(job, stop);
        if (!result || stop.stop_requested()) return;
        // Queued to the GUI thread; the view model waits for this pool before it goes, so `this` is alive.
        QMetaObject::invokeMethod(
            this, [this, pass, serial, job, result = std::move(*result)] { finished(pass, serial, job, result); },
            Qt::QueuedConnection);
    });
}

void RenderScheduler::finished(Pass pass, std::uint64_t serial, const RenderJob& job, RenderResult result) {
    const TaskHandle& handle = pass == Pass::full ? fullRenderTask_ : renderTask_;
    if (!handle.isCurrent(serial)) return;
    // Once the full image is shown, the same request's proxy may not replace it.
    if (pass == Pass::full) renderTask_.cancel();
    publish_(pass, job, std::move(result));
}

}  // namespace vantrel
