#pragma once
// A rectangle in fractions of the image's width and height, from the top-left
// corner with y growing downwards; the whole image is (0, 0, 1, 1).
#include <cmath>

#include <nlohmann/json_fwd.hpp>

namespace vantrel {

struct NormalizedRect {
    double x = 0;
    double y = 0;
    double width = 1;
    double height = 1;

    static constexpr NormalizedRect full() { return {0, 0, 1, 1}; }

    // The clamping initialiser: x and y into 0...1 (NaN gives 1), then width
    // and height at most what is left of the image and at least 0.01 (NaN
    // gives the whole remainder). Building field by field stores values as given.
    NormalizedRect clamped() const;

    bool isFull() const {
        return std::abs(x) < 0.001 && std::abs(y) < 0.001 && std::abs(width - 1) < 0.001 &&
               std::abs(height - 1) < 0.001;
    }

    bool operator==(const NormalizedRect&) const = default;
};

void to_json(nlohmann::json& j, const NormalizedRect& rect);
void from_json(const nlohmann::json& j, NormalizedRect& rect);

}  // namespace vantrel
