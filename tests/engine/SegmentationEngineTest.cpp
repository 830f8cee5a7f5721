#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include <opencv2/imgproc.hpp>

#include "engine/SubjectSegmentationEngine.h"

namespace vantrel {
namespace {

RgbaView viewOf(const cv::Mat& rgba) { return {rgba.data, rgba.cols, rgba.rows, rgba.step[0]}; }

// A mottled background of greens and browns: soft blobs plus grain.
cv::Mat texturedBackground(cv::Size size, unsigned seed) {
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
    cv::Mat grain(size, CV_32FC3);
    cv::RNG cvRng(seed);
    cvRng.fill(grain, cv::RNG::NORMAL, cv::Scalar::all(0), cv::Scalar::all(10));
    smooth += grain;
    cv::Mat rgb, rgba;
    smooth.convertTo(rgb, CV_8UC3);
    cv::cvtColor(rgb, rgba, cv::COLOR_RGB2RGBA);
    return rgba;
}

// Paints `shape` (255 inside) in `colour` over `rgba`, with a soft edge.
void paint(cv::Mat& rgba, const cv::Mat& shape, cv::Vec3b colour) {
    cv::Mat alpha;
    cv::GaussianBlur(shape, alpha, cv::Size(0, 0), 1.0);
    for (int y = 0; y < rgba.rows; ++y)
        for (int x = 0; x < rgba.cols; ++x) {
            const float a = alpha.at<std::uint8_t>(y, x) / 255.0f;
            cv::Vec4b& p = rgba.at<cv::Vec4b>(y, x);
            for (int c = 0; c < 3; ++c) p[c] = cv::saturate_cast<std::uint8_t>(p[c] * (1 - a) + colour[c] * a);
        }
}

cv::Mat discShape(cv::Size size, cv::Point centre, int radius) {
    cv::Mat shape = cv::Mat::zeros(size, CV_8U);
    cv::circle(shape, centre, radius, cv::Scalar(255), cv::FILLED, cv::LINE_AA);
    return shape > 127;
}

// A standing figure: head, body and legs.
cv::Mat figureShape(cv::Size size) {
    cv::Mat shape = cv::Mat::zeros(size, CV_8U);
    const double u = size.height / 100.0;
    const cv::Point c(int(size.width * 0.42), 0);
    cv::circle(shape, c + cv::Point(0, int(22 * u)), int(8 * u), cv::Scalar(255), cv::FILLED, cv::LINE_AA);
    cv::ellipse(shape, c + cv::Point(0, int(48 * u)), cv::Size(int(13 * u), int(20 * u)), 0, 0, 360, cv::Scalar(255),
                cv::FILLED, cv::LINE_AA);
    cv::rectangle(shape, c + cv::Point(int(-10 * u), int(60 * u)), c + cv::Point(int(-3 * u), int(88 * u)), cv::Scalar(255),
                  cv::FILLED);
    cv::rectangle(shape, c + cv::Point(int(3 * u), int(60 * u)), c + cv::Point(int(10 * u), int(88 * u)), cv::Scalar(255),
                  cv::FILLED);
    return shape > 127;
}

// The mask brought to `size`, cut at one half.
cv::Mat binaryAt(const SubjectSegmentationEngine::Mask& mask, cv::Size size) {
    const cv::Mat values(mask.height, mask.width, CV_32F, const_cast<float*>(mask.values.data()));
    cv::Mat resized;
    cv::resize(values, resized, size, 0, 0, cv::INTER_LINEAR);
    return resized >= 0.5f;
}

double iou(const cv::Mat& a, const cv::Mat& b) {
    const double inter = cv::countNonZero(a & b), uni = cv::countNonZero(a | b);
    return uni > 0 ? inter / uni : 0.0;
}

TEST(SegmentationEngineTest, SegmentsADiscAndAFigureOnTexturedBackgrounds) {
    const cv::Size size(1500, 1000);
    struct Layer {
        cv::Mat shape;
        cv::Vec3b colour;
    };
    struct Case {
        const char* name;
        std::vector<Layer> layers;
    };
    const cv::Mat disc = discShape(size, {820, 470}, 260), figure = figureShape(size);
    const cv::Mat atEdge = discShape(size, {300, 980}, 250);  // runs off the bottom edge
    const std::vector<Case> cases = {
        {"bright disc", {{disc, {245, 235, 220}}}},
        {"figure", {{figure, {190, 40, 50}}}},
        {"figure and a subject cut by the edge", {{figure, {120, 60, 140}}, {atEdge, {40, 60, 200}}}},
    };
    for (const Case& c : cases) {
        cv::Mat frame = texturedBackground(size, 11);
        cv::Mat truth = cv::Mat::zeros(size, CV_8U);
        for (const Layer& l : c.layers) {
            paint(frame, l.shape, l.colour);
            truth |= l.shape;
        }
        const auto mask = SubjectSegmentationEngine::shared().segment(viewOf(frame));
        ASSERT_TRUE(mask.has_value()) << c.name;
        EXPECT_EQ(std::max(mask->width, mask->height), SubjectSegmentationEngine::kWorkingLongSide);
        EXPECT_GE(iou(binaryAt(*mask, size), truth), 0.8) << c.name;
        for (float v : mask->values) ASSERT_TRUE(v >= 0.0f && v <= 1.0f);
    }
}

TEST(SegmentationEngineTest, FindsNoSubjectInPlainFrames) {
    cv::Mat flat(800, 1200, CV_8UC4, cv::Scalar(120, 130, 140, 255));
    EXPECT_FALSE(SubjectSegmentationEngine::shared().segment(viewOf(flat)));
    EXPECT_FALSE(SubjectSegmentationEngine::shared().segment(viewOf(texturedBackground({1200, 800}, 5))));
    // A sliver of a frame is not analysed at all.
    cv::Mat sliver(4000, 10, CV_8UC4, cv::Scalar(250, 250, 250, 255));
    cv::rectangle(sliver, cv::Rect(0, 1000, 10, 500), cv::Scalar(0, 0, 0, 255), cv::FILLED);
    EXPECT_FALSE(SubjectSegmentationEngine::shared().segment(viewOf(sliver)));
    EXPECT_FALSE(SubjectSegmentationEngine::shared().segment(RgbaView{}));
}

TEST(SegmentationEngineTest, ProxyAndFullImageGiveTheSameMaskEveryTime) {
    const cv::Size full(6000, 4000);
    cv::Mat frame = texturedBackground(full, 3);
    paint(frame, discShape(full, {2600, 2100}, 900), cv::Vec3b(230, 200, 60));
    cv::Mat proxy;
    cv::resize(frame, proxy, cv::Size(2560, 1707), 0, 0, cv::INTER_AREA);

    const auto a = SubjectSegmentationEngine::shared().segment(viewOf(proxy));
    const auto b = SubjectSegmentationEngine::shared().segment(viewOf(frame));
    const auto again = SubjectSegmentationEngine::shared().segment(viewOf(proxy));
    ASSERT_TRUE(a && b && again);
    ASSERT_EQ(a->width, b->width);
    ASSERT_EQ(a->height, b->height);
    EXPECT_GE(iou(binaryAt(*a, proxy.size()), binaryAt(*b, proxy.size())), 0.95);
    EXPECT_EQ(a->values, again->values);
}

}  // namespace
}  // namespace vantrel
