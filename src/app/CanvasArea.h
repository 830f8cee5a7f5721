#pragma once
// CanvasArea: the middle column. One of four branches, chosen from the view
// model's tool modes in this order: crop, retouch, mask, else viewing (zoom
// and pan, comparison, navigator and comparison controls). Switching branch
// replaces the branch's views whole.
#include <QImage>
#include <QWidget>

#include "app/standins/StandInView.h"

class QLabel;

namespace vantrel {

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
    // The size every tool is given: the frame's pixels, else 2400 x 1600.
    QSize imageSize() const;
    // The frame's own pixels before any turn, else 2400 x 1600: what the crop
    // bar fits ratios to (it turns the size itself).
    QSize photoSize() const;
    // The comparison's reference image and its two labels.
    QImage referenceImage() const;
    QString referenceLabel() const;
    QString targetLabel() const;
    // Shown while there is no preview: why the scan cannot be shown, else the loading text.
    QString placeholderText() const;

private:
    QWidget* buildBranch(Branch branch);
    QWidget* toolBranch(QWidget* overlay, QWidget* bar);
    QWidget* viewingBranch();

    DarkroomViewModel& vm_;
    Branch branch_ = Branch::viewing;
    QWidget* view_ = nullptr;
    std::vector<RefreshableView*> views_;
    QWidget* navigator_ = nullptr;
    QWidget* compareHUD_ = nullptr;
    QWidget* picture_ = nullptr;
    QLabel* loading_ = nullptr;
};

}  // namespace vantrel
