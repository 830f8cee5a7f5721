#pragma once
// Generated scenes for the subject tests and benchmark: a mottled ground of greens with bright
// out-of-focus blobs, a drawn face that OpenCV's face cascades take for one, and a figure (head,
// neck, shoulders and torso) below it. Images are 8-bit RGBA, top row first.
#include <algorithm>
#include <cstdint>
#include <random>

#include <opencv2/imgproc.hpp>

namespace vantrel::testing {

// Soft blobs of greens and browns plus grain; with `highlights`, bright yellow-green blobs too,
// as sunlit leaves out of focus.
inline cv::Mat mottledGround(cv::Size size, unsigned seed, bool highlights = false) {
    cv::Mat coarse(std::max(4, size.height / 40), std::max(4, size.width / 40), CV_32FC3);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    for (int y = 0; y < coarse.rows; ++y)
        for (int x = 0; x < coarse.cols; ++x) {
            const float t = u(rng), l = 0.6f + 0.6f * u(rng);
            coarse.at<cv::Vec3f>(y, x) = cv::Vec3f((60 + 50 * t) * l, (90 + 20 * t) * l, (40 + 20 * t) * l);
        }
    cv::Mat smooth;
    cv::resize(coarse, smooth, size, 0, 0, cv::INTER_CUBIC);
    if (highlights) {
        const int r = std::min(size.width, size.height) / 14;
        cv::Mat light = cv::Mat::zeros(size, CV_32F);
        for (int k = 0; k < 7; ++k) {
            const cv::Point c(int(u(rng) * float(size.width)), int(u(rng) * float(size.height)));
            cv::circle(light, c, r, cv::Scalar(1), cv::FILLED, cv::LINE_AA);
        }
        cv::GaussianBlur(light, light, cv::Size(0, 0), r / 3.0);
        for (int y = 0; y < size.height; ++y)
            for (int x = 0; x < size.width; ++x) {
                const float a = light.at<float>(y, x);
                smooth.at<cv::Vec3f>(y, x) = smooth.at<cv::Vec3f>(y, x) * (1 - a) + cv::Vec3f(150, 225, 90) * a;
            }
    }
    cv::Mat grain(size, CV_32FC3);
    cv::RNG cvRng(seed);
    cvRng.fill(grain, cv::RNG::NORMAL, cv::Scalar::all(0), cv::Scalar::all(10));
    smooth += grain;
    cv::Mat rgb, rgba;
    smooth.convertTo(rgb, CV_8UC3);
    cv::cvtColor(rgb, rgba, cv::COLOR_RGB2RGBA);
    return rgba;
}

// The box a face finder draws around the face that drawFace paints at `centre` with `width`
// (brows to chin, cheek to cheek).
inline cv::Rect faceBox(cv::Point centre, int width) {
    return {centre.x - width / 2, centre.y - width * 2 / 5, width, width};
}

// A face, `width` pixels across its cheeks: skin, hair, brows, eyes, nose and mouth.
inline void drawFace(cv::Mat& rgba, cv::Point centre, int width) {
    const double u = width / 100.0;
    const auto at = [&](double x, double y) { return cv::Point(centre.x + int(x * u), centre.y + int(y * u)); };
    const auto axes = [&](double a, double b) { return cv::Size(int(a * u), int(b * u)); };
    const auto oval = [&](cv::Point c, cv::Size a, cv::Scalar colour) {
        cv::ellipse(rgba, c, a, 0, 0, 360, colour, cv::FILLED, cv::LINE_AA);
    };
    oval(at(0, -20), axes(56, 62), {60, 45, 40, 255});     // hair
    oval(at(0, 5), axes(50, 64), {215, 175, 150, 255});    // skin
    for (int s : {-1, 1}) {
        oval(at(s * 22, -22), axes(16, 4), {80, 60, 50, 255});     // brow
        oval(at(s * 22, -8), axes(12, 6), {235, 235, 235, 255});   // white of the eye
        cv::circle(rgba, at(s * 22, -8), int(5 * u), {60, 50, 40, 255}, cv::FILLED, cv::LINE_AA);
        oval(at(s * 22, 2), axes(14, 5), {190, 150, 125, 255});    // shade under the eye
    }
    oval(at(0, 18), axes(7, 4), {170, 130, 110, 255});   // nose
    oval(at(0, 38), axes(18, 5), {170, 90, 90, 255});    // mouth
}

// The figure below a face drawn at `centre` with `width`: head, neck, shoulders and a torso
// down to the frame's bottom edge; 255 inside.
inline cv::Mat figureShape(cv::Size size, cv::Point centre, int width) {
    cv::Mat shape = cv::Mat::zeros(size, CV_8U);
    const double u = width / 100.0;
    const auto at = [&](double x, double y) { return cv::Point(centre.x + int(x * u), centre.y + int(y * u)); };
    cv::ellipse(shape, at(0, -20), cv::Size(int(56 * u), int(62 * u)), 0, 0, 360, cv::Scalar(255), cv::FILLED);
    cv::ellipse(shape, at(0, 5), cv::Size(int(50 * u), int(64 * u)), 0, 0, 360, cv::Scalar(255), cv::FILLED);
    cv::rectangle(shape, at(-28, 40), at(28, 110), cv::Scalar(255), cv::FILLED);
    const std::vector<cv::Point> torso = {at(-40, 95), at(40, 95), at(120, 135), at(135, 10000), at(-135, 10000), at(-120, 135)};
    cv::fillPoly(shape, std::vector<std::vector<cv::Point>>{torso}, cv::Scalar(255));
    return shape;
}

// Paints a figure in `shirt` with a face at `centre` over `rgba`.
inline void drawPerson(cv::Mat& rgba, cv::Point centre, int width, cv::Scalar shirt) {
    const double u = width / 100.0;
    const auto at = [&](double x, double y) { return cv::Point(centre.x + int(x * u), centre.y + int(y * u)); };
    cv::Mat body = figureShape(rgba.size(), centre, width);
    cv::Mat headless = body.clone();
    cv::ellipse(headless, at(0, -20), cv::Size(int(56 * u), int(62 * u)), 0, 0, 360, cv::Scalar(0), cv::FILLED);
    rgba.setTo(shirt, headless);
    cv::rectangle(rgba, at(-28, 40), at(28, 105), cv::Scalar(205, 165, 140, 255), cv::FILLED);  // neck
    drawFace(rgba, centre, width);
}

// The picture the subject models' golden outputs are taken on (8-bit RGB): a person on mottled ground.
inline cv::Mat modelProbePicture() {
    cv::Mat rgba = mottledGround({640, 480}, 11);
    drawPerson(rgba, {320, 150}, 120, {60, 90, 200, 255});
    cv::Mat rgb;
    cv::cvtColor(rgba, rgb, cv::COLOR_RGBA2RGB);
    return rgb;
}

}  // namespace vantrel::testing
