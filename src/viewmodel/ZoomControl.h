#pragma once
// The canvas zoom behind the view model's zoom operations: the steps (fit,
// actual pixels, twice that), the navigator, and which zoom and pan changes
// the canvas animates. The zoom factor and pan stay the view model's published
// properties; this reads and sets them through its public surface.
#include <string>

#include <QSize>
#include <QSizeF>

namespace vantrel {

class DarkroomViewModel;
class StatusLine;

class ZoomControl {
public:
    // Up to this factor the canvas counts as fitted.
    static constexpr double kFitZoom = 1.05;

    // Each step says its zoom in `status`.
    ZoomControl(DarkroomViewModel& viewModel, StatusLine& status) : vm_(viewModel), status_(status) {}

    // See DarkroomViewModel::previewFrameSize().
    QSize previewFrameSize() const;
    double actualPixelsZoomFactor() const;
    void zoomToFit();
    void zoomTo100();
    void zoomTo200();
    void toggleZoom();
    void resetZoom();
    void setZoom(double scale);
    void toggleNavigator();
    void panAnimated(QSizeF offset);
    std::string zoomLabel() const;
    bool isAnimating() const { return animating_; }

private:
    void setZoomAnimated(double scale, bool showNavigator);
    // The zoom at `scale`, the pan at the centre, and the navigator shown if asked.
    void place(double scale, bool showNavigator);

    DarkroomViewModel& vm_;
    StatusLine& status_;
    bool animating_ = false;
};

}  // namespace vantrel
