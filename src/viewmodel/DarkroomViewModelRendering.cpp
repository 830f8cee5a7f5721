// Render scheduling of the view model: what a request keeps, saves, cancels and
// starts, and how finished jobs are published on the GUI thread.
#include "viewmodel/DarkroomViewModel.h"

#include "services/L10n.h"

#include <QMetaObject>

namespace vantrel {

void DarkroomViewModel::editRecipe(const std::function<void(EditParameters&)>& change, RenderQuality quality) {
    EditParameters recipe = parameters_;
    change(recipe);
    setParameters(std::move(recipe));
    requestRender(quality);
}

void DarkroomViewModel::requestRender(RenderQuality quality) {
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo) return;
    const Uuid id = frameID(*photo);
    const bool final = quality == RenderQuality::final;
    inMemoryRecipes_[id] = parameters_;
    persistRecipe(final ? SaveTiming::now : SaveTiming::delayed);

    renderTask_.cancel();
    cancelFullRender();
    dropSharpRegion();

    RenderJob job = renderJobFor(*photo);
    const bool originalCached = cachedOriginalPhotoID_ == id && cachedOriginalCrop_ &&
                                *cachedOriginalCrop_ == parameters_.crop &&
                                cachedOriginalIsCroppingMode_ == isCroppingMode();
    job.needsOriginal = !originalCached || cachedOriginalCG_.isNull();

    if (final) {
        job.wantsHistogram = true;
        job.wantsThumbnail = true;
        renderSharpRegionThen(job, {});
        launch(JobKind::final, std::move(job));
        return;
    }
    RenderJob proxy = job;
    proxy.useProxy = true;
    proxy.maxPixelSize = interactiveRenderSize();
    proxy.wantsHistogram = true;
    launch(JobKind::proxy, std::move(proxy));

    // The full scan waits for a pause in the changes; the proxy stands in meanwhile.
    job.wantsThumbnail = true;
    masterDebounceTask_.restart();
    masterDebounceJob_ = std::move(job);
    masterDebounceTimer_.start();
}

void DarkroomViewModel::cancelFullRender() {
    masterDebounceTask_.cancel();
    masterDebounceTimer_.stop();
    masterDebounceJob_.reset();
}

void DarkroomViewModel::startFullRenderNow() {
    if (!masterDebounceJob_) return;
    RenderJob job = std::move(*masterDebounceJob_);
    masterDebounceJob_.reset();
    // The part on screen first, then the whole frame for the other previews;
    // a later request has stopped this one meanwhile when the serial moved on.
    const std::uint64_t serial = masterDebounceTask_.serial();
    renderSharpRegionThen(job, [this, serial, job] {
        if (masterDebounceTask_.isCurrent(serial)) launch(JobKind::full, job);
    });
}

void DarkroomViewModel::launch(JobKind kind, RenderJob job) {
    // The full job was opened when it was scheduled; the others open now.
    TaskHandle& handle = kind == JobKind::full ? masterDebounceTask_ : renderTask_;
    const std::stop_token stop = kind == JobKind::full ? handle.token() : handle.restart();
    const std::uint64_t serial = handle.serial();
    std::shared_ptr<RenderService> service = services_.render;
    renderPool_.start([this, service, kind, serial, stop, job = std::move(job)] {
        std::optional<RenderResult> result = service->render(job, stop);
        if (!result || stop.stop_requested()) return;
        // Queued to the GUI thread; the destructor waits for this pool, so `this` is alive.
        QMetaObject::invokeMethod(
            this, [this, kind, serial, job, result = std::move(*result)] { publish(kind, serial, job, result); },
            Qt::QueuedConnection);
    });
}

void DarkroomViewModel::publish(JobKind kind, std::uint64_t serial, const RenderJob& job, RenderResult result) {
    const TaskHandle& handle = kind == JobKind::full ? masterDebounceTask_ : renderTask_;
    if (!handle.isCurrent(serial)) return;
    // Once the full image is shown, the same request's proxy may not replace it.
    if (kind == JobKind::full) renderTask_.cancel();

    const Uuid id = frameID(job.photo);
    renderedPreviewPhotoID_ = id;
    if (result.loadError) {
        showLoadError(job.photo, *result.loadError);
        return;
    }
    if (previewLoadError_) setPreviewLoadError(std::nullopt);
    setRenderedFrameSize(result.frameSize);
    setRenderedPreview(std::move(result.preview));
    if (result.histogram) setHistogramData(std::move(*result.histogram));
    if (job.needsOriginal && !result.original.isNull()) {
        cachedOriginalPhotoID_ = id;
        cachedOriginalCrop_ = job.recipe.crop;
        cachedOriginalIsCroppingMode_ = job.framing == Framing::uncropped;
        cachedOriginalCG_ = result.original;
        setOriginalPreview(std::move(result.original));
    }
    if (!result.thumbnail.isNull())
        refreshFilmstripItem(id, result.thumbnail, !job.recipe.sameContent(EditParameters::defaultValue()));
}

void DarkroomViewModel::showLoadError(const LoadedPhoto& photo, const std::string& error) {
    // Nothing of an earlier picture stays: it would be another frame's, or an older version's.
    setRenderedPreview(QImage());
    setOriginalPreview(QImage());
    cachedOriginalPhotoID_.reset();
    cachedOriginalCG_ = QImage();
    setHistogramData(HistogramData::empty());
    // Said once per frame, though each of its renders fails again.
    if (previewLoadError_ == error) return;
    setPreviewLoadError(error);
    setStatusMessage(L10n::tr("status.scanLoadFailed", photo.title(), error));
}

void DarkroomViewModel::beginInteraction() { setIsInteracting(true); }

void DarkroomViewModel::endInteraction() {
    setIsInteracting(false);
    requestRender(RenderQuality::final);
}

void DarkroomViewModel::updateFilmstripThumbnail(QImage thumbnail, Uuid id) {
    thumbnailCache_[id] = thumbnail;
    for (std::size_t i = 0; i < filmstripItems_.size(); ++i) {
        if (filmstripItems_[i].id != id) continue;
        std::vector<FilmstripItem> items = filmstripItems_;
        items[i].thumbnail = thumbnail;
        setFilmstripItems(std::move(items));
        return;
    }
}

void DarkroomViewModel::refreshFilmstripItem(Uuid id, QImage thumbnail, bool hasEdits) {
    updateFilmstripThumbnail(thumbnail, id);
    for (std::size_t i = 0; i < filmstripItems_.size(); ++i) {
        if (filmstripItems_[i].id != id) continue;
        if (filmstripItems_[i].hasEdits == hasEdits) return;
        std::vector<FilmstripItem> items = filmstripItems_;
        items[i].hasEdits = hasEdits;
        items[i].thumbnail = thumbnail;
        setFilmstripItems(std::move(items));
        return;
    }
}

}  // namespace vantrel
