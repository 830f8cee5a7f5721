#pragma once
// Chooses where a new healing spot takes its patch from: candidates on two
// rings around the spot, inside the frame and clear of other spots, scored by
// how well their colour matches the spot's surroundings and how even they
// are. Without a picture, plain geometric rules decide.
//
// Units are those of a healing spot: x and offsets as fractions of the image
// width, y and offsets as fractions of the height with y growing downwards, a
// radius as a fraction of the shorter side.

#include <concepts>
#include <span>
#include <vector>

#include "engine/core/Context.h"

namespace vantrel::SpotSamplingEngine {

struct Point {
    double x = 0.0;
    double y = 0.0;
    friend bool operator==(const Point&, const Point&) = default;
};

// An existing healing spot, as far as the search cares.
struct Spot {
    Point center;
    double radius = 0.0;
};

// The source offset for a new spot at (cx, cy) with radius r. `image` is the
// frame as shown (may be null); `spots` are the spots already on the frame.
Point findBestSource(double cx, double cy, double r, const Bitmap* image, std::span<const Spot> spots);

// Any list of spot records with `center.x`, `center.y` and `radius`.
template <class SpotList>
    requires requires(const SpotList& list) {
        { list.begin()->center.x } -> std::convertible_to<double>;
        { list.begin()->center.y } -> std::convertible_to<double>;
        { list.begin()->radius } -> std::convertible_to<double>;
    }
Point findBestSource(double cx, double cy, double r, const Bitmap* image, const SpotList& spots) {
    std::vector<Spot> plain;
    for (const auto& s : spots) plain.push_back({{double(s.center.x), double(s.center.y)}, double(s.radius)});
    return findBestSource(cx, cy, r, image, std::span<const Spot>(plain));
}

// The geometric choice: the first of eight directions that stays furthest
// inside the frame and clear of other spots.
Point fallbackOffset(std::span<const Spot> spots, double cx, double cy, double r);

}  // namespace vantrel::SpotSamplingEngine
