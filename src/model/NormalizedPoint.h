#pragma once
// A position in fractions of the image: x from the left, y from the top.
#include <nlohmann/json_fwd.hpp>

namespace vantrel {

struct NormalizedPoint {
    double x = 0;
    double y = 0;

    // The clamping initialiser: each coordinate into 0...1 (NaN gives 1).
    NormalizedPoint clamped() const;

    bool operator==(const NormalizedPoint&) const = default;
};

void to_json(nlohmann::json& j, const NormalizedPoint& point);
void from_json(const nlohmann::json& j, NormalizedPoint& point);

}  // namespace vantrel
