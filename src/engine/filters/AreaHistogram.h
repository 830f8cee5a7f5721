#pragma once
// Histograms of the red, green, blue and alpha channels over a rectangle.
// A value v falls into bin floor(v · count), values below 0 (and NaN) into the
// first bin and values from 1 up into the last, so extended-range and negative
// values are still counted. Each bin holds scale · (pixels in it) / (pixels in
// the rectangle), so all bins of a channel sum to `scale`.
#include <vector>

#include "engine/core/Image.h"
#include "engine/core/PlaneView.h"

namespace vantrel {

inline constexpr int kMinHistogramBins = 1;
inline constexpr int kMaxHistogramBins = 2048;

// Bins of `area` (which must lie in src.rect): element 4·i + k is bin i of
// channel k (r, g, b, a). `count` is clamped to 1 … 2048.
std::vector<float> areaHistogram(const ConstPlaneView& src, const PlaneRect& area, int count, float scale);

// The histogram of `input` over `extent` as a count × 1 image at the origin,
// pixel i holding bin i of (r, g, b, a); render it with no colour conversion to
// read the numbers back. Parts of the extent outside the input's pixels count
// as transparent. An empty or infinite extent gives the empty image.
Image areaHistogram(const Image& input, const Rect& extent, int count, float scale);

}  // namespace vantrel
