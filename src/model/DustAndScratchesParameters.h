#pragma once
// Synthetic dust specks and scratches laid over the image.
#include <array>

#include <nlohmann/json_fwd.hpp>

#include "model/ScalarParameter.h"

namespace vantrel {

struct DustAndScratchesParameters {
    double amount = 0;
    double scratchesDensity = 0.3;
    double dustSize = 1.0;

    static const DustAndScratchesParameters& defaultValue();

    // Only the amount matters.
    bool isNeutral() const;

    bool operator==(const DustAndScratchesParameters&) const = default;
};

// Below an amount of 0.005 there is no dust.
template <>
struct ParameterTable<DustAndScratchesParameters> {
    using D = DustAndScratchesParameters;
    static constexpr std::array<ScalarParameter<D>, 3> rows{{
        {.key = "amount", .member = &D::amount, .neutral = 0, .tolerance = 0.005, .onlyAbove = true,
         .label = "dust.amount"},
        {.key = "scratchesDensity", .member = &D::scratchesDensity, .neutral = 0.3, .label = "dust.scratches"},
        {.key = "dustSize", .member = &D::dustSize, .lower = 0.5, .upper = 2.5, .neutral = 1, .step = 0.05,
         .unit = "x", .label = "dust.size"},
    }};
};

inline bool DustAndScratchesParameters::isNeutral() const {
    return parameterOf(&DustAndScratchesParameters::amount).isNeutral(amount);
}

void to_json(nlohmann::json& j, const DustAndScratchesParameters& dust);
void from_json(const nlohmann::json& j, DustAndScratchesParameters& dust);

}  // namespace vantrel
