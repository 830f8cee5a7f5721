#include "services/ExportWriter.h"

#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "services/ExportError.h"
#include "services/ExportFile.h"
#include "services/ImageEncoder.h"
#include "services/OutputProfiles.h"

namespace vantrel {
namespace {

// Bands travel from the rendering thread to the encoding thread, a few at most waiting.
// Either side can give up: the renderer when stopped, the encoder when it failed.
class BandQueue {
public:
    struct Band {
        LargeArray<std::uint8_t> pixels;
        std::size_t rowBytes = 0;
        int rows = 0;
    };

    explicit BandQueue(std::size_t capacity) : capacity_(capacity) {}

    // Takes the strip's memory (the renderer gets fresh memory for the next one); false once
    // the consumer has given up.
    bool push(const Strip& strip) {
        Band band;
        band.rowBytes = strip.rowBytes;
        band.rows = strip.rows;
        if (strip.memory && strip.memory->get() == strip.data) {
            band.pixels = std::move(*strip.memory);
        } else {
            const std::size_t size = strip.rowBytes * std::size_t(strip.rows);
            band.pixels = makeLargeArray<std::uint8_t>(size);
            std::memcpy(band.pixels.get(), strip.data, size);
        }
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return abandoned_ || ready_.size() < capacity_; });
        if (abandoned_) return false;
        ready_.push_back(std::move(band));
        lock.unlock();
        changed_.notify_all();
        return true;
    }

    // The next band, or nothing once the producer is done and everything was taken.
    bool pop(Band& band) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return closed_ || !ready_.empty(); });
        if (ready_.empty()) return false;
        band = std::move(ready_.front());
        ready_.pop_front();
        lock.unlock();
        changed_.notify_all();
        return true;
    }

    void close() {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
        }
        changed_.notify_all();
    }

    void abandon() {
        {
            std::lock_guard lock(mutex_);
            abandoned_ = true;
        }
        changed_.notify_all();
    }

private:
    const std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Band> ready_;
    bool closed_ = false;
    bool abandoned_ = false;
};

// Sides beyond this are refused before anything is written (a million pixels is far past any
// scan; the encoders' own limits are lower still and reported by them).
constexpr std::int64_t kMaxSide = 1'000'000;

}  // namespace

void writeImage(const Context& context, const Image& image, const ExportSettings& settings,
                const std::filesystem::path& destination, std::stop_token stop) {
    const Rect extent = image.extent();
    if (extent.isEmpty())
        throw ExportError(ExportError::kEditorDomain, ExportError::kEmptyRender,
                          "The photo could not be rendered: the scan is missing or unreadable.");
    if (extent.isInfinite() || extent.width > kMaxSide || extent.height > kMaxSide)
        throw ExportError(ExportError::kEditorDomain, ExportError::kRenderFailed,
                          "The photo could not be rendered: its size is not bounded.");
    if (stop.stop_requested()) throw ExportError(ExportError::kEditorDomain, ExportError::kCancelled, "The export was cancelled.");

    const OutputSpace space = settings.useDisplayP3 ? OutputSpace::displayP3 : OutputSpace::sRGB;
    EncodeTarget target;
    target.width = int(extent.width);
    target.height = int(extent.height);
    target.iccProfile = &outputProfile(space);
    target.profileName = outputProfileName(space);

    ExportFile file(destination);  // declared before the encoder, which may touch it when destroyed
    std::unique_ptr<ImageEncoder> encoder = makeEncoder(settings);
    encoder->start(file, target);

    BandQueue queue(2);
    std::exception_ptr encodeFailure;
    std::thread encoding([&] {
        try {
            BandQueue::Band band;
            while (queue.pop(band)) encoder->writeBand(std::move(band.pixels), band.rowBytes, band.rows);
        } catch (...) {
            encodeFailure = std::current_exception();
            queue.abandon();
        }
    });

    RenderOptions options;
    options.space = space;
    options.stop = stop;
    bool rendered = false;
    try {
        rendered = context.renderStrips(image, extent, encoder->inputFormat(), encoder->bandRows(),
                                        [&](const Strip& strip) { return queue.push(strip); }, options);
    } catch (...) {
        queue.abandon();
        queue.close();
        encoding.join();
        throw;
    }
    queue.close();
    encoding.join();

    if (encodeFailure) std::rethrow_exception(encodeFailure);
    if (!rendered) {
        if (stop.stop_requested())
            throw ExportError(ExportError::kEditorDomain, ExportError::kCancelled, "The export was cancelled.");
        throw ExportError(ExportError::kEditorDomain, ExportError::kRenderFailed,
                          "The photo could not be rendered at full size.");
    }
    encoder->finish();
    encoder.reset();
    file.commit();
}

}  // namespace vantrel
