#include "viewmodel/ThumbnailLoop.h"

#include <QMetaObject>
#include <QThread>

#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

ThumbnailLoop::ThumbnailLoop(std::shared_ptr<RenderService> service, Wanted wanted, Deliver deliver)
    : service_(std::move(service)), wanted_(std::move(wanted)), deliver_(std::move(deliver)) {
    pool_.setMaxThreadCount(1);
    // Thumbnails give way to the renders of the frame on screen.
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
    frames_.clear();
    frames_.reserve(photos.size());
    for (const LoadedPhoto& photo : photos) frames_.push_back({DarkroomViewModel::frameID(photo), photo.fileURL()});
    next_ = 0;
    running_ = true;
    advance();
}

void ThumbnailLoop::cancel() {
    stop_.request_stop();
    running_ = false;
}

void ThumbnailLoop::advance() {
    while (next_ < frames_.size()) {
        if (stop_.stop_requested()) break;
        const Frame& frame = frames_[next_++];
        if (!frame.file) continue;
        if (!wanted_(frame.id)) continue;

        // The one worker thread queues a new loop's first thumbnail behind a
        // stopped loop's last one, so two are never made at once.
        const std::uint64_t serial = serial_;
        const std::stop_token stop = stop_.get_token();
        pool_.start([this, service = service_, serial, stop, id = frame.id, file = *frame.file] {
            if (stop.stop_requested()) return;
            QImage thumbnail = service->thumbnail(file, kThumbnailSize);
            if (stop.stop_requested()) return;
            // Queued to the GUI thread; dropped with this object if it is gone by then.
            QMetaObject::invokeMethod(
                this, [this, serial, id, thumbnail = std::move(thumbnail)] { finished(serial, id, thumbnail); },
                Qt::QueuedConnection);
        });
        return;
    }
    running_ = false;
}

void ThumbnailLoop::finished(std::uint64_t serial, const Uuid& id, const QImage& thumbnail) {
    if (serial != serial_ || stop_.stop_requested()) return;
    if (!thumbnail.isNull()) deliver_(id, thumbnail);
    advance();
}

}  // namespace vantrel
