#pragma once
// SavePresetSheet: the sheet that saves the current frame's look as a custom
// film recipe. It asks for a name and an optional subtitle, lists what a
// recipe carries, lets the film border go with it or not, and notes what a
// recipe never carries. Saving hands the trimmed answers to the save action;
// when storing fails the sheet stays open with what was typed and says why,
// otherwise it closes itself through `isPresented`. The close button, Cancel
// and Escape close it without saving.
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "model/Binding.h"
#include "model/EditParameters.h"
#include "views/kit/ViewBasics.h"
#include "views/workflow/WorkflowSheet.h"

class QLineEdit;

namespace vantrel {

class FittingLabel;
class OptionRow;
class SymbolButton;

class SavePresetSheet final : public WorkflowSheet, public RefreshableView {
    Q_OBJECT

public:
    static constexpr int kWidth = 440;
    // Stores the recipe; nothing when it was stored, else why it could not be.
    using SaveAction = std::function<std::optional<std::string>(const std::string& name, const std::string& subtitle,
                                                                bool includeFrame)>;

    SavePresetSheet(Binding<bool> isPresented, EditParameters currentParameters, SaveAction onSave,
                    QWidget* parent = nullptr);

    // The texts in the current language; what was typed stays.
    void refresh() override;
    // The save button's action.
    void save();

    QLineEdit* nameField() const { return name_; }
    QLineEdit* subtitleField() const { return subtitle_; }
    OptionRow* includeFrameRow() const { return includeFrame_; }
    SymbolButton* closeButton() const { return close_; }
    FittingButton* saveButton() const { return confirmButton(); }
    FittingLabel* failureLabel() const { return failure_; }
    std::vector<FittingLabel*> moduleLabels() const;

private:
    void updateSaveButton();

    Binding<bool> isPresented_;
    EditParameters parameters_;
    SaveAction onSave_;

    FittingLabel* title_;
    SymbolButton* close_;
    FittingLabel* nameCaption_;
    QLineEdit* name_;
    FittingLabel* subtitleCaption_;
    QLineEdit* subtitle_;
    FittingLabel* modulesCaption_;
    std::array<FittingLabel*, 9> modules_{};
    OptionRow* includeFrame_;
    FittingLabel* note_;
    QWidget* failureRow_;
    FittingLabel* failure_;
};

}  // namespace vantrel
