#pragma once
// Lines that recede: the edges of a road, rails, furrows, a floor's boards or
// a pier's seams run away from the camera towards a vanishing point on the
// horizon. Perspective tilts each of them by how far below the horizon it
// lies, so none of them shows which way is level; these rules tell such lines
// from level ones. Private to the horizon detector.

#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

#include <opencv2/core.hpp>

namespace vantrel::horizon {

inline double degrees(double radians) { return radians * 180.0 / std::numbers::pi; }
inline double radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

// A long near-level segment: the row where its line crosses the centre column
// (a share of the height), the tangent of its tilt and its length (pixels).
struct LevelLine {
    double row, slope, length;
};

// Segments this share of the width long count as long level lines in the fan
// and plank tests: shorter ones (a window sill, a step) are too often edges
// of things rather than lines across the ground.
constexpr double kLongLineSpan = 0.3;

// Whether the long level lines fan out as receding lines do: their tilt
// changes steadily with their height in the frame, by more than a segment's
// own precision. None of them shows the horizon then.
bool fansOut(const std::vector<LevelLine>& lines);

// Whether enough of the long level lines run parallel to `tilt` (degrees) to
// be planks or courses seen square on: lines that do not recede, so they run
// level with the horizon.
bool parallelPlanks(const std::vector<LevelLine>& lines, double tilt);

// A point of the frame in shares of its width and height, from the top left.
struct Point {
    double x, y;
};

// Where the long straight lines of a receding floor, a road's edges or rails
// meet, all from below it: the crossing of two of the longest near-level
// segments that the most others (by length) run through. Nothing when no
// such fan stands out. `member` gets one flag per entry of `lines` (segments as x0,
// y0, x1, y1 in the pixels of a frame of `size`): whether it runs through the point.
std::optional<Point> vanishingPoint(const std::vector<cv::Vec4f>& lines, cv::Size size, std::vector<bool>& member);

// Whether a vanishing point lies so far to the side that where along the
// horizon it lies is known too loosely to read the horizon's tilt through it.
bool farToTheSide(Point p);

}  // namespace vantrel::horizon
