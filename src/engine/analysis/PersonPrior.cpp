#include "engine/analysis/PersonPrior.h"

// Proportions in units of the face box (width w, height h, brows to chin as
// the cascades draw it): the head reaches a third of a face above the box
// for the hair; the shoulders are about two and a half faces wide and start
// half a face below the chin; the torso runs four faces further down and
// widens a little, arms at its sides.

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

#include "engine/analysis/GrabCutRefinement.h"

namespace vantrel::subject {
namespace {

// Width of the border bands, as a fraction of the shorter side.
constexpr double kBandFraction = 0.04;
// Beyond this many face widths from every figure the frame is background.
constexpr double kFarFaces = 1.5;
// Within this many face widths of a figure the border is not surely background.
constexpr double kNearFaces = 0.4;

cv::Point at(double x, double y) { return {int(std::lround(x)), int(std::lround(y))}; }

void drawFigure(cv::Mat& figure, cv::Mat& core, const cv::Rect2d& f) {
    const double w = f.width, h = f.height, cx = f.x + w / 2, y = f.y;
    const cv::Scalar on(255);
    cv::ellipse(figure, at(cx, y + 0.42 * h), cv::Size(int(0.62 * w), int(0.8 * h)), 0, 0, 360, on, cv::FILLED);
    cv::rectangle(figure, at(cx - 0.32 * w, y + 0.9 * h), at(cx + 0.32 * w, y + 1.6 * h), on, cv::FILLED);
    const double shoulders = y + 1.55 * h, bottom = y + 5.5 * h;
    const std::vector<cv::Point> torso = {at(cx - 0.45 * w, y + 1.3 * h),  at(cx + 0.45 * w, y + 1.3 * h),
                                          at(cx + 1.25 * w, shoulders + 0.3 * h), at(cx + 1.5 * w, bottom),
                                          at(cx - 1.5 * w, bottom),          at(cx - 1.25 * w, shoulders + 0.3 * h)};
    cv::fillPoly(figure, std::vector<std::vector<cv::Point>>{torso}, on);
    // The middle of the face, and the chest just under the chin.
    cv::ellipse(core, at(cx, y + 0.5 * h), cv::Size(std::max(1, int(0.3 * w)), std::max(1, int(0.36 * h))), 0, 0, 360, on,
                cv::FILLED);
}

void drawChest(cv::Mat& chest, const cv::Rect2d& f) {
    const double w = f.width, h = f.height, cx = f.x + w / 2, y = f.y;
    cv::rectangle(chest, at(cx - 0.35 * w, y + 1.9 * h), at(cx + 0.35 * w, y + 2.6 * h), cv::Scalar(255), cv::FILLED);
}

}  // namespace

PersonSeeds personPrior(cv::Size size, const std::vector<cv::Rect2d>& faces) {
    cv::Mat figure = cv::Mat::zeros(size, CV_8U), core = cv::Mat::zeros(size, CV_8U), chest = cv::Mat::zeros(size, CV_8U);
    double faceWidth = 0;
    for (const cv::Rect2d& f : faces) {
        drawFigure(figure, core, f);
        drawChest(chest, f);
        faceWidth = std::max(faceWidth, f.width);
    }
    // Distance from every figure, in pixels.
    cv::Mat outside, distance;
    cv::bitwise_not(figure, outside);
    cv::distanceTransform(outside, distance, cv::DIST_L2, 3);

    const int band = std::max(2, int(std::lround(kBandFraction * std::min(size.width, size.height))));
    cv::Mat border = cv::Mat::zeros(size, CV_8U);
    cv::rectangle(border, cv::Rect({}, size), cv::Scalar(255), band);
    const cv::Mat sure = (border & (distance > kNearFaces * faceWidth)) | (distance > kFarFaces * faceWidth);

    PersonSeeds seeds{cv::Mat(size, CV_8U, cv::Scalar(cv::GC_PR_BGD)), core};
    seeds.labels.setTo(cv::GC_BGD, sure);
    seeds.labels.setTo(cv::GC_PR_FGD, figure);
    seeds.labels.setTo(cv::GC_FGD, core | chest);
    return seeds;
}

cv::Mat refinePeople(const cv::Mat& rgb, const PersonSeeds& seeds) {
    const cv::Mat people = regionsTouching(grabCut(rgb, seeds.labels), seeds.faceCores);
    // Gaps between an arm and the body stay open; pores of fabric and hair close.
    return fillHoles(people, 0.002 * double(rgb.total()));
}

}  // namespace vantrel::subject
