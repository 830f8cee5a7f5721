#pragma once
// Pixel plumbing shared by the image analyses (horizon, subject, spot source):
// a non-owning view of an 8-bit RGBA bitmap and the conversions the analyses
// need on top of OpenCV. Private to the engine.

#include <cstddef>
#include <cstdint>

#include <optional>

#include <opencv2/core.hpp>

#include "engine/core/Context.h"
#include "engine/core/Image.h"

namespace vantrel {

// A read-only view of 8-bit RGBA pixels, top row first (the layout of every
// bitmap the engine renders). Alpha is ignored by the analyses.
struct RgbaView {
    const std::uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
    std::size_t bytesPerRow = 0;

    bool empty() const { return data == nullptr || width <= 0 || height <= 0; }
};

namespace analysis {

// Wraps the view as a CV_8UC4 matrix without copying.
cv::Mat wrap(const RgbaView& view);

// Size that holds `area` pixels (never more than the source's) with the
// source's aspect ratio; each side at least 1.
cv::Size sizeForArea(int width, int height, double area);

// Size whose longer side is `longSide` (never larger than the source), with
// the source's aspect ratio.
cv::Size sizeForLongSide(int width, int height, int longSide);

// Luma 0.299 R + 0.587 G + 0.114 B on the 0 ... 255 scale, as CV_32F,
// reduced to `size` with area averaging. `rgba` is CV_8UC4 or CV_32FC4.
cv::Mat greyAtSize(const cv::Mat& rgba, cv::Size size);

// RGB (3 channels, 8 bit) reduced to `size` with area averaging. `rgba` is
// CV_8UC4 or CV_32FC4 (0 ... 255).
cv::Mat rgbAtSize(const cv::Mat& rgba, cv::Size size);

// Renders the image's whole extent, display-encoded in `space`, and reduces
// it to `size` by area averaging as the strips arrive, so no full-size copy is
// held. CV_32FC4 on the 0 ... 255 scale, top row first; nothing when the
// render fails.
std::optional<cv::Mat> renderReduced(const Image& image, cv::Size size, OutputSpace space);

// Accumulates pixel strips of a large image into a small one by averaging
// blocks of factor x factor pixels (partial blocks at the right and bottom
// edges average what they hold). Strips may arrive in any order and height;
// the result does not depend on how the image was cut.
class BoxReducer {
public:
    BoxReducer(int sourceWidth, int sourceHeight, int factor);
    cv::Size size() const { return sums_.size(); }
    // `strip` is CV_8UC4 and holds source rows firstRow ... firstRow + rows - 1.
    void add(const cv::Mat& strip, int firstRow);
    // The averaged image, CV_32FC4.
    cv::Mat result() const;

private:
    int sourceWidth_;
    int sourceHeight_;
    int factor_;
    cv::Mat sums_;    // CV_64FC4
    cv::Mat counts_;  // CV_32S
};

}  // namespace analysis
}  // namespace vantrel
