// What a render request keeps, saves and cancels before RenderScheduler starts
// it, and how a finished render is published; the sharp region of a zoomed
// canvas and the canvas-sized render at fit: which part of the frame to render
// from the full scan, and when.
#include <algorithm>
#include <cmath>

#include "engine/io/ImageLoader.h"
#include "services/L10n.h"
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

namespace {

// A pan rests this long before the region is rendered again.
constexpr int kPanPauseMs = 60;
constexpr double kFitZoom = ZoomControl::kFitZoom;

int longEdge(const LoadedPhoto& photo) {
    return int(std::lround(std::max(photo.dimensions().width, photo.dimensions().height)));
}

}  // namespace

void DarkroomViewModel::connectSharpRegion() {
    sharpRegions_ = std::make_unique<SharpRegionScheduler>(services_.render, renderPool_, kPanPauseMs);
    connect(sharpRegions_.get(), &SharpRegionScheduler::rendered, this, [this](SharpRegion region) {
        setSharpRegion(std::move(region));
    });
    for (auto signal : {&DarkroomViewModel::zoomScaleChanged, &DarkroomViewModel::panOffsetChanged,
                        &DarkroomViewModel::canvasViewportSizeChanged, &DarkroomViewModel::canvasDevicePixelRatioChanged})
        connect(this, signal, this, &DarkroomViewModel::followCanvas);
}

RenderJob DarkroomViewModel::renderJobFor(const LoadedPhoto& photo) const {
    RenderJob job{photo, parameters_};
    job.framing = isCroppingMode() ? Framing::uncropped : Framing::cropped;
    job.dustView = isRetouchMode() ? DustView::allowed : DustView::withheld;
    job.omitsFilmFrame = toolMode() != ToolMode::viewing;
    return job;
}

void DarkroomViewModel::takeSubjectMask(RenderJob& job) {
    const SubjectMasks::Lookup lookup = subjectMasks_.forRender(job, SubjectMasks::Urgency::shown);
    // Rendered without it meanwhile, and again once it is there (subjectMaskSettled).
    if (lookup.started && selectedPhotoID_ == frameID(job.photo) && (status_.isResting() || status_.isFrameNews()))
        status_.showFrameNews(L10n::text("status.subjectMaskAnalyzing"));
}

CanvasView DarkroomViewModel::canvasView() const {
    return {previewFrameSize(), canvasViewportSize_, zoomScale_, panOffset_, canvasDevicePixelRatio_};
}

std::optional<FrameRegion> DarkroomViewModel::wantedSharpRegion() const {
    // Only the viewing canvas zooms; the tools show the whole frame.
    if (toolMode() != ToolMode::viewing || zoomScale_ <= kFitZoom) return std::nullopt;
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo || renderedFrameSize_.isEmpty() || !isPreviewOf(frameID(*photo))) return std::nullopt;
    const int scan = longEdge(*photo);
    if (scan <= 0) return std::nullopt;
    return sharpRegionFor(canvasView(), double(std::min(scan, ImageLoader::kProxyLongEdge)) / scan);
}

int DarkroomViewModel::interactiveRenderSize() const {
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo || zoomScale_ > kFitZoom) return 0;
    CanvasView view = canvasView();
    view.zoom = 1;
    return interactivePixelSize(view, longEdge(*photo), ImageLoader::kProxyLongEdge);
}

void DarkroomViewModel::dropSharpRegion() {
    if (sharpRegions_) sharpRegions_->cancel();
    shownRegionRequest_.reset();
    if (!sharpRegion_.isNull()) setSharpRegion({});
}

void DarkroomViewModel::renderSharpRegionThen(const RenderJob& job, std::function<void()> then) {
    const std::optional<FrameRegion> region = wantedSharpRegion();
    if (!region) {
        if (then) then();
        return;
    }
    RenderJob part = job;
    part.useProxy = false;
    part.maxPixelSize = 0;
    part.needsOriginal = part.wantsHistogram = part.wantsThumbnail = false;
    part.region = region;
    shownRegionRequest_ = region;
    sharpRegions_->render(std::move(part), std::move(then));
}

void DarkroomViewModel::followCanvas() {
    const std::optional<FrameRegion> region = wantedSharpRegion();
    if (!region) {
        dropSharpRegion();
        return;
    }
    // Still covered at the same scale: nothing to do.
    if (shownRegionRequest_ && std::abs(shownRegionRequest_->scale - region->scale) < 1e-9 &&
        regionCovers(*shownRegionRequest_, canvasView()))
        return;
    // An edit's full render is waiting for its pause: the region comes with it.
    if (renders_->isFullRenderWaiting()) return;
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo) return;
    RenderJob part = renderJobFor(*photo);
    takeSubjectMask(part);
    part.region = region;
    shownRegionRequest_ = region;
    sharpRegions_->renderAfterPause(std::move(part));
}

void DarkroomViewModel::editRecipe(const std::function<void(EditParameters&)>& change, RenderQuality quality) {
    EditParameters recipe = parameters_;
    change(recipe);
    setParameters(std::move(recipe));
    requestRender(quality);
}

void DarkroomViewModel::requestRender(RenderQuality quality) {
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo) return;
    roll_.persistRecipe(quality == RenderQuality::final ? SaveTiming::now : SaveTiming::delayed);

    renders_->cancel();
    dropSharpRegion();

    RenderJob job = renderJobFor(*photo);
    takeSubjectMask(job);
    job.needsOriginal = cachedOriginal_.isNeededFor(job);
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
    setRenderedPhotoArea(result.photoArea);
    setRenderedPreview(std::move(result.preview));
    if (result.histogram) setHistogramData(std::move(*result.histogram));
    if (job.needsOriginal && !result.original.isNull()) {
        cachedOriginal_ = {id, job.recipe.crop, job.framing, result.original};
        setOriginalPreview(std::move(result.original));
    }
    if (!result.thumbnail.isNull())
        roll_.updateFilmstripThumbnail(id, result.thumbnail, &job, !job.recipe.sameContent(EditParameters::defaultValue()));
    // Said once per showing of the frame, though later renders find it again.
    if (result.scanEndsEarly && toldIncompleteScan_ != id) {
        toldIncompleteScan_ = id;
        status_.showFrameNews(L10n::text("status.scanIncomplete", job.photo.title()));
    }
}

bool DarkroomViewModel::isPreviewGeometryCurrent() const {
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo || !renderedGeometry_ || !isPreviewOf(frameID(*photo))) return false;
    const RenderJob now = renderJobFor(*photo);
    return *renderedGeometry_ == FrameGeometry::of(now);
}

void DarkroomViewModel::showLoadError(const LoadedPhoto& photo, const LocalText& error) {
    // Nothing of an earlier picture stays: it would be another frame's, or an older version's.
    setRenderedPreview(QImage());
    renderedGeometry_.reset();
    setOriginalPreview(QImage());
    cachedOriginal_ = {};
    setHistogramData(HistogramData::empty());
    // Said once per frame, though each of its renders fails again.
    if (previewLoadError_ == error) return;
    setPreviewLoadError(error);
    status_.showFrameNews(L10n::text("status.scanLoadFailed", photo.title(), error));
}

void DarkroomViewModel::endInteraction() {
    setIsInteracting(false);
    requestRender(RenderQuality::final);
}

}  // namespace vantrel
