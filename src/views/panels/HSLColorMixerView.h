#pragma once
// HSLColorMixerView: the inspector section that shifts the hue, saturation and
// luminance of eight colour ranges. A header (reset-all while any channel is
// edited), one round swatch per channel (the chosen one ringed, an edited one
// marked), and a box editing the chosen channel: its name, a channel reset
// while it is edited, and three slider rows tinted in its colour. The chosen
// channel is the view's own state: orange at first, kept across refreshes,
// changed only by a swatch, and never written to the recipe.
//
// It edits the recipe's HSL entries through its binding: a slider step that
// changes its value, the channel reset and the reset-all are each one write of
// the entries and one changed(); a channel whose three offsets are all neutral
// loses its entry. refresh() re-reads the entries and emits nothing.
// Children are named "hsl.<part>"; swatches "hsl.swatch.<channel>".
#include <array>

#include <QWidget>

#include "model/HSLAdjustment.h"
#include "views/kit/Icons.h"
#include "views/kit/ViewBasics.h"

namespace vantrel {

class Chip;
class ColorSwatch;
class ElidedLabel;
class PanelHeader;
class ProSlider;

class HSLColorMixerView final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    enum class Offset { hue, saturation, luminance };

    explicit HSLColorMixerView(Binding<HSLAdjustments> adjustments, QWidget* parent = nullptr);

    void refresh() override;

    HSLColorChannel selectedChannel() const { return selected_; }
    PanelHeader* header() const { return header_; }
    ColorSwatch* swatch(HSLColorChannel channel) const { return swatches_[std::size_t(channel)]; }
    ElidedLabel* channelTitle() const { return channelTitle_; }
    Chip* channelReset() const { return channelReset_; }
    ProSlider* slider(Offset offset) const { return sliders_[std::size_t(offset)]; }

Q_SIGNALS:
    void changed();

private:
    void select(HSLColorChannel channel);
    void write(const HSLAdjustment& adjustment);
    void retitle();

    Binding<HSLAdjustments> adjustments_;
    HSLColorChannel selected_ = HSLColorChannel::orange;
    LanguageWatch language_;
    PanelHeader* header_ = nullptr;
    std::array<ColorSwatch*, 8> swatches_{};
    ElidedLabel* channelTitle_ = nullptr;
    Chip* channelReset_ = nullptr;
    std::array<ProSlider*, 3> sliders_{};
};

}  // namespace vantrel
