#pragma once
// AdjustmentsColumn: the right-hand column that edits the current frame's recipe. The
// histogram, then the geometry, tone, colour, detail and vignette sections of
// its own between the adjustment and mask panels. It keeps no state: refresh()
// re-reads the view model; every edit writes the view model's recipe and asks
// for a preview, every reset asks for a final render.
#include <functional>
#include <vector>

#include <QWidget>

#include "views/kit/ViewBasics.h"
#include "model/EditParameters.h"

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace vantrel {

class BusyIndicator;
class DarkroomViewModel;
class FittingLabel;
class IconFallbackRow;
class ProSlider;

class AdjustmentsColumn final : public QWidget, public RefreshableView {
public:
    explicit AdjustmentsColumn(DarkroomViewModel& vm, QWidget* parent = nullptr);
    void refresh() override;

    const std::vector<ProSlider*>& sliders() const { return sliders_; }
    // The reset buttons shown now, by section title key (tests).
    std::vector<const char*> visibleResets() const;

private:
    struct Section {
        const char* titleKey;
        ParameterGroup group;
        FittingLabel* title;
        QPushButton* reset;
    };
    QWidget* geometrySection();
    QWidget* toneCurveEditor();
    // A section of the recipe's settings of one group: a title, a reset and their sliders,
    // all read from the recipe's parameter table.
    QWidget* slidersSection(ParameterGroup group);
    QPushButton* resetButton(std::function<void(EditParameters&)> reset);
    // A slider shown as its parameter row says, reading and writing the recipe through get and set.
    template <class Record>
    ProSlider* makeSlider(const ScalarParameter<Record>& row, std::function<double(const EditParameters&)> get,
                          std::function<void(EditParameters&, double)> set);
    void addPanel(QVBoxLayout* column, QWidget* panel, bool darkDividers = false);

    DarkroomViewModel& vm_;
    std::vector<ProSlider*> sliders_;
    std::vector<std::pair<ProSlider*, const char*>> sliderKeys_;
    std::vector<Section> sections_;
    std::vector<RefreshableView*> panels_;
    std::vector<std::pair<QWidget*, const char*>> texts_;  // buttons and labels retitled on refresh
    FittingLabel* geometryTitle_ = nullptr;
    QPushButton* cropReset_ = nullptr;
    QPushButton* cropToggle_ = nullptr;
    QPushButton* autoHorizon_ = nullptr;
    BusyIndicator* autoHorizonProgress_ = nullptr;
    IconFallbackRow* orientationRow_ = nullptr;
    std::vector<std::pair<QPushButton*, const char*>> orientation_;
    int blocks_ = 0;
};

}  // namespace vantrel
