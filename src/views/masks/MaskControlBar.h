#pragma once
// MaskControlBar: the floating tool bar of the mask mode, at the bottom of the
// canvas. Adds a mask of each kind, names the selected mask with its
// exposure and deletes it, counts the masks and clears them, and ends the mode.
// It only reads the masks and the selection: every button asks the window for
// the view model's operation through its signal, once per press.
//
// When the canvas is too narrow for the whole bar, the add buttons show their
// symbols only (their texts stay as tooltips) and the mask's name takes a
// second line.
#include <optional>
#include <vector>

#include <QWidget>

#include "model/Binding.h"
#include "model/MaskGroupParameters.h"
#include "model/Uuid.h"
#include "views/kit/ViewBasics.h"
#include "views/masks/MaskWidgets.h"

class QLabel;
class QLayout;

namespace vantrel {

class Chip;
class FittingLabel;
class ExposureReadout;

class MaskControlBar final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    MaskControlBar(Binding<MaskGroupParameters> masks, Binding<std::optional<Uuid>> selectedMaskID,
                   QWidget* parent = nullptr);

    void refresh() override;

    // The selected mask's name and exposure: the first linear mask with the
    // selected identifier, else the first radial one, else "Mask" and 0.
    struct SelectedInfo {
        QString name;
        double exposure = 0;
    };
    SelectedInfo selectedMaskInfo() const;

    bool isCompact() const { return compact_; }
    // Never wider than the compact bar: the canvas may be narrower than the whole one.
    QSize minimumSizeHint() const override;
    // Parts, for tests.
    Chip* addButton(MaskKind kind) const { return addButtonOf(add_, kind); }
    QWidget* selectedGroup() const { return selectedGroup_; }
    FittingLabel* nameLabel() const { return name_; }
    ExposureReadout* readout() const { return readout_; }
    Chip* deleteButton() const { return delete_; }
    QLabel* countLabel() const { return count_; }
    Chip* clearButton() const { return clear_; }
    Chip* doneButton() const { return done_; }
    // The separators now shown.
    int shownSeparators() const;

Q_SIGNALS:
    void addRequested(MaskKind kind);
    void deleteSelectedRequested();
    void clearAllRequested();
    void doneRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void fitToParent();
    void setCompact(bool compact);

    Binding<MaskGroupParameters> masks_;
    Binding<std::optional<Uuid>> selectedMaskID_;
    bool compact_ = false;
    int compactMinimumWidth_ = 0;  // measured when the parent's width is known
    QWidget* watchedParent_ = nullptr;

    std::vector<MaskAddButton> add_;
    QWidget* selectedGroup_ = nullptr;
    QWidget* selectedSeparator_ = nullptr;
    QWidget* separators_[2] = {};
    FittingLabel* name_ = nullptr;
    QLayout* addRow_ = nullptr;
    QLayout* countRow_ = nullptr;
    ExposureReadout* readout_ = nullptr;
    Chip* delete_ = nullptr;
    QLabel* count_ = nullptr;
    Chip* clear_ = nullptr;
    Chip* done_ = nullptr;
};

}  // namespace vantrel
