#include "engine/analysis/horizon/HorizonDetector.h"

// How a frame is read. Each step only measures; readings are weighed where
// they meet (steps 3 and 5); the gate that can hide a horizon runs last.
//  1. The frame is reduced to about 240000 grey values, its aspect ratio kept
//     (stretching it would change every angle).
//  2. Straight segments, at five scales of the segment detector
//     (measureSegments): the verticals' lean at the centre column and the
//     longest level line spanning half the width or, without one, a soft
//     horizon where the tone steps between calm regions across the whole width.
//     Lines that fan out to one point recede (RecedingLines.h): then the
//     boundary between large regions through that point reads. A long level
//     line that parts no large regions on a strongly blurred copy, and that no
//     upright or parallel line confirms, is an edge on the ground; verticals
//     decide over a level line that disagrees with them.
//  3. When most scales decide, their median reads, if most of them share it
//     within a degree: which segments the detector finds changes with its
//     scale, and a reading one scale tips is outvoted by the others.
//  4. Otherwise the whole frame is measured twice: the tilt along whose lines
//     the edges line up best, mostly edges along the rows (measureEdges), and
//     the line about which still water mirrors the frame (Reflection.h).
//  5. The edges' tilt reads unless a long straight segment at another tilt
//     lines up about as well: then the frame holds long lines at two tilts (a
//     bridge's deck, cloud streaks) and which is level cannot be told. Else the
//     mirror's line reads; a line at another tilt does not contest it, for it
//     does not mirror the frame (a hill's straight flank over a lake is
//     mirrored with the rest).
//  6. Last, a frame of ground alone (GroundCover.h) gives back its reading: its
//     lines lie on the ground. Judged by colour, this gate could hide a horizon
//     over a green field, so it is asked only of a reading already made, and
//     looks only at the top rows, where any horizon in view shows the sky.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <numeric>
#include <vector>

#include <opencv2/imgproc.hpp>

#include "engine/analysis/horizon/GroundCover.h"
#include "engine/analysis/horizon/RecedingLines.h"
#include "engine/analysis/horizon/Reflection.h"

namespace vantrel::HorizonDetector {
namespace {

constexpr double kAnalysisArea = 240000.0;
constexpr double kPreBlurSigma = 1.0;
constexpr double kMaxTilt = 20.0;
// An edge pixel votes for lines within this many degrees of its own orientation.
constexpr double kOrientationGate = 12.0;
constexpr double kFlatPreference = 0.3;
constexpr double kCoarseStep = 0.25, kFineStep = 0.02, kFineReach = 0.3;
// The peak must outdo the median tilt (what texture alone gives) this many
// times, by the squared length of a line across this share of the frame's
// longer side. Texture that happens to line up (a wood's floor, streaks of
// cloud) reaches about 4 times; a horizon, a shore or a pitch's edge 10 and more.
constexpr double kMinRatio = 6.0, kMinExcess = 0.25;
// Share of the peak that edges along the rows must give.
constexpr double kMinLevelShare = 0.5;
// The verticals' fit must hold this share of the steep segments' length.
constexpr double kMinFittedShare = 0.25;
constexpr double kMinVertical = 0.08, kMinVerticalTotal = 0.6, kHorizonSpan = 0.5;
// A level line and the verticals within this many degrees of each other agree.
constexpr double kAgreement = 1.0;
// A straight level segment spanning this share of the width that lies this
// many degrees off the votes' tilt conflicts with them (a smaller difference
// would not turn the frame visibly wrong either way).
constexpr double kConflictSpan = 0.25, kConflict = 1.5;
// Such a segment's line rivals the votes' when its edges line up at least this
// share as well (above texture): a line at least half as long, since the
// coherence grows with the square of a line's length.
constexpr double kRivalLine = 0.25;
// Share of the verticals' spread of lean a pencil must explain to be fitted.
constexpr double kPencilShare = 0.3;
// How far beyond the columns its verticals cover a pencil may be read, as a
// share of the width they cover.
constexpr double kPencilReach = 0.5;
// The verticals a fit leaves out may hold another fit of at most this share
// of its length at a visibly different lean.
constexpr double kRivalShare = 1.0 / 3.0;
// A horizon between calm regions: the frame is cut into this many column
// strips, of which this many must step at one line, by at least this many grey
// levels (a smaller step is the 8-bit rounding's).
constexpr int kStrips = 12, kCalmStrips = 10;
constexpr double kMinCalmStep = 2.0;
// The blur of the copy on which regions part, as a share of its height.
constexpr double kBoundaryBlur = 0.02;
// A line through a fan's point is clear when it steps by this share of the clearest one.
constexpr double kClearShare = 0.5;
// A line runs through a point when it passes within this share of the height
// of it (more for a point far off to the side: kThroughTilt degrees seen from the centre).
constexpr double kThroughPoint = 0.01, kThroughTilt = 0.5;
// Scales at which the segment detector reads the frame (1 is the analysis size).
constexpr std::array kSegmentScales{0.8, 0.85, 0.9, 0.95, 1.0};

using horizon::degrees;
using horizon::LevelLine;
using horizon::Point;
using horizon::radians;

// To a tenth of a degree, +0 for -0. Whether that looks level is the
// caller's to judge (looksLevel).
double roundToTenth(double value) {
    const double r = std::round(value * 10.0) / 10.0;
    return std::abs(r) < 0.1 ? 0.0 : r;
}

// Tilt of the direction (dx, dy) (y grows downwards), counter-clockwise
// positive, folded onto -45 ... 45 so that near-vertical lines count like
// near-horizontal ones.
double foldedTilt(double dx, double dy) {
    double d = degrees(std::atan2(-dy, dx));
    if (d > 90.0) d -= 180.0;
    if (d <= -90.0) d += 180.0;
    if (std::abs(d) > 45.0) d += d > 0 ? -90.0 : 90.0;
    return d;
}

// An edge pixel: where it is, which way its edge runs and which way its tone
// steps across it.
struct Vote {
    float x, y;
    float tilt;
    float polarity;  // +1 or -1
};

struct Votes {
    std::vector<Vote> axis[2];  // 0: edges along the rows, 1: along the columns
    cv::Size size;
};

Votes edgeVotes(const cv::Mat& grey) {
    cv::Mat blurred, gx, gy, strength;
    cv::GaussianBlur(grey, blurred, cv::Size(0, 0), kPreBlurSigma, kPreBlurSigma, cv::BORDER_REPLICATE);
    cv::Sobel(blurred, gx, CV_32F, 1, 0, 3, 1.0, 0.0, cv::BORDER_REPLICATE);
    cv::Sobel(blurred, gy, CV_32F, 0, 1, 3, 1.0, 0.0, cv::BORDER_REPLICATE);
    cv::magnitude(gx, gy, strength);
    // Relative threshold: edges must stand well above the frame's calm parts.
    std::vector<float> sample;
    sample.reserve(strength.total() / 7 + 1);
    for (int y = 2; y < strength.rows - 2; y += 2)
        for (int x = 2; x < strength.cols - 2; x += 3) sample.push_back(strength.at<float>(y, x));
    if (sample.empty()) return {};
    const auto q = sample.begin() + std::ptrdiff_t(sample.size() * 3 / 10);
    std::nth_element(sample.begin(), q, sample.end());
    const float threshold = std::max(4.0f, 4.0f * *q);

    Votes votes;
    votes.size = grey.size();
    for (int y = 2; y < grey.rows - 2; ++y) {
        const float* s = strength.ptr<float>(y);
        const float* dx = gx.ptr<float>(y);
        const float* dy = gy.ptr<float>(y);
        for (int x = 2; x < grey.cols - 2; ++x) {
            if (!(s[x] > threshold)) continue;
            const double tilt = foldedTilt(-dy[x], dx[x]);  // the edge runs across its gradient
            if (std::abs(tilt) > kMaxTilt + kOrientationGate) continue;
            const int axis = std::abs(dy[x]) >= std::abs(dx[x]) ? 0 : 1;
            const float polarity = (axis == 0 ? dy[x] : dx[x]) > 0 ? 1.0f : -1.0f;
            votes.axis[axis].push_back({float(x), float(y), float(tilt), polarity});
        }
    }
    for (auto& list : votes.axis) std::sort(list.begin(), list.end(), [](const Vote& a, const Vote& b) { return a.tilt < b.tilt; });
    return votes;
}

// How strongly the edges line up along straight lines of `tilt`: the votes
// are summed, with their polarity, along each line of that tilt, and the
// squared sums added up. A long straight edge sums to its length; texture,
// whose edges point every way, cancels out. Every `stride`-th vote is used.
double coherence(const Votes& votes, double tilt, std::vector<float>& profile, int stride = 1, int axes = 2) {
    const float t = float(std::tan(radians(tilt)));
    const double margin = std::tan(radians(kMaxTilt + kOrientationGate)) * std::max(votes.size.width, votes.size.height) + 2;
    double total = 0;
    for (int axis = 0; axis < std::max(axes, 1); ++axis) {
        profile.assign(std::size_t((axis == 0 ? votes.size.height : votes.size.width) + 2 * margin + 2), 0.0f);
        // The votes are sorted by their own tilt: those within the gate lie together.
        const std::vector<Vote>& list = votes.axis[axis];
        const auto byTilt = [](const Vote& v, float value) { return v.tilt < value; };
        const auto first = std::lower_bound(list.begin(), list.end(), float(tilt - kOrientationGate), byTilt);
        const auto last = std::lower_bound(first, list.end(), std::nextafter(float(tilt + kOrientationGate), 1e9f), byTilt);
        const float shift = float(margin);
        for (auto v = first; v < last; v += std::min<std::ptrdiff_t>(stride, last - v)) {
            // Along a line rising to the right y + x tan stays put; along a
            // vertical leaning right going down, x - y tan does.
            const float r = (axis == 0 ? v->y + v->x * t : v->x - v->y * t) + shift;
            const int k = int(r);
            const float f = r - float(k);
            profile[std::size_t(k)] += v->polarity * (1.0f - f);
            profile[std::size_t(k) + 1] += v->polarity * f;
        }
        for (float p : profile) total += double(p) * p;
    }
    return total * stride;
}

// The tilt (counter-clockwise, degrees) along whose lines the edges line up
// best, how well they do and how well texture alone does (the median tilt).
struct EdgePeak {
    double tilt = 0, coherence = 0, baseline = 0;
};

// The edges' peak on a frame reduced to the analysis size (grey, CV_32F), when
// it stands clearly above texture.
std::optional<EdgePeak> measureEdges(const cv::Mat& grey, const Votes& votes) {
    std::vector<float> profile;
    // Coarse search over every tilt with half the votes, the median of which
    // is what texture alone gives.
    std::vector<double> coarse;
    double best = -1, bestTilt = 0;
    for (double tilt = -kMaxTilt; tilt <= kMaxTilt + 1e-9; tilt += kCoarseStep) {
        coarse.push_back(coherence(votes, tilt, profile, 2));
        // Frames are seldom turned far: of two near-equal lines the flatter wins.
        const double favoured = coarse.back() * (1.0 - kFlatPreference * (tilt / kMaxTilt) * (tilt / kMaxTilt));
        if (favoured > best) {
            best = favoured;
            bestTilt = tilt;
        }
    }
    if (best <= 0) return std::nullopt;
    std::nth_element(coarse.begin(), coarse.begin() + std::ptrdiff_t(coarse.size() / 2), coarse.end());
    const double baseline = coarse[coarse.size() / 2];

    // Fine search round the coarse peak, then a parabola through its top.
    std::vector<double> fine;
    const int steps = int(std::lround(kFineReach / kFineStep));
    int top = 0;
    double fineBest = -1;
    for (int k = -steps; k <= steps; ++k) {
        fine.push_back(coherence(votes, bestTilt + k * kFineStep, profile));
        if (fine.back() > fineBest) {
            fineBest = fine.back();
            top = k + steps;
        }
    }
    double tilt = bestTilt + (top - steps) * kFineStep;
    if (top > 0 && top + 1 < int(fine.size())) {
        const double a = fine[std::size_t(top - 1)], b = fine[std::size_t(top)], c = fine[std::size_t(top + 1)];
        const double den = a - 2 * b + c;
        if (den < 0) tilt += kFineStep * std::clamp(0.5 * (a - c) / den, -0.5, 0.5);
    }
    const double excess = std::sqrt(std::max(0.0, fineBest - baseline)) / std::max(grey.cols, grey.rows);
    const double ratio = fineBest / std::max(baseline, 1.0);
    // A peak at the end of the range is the foot of one beyond it.
    if (excess < kMinExcess || ratio < kMinRatio || std::abs(tilt) > kMaxTilt - kCoarseStep) return std::nullopt;
    // Steep edges alone: verticals are the segments' to read, where their
    // convergence is fitted; lined up here they may lean alike by chance
    // (trunks, leaf veins, grass).
    if (coherence(votes, tilt, profile, 1, 1) < kMinLevelShare * fineBest) return std::nullopt;
    return EdgePeak{tilt, fineBest, baseline};
}

// The line of edges whose straight segment lies near `roughTilt`: the
// segment's own angle is coarse, the line coherence near it (of the edges
// along the rows, or with `axes` 2 of all) is finer.
EdgePeak refinedLine(const Votes& votes, double roughTilt, int axes = 1) {
    std::vector<float> profile;
    EdgePeak best{roughTilt, -1, 0};
    for (double t = roughTilt - kFineReach; t <= roughTilt + kFineReach + 1e-9; t += kFineStep)
        if (const double c = coherence(votes, t, profile, 1, axes); c > best.coherence) best = {t, c, 0};
    return best;
}

// A near-vertical straight segment: the column where its line crosses the
// centre row (a share of the width from the centre), its tilt and its length.
struct Lean {
    double u, tilt, weight;
};

// The verticals' fit: their lean at the centre column (degrees), how fast the
// tangent of the lean grows with the column (0: parallel), and which of them
// it keeps.
struct VerticalsFit {
    double lean = 0, pencil = 0, keptLength = 0;
    std::vector<bool> kept;
};

// The lean of the verticals at the centre column. Looking up or down makes
// verticals converge on one point, so the tangent of each one's lean grows in
// proportion to the column where it crosses the centre row (the lean itself
// does not, once it is steep); only the camera's roll leans the centre's own
// vertical. Segments off the fit are dropped step by step.
std::optional<VerticalsFit> fitVerticals(const std::vector<Lean>& leans, double height, bool parallel = false) {
    if (leans.size() < 3) return std::nullopt;
    double a = 0, b = 0, keptLength = 0;
    std::vector<bool> kept(leans.size(), true);
    for (int round = 0; round < 5; ++round) {
        double sw = 0, su = 0, st = 0, suu = 0, sut = 0, stt = 0;
        for (std::size_t i = 0; i < leans.size(); ++i) {
            if (!kept[i]) continue;
            const Lean& v = leans[i];
            const double t = std::tan(radians(v.tilt));
            sw += v.weight; su += v.weight * v.u; st += v.weight * t;
            suu += v.weight * v.u * v.u; sut += v.weight * v.u * t; stt += v.weight * t * t;
        }
        if (sw <= 0) return std::nullopt;
        const double mu = su / sw, mt = st / sw, var = suu / sw - mu * mu;
        const double cov = sut / sw - mu * mt, spread = stt / sw - mt * mt;
        b = var > 1e-6 ? cov / var : 0.0;
        // Converging verticals only when the pencil explains most of the
        // leans' spread; otherwise the spread is noise and they stand parallel.
        if (var <= 1e-6 || cov * cov / var < kPencilShare * spread) b = 0.0;
        // Nor when the verticals stand off to one side, far from the centre
        // column: read there, the pencil's lean is a guess that multiplies
        // their own few tenths of a degree of noise (door frames and a wall
        // corner at one side of a room).
        double first = 1e9, last = -1e9;
        for (std::size_t i = 0; i < leans.size(); ++i) {
            if (!kept[i]) continue;
            first = std::min(first, leans[i].u);
            last = std::max(last, leans[i].u);
        }
        const double beyond = first > 0 ? first : last < 0 ? -last : 0.0;
        if (beyond > kPencilReach * (last - first) || parallel) b = 0.0;
        a = mt - b * mu;
        const double reach = round < 2 ? 3.0 : 1.0;
        std::size_t count = 0;
        keptLength = 0;
        for (std::size_t i = 0; i < leans.size(); ++i) {
            kept[i] = std::abs(leans[i].tilt - degrees(std::atan(a + b * leans[i].u))) <= reach;
            count += kept[i];
            keptLength += kept[i] ? leans[i].weight : 0;
        }
        if (count < 3 || keptLength < kMinVerticalTotal * height) return std::nullopt;
    }
    return VerticalsFit{degrees(std::atan(a)), b, keptLength, std::move(kept)};
}

// The lean of the verticals at the centre column, or nothing when they do not
// agree on one. A pencil that holds less of the verticals' length than
// parallel uprights do, and reads visibly otherwise, was fitted on a few stray
// edges that happen to line up with some of the uprights (a door frame at one
// side and two short edges at the other): the uprights decide. Trunks lean
// every way, each by a few degrees: those leaning alike give a fit as walls
// do, but the ones it leaves out give another of a size with it at a visibly
// different lean, while what walls leave out (diagonals, clutter) seldom
// lines up.
std::optional<double> verticalsTilt(const std::vector<Lean>& leans, double height, double* fitted = nullptr) {
    std::optional<VerticalsFit> fit = fitVerticals(leans, height);
    if (!fit) return std::nullopt;
    if (fit->pencil != 0.0) {
        std::optional<VerticalsFit> upright = fitVerticals(leans, height, true);
        if (upright && upright->keptLength > fit->keptLength && std::abs(upright->lean - fit->lean) > kConflict) fit = std::move(upright);
    }
    if (fitted) *fitted = fit->keptLength;
    std::vector<Lean> rest;
    for (std::size_t i = 0; i < leans.size(); ++i)
        if (!fit->kept[i]) rest.push_back(leans[i]);
    const std::optional<VerticalsFit> rival = fitVerticals(rest, height);
    if (rival && rival->keptLength >= kRivalShare * fit->keptLength && std::abs(rival->lean - fit->lean) > kAgreement) return std::nullopt;
    // A pencil fitted on leans off to one side can reach the centre column at
    // any lean; one beyond the range measured is no reading.
    if (std::abs(fit->lean) > kMaxTilt) return std::nullopt;
    return fit->lean;
}

// A boundary between two large regions across the frame's width: its tilt
// (counter-clockwise, degrees), the row where it crosses the centre column (a
// share of the height) and its step (grey levels) in the weaker strips.
struct Boundary {
    double tilt = 0, row = 0, step = 0;
};

// The mean tone step across the line of `tilt` through row `row` at the
// centre column of `d` (vertical differences of a blurred copy) in each of
// kStrips column strips; a strip the line leaves for most of its width steps 0.
std::array<double, kStrips> stripSteps(const cv::Mat& d, double tilt, double row) {
    std::array<double, kStrips> steps{};
    const double t = std::tan(radians(tilt)), cx = 0.5 * (d.cols - 1);
    for (int j = 0; j < kStrips; ++j) {
        const int x0 = j * d.cols / kStrips, x1 = (j + 1) * d.cols / kStrips;
        double sum = 0;
        int count = 0;
        for (int x = x0; x < x1; ++x) {
            const double y = row - (x - cx) * t;
            const int y0 = int(std::floor(y));
            if (y0 < 0 || y0 + 1 >= d.rows) continue;
            const double f = y - y0;
            sum += d.at<float>(y0, x) * (1 - f) + d.at<float>(y0 + 1, x) * f;
            ++count;
        }
        if (2 * count >= x1 - x0) steps[std::size_t(j)] = sum / count;
    }
    return steps;
}

// How clearly the line steps one way across the width: the step of its
// weakest strip but `hidden`, signed by the steps' sum (by default one strip
// may be hidden by a post or a tree).
double acrossWidth(const std::array<double, kStrips>& steps, std::size_t hidden = 1) {
    double total = 0;
    for (double s : steps) total += s;
    std::array<double, kStrips> signedSteps{};
    for (std::size_t j = 0; j < steps.size(); ++j) signedSteps[j] = total >= 0 ? steps[j] : -steps[j];
    std::nth_element(signedSteps.begin(), signedSteps.begin() + hidden, signedSteps.end());
    return std::max(0.0, signedSteps[hidden]);
}

// Vertical tone differences of `grey` reduced to `width` columns and blurred
// as strongly as a lens far out of focus: texture (boards, grass, ripples)
// averages out; the boundary between large regions stays.
cv::Mat blurredSteps(const cv::Mat& grey, int width, double blur) {
    const int height = std::max(8, int(std::lround(double(grey.rows) * width / grey.cols)));
    cv::Mat small, d(height, width, CV_32F, cv::Scalar(0));
    cv::resize(grey, small, cv::Size(width, height), 0, 0, cv::INTER_AREA);
    cv::GaussianBlur(small, small, cv::Size(0, 0), blur * height, blur * height, cv::BORDER_REPLICATE);
    const int gap = std::max(1, int(std::lround(blur * height)));
    if (2 * gap < height) cv::subtract(small.rowRange(2 * gap, height), small.rowRange(0, height - 2 * gap), d.rowRange(gap, height - gap));
    return d;
}

// How far (rows of a frame `height` high) the line of `tilt` through `row` at
// the centre column may pass from `p` and still be taken to run through it.
double nearRows(Point p, double aspect, double height) {
    return kThroughPoint * height + std::tan(radians(kThroughTilt)) * std::abs(p.x - 0.5) * aspect * height;
}

// The row (a share of the height) where the line of `tilt` through `p` crosses the centre column.
double rowThrough(Point p, double tilt, double aspect) { return p.y + (p.x - 0.5) * aspect * std::tan(radians(tilt)); }

// The strongly blurred copies a boundary is sought and refined on.
struct BlurredSteps {
    cv::Mat coarse, fine;
};

BlurredSteps blurredCopies(const cv::Mat& grey) {
    return {blurredSteps(grey, std::min(grey.cols, 160), kBoundaryBlur), blurredSteps(grey, std::min(grey.cols, 320), kBoundaryBlur * 0.4)};
}

// `line`, found on the coarse copy, refined on the larger, less blurred one:
// each strip's step is placed where it peaks near the line, and the line
// fitted through the peaks (weighted by their steps), three times.
Boundary refinedBoundary(const BlurredSteps& copies, const Boundary& line) {
    const cv::Mat &coarse = copies.coarse, &fine = copies.fine;
    const double scale = double(fine.rows) / coarse.rows, cx = 0.5 * (fine.cols - 1);
    const std::array<double, kStrips> coarseSteps = stripSteps(coarse, line.tilt, line.row * coarse.rows);
    const double sign = std::accumulate(coarseSteps.begin(), coarseSteps.end(), 0.0) >= 0 ? 1 : -1;
    Boundary refined = line;
    double row = line.row * fine.rows;
    for (int round = 0; round < 3; ++round) {
        std::array<double, kStrips> peak{}, weight{};
        for (double offset = -scale; offset <= scale + 1e-9; offset += 0.25) {
            const std::array<double, kStrips> steps = stripSteps(fine, refined.tilt, row + offset);
            for (std::size_t j = 0; j < kStrips; ++j)
                if (sign * steps[j] > weight[j]) {
                    weight[j] = sign * steps[j];
                    peak[j] = offset;
                }
        }
        const double t = std::tan(radians(refined.tilt));
        double sw = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
        for (std::size_t j = 0; j < kStrips; ++j) {
            const double x = (double(j) + 0.5) * fine.cols / kStrips, y = row - (x - cx) * t + peak[j], wj = weight[j];
            sw += wj; sx += wj * x; sy += wj * y; sxx += wj * x * x; sxy += wj * x * y;
        }
        if (sw <= 0) break;
        const double var = sxx / sw - (sx / sw) * (sx / sw);
        if (var <= 1e-9) break;
        const double slope = (sxy / sw - (sx / sw) * (sy / sw)) / var;
        refined.tilt = degrees(std::atan(-slope));
        row = sy / sw + (cx - sx / sw) * slope;
    }
    refined.row = row / fine.rows;
    return refined;
}

// The clearest line through `p` at each coarse tilt.
std::vector<Boundary> clearestThrough(const cv::Mat& coarse, Point p) {
    const double aspect = double(coarse.cols) / coarse.rows, reach = nearRows(p, aspect, coarse.rows);
    std::vector<Boundary> atTilt;
    for (double tilt = -kMaxTilt; tilt <= kMaxTilt + 1e-9; tilt += 2 * kCoarseStep) {
        const double centre = rowThrough(p, tilt, aspect) * coarse.rows;
        Boundary clearest{tilt, 0, 0};
        for (double row = std::max(0.0, centre - reach); row <= std::min(coarse.rows - 1.0, centre + reach); row += 0.5) {
            const double step = acrossWidth(stripSteps(coarse, tilt, row));
            if (step > clearest.step) clearest = {tilt, row / coarse.rows, step};
        }
        atTilt.push_back(clearest);
    }
    return atTilt;
}

// Whether the line of `tilt` through `row` (a share of the height, at the
// centre column) parts two large regions across the width: on the strongly
// blurred copy its strips step across it one way, but for up to a third of
// them that something standing before it may hide (a headland, a boat, a tree).
bool partsRegions(const BlurredSteps& copies, double tilt, double row) {
    const cv::Mat& coarse = copies.coarse;
    for (double offset = -1; offset <= 1; offset += 0.5)
        if (acrossWidth(stripSteps(coarse, tilt, row * coarse.rows + offset), kStrips / 3) >= kMinCalmStep) return true;
    return false;
}

// The horizon through a fan's point `p`: of the lines through it that part
// two large regions across the whole width (the horizon and, below it, the
// edges of whatever lies on the ground: a pier's side, a deck's end), the
// highest that steps about as clearly as the clearest one.
std::optional<double> horizonThrough(const BlurredSteps& copies, Point p) {
    const std::vector<Boundary> atTilt = clearestThrough(copies.coarse, p);
    const double strongest = std::max_element(atTilt.begin(), atTilt.end(), [](const Boundary& a, const Boundary& b) { return a.step < b.step; })->step;
    std::optional<Boundary> best;
    for (std::size_t k = 0; k < atTilt.size(); ++k) {
        const double step = atTilt[k].step;
        const bool peak = (k == 0 || step >= atTilt[k - 1].step) && (k + 1 == atTilt.size() || step >= atTilt[k + 1].step);
        if (!peak || step < kMinCalmStep || step < kClearShare * strongest) continue;
        const Boundary line = refinedBoundary(copies, atTilt[k]);
        // Refined on the strips' own steps, the line must keep its tilt: one
        // that turns away ran through the point only by chance (a ridge).
        if (std::abs(line.tilt - atTilt[k].tilt) > kConflict) continue;
        // Clear lines at visibly different tilts: which is the horizon cannot be told.
        if (best && std::abs(line.tilt - best->tilt) > kConflict) return std::nullopt;
        if (!best || line.row < best->row) best = line;
    }
    if (!best) return std::nullopt;
    return best->tilt;
}

// What the straight segments say: a levelling angle (unrounded), or nothing; `final` when
// that nothing must stand (the frame's long lines recede and nothing upright
// tells which way is level), so no weaker reading may guess.
struct SegmentReading {
    std::optional<double> angle;
    bool final = false;
    // The longest near-level segment: its length (a share of the width) and tilt.
    double levelLength = 0, levelTilt = 0;
};

// Straight segments of the frame: the verticals' lean at the centre column,
// and the longest near-level segment when it spans most of the width. A long
// level line in a frame of verticals may be a receding edge (a gutter, the top
// of a sign, a kerb) that perspective tilts, while turning the camera sideways
// leaves verticals upright: when the two disagree, the verticals decide.
// Without a long level segment, or when the long level lines fan out as
// receding edges do, `calm` (the tilt of a soft horizon between calm regions)
// stands in for it.
SegmentReading measureSegments(const cv::Mat& bytes, const Votes& votes, std::optional<double> calm, const BlurredSteps& copies,
                                double scale) {
    std::vector<cv::Vec4f> lines;
    cv::createLineSegmentDetector(cv::LSD_REFINE_STD, scale)->detect(bytes, lines);
    const double w = bytes.cols, h = bytes.rows, cx = w / 2, cy = h / 2;
    // The lines of a fan recede: none of them is level or upright.
    std::vector<bool> member(lines.size(), false);
    const std::optional<Point> vanish = horizon::vanishingPoint(lines, bytes.size(), member);
    std::vector<Lean> leans;
    std::vector<LevelLine> levelLines;
    double longestLevel = 0, levelTilt = 0, levelRow = 0;
    double steepLength = 0;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const cv::Vec4f& l = lines[k];
        const double dx = l[2] - l[0], dy = l[3] - l[1];
        const double length = std::hypot(dx, dy);
        const double tilt = foldedTilt(dx, dy);
        if (std::abs(dy) > std::abs(dx) && length >= kMinVertical * h) steepLength += length;
        if (std::abs(tilt) > kMaxTilt) continue;
        if (std::abs(dy) > std::abs(dx)) {
            if (length < kMinVertical * h) continue;
            // Column where the segment's line crosses the centre row.
            const double x = l[0] + (cy - l[1]) * dx / dy;
            leans.push_back({(x - cx) / w, tilt, length});
            continue;
        }
        if (member[k]) continue;
        if (length >= horizon::kLongLineSpan * w) levelLines.push_back({(l[1] + (cx - l[0]) * dy / dx) / h, std::tan(radians(tilt)), length});
        if (length > longestLevel) {
            longestLevel = length;
            levelTilt = tilt;
            levelRow = (l[1] + (cx - l[0]) * dy / dx) / h;
        }
    }
    double fitted = 0;
    std::optional<double> upright = verticalsTilt(leans, h, &fitted);
    // Texture: grass and reeds give many steep segments that point every way,
    // of which one lean holds only a small share; walls and trunks stand
    // mostly one way.
    if (fitted < kMinFittedShare * steepLength) upright.reset();
    // Nor, in a frame with a fan, is any other long straight line near level
    // (a deck's end, a pier's side): the horizon runs through the fan's point.
    const bool receding = horizon::fansOut(levelLines) || vanish;
    std::optional<double> level;
    if (longestLevel >= kHorizonSpan * w && !receding) level = refinedLine(votes, levelTilt).tilt;
    // A horizon parts two large regions across the width, so it stays on a
    // strongly blurred copy where texture does not: a sharp line that does
    // not is an edge on the ground (a pier's side, a board, a rail) and gives
    // no reading, unless an upright confirms it or it is one of several
    // parallel long lines (planks across a jetty seen square on), which do not
    // recede and so run level.
    const bool confirmed = level && ((upright && std::abs(*level - *upright) <= kAgreement) || horizon::parallelPlanks(levelLines, levelTilt));
    const bool vetoed = level && !confirmed && !partsRegions(copies, *level, levelRow);
    if (vetoed) level.reset();
    // With a fan, the boundary between large regions through its point stands
    // in for the soft horizon (a calm one may be a pier's side).
    std::optional<double> soft = calm;
    if (vanish) soft = horizon::farToTheSide(*vanish) ? std::nullopt : horizonThrough(copies, *vanish);
    // A soft horizon across the whole width that the long line disagrees
    // with: the line recedes towards it (deck boards, a jetty, a road's edge).
    if (!level || (soft && std::abs(*level - *soft) > kAgreement)) level = soft;
    std::optional<double> tilt = level ? level : upright;
    if (level && upright && std::abs(*level - *upright) > kAgreement) tilt = upright;
    const double levelLength = longestLevel / w;
    if (!tilt) return {std::nullopt, receding || vetoed, levelLength, levelTilt};
    return {-*tilt, true, levelLength, levelTilt};
}

// A line across the whole width between two calm regions, found on a blurred
// copy: the sea or land under a sky. Such a horizon is often too soft to be a
// straight segment, yet the mean tone of narrow column strips steps at the same
// line in every strip. Each strip's tone profile gives the rows where it steps
// between two calm bands; the line through such steps of one sign in the most
// strips, when nearly all strips agree, is the horizon.
std::optional<double> calmHorizonTilt(const cv::Mat& grey) {
    const int width = std::min(grey.cols, 320);
    const int height = std::max(1, int(std::lround(double(grey.rows) * width / grey.cols)));
    cv::Mat small;
    cv::resize(grey, small, cv::Size(width, height), 0, 0, cv::INTER_AREA);
    cv::GaussianBlur(small, small, cv::Size(0, 0), 1.0, 1.0, cv::BORDER_REPLICATE);
    const int band = std::max(3, int(std::lround(0.04 * height))), gap = std::max(1, band / 2);
    struct Step { int strip; double x, y, step; };
    std::vector<Step> steps;
    std::vector<double> profile(static_cast<std::size_t>(height)), sums(static_cast<std::size_t>(height) + 1);
    for (int j = 0; j < kStrips; ++j) {
        const int x0 = j * width / kStrips, x1 = (j + 1) * width / kStrips;
        for (int y = 0; y < height; ++y) {
            const float* row = small.ptr<float>(y);
            double sum = 0;
            for (int x = x0; x < x1; ++x) sum += row[x];
            profile[std::size_t(y)] = sum / std::max(1, x1 - x0);
            sums[std::size_t(y) + 1] = sums[std::size_t(y)] + profile[std::size_t(y)];
        }
        const auto mean = [&](int a, int b) { return (sums[std::size_t(b)] - sums[std::size_t(a)]) / (b - a); };
        const auto spread = [&](int a, int b) {
            const auto [lo, hi] = std::minmax_element(profile.begin() + a, profile.begin() + b);
            return *hi - *lo;
        };
        const int first = band + gap, last = height - band - gap;
        std::vector<double> s(std::size_t(height), 0.0);
        for (int y = first; y < last; ++y) {
            const double step = mean(y + gap, y + gap + band) - mean(y - gap - band, y - gap);
            // Calm: neither band changes by more than a third of the step.
            const double rough = std::max(spread(y - gap - band, y - gap), spread(y + gap, y + gap + band));
            s[std::size_t(y)] = rough * 3.0 < std::abs(step) && std::abs(step) >= kMinCalmStep ? step : 0.0;
        }
        for (int y = first + 1; y + 1 < last; ++y) {
            const double a = std::abs(s[std::size_t(y - 1)]), b = std::abs(s[std::size_t(y)]), c = std::abs(s[std::size_t(y + 1)]);
            if (b <= 0 || b < a || b <= c) continue;
            const double den = a - 2 * b + c;
            const double off = den < 0 ? std::clamp(0.5 * (a - c) / den, -0.5, 0.5) : 0.0;
            steps.push_back({j, 0.5 * (x0 + x1), y + 0.5 + off, s[std::size_t(y)]});
        }
    }
    // The line through steps of one sign in the most strips, the strongest
    // of equals; then least squares through its steps.
    const double cx = width / 2.0;
    int bestStrips = 0;
    double bestScore = 0, bestTilt = 0, bestRow = 0, bestSign = 0;
    for (double tilt = -kMaxTilt; tilt <= kMaxTilt + 1e-9; tilt += kCoarseStep) {
        const double t = std::tan(radians(tilt));
        for (const Step& seed : steps) {
            const double r = seed.y + (seed.x - cx) * t;
            std::array<double, kStrips> at{};
            int count = 0;
            for (const Step& k : steps) {
                if ((k.step > 0) != (seed.step > 0) || std::abs(k.y + (k.x - cx) * t - r) > 1.0) continue;
                double& a = at[std::size_t(k.strip)];
                if (a == 0) ++count;
                a = std::max(a, std::abs(k.step));
            }
            double total = 0;
            for (double a : at) total += a;
            const double score = count * 1e6 + total;
            if (score > bestScore) {
                bestScore = score;
                bestStrips = count;
                bestTilt = tilt;
                bestRow = r;
                bestSign = seed.step;
            }
        }
    }
    if (bestStrips < kCalmStrips) return std::nullopt;
    const double t = std::tan(radians(bestTilt));
    double sw = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const Step& k : steps) {
        if ((k.step > 0) != (bestSign > 0) || std::abs(k.y + (k.x - cx) * t - bestRow) > 1.0) continue;
        sw += 1; sx += k.x; sy += k.y; sxx += k.x * k.x; sxy += k.x * k.y;
    }
    const double var = sxx / sw - (sx / sw) * (sx / sw);
    if (var <= 1e-9) return bestTilt;
    return degrees(std::atan(-(sxy / sw - (sx / sw) * (sy / sw)) / var));
}

// Steps 4 and 5: the segments say nothing clear at most scales, so the whole
// frame is measured; `longest` holds the longest near-level segment found.
std::optional<double> readWholeFrame(const cv::Mat& grey, const Votes& votes, const SegmentReading& longest) {
    if (const std::optional<EdgePeak> edges = measureEdges(grey, votes)) {
        const bool otherTilt = longest.levelLength >= kConflictSpan && std::abs(edges->tilt - longest.levelTilt) > kConflict;
        const EdgePeak rival = otherTilt ? refinedLine(votes, longest.levelTilt, 2) : EdgePeak{};
        if (rival.coherence - edges->baseline < kRivalLine * (edges->coherence - edges->baseline)) return roundToTenth(-edges->tilt);
        // Two lines at visibly different tilts: only a reflection can tell which is level.
    }
    if (const auto shore = horizon::reflectedShoreline(horizon::mirrorCopies(grey), kMaxTilt)) return roundToTenth(-shore->tilt);
    return std::nullopt;
}

std::optional<double> readLines(const cv::Mat& grey) {
    const Votes votes = edgeVotes(grey);
    const std::optional<double> calm = calmHorizonTilt(grey);
    const BlurredSteps copies = blurredCopies(grey);
    cv::Mat bytes;
    grey.convertTo(bytes, CV_8U);
    std::array<SegmentReading, kSegmentScales.size()> readings;
    cv::parallel_for_(cv::Range(0, int(readings.size())), [&](const cv::Range& range) {
        for (int i = range.start; i < range.end; ++i)
            readings[std::size_t(i)] = measureSegments(bytes, votes, calm, copies, kSegmentScales[std::size_t(i)]);
    });
    std::vector<double> angles;
    std::size_t decided = 0;
    const SegmentReading* longest = &readings.front();
    for (const SegmentReading& r : readings) {
        if (r.levelLength > longest->levelLength) longest = &r;
        if (!r.final) continue;
        ++decided;
        if (r.angle) angles.push_back(*r.angle);
    }
    if (2 * decided <= readings.size()) return readWholeFrame(grey, votes, *longest);
    // Most of the scales that decide find no line to level on.
    if (2 * angles.size() <= decided) return std::nullopt;
    std::sort(angles.begin(), angles.end());
    const std::size_t n = angles.size();
    const double median = n % 2 ? angles[n / 2] : 0.5 * (angles[n / 2 - 1] + angles[n / 2]);
    // A reading most scales do not share within a degree changes with the
    // detector's own scale: no measurement of the frame.
    const auto agreeing = std::count_if(angles.begin(), angles.end(), [&](double a) { return std::abs(a - median) <= kAgreement; });
    if (2 * std::size_t(agreeing) <= n) return std::nullopt;
    return roundToTenth(median);
}

// `rgba` is the frame reduced to `size`.
std::optional<double> measureFrame(const cv::Mat& rgba, cv::Size size) {
    const std::optional<double> angle = readLines(analysis::greyAtSize(rgba, size));
    // Step 6, last: the one gate that could hide a horizon the lines showed.
    if (angle && horizon::showsGroundAlone(analysis::rgbAtSize(rgba, size))) return std::nullopt;
    return angle;
}

bool measurable(cv::Size size) { return size.width >= 16 && size.height >= 16; }

}  // namespace

std::optional<double> measureHorizonAngle(const RgbaView& bitmap) {
    const cv::Mat source = analysis::wrap(bitmap);
    if (source.empty()) return std::nullopt;
    const cv::Size size = analysis::sizeForArea(source.cols, source.rows, kAnalysisArea);
    if (!measurable(size)) return std::nullopt;
    return measureFrame(source, size);
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
            return measureFrame(*reduced, size);
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
