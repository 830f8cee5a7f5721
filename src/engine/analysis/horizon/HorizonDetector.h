#pragma once
// Automatic horizon levelling: how far a frame is tilted, measured from the
// dominant orientation of its strong near-horizontal and near-vertical edges.

#include <cmath>
#include <future>
#include <optional>

#include "engine/analysis/AnalysisRaster.h"
#include "engine/core/Image.h"

namespace vantrel::HorizonDetector {

// Measures `frame` on a worker thread (never the caller's). The future is
// fulfilled exactly once, on every path, with the levelling angle below or
// with nothing; it never holds an exception.
std::future<std::optional<double>> detectHorizonAngle(Image frame);

// The angle in degrees (to one decimal, +0 instead of -0) by which the frame
// must be rotated to stand level, or nothing when no clear tilt stands out.
// `bitmap` is the display-encoded frame, top row first; any size and aspect.
std::optional<double> measureHorizonAngle(const RgbaView& bitmap);

// Whether a frame read `angle` already stands level to the eye: a horizon off
// by less than half a degree looks level, and a reading is only about that
// accurate, so turning by it would move the frame by the reading's own error.
inline bool looksLevel(double angle) { return std::abs(angle) < 0.5; }

}  // namespace vantrel::HorizonDetector
