#pragma once
// SplitCompareView: the developed frame, or the frame against a "before"
// image (the undeveloped frame or a snapshot), in one of three layouts: the
// developed frame alone (full), the two halves of one picture with a
// draggable divider (split), or the two side by side. While the original is
// held it shows the before image alone, whatever the layout. It only reads
// the two bindings; its one state of its own is the divider's position,
// which lasts as long as the view.
#include <QImage>
#include <QTimer>
#include <QWidget>

#include "model/CompareMode.h"
#include "views/canvas/CanvasGeometry.h"
#include "views/canvas/DownscaleCache.h"
#include "views/kit/DragTracker.h"
#include "views/kit/ViewBasics.h"

namespace vantrel {

class SplitCompareView final : public QWidget, public RefreshableView {
public:
    // Without label sources the badges read "BEFORE" and "AFTER".
    SplitCompareView(Source<QImage> originalImage, Source<QImage> processedImage, Binding<bool> isHoldingOriginal,
                     Binding<CompareMode> compareMode, Source<QString> referenceLabel = {},
                     Source<QString> targetLabel = {}, QWidget* parent = nullptr);

    void refresh() override { update(); }

    // A text shown, wrapped and centred, while there is no image to show at
    // all (why the scan cannot be shown, or that it is still loading); none by default.
    void setEmptyText(Source<QString> text) { emptyText_ = std::move(text); }
    QString emptyText() const { return emptyText_ ? emptyText_() : QString(); }

    // A sharper picture of a part of the developed frame, drawn over it where
    // it lies: `unitRect` in fractions of the frame (top-left origin). None by default.
    void setSharpPart(Source<QImage> image, Source<QRectF> unitRect) {
        sharpPart_ = std::move(image);
        sharpPartRect_ = std::move(unitRect);
    }

    // Where the before image belongs on the developed one, in fractions of it
    // (the photo inside a film border the before image has not): the split
    // draws it there. None by default, or when the source gives an invalid
    // rectangle: each image is fitted on its own.
    void setOriginalArea(Source<QRectF> unitRect) { originalArea_ = std::move(unitRect); }

    double splitRatio() const { return splitRatio_; }
    // The layout for the current images, bindings and size.
    canvas::CompareLayout currentLayout() const;
    QString referenceLabel() const;
    QString targetLabel() const;
    // A badge's bubble (text, padding and background) for `text`, placed by `badge`.
    QRectF badgeRect(const canvas::CompareBadge& badge, const QString& text) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // Draws `image` filling `rect`: a scaled copy when it is shrunk and one is
    // at hand, else the image itself with smooth scaling.
    void paintImage(QPainter& painter, const QImage& image, const QRectF& rect, DownscaleCache& cache);
    // The sharp part over the developed frame drawn in `frame`.
    void paintSharpPart(QPainter& painter, const QRectF& frame) const;
    void paintDivider(QPainter& painter, double x) const;
    void paintBadge(QPainter& painter, const canvas::CompareBadge& badge) const;
    std::optional<QRectF> originalArea() const;

    Source<QImage> originalImage_;
    Source<QImage> processedImage_;
    Binding<bool> isHoldingOriginal_;
    Binding<CompareMode> compareMode_;
    Source<QString> referenceLabel_;
    Source<QString> targetLabel_;
    Source<QString> emptyText_;
    Source<QImage> sharpPart_;
    Source<QRectF> sharpPartRect_;
    Source<QRectF> originalArea_;
    double splitRatio_ = 0.5;
    DragTracker divider_{1.0};

    DownscaleCache originalCache_;
    DownscaleCache processedCache_;
    QTimer settle_;  // a quiet moment after a paint that scaled a picture on the fly
};

}  // namespace vantrel
