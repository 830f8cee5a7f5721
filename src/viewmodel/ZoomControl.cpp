#include "viewmodel/ZoomControl.h"

#include <algorithm>
#include <cmath>

#include "services/L10n.h"
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

QSize ZoomControl::previewFrameSize() const {
    const LoadedPhoto* photo = vm_.selectedPhoto();
    if (!photo) return {};
    if (!vm_.renderedPreview().isNull() && !vm_.renderedFrameSize().isEmpty()) return vm_.renderedFrameSize();
    return {int(std::lround(photo->dimensions().width)), int(std::lround(photo->dimensions().height))};
}

double ZoomControl::actualPixelsZoomFactor() const {
    const QSize frame = previewFrameSize();
    const double w = frame.width();
    const double h = frame.height();
    if (!(w > 0) || !(h > 0)) return 2.0;

    double vw = vm_.canvasViewportSize().width();
    double vh = vm_.canvasViewportSize().height();
    if (!(vw > 20) || !(vh > 20)) {
        vw = 1000;
        vh = 700;
    }
    // The fitted image fills the canvas's height when it is narrower than the canvas, else its width.
    const double fittedWidth = w / h < vw / vh ? w / h * vh : vw;
    return std::max(1.0, w / std::max(fittedWidth, 1.0));
}

void ZoomControl::setZoomAnimated(double scale, bool showNavigator) {
    animating_ = true;
    place(scale, showNavigator);
    animating_ = false;
}

void ZoomControl::panAnimated(QSizeF offset) {
    animating_ = true;
    vm_.setPanOffset(offset);
    animating_ = false;
}

void ZoomControl::resetZoom() { place(1.0, false); }

void ZoomControl::setZoom(double scale) { place(scale, true); }

void ZoomControl::place(double scale, bool showNavigator) {
    vm_.setZoomScale(scale);
    vm_.setPanOffset(QSizeF(0, 0));
    if (showNavigator) vm_.setIsNavigatorVisible(true);
}

void ZoomControl::zoomToFit() {
    setZoomAnimated(1.0, false);
    status_.showFrameNews(L10n::text("status.zoomFit"));
}

void ZoomControl::zoomTo100() {
    setZoomAnimated(actualPixelsZoomFactor(), true);
    status_.showFrameNews(L10n::text("status.zoom100"));
}

void ZoomControl::zoomTo200() {
    setZoomAnimated(2 * actualPixelsZoomFactor(), true);
    status_.showFrameNews(L10n::text("status.zoom200"));
}

void ZoomControl::toggleZoom() {
    if (vm_.zoomScale() > kFitZoom)
        zoomToFit();
    else
        zoomTo100();
}

void ZoomControl::toggleNavigator() { vm_.setIsNavigatorVisible(!vm_.isNavigatorVisible()); }

std::string ZoomControl::zoomLabel() const {
    if (vm_.zoomScale() <= kFitZoom) return L10n::tr("zoom.fit");
    return std::to_string(std::lround(vm_.zoomScale() / actualPixelsZoomFactor() * 100)) + "%";
}

}  // namespace vantrel
