#pragma once
// CropControlBar: the floating bar of crop mode. It chooses the aspect ratio
// (and fits a centred rectangle to it), straightens with a slider, resets the
// angle from its read-out, and asks for the automatic horizon, quarter turns,
// the mirror, a reset of the whole geometry and the end of the mode.
//
// It writes the crop through its binding: the ratio with its fitted
// rectangle in one write, and the straighten angle; changed() follows each write
// that changes the crop. Every other effect is a signal.
// Children are named "cropBar.<part>".
#include <QSize>

#include "model/CropParameters.h"
#include "views/kit/ViewBasics.h"
#include "views/kit/FloatingToolBar.h"

class QActionGroup;
class QMenu;
class QPushButton;

namespace vantrel {

class AutoHorizonButton;
class BusyIndicator;
class Chip;
class ElidedLabel;
class ProSlider;
class SymbolView;

class CropControlBar final : public FloatingToolBar, public RefreshableView {
    Q_OBJECT

public:
    // `imageSize`: the frame's own pixel size (before any quarter turn).
    CropControlBar(Binding<CropParameters> crop, Source<QSize> imageSize, Source<bool> isDetectingHorizon,
                   QWidget* parent = nullptr);

    void refresh() override;
    // What choosing a ratio in the menu does (also the ratio already chosen).
    void chooseAspect(CropAspectRatio aspect);

    Chip* aspectButton() const { return aspect_; }
    QMenu* aspectMenu() const { return menu_; }
    QAbstractButton* autoHorizonButton() const;
    ElidedLabel* autoHorizonLabel() const;
    // The turning indicator of the horizon search (none with animations off).
    bool isShowingProgress() const;
    BusyIndicator* autoHorizonProgress() const;
    ProSlider* straightenSlider() const { return straighten_; }
    QPushButton* angleButton() const { return angle_; }
    // The angle's colour: the accent once it is set, secondary otherwise.
    const QColor& angleColor() const { return angleColour_; }

Q_SIGNALS:
    void autoHorizonRequested();
    void rotateCWRequested();
    void rotateCCWRequested();
    void flipHRequested();
    void resetRequested();
    void doneRequested();
    void changed();

private:
    void write(const CropParameters& crop);
    Binding<CropParameters> crop_;
    Source<QSize> imageSize_;
    Source<bool> isDetectingHorizon_;

    Chip* aspect_ = nullptr;
    QMenu* menu_ = nullptr;
    QActionGroup* aspectChoices_ = nullptr;
    AutoHorizonButton* autoHorizon_ = nullptr;
    ProSlider* straighten_ = nullptr;
    QPushButton* angle_ = nullptr;
    QColor angleColour_;
    Chip* rotateLeft_ = nullptr;
    Chip* rotateRight_ = nullptr;
    Chip* flip_ = nullptr;
    Chip* reset_ = nullptr;
    Chip* done_ = nullptr;
};

}  // namespace vantrel
