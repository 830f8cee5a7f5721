#include "engine/analysis/HorizonDetector.h"

// The frame is reduced to about 240000 grey values with its aspect ratio kept
// (stretching it to a fixed shape would change every angle). Straight
// segments are read first: the verticals' lean at the centre column, and a
// level line spanning most of the width (or, when none does, a soft horizon
// where the tone steps between calm regions across the whole width), which
// decides unless it disagrees with the verticals (then it is a receding edge)
// or the long level lines fan out as a road's edges and rails do (then none of
// them is the horizon, and without a soft horizon or verticals the frame has
// no line to level on). A soft horizon decides over a long level line that
// disagrees with it: such a line recedes towards the horizon (a jetty's seam,
// a deck's boards). The segments are read at several scales of the
// segment detector and the readings' median taken: which segments it finds,
// and so which ones the fits keep or drop, changes with the scale, and a
// reading one scale tips (a limb taken for a vertical, a door frame dropped)
// is outvoted by the others; a reading most scales do not share within a
// degree is none. The votes below give way to a long straight segment at
// another tilt than theirs: the frame then holds long lines at several tilts
// (a bridge's deck, cloud streaks) and which is level cannot be told.
// Verticals that hold only a small share of the frame's steep segments are
// texture (grass, reeds) and do not count. Without either, edge
// pixels vote for lines of every tilt. Edge pixels are
// those that stand out from the frame's own calm parts, so a faint horizon in
// a calm frame counts as fully as a hard one; each votes only with its
// position, the way its edge runs and the side its tone steps to, not with
// its strength. For every tilt within 20 degrees the votes are summed, signed,
// along the straight lines of that tilt (near-horizontal and near-vertical
// ones alike): a long line across the frame, or many parallel trunks and
// walls, sums to its full length, while texture (reeds, grass, planks) points
// every way and cancels. The tilt whose lines line up best, refined to a
// fiftieth of a degree, is the frame's tilt, when it stands clearly above
// what texture gives at other tilts.

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
constexpr double kPreBlurSigma = 1.0;
constexpr double kMaxTilt = 20.0;
// An edge pixel votes for lines within this many degrees of its own orientation.
constexpr double kOrientationGate = 12.0;
constexpr double kFlatPreference = 0.3;
constexpr double kCoarseStep = 0.25, kFineStep = 0.02, kFineReach = 0.3;
// The peak must outdo the median tilt (what texture alone gives) this many
// times, by the squared length of a line across this share of the frame's
// longer side.
constexpr double kMinRatio = 3.0, kMinExcess = 0.25;
// The verticals' fit must hold this share of the steep segments' length.
constexpr double kMinFittedShare = 0.25;
constexpr double kMinVertical = 0.08, kMinVerticalTotal = 0.6, kHorizonSpan = 0.5;
// Long level lines that fan out: at least this many spanning this share of the
// width, their row in the frame explaining this share of their tilts' spread,
// which is at least this many degrees (well above a segment's own precision).
constexpr int kFanLines = 4;
constexpr double kFanSpan = 0.3, kFanExplained = 0.5, kFanSpread = 1.0;
// A level line and the verticals within this many degrees of each other agree.
constexpr double kAgreement = 1.0;
// A straight level segment spanning this share of the width that lies this
// many degrees off the votes' tilt conflicts with them (a smaller difference
// would not turn the frame visibly wrong either way).
constexpr double kConflictSpan = 0.25, kConflict = 1.5;
// Share of the verticals' spread of lean a pencil must explain to be fitted.
constexpr double kPencilShare = 0.3;
// How far beyond the columns its verticals cover a pencil may be read, as a
// share of the width they cover.
constexpr double kPencilReach = 0.5;
constexpr double kUnseenTilt = 0.3;
// A horizon between calm regions: the frame is cut into this many column
// strips, of which this many must step at one line, by at least this many grey
// levels (a smaller step is the 8-bit rounding's).
constexpr int kStrips = 12, kCalmStrips = 10;
constexpr double kMinCalmStep = 2.0;
// Scales at which the segment detector reads the frame (1 is the analysis size).
constexpr std::array kSegmentScales{0.8, 0.85, 0.9, 0.95, 1.0};

double degrees(double radians) { return radians * 180.0 / std::numbers::pi; }
double radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

// To a tenth of a degree, +0 for -0. A tilt under kUnseenTilt counts as level:
// on real photographs the measurement itself is only that precise (a line's
// angle read to a pixel over a few hundred), and a viewer does not see a
// horizon off by less than about half a degree, so turning the frame by such
// a reading would only move it by the detector's own noise.
double roundToTenth(double value) {
    if (std::abs(value) < kUnseenTilt) return 0.0;
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

// The levelling angle measured on a frame reduced to the analysis size (grey, CV_32F).
std::optional<double> measureGrey(const cv::Mat& grey, const Votes& votes) {
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
    return roundToTenth(-tilt);
}

// The tilt (counter-clockwise, degrees) of the level line whose straight
// segment lies near `roughTilt`: the segment's own angle is coarse, the
// row-wise line coherence near it is finer.
double refinedLevelTilt(const Votes& votes, double roughTilt) {
    std::vector<float> profile;
    double best = -1, bestTilt = roughTilt;
    for (double t = roughTilt - kFineReach; t <= roughTilt + kFineReach + 1e-9; t += kFineStep) {
        const double c = coherence(votes, t, profile, 1, 0);
        if (c > best) {
            best = c;
            bestTilt = t;
        }
    }
    return bestTilt;
}

// A near-vertical straight segment: the column where its line crosses the
// centre row (a share of the width from the centre), its tilt and its length.
struct Lean {
    double u, tilt, weight;
};

// The lean of the verticals at the centre column. Looking up or down makes
// verticals converge on one point, so the tangent of each one's lean grows in
// proportion to the column where it crosses the centre row (the lean itself
// does not, once it is steep); only the camera's roll leans the centre's own
// vertical. Segments off the fit are dropped step by step.
std::optional<double> verticalsTilt(const std::vector<Lean>& leans, double height, double* fitted = nullptr) {
    if (leans.size() < 3) return std::nullopt;
    double a = 0, b = 0;
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
        if (beyond > kPencilReach * (last - first)) b = 0.0;
        a = mt - b * mu;
        const double reach = round < 2 ? 3.0 : 1.0;
        std::size_t count = 0;
        double keptLength = 0;
        for (std::size_t i = 0; i < leans.size(); ++i) {
            kept[i] = std::abs(leans[i].tilt - degrees(std::atan(a + b * leans[i].u))) <= reach;
            count += kept[i];
            keptLength += kept[i] ? leans[i].weight : 0;
        }
        if (count < 3 || keptLength < kMinVerticalTotal * height) return std::nullopt;
        if (fitted) *fitted = keptLength;
    }
    // A pencil fitted on leans off to one side can reach the centre column at
    // any lean; one beyond the range measured is no reading.
    if (std::abs(degrees(std::atan(a))) > kMaxTilt) return std::nullopt;
    return degrees(std::atan(a));
}

// A long near-level segment: the row where its line crosses the centre column
// (a share of the height), the tangent of its tilt and its length.
struct LevelLine {
    double row, slope, length;
};

// Whether the long level lines fan out as the edges of a road, its rails or
// furrows do, receding towards a vanishing point: their tilt changes steadily
// with their height in the frame, by more than their measurement would.
// None of them shows the horizon then.
bool fansOut(const std::vector<LevelLine>& lines) {
    if (lines.size() < std::size_t(kFanLines)) return false;
    double sw = 0, sr = 0, st = 0, srr = 0, srt = 0, stt = 0;
    for (const LevelLine& l : lines) {
        sw += l.length; sr += l.length * l.row; st += l.length * l.slope;
        srr += l.length * l.row * l.row; srt += l.length * l.row * l.slope; stt += l.length * l.slope * l.slope;
    }
    const double mr = sr / sw, mt = st / sw;
    const double rows = srr / sw - mr * mr, both = srt / sw - mr * mt, slopes = stt / sw - mt * mt;
    if (rows <= 1e-12 || slopes <= 1e-12) return false;
    return both * both / (rows * slopes) >= kFanExplained && degrees(std::atan(std::sqrt(slopes))) >= kFanSpread;
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
SegmentReading measureSegments(const cv::Mat& bytes, const Votes& votes, std::optional<double> calm, double scale) {
    std::vector<cv::Vec4f> lines;
    cv::createLineSegmentDetector(cv::LSD_REFINE_STD, scale)->detect(bytes, lines);
    const double w = bytes.cols, h = bytes.rows, cx = w / 2, cy = h / 2;
    std::vector<Lean> leans;
    std::vector<LevelLine> levelLines;
    double longestLevel = 0, levelTilt = 0;
    double steepLength = 0;
    for (const cv::Vec4f& l : lines) {
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
        if (length >= kFanSpan * w) levelLines.push_back({(l[1] + (cx - l[0]) * dy / dx) / h, std::tan(radians(tilt)), length});
        if (length > longestLevel) {
            longestLevel = length;
            levelTilt = tilt;
        }
    }
    double fitted = 0;
    std::optional<double> upright = verticalsTilt(leans, h, &fitted);
    // Texture: grass and reeds give many steep segments that point every way,
    // of which one lean holds only a small share; walls and trunks stand
    // mostly one way.
    if (fitted < kMinFittedShare * steepLength) upright.reset();
    const bool receding = fansOut(levelLines);
    std::optional<double> level;
    if (longestLevel >= kHorizonSpan * w && !receding) level = refinedLevelTilt(votes, levelTilt);
    // A soft horizon across the whole width that the long line disagrees
    // with: the line recedes towards it (deck boards, a jetty, a road's edge).
    if (!level || (calm && std::abs(*level - *calm) > kAgreement)) level = calm;
    std::optional<double> tilt = level ? level : upright;
    if (level && upright && std::abs(*level - *upright) > kAgreement) tilt = upright;
    const double levelLength = longestLevel / w;
    if (!tilt) return {std::nullopt, receding, levelLength, levelTilt};
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

std::optional<double> measureFrame(const cv::Mat& grey) {
    const Votes votes = edgeVotes(grey);
    const std::optional<double> calm = calmHorizonTilt(grey);
    cv::Mat bytes;
    grey.convertTo(bytes, CV_8U);
    std::array<SegmentReading, kSegmentScales.size()> readings;
    cv::parallel_for_(cv::Range(0, int(readings.size())), [&](const cv::Range& range) {
        for (int i = range.start; i < range.end; ++i)
            readings[std::size_t(i)] = measureSegments(bytes, votes, calm, kSegmentScales[std::size_t(i)]);
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
    // The segments say nothing clear at most scales: the votes decide, unless
    // a long straight line of the frame runs at another tilt than theirs. Then
    // the frame holds long lines at more than one tilt (a bridge's deck, cloud
    // streaks, rails), and which of them is level cannot be told.
    if (2 * decided <= readings.size()) {
        const std::optional<double> voted = measureGrey(grey, votes);
        if (voted && longest->levelLength >= kConflictSpan && std::abs(*voted + longest->levelTilt) > kConflict) return std::nullopt;
        return voted;
    }
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

bool measurable(cv::Size size) { return size.width >= 16 && size.height >= 16; }

}  // namespace

std::optional<double> measureHorizonAngle(const RgbaView& bitmap) {
    const cv::Mat source = analysis::wrap(bitmap);
    if (source.empty()) return std::nullopt;
    const cv::Size size = analysis::sizeForArea(source.cols, source.rows, kAnalysisArea);
    if (!measurable(size)) return std::nullopt;
    return measureFrame(analysis::greyAtSize(source, size));
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
            return measureFrame(analysis::greyAtSize(*reduced, size));
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
