#include "viewmodel/ThumbnailLoop.h"

#include <QMetaObject>
#include <QThread>

namespace vantrel {

ThumbnailLoop::ThumbnailLoop(std::shared_ptr<RenderService> service, Ask ask, Deliver deliver)
    : service_(std::move(service)), ask_(std::move(ask)), deliver_(std::move(deliver)) {
    pool_.setMaxThreadCount(1);
    // Pictures give way to the renders of the frame on screen.
    pool_.setThreadPriority(QThread::LowPriority);
}

ThumbnailLoop::~ThumbnailLoop() {
    cancel();
    pool_.waitForDone();
}

void ThumbnailLoop::start(const std::vector<LoadedPhoto>& photos) {
    cancel();
    stop_ = std::stop_source();
    ++serial_;
    frames_ = photos;
    next_ = 0;
    running_ = true;
    advance();
}

void ThumbnailLoop::again(const std::vector<LoadedPhoto>& photos) {
    if (!stop_.stop_possible() || stop_.stop_requested()) return;  // no roll's loop to join
    again_.insert(again_.end(), photos.begin(), photos.end());
    running_ = true;
    if (!making_) advance();
}

void ThumbnailLoop::cancel() {
    stop_.request_stop();
    running_ = false;
    making_ = false;
    again_.clear();
}

void ThumbnailLoop::advance() {
    while (!stop_.stop_requested() && (!again_.empty() || next_ < frames_.size())) {
        LoadedPhoto photo = again_.empty() ? frames_[next_++] : again_.front();
        if (!again_.empty()) again_.pop_front();
        Need need = ask_(photo);
        if (!need.plain && !need.developed) continue;

        // The one worker thread queues a new loop's first picture behind a
        // stopped loop's last one, so two are never made at once.
        const std::uint64_t serial = serial_;
        const std::stop_token stop = stop_.get_token();
        making_ = true;
        pool_.start([this, service = service_, serial, stop, photo = std::move(photo),
                     job = std::move(need.developed)] {
            if (stop.stop_requested()) return;
            QImage picture;
            try {
                if (job) {
                    if (std::optional<RenderResult> result = service->render(*job, stop)) picture = result->thumbnail;
                } else if (photo.fileURL()) {
                    picture = service->thumbnail(*photo.fileURL(), kThumbnailSize);
                }
            } catch (...) {
                picture = QImage();  // out of memory and the like: this frame has no picture, the next ones do
            }
            if (stop.stop_requested()) return;
            // Queued to the GUI thread; dropped with this object if it is gone by then.
            QMetaObject::invokeMethod(
                this,
                [this, serial, id = frameIdOf(photo), picture = std::move(picture), job] {
                    finished(serial, id, picture, job);
                },
                Qt::QueuedConnection);
        });
        return;
    }
    running_ = false;
}

void ThumbnailLoop::finished(std::uint64_t serial, const Uuid& id, const QImage& picture,
                             const std::optional<RenderJob>& job) {
    if (serial != serial_ || stop_.stop_requested()) return;
    making_ = false;
    if (!picture.isNull()) deliver_(id, picture, job ? &*job : nullptr);
    advance();
}

}  // namespace vantrel
