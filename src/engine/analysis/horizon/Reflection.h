#pragma once
// Still water mirrors what stands on its shore: about the shoreline the frame
// is its own reflection, turned upside down, darker and broken by ripples.
// Where the shore itself shows no edge (a dark hill meets its dark
// reflection) or its edge is lost among the water's streaks, that symmetry
// tells the shoreline, and so the level. Private to the horizon detector.

#include <optional>

#include <opencv2/core.hpp>

namespace vantrel::horizon {

// The line about which a frame mirrors itself: its tilt (counter-clockwise,
// degrees), the row where it crosses the centre column (a share of the
// height) and how well the two sides match (a correlation, 0 to 1).
struct MirrorLine {
    double tilt = 0, row = 0, match = 0;
};

// What the mirror is sought on: how the tone of a reduced, blurred grey copy
// of the frame changes down its rows, at a coarse and a finer size.
struct MirrorCopies {
    cv::Mat coarse, fine;
};

MirrorCopies mirrorCopies(const cv::Mat& grey);

// The shoreline of `copies` within `maxTilt` degrees of level, when the frame
// mirrors itself clearly about one line: the line's tilt, read from the
// reflection, and where it runs. Nothing when no reflection stands out, or
// when the frame mirrors itself about as well at a visibly other tilt (then
// the likeness of its two halves is the scene's, not a reflection's, and
// pins no tilt).
std::optional<MirrorLine> reflectedShoreline(const MirrorCopies& copies, double maxTilt);

}  // namespace vantrel::horizon
