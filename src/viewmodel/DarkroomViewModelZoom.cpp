// Spot healing, the dust-inspection view, and the canvas zoom (ZoomControl does the zoom).
#include <algorithm>
#include <cmath>

#include "services/L10n.h"
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

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

QSize DarkroomViewModel::previewFrameSize() const { return zoom_.previewFrameSize(); }
double DarkroomViewModel::actualPixelsZoomFactor() const { return zoom_.actualPixelsZoomFactor(); }
void DarkroomViewModel::zoomToFit() { zoom_.zoomToFit(); }
void DarkroomViewModel::zoomTo100() { zoom_.zoomTo100(); }
void DarkroomViewModel::zoomTo200() { zoom_.zoomTo200(); }
void DarkroomViewModel::toggleZoom() { zoom_.toggleZoom(); }
void DarkroomViewModel::resetZoom() { zoom_.resetZoom(); }
void DarkroomViewModel::setZoom(double scale) { zoom_.setZoom(scale); }
void DarkroomViewModel::toggleNavigator() { zoom_.toggleNavigator(); }
void DarkroomViewModel::panAnimated(QSizeF offset) { zoom_.panAnimated(offset); }
std::string DarkroomViewModel::zoomLabel() const { return zoom_.zoomLabel(); }
bool DarkroomViewModel::isZoomAnimating() const { return zoom_.isAnimating(); }

}  // namespace vantrel
