// Crop mode, quarter turns, the flip, the crop reset and horizon levelling.
#include <QMetaObject>

#include "services/L10n.h"
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

void DarkroomViewModel::toggleCropMode() {
    if (isRetouchMode_) setIsRetouchMode(false);
    if (isMaskMode_) setIsMaskMode(false);
    setIsCroppingMode(!isCroppingMode_);
    requestRender(true);
    setStatusMessage(L10n::tr(isCroppingMode_ ? "status.cropEntered" : "status.cropFinished"));
}

void DarkroomViewModel::saveCrop() {
    setIsCroppingMode(false);
    requestRender(true);
    setStatusMessage(L10n::tr("status.cropSaved"));
}

void DarkroomViewModel::addQuarterTurn() {
    EditParameters recipe = parameters_;
    // Truncating remainder: a negative count from an older file stays negative until it passes 0.
    recipe.crop.quarterTurns = (recipe.crop.quarterTurns + 1) % 4;
    setParameters(std::move(recipe));
    commitRecipe(true);
}

void DarkroomViewModel::subtractQuarterTurn() {
    EditParameters recipe = parameters_;
    recipe.crop.quarterTurns = (recipe.crop.quarterTurns + 3) % 4;
    setParameters(std::move(recipe));
    commitRecipe(true);
}

void DarkroomViewModel::toggleFlipHorizontal() {
    EditParameters recipe = parameters_;
    recipe.crop.isFlippedH = !recipe.crop.isFlippedH;
    setParameters(std::move(recipe));
    commitRecipe(true);
}

void DarkroomViewModel::resetCrop() {
    EditParameters recipe = parameters_;
    recipe.crop = CropParameters::defaultValue();
    setParameters(std::move(recipe));
    commitRecipe(true);
    setStatusMessage(L10n::tr("status.cropReset"));
}

void DarkroomViewModel::autoLevelHorizon() {
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo) return;
    ++horizonDetectionsRunning_;
    setIsDetectingHorizon(true);
    setStatusMessage(L10n::tr("status.horizonDetecting"));

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
    if (selectedPhotoID_ != frame) {
        // Measured on a frame the user has left: the frame now shown keeps its own geometry.
        if (statusMessage_ == L10n::tr("status.horizonDetecting")) setStatusMessage(L10n::tr("status.ready"));
    } else if (angle) {
        EditParameters recipe = parameters_;
        recipe.crop.straightenAngle = *angle;
        setParameters(std::move(recipe));
        persistRecipe(true);
        rebuildFilmstrip();
        setStatusMessage(L10n::tr("status.horizonCalibrated", *angle));
    } else {
        setStatusMessage(L10n::tr("status.horizonNotFound"));
    }
    if (--horizonDetectionsRunning_ <= 0) {
        horizonDetectionsRunning_ = 0;
        setIsDetectingHorizon(false);
    }
    requestRender(true);
}

}  // namespace vantrel
