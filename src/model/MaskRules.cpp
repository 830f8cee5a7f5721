#include "model/MaskRules.h"

#include <type_traits>

namespace vantrel {

namespace {

template <typename List>
std::optional<std::size_t> indexOf(const List& list, const Uuid& id) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].id == id) return i;
    return std::nullopt;
}

// The value's place in a mask (const or not); none for feather of a linear mask.
template <typename Mask>
auto fieldOf(Mask& mask, MaskField field) -> std::conditional_t<std::is_const_v<Mask>, const double*, double*> {
    switch (field) {
    case MaskField::exposure: return &mask.exposure;
    case MaskField::contrast: return &mask.contrast;
    case MaskField::highlights: return &mask.highlights;
    case MaskField::shadows: return &mask.shadows;
    case MaskField::temperature: return &mask.temperature;
    case MaskField::tint: return &mask.tint;
    case MaskField::saturation: return &mask.saturation;
    case MaskField::feather:
        if constexpr (requires { mask.feather; }) return &mask.feather;
        return nullptr;
    }
    return nullptr;
}

}  // namespace

std::optional<MaskLocation> locateMask(const MaskGroupParameters& masks, const std::optional<Uuid>& id) {
    std::optional<MaskLocation> at;
    if (!id) return at;
    anyMaskKind([&](const auto& kind) {
        if (const auto i = indexOf(masks.*kind.member, *id)) at = MaskLocation{kind.kind, *i};
        return at.has_value();
    });
    return at;
}

std::optional<Uuid> firstMaskID(const MaskGroupParameters& masks, MaskKind first) {
    std::optional<Uuid> id;
    auto front = [&](const auto& kind) {
        const auto& list = masks.*kind.member;
        if (!list.empty()) id = list.front().id;
        return id.has_value();
    };
    if (!anyMaskKind([&](const auto& kind) { return kind.kind == first && front(kind); })) anyMaskKind(front);
    return id;
}

std::optional<Uuid> removeMask(MaskGroupParameters& masks, const Uuid& id) {
    forEachMaskKind([&](const auto& kind) {
        std::erase_if(masks.*kind.member, [&](const auto& m) { return m.id == id; });
    });
    return firstMaskID(masks);
}

bool removeMaskOfKind(MaskGroupParameters& masks, MaskKind kind, const Uuid& id) {
    return anyMaskKind([&](const auto& row) {
        auto& list = masks.*row.member;
        const auto i = row.kind == kind ? indexOf(list, id) : std::nullopt;
        if (i) list.erase(list.begin() + std::ptrdiff_t(*i));
        return i.has_value();
    });
}

std::optional<double> maskValue(const MaskGroupParameters& masks, const std::optional<Uuid>& id, MaskField field) {
    std::optional<double> value;
    editMask(masks, id, [&](const auto& mask) {
        if (const double* v = fieldOf(mask, field)) value = *v;
    });
    return value;
}

bool setMaskValue(MaskGroupParameters& masks, const std::optional<Uuid>& id, MaskField field, double value) {
    bool written = false;
    editMask(masks, id, [&](auto& mask) {
        if (double* v = fieldOf(mask, field)) {
            *v = value;
            written = true;
        }
    });
    return written;
}

MaskSummary summarizeMask(const MaskGroupParameters& masks, const std::optional<Uuid>& id) {
    MaskSummary summary;
    if (const std::optional<MaskLocation> at = locateMask(masks, id)) summary.kind = at->kind;
    editMask(masks, id, [&](const auto& mask) {
        summary.name = mask.name;
        summary.exposure = mask.exposure;
        summary.isInverted = mask.isInverted;
    });
    return summary;
}

bool resetMaskCorrections(MaskGroupParameters& masks, const Uuid& id) {
    return editMask(masks, id, [](auto& mask) {
        for (const auto& row : ParameterTable<std::remove_reference_t<decltype(mask)>>::rows)
            mask.*row.member = row.neutral;
        mask.isInverted = false;
    });
}

bool toggleMaskInversion(MaskGroupParameters& masks, const Uuid& id) {
    return editMask(masks, id, [](auto& mask) { mask.isInverted = !mask.isInverted; });
}

}  // namespace vantrel
