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
