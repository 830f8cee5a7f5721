#include "engine/analysis/subject/ObjectSubject.h"

// The attention map weighs three things, each against the frame itself:
// 1. Border contrast: the frame's four border bands describe the background
//    (median and spread of their smoothed Lab colours); a pixel draws the eye
//    as far as it differs from every one of them, sharpened by the spectral
//    residual (the unexpected part of the log spectrum), and less where the
//    picture holds no detail (a sky gradient, a glare).
// 2. Focus: parts sharper than most of the border, as a subject before a
//    soft background is.
// 3. Place: towards the middle, where a subject is usually framed.
// GrabCut then cuts the object out with colour models seeded from the
// attention gathered over object-sized neighbourhoods; of what it cuts out,
// the region with most salient mass is the object.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <mutex>

#include <opencv2/imgproc.hpp>

#include "engine/analysis/AnalysisRaster.h"
#include "engine/analysis/subject/GrabCutRefinement.h"

namespace vantrel::subject {
namespace {

// Smoothing (working pixels) that keeps fine texture out of the colour contrast,
// and the little that keeps grain out of where the ground ends.
constexpr double kContrastSmoothing = 3.0, kCloseSmoothing = 1.0;
// A pixel differs from the ground this far (in background spreads) from every
// border patch, or where, close up (smoothed this much), it is this many times
// sharper than the border usually is (and not merely grainy).
constexpr double kUnlikeDistance = 3.0, kNotQuiteGround = 1.0;
constexpr double kCloseFocus = 1.0, kSharperThanBorder = 3.0, kMinSharpness = 0.03;
// A run of the object along a side of the frame this long (a share of the
// side) where its core does not reach that side is ground running out of the
// frame (a tower, a tree), unless its colours are the core's. Along the
// bottom, where the frame cuts subjects standing on the ground as often as
// not, only a run across most of it is (a wall, a kerb).
constexpr double kLongRun = 0.15, kLongRunAcrossBottom = 0.6;
// Once the object is known to be a thing and not a band of the scene, a
// shorter run is ground too (the planks a kitten sits on, a branch as broad
// as the bird on it, a sunlit patch behind a machine), and where a share of
// the object this large went with it, the ground's colours joined to what
// went go as well.
constexpr double kShortRun = 0.06, kGroundGone = 0.1;
// Colours are told apart in bins this many to a channel (8-bit RGB); the
// ground's are those this many times more common on its stretches than in
// the core.
constexpr int kColourBins = 8;
constexpr double kGroundOdds = 3.0;
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
constexpr float kProbableThreshold = 0.3f;
// Reach of the gathering of attention, as a fraction of the longer side, and
// the levels of the gathered attention (its peak 1) that seed GrabCut.
constexpr double kGathering = 0.04;
constexpr double kSureSubject = 0.7, kProbableSubject = 0.35, kSureBackground = 0.12;
// Plausible subject sizes, as fractions of the frame.
constexpr double kMinSubjectArea = 0.003;
constexpr double kMaxSubjectArea = 0.85;
constexpr int kSpectralWidth = 64;
// Smoothing of the sharpness measure, as a fraction of the longer side.
constexpr double kFocusSmoothing = 0.012;
// Focus counts for less than colour: texture alone (grass, gravel) is no subject.
constexpr float kFocusShare = 0.6f;
// A part counts as in focus when it is sharper than this share of the border.
constexpr double kBorderFocusShare = 0.5;
// Reach of the detail measure, as a fraction of the longer side, and the
// share of colour contrast a region without detail keeps.
constexpr double kDetailReach = 0.03;
constexpr float kFlatShare = 0.35f;
// Reach of the close-up smoothness test, as a fraction of the longer side.
constexpr double kSmoothReach = 0.008;
// Grain and noise (mask pixels) the smoothness test looks past.
constexpr double kNoiseSigma = 1.5;
// A smooth stretch at the edge counts as background from this share of the frame on.
constexpr double kMinStretch = 0.02;
// Below this detail (against the frame's usual) a patch is featureless, and
// a bright featureless patch is background below this gathered attention.
constexpr float kFeatureless = 0.12f;
constexpr double kFeaturelessSubject = 0.5;
// Colour contrast below this never stands out, however it compares.
constexpr double kMinContrast = 0.3;
// Spread of the weight towards the frame's middle, as a fraction of each side.
constexpr double kCentreSpread = 0.3;
// Regions holding at least this share of the leading region's salient mass are kept beside it.
constexpr double kKeptMassShare = 0.5;
// A band of the scene: a fifth of the rows it covers reach both side bands
// (the frame cuts a thing in it across its widest part only, a row or two),
// or it reaches both side bands and neither the top nor the bottom one (a
// thing the frame cuts on both sides fills it from the bottom up, or hangs
// into it from the top: a close-up).
constexpr double kBandRows = 0.2;
// A colour is the band's when at least this share of its pixels at the sides has it.
constexpr double kGroundColourShare = 0.01;
// A perch is thinner than this share of the thickest part of the object (its
// body's half-width), and an object thinner than this many pixels is not
// told apart from its perch.
constexpr double kPerchShare = 0.4;
constexpr int kMinPerchRadius = 2;
// Smoothing of the attention map when it serves as the mask itself.
constexpr double kAttentionSmoothing = 4.0;
// The outline test: the colours just inside and just outside the outline are
// compared over rings this deep (mask pixels), averaged this far along it; a
// step of this many Lab units is seen at a glance. A thing shows such a step
// along at least this share of its outline inside the frame, unless it is
// narrower than this share of the frame's width: a small thing may have a
// pale part (a petal, a wing) and still be a thing, while a broad region
// whose outline fades into what surrounds it is a stretch of the scene
// (haze, a lit slope, a glow in the sky).
constexpr int kOutlineRing = 3;
constexpr double kOutlineReach = 4.0, kClearStep = 10.0, kClearOutline = 0.6, kBroad = 0.5;

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

float percentile(const cv::Mat& values, double share) {
    std::vector<float> v(values.begin<float>(), values.end<float>());
    const auto at = v.begin() + std::ptrdiff_t(share * double(v.size() - 1));
    std::nth_element(v.begin(), at, v.end());
    return *at;
}

// Distance (in background spreads) of each pixel from the nearest background
// patch, smoothed as the attention wants it; `close` gets it barely smoothed,
// so what differs from the ground ends at the object's edge.
cv::Mat borderContrast(const cv::Mat& rgb, cv::Mat& close) {
    prepareLabTables();
    cv::Mat rgbf, fine, lab;
    rgb.convertTo(rgbf, CV_32F, 1.0 / 255.0);
    cv::cvtColor(rgbf, fine, cv::COLOR_RGB2Lab);
    cv::GaussianBlur(fine, fine, cv::Size(0, 0), kCloseSmoothing, kCloseSmoothing, cv::BORDER_REFLECT);
    const double rest = std::sqrt(kContrastSmoothing * kContrastSmoothing - kCloseSmoothing * kCloseSmoothing);
    cv::GaussianBlur(fine, lab, cv::Size(0, 0), rest, rest, cv::BORDER_REFLECT);

    const std::vector<Patch> patches = backgroundPatches(lab);
    cv::Mat contrast(rgb.size(), CV_32F);
    close.create(rgb.size(), CV_32F);
    cv::parallel_for_(cv::Range(0, lab.rows), [&](const cv::Range& rows) {
        for (int y = rows.start; y < rows.end; ++y) {
            const cv::Vec3f* p = lab.ptr<cv::Vec3f>(y);
            const cv::Vec3f* q = fine.ptr<cv::Vec3f>(y);
            float* c = contrast.ptr<float>(y);
            float* d = close.ptr<float>(y);
            for (int x = 0; x < lab.cols; ++x) {
                double best = 1e30, nearest = 1e30;
                for (const Patch& b : patches) {
                    best = std::min(best, distance2(cv::Vec3d(p[x]), b.median, b.spread));
                    nearest = std::min(nearest, distance2(cv::Vec3d(q[x]), b.median, b.spread));
                }
                c[x] = float(std::sqrt(std::max(best, 0.0)));
                d[x] = float(std::sqrt(std::max(nearest, 0.0)));
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

// Where the picture is sharper than most of its border, 0 ... 1: a subject
// in focus before a soft background stands out; a frame sharp all over, or
// sharp only at its border, says nothing this way.
// The strength of the finest edges: the Laplacian's magnitude.
cv::Mat edgeStrength(const cv::Mat& rgb, double noiseSigma = 0.0) {
    cv::Mat grey, edges;
    cv::cvtColor(rgb, grey, cv::COLOR_RGB2GRAY);
    grey.convertTo(grey, CV_32F, 1.0 / 255.0);
    if (noiseSigma > 0) cv::GaussianBlur(grey, grey, cv::Size(0, 0), noiseSigma, noiseSigma, cv::BORDER_REFLECT);
    cv::Laplacian(grey, edges, CV_32F, 3);
    return cv::abs(edges);
}

// The value below which `share` of the frame's border band lies.
float borderPercentile(const cv::Mat& values, double share) {
    const cv::Size size = values.size();
    const int band = std::max(2, int(std::lround(kBandFraction * std::min(size.width, size.height))));
    std::vector<float> border;
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x)
            if (x < band || y < band || x >= size.width - band || y >= size.height - band) border.push_back(values.at<float>(y, x));
    const auto at = border.begin() + std::ptrdiff_t(double(border.size()) * share);
    std::nth_element(border.begin(), at, border.end());
    return *at;
}

cv::Mat focusMap(const cv::Mat& edges) {
    const cv::Size size = edges.size();
    cv::Mat focus;
    const double sigma = kFocusSmoothing * std::max(size.width, size.height);
    cv::GaussianBlur(edges, focus, cv::Size(0, 0), sigma, sigma, cv::BORDER_REFLECT);
    // Sharper than the border's usual is what counts.
    const float usual = borderPercentile(focus, kBorderFocusShare), sharpest = percentile(focus, 0.95);
    if (sharpest <= usual * 1.5f + 1e-4f) return cv::Mat::zeros(size, CV_32F);
    cv::Mat out = (focus - usual) * (1.0 / (sharpest - usual));
    cv::max(out, 0.0, out);
    cv::min(out, 1.0, out);
    return out;
}

// Where the picture is, close up, much sharper than its border usually is:
// the detail of an object before a plain or out-of-focus ground.
cv::Mat sharperThanBorder(const cv::Mat& edges) {
    cv::Mat sharp;
    cv::GaussianBlur(edges, sharp, cv::Size(0, 0), kCloseFocus, kCloseFocus, cv::BORDER_REFLECT);
    return sharp > std::max(kSharperThanBorder * borderPercentile(sharp, kBorderFocusShare), kMinSharpness);
}

// How much detail there is around each pixel, 0 ... 1 against the frame's
// own: a smooth sky gradient, a glare or a plain wall holds no subject, even
// where its colour is unlike the border's.
cv::Mat detailMap(const cv::Mat& edges, double reach = kDetailReach) {
    cv::Mat detail;
    const double sigma = reach * std::max(edges.cols, edges.rows);
    cv::GaussianBlur(edges, detail, cv::Size(0, 0), sigma, sigma, cv::BORDER_REFLECT);
    const float usual = percentile(detail, 0.75);
    if (usual <= 1e-4f) return cv::Mat::ones(edges.size(), CV_32F);
    cv::Mat out;
    cv::min(detail * (1.0 / usual), 1.0, out);
    return out;
}

// The connected regions (8-neighbours) of `mask` of at least `least` pixels.
cv::Mat largeRegions(const cv::Mat& mask, double least) {
    cv::Mat regions, stats, centroids;
    const int n = cv::connectedComponentsWithStats(mask, regions, stats, centroids, 8, CV_32S);
    cv::Mat kept = cv::Mat::zeros(mask.size(), CV_8U);
    for (int k = 1; k < n; ++k)
        if (stats.at<int>(k, cv::CC_STAT_AREA) >= least) kept.setTo(255, regions == k);
    return kept;
}

// Pixels of `mask` on the stretches of the frame's outermost rows and columns
// where it runs on for at least `least` pixels, on the sides `core` does not
// reach, each reaching `depth` pixels in.
cv::Mat edgeRuns(const cv::Mat& mask, const cv::Mat& core, int depth, double longRun, double longRunAcrossBottom) {
    cv::Mat runs = cv::Mat::zeros(mask.size(), CV_8U);
    const int w = mask.cols, h = mask.rows;
    // Each side as its outermost line and the strip `depth` deep along it.
    const cv::Rect sides[4] = {{0, 0, w, depth}, {0, h - depth, w, depth}, {0, 0, depth, h}, {w - depth, 0, depth, h}};
    for (int k = 0; k < 4; ++k) {
        const cv::Rect strip = sides[k];
        if (cv::countNonZero(core(strip))) continue;
        const bool across = k < 2;
        // Where the mask comes within `depth` of the side, along it.
        cv::Mat near;
        cv::reduce(mask(strip), near, across ? 0 : 1, cv::REDUCE_MAX);
        const int length = across ? w : h, least = std::max(1, int((k == 1 ? longRunAcrossBottom : longRun) * length));
        for (int i = 0; i < length;) {
            int j = i;
            while (j < length && near.at<std::uint8_t>(across ? 0 : j, across ? j : 0)) ++j;
            if (j - i >= least) {
                const cv::Rect run = across ? cv::Rect(i, strip.y, j - i, depth) : cv::Rect(strip.x, i, depth, j - i);
                runs(run).setTo(255, mask(run));
            }
            i = j + 1;
        }
    }
    return runs;
}

// 255 where `rgb` has a colour far more common (kGroundOdds times) in `in` than in `than`,
// each counted as a share of its own area.
cv::Mat moreCommonIn(const cv::Mat& rgb, const cv::Mat& in, const cv::Mat& than) {
    const int bins[] = {kColourBins, kColourBins, kColourBins};
    const float range[] = {0, 256};
    const float* ranges[] = {range, range, range};
    const int channels[] = {0, 1, 2};
    cv::Mat inThan, inIn, found;
    cv::calcHist(&rgb, 1, channels, than, inThan, 3, bins, ranges);
    cv::calcHist(&rgb, 1, channels, in, inIn, 3, bins, ranges);
    inThan *= 1.0 / std::max(1, cv::countNonZero(than));
    inIn *= 1.0 / std::max(1, cv::countNonZero(in));
    const cv::Mat common = inIn > kGroundOdds * inThan;
    common.convertTo(inIn, CV_32F);
    cv::calcBackProject(&rgb, 1, channels, inIn, found, ranges, 1.0);
    return found;
}

// `object` less what runs on to the frame's edge along a long stretch where
// its core does not (a tower behind a bus, running out of the top; a wall
// below a car): GrabCut inside the object, from the core as the subject and
// those stretches as the ground, decides what goes with which, and what goes
// with the stretches is cut off unless its colour is the core's (a flower's
// outer petals, cut by the frame). Runs are as long as `longRun` of a side
// (`longRunAcrossBottom` of the bottom); with `flood`, the ground's colours
// joined to a large part that went go with it.
cv::Mat withoutEdgeRuns(const cv::Mat& rgb, const cv::Mat& object, const cv::Mat& core, double longRun = kLongRun,
                        double longRunAcrossBottom = kLongRunAcrossBottom, bool flood = false) {
    const int depth = std::max(2, int(std::lround(kBandFraction * std::min(rgb.cols, rgb.rows))));
    const cv::Mat runs = edgeRuns(object, core, depth, longRun, longRunAcrossBottom);
    if (!cv::countNonZero(runs) || !cv::countNonZero(core)) return object;
    // The ground's colours: those far more common on the stretches than in the core.
    const cv::Mat groundColoured = moreCommonIn(rgb, runs, core);
    // The core's own colours are surely subject (its rim, where the ground
    // adjoins it, has the ground's), the stretches surely ground, and the
    // models learn from those alone, so what lies between colours neither.
    const cv::Mat sure = core & (groundColoured == 0);
    if (!cv::countNonZero(sure)) return object;
    cv::Mat labels(rgb.size(), CV_8U, cv::Scalar(cv::GC_BGD));
    labels.setTo(cv::GC_PR_FGD, object);
    labels.setTo(cv::GC_BGD, runs);
    labels.setTo(cv::GC_FGD, sure);
    const cv::Mat kept = regionsTouching(grabCut(rgb, labels, labels != cv::GC_PR_FGD) & object, sure);
    // A part cut off goes only when it reaches those stretches and most of it
    // has the ground's colours: a flower's outer petals, cut by the frame,
    // have the colours of its core and stay.
    cv::Mat parts, result = object.clone();
    const int n = cv::connectedComponents(object & ~kept, parts, 8, CV_32S);
    for (int k = 1; k < n; ++k) {
        const cv::Mat part = parts == k;
        if (cv::countNonZero(part & runs) && cv::mean(groundColoured, part)[0] > 0.5 * 255) result.setTo(0, part);
    }
    // The ground's colours left on the object's side of the cut, where they join what went, went
    // with it: GrabCut may part two stretches of the ground along a seam of its own (a gap
    // between planks).
    const cv::Mat gone = object & ~result;
    if (!flood || cv::countNonZero(gone) < kGroundGone * cv::countNonZero(object)) return result;
    cv::Mat grounds = regionsTouching((result & (groundColoured > 0) & ~sure) | gone, gone);
    result.setTo(0, grounds);
    return result;
}

// A thing standing on a band of the scene (a house on a hill, a boat before
// the far shore) is cut out with the band when its colours differ from the
// ground's around both: the band's colours are those of the object where it
// leaves the frame at the sides, and GrabCut, with the pixels of those
// colours probably ground and the rest probably the thing, parts the two. The
// part of its own colours that draws the most attention and lies wholly
// inside the frame is the thing; nothing when none is left.
cv::Mat offTheBand(const cv::Mat& rgb, const cv::Mat& object, const cv::Mat& attention) {
    const int band = std::max(2, int(std::lround(kBandFraction * std::min(rgb.cols, rgb.rows))));
    cv::Mat sides = cv::Mat::zeros(rgb.size(), CV_8U);
    sides.colRange(0, band).setTo(255);
    sides.colRange(rgb.cols - band, rgb.cols).setTo(255);
    const cv::Mat ground = object & sides;
    if (!cv::countNonZero(ground)) return {};
    const int bins[] = {kColourBins, kColourBins, kColourBins};
    const float range[] = {0, 256};
    const float* ranges[] = {range, range, range};
    const int channels[] = {0, 1, 2};
    cv::Mat onGround, groundColoured;
    cv::calcHist(&rgb, 1, channels, ground, onGround, 3, bins, ranges);
    onGround *= 1.0 / cv::countNonZero(ground);
    // Colours that hold a share of the ground's pixels at all (not a stray few).
    cv::Mat common = onGround > kGroundColourShare;
    common.convertTo(onGround, CV_32F);
    cv::calcBackProject(&rgb, 1, channels, onGround, groundColoured, ranges, 255.0);
    cv::Mat labels(rgb.size(), CV_8U, cv::Scalar(cv::GC_BGD));
    labels.setTo(cv::GC_PR_FGD, object & (groundColoured == 0));
    labels.setTo(cv::GC_PR_BGD, object & (groundColoured > 0));
    labels.setTo(cv::GC_BGD, ground);
    const cv::Mat cut = grabCut(rgb, labels) & object;
    cv::Mat border = cv::Mat::zeros(rgb.size(), CV_8U);
    cv::rectangle(border, cv::Rect({}, rgb.size()), cv::Scalar(255), band);
    cv::Mat regions;
    const int n = cv::connectedComponents(cut, regions, 8, CV_32S);
    int best = 0;
    double most = 0;
    for (int k = 1; k < n; ++k) {
        const cv::Mat part = regions == k;
        const double mass = cv::mean(attention, part)[0] * cv::countNonZero(part);
        // A piece of the band itself (a peak of the range, a stretch of the shore) has its colours.
        // And it stands on the band whole: only the band runs out of the frame.
        const bool ownColours = cv::mean(groundColoured, part)[0] < 0.5 * 255;
        const bool whole = !cv::countNonZero(part & border);
        if (mass > most && ownColours && whole && coverage(part) >= kMinSubjectArea) {
            most = mass;
            best = k;
        }
    }
    if (best == 0) return {};
    return fillHoles(regions == best, 0.005 * double(rgb.total()));
}

// `object` less the perch it sits on: a branch, a stem or a rail that runs
// from the object to the frame's edge, thinner than the object's body. The
// object's thinnest parts that a disc of a share of its body's thickness does
// not fit in, where they reach the frame's edge, go; a perch then falls away
// from the body with the ground. A limb of the thing itself rarely runs out of
// the frame: the frame cuts a subject across its body.
cv::Mat withoutPerch(const cv::Mat& object) {
    cv::Mat distance;
    cv::distanceTransform(object, distance, cv::DIST_L2, 3);
    double body = 0;
    cv::minMaxLoc(distance, nullptr, &body);
    const int r = int(std::lround(kPerchShare * body));
    if (r < kMinPerchRadius) return object;
    cv::Mat thick;
    cv::morphologyEx(object, thick, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(2 * r + 1, 2 * r + 1)));
    cv::Mat border = cv::Mat::zeros(object.size(), CV_8U);
    cv::rectangle(border, cv::Rect({}, object.size()), cv::Scalar(255), 2);
    const cv::Mat perches = regionsTouching(object & ~thick, border & object);
    if (!cv::countNonZero(perches)) return object;
    // What is left hangs together with the body; a piece cut off with the perch goes too.
    return regionsTouching(object & ~perches, thick);
}

// Whether `part` (255) runs out of the frame along a long stretch of a side
// (across most of the bottom, where the frame cuts what stands on the ground).
bool runsOutOfTheFrame(const cv::Mat& part) {
    const int depth = std::max(2, int(std::lround(kBandFraction * std::min(part.cols, part.rows))));
    return cv::countNonZero(edgeRuns(part, cv::Mat::zeros(part.size(), CV_8U), depth, kLongRun, kLongRunAcrossBottom)) > 0;
}

// Whether most of `part` (255) has colours far more common in it than in `lead`.
bool coloursApart(const cv::Mat& rgb, const cv::Mat& part, const cv::Mat& lead) {
    return cv::mean(moreCommonIn(rgb, part, lead), part)[0] > 0.5 * 255;
}

// Of the regions GrabCut cuts out (`regions`, labelled from 1) and their
// salient mass, those that make the object: the one with most mass leads,
// and those with nearly as much stand beside it. A region that runs out of
// the frame where another stays inside it is the ground (a sunlit stretch of
// a shaded hillside or lawn draws the eye as much as a thing before it, a
// flower holds the bee on it): the region staying inside leads, and one
// running out stands beside it only in the lead's colours (a bunch of
// flowers, a flock).
cv::Mat leadingRegions(const cv::Mat& rgb, const cv::Mat& regions, const std::vector<double>& mass) {
    const double most = mass.size() > 1 ? *std::max_element(mass.begin() + 1, mass.end()) : 0.0;
    if (most <= 0) return {};
    struct Candidate {
        int label;
        cv::Mat part;
        bool out;
    };
    std::vector<Candidate> kept;
    for (int k = 1; k < int(mass.size()); ++k)
        if (mass[std::size_t(k)] >= kKeptMassShare * most) {
            cv::Mat part = regions == k;
            const bool out = runsOutOfTheFrame(withoutPerch(part));
            kept.push_back({k, std::move(part), out});
        }
    int lead = 0;
    for (const Candidate& c : kept)
        if (!c.out && (lead == 0 || mass[std::size_t(c.label)] > mass[std::size_t(lead)])) lead = c.label;
    cv::Mat object = cv::Mat::zeros(rgb.size(), CV_8U);
    if (lead == 0) {  // all run out of the frame, or none: a band of the scene, tried apart
        for (const Candidate& c : kept) object.setTo(255, c.part);
        return object;
    }
    const cv::Mat leading = regions == lead;
    for (const Candidate& c : kept)
        if (!c.out || !coloursApart(rgb, c.part, leading)) object.setTo(255, c.part);
    return object;
}

// `subject` less its parts joined to the body around `core` only through a
// neck narrower than a share of the body's thickness, in colours the body
// does not have: a sunlit patch of the ground beside a person, the chair
// beside a player. A hand at the end of an arm has the face's colours and
// stays.
cv::Mat withoutThinlyJoined(const cv::Mat& rgb, const cv::Mat& subject, const cv::Mat& core) {
    cv::Mat distance;
    cv::distanceTransform(subject, distance, cv::DIST_L2, 3);
    double thickest = 0;
    cv::minMaxLoc(distance, nullptr, &thickest, nullptr, nullptr, regionsTouching(subject, core));
    const int r = int(std::lround(kPerchShare * thickest));
    if (r < kMinPerchRadius) return subject;
    cv::Mat broad;
    cv::morphologyEx(subject, broad, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(2 * r + 1, 2 * r + 1)));
    const cv::Mat body = regionsTouching(broad, core);
    if (!cv::countNonZero(body)) return subject;
    cv::Mat parts;
    const int n = cv::connectedComponents(broad & ~body, parts, 8, CV_32S);
    cv::Mat result = subject.clone();
    for (int k = 1; k < n; ++k) {
        const cv::Mat part = parts == k;
        if (coloursApart(rgb, part, body)) result.setTo(0, part);
    }
    return regionsTouching(result, core);
}

}  // namespace

Attention attentionMap(const cv::Mat& rgb) {
    cv::Mat close;
    const cv::Mat contrast = borderContrast(rgb, close);
    const cv::Mat residual = spectralResidual(rgb, rgb.size());
    const cv::Mat edges = edgeStrength(rgb);
    const cv::Mat focus = focusMap(edges), detail = detailMap(edges);
    cv::Mat colour(rgb.size(), CV_32F);
    for (int y = 0; y < rgb.rows; ++y) {
        const float* c = contrast.ptr<float>(y);
        const float* r = residual.ptr<float>(y);
        float* s = colour.ptr<float>(y);
        for (int x = 0; x < rgb.cols; ++x) {
            const float q = c[x] / float(kHalfSalientDistance);
            s[x] = (q * q / (1.0f + q * q)) * (0.75f + 0.25f * r[x]);
        }
    }
    // Real borders are rarely plain: the colour contrast counts against its
    // own strongest part, as long as that stands out at all.
    const float strongest = std::max(percentile(colour, 0.99), float(kMinContrast));
    cv::Mat saliency(rgb.size(), CV_32F);
    for (int y = 0; y < rgb.rows; ++y) {
        const float* c = colour.ptr<float>(y);
        const float* f = focus.ptr<float>(y);
        const float* d = detail.ptr<float>(y);
        float* s = saliency.ptr<float>(y);
        const double dy = (y + 0.5) / rgb.rows - 0.5;
        for (int x = 0; x < rgb.cols; ++x) {
            const double dx = (x + 0.5) / rgb.cols - 0.5;
            // Photographers frame their subject towards the middle.
            const double centre = std::exp(-(dx * dx + dy * dy) / (2 * kCentreSpread * kCentreSpread));
            const float distinct = std::min(c[x] / strongest, 1.0f) * (kFlatShare + (1.0f - kFlatShare) * d[x]);
            s[x] = float(std::max(distinct, kFocusShare * f[x]) * (0.5 + 0.5 * centre));
        }
    }
    // Sharpness spills a little past an edge on to the ground beside it:
    // there it counts only where the colour is not quite the ground's.
    return {saliency, (close > kUnlikeDistance) | (sharperThanBorder(edges) & (close > kNotQuiteGround))};
}

bool runsAcrossTheFrame(const cv::Mat& object) {
    const int band = std::max(2, int(std::lround(kBandFraction * std::min(object.cols, object.rows))));
    int rows = 0, across = 0;
    for (int y = 0; y < object.rows; ++y) {
        const std::uint8_t* o = object.ptr<std::uint8_t>(y);
        int first = -1, last = -1;
        for (int x = 0; x < object.cols; ++x)
            if (o[x]) {
                if (first < 0) first = x;
                last = x;
            }
        if (first < 0) continue;
        ++rows;
        across += first < band && last >= object.cols - band;
    }
    if (rows == 0) return false;
    if (across >= kBandRows * rows) return true;
    const auto reaches = [&](const cv::Rect& side) { return cv::countNonZero(object(side)) > 0; };
    const int w = object.cols, h = object.rows;
    return reaches({0, 0, band, h}) && reaches({w - band, 0, band, h}) && !reaches({0, 0, w, band}) && !reaches({0, h - band, w, band});
}

bool standsApart(const cv::Mat& rgb, const cv::Mat& object) {
    return cv::boundingRect(object).width < kBroad * object.cols || outlineStandsApart(rgb, object);
}

bool outlineStandsApart(const cv::Mat& rgb, const cv::Mat& object) {
    prepareLabTables();
    cv::Mat rgbf, lab;
    rgb.convertTo(rgbf, CV_32F, 1.0 / 255.0);
    cv::cvtColor(rgbf, lab, cv::COLOR_RGB2Lab);
    const cv::Mat ring = cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(2 * kOutlineRing + 1, 2 * kOutlineRing + 1));
    cv::Mat inner, outer, beyond;
    cv::erode(object, inner, ring);
    cv::dilate(object, outer, ring);
    cv::dilate(outer, beyond, ring);
    beyond &= ~outer;  // a ring outside, clear of the outline's own blur
    // The mean colour of each ring near every pixel.
    const auto near = [&](const cv::Mat& where, cv::Mat& mean, cv::Mat& weight) {
        cv::Mat w, w3, sum;
        where.convertTo(w, CV_32F, 1.0 / 255.0);
        cv::GaussianBlur(w, weight, cv::Size(0, 0), kOutlineReach);
        cv::cvtColor(w, w3, cv::COLOR_GRAY2RGB);
        cv::GaussianBlur(lab.mul(w3), sum, cv::Size(0, 0), kOutlineReach);
        cv::cvtColor(weight + 1e-6f, w3, cv::COLOR_GRAY2RGB);
        mean = sum / w3;
    };
    cv::Mat inside, insideWeight, outside, outsideWeight;
    near(inner, inside, insideWeight);
    near(beyond, outside, outsideWeight);
    // The outline inside the frame: where the frame cuts the thing, nothing is seen beyond.
    const cv::Mat outline = object & ~inner;
    int counted = 0, clear = 0;
    for (int y = kOutlineRing; y < object.rows - kOutlineRing; ++y) {
        const std::uint8_t* o = outline.ptr<std::uint8_t>(y);
        const float *wi = insideWeight.ptr<float>(y), *wo = outsideWeight.ptr<float>(y);
        const cv::Vec3f *ci = inside.ptr<cv::Vec3f>(y), *co = outside.ptr<cv::Vec3f>(y);
        for (int x = kOutlineRing; x < object.cols - kOutlineRing; ++x) {
            if (!o[x] || wi[x] < 0.02f || wo[x] < 0.02f) continue;
            ++counted;
            clear += cv::norm(ci[x] - co[x]) >= kClearStep;
        }
    }
    return counted == 0 || clear >= kClearOutline * counted;
}

cv::Mat standingOut(const cv::Mat& attention) {
    // Only what stands out: below the salient level nothing draws the eye.
    cv::Mat soft = attention.clone();
    soft.setTo(0, attention <= kSalientThreshold);
    cv::GaussianBlur(soft, soft, cv::Size(0, 0), kAttentionSmoothing, kAttentionSmoothing, cv::BORDER_REPLICATE);
    return soft;
}

bool standsOut(const cv::Mat& attention) {
    const double salient = coverage(attention > kSalientThreshold);
    return salient >= kMinSubjectArea && salient <= kMaxSubjectArea;
}

cv::Mat withoutGround(const cv::Mat& rgb, const cv::Mat& subject, const cv::Mat& extent, const cv::Mat& core) {
    const cv::Mat reach = subject & extent;
    if (!cv::countNonZero(reach)) return subject;
    const cv::Mat result = withoutEdgeRuns(rgb, subject, reach, kShortRun, kLongRunAcrossBottom, true);
    const cv::Mat body = result & core;
    return cv::countNonZero(body) ? withoutThinlyJoined(rgb, result, body) : result;
}

cv::Mat mainObject(const cv::Mat& rgb, const Attention& seen) {
    const cv::Mat& attention = seen.map;
    // Seeds from the attention gathered over object-sized neighbourhoods, so
    // the plain parts of an object join its striking ones: the middle of the
    // gathered mass is surely subject, its surroundings probably, what draws
    // no attention anywhere near surely background.
    cv::Mat gathered;
    const double sigma = kGathering * std::max(rgb.cols, rgb.rows);
    cv::GaussianBlur(attention, gathered, cv::Size(0, 0), sigma, sigma, cv::BORDER_CONSTANT);
    double peak = 0;
    cv::minMaxLoc(gathered, nullptr, &peak);
    if (peak <= 0) return {};
    gathered *= 1.0 / peak;
    cv::Mat labels(rgb.size(), CV_8U, cv::Scalar(cv::GC_PR_BGD));
    labels.setTo(cv::GC_BGD, gathered < kSureBackground);
    labels.setTo(cv::GC_PR_FGD, gathered > kProbableSubject);
    labels.setTo(cv::GC_FGD, (gathered > kSureSubject) & (attention > kProbableThreshold));
    // Bright patches without any detail (out-of-focus highlights, glare, a
    // pale sky) away from the gathered middle are background; dark ones may
    // be a coat.
    cv::Mat grey;
    cv::cvtColor(rgb, grey, cv::COLOR_RGB2GRAY);
    const cv::Mat bright = grey > cv::mean(grey)[0];
    labels.setTo(cv::GC_BGD, (detailMap(edgeStrength(rgb)) < kFeatureless) & bright & (gathered < kFeaturelessSubject));
    // A broad, bright, smooth stretch that runs on to the frame's edge (a sky
    // with its gradient, a lit wall, a pale backdrop) is background, however
    // its colour differs from the border's: a subject holds detail, and a
    // smooth sliver at the edge (a petal cut by the frame) may still be part
    // of it. Smoothness is judged close up here, so the detail of a neighbour
    // does not spill over.
    const int band = std::max(2, int(std::lround(kBandFraction * std::min(rgb.cols, rgb.rows))));
    cv::Mat border = cv::Mat::zeros(rgb.size(), CV_8U);
    cv::rectangle(border, cv::Rect({}, rgb.size()), cv::Scalar(255), band);
    const cv::Mat smooth = detailMap(edgeStrength(rgb, kNoiseSigma), kSmoothReach) < kFeatureless;
    const cv::Mat stretches = largeRegions(regionsTouching(smooth, border) & bright, kMinStretch * double(rgb.total()));
    labels.setTo(cv::GC_BGD, stretches & (labels != cv::GC_FGD));
    const cv::Mat cut = grabCut(rgb, labels);

    // After GrabCut, in this order (each step must not undo the ones before it):
    //  1. Keep the regions with most salient mass (leadingRegions): bright specks elsewhere are
    //     not the object. Later steps may only grow from these regions, never start new ones.
    //  2. Grow over what differs from the ground and hangs together with the object (its
    //     parts of another colour). Must not bring back what step 1 dropped: only touching parts.
    //  3. Take away what runs on to the frame's edge where the object's core does not
    //     (withoutEdgeRuns). Must not cut into the core (the sure labels of the seeds).
    //  4. Take away a perch it stands on (withoutPerch). Must not reconnect what 3 took away.
    //  5. Fill the small enclosed holes (fillHoles). Must not fill a gap open to the ground.
    //  6. A band across the frame keeps only the thing standing off it (offTheBand); a thing
    //     loses the ground that still runs out of the frame or hangs on it by a neck
    //     (withoutGround). Must not take the core.
    //  7. Refuse an object too small or filling the frame.
    // The engine then refuses a band running across the frame and an object that does not
    // stand apart from its surroundings (runsAcrossTheFrame, standsApart); people and animals
    // found by their faces go through refinePeople, withoutGround and the area check instead.

    // 1. The regions with most salient mass make the object; bright specks elsewhere do not.
    cv::Mat regions;
    const int n = cv::connectedComponents(cut, regions, 8, CV_32S);
    std::vector<double> mass(std::size_t(std::max(n, 1)), 0.0);
    for (int y = 0; y < rgb.rows; ++y) {
        const int* l = regions.ptr<int>(y);
        const float* a = attention.ptr<float>(y);
        for (int x = 0; x < rgb.cols; ++x)
            if (l[x] > 0) mass[std::size_t(l[x])] += a[x];
    }
    cv::Mat object = leadingRegions(rgb, regions, mass);
    if (object.empty()) return {};
    // 2. GrabCut's colour models give an object's parts of another colour (a lit
    // lamp, pale outer petals, white fur beside tabby) to the ground; what
    // differs from the ground and hangs together with the object is the object.
    object = regionsTouching(seen.unlike | object, object);
    const cv::Mat core = object & (labels == cv::GC_FGD);
    object = withoutEdgeRuns(rgb, object, core);  // 3.
    object = withoutPerch(object);                 // 4.
    object = fillHoles(object, 0.005 * double(rgb.total()));  // 5.
    if (runsAcrossTheFrame(object)) {  // 6.
        if (cv::Mat thing = offTheBand(rgb, object, attention); !thing.empty()) object = thing;
    } else {
        // A thing: what still runs out of the frame where its core does not, or hangs on it by
        // a neck in other colours, is the ground it stands on.
        object = withoutGround(rgb, object, core, core);
    }
    const double area = coverage(object);  // 7.
    if (area < kMinSubjectArea || area > 0.95) return {};
    return object;
}

}  // namespace vantrel::subject
