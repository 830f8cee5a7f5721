#pragma once
// FilmFrameControlView: the inspector section of the printed film border. A
// header (symbol orange and reset shown while the frame record is not neutral:
// a style is chosen or the watermark is on), the frame style chips (choosing
// any style but none switches the frame on), and while a style is chosen the
// options: rebate colour, border or sprocket size, the stock text and frame
// number with their switches and suggestion chips, and for the sprocketed
// styles the edge barcode. The watermark section (FilmWatermarkSection) comes
// last, whatever the style. Hidden rows keep their values.
//
// It edits the recipe's frame record through its binding and reads the
// current photo's shooting data for the watermark. Each user action writes the
// record once and emits changed() once: a chip (also the one already chosen),
// the reset, a switch, a slider step that changes the size, a typed edit.
// refresh() re-reads and emits nothing. Children are named "frame.<part>".

#include <QWidget>

#include "model/FilmFrameParameters.h"
#include "model/ImageMetadataInfo.h"
#include "views/kit/Icons.h"
#include "views/kit/ViewBasics.h"

class QCheckBox;

namespace vantrel {

class Chip;
class ChipGrid;
class ChipRow;
class ElidedLabel;
class FilmWatermarkSection;
class PanelHeader;
class PanelTextField;
class ProSlider;
class RoundedBox;
class ToggleSwitch;

class FilmFrameControlView final : public QWidget, public RefreshableView {
    Q_OBJECT

public:
    FilmFrameControlView(Binding<FilmFrameParameters> frame, Source<ImageMetadataInfo> metadata,
                         QWidget* parent = nullptr);

    void refresh() override;

    PanelHeader* header() const { return header_; }
    Chip* styleChip(FilmFrameStyle style) const;
    QWidget* optionsBox() const;
    ChipGrid* styleChips() const { return styles_; }
    ChipGrid* colorChips() const { return colors_; }
    ProSlider* sizeSlider() const { return size_; }
    ToggleSwitch* stockSwitch() const { return stockSwitch_; }
    PanelTextField* stockField() const { return stockField_; }
    ChipRow* stockChips() const { return stockChips_; }
    ToggleSwitch* numberSwitch() const { return numberSwitch_; }
    PanelTextField* numberField() const { return numberField_; }
    ChipRow* numberChips() const { return numberChips_; }
    QCheckBox* barcode() const { return barcode_; }
    FilmWatermarkSection* watermark() const { return watermark_; }

Q_SIGNALS:
    void changed();

private:
    void write(const FilmFrameParameters& frame);
    void edited();
    void retitle();

    Binding<FilmFrameParameters> frame_;
    LanguageWatch language_;
    PanelHeader* header_ = nullptr;
    ElidedLabel* styleCaption_ = nullptr;
    ChipGrid* styles_ = nullptr;
    RoundedBox* options_ = nullptr;
    ElidedLabel* colorCaption_ = nullptr;
    ChipGrid* colors_ = nullptr;
    ProSlider* size_ = nullptr;
    ElidedLabel* stockCaption_ = nullptr;
    ToggleSwitch* stockSwitch_ = nullptr;
    PanelTextField* stockField_ = nullptr;
    ChipRow* stockChips_ = nullptr;
    ElidedLabel* numberCaption_ = nullptr;
    ToggleSwitch* numberSwitch_ = nullptr;
    PanelTextField* numberField_ = nullptr;
    ChipRow* numberChips_ = nullptr;
    QCheckBox* barcode_ = nullptr;
    FilmWatermarkSection* watermark_ = nullptr;
};

}  // namespace vantrel
