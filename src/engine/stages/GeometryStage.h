#pragma once
// The geometry stage: quarter turns, flips, straightening with an automatic crop to the
// largest upright rectangle of the frame's shape, then the user's crop rectangle. It is the
// first stage of a render and is also used alone to give the unedited comparison image the
// edited frame's orientation and crop.
#include "engine/core/Image.h"
#include "engine/core/Rect.h"
#include "model/CropParameters.h"

namespace vantrel {

struct StraightenedSize {
    double width = 0;
    double height = 0;
};

// The largest rectangle of the frame's aspect ratio that fits inside a W × H frame rotated by
// `degrees`. Any finite angle gives a non-empty size.
StraightenedSize straightenedSize(double width, double height, double degrees);

// The crop rectangle (top-down fractions) in pixels of a W × H frame whose extent is `extent`,
// snapped to whole pixels, at least one pixel and inside the extent. Empty when the rectangle
// holds values that are not numbers.
Rect cropRectInPixels(const Rect& extent, const NormalizedRect& rect);

// How much of the frame a render shows: crop mode shows the whole turned and straightened
// frame, uncropped.
enum class Framing { cropped, uncropped };

// Where the stage puts the scan: the map from a point of the scan to the same point of the
// frame, both in pixels counted from the top-left corner with y downwards (as recipes count),
// and the frame's size. It takes the stage's steps one by one without their rounding to whole
// pixels, so it depends on the scan's shape alone; a rendered frame lies within a pixel of it.
struct FrameMapping {
    AffineTransform scanToFrame;
    double width = 0;
    double height = 0;
    bool operator==(const FrameMapping&) const = default;
};
FrameMapping frameMapping(double scanWidth, double scanHeight, const CropParameters& crop, Framing framing);

// Turns, flips, straightening and (when cropped) the crop rectangle, in that order. Returns the
// input itself when the crop parameters change nothing. The result starts at the origin
// whenever a vertical flip, a straightening or a crop ran.
Image applyGeometry(const Image& input, const CropParameters& crop, Framing framing);

}  // namespace vantrel
