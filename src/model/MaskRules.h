#pragma once
// The rules every mask tool edits by: finding a mask by its identifier (the kinds in the
// table's order), the selection after a deletion, removing, editing, reading and writing one
// value, the reset and the inversion. Every edit names its mask by identifier and reports
// whether the mask was there; nothing is remembered by position.
#include <cstddef>
#include <optional>
#include <string>

#include "model/MaskGroupParameters.h"
#include "model/Uuid.h"

namespace vantrel {

struct MaskLocation {
    MaskKind kind = MaskKind::linear;
    std::size_t index = 0;
    bool operator==(const MaskLocation&) const = default;
};

// The first linear mask with the identifier, else the first radial one.
std::optional<MaskLocation> locateMask(const MaskGroupParameters& masks, const std::optional<Uuid>& id);

// The first mask of the kind `first`, else the first of the table's order, else none: the
// selection after a deletion. The canvas and the bar try linear masks first; a row of the
// inspector's list tries its own kind first.
std::optional<Uuid> firstMaskID(const MaskGroupParameters& masks, MaskKind first = MaskKind::linear);

// Removes every mask of every kind with the identifier and returns the selection that follows
// (firstMaskID of what remains).
std::optional<Uuid> removeMask(MaskGroupParameters& masks, const Uuid& id);

// Removes the first mask of one kind with the identifier (a row of a list). False when there is
// none.
bool removeMaskOfKind(MaskGroupParameters& masks, MaskKind kind, const Uuid& id);

// Applies `edit` to the first mask in `list` with the identifier; whether there was one.
template <typename List, typename Edit>
bool editFirstWithID(List& list, const Uuid& id, Edit&& edit) {
    for (auto& mask : list)
        if (mask.id == id) {
            edit(mask);
            return true;
        }
    return false;
}

// Applies `edit` to the mask with the identifier (linear first); `edit` takes a LinearMask& or a
// RadialMask& (const ones for a const group). False, and nothing touched, when it is gone.
template <typename Group, typename Edit>
bool editMask(Group& masks, const std::optional<Uuid>& id, Edit&& edit) {
    return id && anyMaskKind([&](const auto& kind) { return editFirstWithID(masks.*kind.member, *id, edit); });
}

// The same for the first mask of a given kind only.
template <typename Group, typename Edit>
bool editMaskOfKind(Group& masks, MaskKind kind, const Uuid& id, Edit&& edit) {
    return anyMaskKind([&](const auto& row) {
        return row.kind == kind && editFirstWithID(masks.*row.member, id, edit);
    });
}

// The first mask of type Mask with the identifier (const in a const group), or null.
template <typename Mask, typename Group>
auto* findMaskOfType(Group& masks, const std::optional<Uuid>& id) {
    auto& list = masks.*std::get<MaskKindRow<Mask>>(maskKinds).member;
    decltype(list.data()) found = nullptr;
    if (id) editFirstWithID(list, *id, [&](auto& mask) { found = &mask; });
    return found;
}

// The value `member` of the mask of its type with the identifier, or none when it is gone.
template <typename Mask>
std::optional<double> maskValue(const MaskGroupParameters& masks, const std::optional<Uuid>& id,
                                double Mask::*member) {
    const Mask* mask = findMaskOfType<Mask>(masks, id);
    return mask ? std::optional<double>(mask->*member) : std::nullopt;
}
// Writes one value; false (nothing written) when the mask is gone.
template <typename Mask>
bool setMaskValue(MaskGroupParameters& masks, const std::optional<Uuid>& id, double Mask::*member, double value) {
    Mask* mask = findMaskOfType<Mask>(masks, id);
    if (mask) mask->*member = value;
    return mask != nullptr;
}

// What the bar and the parameter display show of a mask: its kind, name and exposure, or no
// kind when no mask has the identifier.
struct MaskSummary {
    std::optional<MaskKind> kind;
    std::string name;
    double exposure = 0;
    bool isInverted = false;
};
MaskSummary summarizeMask(const MaskGroupParameters& masks, const std::optional<Uuid>& id);

// Neutral local values and no inversion; feather and geometry stay.
bool resetMaskCorrections(MaskGroupParameters& masks, const Uuid& id);
bool toggleMaskInversion(MaskGroupParameters& masks, const Uuid& id);

}  // namespace vantrel
