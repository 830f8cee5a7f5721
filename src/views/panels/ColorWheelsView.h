#pragma once
// ColorWheelsView: the inspector section of three-way colour grading. A header
// (reset while the grading is not the identity), a tab picker, then either
// three small wheels side by side (lift, gamma, gain for shadows, midtones and
// highlights), each with a luminance track under it, or one large wheel of the
// chosen range in a card with its luminance row in percent; the balance row is
// always shown. The tab is the view's own state: it starts at "all", writes
// nothing and survives refreshes.
//
// It edits the recipe's grading record through its binding. A wheel step or
// double click, a slider step that changes its value and the reset are each
// one write and one changed(). refresh() re-reads the record and emits
// nothing. Children are named "wheels.<part>".
#include <array>

#include <QWidget>

#include "model/ColorGradingParameters.h"
#include "views/kit/Icons.h"
#include "views/kit/ViewBasics.h"

namespace vantrel {

class ElidedLabel;
class InteractiveColorWheel;
class PanelHeader;
class ProSlider;
class ChipGrid;

class ColorWheelsView final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    enum class WheelTab { all, shadows, midtones, highlights };
    // The three wheels, in column order.
    enum class Wheel { shadows, midtones, highlights };

    explicit ColorWheelsView(Binding<ColorGradingParameters> grading, QWidget* parent = nullptr);

    void refresh() override;

    WheelTab selectedTab() const { return tab_; }
    PanelHeader* header() const { return header_; }
    ChipGrid* tabs() const { return tabs_; }
    // The small wheel of a column and the luminance track under it.
    InteractiveColorWheel* columnWheel(Wheel wheel) const { return columns_[std::size_t(wheel)].wheel; }
    ProSlider* columnLuminance(Wheel wheel) const { return columns_[std::size_t(wheel)].luminance; }
    ElidedLabel* columnTitle(Wheel wheel) const { return columns_[std::size_t(wheel)].title; }
    QWidget* columnsBox() const { return columnsBox_; }
    // The card of a single-wheel tab: its title, its large wheel and its luminance row.
    QWidget* card() const { return card_; }
    ElidedLabel* cardTitle() const { return cardTitle_; }
    InteractiveColorWheel* cardWheel() const { return cardWheel_; }
    ProSlider* cardLuminance() const { return cardLuminance_; }
    ProSlider* balance() const { return balance_; }

Q_SIGNALS:
    void changed();

private:
    struct Column {
        ElidedLabel* title = nullptr;
        InteractiveColorWheel* wheel = nullptr;
        ProSlider* luminance = nullptr;
    };

    Binding<ColorWheelAdjustment> wheelBinding(Wheel wheel) const;
    Binding<ColorWheelAdjustment> cardBinding() const;
    Binding<double> luminanceBinding(std::function<Wheel()> wheel);
    Wheel cardWheelKind() const;
    void selectTab(WheelTab tab);
    void edited();
    void retitle();

    Binding<ColorGradingParameters> grading_;
    WheelTab tab_ = WheelTab::all;
    LanguageWatch language_;
    PanelHeader* header_ = nullptr;
    ChipGrid* tabs_ = nullptr;
    QWidget* columnsBox_ = nullptr;
    std::array<Column, 3> columns_{};
    QWidget* card_ = nullptr;
    ElidedLabel* cardTitle_ = nullptr;
    InteractiveColorWheel* cardWheel_ = nullptr;
    ProSlider* cardLuminance_ = nullptr;
    ProSlider* balance_ = nullptr;
};

}  // namespace vantrel
