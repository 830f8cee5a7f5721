#include "engine/analysis/AnalysisRaster.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <opencv2/imgproc.hpp>

namespace vantrel::analysis {
namespace {
constexpr int kStripRows = 128;
}  // namespace

cv::Mat wrap(const RgbaView& view) {
    if (view.empty()) return {};
    return cv::Mat(view.height, view.width, CV_8UC4, const_cast<std::uint8_t*>(view.data),
                   view.bytesPerRow);
}

cv::Size sizeForArea(int width, int height, double area) {
    if (width <= 0 || height <= 0) return {0, 0};
    const double s = std::min(1.0, std::sqrt(area / (double(width) * double(height))));
    return {std::max(1, int(std::lround(width * s))), std::max(1, int(std::lround(height * s)))};
}

cv::Size sizeForLongSide(int width, int height, int longSide) {
    if (width <= 0 || height <= 0) return {0, 0};
    const double s = std::min(1.0, double(longSide) / double(std::max(width, height)));
    return {std::max(1, int(std::lround(width * s))), std::max(1, int(std::lround(height * s)))};
}

cv::Mat greyAtSize(const cv::Mat& rgba, cv::Size size) {
    // Grey first, in float, so the reduction does not quantise soft edges
    // into steps.
    cv::Mat grey(rgba.size(), CV_32F);
    for (int y = 0; y < rgba.rows; ++y) {
        float* g = grey.ptr<float>(y);
        if (rgba.depth() == CV_8U) {
            const std::uint8_t* p = rgba.ptr<std::uint8_t>(y);
            for (int x = 0; x < rgba.cols; ++x, p += 4) g[x] = 0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2];
        } else {
            const float* p = rgba.ptr<float>(y);
            for (int x = 0; x < rgba.cols; ++x, p += 4) g[x] = 0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2];
        }
    }
    if (grey.size() == size) return grey;
    cv::Mat small;
    cv::resize(grey, small, size, 0, 0, cv::INTER_AREA);
    return small;
}

cv::Mat rgbAtSize(const cv::Mat& rgba, cv::Size size) {
    cv::Mat bytes = rgba;
    if (rgba.depth() != CV_8U) rgba.convertTo(bytes, CV_8U);
    cv::Mat rgb;
    cv::cvtColor(bytes, rgb, cv::COLOR_RGBA2RGB);
    if (rgb.size() == size) return rgb;
    cv::Mat small;
    cv::resize(rgb, small, size, 0, 0, cv::INTER_AREA);
    return small;
}

std::optional<cv::Mat> renderReduced(const Image& image, cv::Size size, OutputSpace space) {
    const Rect extent = image.extent();
    if (!extent.isFinite() || size.width <= 0 || size.height <= 0) return std::nullopt;
    if (extent.width > std::numeric_limits<int>::max() || extent.height > std::numeric_limits<int>::max())
        return std::nullopt;
    // Whole blocks first (exact and cheap), then the fractional rest by area.
    const int factor = std::max(1, int(std::min(extent.width / size.width, extent.height / size.height)));
    BoxReducer reducer(int(extent.width), int(extent.height), factor);
    // A private context, as the analyses run beside renders of the pipeline.
    const Context context;
    RenderOptions options;
    options.space = space;
    const bool ok = context.renderStrips(image, extent, PixelFormat::rgba8, kStripRows, [&](const Strip& strip) {
        const cv::Mat rows(strip.rows, strip.width, CV_8UC4, const_cast<void*>(strip.data), strip.rowBytes);
        reducer.add(rows, strip.firstRow);
        return true;
    }, options);
    if (!ok) return std::nullopt;
    cv::Mat reduced = reducer.result();
    if (reduced.size() == size) return reduced;
    cv::Mat out;
    cv::resize(reduced, out, size, 0, 0, cv::INTER_AREA);
    return out;
}

BoxReducer::BoxReducer(int sourceWidth, int sourceHeight, int factor)
    : sourceWidth_(std::max(sourceWidth, 1)), sourceHeight_(std::max(sourceHeight, 1)), factor_(std::max(factor, 1)),
      sums_((sourceHeight_ + factor_ - 1) / factor_, (sourceWidth_ + factor_ - 1) / factor_, CV_64FC4,
            cv::Scalar::all(0)),
      counts_(sums_.size(), CV_32S, cv::Scalar::all(0)) {}

void BoxReducer::add(const cv::Mat& strip, int firstRow) {
    CV_Assert(strip.type() == CV_8UC4 && strip.cols == sourceWidth_);
    for (int r = 0; r < strip.rows; ++r) {
        const int sy = firstRow + r;
        if (sy < 0 || sy >= sourceHeight_) continue;
        const std::uint8_t* p = strip.ptr<std::uint8_t>(r);
        cv::Vec4d* sum = sums_.ptr<cv::Vec4d>(sy / factor_);
        int* count = counts_.ptr<int>(sy / factor_);
        for (int x0 = 0, cell = 0; x0 < sourceWidth_; x0 += factor_, ++cell) {
            const int x1 = std::min(x0 + factor_, sourceWidth_);
            double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
            for (int x = x0; x < x1; ++x, p += 4) {
                s0 += p[0];
                s1 += p[1];
                s2 += p[2];
                s3 += p[3];
            }
            sum[cell] += cv::Vec4d(s0, s1, s2, s3);
            count[cell] += x1 - x0;
        }
    }
}

cv::Mat BoxReducer::result() const {
    cv::Mat out(sums_.size(), CV_32FC4, cv::Scalar::all(0));
    for (int y = 0; y < out.rows; ++y) {
        const cv::Vec4d* sum = sums_.ptr<cv::Vec4d>(y);
        const int* count = counts_.ptr<int>(y);
        cv::Vec4f* o = out.ptr<cv::Vec4f>(y);
        for (int x = 0; x < out.cols; ++x)
            if (count[x] > 0) o[x] = cv::Vec4f(sum[x] / double(count[x]));
    }
    return out;
}

}  // namespace vantrel::analysis
