#pragma once
// Chooses where a new healing spot takes its patch from: candidates on two
// rings around the spot, inside the frame and clear of other spots, scored by
// how well their colour matches the spot's surroundings and how even they
// are. A place that holds dust itself (a small dark or bright speck standing
// out from its surroundings) is passed over, and one far from any speck is
// preferred. Without a picture, plain geometric rules decide.
//
// Units are those of a healing spot: x and offsets as fractions of the image
// width, y and offsets as fractions of the height with y growing downwards, a
// radius as a fraction of the shorter side.

#include <concepts>
#include <cstddef>
#include <cstdint>
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

// 8-bit RGBA pixels held by the caller (a bitmap, or a picture the interface
// shows), rows top first; alpha is not read. Empty when `data` is null or a
// side is not positive.
struct PixelsView {
    const std::uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
    std::size_t bytesPerRow = 0;

    bool empty() const { return data == nullptr || width <= 0 || height <= 0; }
    const std::uint8_t* at(int x, int y) const { return data + std::size_t(y) * bytesPerRow + std::size_t(x) * 4; }
};

// The source offset for a new spot at (cx, cy) with radius r. `image` is the
// frame as shown (may be null or empty); `spots` are the spots already on the
// frame. Only a square of about eight radii around the spot is read, so the
// picture is never copied.
Point findBestSource(double cx, double cy, double r, const PixelsView& image, std::span<const Spot> spots);
Point findBestSource(double cx, double cy, double r, const Bitmap* image, std::span<const Spot> spots);

// Whether a speck, as the search passes over one, lies within `reach` of
// (cx, cy) on `image` (all in spot units: the reach a fraction of the shorter
// side). False without a picture.
bool holdsSpeck(double cx, double cy, double reach, const PixelsView& image);

// Any list of spot records with `center.x`, `center.y` and `radius`.
template <class Picture, class SpotList>
    requires requires(const SpotList& list) {
        { list.begin()->center.x } -> std::convertible_to<double>;
        { list.begin()->center.y } -> std::convertible_to<double>;
        { list.begin()->radius } -> std::convertible_to<double>;
    } && (!std::same_as<SpotList, std::span<const Spot>>) &&
             (std::same_as<Picture, PixelsView> || std::convertible_to<const Picture&, const Bitmap*>)
Point findBestSource(double cx, double cy, double r, const Picture& image, const SpotList& spots) {
    std::vector<Spot> plain;
    plain.reserve(spots.size());
    for (const auto& s : spots) plain.push_back({{double(s.center.x), double(s.center.y)}, double(s.radius)});
    if constexpr (std::same_as<Picture, PixelsView>)
        return findBestSource(cx, cy, r, image, std::span<const Spot>(plain));
    else
        return findBestSource(cx, cy, r, static_cast<const Bitmap*>(image), std::span<const Spot>(plain));
}

// The geometric choice: the first of eight directions that stays furthest
// inside the frame and clear of other spots.
Point fallbackOffset(std::span<const Spot> spots, double cx, double cy, double r);

}  // namespace vantrel::SpotSamplingEngine
