#include "engine/analysis/HorizonDetector.h"

// The frame is reduced to about 240000 grey values with its aspect ratio kept
// (stretching it to a fixed shape would change every angle). Sobel gradients
// of strong edges vote with their strength into a 0.1-degree histogram of
// orientations folded onto the horizontal; a clear peak says the frame is
// tilted. Per-pixel orientations scatter by a few tenths of a degree, so the
// peak is then refined by fitting straight lines through the thinned,
// sub-pixel edges that voted near it; long lines weigh most. When texture
// drowns the histogram, long Hough segments of one direction decide instead.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include <opencv2/imgproc.hpp>

namespace vantrel::HorizonDetector {
namespace {

constexpr double kAnalysisArea = 240000.0;
// A light blur keeps grain and scanner noise from scattering the orientations
// of real edges.
constexpr double kPreBlurSigma = 1.5;
constexpr float kMinStrength = 75.0f;
constexpr double kMaxTilt = 20.0;
constexpr int kBins = 400;
constexpr double kBinWidth = 0.1;
constexpr double kMinTotal = 5000.0;
constexpr int kBorder = 2;
// Edges whose orientation lies this close to the peak take part in the fit.
constexpr double kFitWindow = 1.5;
// Edge chains shorter than this (in analysis pixels) are too short to fit.
constexpr int kMinChainLength = 24;
// Fitted lines further than this from the weighted median are ignored.
constexpr double kFitOutlier = 0.5;
constexpr float kNoOrientation = 1000.0f;
// Hough segments: at least this share of the shorter side long, bridging gaps
// of a few pixels; the dominant direction must hold this share of their
// length and span this share of the frame's width.
constexpr double kMinLineFraction = 0.2;
constexpr double kMaxLineGap = 4.0;
constexpr double kMinLineShare = 0.5;
constexpr double kMinDominantLength = 0.5;

// Folds an edge orientation onto the horizontal: degrees in -45 ... 45, with
// near-vertical edges counting like near-horizontal ones. "Above" is the
// preceding row, so a positive angle is a counter-clockwise tilt.
double foldedOrientation(float gx, float gy) {
    constexpr double pi = std::numbers::pi;
    double theta = std::atan2(-double(gy), double(gx)) + pi / 2;
    if (theta > pi / 2) theta -= pi;
    if (theta < -pi / 2) theta += pi;
    double d = theta * 180.0 / pi;
    if (std::abs(d) > 45.0) d += d > 0 ? -90.0 : 90.0;
    return d;
}

double roundToTenth(double degrees) {
    const double r = std::round(degrees * 10.0) / 10.0;
    return std::abs(r) < 0.1 ? 0.0 : r;
}

struct Gradients {
    cv::Mat gx, gy, strength;  // CV_32F
    cv::Mat orientation;       // CV_32F folded degrees, kNoOrientation where it does not vote
};

// Coarse tilt (degrees, counter-clockwise positive) from the orientation
// histogram, or nothing when no clear peak stands out.
std::optional<double> histogramPeak(const Gradients& g) {
    std::array<double, kBins> histogram{};
    double total = 0.0;
    for (int y = kBorder; y < g.strength.rows - kBorder; ++y) {
        const float* s = g.strength.ptr<float>(y);
        const float* d = g.orientation.ptr<float>(y);
        for (int x = kBorder; x < g.strength.cols - kBorder; ++x) {
            if (d[x] == kNoOrientation) continue;
            const int bin = int((double(d[x]) + kMaxTilt) / kBinWidth);
            if (bin < 0 || bin >= kBins) continue;
            histogram[std::size_t(bin)] += s[x];
            total += s[x];
        }
    }
    if (total <= kMinTotal) return std::nullopt;

    std::array<double, kBins> smooth = histogram;
    for (std::size_t k = 1; k + 1 < kBins; ++k)
        smooth[k] = 0.25 * histogram[k - 1] + 0.5 * histogram[k] + 0.25 * histogram[k + 1];
    std::size_t peak = 0;
    for (std::size_t k = 1; k < kBins; ++k)
        if (smooth[k] > smooth[peak]) peak = k;
    const double peakValue = smooth[peak];
    if (!(peakValue > 2.5 * total / kBins && peakValue >= 0.05 * total)) return std::nullopt;
    return (double(peak) + 0.5) * kBinWidth - kMaxTilt;
}

// Least-squares sums of one chain of edge points (u along the edge, w across).
struct LineSums {
    double n = 0, su = 0, sw = 0, suu = 0, suw = 0;
    float uMin = 1e9f, uMax = -1e9f;
    void add(double u, double w) {
        n += 1;
        su += u;
        sw += w;
        suu += u * u;
        suw += u * w;
        uMin = std::min(uMin, float(u));
        uMax = std::max(uMax, float(u));
    }
    // Slope dw/du, or nothing when the chain is too short.
    std::optional<double> slope() const {
        if (uMax - uMin < float(kMinChainLength)) return std::nullopt;
        const double den = n * suu - su * su;
        if (!(den > 0.0)) return std::nullopt;
        return (n * suw - su * sw) / den;
    }
};

struct FittedLine {
    double tilt;
    double weight;
};

// The ridges of the voting edges whose orientation lies within `window` of
// `centre`: near-horizontal edges (thin[0]) are located to sub-pixel
// precision across rows, near-vertical ones (thin[1]) across columns.
struct ThinEdges {
    cv::Mat thin[2];  // CV_8U, 255 on a ridge
    cv::Mat offset;   // CV_32F sub-pixel offset of the ridge across the edge
};

ThinEdges thinEdges(const Gradients& g, double centre, double window) {
    const int rows = g.strength.rows, cols = g.strength.cols;
    ThinEdges t{{cv::Mat::zeros(rows, cols, CV_8U), cv::Mat::zeros(rows, cols, CV_8U)},
                cv::Mat(rows, cols, CV_32F, cv::Scalar(0))};
    for (int y = kBorder; y < rows - kBorder; ++y) {
        const float* s = g.strength.ptr<float>(y);
        const float* above = g.strength.ptr<float>(y - 1);
        const float* below = g.strength.ptr<float>(y + 1);
        const float* d = g.orientation.ptr<float>(y);
        const float* gx = g.gx.ptr<float>(y);
        const float* gy = g.gy.ptr<float>(y);
        for (int x = kBorder; x < cols - kBorder; ++x) {
            if (d[x] == kNoOrientation || std::abs(d[x] - centre) > window) continue;
            const bool horizontal = std::abs(gy[x]) >= std::abs(gx[x]);
            const float a = horizontal ? above[x] : s[x - 1];
            const float b = horizontal ? below[x] : s[x + 1];
            if (!(s[x] >= a && s[x] > b)) continue;  // not the ridge of the edge
            const float curvature = a - 2.0f * s[x] + b;
            t.offset.at<float>(y, x) = curvature < 0.0f ? std::clamp(0.5f * (a - b) / curvature, -0.5f, 0.5f) : 0.0f;
            t.thin[horizontal ? 0 : 1].at<std::uint8_t>(y, x) = 255;
        }
    }
    return t;
}

// Tilt of a line with slope dw/du in the (u, w) frame of `axis`: a
// horizontal edge rising to the right has dw/du < 0; a vertical edge turned
// counter-clockwise leans right going down, dw/du > 0.
double tiltOfSlope(int axis, double slope) { return (axis == 0 ? -1.0 : 1.0) * std::atan(slope) * 180.0 / std::numbers::pi; }

// Fits straight lines through the thinned edges whose orientation lies near
// `coarse`, chained by 8-connectivity; each chain gives a tilt weighted by
// its number of points.
std::vector<FittedLine> fitEdgeLines(const Gradients& g, double coarse) {
    const int rows = g.strength.rows, cols = g.strength.cols;
    const ThinEdges t = thinEdges(g, coarse, kFitWindow);
    const cv::Mat* thin = t.thin;
    const cv::Mat& offset = t.offset;

    std::vector<FittedLine> lines;
    for (int axis = 0; axis < 2; ++axis) {
        cv::Mat labels;
        const int count = cv::connectedComponents(thin[axis], labels, 8, CV_32S);
        std::vector<LineSums> sums(std::size_t(std::max(count, 1)));
        for (int y = 0; y < rows; ++y) {
            const int* l = labels.ptr<int>(y);
            const float* o = offset.ptr<float>(y);
            for (int x = 0; x < cols; ++x) {
                if (l[x] == 0) continue;
                if (axis == 0)
                    sums[std::size_t(l[x])].add(x, y + o[x]);  // w grows downwards
                else
                    sums[std::size_t(l[x])].add(y, x + o[x]);  // w grows to the right
            }
        }
        for (int k = 1; k < count; ++k) {
            const auto m = sums[std::size_t(k)].slope();
            if (!m) continue;
            const double tilt = tiltOfSlope(axis, *m);
            if (std::abs(tilt - coarse) <= kFitWindow) lines.push_back({tilt, sums[std::size_t(k)].n});
        }
    }
    return lines;
}

// When texture drowns the orientation histogram, long straight lines still
// tell the tilt: Hough segments of the thinned edges vote with their length,
// one direction must hold most of it, and each of its segments is then fitted
// through the sub-pixel ridge points along it.
std::vector<FittedLine> dominantLines(const Gradients& g) {
    const ThinEdges t = thinEdges(g, 0.0, kMaxTilt);
    // Widened by a pixel, so a ridge that steps between rows along a slightly
    // tilted line still reads as one segment.
    cv::Mat edges;
    cv::dilate(t.thin[0] | t.thin[1], edges, cv::Mat());
    const double minLength = kMinLineFraction * std::min(edges.cols, edges.rows);
    std::vector<cv::Vec4i> segments;
    cv::HoughLinesP(edges, segments, 1.0, std::numbers::pi / 720.0, int(minLength / 2), minLength, kMaxLineGap);

    std::vector<double> tilts;
    std::array<double, kBins> histogram{};
    double total = 0.0;
    for (const cv::Vec4i& s : segments) {
        const double dx = s[2] - s[0], dy = s[3] - s[1];
        const double d = foldedOrientation(float(-dy), float(dx));  // a line runs across its gradient
        tilts.push_back(d);
        if (std::abs(d) > kMaxTilt) continue;
        const int bin = std::clamp(int((d + kMaxTilt) / kBinWidth), 0, kBins - 1);
        histogram[std::size_t(bin)] += std::hypot(dx, dy);
        total += std::hypot(dx, dy);
    }
    if (total <= 0.0) return {};
    // Length within half a degree of each direction.
    constexpr int reach = 5;
    int peak = 0;
    double peakLength = 0.0;
    for (int k = 0; k < kBins; ++k) {
        double sum = 0.0;
        for (int j = std::max(0, k - reach); j <= std::min(kBins - 1, k + reach); ++j) sum += histogram[std::size_t(j)];
        if (sum > peakLength) {
            peakLength = sum;
            peak = k;
        }
    }
    if (peakLength < kMinLineShare * total || peakLength < kMinDominantLength * edges.cols) return {};
    const double centre = (peak + 0.5) * kBinWidth - kMaxTilt;

    std::vector<FittedLine> lines;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        if (std::abs(tilts[i] - centre) > (reach + 1) * kBinWidth) continue;
        const cv::Vec4i& s = segments[i];
        const int axis = std::abs(s[2] - s[0]) >= std::abs(s[3] - s[1]) ? 0 : 1;
        // The segment in (u, w): along and across the edge.
        const double u0 = axis == 0 ? s[0] : s[1], w0 = axis == 0 ? s[1] : s[0];
        const double u1 = axis == 0 ? s[2] : s[3], w1 = axis == 0 ? s[3] : s[2];
        double slope = (w1 - w0) / (u1 - u0), intercept = w0 - slope * u0;
        LineSums sums;
        for (double tolerance : {1.5, 0.75}) {  // gather, then tighten round the first fit
            sums = {};
            const cv::Rect box = cv::Rect(cv::Point(std::min(s[0], s[2]) - 3, std::min(s[1], s[3]) - 3),
                                          cv::Point(std::max(s[0], s[2]) + 4, std::max(s[1], s[3]) + 4)) &
                                 cv::Rect(0, 0, edges.cols, edges.rows);
            for (int y = box.y; y < box.y + box.height; ++y) {
                const std::uint8_t* ridge = t.thin[axis].ptr<std::uint8_t>(y);
                const float* o = t.offset.ptr<float>(y);
                for (int x = box.x; x < box.x + box.width; ++x) {
                    if (!ridge[x]) continue;
                    const double u = axis == 0 ? x : y, w = axis == 0 ? y + o[x] : x + o[x];
                    if (std::abs(w - (slope * u + intercept)) <= tolerance) sums.add(u, w);
                }
            }
            const auto m = sums.slope();
            if (!m) break;
            slope = *m;
            intercept = (sums.sw - slope * sums.su) / sums.n;
        }
        if (sums.slope()) lines.push_back({tiltOfSlope(axis, slope), sums.n});
    }
    return lines;
}

// Weighted mean of the fitted tilts that agree with their weighted median.
std::optional<double> combine(std::vector<FittedLine> lines) {
    if (lines.empty()) return std::nullopt;
    std::sort(lines.begin(), lines.end(), [](const FittedLine& a, const FittedLine& b) { return a.tilt < b.tilt; });
    double total = 0.0;
    for (const FittedLine& l : lines) total += l.weight;
    double running = 0.0, median = lines.front().tilt;
    for (const FittedLine& l : lines) {
        running += l.weight;
        if (running >= total / 2) {
            median = l.tilt;
            break;
        }
    }
    double sum = 0.0, weight = 0.0;
    for (const FittedLine& l : lines) {
        if (std::abs(l.tilt - median) > kFitOutlier) continue;
        sum += l.tilt * l.weight;
        weight += l.weight;
    }
    return weight > 0.0 ? std::optional(sum / weight) : std::nullopt;
}

bool measurable(cv::Size size) { return size.width > 2 * kBorder + 2 && size.height > 2 * kBorder + 2; }

// The tilt measured on a frame reduced to the analysis size (grey, CV_32F).
std::optional<double> measureGrey(cv::Mat grey) {
    const cv::Size size = grey.size();
    cv::GaussianBlur(grey, grey, cv::Size(0, 0), kPreBlurSigma, kPreBlurSigma, cv::BORDER_REPLICATE);
    Gradients g;
    cv::Sobel(grey, g.gx, CV_32F, 1, 0, 3, 1.0, 0.0, cv::BORDER_REPLICATE);
    cv::Sobel(grey, g.gy, CV_32F, 0, 1, 3, 1.0, 0.0, cv::BORDER_REPLICATE);
    cv::magnitude(g.gx, g.gy, g.strength);
    g.orientation = cv::Mat(size, CV_32F, cv::Scalar(kNoOrientation));
    for (int y = kBorder; y < size.height - kBorder; ++y) {
        const float* gx = g.gx.ptr<float>(y);
        const float* gy = g.gy.ptr<float>(y);
        const float* s = g.strength.ptr<float>(y);
        float* d = g.orientation.ptr<float>(y);
        for (int x = kBorder; x < size.width - kBorder; ++x) {
            if (!(s[x] > kMinStrength)) continue;
            const double o = foldedOrientation(gx[x], gy[x]);
            if (std::abs(o) <= kMaxTilt) d[x] = float(o);
        }
    }

    const auto coarse = histogramPeak(g);
    const auto tilt = coarse ? combine(fitEdgeLines(g, *coarse)).value_or(*coarse) : combine(dominantLines(g));
    if (!tilt) return std::nullopt;
    return roundToTenth(-*tilt);
}

}  // namespace

std::optional<double> measureHorizonAngle(const RgbaView& bitmap) {
    const cv::Mat source = analysis::wrap(bitmap);
    if (source.empty()) return std::nullopt;
    const cv::Size size = analysis::sizeForArea(source.cols, source.rows, kAnalysisArea);
    if (!measurable(size)) return std::nullopt;
    return measureGrey(analysis::greyAtSize(source, size));
}

std::future<std::optional<double>> detectHorizonAngle(Image frame) {
    auto work = [frame = std::move(frame)]() noexcept -> std::optional<double> {
        try {
            const Rect e = frame.extent();
            if (!e.isFinite()) return std::nullopt;
            const cv::Size size = analysis::sizeForArea(int(std::min<std::int64_t>(e.width, INT32_MAX)),
                                                        int(std::min<std::int64_t>(e.height, INT32_MAX)), kAnalysisArea);
            if (!measurable(size)) return std::nullopt;
            // Rendered as a plain display would show it (sRGB, 8 bit).
            const auto reduced = analysis::renderReduced(frame, size, OutputSpace::sRGB);
            if (!reduced) return std::nullopt;
            return measureGrey(analysis::greyAtSize(*reduced, size));
        } catch (...) {
            return std::nullopt;  // out of memory and the like: no angle, never a hang
        }
    };
    try {
        return std::async(std::launch::async, std::move(work));
    } catch (...) {
        // No thread to be had: answer "not found" rather than block the caller.
        std::promise<std::optional<double>> none;
        none.set_value(std::nullopt);
        return none.get_future();
    }
}

}  // namespace vantrel::HorizonDetector
