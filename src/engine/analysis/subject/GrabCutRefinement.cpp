#include "engine/analysis/subject/GrabCutRefinement.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <opencv2/imgproc.hpp>

namespace vantrel::subject {
namespace {

constexpr int kIterations = 2;
constexpr std::uint64_t kRngSeed = 0x5eed5eedULL;
// GrabCut's cost grows with every pixel, fixed or not: it cuts on a copy this
// long, and the cut's edge is laid back onto the picture's own edges.
constexpr int kCutLongSide = 384;
// Reach (pixels of the full size) and smoothness of that edge fitting.
constexpr int kGuideRadius = 3;
constexpr double kGuideEpsilon = 1e-3;
// Feathering of the final edge, in mask pixels.
constexpr double kFeatherSigma = 1.5;
// The edge snap: how far (mask pixels) the picture's edge may lie from the
// mask's, the reach of the colours that stand for either side, and how much
// the two sides must differ (8-bit RGB distance, and against the spread of
// each side's colours) for an edge between them to be laid on.
constexpr int kSnapReach = 2;
constexpr double kSideReach = 4.0, kMinSnapContrast = 20.0, kSnapContrastToSpread = 2.0;

// GrabCut's colour models learnt from the pixels of `learnFrom` alone:
// GrabCut runs without iterating on those pixels gathered into one column.
bool learnModels(const cv::Mat& bgr, const cv::Mat& labels, const cv::Mat& learnFrom, cv::Mat& background,
                 cv::Mat& foreground) {
    const int n = cv::countNonZero(learnFrom);
    cv::Mat samples(n, 1, CV_8UC3), sampleLabels(n, 1, CV_8U);
    int i = 0;
    bool sides[2] = {false, false};
    for (int y = 0; y < bgr.rows; ++y)
        for (int x = 0; x < bgr.cols; ++x)
            if (learnFrom.at<std::uint8_t>(y, x)) {
                samples.at<cv::Vec3b>(i) = bgr.at<cv::Vec3b>(y, x);
                const std::uint8_t l = labels.at<std::uint8_t>(y, x);
                sampleLabels.at<std::uint8_t>(i++) = l;
                sides[l == cv::GC_FGD || l == cv::GC_PR_FGD] = true;
            }
    if (!sides[0] || !sides[1]) return false;
    cv::grabCut(samples, sampleLabels, cv::Rect(), background, foreground, 0, cv::GC_INIT_WITH_MASK);
    return true;
}

cv::Mat cutAtSize(const cv::Mat& rgb, const cv::Mat& labels, const cv::Mat& learnFrom) {
    cv::Mat mask = labels.clone();
    // GrabCut seeds its colour models from the thread's generator; restore it after.
    cv::RNG& rng = cv::theRNG();
    const std::uint64_t saved = rng.state;
    rng.state = kRngSeed;
    cv::Mat bgr, background, foreground;
    cv::cvtColor(rgb, bgr, cv::COLOR_RGB2BGR);
    try {
        if (!learnFrom.empty() && learnModels(bgr, labels, learnFrom, background, foreground)) {
            // One cut with the models as learnt, then GrabCut's own rounds from that cut.
            cv::grabCut(bgr, mask, cv::Rect(), background, foreground, 1, cv::GC_EVAL_FREEZE_MODEL);
            cv::grabCut(bgr, mask, cv::Rect(), background, foreground, kIterations - 1, cv::GC_EVAL);
        } else {
            cv::grabCut(bgr, mask, cv::Rect(), background, foreground, kIterations, cv::GC_INIT_WITH_MASK);
        }
    } catch (const cv::Exception&) {
        // No sure or probable pixels of one side to model: the seeds stand as they are.
        mask = labels.clone();
    }
    rng.state = saved;
    return (mask == cv::GC_FGD) | (mask == cv::GC_PR_FGD);
}

// The guided filter (He, Sun and Tang) of `values` under the grey `guide`:
// each output is locally an affine function of the guide, so a blurred edge
// snaps to the picture's edge nearby.
cv::Mat guidedFilter(const cv::Mat& guide, const cv::Mat& values, int radius, double epsilon) {
    const cv::Size box(2 * radius + 1, 2 * radius + 1);
    const auto mean = [&](const cv::Mat& m) {
        cv::Mat out;
        cv::boxFilter(m, out, CV_32F, box, cv::Point(-1, -1), true, cv::BORDER_REFLECT);
        return out;
    };
    const cv::Mat meanGuide = mean(guide), meanValues = mean(values);
    const cv::Mat covariance = mean(guide.mul(values)) - meanGuide.mul(meanValues);
    const cv::Mat variance = mean(guide.mul(guide)) - meanGuide.mul(meanGuide);
    const cv::Mat a = covariance / (variance + epsilon);
    const cv::Mat b = meanValues - a.mul(meanGuide);
    return mean(a).mul(guide) + mean(b);
}

// Lays the soft edge on the picture's own within a few pixels of the cut's:
// each pixel there takes the share of the way its colour goes from the
// ground's colour nearby to the subject's, so the half-way line falls where
// the picture's edge is, not where the cut's pixels ended.
void snapEdge(cv::Mat& soft, const cv::Mat& foreground, const cv::Mat& rgb) {
    const cv::Mat round = cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(2 * kSnapReach + 1, 2 * kSnapReach + 1));
    cv::Mat inner, outer;
    cv::erode(foreground, inner, round);
    cv::dilate(foreground, outer, round);
    cv::bitwise_not(outer, outer);
    cv::Mat colour;
    rgb.convertTo(colour, CV_32FC3);
    const auto blur = [](const cv::Mat& m) {
        cv::Mat out;
        cv::GaussianBlur(m, out, cv::Size(0, 0), kSideReach, kSideReach, cv::BORDER_REPLICATE);
        return out;
    };
    // Weighted local mean and mean square of each side's colours.
    const auto side = [&](const cv::Mat& where, cv::Mat& mean, cv::Mat& square, cv::Mat& weight) {
        cv::Mat w, w3;
        where.convertTo(w, CV_32F, 1.0 / 255.0);
        cv::cvtColor(w, w3, cv::COLOR_GRAY2RGB);
        weight = blur(w);
        cv::Mat weight3;
        cv::cvtColor(weight + 1e-6f, weight3, cv::COLOR_GRAY2RGB);
        mean = blur(colour.mul(w3)) / weight3;
        square = blur(colour.mul(colour).mul(w3)) / weight3;
    };
    cv::Mat fMean, fSquare, fWeight, bMean, bSquare, bWeight;
    side(inner, fMean, fSquare, fWeight);
    side(outer, bMean, bSquare, bWeight);
    for (int y = 0; y < soft.rows; ++y) {
        const std::uint8_t* in = inner.ptr<std::uint8_t>(y);
        const std::uint8_t* out = outer.ptr<std::uint8_t>(y);
        const float *fw = fWeight.ptr<float>(y), *bw = bWeight.ptr<float>(y);
        const cv::Vec3f *c = colour.ptr<cv::Vec3f>(y), *f = fMean.ptr<cv::Vec3f>(y), *b = bMean.ptr<cv::Vec3f>(y);
        const cv::Vec3f *f2 = fSquare.ptr<cv::Vec3f>(y), *b2 = bSquare.ptr<cv::Vec3f>(y);
        float* s = soft.ptr<float>(y);
        for (int x = 0; x < soft.cols; ++x) {
            if (in[x] || out[x] || fw[x] < 0.05f || bw[x] < 0.05f) continue;
            const cv::Vec3f d = f[x] - b[x];
            const float contrast2 = d.dot(d);
            float spread2 = 0;
            for (int k = 0; k < 3; ++k)
                spread2 += std::max(0.0f, f2[x][k] - f[x][k] * f[x][k]) + std::max(0.0f, b2[x][k] - b[x][k] * b[x][k]);
            const double least = std::max(kMinSnapContrast, kSnapContrastToSpread * std::sqrt(double(spread2)));
            if (contrast2 < least * least) continue;
            s[x] = std::clamp((c[x] - b[x]).dot(d) / contrast2, 0.0f, 1.0f);
        }
    }
}

}  // namespace

cv::Mat grabCut(const cv::Mat& rgb, const cv::Mat& labels, const cv::Mat& learnFrom) {
    const int longSide = std::max(rgb.cols, rgb.rows);
    if (longSide <= kCutLongSide) return cutAtSize(rgb, labels, learnFrom);
    const double s = double(kCutLongSide) / longSide;
    const cv::Size small(std::max(1, int(std::lround(rgb.cols * s))), std::max(1, int(std::lround(rgb.rows * s))));
    cv::Mat smallRgb, smallLabels;
    cv::resize(rgb, smallRgb, small, 0, 0, cv::INTER_AREA);
    cv::resize(labels, smallLabels, small, 0, 0, cv::INTER_NEAREST);
    cv::Mat smallLearn;
    if (!learnFrom.empty()) cv::resize(learnFrom, smallLearn, small, 0, 0, cv::INTER_NEAREST);
    cv::Mat coarse, grey;
    cutAtSize(smallRgb, smallLabels, smallLearn).convertTo(coarse, CV_32F, 1.0 / 255.0);
    cv::resize(coarse, coarse, rgb.size(), 0, 0, cv::INTER_LINEAR);
    cv::cvtColor(rgb, grey, cv::COLOR_RGB2GRAY);
    grey.convertTo(grey, CV_32F, 1.0 / 255.0);
    cv::Mat cut = guidedFilter(grey, coarse, kGuideRadius, kGuideEpsilon) > 0.5f;
    // The sure seeds stand, as they do in GrabCut itself.
    cut.setTo(255, labels == cv::GC_FGD);
    cut.setTo(0, labels == cv::GC_BGD);
    return cut;
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

std::vector<float> feathered(const cv::Mat& foreground, const cv::Mat& rgb) {
    cv::Mat soft;
    foreground.convertTo(soft, CV_32F, 1.0 / 255.0);
    cv::GaussianBlur(soft, soft, cv::Size(0, 0), kFeatherSigma, kFeatherSigma, cv::BORDER_REPLICATE);
    if (!rgb.empty()) snapEdge(soft, foreground, rgb);
    std::vector<float> values(std::size_t(soft.total()));
    for (int y = 0; y < soft.rows; ++y)
        std::copy_n(soft.ptr<float>(y), soft.cols, values.begin() + std::ptrdiff_t(y) * soft.cols);
    return values;
}

double coverage(const cv::Mat& foreground) {
    return foreground.empty() ? 0.0 : double(cv::countNonZero(foreground)) / double(foreground.total());
}

}  // namespace vantrel::subject
