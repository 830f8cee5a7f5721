#pragma once
// WorkflowSheet: the common frame of the workflow dialogs (export, roll
// synchronisation, save recipe, new snapshot). A column on the panel grey in
// the dark look, ending in a cancel button and a prominent confirming button.
// Escape, the cancel button and the window's close button report cancelled();
// Return and the confirming button report confirmed() while that button is
// enabled (a disabled one ignores Return). The sheet never closes itself: its
// owner hides it (the window does so when the view model's flag clears).
#include <QDialog>

class QBoxLayout;
class QDialogButtonBox;

namespace vantrel {

class FittingButton;

class WorkflowSheet : public QDialog {
    Q_OBJECT

public:
    explicit WorkflowSheet(QWidget* parent = nullptr);

    // Adds the button row (cancel, then the confirming button) to `layout`;
    // the confirming button is named `confirmName`.
    QDialogButtonBox* addButtons(QBoxLayout* layout, const char* confirmName);
    FittingButton* cancelButton() const { return cancel_; }
    FittingButton* confirmButton() const { return confirm_; }

    // Cancelling never hides the sheet by itself.
    void reject() override;
    void accept() override;

Q_SIGNALS:
    void cancelled();
    void confirmed();

protected:
    // Its width is fixed; its height follows the content, wrapped lines included.
    bool event(QEvent* event) override;

private:
    void fitHeight();

    FittingButton* cancel_ = nullptr;
    FittingButton* confirm_ = nullptr;
};

}  // namespace vantrel
