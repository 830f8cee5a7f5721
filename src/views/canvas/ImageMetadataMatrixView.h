#pragma once
// ImageMetadataMatrixView: the sidebar's card of the current frame's capture
// data. A header with the camera and lens, a chevron that collapses the card
// to its header and, when the card is built closable, a close button; below
// it three rows of two cells: focal length, aperture, shutter, ISO, pixel
// dimensions (with megapixels) and colour space (with file type and size).
//
// The collapsed state lives with the owner when a binding is given (the
// chevron writes it; refresh() follows it), else in the card itself. A long
// value first shrinks to 80 % of its size, then gives way with an ellipsis and
// shows whole in its tooltip.
//
// Children: "meta.camera", "meta.lens", "meta.collapse", "meta.close",
// "meta.grid" and per cell "meta.cell<i>.title|value|detail" (i = 0…5).
#include <array>
#include <optional>

#include <QWidget>

#include "model/ImageMetadataInfo.h"
#include "views/kit/ViewBasics.h"

class QPushButton;
class QVariantAnimation;

namespace vantrel {

class FittingLabel;

namespace metadata {
class ValueLabel;
}

class ImageMetadataMatrixView final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    enum class Closable { no, yes };

    ImageMetadataMatrixView(Source<ImageMetadataInfo> metadata, std::optional<Binding<bool>> isCollapsed,
                            Closable closable = Closable::no, QWidget* parent = nullptr);

    void refresh() override;

    bool isCollapsed() const;
    FittingLabel* cameraLabel() const { return camera_; }
    FittingLabel* lensLabel() const { return lens_; }
    QPushButton* collapseButton() const { return collapse_; }
    QPushButton* closeButton() const { return close_; }
    QWidget* grid() const { return grid_; }
    // The whole texts of a cell (0…5, reading order).
    QString cellTitle(int cell) const;
    QString cellValue(int cell) const;
    QString cellDetail(int cell) const;  // empty while hidden
    // The chevron's symbol: "chevron.down" while collapsed, else "chevron.up".
    const char* chevronSymbol() const;

Q_SIGNALS:
    void closeRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Cell {
        FittingLabel* title = nullptr;
        metadata::ValueLabel* value = nullptr;
        metadata::ValueLabel* detail = nullptr;
    };

    void toggleCollapsed();
    // Shows or hides the grid to match `collapsed`, in the short animation when animations run.
    void showCollapsed(bool collapsed);

    Source<ImageMetadataInfo> metadata_;
    std::optional<Binding<bool>> isCollapsed_;
    bool internalCollapsed_ = false;
    bool shownCollapsed_ = false;
    FittingLabel* camera_;
    FittingLabel* lens_;
    QPushButton* collapse_;
    QPushButton* close_ = nullptr;
    QWidget* grid_;
    std::array<Cell, 6> cells_;
    QVariantAnimation* animation_;
};

}  // namespace vantrel
