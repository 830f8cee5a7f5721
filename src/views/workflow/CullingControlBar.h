#pragma once
// CullingControlBar: the one-row strip between the work area and the filmstrip
// with which a roll is culled. It shows the selected frame's stars, colour
// label and pick/reject flag and the roll's filter (with how many frames pass
// it), and reports each tap as one request; it changes nothing itself. What a
// tap asks for is worked out from the values the bar was last given, so after
// a tap it keeps showing them until the window refreshes it with the stored ones.
#include <array>

#include <QWidget>

#include "model/PhotoCullingRecord.h"
#include "views/kit/ViewBasics.h"

class QLabel;

namespace vantrel {

class Chip;
class FittingLabel;
class LabelDot;
class SymbolButton;

class CullingControlBar final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    struct State {
        int rating = 0;  // 0 (no stars) … 5
        ColorLabel colorLabel = ColorLabel::none;
        PickStatus pickStatus = PickStatus::unflagged;
        CullingFilterCriteria filter{};
        int totalCount = 0;     // frames of the roll
        int filteredCount = 0;  // frames that pass the filter
    };

    explicit CullingControlBar(Source<State> state, QWidget* parent = nullptr);

    // Re-reads the state and the texts; never emits.
    void refresh() override;

    SymbolButton* star(int n) const { return stars_.at(std::size_t(n - 1)); }
    LabelDot* dot(ColorLabel label) const;
    SymbolButton* pickButton() const { return pick_; }
    SymbolButton* rejectButton() const { return reject_; }
    Chip* allChip() const { return all_; }
    Chip* ratingChip(int minRating) const;
    SymbolButton* pickedChip() const { return picked_; }
    QLabel* summary() const { return summary_; }

Q_SIGNALS:
    void ratingRequested(int rating);
    void colorLabelRequested(ColorLabel label);
    void pickStatusRequested(PickStatus status);
    void filterRequested(const CullingFilterCriteria& criteria);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Source<State> state_;
    FittingLabel* ratingCaption_;
    FittingLabel* labelCaption_;
    std::array<SymbolButton*, 5> stars_{};
    std::array<LabelDot*, 5> dots_{};
    SymbolButton* pick_;
    SymbolButton* reject_;
    Chip* all_;
    std::array<Chip*, 3> ratingChips_{};
    SymbolButton* picked_;
    QLabel* summary_;
};

}  // namespace vantrel
