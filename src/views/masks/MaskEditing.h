#pragma once
// What the mask tools show beside the model's mask rules: the one-click
// presets, the exposure read-out and the slider rows.
#include <optional>
#include <span>

#include <QString>

#include "model/EditParameters.h"
#include "model/MaskRules.h"

namespace vantrel {

// "+0.35 EV", "-0.50 EV": always a sign and two decimals.
QString exposureReadout(double exposure);
// Only an exposure further than 0.01 from zero is shown in the accent colour.
bool exposureStandsOut(double exposure);

// One of the one-click looks of the parameter display.
struct MaskPreset {
    const char* key;    // its name's localisation key
    MaskKind kind;      // presets touch masks of their own kind only
    const char* hover;  // a short technical hint, shown as it stands
    double exposure, contrast, highlights, shadows, temperature, saturation;
    std::optional<bool> inverted;  // radial presets also set the inversion
};
std::span<const MaskPreset> maskPresets();

// Writes the preset's values into the mask with the identifier when it is of
// the preset's kind; tint, feather, geometry and name keep their values.
bool applyMaskPreset(MaskGroupParameters& masks, const Uuid& id, const MaskPreset& preset);

// One slider row of the mask tools.
enum class MaskTint { accent, orange, magenta };
struct MaskSliderRow {
    MaskField field;
    const char* titleKey;
    double lower, upper, defaultValue, step;
    const char* format;
    const char* unit;
    MaskTint tint;
};
// The inspector's card: seven rows for a linear mask, eight for a radial one
// (feather second).
std::span<const MaskSliderRow> inspectorSliders(MaskKind kind);
// The parameter display's main and advanced groups.
std::span<const MaskSliderRow> displayMainSliders(MaskKind kind);
std::span<const MaskSliderRow> displayAdvancedSliders(MaskKind kind);

}  // namespace vantrel
