// Crop mode, quarter turns, the flip, the crop reset and horizon levelling.
#include <QMetaObject>

#include "services/L10n.h"
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

void DarkroomViewModel::setToolMode(ToolMode mode) {
    toolMode_ = mode;
    Q_EMIT isCroppingModeChanged();
    Q_EMIT isRetouchModeChanged();
    Q_EMIT isMaskModeChanged();
    Q_EMIT stateChanged();
}

void DarkroomViewModel::setToolFlag(ToolMode mode, bool on) {
    setToolMode(on ? mode : toolMode_ == mode ? ToolMode::viewing : toolMode_);
}

void DarkroomViewModel::toggleCropMode() {
    setToolMode(isCroppingMode() ? ToolMode::viewing : ToolMode::crop);
    requestRender(RenderQuality::final);
    setStatusMessage(L10n::tr(isCroppingMode() ? "status.cropEntered" : "status.cropFinished"));
}

void DarkroomViewModel::saveCrop() {
    setIsCroppingMode(false);
    requestRender(RenderQuality::final);
    setStatusMessage(L10n::tr("status.cropSaved"));
}

void DarkroomViewModel::addQuarterTurn() {
    // Truncating remainder: a negative count from an older file stays negative until it passes 0.
    editRecipe([](EditParameters& recipe) { recipe.crop.quarterTurns = (recipe.crop.quarterTurns + 1) % 4; });
    roll_.rebuildFilmstrip();
}

void DarkroomViewModel::subtractQuarterTurn() {
    editRecipe([](EditParameters& recipe) { recipe.crop.quarterTurns = (recipe.crop.quarterTurns + 3) % 4; });
    roll_.rebuildFilmstrip();
}

void DarkroomViewModel::toggleFlipHorizontal() {
    editRecipe([](EditParameters& recipe) { recipe.crop.isFlippedH = !recipe.crop.isFlippedH; });
    roll_.rebuildFilmstrip();
}

void DarkroomViewModel::resetCrop() {
    editRecipe([](EditParameters& recipe) { recipe.crop = CropParameters::defaultValue(); });
    roll_.rebuildFilmstrip();
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
        roll_.persistRecipe(SaveTiming::now);
        roll_.rebuildFilmstrip();
        setStatusMessage(L10n::tr("status.horizonCalibrated", *angle));
    } else {
        setStatusMessage(L10n::tr("status.horizonNotFound"));
    }
    if (--horizonDetectionsRunning_ <= 0) {
        horizonDetectionsRunning_ = 0;
        setIsDetectingHorizon(false);
    }
    requestRender(RenderQuality::final);
}

}  // namespace vantrel
