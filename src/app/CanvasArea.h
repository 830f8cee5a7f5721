#pragma once
// CanvasArea: the middle column. One of four branches, chosen from the view
// model's tool modes in this order: crop, retouch, mask, else viewing (zoom
// and pan, comparison, navigator and comparison controls). Switching branch
// replaces the branch's views whole.
#include <QImage>
#include <QWidget>

#include "views/kit/ViewBasics.h"

class QLabel;

namespace vantrel {

class BusyIndicator;
class DarkroomViewModel;

class CanvasArea final : public QWidget, public RefreshableView {
public:
    enum class Branch { crop, retouch, mask, viewing };
    static Branch branchFor(bool cropping, bool retouching, bool masking);
    static constexpr double kNavigatorZoom = 1.05;

    explicit CanvasArea(DarkroomViewModel& vm, QWidget* parent = nullptr);
    void refresh() override;

    Branch branch() const { return branch_; }
    QWidget* branchView() const { return view_; }
    // The pixel size of the frame on screen, published with each preview
    // (turned, straightened and cropped; uncropped while cropping; with its
    // film border only in the viewing state): the canvas fits it, and the
    // tools' overlays place their marks by it, so they lie on the picture
    // shown. 2400 x 1600 without a selected frame.
    QSize imageSize() const;
    // The selected scan's own pixel size (unturned), else 2400 x 1600: what
    // the crop bar fits its ratios to.
    QSize scanSize() const;
    // The comparison's reference image and its two labels.
    QImage referenceImage() const;
    QString referenceLabel() const;
    QString targetLabel() const;
    // Shown while there is no preview: why the scan cannot be shown, else the loading text.
    QString placeholderText() const;
    // Whether a preview is on its way: no unreadable scan, no folder without scans.
    bool isLoadingFrame() const;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Tells the view model the density of the screen the canvas is on.
    void followDensity();
    QWidget* buildBranch(Branch branch);
    QWidget* toolBranch(QWidget* overlay, QWidget* bar);
    QWidget* viewingBranch();
    // Keeps the tool's picture above the floating bar.
    void followBar();

    DarkroomViewModel& vm_;
    Branch branch_ = Branch::viewing;
    QWidget* view_ = nullptr;
    std::vector<RefreshableView*> views_;
    QWidget* navigator_ = nullptr;
    QWidget* compareHUD_ = nullptr;
    QWidget* picture_ = nullptr;
    QWidget* overlay_ = nullptr;  // the tool's overlay, in the tools' branches
    QWidget* bar_ = nullptr;      // the tool's floating bar
    QWidget* waiting_ = nullptr;  // the loading text and its indicator, in the tools' branches
    QLabel* loading_ = nullptr;
    BusyIndicator* loadingProgress_ = nullptr;
};

}  // namespace vantrel
