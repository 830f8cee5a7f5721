#pragma once
// A plain 2-D point, stored in JSON as the array [x, y].
#include <nlohmann/json_fwd.hpp>

namespace vantrel {

struct Point {
    double x = 0;
    double y = 0;

    bool operator==(const Point&) const = default;
};

// Reading takes the first two elements of an array of at least two numbers.
void to_json(nlohmann::json& j, const Point& point);
void from_json(const nlohmann::json& j, Point& point);

}  // namespace vantrel
