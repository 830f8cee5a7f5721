#pragma once
// ThumbnailLoop: after a roll is opened, makes the filmstrip picture of each
// frame, one after another, on one low-priority worker thread: a frame whose
// recipe has edits gets that recipe developed on a small copy of its scan, any
// other frame with a scan file an undeveloped 320-pixel thumbnail of the file.
// The loop itself advances on the GUI thread: just before each frame it asks
// its owner what the frame needs now, and each finished picture is handed over
// there. Frames asked about again (their recipes or masks changed meanwhile) go
// before those not yet served. Starting again stops the previous loop; a
// picture that finishes after that is dropped.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

#include <QImage>
#include <QObject>
#include <QThreadPool>

#include "engine/io/LoadedPhoto.h"
#include "model/Uuid.h"
#include "viewmodel/RenderService.h"

namespace vantrel {

class ThumbnailLoop final : public QObject {
    Q_OBJECT

public:
    static constexpr int kThumbnailSize = 320;
    // The long edge of the scan's copy a developed picture is rendered from:
    // twice the picture's own, so that a cropped frame stays sharp.
    static constexpr int kDevelopedSourceSize = 480;

    // What a frame's picture needs now: nothing, a thumbnail of its scan file,
    // or this render (with a thumbnail).
    struct Need {
        bool plain = false;
        std::optional<RenderJob> developed;
    };
    using Ask = std::function<Need(const LoadedPhoto&)>;
    // Receives each finished picture on the GUI thread, with the render it was
    // developed by (none for a plain thumbnail).
    using Deliver = std::function<void(const Uuid&, const QImage&, const RenderJob* developedBy)>;

    ThumbnailLoop(std::shared_ptr<RenderService> service, Ask ask, Deliver deliver);
    // Stops the loop and waits for the picture being made; nothing is delivered afterwards.
    ~ThumbnailLoop() override;

    // Stops the running loop and starts one over these frames, in this order.
    void start(const std::vector<LoadedPhoto>& photos);
    // These frames are asked about again, before the frames not yet served.
    void again(const std::vector<LoadedPhoto>& photos);
    void cancel();
    // Whether a loop has frames left or a picture in the making.
    bool isRunning() const { return running_; }
    // Not running, and no stopped loop's picture is still being made.
    bool isIdle() const { return !running_ && pool_.activeThreadCount() == 0; }

private:
    // Walks on to the next frame that needs a picture and has it made.
    void advance();
    void finished(std::uint64_t serial, const Uuid& id, const QImage& picture, const std::optional<RenderJob>& job);

    std::shared_ptr<RenderService> service_;
    Ask ask_;
    Deliver deliver_;
    std::deque<LoadedPhoto> again_;
    std::vector<LoadedPhoto> frames_;
    std::size_t next_ = 0;
    std::uint64_t serial_ = 0;
    std::stop_source stop_ = std::stop_source(std::nostopstate);
    bool running_ = false;
    bool making_ = false;
    QThreadPool pool_;  // one thread: one picture at a time
};

}  // namespace vantrel
