#pragma once
// Stand-ins of the canvas views: the zoomable canvas and the comparison view
// draw the developed preview fitted in their area. The comparison controls
// are a placeholder.
#include <optional>
#include <vector>

#include <QImage>
#include <QSize>
#include <QSizeF>

#include "app/standins/StandInView.h"
#include "model/EditParameters.h"
#include "model/Uuid.h"
#include "viewmodel/CompareMode.h"

namespace vantrel {

// Draws its content scaled by the zoom factor (1 = fitted) and moved by the pan.
class ZoomPanCanvasView final : public QWidget, public RefreshableView {
public:
    ZoomPanCanvasView(Binding<double> zoomScale, Binding<QSizeF> panOffset, Source<QSize> imageSize,
                      bool isInteractiveZoomEnabled, QWidget* content, QWidget* parent = nullptr);
    void refresh() override;
    QWidget* content() const { return content_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void place();

    Binding<double> zoomScale_;
    Binding<QSizeF> panOffset_;
    Source<QSize> imageSize_;
    bool isInteractiveZoomEnabled_;
    QWidget* content_;
};

// Shows the developed image, or the reference while the original is held;
// without an image, the text of `emptyText` (by default the loading text).
class SplitCompareView final : public QWidget, public RefreshableView {
public:
    SplitCompareView(Source<QImage> referenceImage, Source<QImage> targetImage, Binding<bool> isHoldingOriginal,
                     Binding<CompareMode> compareMode, Source<QString> referenceLabel, Source<QString> targetLabel,
                     bool showsOwnControls, QWidget* parent = nullptr, Source<QString> emptyText = {});
    void refresh() override { update(); }
    QString emptyText() const;
    // The rectangle an image of `size` takes when fitted into `area`, aspect kept.
    static QRectF fittedRect(QSizeF size, QRectF area);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Source<QImage> referenceImage_;
    Source<QImage> targetImage_;
    Binding<bool> isHoldingOriginal_;
    Binding<CompareMode> compareMode_;
    Source<QString> referenceLabel_;
    Source<QString> targetLabel_;
    bool showsOwnControls_;
    Source<QString> emptyText_;
};

class CompareControlHUDView final : public PlaceholderView {
public:
    CompareControlHUDView(Binding<CompareMode> compareMode, Binding<bool> isHoldingOriginal, QWidget* parent = nullptr)
        : PlaceholderView("CompareControlHUDView", parent), compareMode_(std::move(compareMode)),
          isHoldingOriginal_(std::move(isHoldingOriginal)) {}

private:
    Binding<CompareMode> compareMode_;
    Binding<bool> isHoldingOriginal_;
};

}  // namespace vantrel
