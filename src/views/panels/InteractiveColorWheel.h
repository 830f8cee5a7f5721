#pragma once
// InteractiveColorWheel: the round control of one grading wheel. A disc of all
// hues (hue clockwise from 3 o'clock, white towards the centre) with a small
// puck at the wheel's hue (angle) and saturation (distance from the centre).
// Dragging anywhere on the disc (from 1 point of travel) puts the puck under
// the pointer and writes hue and saturation, also while the pointer roams
// outside the disc; a double click on the disc or the puck sets both to 0.
// Only points on the disc or the puck start either gesture. Luminance is never
// written.
//
// Each drag step that changes the values writes the adjustment once and emits
// changed() once; the double click writes and emits once. refresh() re-reads
// the adjustment and emits nothing. The disc is drawn once per size and kept;
// a step repaints it from the cache with the puck over it.
#include <QImage>
#include <QWidget>

#include "model/Binding.h"
#include "model/ColorGradingParameters.h"
#include "views/kit/DragTracker.h"

namespace vantrel {

class InteractiveColorWheel final : public QWidget {
    Q_OBJECT

public:
    InteractiveColorWheel(const QString& name, double diameter, Binding<ColorWheelAdjustment> adjustment,
                          QWidget* parent = nullptr);

    // Re-reads the adjustment; repaints when the puck moved or changed colour.
    void refresh();

    double diameter() const { return diameter_; }
    // The puck as last drawn, in the wheel's coordinates.
    QPointF puckCentre() const;
    QColor puckColor() const;
    bool isDragging() const { return tracker_.isDragging(); }

    // The disc of a wheel of `diameter` at `devicePixelRatio`, as cached.
    static const QImage& disc(double diameter, double devicePixelRatio);

    QSize sizeHint() const override;

Q_SIGNALS:
    void changed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    bool hits(QPointF point) const;
    void write(double hue, double saturation, bool always);

    Binding<ColorWheelAdjustment> adjustment_;
    double diameter_;
    ColorWheelAdjustment shown_;
    DragTracker tracker_{1.0};
};

}  // namespace vantrel
