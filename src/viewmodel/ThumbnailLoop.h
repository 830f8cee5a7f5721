#pragma once
// ThumbnailLoop: after a roll is opened, makes an undeveloped 320-pixel
// thumbnail of each scan file, one after another, on one low-priority worker
// thread. The loop itself advances on the GUI thread: before each frame it asks
// whether the frame still wants a thumbnail, and each finished one is handed
// over there. Starting again stops the previous loop; a thumbnail that finishes
// after that is dropped. Frames without a file (the sample roll) are passed by.
#include <cstdint>
#include <filesystem>
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

    // Whether a frame still needs a thumbnail (asked on the GUI thread just before it is made).
    using Wanted = std::function<bool(const Uuid&)>;
    // Receives each finished thumbnail on the GUI thread.
    using Deliver = std::function<void(const Uuid&, const QImage&)>;

    ThumbnailLoop(std::shared_ptr<RenderService> service, Wanted wanted, Deliver deliver);
    // Stops the loop and waits for the thumbnail being made; nothing is delivered afterwards.
    ~ThumbnailLoop() override;

    // Stops the running loop and starts one over these frames, in this order.
    void start(const std::vector<LoadedPhoto>& photos);
    void cancel();
    // Whether a loop has frames left or a thumbnail in the making.
    bool isRunning() const { return running_; }
    // Not running, and no stopped loop's thumbnail is still being made.
    bool isIdle() const { return !running_ && pool_.activeThreadCount() == 0; }

private:
    struct Frame {
        Uuid id;
        std::optional<std::filesystem::path> file;
    };

    // Walks on to the next frame that wants a thumbnail and has it made.
    void advance();
    void finished(std::uint64_t serial, const Uuid& id, const QImage& thumbnail);

    std::shared_ptr<RenderService> service_;
    Wanted wanted_;
    Deliver deliver_;
    std::vector<Frame> frames_;
    std::size_t next_ = 0;
    std::uint64_t serial_ = 0;
    std::stop_source stop_ = std::stop_source(std::nostopstate);
    bool running_ = false;
    QThreadPool pool_;  // one thread: one thumbnail at a time
};

}  // namespace vantrel
