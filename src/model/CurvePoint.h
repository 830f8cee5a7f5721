#pragma once
// One control point of the tone curve: input level x, output level y, both 0 to 1.
#include <nlohmann/json_fwd.hpp>

#include "model/Uuid.h"

namespace vantrel {

struct CurvePoint {
    Uuid id = Uuid::random();
    double x = 0;
    double y = 0;

    // The clamping initialiser: x and y limited to 0...1 (NaN gives 1).
    // Building a point field by field stores the values as given.
    CurvePoint clamped() const;

    bool operator==(const CurvePoint&) const = default;
    // Same place on the curve, whatever the identifiers.
    bool sameShape(const CurvePoint& other) const { return x == other.x && y == other.y; }
};

// Reading: "id" may be missing or null (a fresh identifier), "x" and "y" are
// required and clamped like the initialiser.
void to_json(nlohmann::json& j, const CurvePoint& point);
void from_json(const nlohmann::json& j, CurvePoint& point);

}  // namespace vantrel
