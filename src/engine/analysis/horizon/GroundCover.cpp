#include "engine/analysis/horizon/GroundCover.h"

#include <algorithm>

#include <opencv2/imgproc.hpp>

namespace vantrel::horizon {
namespace {

// Vegetation: hues from yellowish to bluish green (OpenCV's hue runs 0 ... 180
// for 0 ... 360 degrees), a quarter saturated at least and not near black.
// Grass in sun and shade, mown or not, falls there; sky, water, soil, stone,
// skin and buildings do not.
constexpr int kHueFrom = 33, kHueTo = 85, kMinSaturation = 64, kMinValue = 30;
// Ground alone: vegetation over this share of the frame (players, lines and
// a goal take the rest) and over this share of its top rows, where a horizon
// in view shows sky, far land or stands. The band is thin because a field may
// run up nearly to the top: under a sky a few hundredths of the height deep,
// tilted a few degrees, the sky still fills most of these rows.
constexpr double kGroundShare = 0.75, kTopShare = 0.6, kTopBand = 0.03;

}  // namespace

bool showsGroundAlone(const cv::Mat& rgb) {
    if (rgb.empty()) return false;
    cv::Mat hsv, green;
    cv::cvtColor(rgb, hsv, cv::COLOR_RGB2HSV);
    cv::inRange(hsv, cv::Scalar(kHueFrom, kMinSaturation, kMinValue), cv::Scalar(kHueTo, 255, 255), green);
    const int topRows = std::max(1, int(kTopBand * green.rows));
    const double share = double(cv::countNonZero(green)) / double(green.total());
    const double top = double(cv::countNonZero(green.rowRange(0, topRows))) / double(topRows * green.cols);
    return share >= kGroundShare && top >= kTopShare;
}

}  // namespace vantrel::horizon
