#pragma once
// Stand-ins of the canvas overlays (crop, spot healing, masks): placeholders
// until their own views replace them.
#include <optional>
#include <vector>

#include <QImage>
#include <QSize>
#include <QSizeF>

#include "app/standins/StandInView.h"
#include "model/CropParameters.h"
#include "model/EditParameters.h"
#include "model/Uuid.h"

namespace vantrel {

class CropOverlayView final : public PlaceholderView {
public:
    CropOverlayView(Binding<CropParameters> crop, Source<QSize> imageSize, Callback onChanged, QWidget* parent = nullptr)
        : PlaceholderView("CropOverlayView", parent), crop_(std::move(crop)), imageSize_(std::move(imageSize)),
          onChanged_(std::move(onChanged)) {}

private:
    Binding<CropParameters> crop_;
    Source<QSize> imageSize_;
    Callback onChanged_;
};

class SpotHealingOverlayView final : public PlaceholderView {
public:
    SpotHealingOverlayView(Binding<EditParameters> parameters, Binding<std::optional<Uuid>> externalSelectedSpotID,
                           Source<double> brushRadiusPixels, Source<QSize> imageSize, Source<QImage> sourceImage,
                           Callback onChanged, QWidget* parent = nullptr)
        : PlaceholderView("SpotHealingOverlayView", parent), parameters_(std::move(parameters)),
          selectedSpotID_(std::move(externalSelectedSpotID)), brushRadiusPixels_(std::move(brushRadiusPixels)),
          imageSize_(std::move(imageSize)), sourceImage_(std::move(sourceImage)), onChanged_(std::move(onChanged)) {}

private:
    Binding<EditParameters> parameters_;
    Binding<std::optional<Uuid>> selectedSpotID_;
    Source<double> brushRadiusPixels_;
    Source<QSize> imageSize_;
    Source<QImage> sourceImage_;
    Callback onChanged_;
};

}  // namespace vantrel
