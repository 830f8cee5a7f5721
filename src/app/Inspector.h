#pragma once
// Inspector: the right-hand column that edits the current frame's recipe. The
// histogram, then the geometry, tone, colour, detail and vignette sections of
// its own between the adjustment and mask panels. It keeps no state: refresh()
// re-reads the view model; every edit writes the view model's recipe and asks
// for a preview, every reset asks for a final render.
#include <functional>
#include <vector>

#include <QWidget>

#include "app/standins/StandInView.h"
#include "model/EditParameters.h"

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace vantrel {

class DarkroomViewModel;
class FittingLabel;
class IconFallbackRow;
class ProSlider;

// The change tests that show a section's reset button.
bool toneSectionChanged(const EditParameters& p);
bool colorSectionChanged(const EditParameters& p);
bool detailSectionChanged(const EditParameters& p);
bool vignetteSectionChanged(const EditParameters& p);

class Inspector final : public QWidget, public RefreshableView {
public:
    explicit Inspector(DarkroomViewModel& vm, QWidget* parent = nullptr);
    void refresh() override;

    const std::vector<ProSlider*>& sliders() const { return sliders_; }
    // The reset buttons shown now, by section title key (tests).
    std::vector<const char*> visibleResets() const;

private:
    struct Section {
        const char* titleKey;
        FittingLabel* title;
        QPushButton* reset;
        std::function<bool(const EditParameters&)> changed;
    };
    QWidget* geometrySection();
    QWidget* toneCurveEditor();
    QWidget* slidersSection(const char* titleKey, std::function<bool(const EditParameters&)> changed,
                            std::function<void(EditParameters&)> reset, QVBoxLayout*& rows);
    QPushButton* resetButton(std::function<void(EditParameters&)> reset);
    void addSlider(QVBoxLayout* rows, const char* key, double EditParameters::*field, double lower, double upper,
                   double defaultValue, double step = 0.01, const char* format = "%.2f", const char* unit = "",
                   QColor tint = {});
    ProSlider* makeSlider(const char* key, std::function<double(const EditParameters&)> get,
                          std::function<void(EditParameters&, double)> set, double lower, double upper,
                          double defaultValue, double step, const char* format, const char* unit, QColor tint);
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
    IconFallbackRow* orientationRow_ = nullptr;
    std::vector<std::pair<QPushButton*, const char*>> orientation_;
    int blocks_ = 0;
};

}  // namespace vantrel
