#include "engine/analysis/horizon/Reflection.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <opencv2/imgproc.hpp>

#include "engine/analysis/horizon/RecedingLines.h"

namespace vantrel::horizon {
namespace {

// The copies: this many columns, blurred by a pixel of their own, so that
// ripples and grain average out while a hill's outline, a rock's ledges and
// their reflections stay. The coarse one is searched at every tilt, the
// finer one reads the tilt found there.
constexpr int kCoarseWidth = 100, kFineWidth = 200;
constexpr double kCopyBlur = 1.0;
constexpr double kCoarseTiltStep = 1.0, kFineTiltStep = 0.1;

// The two sides are compared from this share of the height off the line
// (nearer, the blur of the line itself dominates) out to this share, and
// over at least this share: a reflection shows over a band of the water, not
// a sliver at the frame's edge.
constexpr double kNearest = 0.02, kFarthest = 0.25, kMinReach = 0.15;
// What is mirrored must have shape along the shore: the tone changes on
// either side by at least this many grey levels a pixel (root mean square)
// along the line; a calm sky over calm water mirrors nothing one could tell.
constexpr double kMinStructure = 0.5;

// A reflection matches its shore well: the two sides correlate at least this
// well (ripples, the water's own tone and a darker, softer copy keep it from
// 1; the upper and lower parts of a scene without water, however alike in
// kind, match far less, a half at most).
constexpr double kMinMatch = 0.6;
// A reflection pins its tilt: turned this many degrees off it, the two sides
// no longer meet at the far columns, and the match falls by this share of
// itself at least. A scene alike above and below at every tilt (layers,
// stripes, streaks) pins none; nor does one that mirrors about as well about
// another line this many degrees away.
constexpr double kAsideTilt = 1.5, kAsideDrop = 0.2, kRivalTilt = 3.0;
// Nor does one that mirrors about as well about a line of the same tilt this
// share of the height away.
constexpr double kOtherAxis = 0.05;

// How the tone of `grey`, reduced to `width` columns and blurred, changes
// down its rows (half the difference of the rows below and above), stored
// column by column: each column of the copy is a row of the result.
cv::Mat rowChanges(const cv::Mat& grey, int width) {
    const int w = std::min(grey.cols, width);
    const int h = std::max(8, int(std::lround(double(grey.rows) * w / grey.cols)));
    cv::Mat small, dy(h, w, CV_32F, cv::Scalar(0));
    cv::resize(grey, small, cv::Size(w, h), 0, 0, cv::INTER_AREA);
    cv::GaussianBlur(small, small, cv::Size(0, 0), kCopyBlur, kCopyBlur, cv::BORDER_REPLICATE);
    cv::subtract(small.rowRange(2, h), small.rowRange(0, h - 2), dy.rowRange(1, h - 1));
    dy *= 0.5;
    return dy.t();
}

// How well the two sides of the line of `tilt` through `row` (pixels of the
// copy `columns`, at its centre column) mirror each other: the correlation,
// over the band either side, of how the tone changes away from the line,
// along the line (each row's own mean taken out: water is darker than what it
// mirrors, and a line straight across the frame says nothing of where it is
// mirrored). Changes, not tones: a tone that runs on unchanged across the
// rows (a trunk, a post, the streak of a reflection) would mirror about any
// row. Each column is mirrored down itself: within the tilts read, a
// reflection's own lean off the column shifts it by too little to matter. 0
// where too little of the band lies in the frame or nothing on it has shape.
double matchAt(const cv::Mat& columns, double tilt, double row) {
    const int w = columns.rows, h = columns.cols;
    const double cx = 0.5 * (w - 1), t = std::tan(radians(tilt));
    const int nearest = std::max(1, int(std::lround(kNearest * h))), farthest = int(kFarthest * h);
    const int bands = farthest - nearest + 1;
    if (bands <= 0) return 0.0;
    struct Sums {
        double a = 0, b = 0, ab = 0, aa = 0, bb = 0;
        int n = 0;
    };
    std::vector<Sums> sums(static_cast<std::size_t>(bands));
    for (int x = 0; x < w; ++x) {
        const double y = row - (x - cx) * t;
        const int y0 = int(std::floor(y));
        const float f = float(y - y0), g = 1.0f - f;
        const float* column = columns.ptr<float>(x);
        // Rows y0 - d and y0 + d + 1 must lie in the frame.
        const int last = std::min({farthest, y0, h - 2 - y0});
        for (int d = nearest; d <= last; ++d) {
            // Away from the line on both sides: up above it, down below it.
            const float a = -(column[y0 - d] * g + column[y0 - d + 1] * f);
            const float b = column[y0 + d] * g + column[y0 + d + 1] * f;
            Sums& s = sums[std::size_t(d - nearest)];
            s.a += a;
            s.b += b;
            s.ab += double(a) * b;
            s.aa += double(a) * a;
            s.bb += double(b) * b;
            ++s.n;
        }
    }
    double ab = 0, aa = 0, bb = 0, count = 0;
    int reach = 0;
    for (int k = 0; k < bands; ++k) {
        const Sums& s = sums[std::size_t(k)];
        // A band that leaves the frame over half its width ends there.
        if (2 * s.n < w) break;
        reach = nearest + k;
        ab += s.ab - s.a * s.b / s.n;
        aa += s.aa - s.a * s.a / s.n;
        bb += s.bb - s.b * s.b / s.n;
        count += s.n;
    }
    if (reach < kMinReach * h || count <= 0) return 0.0;
    if (std::sqrt(aa / count) < kMinStructure || std::sqrt(bb / count) < kMinStructure) return 0.0;
    return std::max(0.0, ab / std::sqrt(aa * bb));
}

// The best-mirrored line of `tilt` on `columns` whose row lies in [from, to]
// (pixels), and how well the best line this far from it or farther mirrors.
struct Axes {
    MirrorLine best;
    double other = 0;
};

Axes axesAt(const cv::Mat& columns, double tilt, double from, double to, double step, double apart) {
    std::vector<MirrorLine> lines;
    for (double row = from; row <= to + 1e-9; row += step) lines.push_back({tilt, row, matchAt(columns, tilt, row)});
    Axes axes;
    for (const MirrorLine& line : lines)
        if (line.match > axes.best.match) axes.best = line;
    for (const MirrorLine& line : lines)
        if (std::abs(line.row - axes.best.row) >= apart) axes.other = std::max(axes.other, line.match);
    return axes;
}

MirrorLine bestAt(const cv::Mat& columns, double tilt, double from, double to, double step) {
    return axesAt(columns, tilt, from, to, step, 0).best;
}

MirrorLine bestAt(const cv::Mat& columns, double tilt) { return bestAt(columns, tilt, kMinReach * columns.cols, (1 - kMinReach) * columns.cols, 1.0); }

}  // namespace

MirrorCopies mirrorCopies(const cv::Mat& grey) {
    if (grey.cols < 16 || grey.rows < 16) return {};
    return {rowChanges(grey, kCoarseWidth), rowChanges(grey, kFineWidth)};
}

std::optional<MirrorLine> reflectedShoreline(const MirrorCopies& copies, double maxTilt) {
    if (copies.coarse.empty()) return std::nullopt;
    // Every tilt on the coarse copy.
    std::vector<MirrorLine> coarse;
    for (double tilt = -maxTilt; tilt <= maxTilt + 1e-9; tilt += kCoarseTiltStep) coarse.push_back(bestAt(copies.coarse, tilt));
    const auto top = std::max_element(coarse.begin(), coarse.end(), [](const MirrorLine& a, const MirrorLine& b) { return a.match < b.match; });
    if (top->match <= 0) return std::nullopt;
    for (const MirrorLine& other : coarse)
        if (std::abs(other.tilt - top->tilt) >= kRivalTilt && other.match > (1 - kAsideDrop) * top->match) return std::nullopt;
    // Read on the finer copy near it.
    const cv::Mat& fine = copies.fine;
    const double scale = double(fine.cols) / copies.coarse.cols;
    MirrorLine best;
    for (double tilt = top->tilt - kCoarseTiltStep; tilt <= top->tilt + kCoarseTiltStep + 1e-9; tilt += kFineTiltStep) {
        const double row = top->row * scale;
        const MirrorLine line = bestAt(fine, tilt, std::max(kMinReach * fine.cols, row - 2 * scale), std::min((1 - kMinReach) * fine.cols, row + 2 * scale), 0.5);
        if (line.match > best.match) best = line;
    }
    if (best.match < kMinMatch || std::abs(best.tilt) > maxTilt) return std::nullopt;
    for (double side : {-kAsideTilt, kAsideTilt})
        if (bestAt(fine, best.tilt + side).match > (1 - kAsideDrop) * best.match) return std::nullopt;
    // One shore: a pattern that repeats down the frame (stripes, a wall's
    // courses, waves) mirrors itself about each of its rows alike.
    const double h = fine.cols;
    if (axesAt(fine, best.tilt, kMinReach * h, (1 - kMinReach) * h, 1.0, kOtherAxis * h).other > (1 - kAsideDrop) * best.match) return std::nullopt;
    best.row /= fine.cols;
    return best;
}

}  // namespace vantrel::horizon
