#pragma once
// SpotHealingControlBar: the floating bar of retouch mode. It sets the brush
// radius (the selected spot's radius while one is selected: the overlay
// applies it), shows the selected spot with its delete button, switches the
// dust view and its sensitivity, counts the healed spots, and asks for undo,
// clear all and done.
//
// It writes the spot-healing record only for the dust switch and the sensitivity,
// each followed by changed(); the brush slider writes the radius binding alone.
// Every other effect is a signal. Children are named "healingBar.<part>".
#include <optional>
#include <utility>

#include "model/SpotHealingParameters.h"
#include "model/Uuid.h"
#include "views/kit/ViewBasics.h"
#include "views/kit/FloatingToolBar.h"

namespace vantrel {

class Chip;
class ElidedLabel;
class ProSlider;

class SpotHealingControlBar final : public FloatingToolBar, public RefreshableView {
    Q_OBJECT

public:
    SpotHealingControlBar(Binding<SpotHealingParameters> healing, Source<std::optional<Uuid>> selectedSpotID,
                          Binding<double> brushRadiusPixels, QWidget* parent = nullptr);

    void refresh() override;
    // Whether Undo has a change to take back; without it, while there are spots.
    void setCanUndo(Source<bool> canUndo) { canUndo_ = std::move(canUndo); }

    ElidedLabel* brushLabel() const { return brushLabel_; }
    ProSlider* brushSlider() const { return brush_; }
    ElidedLabel* brushValue() const { return brushValue_; }
    QWidget* selectedGroup() const { return selectedGroup_; }
    Chip* deleteButton() const { return delete_; }
    Chip* dustButton() const { return dust_; }
    QWidget* sensitivityGroup() const { return sensitivityGroup_; }
    ProSlider* sensitivitySlider() const { return sensitivity_; }
    ElidedLabel* countLabel() const { return count_; }
    Chip* undoButton() const { return undo_; }
    Chip* clearButton() const { return clear_; }
    Chip* doneButton() const { return done_; }

Q_SIGNALS:
    void undoRequested();
    void clearRequested();
    void deleteSelectedRequested();
    void doneRequested();
    void changed();

private:
    void toggleDust();

    Binding<SpotHealingParameters> healing_;
    Source<std::optional<Uuid>> selectedSpotID_;
    Binding<double> brushRadiusPixels_;
    Source<bool> canUndo_;

    ElidedLabel* brushLabel_ = nullptr;
    ProSlider* brush_ = nullptr;
    ElidedLabel* brushValue_ = nullptr;
    QWidget* selectedGroup_ = nullptr;
    ElidedLabel* selectedLabel_ = nullptr;
    Chip* delete_ = nullptr;
    Chip* dust_ = nullptr;
    int dustShownOn_ = -1;  // the dust state the switch was last drawn for
    QWidget* sensitivityGroup_ = nullptr;
    ElidedLabel* sensitivityLabel_ = nullptr;
    ProSlider* sensitivity_ = nullptr;
    ElidedLabel* count_ = nullptr;
    Chip* undo_ = nullptr;
    Chip* clear_ = nullptr;
    Chip* done_ = nullptr;
};

}  // namespace vantrel
