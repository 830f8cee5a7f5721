#pragma once
// Simulated film grain: how much, how coarse, how rough, how strongly coloured.
#include <array>

#include <nlohmann/json_fwd.hpp>

#include "model/ScalarParameter.h"

namespace vantrel {

struct FilmGrainParameters {
    double amount = 0;
    double size = 1.6;
    double roughness = 0.5;
    double colorDyeClouds = 0.25;

    static const FilmGrainParameters& defaultValue();

    // The clamping initialiser: amount, roughness and colorDyeClouds into 0...1,
    // size into 1...3.5 (NaN gives the upper bound).
    FilmGrainParameters clamped() const;

    // An amount below its threshold: the grain stage is skipped.
    bool isNeutral() const;

    bool operator==(const FilmGrainParameters&) const = default;
};

// Below an amount of 0.005 there is no grain.
template <>
struct ParameterTable<FilmGrainParameters> {
    using G = FilmGrainParameters;
    static constexpr std::array<ScalarParameter<G>, 4> rows{{
        {.key = "amount", .member = &G::amount, .neutral = 0, .tolerance = 0.005, .onlyAbove = true,
         .label = "grain.intensity"},
        {.key = "size", .member = &G::size, .lower = 1, .upper = 3.5, .neutral = 1.6, .step = 0.05, .unit = "x",
         .label = "grain.size"},
        {.key = "roughness", .member = &G::roughness, .neutral = 0.5, .label = "grain.roughness"},
        {.key = "colorDyeClouds", .member = &G::colorDyeClouds, .neutral = 0.25, .label = "grain.dyeClouds"},
    }};
};

inline bool FilmGrainParameters::isNeutral() const {
    return parameterOf(&FilmGrainParameters::amount).isNeutral(amount);
}

void to_json(nlohmann::json& j, const FilmGrainParameters& grain);
void from_json(const nlohmann::json& j, FilmGrainParameters& grain);

}  // namespace vantrel
