#pragma once
// The tone curve through its control points: piecewise cubic Hermite interpolation whose
// tangents are limited by the Fritsch–Carlson rule, so the curve never overshoots between
// points and stays monotone wherever the points are. The curve stage and the curve editor both
// sample this one function, so the picture and the drawn curve agree.
#include <vector>

#include "model/CurvePoint.h"

namespace vantrel {

struct MonotoneCubicSpline {
    // y of the curve at x. `points` must be sorted by ascending x (the caller sorts). No points:
    // x itself; one point: its y. At or beyond the end points the end y is returned as stored;
    // between them the result is clamped to 0...1.
    static double evaluate(const std::vector<CurvePoint>& points, double x);
};

}  // namespace vantrel
