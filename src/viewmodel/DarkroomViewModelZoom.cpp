// Spot healing, the dust-inspection view, and the canvas zoom.
#include <algorithm>
#include <cmath>

#include "services/L10n.h"
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

namespace {

// Up to this factor the canvas counts as fitted.
constexpr double kFitThreshold = 1.05;

}  // namespace

void DarkroomViewModel::toggleRetouchMode() {
    setToolMode(isRetouchMode() ? ToolMode::viewing : ToolMode::retouch);
    requestRender(RenderQuality::final);
    setStatusMessage(L10n::tr(isRetouchMode() ? "status.retouchEntered" : "status.retouchExited"));
}

void DarkroomViewModel::saveRetouch() {
    setIsRetouchMode(false);
    setSelectedRetouchSpotID(std::nullopt);
    editRecipe([](EditParameters& recipe) { recipe.spotHealing.isVisualizeDustMode = false; });
    setStatusMessage(L10n::tr("status.retouchSaved"));
}

void DarkroomViewModel::undoLastHealingSpot() {
    if (parameters_.spotHealing.spots.empty()) return;
    const Uuid removed = parameters_.spotHealing.spots.back().id;
    editRecipe([](EditParameters& recipe) { recipe.spotHealing.spots.pop_back(); });
    if (selectedRetouchSpotID_ == removed) setSelectedRetouchSpotID(std::nullopt);
    setStatusMessage(L10n::tr("status.undoHealing"));
}

void DarkroomViewModel::removeSelectedHealingSpot() {
    if (!selectedRetouchSpotID_) return;
    const Uuid id = *selectedRetouchSpotID_;
    editRecipe([&](EditParameters& recipe) {
        std::erase_if(recipe.spotHealing.spots, [&](const SpotItem& spot) { return spot.id == id; });
    });
    setSelectedRetouchSpotID(std::nullopt);
    setStatusMessage(L10n::tr("status.removeSelectedHealing"));
}

void DarkroomViewModel::clearAllHealingSpots() {
    editRecipe([](EditParameters& recipe) { recipe.spotHealing.spots.clear(); });
    setSelectedRetouchSpotID(std::nullopt);
    setStatusMessage(L10n::tr("status.clearAllHealing"));
}

void DarkroomViewModel::toggleDustMode() {
    editRecipe([](EditParameters& recipe) {
        recipe.spotHealing.isVisualizeDustMode = !recipe.spotHealing.isVisualizeDustMode;
    });
    setStatusMessage(
        L10n::tr(parameters_.spotHealing.isVisualizeDustMode ? "status.dustModeEnabled" : "status.dustModeDisabled"));
}

QSize DarkroomViewModel::previewFrameSize() const {
    const LoadedPhoto* photo = selectedPhoto();
    if (!photo) return {};
    if (!renderedPreview_.isNull() && !renderedFrameSize_.isEmpty()) return renderedFrameSize_;
    return {int(std::lround(photo->dimensions().width)), int(std::lround(photo->dimensions().height))};
}

double DarkroomViewModel::actualPixelsZoomFactor() const {
    const QSize frame = previewFrameSize();
    const double w = frame.width();
    const double h = frame.height();
    if (!(w > 0) || !(h > 0)) return 2.0;

    double vw = canvasViewportSize_.width();
    double vh = canvasViewportSize_.height();
    if (!(vw > 20) || !(vh > 20)) {
        vw = 1000;
        vh = 700;
    }
    // The fitted image fills the canvas's height when it is narrower than the canvas, else its width.
    const double fittedWidth = w / h < vw / vh ? w / h * vh : vw;
    return std::max(1.0, w / std::max(fittedWidth, 1.0));
}

void DarkroomViewModel::setZoomAnimated(double scale, bool showNavigator) {
    isZoomAnimating_ = true;
    setZoomScale(scale);
    setPanOffset(QSizeF(0, 0));
    if (showNavigator) setIsNavigatorVisible(true);
    isZoomAnimating_ = false;
}

void DarkroomViewModel::panAnimated(QSizeF offset) {
    isZoomAnimating_ = true;
    setPanOffset(offset);
    isZoomAnimating_ = false;
}

void DarkroomViewModel::resetZoom() {
    setZoomScale(1.0);
    setPanOffset(QSizeF(0, 0));
}

void DarkroomViewModel::setZoom(double scale) {
    setZoomScale(scale);
    setPanOffset(QSizeF(0, 0));
    setIsNavigatorVisible(true);
}

void DarkroomViewModel::zoomToFit() {
    setZoomAnimated(1.0, false);
    setStatusMessage(L10n::tr("status.zoomFit"));
}

void DarkroomViewModel::zoomTo100() {
    setZoomAnimated(actualPixelsZoomFactor(), true);
    setStatusMessage(L10n::tr("status.zoom100"));
}

void DarkroomViewModel::zoomTo200() {
    setZoomAnimated(2 * actualPixelsZoomFactor(), true);
    setStatusMessage(L10n::tr("status.zoom200"));
}

void DarkroomViewModel::toggleZoom() {
    if (zoomScale_ > kFitThreshold)
        zoomToFit();
    else
        zoomTo100();
}

void DarkroomViewModel::toggleNavigator() { setIsNavigatorVisible(!isNavigatorVisible_); }

std::string DarkroomViewModel::zoomLabel() const {
    if (zoomScale_ <= kFitThreshold) return L10n::tr("zoom.fit");
    return std::to_string(std::lround(zoomScale_ / actualPixelsZoomFactor() * 100)) + "%";
}

}  // namespace vantrel
