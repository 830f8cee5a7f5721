#pragma once
// ScreenGrabColorPicker: the eyedropper where the desktop offers no colour
// picker but lets a program read the screen (X11). Each screen is grabbed once
// and shown under a full-screen cross-hair (ScreenGrabOverlay) with a loupe of
// the pixels around the pointer; a click picks the grabbed pixel under it,
// Escape or the right button cancels. The grab's 8-bit pixels are taken as sRGB.
#include <vector>

#include <QImage>
#include <QPointer>
#include <QWidget>

#include "views/kit/ScreenColorSampler.h"

namespace vantrel {

class ScreenGrabOverlay final : public QWidget {
    Q_OBJECT

public:
    // `grab` is the picture of the screen at `geometry` (global, logical pixels),
    // in device pixels; the overlay covers `geometry`.
    ScreenGrabOverlay(QImage grab, QRect geometry, QWidget* parent = nullptr);

    // The grabbed colour under a point of the overlay.
    SampledColor colorAt(QPoint point) const;
    // The grabbed pixel under a point of the overlay (device pixels).
    QPoint pixelAt(QPoint point) const;

Q_SIGNALS:
    void picked(SampledColor colour);
    void cancelled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void paintLoupe(QPainter& painter, QPoint at) const;
    void paintHint(QPainter& painter) const;

    QImage grab_;
    QPoint pointer_{-1, -1};
    bool pointerInside_ = false;
    bool ended_ = false;  // one answer per overlay
};

class ScreenGrabColorPicker final : public ScreenColorSampler {
    Q_OBJECT

public:
    // Available on X11 when a grab of the primary screen gives pixels.
    explicit ScreenGrabColorPicker(QObject* parent = nullptr);
    ~ScreenGrabColorPicker() override;

    Availability availability() const override { return available_ ? Availability::available : Availability::unavailable; }
    const char* unavailableReasonKey() const override;
    void sample(QWidget* window, Completion done) override;
    void cancel() override;

    // The overlays of the running pick, one per screen (tests).
    std::vector<ScreenGrabOverlay*> overlays() const;

private:
    void finish(std::optional<SampledColor> colour);

    bool available_ = false;
    Completion done_;
    std::vector<QPointer<ScreenGrabOverlay>> overlays_;
};

}  // namespace vantrel
