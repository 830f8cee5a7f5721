#pragma once
// The common end of every way of finding a subject: GrabCut from seed
// labels, the regions worth keeping, holes filled and the edge feathered.
// Private to the engine.

#include <vector>

#include <opencv2/core.hpp>

namespace vantrel::subject {

// GrabCut over `rgb` (8-bit RGB) from `labels` (cv::GC_BGD ... cv::GC_PR_FGD,
// the size of `rgb`), with a fixed random seed so the same frame always gives
// the same cut. Larger pictures are cut on a reduced copy and the edge fitted
// back onto the picture's. Returns the foreground (255) and background (0).
// With `learnFrom` (255 where set, the size of `rgb`), the colour models are
// first learnt only from those pixels, so an uncertain zone (part person,
// part background) colours neither model.
cv::Mat grabCut(const cv::Mat& rgb, const cv::Mat& labels, const cv::Mat& learnFrom = {});

// The connected regions (8-neighbours) of `foreground` that share a pixel with `anchor`.
cv::Mat regionsTouching(const cv::Mat& foreground, const cv::Mat& anchor);

// `foreground` with every enclosed hole of at most `maxHole` pixels filled.
cv::Mat fillHoles(const cv::Mat& foreground, double maxHole);

// A binary mask made soft at its edge, values 0 ... 1 row by row. Where the
// picture `rgb` (8-bit RGB, the mask's size) shows a clear edge between two
// plain sides near the mask's, the soft edge is laid on the picture's.
std::vector<float> feathered(const cv::Mat& foreground, const cv::Mat& rgb);

// Fraction of the frame a mask covers.
double coverage(const cv::Mat& foreground);

}  // namespace vantrel::subject
