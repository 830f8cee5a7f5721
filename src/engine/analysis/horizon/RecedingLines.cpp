#include "engine/analysis/horizon/RecedingLines.h"

#include <algorithm>

namespace vantrel::horizon {
namespace {

// The line segment detector draws a long straight edge to within about half a
// degree of its direction; a short one to about a pixel over its length.
constexpr double kSegmentPrecision = 0.5;

// A fan: at least four long lines through one point. Two lines meet
// somewhere always, and three may by chance in a frame of many edges (a
// window's frame under a roof's edge); four from below through one point are
// the receding lines of one ground.
constexpr int kFanLines = 4;
// Their tilt changes with their row in the frame (a line further below the
// horizon is tilted more), explaining at least half of their tilts' spread,
// which exceeds what a segment's precision gives several level lines: a degree.
constexpr double kFanExplained = 0.5, kFanSpread = 1.0;

// Segments traced to a fan's point: at least a tenth of the width long (a
// shorter one's direction, known to a pixel over its length, points too
// loosely to be traced to a point across the frame) and within 45 degrees of
// level (steeper ones are the verticals' to read).
constexpr double kFanMinLength = 0.1, kFanMaxSlope = 45.0;
// Only the longest segments are tried, pairs of them as the point: a fan's
// lines are among the longest in the frame, and the search grows with the
// cube of their number.
constexpr std::size_t kFanCandidates = 40;
// The lines through the point spread over two degrees at least (lines closer
// than that in tilt are one set of parallels, which meet anywhere far off)
// and are three widths long together (the ground they cover, not a corner of it).
constexpr double kFanRange = 2.0, kFanWeight = 3.0;

// Lines meet at a fan's point no further to the side than this many widths
// from the centre. Lines that meet further off run within a few degrees of
// parallel across the whole frame: the courses of a wall or a house's planks
// seen a little from the side, whose own tilts differ by no more than their
// building's, not a ground receding.
constexpr double kFanReach = 4.0;
// Along the horizon a point is known the less precisely the more nearly
// parallel the lines are that cross there: the error grows with the square of
// its distance. Beyond this many widths from the centre it is known too
// loosely to pin the horizon's tilt (a line through it may be any of several
// degrees), though its lines still recede.
constexpr double kFarToTheSide = 2.5;

// Planks or courses seen square on: at least four long lines parallel to
// within a segment's precision of their tilt. Edges that happen to run
// alike come in twos and threes (a table's two sides, a shelf); repeated
// boards, bricks or steps come in more.
constexpr int kParallelPlanks = 4;
constexpr double kParallelTolerance = 0.3;

struct Segment {
    cv::Point2d a, b;
    double length, tilt;
};

// Whether segment `s` runs through `p`: its direction and the one from its
// middle to `p` agree within what a segment of its length can be measured to.
bool through(const Segment& s, cv::Point2d p) {
    const cv::Point2d m = 0.5 * (s.a + s.b), d = s.b - s.a, e = p - m;
    const double sine = std::abs(d.x * e.y - d.y * e.x) / (s.length * std::max(cv::norm(e), 1e-9));
    return sine <= std::max(std::sin(radians(kSegmentPrecision)), 1.0 / s.length);
}

}  // namespace

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

bool parallelPlanks(const std::vector<LevelLine>& lines, double tilt) {
    const auto parallel = [&](const LevelLine& l) { return std::abs(degrees(std::atan(l.slope)) - tilt) <= kParallelTolerance; };
    return std::count_if(lines.begin(), lines.end(), parallel) >= kParallelPlanks;
}

bool farToTheSide(Point p) { return std::abs(p.x - 0.5) > kFarToTheSide; }

std::optional<Point> vanishingPoint(const std::vector<cv::Vec4f>& lines, cv::Size size, std::vector<bool>& member) {
    member.assign(lines.size(), false);
    std::vector<Segment> segments;
    for (const cv::Vec4f& l : lines) {
        const cv::Point2d a(l[0], l[1]), b(l[2], l[3]);
        const double length = cv::norm(b - a), tilt = degrees(std::atan(-(b.y - a.y) / (b.x - a.x)));
        if (length >= kFanMinLength * size.width && std::abs(tilt) <= kFanMaxSlope) segments.push_back({a, b, length, tilt});
    }
    std::sort(segments.begin(), segments.end(), [](const Segment& p, const Segment& q) { return p.length > q.length; });
    if (segments.size() > kFanCandidates) segments.resize(kFanCandidates);
    double bestWeight = 0;
    std::optional<cv::Point2d> best;
    for (std::size_t i = 0; i < segments.size(); ++i)
        for (std::size_t j = i + 1; j < segments.size(); ++j) {
            const cv::Point2d d1 = segments[i].b - segments[i].a, d2 = segments[j].b - segments[j].a;
            const double den = d1.x * d2.y - d1.y * d2.x;
            if (std::abs(den) < 1e-9 * segments[i].length * segments[j].length) continue;
            const cv::Point2d r = segments[j].a - segments[i].a;
            const cv::Point2d p = segments[i].a + d1 * ((r.x * d2.y - r.y * d2.x) / den);
            // The horizon a floor recedes to lies within the frame's height, since
            // the ground it covers is seen below it.
            if (p.y < 0 || p.y > size.height || std::abs(p.x / size.width - 0.5) > kFanReach) continue;
            int count = 0;
            double weight = 0, low = 90, high = -90;
            for (const Segment& s : segments)
                if (0.5 * (s.a.y + s.b.y) > p.y && through(s, p)) {
                    ++count;
                    weight += s.length;
                    low = std::min(low, s.tilt);
                    high = std::max(high, s.tilt);
                }
            if (count >= kFanLines && high - low >= kFanRange && weight >= kFanWeight * size.width && weight > bestWeight) {
                bestWeight = weight;
                best = p;
            }
        }
    if (!best) return std::nullopt;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const cv::Point2d a(lines[k][0], lines[k][1]), b(lines[k][2], lines[k][3]);
        member[k] = through({a, b, std::max(cv::norm(b - a), 1e-9), 0}, *best);
    }
    return Point{best->x / size.width, best->y / size.height};
}

}  // namespace vantrel::horizon
