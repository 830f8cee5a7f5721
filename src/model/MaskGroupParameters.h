#pragma once
// The recipe's local adjustments: linear and radial masks in order of creation.
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

void to_json(nlohmann::json& j, const MaskGroupParameters& masks);
void from_json(const nlohmann::json& j, MaskGroupParameters& masks);

}  // namespace vantrel
