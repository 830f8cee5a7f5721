#pragma once
// The recipe's local adjustments: linear and radial masks in order of creation, and the table
// of the kinds.
#include <array>
#include <cstddef>
#include <string_view>
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
    // The number of masks of every kind.
    int count() const;

    bool operator==(const MaskGroupParameters&) const = default;
};

enum class MaskKind { linear, radial };

// What the tools show of one kind of mask, whatever its record.
struct MaskKindInfo {
    MaskKind kind;
    const char* tag;         // names the kind's controls: "maskBar.add" + tag
    const char* symbol;      // the symbol of its add buttons and rows
    const char* nameKey;     // text key of a new mask's numbered name
    const char* buttonKey;   // text key of its add buttons
    const char* helpKey;     // text key of the inspector's add button's tooltip
    const char* paramsKey;   // text key of the title over its values
    std::array<std::string_view, 3> displayKeys;  // the parameter display's sliders before expanding
    const char* createdKey;  // text key of the status after one is added
};

// One kind of local mask: what the tools show of it, its list in the group and a new mask as
// the tools place it. Code that treats each kind goes over this table in its order: the order
// of the inspector's list and add buttons, of the render (later kinds drawn over earlier ones)
// and of the lookup by identifier. A new kind is one row here (its record, JSON schema, render
// and handles aside).
template <class Mask>
struct MaskKindRow : MaskKindInfo {
    std::vector<Mask> MaskGroupParameters::*member;
    Mask (*placed)();
};

inline constexpr std::tuple maskKinds{
    MaskKindRow<LinearMask>{{.kind = MaskKind::linear, .tag = "Linear", .symbol = "line.diagonal",
                             .nameKey = "mask.linearGradientDefault", .buttonKey = "mask.linear",
                             .helpKey = "mask.linearHelp", .paramsKey = "mask.linearParams",
                             .displayKeys = {"exposure", "contrast", "temperature"},
                             .createdKey = "status.linearMaskCreated"},
                            &MaskGroupParameters::linearMasks,
                            +[] {  // across the top of the frame, darkening the sky
                                LinearMask mask;
                                mask.startPoint = {0.5, 0.05};
                                mask.endPoint = {0.5, 0.45};
                                mask.exposure = -0.7;
                                return mask;
                            }},
    MaskKindRow<RadialMask>{{.kind = MaskKind::radial, .tag = "Radial", .symbol = "circle.dashed",
                             .nameKey = "mask.radialSpotDefault", .buttonKey = "mask.radial",
                             .helpKey = "mask.radialHelp", .paramsKey = "mask.radialParams",
                             .displayKeys = {"exposure", "feather", "contrast"},
                             .createdKey = "status.radialMaskCreated"},
                            &MaskGroupParameters::radialMasks,
                            +[] {  // in the middle, lifting it
                                RadialMask mask;
                                mask.exposure = 0.6;
                                return mask;
                            }},
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

// What the tools show of `kind`.
inline const MaskKindInfo& maskKindInfo(MaskKind kind) {
    const MaskKindInfo* info = nullptr;
    anyMaskKind([&](const MaskKindInfo& row) {
        if (row.kind == kind) info = &row;
        return info != nullptr;
    });
    return *info;
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
