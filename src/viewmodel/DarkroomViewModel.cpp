#include "viewmodel/DarkroomViewModel.h"

#include <QCoreApplication>

#include "model/MaskRules.h"
#include "services/FilmPresetLibrary.h"
#include "services/L10n.h"

namespace vantrel {

DarkroomViewModel::DarkroomViewModel(ViewModelServices services, QObject* parent)
    : QObject(parent), services_(std::move(services)) {
    if (!services_.panelFolders) services_.panelFolders = std::make_shared<PanelFolders>(services_.settings);
    presets_ = FilmPresetLibrary::builtInPresets();
    // The live recipe of the current frame, else the kept, stored or sample one, else neutral.
    const auto recipeOf = [this](const LoadedPhoto& photo) {
        return selectedPhotoID_ == frameID(photo) ? parameters_ : roll_.keptRecipe(photo);
    };
    exports_ = std::make_unique<ExportController>(*this, services_, recipeOf, subjectMasks_, editPool_,
                                                  editShutdown_.get_token());
    // Each render already spreads over every core; a few threads let a
    // superseded job wind down while its successor starts.
    renderPool_.setMaxThreadCount(3);

    renders_ = std::make_unique<RenderScheduler>(
        services_.render, renderPool_, services_.timings.fullRenderDelay,
        [this](RenderScheduler::Pass, const RenderJob& job, RenderResult result) { publishRender(job, std::move(result)); },
        [this](const RenderJob& job, std::function<void()> then) { renderSharpRegionThen(job, std::move(then)); });
    connectSharpRegion();
    for (auto changed : {&DarkroomViewModel::isCroppingModeChanged, &DarkroomViewModel::isRetouchModeChanged,
                         &DarkroomViewModel::isMaskModeChanged})
        connect(this, changed, this, &DarkroomViewModel::followToolMode);
    connect(&subjectMasks_, &SubjectMasks::settled, this, &DarkroomViewModel::subjectMaskSettled);
    // Another roll: the masks and analyses of the frames it replaced go.
    connect(this, &DarkroomViewModel::photosChanged, this, [this] {
        std::set<Uuid> frames;
        for (const LoadedPhoto& photo : photos_) frames.insert(frameID(photo));
        subjectMasks_.keepOnly(frames);
    });
    // The one place every recipe of the frame on screen passes, once per change: its crop, spots
    // and masks follow its geometry first (set in place, since this very report tells of it), then
    // the healing history notes the spots as they now stand.
    connect(this, &DarkroomViewModel::parametersChanged, this, [this] {
        const LoadedPhoto* photo = selectedPhoto();
        if (std::optional<EditParameters> moved = geometryFollower_.follow(
                selectedPhotoID_, photo ? scanSizeOf(*photo) : PhotoSize{}, parameters_,
                [this](const GeometryMove& step) { spotHistory_.move(step); }))
            parameters_ = std::move(*moved);
        spotHistory_.follow(selectedPhotoID_, parameters_.spotHealing.spots);
    });

    if (services_.presets) setCustomPresets(services_.presets->loadPresets());
    // The remembered folder (bookmark, else path), else the sample roll, with the remembered frame.
    roll_.restoreLastSession();

    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &DarkroomViewModel::saveAllOnQuit);
}

bool DarkroomViewModel::isIdle() const {
    for (const QThreadPool* pool : {&renderPool_, &editPool_})
        if (pool->activeThreadCount() > 0) return false;
    return !renders_->isFullRenderWaiting() && !sharpRegions_->isWaiting() && !roll_.hasPendingSave() &&
           roll_.isThumbnailLoopIdle() && !zoom_.isAnimating() && !isBatchExporting() && subjectMasks_.isIdle();
}

DarkroomViewModel::~DarkroomViewModel() {
    renders_->cancel();
    sharpRegions_->cancel();
    comparisonTask_.cancel();
    // Exports under way stop and leave their destinations as they were.
    editShutdown_.request_stop();
    exports_->stop();
    // An export waiting for a mask is never begun.
    subjectMasks_.stop();
    editPool_.waitForDone();
    renderPool_.waitForDone();
}

const std::array<Uuid, 3>& DarkroomViewModel::sampleRollPhotoIDs() {
    static const std::array<Uuid, 3> ids{*Uuid::parse("00000000-0000-0000-0000-000000000001"),
                                         *Uuid::parse("00000000-0000-0000-0000-000000000002"),
                                         *Uuid::parse("00000000-0000-0000-0000-000000000003")};
    return ids;
}

// ---------------------------------------------------------------- frames and their snapshots

const SnapshotItem* DarkroomViewModel::activeComparisonSnapshot() const {
    if (!activeComparisonSnapshotID_) return nullptr;
    for (const SnapshotItem& snapshot : snapshots_)
        if (snapshot.id == *activeComparisonSnapshotID_) return &snapshot;
    return nullptr;
}

void DarkroomViewModel::selectPhoto(Uuid id) {
    if (selectedPhotoID_ == id) return;
    std::optional<LoadedPhoto> unpictured;
    if (const LoadedPhoto* outgoing = selectedPhoto()) {
        if (isPreviewOf(frameID(*outgoing))) roll_.keepPreviewAsThumbnail(frameID(*outgoing), renderedPreview_);
        else unpictured = *outgoing;
        // Written now: a delayed save would be superseded by the incoming
        // frame's first save and the last edit of this one lost.
        roll_.persistRecipe(SaveTiming::now);
        roll_.persistSnapshots();
    }
    setSelectedPhotoID(id);
    // Left before its render showed: its picture is made in the background.
    if (unpictured) roll_.refreshPictures({*unpictured});
    // The last frame's news ("subject identified", "A/B compare active") is not this one's.
    status_.clearFrameNews();
    setZoomScale(1.0);
    setPanOffset(QSizeF(0, 0));
    if (const LoadedPhoto* photo = roll_.photoWithID(id)) roll_.rememberSelection(*photo);
    loadSelectedPhoto();
    roll_.rebuildFilmstrip();
}

void DarkroomViewModel::loadSelectedPhoto() {
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo) {
        showNoFrame();
        return;
    }
    const Uuid id = frameID(*photo);
    // Another frame's failure is not this one's; its own render tells.
    if (previewLoadError_) setPreviewLoadError(std::nullopt);
    toldIncompleteScan_.reset();

    const std::optional<EditParameters> recipe = roll_.latestRecipe(*photo);
    geometryFollower_.restart();
    setParameters(recipe.value_or(EditParameters::defaultValue()));
    roll_.keepRecipe(id, parameters_);
    // A mask chosen on the frame before is none of this one's (unless copied with its
    // identifier): this frame's first mask is chosen, as entering the mask mode does, or none,
    // so the mask display and bar never stand for a mask the frame shown does not have.
    if (selectedMaskID_ && !locateMask(parameters_.masks, selectedMaskID_))
        setSelectedMaskID(firstMaskID(parameters_.masks));
    // A frame without a recipe of its own starts from the neutral one.
    setActivePresetID(recipe ? std::nullopt : std::optional<std::string>("neutral"));
    if (roll_.isRecipeUnreadable(*photo)) status_.showFrameNews(L10n::text("status.savedEditsUnreadable", photo->title()));
    // Analysed in the background (for its filmstrip picture) before it was shown: why its grade does not show.
    if (subjectMasks_.hasNoSubject(id) && !parameters_.subjectMask.isIdentity())
        status_.showFrameNews(L10n::text("status.subjectMaskNotFound"));
    loadSnapshots();
    requestRender(RenderQuality::final);
}

void DarkroomViewModel::showNoFrame() {
    // Nothing of a frame shown before stays: it would be another roll's.
    renders_->cancel();
    dropSharpRegion();
    renderedPreviewPhotoID_.reset();
    renderedGeometry_.reset();
    cachedOriginal_ = {};
    setRenderedPreview(QImage());
    setOriginalPreview(QImage());
    setHistogramData(HistogramData::empty());
    if (previewLoadError_) setPreviewLoadError(std::nullopt);
    geometryFollower_.restart();
    setParameters(EditParameters::defaultValue());
    loadSnapshots();
}

void DarkroomViewModel::loadSnapshots() {
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo) {
        setSnapshots({});
        setActiveComparisonSnapshotID(std::nullopt);
        setSnapshotComparisonPreview(QImage());
        return;
    }
    setSnapshots(roll_.storedSnapshots(*photo));
    if (activeComparisonSnapshotID_ && !activeComparisonSnapshot()) {
        setActiveComparisonSnapshotID(std::nullopt);
        setSnapshotComparisonPreview(QImage());
    } else if (activeComparisonSnapshotID_) {
        // The compared snapshot exists on this frame too: show it rendered on this frame.
        refreshSnapshotComparisonPreview();
    }
}

}  // namespace vantrel
