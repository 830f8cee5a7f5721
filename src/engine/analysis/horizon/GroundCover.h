#pragma once
// A frame of ground alone: a lawn, a pitch or a meadow seen from above, green
// from edge to edge with no sky or far land over it. Its lines lie on the
// ground (markings, mown stripes, paths, furrows) and recede or run as they
// were drawn: none is level with a horizon out of view, none stands plumb.
// Private to the horizon detector, which asks it last, of a frame that gave a
// reading.

#include <opencv2/core.hpp>

namespace vantrel::horizon {

// Whether `rgb` (8-bit RGB, any size) shows vegetation over nearly all of it,
// its top rows included.
bool showsGroundAlone(const cv::Mat& rgb);

}  // namespace vantrel::horizon
