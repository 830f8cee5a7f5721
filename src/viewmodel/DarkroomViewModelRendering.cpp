// What a render request keeps, saves and cancels before RenderScheduler starts
// it, and how a finished render is published.
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
    roll_.persistRecipe(quality == RenderQuality::final ? SaveTiming::now : SaveTiming::delayed);

    renders_->cancel();
    dropSharpRegion();

    RenderJob job = renderJobFor(*photo);
    const bool originalCached = cachedOriginalPhotoID_ == id && cachedOriginalCrop_ &&
                                *cachedOriginalCrop_ == parameters_.crop &&
                                cachedOriginalIsCroppingMode_ == isCroppingMode();
    job.needsOriginal = !originalCached || cachedOriginal_.isNull();
    renders_->request(std::move(job), quality, quality == RenderQuality::final ? 0 : interactiveRenderSize());
}

void DarkroomViewModel::publishRender(const RenderJob& job, RenderResult result) {
    const Uuid id = frameID(job.photo);
    renderedPreviewPhotoID_ = id;
    if (result.loadError) {
        showLoadError(job.photo, *result.loadError);
        return;
    }
    if (previewLoadError_) setPreviewLoadError(std::nullopt);
    renderedGeometry_ = FrameGeometry::of(job);
    setRenderedFrameSize(result.frameSize);
    setRenderedPreview(std::move(result.preview));
    if (result.histogram) setHistogramData(std::move(*result.histogram));
    if (job.needsOriginal && !result.original.isNull()) {
        cachedOriginalPhotoID_ = id;
        cachedOriginalCrop_ = job.recipe.crop;
        cachedOriginalIsCroppingMode_ = job.framing == Framing::uncropped;
        cachedOriginal_ = result.original;
        setOriginalPreview(std::move(result.original));
    }
    if (!result.thumbnail.isNull())
        roll_.updateFilmstripThumbnail(id, result.thumbnail, !job.recipe.sameContent(EditParameters::defaultValue()));
}

bool DarkroomViewModel::isPreviewGeometryCurrent() const {
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo || !renderedGeometry_ || !isPreviewOf(frameID(*photo))) return false;
    const RenderJob now = renderJobFor(*photo);
    return *renderedGeometry_ == FrameGeometry::of(now);
}

void DarkroomViewModel::showLoadError(const LoadedPhoto& photo, const std::string& error) {
    // Nothing of an earlier picture stays: it would be another frame's, or an older version's.
    setRenderedPreview(QImage());
    renderedGeometry_.reset();
    setOriginalPreview(QImage());
    cachedOriginalPhotoID_.reset();
    cachedOriginal_ = QImage();
    setHistogramData(HistogramData::empty());
    // Said once per frame, though each of its renders fails again.
    if (previewLoadError_ == error) return;
    setPreviewLoadError(error);
    setStatusMessage(L10n::tr("status.scanLoadFailed", photo.title(), error));
}

void DarkroomViewModel::endInteraction() {
    setIsInteracting(false);
    requestRender(RenderQuality::final);
}

}  // namespace vantrel
