#include "engine/analysis/GrabCutRefinement.h"

#include <cstdint>

#include <opencv2/imgproc.hpp>

namespace vantrel::subject {
namespace {

constexpr int kIterations = 4;
constexpr std::uint64_t kRngSeed = 0x5eed5eedULL;
// Feathering of the final edge, in mask pixels.
constexpr double kFeatherSigma = 1.5;

}  // namespace

cv::Mat grabCut(const cv::Mat& rgb, const cv::Mat& labels) {
    cv::Mat mask = labels.clone();
    // GrabCut seeds its colour models from the thread's generator; restore it after.
    cv::RNG& rng = cv::theRNG();
    const std::uint64_t saved = rng.state;
    rng.state = kRngSeed;
    cv::Mat bgr, background, foreground;
    cv::cvtColor(rgb, bgr, cv::COLOR_RGB2BGR);
    try {
        cv::grabCut(bgr, mask, cv::Rect(), background, foreground, kIterations, cv::GC_INIT_WITH_MASK);
    } catch (const cv::Exception&) {
        // No sure or probable pixels of one side to model: the seeds stand as they are.
    }
    rng.state = saved;
    return (mask == cv::GC_FGD) | (mask == cv::GC_PR_FGD);
}

cv::Mat regionsTouching(const cv::Mat& foreground, const cv::Mat& anchor) {
    cv::Mat labels;
    const int n = cv::connectedComponents(foreground, labels, 8, CV_32S);
    std::vector<std::uint8_t> keep(std::size_t(std::max(n, 1)), 0);
    for (int y = 0; y < labels.rows; ++y) {
        const int* l = labels.ptr<int>(y);
        const std::uint8_t* a = anchor.ptr<std::uint8_t>(y);
        for (int x = 0; x < labels.cols; ++x)
            if (l[x] > 0 && a[x]) keep[std::size_t(l[x])] = 1;
    }
    cv::Mat kept = cv::Mat::zeros(foreground.size(), CV_8U);
    for (int y = 0; y < labels.rows; ++y) {
        const int* l = labels.ptr<int>(y);
        std::uint8_t* k = kept.ptr<std::uint8_t>(y);
        for (int x = 0; x < labels.cols; ++x) k[x] = keep[std::size_t(l[x])] && l[x] > 0 ? 255 : 0;
    }
    return kept;
}

cv::Mat fillHoles(const cv::Mat& foreground, double maxHole) {
    // Holes are background regions that do not touch the frame's edge.
    cv::Mat holes, labels, stats, centroids;
    cv::bitwise_not(foreground, holes);
    cv::Mat filled = foreground.clone();
    const int n = cv::connectedComponentsWithStats(holes, labels, stats, centroids, 4, CV_32S);
    for (int k = 1; k < n; ++k) {
        const int x = stats.at<int>(k, cv::CC_STAT_LEFT), y = stats.at<int>(k, cv::CC_STAT_TOP);
        const int w = stats.at<int>(k, cv::CC_STAT_WIDTH), h = stats.at<int>(k, cv::CC_STAT_HEIGHT);
        const bool touchesEdge = x == 0 || y == 0 || x + w == foreground.cols || y + h == foreground.rows;
        if (!touchesEdge && stats.at<int>(k, cv::CC_STAT_AREA) <= maxHole) filled.setTo(255, labels == k);
    }
    return filled;
}

std::vector<float> feathered(const cv::Mat& foreground) {
    cv::Mat soft;
    foreground.convertTo(soft, CV_32F, 1.0 / 255.0);
    cv::GaussianBlur(soft, soft, cv::Size(0, 0), kFeatherSigma, kFeatherSigma, cv::BORDER_REPLICATE);
    std::vector<float> values(std::size_t(soft.total()));
    for (int y = 0; y < soft.rows; ++y)
        std::copy_n(soft.ptr<float>(y), soft.cols, values.begin() + std::ptrdiff_t(y) * soft.cols);
    return values;
}

double coverage(const cv::Mat& foreground) {
    return foreground.empty() ? 0.0 : double(cv::countNonZero(foreground)) / double(foreground.total());
}

}  // namespace vantrel::subject
