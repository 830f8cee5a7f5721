#pragma once
// The recipe's local adjustments: linear and radial masks in order of creation, and the table
// of the two kinds.
#include <cstddef>
#include <tuple>
#include <utility>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "model/LinearMask.h"
#include "model/RadialMask.h"

namespace vantrel {

struct MaskGroupParameters {
    std::vector<LinearMask> linearMasks{};
    std::vector<RadialMask> radialMasks{};

    static const MaskGroupParameters& defaultValue();

    // True when no enabled mask changes anything.
    bool isIdentity() const;

    bool operator==(const MaskGroupParameters&) const = default;
};

enum class MaskKind { linear, radial };

// One kind of local mask: its list in the group, the text key of a new mask's numbered name and
// that of its add button. Code that treats each kind goes over this table in its order: the
// order of the inspector's list, of the render (later kinds drawn over earlier ones) and of the
// lookup by identifier.
template <class Mask>
struct MaskKindRow {
    MaskKind kind;
    std::vector<Mask> MaskGroupParameters::*member;
    const char* nameKey;
    const char* buttonKey;
};

inline constexpr std::tuple maskKinds{
    MaskKindRow<LinearMask>{MaskKind::linear, &MaskGroupParameters::linearMasks, "mask.linearGradientDefault",
                            "mask.linear"},
    MaskKindRow<RadialMask>{MaskKind::radial, &MaskGroupParameters::radialMasks, "mask.radialSpotDefault",
                            "mask.radial"},
};

// Calls visit(row) for every kind, in the table's order.
template <class Visit>
void forEachMaskKind(Visit&& visit) {
    std::apply([&](const auto&... row) { (visit(row), ...); }, maskKinds);
}

// Calls visit(row) in the table's order until one returns true; whether one did.
template <class Visit>
bool anyMaskKind(Visit&& visit) {
    return std::apply([&](const auto&... row) { return (visit(row) || ...); }, maskKinds);
}

// The same from the last kind to the first: the topmost first.
template <class Visit>
bool anyMaskKindTopFirst(Visit&& visit) {
    constexpr std::size_t n = std::tuple_size_v<decltype(maskKinds)>;
    return [&]<std::size_t... i>(std::index_sequence<i...>) {
        return (visit(std::get<n - 1 - i>(maskKinds)) || ...);
    }(std::make_index_sequence<n>{});
}

void to_json(nlohmann::json& j, const MaskGroupParameters& masks);
void from_json(const nlohmann::json& j, MaskGroupParameters& masks);

}  // namespace vantrel
