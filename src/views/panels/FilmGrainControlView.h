#pragma once
// FilmGrainControlView: the inspector section of the synthetic film grain.
// A header (symbol orange while the grain is on, reset while it is on), three
// one-tap presets, the amount slider and, while the amount is above 0.005, the
// size, roughness and dye-cloud sliders with a tip.
//
// It edits the recipe's grain record through its binding and emits changed()
// once per user edit: a preset or the reset writes the whole record once, a
// slider step writes when it changes its field. refresh() re-reads the record
// and emits nothing. Children are named "grain.<part>".
#include <vector>

#include <QWidget>

#include "model/FilmGrainParameters.h"
#include "views/kit/Icons.h"
#include "views/kit/ViewBasics.h"
#include "views/kit/FieldSlider.h"

class QLabel;

namespace vantrel {

class ChipRow;
class PanelHeader;

class FilmGrainControlView final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    explicit FilmGrainControlView(Binding<FilmGrainParameters> grain, QWidget* parent = nullptr);

    void refresh() override;

    // The presets, by chip identifier: "fine", "standard", "coarse".
    static FilmGrainParameters preset(const QString& id);

    PanelHeader* header() const { return header_; }
    ChipRow* presets() const { return presets_; }
    ProSlider* slider(const char* field) const { return sliders_.slider(field); }

Q_SIGNALS:
    void changed();

private:
    void write(const FilmGrainParameters& grain);
    void retitle();

    Binding<FilmGrainParameters> grain_;
    LanguageWatch language_;
    PanelHeader* header_ = nullptr;
    ChipRow* presets_ = nullptr;
    FieldSliders sliders_;
    std::vector<QWidget*> detail_;  // shown while the amount is above 0.005
    QLabel* tip_ = nullptr;
};

}  // namespace vantrel
