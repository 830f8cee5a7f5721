#pragma once
// Fakes of the engine and the session store: renders are instant (or held
// on a latch), and the store keeps everything in memory and logs each write.
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <QImage>
#include <QTemporaryDir>

#include "viewmodel/RenderService.h"
#include "viewmodel/SessionStorage.h"

namespace vantrel::testing {

class FakeRenderService final : public RenderService {
public:
    // While held, every render whose `heldWhen` predicate matches waits for release(),
    // and returns its result even if it was stopped meanwhile (a render that ignores its token).
    void hold(std::function<bool(const RenderJob&)> heldWhen) {
        std::lock_guard lock(mutex_);
        heldWhen_ = std::move(heldWhen);
        released_ = false;
    }
    void release() {
        {
            std::lock_guard lock(mutex_);
            released_ = true;
        }
        changed_.notify_all();
    }
    // The frame size each result reports (none by default: the scan's own is used).
    void setFrameSizes(std::function<QSize(const RenderJob&)> frameSizeOf) {
        std::lock_guard lock(mutex_);
        frameSizeOf_ = std::move(frameSizeOf);
    }
    // Where the photo lies in each result's frame (none by default: all of it).
    void setPhotoAreas(std::function<QRectF(const RenderJob&)> photoAreaOf) {
        std::lock_guard lock(mutex_);
        photoAreaOf_ = std::move(photoAreaOf);
    }
    // The picture each preview shows (none by default: a small stamped grey).
    void setPreviewPicture(QImage picture) {
        std::lock_guard lock(mutex_);
        previewPicture_ = std::move(picture);
    }
    int heldCount() const { return held_.load(); }
    int finishedCount() const { return finished_.load(); }

    std::optional<RenderResult> render(const RenderJob& job, std::stop_token stop) override {
        // A scan named "undecodable" cannot be read: the result says why, and nothing else.
        if (job.photo.title().find("undecodable") != std::string::npos) {
            ++finished_;
            RenderResult failed;
            failed.loadError = LocalText::plain("cannot decode " + job.photo.title());
            return failed;
        }
        RenderResult result;
        {
            std::unique_lock lock(mutex_);
            if (frameSizeOf_) result.frameSize = frameSizeOf_(job);
            if (photoAreaOf_) result.photoArea = photoAreaOf_(job);
            if (heldWhen_ && heldWhen_(job)) {
                ++held_;
                changed_.wait(lock, [&] { return released_; });
            } else if (stop.stop_requested()) {
                ++finished_;
                return std::nullopt;
            }
        }
        {
            std::lock_guard lock(mutex_);
            result.preview = previewPicture_.isNull() ? stamped(job, 8, 6) : previewPicture_;
        }
        if (job.wantsHistogram) {
            result.histogram = HistogramData::empty();
            result.histogram->lumaBins.assign(HistogramData::kBinCount, float(job.useProxy ? 0.25 : 1.0));
        }
        if (job.needsOriginal) result.original = stamped(job, 8, 6);
        if (job.wantsThumbnail) result.thumbnail = stamped(job, 4, 3);
        ++finished_;
        return result;
    }

    std::optional<LoadedPhoto> loadPhoto(const std::filesystem::path& file) override {
        if (!std::filesystem::is_regular_file(file) || file.filename().string().find("bad") != std::string::npos)
            return std::nullopt;
        return LoadedPhoto("", file.filename().string(), file, PhotoSize{8, 6}, false, "sRGB");
    }

    std::vector<LoadedPhoto> makeSampleRoll(const std::array<Uuid, 3>& ids) override {
        const char* titles[] = {"Vantrel_16bit_Film_Calibration_Target.tiff", "LabScan_Roll01_N02.tif",
                                "LabScan_Roll01_F03.tif"};
        std::vector<LoadedPhoto> roll;
        for (int i = 0; i < 3; ++i)
            roll.emplace_back(ids[i].toString(), titles[i], std::nullopt, Image(), Image(), PhotoSize{8, 6}, true,
                              "Extended Linear Display P3 (16-bit)");
        return roll;
    }

    // Undeveloped thumbnails, stamped "thumbnail" (none for a file named "nothumb";
    // for "nomemory" the allocation fails), each logged; while held, each waits
    // for releaseThumbnails().
    QImage thumbnail(const std::filesystem::path& file, int maxPixelSize) override {
        {
            std::unique_lock lock(mutex_);
            thumbnailRequests_.push_back(file);
            thumbnailSizes_.push_back(maxPixelSize);
            changed_.wait(lock, [&] { return !thumbnailsHeld_; });
        }
        if (file.filename().string().find("nothumb") != std::string::npos) return QImage();
        if (file.filename().string().find("nomemory") != std::string::npos) throw std::bad_alloc();
        QImage image(4, 3, QImage::Format_RGBA8888_Premultiplied);
        image.fill(Qt::darkGray);
        image.setText("kind", "thumbnail");
        image.setText("file", QString::fromStdString(file.filename().string()));
        return image;
    }
    QImage proxyThumbnail(const LoadedPhoto& photo, int) override {
        QImage image(4, 3, QImage::Format_RGBA8888_Premultiplied);
        image.fill(Qt::lightGray);
        image.setText("kind", "proxy thumbnail");
        image.setText("file", QString::fromStdString(photo.title()));
        return image;
    }
    void holdThumbnails() {
        std::lock_guard lock(mutex_);
        thumbnailsHeld_ = true;
    }
    void releaseThumbnails() {
        {
            std::lock_guard lock(mutex_);
            thumbnailsHeld_ = false;
        }
        changed_.notify_all();
    }
    std::vector<std::filesystem::path> thumbnailRequests() const {
        std::lock_guard lock(mutex_);
        return thumbnailRequests_;
    }
    std::vector<int> thumbnailSizes() const {
        std::lock_guard lock(mutex_);
        return thumbnailSizes_;
    }

    // Which job made an image: "proxy" or "full", and the recipe's exposure.
    static QString kind(const QImage& image) { return image.text("kind"); }
    static double exposure(const QImage& image) { return image.text("exposure").toDouble(); }

private:
    static QImage stamped(const RenderJob& job, int w, int h) {
        QImage image(w, h, QImage::Format_RGBA8888_Premultiplied);
        image.fill(Qt::gray);
        image.setText("kind", job.useProxy ? "proxy" : "full");
        image.setText("exposure", QString::number(job.recipe.exposure));
        // The width of the subject mask rendered with, empty without one.
        if (job.subjectMask) image.setText("mask", QString::number(job.subjectMask->extent().width));
        return image;
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::function<bool(const RenderJob&)> heldWhen_;
    std::function<QSize(const RenderJob&)> frameSizeOf_;
    std::function<QRectF(const RenderJob&)> photoAreaOf_;
    QImage previewPicture_;
    bool released_ = true;
    bool thumbnailsHeld_ = false;
    std::vector<std::filesystem::path> thumbnailRequests_;
    std::vector<int> thumbnailSizes_;
    std::atomic<int> held_{0};
    std::atomic<int> finished_{0};
};

class FakeSessionStorage final : public SessionStorage {
public:
    struct RecipeWrite {
        std::string key;  // file path, or "sample:" + identifier
        EditParameters recipe;
    };

    std::map<std::string, EditParameters> recipes;
    std::map<std::string, std::vector<SnapshotItem>> snapshots;
    std::map<std::string, RollCullingDatabase> culling;  // folder path, or "sample"
    std::vector<RecipeWrite> recipeWrites;
    std::vector<std::string> cullingWrites;
    int flushes = 0;

    static std::string sampleKey(const Uuid& id) { return "sample:" + id.toString(); }

    int writesFor(const std::string& key) const {
        int n = 0;
        for (const auto& w : recipeWrites) n += w.key == key;
        return n;
    }

    static std::string keyOf(const FrameKey& frame) { return frame.file ? frame.file->string() : sampleKey(frame.id); }

    std::optional<EditParameters> loadRecipe(const FrameKey& frame) override { return find(keyOf(frame)); }
    void saveRecipe(const EditParameters& recipe, const FrameKey& frame, Done done = {}) override {
        write(keyOf(frame), recipe);
        report(done);
    }

    std::vector<SnapshotItem> loadSnapshots(const FrameKey& frame) override { return snapshots[keyOf(frame)]; }
    void saveSnapshots(const std::vector<SnapshotItem>& list, const FrameKey& frame, Done done = {}) override {
        snapshots[keyOf(frame)] = list;
        report(done);
    }

    std::optional<RollCullingDatabase> loadCullingDatabase(const RollFolder& folder) override {
        auto it = culling.find(folder ? folder->string() : "sample");
        return it == culling.end() ? std::nullopt : std::optional(it->second);
    }
    void saveCullingDatabase(const RollCullingDatabase& database, const RollFolder& folder, Done done = {}) override {
        const std::string key = folder ? folder->string() : "sample";
        culling[key].merge(database);
        cullingWrites.push_back(key);
        report(done);
    }

    void flush() override { ++flushes; }

    // What writeRefusal says of every folder.
    std::optional<FailureCause> refusal;
    std::optional<FailureCause> writeRefusal(const std::filesystem::path&) override { return refusal; }

    // Removals, logged in order with the recipe writes ("delete:" + key).
    std::vector<std::string> deletions;
    void deleteRecipe(const FrameKey& frame) override { erase(keyOf(frame)); }

private:
    static void report(const Done& done) {
        if (done) done(SaveOutcome::written);
    }
    std::optional<EditParameters> find(const std::string& key) const {
        auto it = recipes.find(key);
        return it == recipes.end() ? std::nullopt : std::optional(it->second);
    }
    void erase(const std::string& key) {
        recipes.erase(key);
        deletions.push_back(key);
        recipeWrites.push_back({"delete:" + key, EditParameters::defaultValue()});
    }
    void write(const std::string& key, const EditParameters& recipe) {
        recipes[key] = recipe;
        recipeWrites.push_back({key, recipe});
    }
};

}  // namespace vantrel::testing
