#pragma once
// HalationControlView: the inspector section of the red halation glow around
// bright areas and the mist bloom. A header with the switch; while on, three
// looks (presets that write the whole record), a reset, and two cards of
// sliders (halation: glow, radius, threshold; bloom: intensity, radius).
//
// It edits the recipe's halation record through its binding: each user action
// writes once and emits changed() once. Switching on loads the enabled
// defaults while both intensities are below 0.01 (otherwise only the flag
// changes), on the photographer's flip of the switch only. Both resets load
// the enabled defaults, so the effect stays on. refresh() re-reads the recipe
// and emits nothing. Children are named "halation.<part>".
#include <vector>

#include <QWidget>

#include "model/EditParameters.h"
#include "views/kit/Icons.h"
#include "views/kit/ViewBasics.h"
#include "views/kit/FieldSlider.h"

class QLabel;

namespace vantrel {

class Chip;
class ChipRow;
class PanelHeader;

class HalationControlView final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    explicit HalationControlView(Binding<EditParameters> parameters, QWidget* parent = nullptr);

    void refresh() override;

    // The looks, by chip identifier: "cine800T", "vision500T", "blackMist".
    static HalationParameters preset(const QString& id);
    // Replaces the whole record (the effect's flag included), writes once, reports once.
    void applyPreset(const HalationParameters& halation);
    void resetToEnabledDefault() { applyPreset(HalationParameters::enabledDefault()); }

    PanelHeader* header() const { return header_; }
    QWidget* body() const { return body_; }
    ChipRow* presets() const { return presets_; }
    Chip* rowReset() const { return rowReset_; }
    ProSlider* slider(const char* field) const { return sliders_.slider(field); }

Q_SIGNALS:
    void changed();

private:
    void switched(bool on);
    void retitle();

    Binding<EditParameters> parameters_;
    LanguageWatch language_;
    PanelHeader* header_ = nullptr;
    QWidget* body_ = nullptr;
    ChipRow* presets_ = nullptr;
    Chip* rowReset_ = nullptr;
    QLabel* halationCaption_ = nullptr;
    QLabel* bloomCaption_ = nullptr;
    FieldSliders sliders_;
};

}  // namespace vantrel
