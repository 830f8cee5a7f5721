#include "engine/analysis/SubjectSegmentationEngine.h"

// How the subject is found, on a copy of fixed size:
// 1. Border contrast: the frame's four border bands describe the background
//    (mean and spread of their smoothed Lab colours); a pixel is salient as
//    far as it differs from every one of them.
// 2. Spectral residual: the unexpected part of the frame's log spectrum marks
//    compact, unusual structures; it sharpens the border contrast.
// 3. When a salient region of plausible size stands out, GrabCut refines it
//    with colour models of subject and background, small specks are dropped,
//    small holes filled, and the edge is feathered.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <mutex>

#include <opencv2/imgproc.hpp>

namespace vantrel {
namespace {

constexpr int kMinFrameSide = 10;
// Smoothing (working pixels) that keeps fine texture out of the colour contrast.
constexpr double kContrastSmoothing = 3.0;
// Width of the border bands, as a fraction of the shorter side.
constexpr double kBandFraction = 0.04;
// Floor of the background's colour spread (Lab units), so a flat border does
// not turn noise into saliency.
constexpr double kMinSpread = 2.5;
constexpr int kPatchesPerSide = 6;
// Two border patches are alike when their means lie this close (in spreads).
constexpr double kAlikeDistance = 3.0;
constexpr int kMinAlikePatches = 4;
// Colour distance (in background spreads) at which a pixel is half salient.
constexpr double kHalfSalientDistance = 4.0;
constexpr float kSalientThreshold = 0.5f;
// Plausible subject sizes, as fractions of the frame.
constexpr double kMinSubjectArea = 0.003;
constexpr double kMaxSubjectArea = 0.85;
constexpr int kSpectralWidth = 64;
constexpr int kGrabCutIterations = 4;
constexpr std::uint64_t kRngSeed = 0x5eed5eedULL;
// Feathering of the final edge, in working pixels.
constexpr double kFeatherSigma = 1.5;

// Robust colour statistics of a border patch: per-channel median and spread
// (from the median absolute deviation), so a sliver of subject reaching into
// the patch neither moves its colour nor widens its spread.
struct Patch {
    cv::Vec3d median;
    cv::Vec3d spread;
};

Patch patchStatistics(const cv::Mat& lab, const cv::Rect& rect) {
    const cv::Mat roi = lab(rect);
    std::vector<float> values(roi.total());
    Patch patch;
    for (int c = 0; c < 3; ++c) {
        std::size_t i = 0;
        for (int y = 0; y < roi.rows; ++y)
            for (int x = 0; x < roi.cols; ++x) values[i++] = roi.at<cv::Vec3f>(y, x)[c];
        const auto mid = values.begin() + std::ptrdiff_t(values.size() / 2);
        std::nth_element(values.begin(), mid, values.end());
        const double median = *mid;
        for (float& v : values) v = std::abs(v - float(median));
        std::nth_element(values.begin(), mid, values.end());
        patch.median[c] = median;
        patch.spread[c] = std::hypot(1.4826 * *mid, kMinSpread);
    }
    return patch;
}

// Squared distance of `colour` from the patch, in the patch's spreads.
double distance2(const cv::Vec3d& colour, const cv::Vec3d& median, const cv::Vec3d& spread) {
    double sum = 0.0;
    for (int c = 0; c < 3; ++c) {
        const double d = (colour[c] - median[c]) / spread[c];
        sum += d * d;
    }
    return sum;
}

// The border, cut into patches along each side, describes the background. A
// subject that reaches the border colours a few patches unlike the rest, so
// only patches that resemble several others are kept.
std::vector<Patch> backgroundPatches(const cv::Mat& lab) {
    const int band = std::max(2, int(std::lround(kBandFraction * std::min(lab.cols, lab.rows))));
    std::vector<Patch> patches;
    for (int k = 0; k < kPatchesPerSide; ++k) {
        const int x0 = lab.cols * k / kPatchesPerSide, x1 = lab.cols * (k + 1) / kPatchesPerSide;
        const int y0 = lab.rows * k / kPatchesPerSide, y1 = lab.rows * (k + 1) / kPatchesPerSide;
        patches.push_back(patchStatistics(lab, {x0, 0, x1 - x0, band}));
        patches.push_back(patchStatistics(lab, {x0, lab.rows - band, x1 - x0, band}));
        patches.push_back(patchStatistics(lab, {0, y0, band, y1 - y0}));
        patches.push_back(patchStatistics(lab, {lab.cols - band, y0, band, y1 - y0}));
    }
    std::vector<Patch> kept;
    for (std::size_t i = 0; i < patches.size(); ++i) {
        int alike = 0;
        for (std::size_t j = 0; j < patches.size(); ++j) {
            if (i == j) continue;
            const cv::Vec3d pooled = (patches[i].spread + patches[j].spread) * 0.5;
            if (distance2(patches[i].median, patches[j].median, pooled) < kAlikeDistance * kAlikeDistance) ++alike;
        }
        if (alike >= kMinAlikePatches) kept.push_back(patches[i]);
    }
    return kept.empty() ? patches : kept;
}

// OpenCV fills its Lab lookup tables on first use without a lock; two
// analyses starting together would race on them. Fill them once, in order.
void prepareLabTables() {
    static std::once_flag once;
    std::call_once(once, [] {
        cv::Mat lab;
        cv::cvtColor(cv::Mat(1, 1, CV_32FC3, cv::Scalar::all(0.5)), lab, cv::COLOR_RGB2Lab);
        cv::cvtColor(cv::Mat(1, 1, CV_8UC3, cv::Scalar::all(128)), lab, cv::COLOR_RGB2Lab);
    });
}

// Distance (in background spreads) of each pixel from the nearest background patch.
cv::Mat borderContrast(const cv::Mat& rgb) {
    prepareLabTables();
    cv::Mat rgbf, lab;
    rgb.convertTo(rgbf, CV_32F, 1.0 / 255.0);
    cv::cvtColor(rgbf, lab, cv::COLOR_RGB2Lab);
    cv::GaussianBlur(lab, lab, cv::Size(0, 0), kContrastSmoothing, kContrastSmoothing, cv::BORDER_REFLECT);

    const std::vector<Patch> patches = backgroundPatches(lab);
    cv::Mat contrast(rgb.size(), CV_32F);
    cv::parallel_for_(cv::Range(0, lab.rows), [&](const cv::Range& rows) {
        for (int y = rows.start; y < rows.end; ++y) {
            const cv::Vec3f* p = lab.ptr<cv::Vec3f>(y);
            float* c = contrast.ptr<float>(y);
            for (int x = 0; x < lab.cols; ++x) {
                double best = 1e30;
                for (const Patch& b : patches) best = std::min(best, distance2(cv::Vec3d(p[x]), b.median, b.spread));
                c[x] = float(std::sqrt(std::max(best, 0.0)));
            }
        }
    });
    return contrast;
}

// Spectral-residual saliency, 0 ... 1, at `size`.
cv::Mat spectralResidual(const cv::Mat& rgb, cv::Size size) {
    cv::Mat grey, small;
    cv::cvtColor(rgb, grey, cv::COLOR_RGB2GRAY);
    cv::resize(grey, small, analysis::sizeForLongSide(rgb.cols, rgb.rows, kSpectralWidth), 0, 0, cv::INTER_AREA);
    small.convertTo(small, CV_32F, 1.0 / 255.0);

    cv::Mat spectrum;
    cv::dft(small, spectrum, cv::DFT_COMPLEX_OUTPUT);
    cv::Mat planes[2];
    cv::split(spectrum, planes);
    cv::Mat magnitude, phase, logMagnitude, average;
    cv::cartToPolar(planes[0], planes[1], magnitude, phase);
    cv::log(magnitude + 1e-6f, logMagnitude);
    cv::blur(logMagnitude, average, cv::Size(3, 3), cv::Point(-1, -1), cv::BORDER_REPLICATE);
    cv::Mat residual;
    cv::exp(logMagnitude - average, residual);
    cv::polarToCart(residual, phase, planes[0], planes[1]);
    cv::merge(planes, 2, spectrum);
    cv::Mat back;
    cv::idft(spectrum, back, cv::DFT_COMPLEX_OUTPUT | cv::DFT_SCALE);
    cv::split(back, planes);
    cv::Mat energy;
    cv::magnitude(planes[0], planes[1], energy);
    energy = energy.mul(energy);
    cv::GaussianBlur(energy, energy, cv::Size(0, 0), 2.5);
    cv::normalize(energy, energy, 0.0, 1.0, cv::NORM_MINMAX);
    cv::Mat out;
    cv::resize(energy, out, size, 0, 0, cv::INTER_LINEAR);
    return out;
}

// Keeps the components of `fg` that hold salient pixels, and fills holes
// smaller than `maxHole` pixels.
cv::Mat cleanUp(const cv::Mat& fg, const cv::Mat& salient, double maxHole) {
    cv::Mat labels, stats, centroids;
    const int n = cv::connectedComponentsWithStats(fg, labels, stats, centroids, 8, CV_32S);
    std::vector<int> salientCount(std::size_t(std::max(n, 1)), 0);
    for (int y = 0; y < fg.rows; ++y) {
        const int* l = labels.ptr<int>(y);
        const std::uint8_t* s = salient.ptr<std::uint8_t>(y);
        for (int x = 0; x < fg.cols; ++x)
            if (l[x] > 0 && s[x]) ++salientCount[std::size_t(l[x])];
    }
    int largest = 0;
    for (int k = 1; k < n; ++k) largest = std::max(largest, stats.at<int>(k, cv::CC_STAT_AREA));
    cv::Mat kept = cv::Mat::zeros(fg.size(), CV_8U);
    for (int y = 0; y < fg.rows; ++y) {
        const int* l = labels.ptr<int>(y);
        std::uint8_t* k = kept.ptr<std::uint8_t>(y);
        for (int x = 0; x < fg.cols; ++x) {
            const int label = l[x];
            if (label > 0 && salientCount[std::size_t(label)] > 0 &&
                stats.at<int>(label, cv::CC_STAT_AREA) * 20 >= largest)
                k[x] = 255;
        }
    }
    // Holes are background components that do not touch the frame's edge.
    cv::Mat holes;
    cv::bitwise_not(kept, holes);
    const int m = cv::connectedComponentsWithStats(holes, labels, stats, centroids, 4, CV_32S);
    for (int k = 1; k < m; ++k) {
        const int x = stats.at<int>(k, cv::CC_STAT_LEFT), y = stats.at<int>(k, cv::CC_STAT_TOP);
        const int w = stats.at<int>(k, cv::CC_STAT_WIDTH), h = stats.at<int>(k, cv::CC_STAT_HEIGHT);
        const bool touchesEdge = x == 0 || y == 0 || x + w == fg.cols || y + h == fg.rows;
        if (!touchesEdge && stats.at<int>(k, cv::CC_STAT_AREA) <= maxHole) kept.setTo(255, labels == k);
    }
    return kept;
}

// Runs GrabCut with a fixed seed and restores the thread's generator after.
void grabCut(const cv::Mat& rgb, cv::Mat& mask) {
    cv::RNG& rng = cv::theRNG();
    const std::uint64_t saved = rng.state;
    rng.state = kRngSeed;
    cv::Mat bgr, background, foreground;
    cv::cvtColor(rgb, bgr, cv::COLOR_RGB2BGR);
    cv::grabCut(bgr, mask, cv::Rect(), background, foreground, kGrabCutIterations, cv::GC_INIT_WITH_MASK);
    rng.state = saved;
}

// The mask of a frame already reduced to the working size (RGB, 8 bit).
std::optional<SubjectSegmentationEngine::Mask> segmentWorking(const cv::Mat& rgb) {
    const cv::Size size = rgb.size();
    const double area = double(size.area());

    const cv::Mat contrast = borderContrast(rgb);
    const cv::Mat residual = spectralResidual(rgb, size);
    cv::Mat saliency(size, CV_32F);
    for (int y = 0; y < size.height; ++y) {
        const float* c = contrast.ptr<float>(y);
        const float* r = residual.ptr<float>(y);
        float* s = saliency.ptr<float>(y);
        for (int x = 0; x < size.width; ++x) {
            const float q = c[x] / float(kHalfSalientDistance);
            s[x] = (q * q / (1.0f + q * q)) * (0.75f + 0.25f * r[x]);
        }
    }
    const cv::Mat salient = saliency > kSalientThreshold;
    const double salientArea = double(cv::countNonZero(salient));
    if (salientArea < kMinSubjectArea * area || salientArea > kMaxSubjectArea * area) return std::nullopt;

    // Seeds: the salient region's core is surely subject, clearly plain
    // background surely background, the rest is GrabCut's to decide.
    cv::Mat core;
    const int erosion = std::max(1, int(std::lround(0.01 * std::max(size.width, size.height))));
    cv::erode(salient, core, cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(2 * erosion + 1, 2 * erosion + 1)));
    cv::Mat mask(size, CV_8U, cv::Scalar(cv::GC_PR_BGD));
    mask.setTo(cv::GC_BGD, saliency < 0.2f * kSalientThreshold);
    mask.setTo(cv::GC_PR_FGD, salient);
    mask.setTo(cv::GC_FGD, core);
    grabCut(rgb, mask);

    cv::Mat fg = (mask == cv::GC_FGD) | (mask == cv::GC_PR_FGD);
    fg = cleanUp(fg, salient, 0.005 * area);
    const double fgArea = double(cv::countNonZero(fg));
    if (fgArea < kMinSubjectArea * area || fgArea > 0.95 * area) return std::nullopt;

    cv::Mat soft;
    fg.convertTo(soft, CV_32F, 1.0 / 255.0);
    cv::GaussianBlur(soft, soft, cv::Size(0, 0), kFeatherSigma, kFeatherSigma, cv::BORDER_REPLICATE);
    SubjectSegmentationEngine::Mask out{size.width, size.height, std::vector<float>(std::size_t(size.area()))};
    for (int y = 0; y < size.height; ++y)
        std::copy_n(soft.ptr<float>(y), size.width, out.values.begin() + std::ptrdiff_t(y) * size.width);
    return out;
}

}  // namespace

const SubjectSegmentationEngine& SubjectSegmentationEngine::shared() {
    static const SubjectSegmentationEngine instance;
    return instance;
}

std::optional<SubjectSegmentationEngine::Mask> SubjectSegmentationEngine::segment(const RgbaView& frame) const {
    if (frame.empty() || frame.width <= kMinFrameSide || frame.height <= kMinFrameSide) return std::nullopt;
    const cv::Mat source = analysis::wrap(frame);
    return segmentWorking(analysis::rgbAtSize(source, analysis::sizeForLongSide(frame.width, frame.height, kWorkingLongSide)));
}

std::future<std::optional<Image>> SubjectSegmentationEngine::generateMask(Image frame) const {
    auto work = [frame = std::move(frame)]() noexcept -> std::optional<Image> {
        try {
            const Rect e = frame.extent();
            if (!e.isFinite() || e.width <= kMinFrameSide || e.height <= kMinFrameSide) return std::nullopt;
            if (e.width > INT32_MAX || e.height > INT32_MAX) return std::nullopt;
            const cv::Size size = analysis::sizeForLongSide(int(e.width), int(e.height), kWorkingLongSide);
            const auto reduced = analysis::renderReduced(frame, size, OutputSpace::sRGB);
            if (!reduced) return std::nullopt;
            const auto mask = segmentWorking(analysis::rgbAtSize(*reduced, size));
            if (!mask) return std::nullopt;
            // Stored as a grey working image without any transfer curve.
            PixelBuffer buffer(Rect{0, 0, mask->width, mask->height});
            float* out = buffer.data();
            for (float m : mask->values) {
                out[0] = out[1] = out[2] = m;
                out[3] = 1.0f;
                out += 4;
            }
            return fitMask(Image::fromBuffer(std::move(buffer)), e);
        } catch (...) {
            return std::nullopt;  // out of memory and the like: no mask, never a hang
        }
    };
    try {
        return std::async(std::launch::async, std::move(work));
    } catch (...) {
        std::promise<std::optional<Image>> none;
        none.set_value(std::nullopt);
        return none.get_future();
    }
}

Image SubjectSegmentationEngine::fitMask(const Image& mask, const Rect& target) {
    const Rect m = mask.extent();
    if (m.isEmpty() || !m.isFinite()) return mask;
    const double sx = double(target.width) / double(m.width), sy = double(target.height) / double(m.height);
    const AffineTransform fit{sx, 0, 0, sy, double(target.x) - sx * double(m.x), double(target.y) - sy * double(m.y)};
    return mask.clampedToExtent().transformed(fit).cropped(target);
}

}  // namespace vantrel
