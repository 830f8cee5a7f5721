// The canvas's tools: crop mode, quarter turns, the flip, the crop reset and
// horizon levelling; local masks and the detected subject mask; spot healing
// with its dust view.
#include <algorithm>

#include <QMetaObject>

#include "engine/analysis/horizon/HorizonDetector.h"
#include "model/MaskRules.h"
#include "services/L10n.h"
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

ToolMode DarkroomViewModel::toolMode() const {
    if (isCroppingMode_) return ToolMode::crop;
    if (isRetouchMode_) return ToolMode::retouch;
    return isMaskMode_ ? ToolMode::mask : ToolMode::viewing;
}

void DarkroomViewModel::followToolMode() {
    const ToolMode now = toolMode();
    if (now == shownToolMode_) return;
    shownToolMode_ = now;
    // Kept past a tool, a hold would show the undeveloped frame on the way back.
    if (isHoldingOriginal_) setIsHoldingOriginal(false);
}

void DarkroomViewModel::leaveToolsBut(ToolMode kept) {
    if (kept != ToolMode::crop && isCroppingMode_) setIsCroppingMode(false);
    if (kept != ToolMode::retouch && isRetouchMode_) setIsRetouchMode(false);
    if (kept != ToolMode::mask && isMaskMode_) setIsMaskMode(false);
}

void DarkroomViewModel::toggleCropMode() {
    leaveToolsBut(ToolMode::crop);
    setIsCroppingMode(!isCroppingMode_);
    requestRender(RenderQuality::final);
    status_.showFrameNews(L10n::text(isCroppingMode() ? "status.cropEntered" : "status.cropFinished"));
}

void DarkroomViewModel::saveCrop() {
    setIsCroppingMode(false);
    requestRender(RenderQuality::final);
    status_.showFrameNews(L10n::text("status.cropSaved"));
}

namespace {

// Quarter turns are applied before the mirror, so on a mirrored frame a stored
// turn shows the other way round: the step that turns the picture as seen, by
// `seen` quarters clockwise (1 or 3), is the opposite one there.
void turnAsSeen(CropParameters& crop, int seen) {
    const bool mirrored = crop.isFlippedH != crop.isFlippedV;
    // Truncating remainder: a negative count from an older file stays negative until it passes 0.
    crop.quarterTurns = (crop.quarterTurns + (mirrored ? 4 - seen : seen)) % 4;
}

}  // namespace

void DarkroomViewModel::addQuarterTurn() {
    editRecipe([](EditParameters& recipe) { turnAsSeen(recipe.crop, 1); });
    roll_.rebuildFilmstrip();
}

void DarkroomViewModel::subtractQuarterTurn() {
    editRecipe([](EditParameters& recipe) { turnAsSeen(recipe.crop, 3); });
    roll_.rebuildFilmstrip();
}

void DarkroomViewModel::toggleFlipHorizontal() {
    editRecipe([](EditParameters& recipe) { recipe.crop.isFlippedH = !recipe.crop.isFlippedH; });
    roll_.rebuildFilmstrip();
}

void DarkroomViewModel::resetCrop() {
    editRecipe([](EditParameters& recipe) { recipe.crop = CropParameters::defaultValue(); });
    roll_.rebuildFilmstrip();
    status_.showFrameNews(L10n::text("status.cropReset"));
}

void DarkroomViewModel::autoLevelHorizon() {
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo) return;
    ++horizonDetectionsRunning_;
    setIsDetectingHorizon(true);
    status_.showFrameNews(L10n::text("status.horizonDetecting"));

    const Uuid frame = frameID(*photo);
    editPool_.start([this, analysis = services_.analysis, photo = *photo, frame] {
        std::optional<double> angle;
        if (analysis) angle = analysis->detectHorizonAngle(photo);
        // Queued to the GUI thread; the destructor waits for this pool, so `this` is alive.
        QMetaObject::invokeMethod(
            this, [this, frame, angle] { applyHorizonAngle(frame, angle); }, Qt::QueuedConnection);
    });
}

void DarkroomViewModel::applyHorizonAngle(const Uuid& frame, std::optional<double> angle) {
    if (angle && HorizonDetector::looksLevel(*angle)) angle = 0.0;
    if (selectedPhotoID_ != frame) {
        // Measured on a frame the user has left: the frame now shown keeps its own geometry.
        status_.clearIf(L10n::text("status.horizonDetecting"));
    } else if (angle && *angle == 0.0 && parameters_.crop.straightenAngle == 0.0) {
        // A level horizon asks for no turn: nothing to save, and no turn to announce.
        status_.showFrameNews(L10n::text("status.horizonAlreadyLevel"));
    } else if (angle) {
        EditParameters recipe = parameters_;
        recipe.crop.straightenAngle = *angle;
        setParameters(std::move(recipe));
        roll_.persistRecipe(SaveTiming::now);
        roll_.rebuildFilmstrip();
        // The scan stands level as it is: the straightening set by hand is what turned it.
        status_.showFrameNews(*angle == 0.0 ? L10n::text("status.horizonStraighteningRemoved")
                                            : L10n::text("status.horizonCalibrated", *angle));
    } else {
        status_.showFrameNews(L10n::text("status.horizonNotFound"));
    }
    horizonDetectionsRunning_ = std::max(0, horizonDetectionsRunning_ - 1);
    if (horizonDetectionsRunning_ == 0) setIsDetectingHorizon(false);
    requestRender(RenderQuality::final);
}

void DarkroomViewModel::toggleMaskMode() {
    leaveToolsBut(ToolMode::mask);
    setIsMaskMode(!isMaskMode_);
    if (isMaskMode()) {
        if (!selectedMaskID_) setSelectedMaskID(firstMaskID(parameters_.masks));
        if (!selectedMaskID_) addMask(MaskKind::linear);
    }
    requestRender(RenderQuality::final);
    status_.showFrameNews(L10n::text(isMaskMode() ? "status.maskEntered" : "status.maskExited"));
}

void DarkroomViewModel::finishMaskEditing() {
    setIsMaskMode(false);
    requestRender(RenderQuality::final);
    status_.showFrameNews(L10n::text("status.maskSaved"));
}

void DarkroomViewModel::addMask(MaskKind kind) {
    forEachMaskKind([&](const auto& row) {
        if (row.kind != kind) return;
        auto mask = row.placed();
        // Its kind's name, numbered after the masks of that kind.
        mask.name = L10n::tr(row.nameKey, int((parameters_.masks.*row.member).size()) + 1);
        const Uuid id = mask.id;
        // Crop and retouch stay on: the mask waits beneath them until they finish.
        if (!isMaskMode()) setIsMaskMode(true);
        editRecipe([&](EditParameters& recipe) { (recipe.masks.*row.member).push_back(std::move(mask)); });
        setSelectedMaskID(id);
        status_.showFrameNews(L10n::text(row.createdKey));
    });
}

void DarkroomViewModel::deleteSelectedMask() {
    if (!selectedMaskID_) return;
    const Uuid id = *selectedMaskID_;
    editRecipe([&](EditParameters& recipe) { removeMask(recipe.masks, id); });
    setSelectedMaskID(firstMaskID(parameters_.masks));
    status_.showFrameNews(L10n::text("status.maskDeleted"));
}

void DarkroomViewModel::clearAllMasks() {
    editRecipe([](EditParameters& recipe) { recipe.masks = {}; });
    setSelectedMaskID(std::nullopt);
    status_.showFrameNews(L10n::text("status.allMasksCleared"));
}

void DarkroomViewModel::detectSubject() {
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo) return;
    ++subjectDetectionsRunning_;
    setIsDetectingSubject(true);
    status_.showFrameNews(L10n::text("status.visionAnalyzing"));

    const Uuid frame = frameID(*photo);
    editPool_.start([this, analysis = services_.analysis, photo = *photo, frame] {
        std::optional<AnalysisService::FoundSubject> found;
        if (analysis) found = analysis->findSubject(photo);
        std::optional<Image> mask;
        const bool distinct = found && found->distinct;
        if (found) mask = std::move(found->mask);
        // Queued to the GUI thread; the destructor waits for this pool, so `this` is alive.
        QMetaObject::invokeMethod(
            this, [this, frame, distinct, mask = std::move(mask)]() mutable { applySubjectMask(frame, std::move(mask), distinct); },
            Qt::QueuedConnection);
    });
}

namespace {

// A detected subject switched on, with a starting separation unless the user
// has graded either side already.
void gradeDetectedSubject(SubjectMaskParameters& subject) {
    subject.isEnabled = true;
    subject.hasDetectedSubject = true;
    if (subject.subject.isIdentity() && subject.background.isIdentity()) {
        subject.subject.exposure = 0.35;
        subject.background.exposure = -0.35;
    }
}

}  // namespace

void DarkroomViewModel::applySubjectMask(const Uuid& frame, std::optional<Image> mask, bool distinct) {
    subjectDetectionsRunning_ = std::max(0, subjectDetectionsRunning_ - 1);
    if (subjectDetectionsRunning_ == 0) setIsDetectingSubject(false);
    const LoadedPhoto* photo = roll_.photoWithID(frame);
    if (!photo) {
        // Its roll has been left: nothing of it is open to take the answer.
        status_.clearIf(L10n::text("status.visionAnalyzing"));
        return;
    }
    const bool found = mask.has_value();
    if (found) subjectMasks_.store(frame, std::move(*mask));

    if (selectedPhotoID_ == frame) {
        if (found) {
            EditParameters recipe = parameters_;
            gradeDetectedSubject(recipe.subjectMask);
            setParameters(std::move(recipe));
            // Only what draws the eye, where no subject stands out: said as the fallback it is.
            status_.showFrameNews(L10n::text(distinct ? "status.visionSuccess" : "status.visionFallback"));
        } else {
            status_.showFrameNews(L10n::text("status.visionFallback"));
        }
        requestRender(RenderQuality::final);
        return;
    }
    // The user has moved on: the answer goes into the analysed frame's own
    // recipe, saved like any edit, and the frame now shown is left alone.
    if (!found) {
        setStatusMessage(L10n::text("status.visionFallbackOn", photo->title()));
        return;
    }
    roll_.editStoredRecipes({*photo},
                            [](EditParameters& recipe, const LoadedPhoto&) { gradeDetectedSubject(recipe.subjectMask); });
    setStatusMessage(L10n::text(distinct ? "status.visionSuccessOn" : "status.visionFallbackOn", photo->title()));
}

void DarkroomViewModel::subjectMaskSettled(const Uuid& frame, bool found) {
    const LoadedPhoto* photo = roll_.photoWithID(frame);
    if (!photo) return;
    if (selectedPhotoID_ != frame) {
        // Its filmstrip picture was made without the mask.
        if (found) roll_.refreshPictures({*photo});
        return;
    }
    if (!found) {
        // A scan that cannot be read has said so already.
        if (!previewLoadError_) status_.showFrameNews(L10n::text("status.subjectMaskNotFound"));
        return;
    }
    status_.clearIf(L10n::text("status.subjectMaskAnalyzing"));
    // A continuing drag renders with the mask at its next step and at its end.
    if (!isInteracting_) requestRender(RenderQuality::final);
    if (activeComparisonSnapshotID_) refreshSnapshotComparisonPreview();
}

void DarkroomViewModel::resetSubjectMask() {
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo) return;
    subjectMasks_.forget(frameID(*photo));
    editRecipe([](EditParameters& recipe) { recipe.subjectMask = SubjectMaskParameters::defaultValue(); });
    status_.showFrameNews(L10n::text("status.subjectReset"));
}

void DarkroomViewModel::toggleRetouchMode() {
    leaveToolsBut(ToolMode::retouch);
    setIsRetouchMode(!isRetouchMode_);
    requestRender(RenderQuality::final);
    status_.showFrameNews(L10n::text(isRetouchMode() ? "status.retouchEntered" : "status.retouchExited"));
}

void DarkroomViewModel::saveRetouch() {
    setIsRetouchMode(false);
    setSelectedRetouchSpotID(std::nullopt);
    editRecipe([](EditParameters& recipe) { recipe.spotHealing.isVisualizeDustMode = false; });
    status_.showFrameNews(L10n::text("status.retouchSaved"));
}

void DarkroomViewModel::undoLastHealingSpot() {
    std::optional<SpotHistory::Undone> undone = spotHistory_.undo(parameters_.spotHealing.spots);
    if (!undone) return;
    editRecipe([&](EditParameters& recipe) { recipe.spotHealing.spots = undone->spots; });
    // A spot put back is selected, as a spot just made is; one taken away no longer is.
    if (undone->restored.size() == 1) setSelectedRetouchSpotID(undone->restored.front());
    else if (std::none_of(undone->spots.begin(), undone->spots.end(),
                          [&](const SpotItem& spot) { return spot.id == selectedRetouchSpotID_; }))
        setSelectedRetouchSpotID(std::nullopt);
    status_.showFrameNews(L10n::text("status.undoHealing"));
}

void DarkroomViewModel::removeSelectedHealingSpot() {
    if (!selectedRetouchSpotID_) return;
    const Uuid id = *selectedRetouchSpotID_;
    editRecipe([&](EditParameters& recipe) {
        std::erase_if(recipe.spotHealing.spots, [&](const SpotItem& spot) { return spot.id == id; });
    });
    setSelectedRetouchSpotID(std::nullopt);
    status_.showFrameNews(L10n::text("status.removeSelectedHealing"));
}

void DarkroomViewModel::clearAllHealingSpots() {
    editRecipe([](EditParameters& recipe) { recipe.spotHealing.spots.clear(); });
    setSelectedRetouchSpotID(std::nullopt);
    status_.showFrameNews(L10n::text("status.clearAllHealing"));
}

void DarkroomViewModel::toggleDustMode() {
    editRecipe([](EditParameters& recipe) {
        recipe.spotHealing.isVisualizeDustMode = !recipe.spotHealing.isVisualizeDustMode;
    });
    status_.showFrameNews(
        L10n::text(parameters_.spotHealing.isVisualizeDustMode ? "status.dustModeEnabled" : "status.dustModeDisabled"));
}

}  // namespace vantrel
