#pragma once
// The mask tools' shared rules, apart from any widget: finding a mask by its
// identifier (linear masks first), reading and writing one of its values,
// deleting it with the selection that follows, the one-click presets, the
// reset, and the exposure read-out. Every edit names its mask by identifier and
// reports whether the mask was there; nothing is remembered by position.
#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include <QString>

#include "model/EditParameters.h"
#include "model/MaskGroupParameters.h"
#include "model/Uuid.h"

namespace vantrel {

enum class MaskKind { linear, radial };

struct MaskLocation {
    MaskKind kind = MaskKind::linear;
    std::size_t index = 0;
    bool operator==(const MaskLocation&) const = default;
};

// The first linear mask with the identifier, else the first radial one.
std::optional<MaskLocation> locateMask(const MaskGroupParameters& masks, const std::optional<Uuid>& id);

// The first mask of the kind `first`, else the first of the other kind, else
// none: the selection after a deletion. The canvas and the bar try linear
// masks first; a row of the inspector's list tries its own kind first.
std::optional<Uuid> firstMaskID(const MaskGroupParameters& masks, MaskKind first = MaskKind::linear);

// Removes every linear and every radial mask with the identifier and returns
// the selection that follows (firstMaskID of what remains).
std::optional<Uuid> removeMask(MaskGroupParameters& masks, const Uuid& id);

// Removes the first mask of one kind with the identifier (a row of a list).
// False when there is none.
bool removeMaskOfKind(MaskGroupParameters& masks, MaskKind kind, const Uuid& id);

// Applies `edit` to the mask with the identifier (linear first); `edit` takes
// a LinearMask& or a RadialMask&. False, and nothing touched, when it is gone.
template <typename Edit>
bool editMask(MaskGroupParameters& masks, const std::optional<Uuid>& id, Edit&& edit) {
    const std::optional<MaskLocation> at = locateMask(masks, id);
    if (!at) return false;
    if (at->kind == MaskKind::linear)
        edit(masks.linearMasks[at->index]);
    else
        edit(masks.radialMasks[at->index]);
    return true;
}

// The same for the first mask of a given kind only.
template <typename Edit>
bool editMaskOfKind(MaskGroupParameters& masks, MaskKind kind, const Uuid& id, Edit&& edit) {
    auto apply = [&](auto& list) {
        for (auto& mask : list)
            if (mask.id == id) {
                edit(mask);
                return true;
            }
        return false;
    };
    return kind == MaskKind::linear ? apply(masks.linearMasks) : apply(masks.radialMasks);
}

// The local values a slider edits. Feather belongs to radial masks only.
enum class MaskField { exposure, contrast, highlights, shadows, temperature, tint, saturation, feather };

// The value of the mask with the identifier, or none when the mask is gone or
// has no such value.
std::optional<double> maskValue(const MaskGroupParameters& masks, const std::optional<Uuid>& id, MaskField field);
// Writes one value; false (nothing written) when the mask is gone or lacks the value.
bool setMaskValue(MaskGroupParameters& masks, const std::optional<Uuid>& id, MaskField field, double value);

// The summary the bar and the parameter display show: the mask's name and
// exposure, or nothing found.
struct MaskSummary {
    std::optional<MaskKind> kind;  // none: no mask has the identifier
    std::string name;
    double exposure = 0;
    bool isInverted = false;
};
MaskSummary summarizeMask(const MaskGroupParameters& masks, const std::optional<Uuid>& id);

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
// Neutral local values and no inversion; feather and geometry stay.
bool resetMaskCorrections(MaskGroupParameters& masks, const Uuid& id);
bool toggleMaskInversion(MaskGroupParameters& masks, const Uuid& id);

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
