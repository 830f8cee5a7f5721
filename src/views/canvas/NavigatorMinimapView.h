#pragma once
// NavigatorMinimapView: the floating panel in the canvas's top right corner.
// A thumbnail of the developed frame with an orange rectangle over the part
// the zoomed canvas shows; a tap on the thumbnail brings the tapped point to
// the canvas's centre (while zoomed in); a label shows the zoom; the Fit, 100%
// and 200% buttons and the close button ask the window for those steps.
//
// It shares the canvas's zoom and pan: the same two bindings. It writes the
// pan only on a tap; the buttons only report (zoomToFitRequested() and the
// others), the window does the zooming.
//
// Children: "navigator.title", "navigator.zoomLabel", "navigator.close",
// "navigator.map", "navigator.fit", "navigator.oneToOne", "navigator.twoToOne".
#include <optional>

#include <QImage>
#include <QWidget>

#include "views/kit/ViewBasics.h"

class QLabel;
class QPushButton;

namespace vantrel {

class FittingButton;
class FittingLabel;

namespace navigator {
class Map;
}

class NavigatorMinimapView final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    NavigatorMinimapView(Source<QImage> image, Source<QSize> imageSize, Binding<double> zoomScale,
                         Binding<QSizeF> panOffset, Source<QSizeF> containerSize, QWidget* parent = nullptr);

    void refresh() override;

    QWidget* map() const;
    QLabel* zoomLabel() const { return zoomLabel_; }
    QPushButton* closeButton() const { return close_; }
    FittingButton* fitButton() const { return fit_; }
    FittingButton* oneToOneButton() const { return oneToOne_; }
    FittingButton* twoToOneButton() const { return twoToOne_; }
    // The viewport rectangle as drawn on the map (map coordinates), if any.
    std::optional<QRectF> shownViewport() const;
    // Whether the map shows its busy mark (no thumbnail yet).
    bool isWaitingForImage() const;

    static constexpr int kPanelWidth = 176;

Q_SIGNALS:
    void zoomToFitRequested();
    void zoomTo100Requested();
    void zoomTo200Requested();
    void closeRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class navigator::Map;
    void tapped(const QPointF& mapPoint);

    Source<QImage> image_;
    Source<QSize> imageSize_;
    Binding<double> zoomScale_;
    Binding<QSizeF> panOffset_;
    Source<QSizeF> containerSize_;
    FittingLabel* title_;
    QLabel* zoomLabel_;
    QPushButton* close_;
    navigator::Map* map_;
    FittingButton* fit_;
    FittingButton* oneToOne_;
    FittingButton* twoToOne_;
};

}  // namespace vantrel
