#pragma once
// Simulated film grain: how much, how coarse, how rough, how strongly coloured.
#include <nlohmann/json_fwd.hpp>

namespace vantrel {

struct FilmGrainParameters {
    double amount = 0;  // 0 means no grain
    double size = 1.6;
    double roughness = 0.5;
    double colorDyeClouds = 0.25;

    static const FilmGrainParameters& defaultValue();

    // The clamping initialiser: amount, roughness and colorDyeClouds into 0...1,
    // size into 1...3.5 (NaN gives the upper bound).
    FilmGrainParameters clamped() const;

    // The grain stage is skipped below this amount.
    bool isNeutral() const { return amount < 0.005; }

    bool operator==(const FilmGrainParameters&) const = default;
};

void to_json(nlohmann::json& j, const FilmGrainParameters& grain);
void from_json(const nlohmann::json& j, FilmGrainParameters& grain);

}  // namespace vantrel
