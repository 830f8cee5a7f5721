#pragma once
// FilmPhysicsControlView: the inspector section of two simulated defects:
// light leaks (a style, the edge they come from, their amount) and scanner
// dust and scratches (amount, scratches, dust size). The header's symbol turns
// yellow and its reset shows while either record takes effect; one reset
// returns both records to their defaults. The position and leak amount show
// while a leak style is chosen, the scratches and dust size while the dust
// amount is above 0.005; hidden rows keep their values.
//
// Each control writes only its own field, once, and emits changed() once when
// it changes the value; the reset emits changed() once. refresh() re-reads
// both records and emits nothing. Children are named "physics.<part>".
#include <vector>

#include <QWidget>

#include "model/DustAndScratchesParameters.h"
#include "model/LightLeakParameters.h"
#include "views/kit/Icons.h"
#include "views/kit/ViewBasics.h"

class QLabel;

namespace vantrel {

class MenuPicker;
class PanelHeader;
class ProSlider;

class FilmPhysicsControlView final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    FilmPhysicsControlView(Binding<LightLeakParameters> lightLeaks,
                           Binding<DustAndScratchesParameters> dustAndScratches, QWidget* parent = nullptr);

    void refresh() override;

    // Either record is not neutral.
    bool isActive() const;

    PanelHeader* header() const { return header_; }
    MenuPicker* stylePicker() const { return style_; }
    MenuPicker* positionPicker() const { return position_; }
    ProSlider* leakAmount() const { return leakAmount_; }
    ProSlider* dustAmount() const { return dustAmount_; }
    ProSlider* scratches() const { return scratches_; }
    ProSlider* dustSize() const { return dustSize_; }

Q_SIGNALS:
    void changed();

private:
    void edited();
    void reset();
    void retitle();

    Binding<LightLeakParameters> lightLeaks_;
    Binding<DustAndScratchesParameters> dust_;
    LanguageWatch language_;
    PanelHeader* header_ = nullptr;
    QLabel* leakCaption_ = nullptr;
    QLabel* dustCaption_ = nullptr;
    MenuPicker* style_ = nullptr;
    MenuPicker* position_ = nullptr;
    ProSlider* leakAmount_ = nullptr;
    ProSlider* dustAmount_ = nullptr;
    ProSlider* scratches_ = nullptr;
    ProSlider* dustSize_ = nullptr;
};

}  // namespace vantrel
