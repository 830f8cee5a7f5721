#pragma once
// Stand-ins of the mask tools: the floating mask bar and the inspector's mask
// and subject panels.
#include <optional>

#include "app/standins/StandInView.h"
#include "model/EditParameters.h"
#include "model/Uuid.h"

namespace vantrel {

class MaskControlBar final : public PlaceholderView {
public:
    struct Actions {
        Callback onAddLinear, onAddRadial, onDeleteSelected, onClearAll, onDone, onChanged;
    };
    MaskControlBar(Binding<EditParameters> parameters, Binding<std::optional<Uuid>> selectedMaskID, Actions actions,
                   QWidget* parent = nullptr)
        : PlaceholderView("MaskControlBar", parent), parameters_(std::move(parameters)),
          selectedMaskID_(std::move(selectedMaskID)), actions_(std::move(actions)) {}

private:
    Binding<EditParameters> parameters_;
    Binding<std::optional<Uuid>> selectedMaskID_;
    Actions actions_;
};

class MaskControlView final : public PlaceholderView {
public:
    struct Actions {
        Callback onToggleMaskMode, onAddLinear, onAddRadial, onChanged;
    };
    MaskControlView(Binding<EditParameters> parameters, Binding<std::optional<Uuid>> selectedMaskID,
                    Source<bool> isMaskMode, Actions actions, QWidget* parent = nullptr)
        : PlaceholderView("MaskControlView", parent), parameters_(std::move(parameters)),
          selectedMaskID_(std::move(selectedMaskID)), isMaskMode_(std::move(isMaskMode)),
          actions_(std::move(actions)) {}

private:
    Binding<EditParameters> parameters_;
    Binding<std::optional<Uuid>> selectedMaskID_;
    Source<bool> isMaskMode_;
    Actions actions_;
};

class SubjectMaskControlView final : public PlaceholderView {
public:
    struct Actions {
        Callback onDetect, onClear, onChanged;
    };
    SubjectMaskControlView(Binding<EditParameters> parameters, Source<bool> isDetecting, Actions actions,
                           QWidget* parent = nullptr)
        : PlaceholderView("SubjectMaskControlView", parent), parameters_(std::move(parameters)),
          isDetecting_(std::move(isDetecting)), actions_(std::move(actions)) {}

private:
    Binding<EditParameters> parameters_;
    Source<bool> isDetecting_;
    Actions actions_;
};

}  // namespace vantrel
