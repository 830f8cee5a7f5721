#pragma once
// Stand-in of the retouching tools: the floating spot-healing bar.
#include <optional>

#include "app/standins/StandInView.h"
#include "model/EditParameters.h"
#include "model/Uuid.h"

namespace vantrel {

class SpotHealingControlBar final : public PlaceholderView {
public:
    struct Actions {
        Callback onUndo, onClear, onDeleteSelected, onDone, onChanged;
    };
    SpotHealingControlBar(Binding<EditParameters> parameters, Binding<std::optional<Uuid>> selectedSpotID,
                          Binding<double> brushRadiusPixels, Actions actions, QWidget* parent = nullptr)
        : PlaceholderView("SpotHealingControlBar", parent), parameters_(std::move(parameters)),
          selectedSpotID_(std::move(selectedSpotID)), brushRadiusPixels_(std::move(brushRadiusPixels)),
          actions_(std::move(actions)) {}

private:
    Binding<EditParameters> parameters_;
    Binding<std::optional<Uuid>> selectedSpotID_;
    Binding<double> brushRadiusPixels_;
    Actions actions_;
};

}  // namespace vantrel
