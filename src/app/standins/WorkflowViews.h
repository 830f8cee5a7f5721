#pragma once
// Stand-in of the crop bar, the one workflow view not built yet.
#include <QSize>

#include "app/standins/StandInView.h"
#include "model/CropParameters.h"

namespace vantrel {

class CropControlBar final : public PlaceholderView {
public:
    struct Actions {
        Callback onAutoHorizon, onRotateCW, onRotateCCW, onFlipH, onReset, onDone;
    };
    CropControlBar(Binding<CropParameters> crop, Source<QSize> imageSize, Source<bool> isDetectingHorizon,
                   Actions actions, QWidget* parent = nullptr)
        : PlaceholderView("CropControlBar", parent), crop_(std::move(crop)), imageSize_(std::move(imageSize)),
          isDetectingHorizon_(std::move(isDetectingHorizon)), actions_(std::move(actions)) {}

private:
    Binding<CropParameters> crop_;
    Source<QSize> imageSize_;
    Source<bool> isDetectingHorizon_;
    Actions actions_;
};

}  // namespace vantrel
