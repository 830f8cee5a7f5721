#pragma once
// MaskLocalParameterHUD: the floating panel beside the selected mask on the
// canvas. Its header names the mask and its exposure and holds reset, invert,
// delete and close; below come the one-click presets of the mask's kind, the
// main sliders and, when expanded, the advanced ones. The header drags the
// panel; where it stands otherwise, and how much of it shows on a small
// canvas, is the mask overlay's to decide, and the overlay also paints its
// shadow (a cached image, cheaper than a graphics effect that blurs afresh at
// every repaint of the canvas under it).
//
// The mask is looked up by identifier every time the panel reads or writes;
// a mask that is gone shows a neutral header and writes nothing. Every user
// edit is one write of the masks followed by changed().
#include <optional>
#include <string>
#include <vector>

#include <QPointF>
#include <QRegion>
#include <QWidget>

#include "model/Binding.h"
#include "model/Uuid.h"
#include "services/AppLanguage.h"
#include "views/kit/ViewBasics.h"
#include "views/masks/MaskEditing.h"

class QLabel;

namespace vantrel {

class Chip;
class DisclosureButton;
class ElidedLabel;
class ExposureReadout;
class ProSlider;
class SymbolView;

class MaskLocalParameterHUD final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    static constexpr int kWidth = 270;
    static constexpr double kCornerRadius = 10;

    MaskLocalParameterHUD(Binding<MaskGroupParameters> masks, Uuid selectedMaskID, QWidget* parent = nullptr);

    void refresh() override;
    // Another mask to edit; the panel keeps its place and its expansion.
    void setSelectedMaskID(const Uuid& id);
    const Uuid& selectedMaskID() const { return id_; }
    // Collapsed and without a drag offset, as when first shown.
    void resetViewState();
    // Puts the panel's centre at `centre` (parent coordinates) plus its drag offset.
    void placeAt(const QPointF& centre);
    // How much of the panel shows where the canvas has little room beside the
    // mask: 0 all of it; 1 neither the presets nor the advanced part; each
    // further step one main slider fewer, from the last, down to the header
    // alone at mostReduced().
    void setReduction(int level);
    int reduction() const { return reduction_; }
    int mostReduced() const;
    // The panel's size at each reduction, 0 to mostReduced(), laid out once
    // for the kind of mask, expansion and language it shows: the overlay seeks
    // a place for each at every refresh without laying the panel out again.
    const std::vector<QSize>& reducedSizes();

    // The part of the panel it paints fully opaque (its rectangle without the
    // rounded corners and the outline), in parent coordinates: edits under it
    // need not repaint it.
    QRegion opaqueRegion() const;

    // The sum of the finished header drags plus the one in progress.
    QPointF offset() const { return accumulatedOffset_ + dragOffset_; }
    bool isExpanded() const { return expanded_; }

    // Parts, for tests.
    ElidedLabel* title() const { return title_; }
    SymbolView* kindSymbol() const { return kindSymbol_; }
    ExposureReadout* readout() const { return readout_; }
    QWidget* header() const { return header_; }
    Chip* resetButton() const { return reset_; }
    Chip* invertButton() const { return invert_; }
    Chip* deleteButton() const { return delete_; }
    Chip* closeButton() const { return close_; }
    DisclosureButton* expandButton() const { return expand_; }
    QLabel* invertedBadge() const { return invertedBadge_; }
    // The preset chips and slider rows now shown, in order.
    std::vector<Chip*> shownPresets() const;
    std::vector<ProSlider*> shownMainSliders() const;
    std::vector<ProSlider*> shownAdvancedSliders() const;

Q_SIGNALS:
    void closeRequested();
    void deleteRequested();
    void changed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Row {
        MaskKind kind;
        bool advanced;
        ProSlider* slider;
        const char* key;
    };
    struct Preset {
        const MaskPreset* preset;
        Chip* chip;
    };
    // What the controls show, to skip refreshes that would change nothing.
    struct Shown {
        std::optional<MaskKind> kind;
        std::string name;
        std::vector<double> values;  // of the mask's sliders
        bool inverted;
        bool expanded;
        int reduction;
        AppLanguage language;
        bool operator==(const Shown&) const = default;
    };

    // What the sizes at each reduction depend on.
    struct Measured {
        std::optional<MaskKind> kind;
        bool inverted;
        bool expanded;
        AppLanguage language;
        bool operator==(const Measured&) const = default;
    };

    // Writes the masks changed by `edit` when `edit` found the mask, then reports.
    template <typename Edit>
    void editSelected(Edit&& edit);
    void startHeaderDrag();
    void moveHeaderDrag(const QPointF& translation);
    void endHeaderDrag(const QPointF& translation);
    void place();

    Binding<MaskGroupParameters> masks_;
    Uuid id_;
    std::optional<Shown> shown_;
    bool expanded_ = false;
    int reduction_ = 0;
    std::optional<Measured> measured_;
    std::vector<QSize> reducedSizes_;
    QPointF dragOffset_;
    QPointF accumulatedOffset_;
    QPointF centre_;
    bool placed_ = false;

    QWidget* header_ = nullptr;
    SymbolView* kindSymbol_ = nullptr;
    ElidedLabel* title_ = nullptr;
    ExposureReadout* readout_ = nullptr;
    Chip* reset_ = nullptr;
    Chip* invert_ = nullptr;
    Chip* delete_ = nullptr;
    Chip* close_ = nullptr;
    QWidget* rule_ = nullptr;
    QWidget* presetsRow_ = nullptr;
    std::vector<Preset> presets_;
    QWidget* advanced_ = nullptr;
    std::vector<Row> rows_;
    DisclosureButton* expand_ = nullptr;
    QLabel* invertedBadge_ = nullptr;
    QWidget* footer_ = nullptr;
};

}  // namespace vantrel
