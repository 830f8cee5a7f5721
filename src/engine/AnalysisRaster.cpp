#include "engine/AnalysisRaster.h"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

namespace vantrel::analysis {

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

cv::Mat greyAtSize(const cv::Mat& rgba8, cv::Size size) {
    // Grey first, in float, so the reduction does not quantise soft edges
    // into steps.
    cv::Mat grey(rgba8.size(), CV_32F);
    for (int y = 0; y < rgba8.rows; ++y) {
        const std::uint8_t* p = rgba8.ptr<std::uint8_t>(y);
        float* g = grey.ptr<float>(y);
        for (int x = 0; x < rgba8.cols; ++x, p += 4) g[x] = 0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2];
    }
    if (grey.size() == size) return grey;
    cv::Mat small;
    cv::resize(grey, small, size, 0, 0, cv::INTER_AREA);
    return small;
}

cv::Mat rgbAtSize(const cv::Mat& rgba8, cv::Size size) {
    cv::Mat rgb;
    cv::cvtColor(rgba8, rgb, cv::COLOR_RGBA2RGB);
    if (rgb.size() == size) return rgb;
    cv::Mat small;
    cv::resize(rgb, small, size, 0, 0, cv::INTER_AREA);
    return small;
}

BoxReducer::BoxReducer(int sourceWidth, int sourceHeight, cv::Size target)
    : sourceWidth_(sourceWidth), sourceHeight_(sourceHeight), target_(target),
      columnCell_(std::size_t(std::max(sourceWidth, 0))),
      sums_(target, CV_64FC4, cv::Scalar::all(0)), counts_(target, CV_32S, cv::Scalar::all(0)) {
    for (int x = 0; x < sourceWidth_; ++x)
        columnCell_[std::size_t(x)] = std::min(target_.width - 1, int(std::int64_t(x) * target_.width / sourceWidth_));
}

void BoxReducer::add(const cv::Mat& strip, int firstRow) {
    CV_Assert(strip.type() == CV_8UC4 && strip.cols == sourceWidth_);
    for (int r = 0; r < strip.rows; ++r) {
        const int sy = firstRow + r;
        if (sy < 0 || sy >= sourceHeight_) continue;
        const int cy = std::min(target_.height - 1, int(std::int64_t(sy) * target_.height / sourceHeight_));
        const std::uint8_t* p = strip.ptr<std::uint8_t>(r);
        cv::Vec4d* sum = sums_.ptr<cv::Vec4d>(cy);
        int* count = counts_.ptr<int>(cy);
        for (int x = 0; x < sourceWidth_; ++x, p += 4) {
            const int cx = columnCell_[std::size_t(x)];
            cv::Vec4d& s = sum[cx];
            s[0] += p[0];
            s[1] += p[1];
            s[2] += p[2];
            s[3] += p[3];
            ++count[cx];
        }
    }
}

cv::Mat BoxReducer::result() const {
    cv::Mat out(target_, CV_8UC4, cv::Scalar::all(0));
    for (int y = 0; y < target_.height; ++y) {
        const cv::Vec4d* sum = sums_.ptr<cv::Vec4d>(y);
        const int* count = counts_.ptr<int>(y);
        cv::Vec4b* o = out.ptr<cv::Vec4b>(y);
        for (int x = 0; x < target_.width; ++x) {
            if (count[x] == 0) continue;
            for (int c = 0; c < 4; ++c) o[x][c] = cv::saturate_cast<std::uint8_t>(sum[x][c] / count[x]);
        }
    }
    return out;
}

}  // namespace vantrel::analysis
