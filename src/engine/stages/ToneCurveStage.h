#pragma once
// The tone-curve stage: the master curve through the recipe's points, applied alike to the
// red, green and blue of the sRGB-encoded image. The curve is the monotone cubic spline
// sampled into a 256-entry table; beyond 0...1 the table continues with slope 1, so the
// default straight curve clips neither wide-gamut colours nor values above white.
#include <vector>

#include "engine/core/Image.h"
#include "model/CurvePoint.h"

namespace vantrel {

inline constexpr int kToneCurveTableSize = 256;

// 256 samples of the curve through the points (sorted by x first, stably), each written three
// times in a row (red, green, blue): 768 floats.
std::vector<float> toneCurveTable(const std::vector<CurvePoint>& points);

// True when the points need no curve at all: fewer than two, or the two-point line from
// (0, 0) to (1, 1) within 0.005.
bool isToneCurveShortcut(const std::vector<CurvePoint>& points);

// The input with the curve applied; the input itself for the shortcut cases and for a table
// that is the identity within float precision (the five-point default curve).
Image applyToneCurve(const Image& input, const std::vector<CurvePoint>& points);

}  // namespace vantrel
