#pragma once
// NegativeLabControlView: the inspector section that inverts a scanned
// negative. A header with the switch; while on, a box with the film type, the
// film base (swatch, hex text, the eyedropper and four base presets; colour
// negatives only) and the inversion's sliders (colour balance for colour
// negatives only). Hidden rows keep their values.
//
// It edits the recipe's negative-conversion record through its binding: every
// user action writes once and emits changed() once. Switching on loads the
// enabled defaults while the density stretch is below 0.1 (otherwise only the
// flag changes); that happens on the photographer's flip of the switch only,
// never because a refreshed recipe has the conversion on. refresh() re-reads
// the record and emits nothing.
//
// The eyedropper asks the screen colour sampler the window hands it. The pick
// belongs to the frame it started on: when the frame changes before the colour
// comes, the pick is ended and its colour dropped. Without a sampler, or while
// the sampler is unavailable, the eyedropper is disabled and its tooltip says
// why. Children are named "negativeLab.<part>".
#include <optional>
#include <vector>

#include <QPointer>
#include <QWidget>

#include "model/NegativeLabParameters.h"
#include "views/kit/Icons.h"
#include "views/kit/ScreenColorSampler.h"
#include "views/kit/ViewBasics.h"
#include "views/kit/FieldSlider.h"

class QLabel;

namespace vantrel {

class Chip;
class ChipRow;
class ColorSwatch;
class FittingLabel;
class PanelHeader;
class RoundedBox;

class NegativeLabControlView final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    // `frame` names the current frame (a pick is tied to it); `sampler` may be null.
    NegativeLabControlView(Binding<NegativeLabParameters> negative, Source<QString> frame, ScreenColorSampler* sampler,
                           QWidget* parent = nullptr);

    void refresh() override;

    // The film base presets, by chip identifier: "gold", "fuji", "cinema", "neutral".
    static std::vector<double> basePreset(const QString& id);

    // A pick was started and has not ended yet.
    bool isSampling() const { return pickFrame_.has_value(); }
    ScreenColorSampler* sampler() const { return sampler_; }
    // Another sampler (not owned); a running pick of the old one is ended.
    void setSampler(ScreenColorSampler* sampler);

    PanelHeader* header() const { return header_; }
    RoundedBox* controls() const { return controls_; }
    ChipRow* filmTypes() const { return filmTypes_; }
    QWidget* filmBase() const { return filmBase_; }
    ColorSwatch* swatch() const { return swatch_; }
    QLabel* hexText() const { return hex_; }
    Chip* eyedropper() const { return eyedropper_; }
    ChipRow* basePresets() const { return basePresets_; }
    ProSlider* slider(const char* field) const { return sliders_.slider(field); }

Q_SIGNALS:
    void changed();

private:
    void write(const NegativeLabParameters& negative);
    void switched(bool on);
    void startSampling();
    void sampled(quint64 pick, std::optional<SampledColor> colour);
    void endSampling();
    void refreshEyedropper();
    void retitle();

    Binding<NegativeLabParameters> negative_;
    Source<QString> frame_;
    QPointer<ScreenColorSampler> sampler_;
    LanguageWatch language_;
    std::optional<QString> pickFrame_;  // the frame of the running pick
    quint64 picks_ = 0;                 // numbers the picks; a superseded pick's colour is dropped

    PanelHeader* header_ = nullptr;
    RoundedBox* controls_ = nullptr;
    QLabel* filmTypeCaption_ = nullptr;
    ChipRow* filmTypes_ = nullptr;
    QWidget* filmBase_ = nullptr;
    FittingLabel* filmBaseCaption_ = nullptr;
    ColorSwatch* swatch_ = nullptr;
    QLabel* hex_ = nullptr;
    Chip* eyedropper_ = nullptr;
    ChipRow* basePresets_ = nullptr;
    FieldSliders sliders_;
};

}  // namespace vantrel
