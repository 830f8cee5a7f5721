#pragma once
// MaskControlView: the inspector's section of selective masks. A header with
// the count, the canvas-handles switch and clear-all; a button that adds a
// mask of each kind; the list of masks (select, show or hide, delete); and
// a card with the selected mask's invert switch and sliders.
//
// The list is edited here, through the masks and selection bindings; adding
// masks and switching the mask mode are asked of the window. Rows name their
// mask by identifier: an action on a mask removed meanwhile does nothing.
// Every user edit is one write and one changed(); selecting writes only the
// selection.
#include <optional>
#include <vector>

#include <QWidget>

#include "model/Binding.h"
#include "model/Uuid.h"
#include "views/kit/ViewBasics.h"
#include "views/masks/MaskEditing.h"
#include "views/masks/MaskWidgets.h"

class QCheckBox;
class QLabel;
class QVBoxLayout;

namespace vantrel {

class Chip;
class ElidedLabel;
class ProSlider;
class RoundedBox;
class SymbolView;

class MaskControlView final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    MaskControlView(Binding<MaskGroupParameters> masks, Binding<std::optional<Uuid>> selectedMaskID,
                    Source<bool> isMaskMode, QWidget* parent = nullptr);

    void refresh() override;

    // One row of the list, as now shown.
    class Row;
    std::vector<Row*> shownRows() const;

    // Parts, for tests.
    QLabel* countBadge() const { return countBadge_; }
    Chip* modeButton() const { return mode_; }
    Chip* clearButton() const { return clear_; }
    Chip* addButton(MaskKind kind) const { return addButtonOf(add_, kind); }
    RoundedBox* list() const { return list_; }
    RoundedBox* card() const { return card_; }
    ElidedLabel* cardTitle() const { return cardTitle_; }
    QCheckBox* invertSwitch() const { return invert_; }
    std::vector<ProSlider*> shownSliders() const;

    // The row actions, by the row's mask (what a click on a row does).
    void selectMask(const Uuid& id);
    void toggleMaskVisibility(MaskKind kind, const Uuid& id);
    void deleteMask(MaskKind kind, const Uuid& id);
    void clearAllMasks();

Q_SIGNALS:
    void toggleMaskModeRequested();
    void addRequested(MaskKind kind);
    void changed();

private:
    struct CardRow {
        MaskKind kind;
        ProSlider* slider;
        const char* key;
    };

    Row* rowAt(std::size_t index);

    Binding<MaskGroupParameters> masks_;
    Binding<std::optional<Uuid>> selectedMaskID_;
    Source<bool> isMaskMode_;

    ElidedLabel* title_ = nullptr;
    QLabel* countBadge_ = nullptr;
    Chip* mode_ = nullptr;
    Chip* clear_ = nullptr;
    std::vector<MaskAddButton> add_;
    RoundedBox* list_ = nullptr;
    std::vector<Row*> rows_;  // a pool: rows beyond the masks are hidden, never destroyed
    RoundedBox* card_ = nullptr;
    ElidedLabel* cardTitle_ = nullptr;
    QCheckBox* invert_ = nullptr;
    std::vector<CardRow> cardRows_;
};

// A row of the mask list: visibility, kind, name and delete; a click selects.
class MaskControlView::Row final : public QWidget {
    Q_OBJECT

public:
    explicit Row(MaskControlView& owner);
    void setMask(MaskKind kind, const Uuid& id, const QString& name, bool enabled, bool selected);

    MaskKind kind() const { return kind_; }
    const Uuid& maskID() const { return id_; }
    bool isSelected() const { return selected_; }
    Chip* visibilityButton() const { return visibility_; }
    Chip* deleteButton() const { return delete_; }
    ElidedLabel* nameLabel() const { return name_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    MaskControlView& owner_;
    MaskKind kind_ = MaskKind::linear;
    Uuid id_;
    bool selected_ = false;
    Chip* visibility_;
    SymbolView* kindSymbol_;
    ElidedLabel* name_;
    Chip* delete_;
};

}  // namespace vantrel
