#pragma once
// What the mask tools show beside the model's mask rules: the one-click
// presets, the exposure read-out and the order of the slider rows.
#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <QString>

#include "model/EditParameters.h"
#include "model/MaskRules.h"

namespace vantrel {

// "+0.35 EV", "-0.50 EV": always a sign and two decimals.
QString exposureReadout(double exposure);
// Only an exposure further than 0.01 from zero is shown in the accent colour.
bool exposureStandsOut(double exposure);
// A mask's name as the tools show it: a name the tools gave it ("Radial Spotlight 2", in
// whichever language it was made) in the language chosen now, with its number; any other
// as it stands.
QString shownMaskName(const std::string& name);

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

// A mask's slider rows in the inspector's order: exposure, the rows that shape the mask (a
// radial mask's feather), then its other corrections.
template <class Mask>
std::vector<const ScalarParameter<Mask>*> maskSliderRows(const MaskKindRow<Mask>&) {
    const auto& corrections = ParameterTable<Mask>::rows;
    std::vector<const ScalarParameter<Mask>*> rows{&corrections[0]};
    for (const ScalarParameter<Mask>& row : ParameterTable<Mask>::shapeRows) rows.push_back(&row);
    for (std::size_t i = 1; i < corrections.size(); ++i) rows.push_back(&corrections[i]);
    return rows;
}

// The parameter display's rows: the kind's main ones, or when `advanced` the others, each group
// in the inspector's order.
template <class Mask>
std::vector<const ScalarParameter<Mask>*> displaySliderRows(const MaskKindRow<Mask>& kind, bool advanced) {
    std::vector<const ScalarParameter<Mask>*> rows;
    for (const ScalarParameter<Mask>* row : maskSliderRows(kind))
        if ((std::ranges::find(kind.displayKeys, row->key) == kind.displayKeys.end()) == advanced) rows.push_back(row);
    return rows;
}

}  // namespace vantrel
