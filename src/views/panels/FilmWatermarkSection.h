#pragma once
// FilmWatermarkSection: the last group of the film frame panel, the exposure
// watermark printed on the developed frame (with or without a border). A
// header with its switch; while on, a box with the badge style and position,
// a one-line preview of the printed text with a button that fills the texts
// from the photo's shooting data, the custom text that replaces the whole
// line, and camera, lens, exposure and date fields.
//
// The fill happens only on the user's action: switching the watermark on while
// the camera field is empty, or the fill button; never when a recipe arrives.
// Each action writes the frame record once and emits changed() once (a typed
// edit once per change of its text). refresh() re-reads and emits nothing.
// Children are named "watermark.<part>".
#include <QWidget>

#include "model/FilmFrameParameters.h"
#include "model/ImageMetadataInfo.h"
#include "views/kit/ViewBasics.h"

namespace vantrel {

class Chip;
class ChipGrid;
class ElidedLabel;
class PanelTextField;
class RoundedBox;
class SymbolView;
class ToggleSwitch;

class FilmWatermarkSection final : public QWidget {
    Q_OBJECT

public:
    FilmWatermarkSection(Binding<FilmFrameParameters> frame, Source<ImageMetadataInfo> metadata,
                         QWidget* parent = nullptr);

    void refresh();
    void retitle();

    ToggleSwitch* enableSwitch() const { return switch_; }
    SymbolView* symbol() const { return symbol_; }
    QWidget* box() const;
    // The chip of a case ("typewriter", "bottomRight", ...).
    Chip* styleChip(FilmWatermarkStyle style) const;
    Chip* positionChip(FilmWatermarkPosition position) const;
    ElidedLabel* preview() const { return preview_; }
    Chip* fillButton() const { return fill_; }
    PanelTextField* customField() const { return custom_; }
    PanelTextField* cameraField() const { return camera_; }
    PanelTextField* lensField() const { return lens_; }
    PanelTextField* paramsField() const { return params_; }
    PanelTextField* dateField() const { return date_; }

Q_SIGNALS:
    void changed();

private:
    void write(const FilmFrameParameters& frame);
    PanelTextField* textField(const char* name, std::string FilmFrameParameters::*field, double fontPixels,
                              bool monospaced, int padding, double fill, double radius);

    Binding<FilmFrameParameters> frame_;
    Source<ImageMetadataInfo> metadata_;
    SymbolView* symbol_ = nullptr;
    ElidedLabel* title_ = nullptr;
    ToggleSwitch* switch_ = nullptr;
    RoundedBox* box_ = nullptr;
    ElidedLabel* styleCaption_ = nullptr;
    ElidedLabel* positionCaption_ = nullptr;
    ElidedLabel* customCaption_ = nullptr;
    ChipGrid* styles_ = nullptr;
    ChipGrid* positions_ = nullptr;
    ElidedLabel* preview_ = nullptr;
    Chip* fill_ = nullptr;
    PanelTextField* custom_ = nullptr;
    PanelTextField* camera_ = nullptr;
    PanelTextField* lens_ = nullptr;
    PanelTextField* params_ = nullptr;
    PanelTextField* date_ = nullptr;
};

}  // namespace vantrel
