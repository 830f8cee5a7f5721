#include "engine/analysis/subject/PersonPrior.h"

// Proportions in units of the face box (width w, height h, brows to chin as
// the cascades draw it): the head reaches a third of a face above the box
// for the hair; the shoulders are about two and a half faces wide and start
// half a face below the chin; the torso runs four faces further down and
// widens a little, arms at its sides. An animal's face box (a cat's, from
// the ears' roots to the chin) has the ears above it; its body starts at the
// chin, four faces wide and two and a half deep, and teaches its colours
// down to a face and a half below the chin.

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

#include "engine/analysis/subject/GrabCutRefinement.h"

namespace vantrel::subject {
namespace {

// Width of the border bands, as a fraction of the shorter side.
constexpr double kBandFraction = 0.04;
// Beyond this many face widths from every figure the frame is background.
constexpr double kFarFaces = 2.5;
// Within this many face widths of a figure the border is not surely background.
constexpr double kNearFaces = 0.4;
// Depth of a figure's rim and width of the ring outside it, in face widths,
// that teach the colour models nothing.
constexpr double kFigureRim = 0.3, kLearnAway = 1.0;
// Beside and above the heads (down to this many face heights below the brows,
// this many face widths to either side) there are no arms or coats to spare:
// the ring that teaches nothing is narrower there, so a close portrait whose
// shoulders fill the frame still teaches the background its colours.
constexpr double kHeadZoneDepth = 1.0, kHeadZoneWidth = 3.0, kLearnAwayBesideHead = 0.3;
// The torso's depth below the brows, in face heights, and the depth down to
// which it teaches the person's colours: lower down, a table, a counter or a
// railing hides the body as often as not.
constexpr double kTorsoDepth = 5.5, kLearnDepth = 3.0;
constexpr double kBodyDepth = 3.5, kBodyLearnDepth = 2.5;

cv::Point at(double x, double y) { return {int(std::lround(x)), int(std::lround(y))}; }

void drawFigure(cv::Mat& figure, const cv::Rect2d& f, double depth) {
    const double w = f.width, h = f.height, cx = f.x + w / 2, y = f.y;
    const cv::Scalar on(255);
    cv::ellipse(figure, at(cx, y + 0.42 * h), cv::Size(int(0.62 * w), int(0.8 * h)), 0, 0, 360, on, cv::FILLED);
    cv::rectangle(figure, at(cx - 0.32 * w, y + 0.9 * h), at(cx + 0.32 * w, y + 1.6 * h), on, cv::FILLED);
    const double shoulders = y + 1.55 * h, bottom = y + depth * h;
    const std::vector<cv::Point> torso = {at(cx - 0.5 * w, y + 1.2 * h),  at(cx + 0.5 * w, y + 1.2 * h),
                                          at(cx + 1.45 * w, shoulders + 0.3 * h), at(cx + 1.7 * w, bottom),
                                          at(cx - 1.7 * w, bottom),          at(cx - 1.45 * w, shoulders + 0.3 * h)};
    cv::fillPoly(figure, std::vector<std::vector<cv::Point>>{torso}, on);
}

void drawAnimal(cv::Mat& figure, const cv::Rect2d& f, double depth) {
    const double w = f.width, h = f.height, cx = f.x + w / 2, y = f.y;
    const cv::Scalar on(255);
    cv::ellipse(figure, at(cx, y + 0.4 * h), cv::Size(int(0.65 * w), int(0.75 * h)), 0, 0, 360, on, cv::FILLED);
    const std::vector<cv::Point> body = {at(cx - 0.6 * w, y + 0.8 * h), at(cx + 0.6 * w, y + 0.8 * h),
                                         at(cx + 1.9 * w, y + 1.6 * h), at(cx + 2.1 * w, y + depth * h),
                                         at(cx - 2.1 * w, y + depth * h), at(cx - 1.9 * w, y + 1.6 * h)};
    cv::fillPoly(figure, std::vector<std::vector<cv::Point>>{body}, on);
}

// The middle of the face.
void drawCore(cv::Mat& core, const cv::Rect2d& f) {
    const double w = f.width, h = f.height, cx = f.x + w / 2, y = f.y;
    cv::ellipse(core, at(cx, y + 0.5 * h), cv::Size(std::max(1, int(0.3 * w)), std::max(1, int(0.36 * h))), 0, 0, 360,
                cv::Scalar(255), cv::FILLED);
}

// Surely the person: the neck or collar just under the chin, and the chest.
void drawChest(cv::Mat& chest, const cv::Rect2d& f) {
    const double w = f.width, h = f.height, cx = f.x + w / 2, y = f.y;
    cv::rectangle(chest, at(cx - 0.2 * w, y + 1.05 * h), at(cx + 0.2 * w, y + 1.3 * h), cv::Scalar(255), cv::FILLED);
    cv::rectangle(chest, at(cx - 0.35 * w, y + 1.9 * h), at(cx + 0.35 * w, y + 2.6 * h), cv::Scalar(255), cv::FILLED);
}

}  // namespace

PersonSeeds personPrior(cv::Size size, const std::vector<cv::Rect2d>& faces, Figure kind) {
    const bool animal = kind == Figure::animal;
    cv::Mat figure = cv::Mat::zeros(size, CV_8U), core = figure.clone(), chest = figure.clone();
    cv::Mat upper = figure.clone(), heads = figure.clone();
    double faceWidth = 0;
    for (const cv::Rect2d& f : faces) {
        if (animal) {
            drawAnimal(figure, f, kBodyDepth);
            drawAnimal(upper, f, kBodyLearnDepth);
        } else {
            drawFigure(figure, f, kTorsoDepth);
            drawFigure(upper, f, kLearnDepth);
        }
        drawCore(core, f);
        drawChest(chest, f);
        const double cx = f.x + f.width / 2;
        cv::rectangle(heads, at(cx - kHeadZoneWidth * f.width, 0),
                      at(cx + kHeadZoneWidth * f.width, f.y + kHeadZoneDepth * f.height), cv::Scalar(255), cv::FILLED);
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

    // The colour models learn from the figures' insides and from what lies
    // well away from them. The rim of a figure holds background as often as
    // person, and the ring just outside it more of a person as often as not
    // (an arm, a coat turned aside, hair): they teach neither model, so a
    // coat cut off by the drawn figure does not teach the background its
    // colour, nor a wall beside a cheek the person.
    cv::Mat inside;
    cv::distanceTransform(upper, inside, cv::DIST_L2, 3);
    const cv::Mat away = (distance > kLearnAway * faceWidth) | (heads & (distance > kLearnAwayBesideHead * faceWidth));
    PersonSeeds seeds{cv::Mat(size, CV_8U, cv::Scalar(cv::GC_PR_BGD)), core, (inside > kFigureRim * faceWidth) | sure | away};
    seeds.labels.setTo(cv::GC_BGD, sure);
    seeds.labels.setTo(cv::GC_PR_FGD, figure);
    seeds.labels.setTo(cv::GC_FGD, core | chest);
    return seeds;
}

cv::Mat refinePeople(const cv::Mat& rgb, const PersonSeeds& seeds) {
    const cv::Mat people = regionsTouching(grabCut(rgb, seeds.labels, seeds.learnFrom), seeds.faceCores);
    // Gaps between an arm and the body stay open; pores of fabric and hair close.
    return fillHoles(people, 0.002 * double(rgb.total()));
}

}  // namespace vantrel::subject
