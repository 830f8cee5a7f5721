#include "engine/analysis/SpotSamplingEngine.h"

// The search looks at the frame through a square of 8.4 spot radii around
// the spot, shrunk (or enlarged) to 16 ... 256 pixels a side, as if it were
// drawn into a small bitmap filled with black where the square leaves the
// frame. Everything is in top-down image coordinates, the frame in which the
// spot and its offset are given. Sample distances are scaled with that small
// bitmap, so large spots keep every sample inside it.
//
// A place that holds dust itself is no source: a patch copied from there
// would carry its speck over the healed one. Specks are found on a coarser
// map of a wider square (see Specks); a clean place is preferred, and one
// far enough from every speck that the source's handle leaves the speck free
// for the next click; where no place of the two rings is clean, two outer
// rings are tried before the least dusty place is taken.

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <utility>
#include <vector>

#include "engine/core/FilterMath.h"

namespace vantrel::SpotSamplingEngine {
namespace {

constexpr double kMinRadiusPixels = 6.0;
constexpr std::array<double, 2> kRings = {2.2, 3.5};
constexpr int kAngles = 12;
constexpr double kEdgeMargin = 1.15;
constexpr double kRegionHalf = 4.2;
constexpr int kMinBitmap = 16;
constexpr int kMaxBitmap = 256;
constexpr double kRingPenalty = 0.06;
constexpr double kVariancePenalty = 0.8;
// Frame assumed when there is no picture.
constexpr double kDefaultWidth = 2400.0, kDefaultHeight = 1600.0;
// Tried only when no place on the two rings is clean.
constexpr std::array<double, 2> kOuterRings = {5.0, 6.5};
// A source is clean when no speck lies within its patch (a little beyond, for
// the feathered edge), and clear when none lies within this many radii: the
// handle drawn at a small source reaches about that far.
constexpr double kPatchReach = 1.15;
constexpr double kClearReach = 2.5;
// A speck: darker or brighter, by this much luminance, than everything around
// it at a distance of these fractions of the spot's radius.
constexpr double kSpeckContrast = 0.06;
constexpr std::array<double, 2> kSpeckScales = {0.35, 0.7};
constexpr int kSpeckRing = 12;
constexpr int kMaxSpeckMap = 192;

struct Candidate {
    double dx, dy;  // pixels, y down
    double ring;
};

struct Rgb {
    double r = 0, g = 0, b = 0;
};

// The region of the frame (top-down pixels) seen through a small bitmap of
// `size` pixels a side; reads bitmap pixels without making the bitmap.
class Region {
public:
    Region(const PixelsView& image, double left, double top, double side)
        : image_(image), left_(left), top_(top),
          size_(std::clamp(int(std::min(side, double(kMaxBitmap + 1))), kMinBitmap, kMaxBitmap)),
          pixel_(side / size_) {}

    int size() const { return size_; }
    double scale() const { return 1.0 / pixel_; }

    // The bitmap pixel nearest to (x, y), or nothing outside the bitmap.
    std::optional<Rgb> sample(double x, double y) const {
        const double ix = std::round(x), iy = std::round(y);
        if (!(ix >= 0 && iy >= 0 && ix <= size_ - 1 && iy <= size_ - 1)) return std::nullopt;
        return pixel(int(ix), int(iy));
    }

    // A bitmap pixel: the mean of the frame pixels it covers (at least the
    // one under its centre), black beyond the frame.
    Rgb pixel(int ix, int iy) const {
        const double cx = left_ + (ix + 0.5) * pixel_, cy = top_ + (iy + 0.5) * pixel_;
        const int span = std::max(1, int(std::lround(pixel_)));
        const int x0 = int(std::floor(cx - 0.5 * span + 0.5)), y0 = int(std::floor(cy - 0.5 * span + 0.5));
        Rgb sum;
        for (int y = y0; y < y0 + span; ++y) {
            if (y < 0 || y >= image_.height) continue;
            for (int x = x0; x < x0 + span; ++x) {
                if (x < 0 || x >= image_.width) continue;
                const std::uint8_t* p = image_.at(x, y);
                sum.r += p[0];
                sum.g += p[1];
                sum.b += p[2];
            }
        }
        const double n = 255.0 * span * span;
        return {sum.r / n, sum.g / n, sum.b / n};
    }

private:
    const PixelsView& image_;
    double left_, top_;
    int size_;
    double pixel_;  // frame pixels per bitmap pixel
};

struct Samples {
    Rgb sum, sumSquares;
    int count = 0;
    void add(const std::optional<Rgb>& c) {
        if (!c) return;
        sum.r += c->r;
        sum.g += c->g;
        sum.b += c->b;
        sumSquares.r += c->r * c->r;
        sumSquares.g += c->g * c->g;
        sumSquares.b += c->b * c->b;
        ++count;
    }
    Rgb mean() const { return {sum.r / count, sum.g / count, sum.b / count}; }
    // Mean squared distance of the samples from their mean colour.
    double variance() const {
        const Rgb m = mean();
        const double v = (sumSquares.r + sumSquares.g + sumSquares.b) / count - (m.r * m.r + m.g * m.g + m.b * m.b);
        return std::max(v, 0.0);
    }
};


// Where a square of the frame holds specks: small spots darker or brighter
// than everything around them, as dust and its like are. Read through a map
// of at most kMaxSpeckMap cells a side, each the luminance of a few frame
// pixels, softened over its neighbours so that film grain is no speck. A
// cell is a speck's when it stands out, by kSpeckContrast, from every cell
// of a ring around it at one of two distances: a scene's edge or gradient
// has cells on both sides of it on such a ring, a speck smaller than the ring
// has none. Cells beyond the frame are not read and take no part.
class Specks {
public:
    Specks(const PixelsView& image, double cx, double cy, double half, double R)
        : left_(cx - half), top_(cy - half),
          n_(std::clamp(int(2.0 * half), kMinBitmap, kMaxSpeckMap)), cell_(2.0 * half / n_),
          speck_(std::size_t(n_) * std::size_t(n_), false) {
        const std::size_t cells = std::size_t(n_) * std::size_t(n_);
        std::vector<float> raw(cells, kNone), soft(cells, kNone);
        const int sub = std::clamp(int(cell_), 1, 3);  // frame pixels read per cell and axis
        for (int iy = 0; iy < n_; ++iy)
            for (int ix = 0; ix < n_; ++ix) {
                double sum = 0;
                int count = 0;
                for (int j = 0; j < sub; ++j)
                    for (int i = 0; i < sub; ++i) {
                        const int x = int(std::floor(left_ + (ix + (i + 0.5) / sub) * cell_));
                        const int y = int(std::floor(top_ + (iy + (j + 0.5) / sub) * cell_));
                        if (x < 0 || y < 0 || x >= image.width || y >= image.height) continue;
                        const std::uint8_t* p = image.at(x, y);
                        sum += kernels::luminance(p[0], p[1], p[2]);
                        ++count;
                    }
                if (count > 0) raw[index(ix, iy)] = float(sum / (255.0 * count));
            }
        for (int iy = 0; iy < n_; ++iy)
            for (int ix = 0; ix < n_; ++ix) {
                if (raw[index(ix, iy)] == kNone) continue;
                double sum = 0;
                int count = 0;
                for (int y = std::max(iy - 1, 0); y <= std::min(iy + 1, n_ - 1); ++y)
                    for (int x = std::max(ix - 1, 0); x <= std::min(ix + 1, n_ - 1); ++x)
                        if (const float v = raw[index(x, y)]; v != kNone) {
                            sum += v;
                            ++count;
                        }
                soft[index(ix, iy)] = float(sum / count);
            }
        for (std::size_t s = 0; s < kSpeckScales.size(); ++s) {
            const double d = std::max(kSpeckScales[s] * R / cell_, 2.0 + double(s));
            std::array<std::pair<int, int>, kSpeckRing> ring;
            for (int k = 0; k < kSpeckRing; ++k) {
                const double a = k * 2.0 * std::numbers::pi / kSpeckRing;
                ring[std::size_t(k)] = {int(std::lround(d * std::cos(a))), int(std::lround(d * std::sin(a)))};
            }
            for (int iy = 0; iy < n_; ++iy)
                for (int ix = 0; ix < n_; ++ix)
                    if (!speck_[index(ix, iy)] && standsOut(soft, ix, iy, ring)) speck_[index(ix, iy)] = true;
        }
    }

    // Speck cells within `reach` frame pixels of the frame point (x, y).
    int near(double x, double y, double reach) const {
        int count = 0;
        visit(x, y, reach, [&](std::size_t i) { count += speck_[i] ? 1 : 0; });
        return count;
    }
    // What lies within `reach` of (x, y) is being healed: no speck for the search.
    void forget(double x, double y, double reach) {
        visit(x, y, reach, [&](std::size_t i) { speck_[i] = false; });
    }

private:
    static constexpr float kNone = -1.0f;

    std::size_t index(int ix, int iy) const { return std::size_t(iy) * std::size_t(n_) + std::size_t(ix); }

    bool standsOut(const std::vector<float>& soft, int ix, int iy,
                   const std::array<std::pair<int, int>, kSpeckRing>& ring) const {
        const float centre = soft[index(ix, iy)];
        if (centre == kNone) return false;
        float lo = 2, hi = -1;
        int count = 0;
        for (const auto& [dx, dy] : ring) {
            const int x = ix + dx, y = iy + dy;
            if (x < 0 || y < 0 || x >= n_ || y >= n_) continue;
            const float v = soft[index(x, y)];
            if (v == kNone) continue;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
            ++count;
        }
        if (count < kSpeckRing * 3 / 4) return false;
        return lo - centre >= kSpeckContrast || centre - hi >= kSpeckContrast;
    }

    template <class Visit>
    void visit(double x, double y, double reach, Visit&& f) const {
        const double gx = (x - left_) / cell_ - 0.5, gy = (y - top_) / cell_ - 0.5;
        const double r = reach / cell_ + 0.5;
        for (int iy = std::max(int(std::floor(gy - r)), 0); iy <= std::min(int(std::ceil(gy + r)), n_ - 1); ++iy)
            for (int ix = std::max(int(std::floor(gx - r)), 0); ix <= std::min(int(std::ceil(gx + r)), n_ - 1); ++ix)
                if (std::hypot(ix - gx, iy - gy) <= r) f(index(ix, iy));
    }

    double left_, top_;
    int n_;
    double cell_;  // frame pixels per cell
    std::vector<bool> speck_;
};

}  // namespace

Point findBestSource(double cx, double cy, double r, const Bitmap* image, std::span<const Spot> spots) {
    const bool whole = image && image->width > 0 && image->height > 0 &&
                       image->pixels.size() >= std::size_t(image->width) * std::size_t(image->height) * 4;
    if (!whole) return findBestSource(cx, cy, r, PixelsView{}, spots);
    const PixelsView view{image->pixels.data(), image->width, image->height, std::size_t(image->width) * 4};
    return findBestSource(cx, cy, r, view, spots);
}

namespace {

// The candidates on `rings` around the spot at (px, py) pixels: inside the
// frame and clear of the other spots' patches.
std::vector<Candidate> candidatesOn(std::span<const double> rings, double px, double py, double R, double W,
                                    double H, double S, std::span<const Spot> spots) {
    std::vector<Candidate> candidates;
    for (double f : rings)
        for (int k = 0; k < kAngles; ++k) {
            const double a = k * std::numbers::pi / 6.0;
            const double dx = R * f * std::cos(a), dy = R * f * std::sin(a);
            const double x = px + dx, y = py + dy;
            if (x < kEdgeMargin * R || x > W - kEdgeMargin * R || y < kEdgeMargin * R || y > H - kEdgeMargin * R)
                continue;
            const bool clear = std::none_of(spots.begin(), spots.end(), [&](const Spot& s) {
                return std::hypot(x - s.center.x * W, y - s.center.y * H) < R + s.radius * S;
            });
            if (clear) candidates.push_back({dx, dy, f});
        }
    return candidates;
}

// The best candidates by score: of those clear of every speck, of those whose
// patch holds none, and of all, the one with the fewest specks in its patch.
struct Choice {
    bool sampled = false;  // the spot's surroundings could be read
    std::optional<std::size_t> clear, clean, leastDusty;
};

Choice choose(const PixelsView& image, double px, double py, double R, double W, double H, double S,
              std::span<const Spot> spots, std::span<const Candidate> candidates, double outerRing) {
    // The region reaches the outer ring's samples (4.2 radii for the two rings).
    const double half = std::max(kRegionHalf, outerRing + 0.7) * R;
    const Region region(image, px - half, py - half, 2.0 * half);
    const double k = region.scale();
    const double bc = region.size() / 2.0;

    Choice choice;
    Samples around;
    for (int i = 0; i < 16; ++i) {
        const double a = i * std::numbers::pi / 8.0;
        around.add(region.sample(bc + 1.25 * R * k * std::cos(a), bc + 1.25 * R * k * std::sin(a)));
    }
    if (around.count == 0) return choice;
    choice.sampled = true;
    const Rgb target = around.mean();

    // The specks of the spot itself and of the other spots are being healed.
    Specks specks(image, px, py, (outerRing + kClearReach + 0.8) * R, R);
    specks.forget(px, py, kPatchReach * R);
    for (const Spot& s : spots)
        specks.forget(s.center.x * W, s.center.y * H, kPatchReach * std::max(s.radius * S, kMinRadiusPixels));

    constexpr double kNone = std::numeric_limits<double>::infinity();
    double bestClear = kNone, bestClean = kNone, bestDusty = kNone;
    int leastDust = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const Candidate& c = candidates[i];
        const double x = bc + c.dx * k, y = bc + c.dy * k;
        Samples patch;
        patch.add(region.sample(x, y));
        for (int j = 0; j < 8; ++j) {
            const double a = j * std::numbers::pi / 4.0;
            patch.add(region.sample(x + 0.6 * R * k * std::cos(a), y + 0.6 * R * k * std::sin(a)));
        }
        if (patch.count < 4) continue;
        const Rgb m = patch.mean();
        const double score = c.ring * kRingPenalty + std::sqrt(std::pow(m.r - target.r, 2) + std::pow(m.g - target.g, 2) +
                                                                std::pow(m.b - target.b, 2)) +
                             kVariancePenalty * std::sqrt(patch.variance());
        // Strictly lower scores replace: on a tie the earlier candidate stays.
        const int dust = specks.near(px + c.dx, py + c.dy, kPatchReach * R);
        if (dust == 0 && score < bestClean) {
            bestClean = score;
            choice.clean = i;
        }
        if (dust == 0 && score < bestClear && specks.near(px + c.dx, py + c.dy, kClearReach * R) == 0) {
            bestClear = score;
            choice.clear = i;
        }
        if (dust < leastDust || (dust == leastDust && score < bestDusty)) {
            leastDust = dust;
            bestDusty = score;
            choice.leastDusty = i;
        }
    }
    return choice;
}

}  // namespace

Point findBestSource(double cx, double cy, double r, const PixelsView& image, std::span<const Spot> spots) {
    const bool hasImage = !image.empty();
    const double W = hasImage ? image.width : kDefaultWidth;
    const double H = hasImage ? image.height : kDefaultHeight;
    const double S = std::min(W, H);
    const double R = std::max(r * S, kMinRadiusPixels);
    const double px = cx * W, py = cy * H;

    const std::vector<Candidate> candidates = candidatesOn(kRings, px, py, R, W, H, S, spots);
    if (!hasImage || candidates.empty()) return fallbackOffset(spots, cx, cy, r);
    const auto offsetOf = [&](const Candidate& c) { return Point{c.dx / W, c.dy / H}; };

    const Choice near = choose(image, px, py, R, W, H, S, spots, candidates, kRings.back());
    if (!near.sampled) return offsetOf(candidates.front());
    if (near.clear) return offsetOf(candidates[*near.clear]);
    // Dust all round: a clear place further out, else the nearest clean one.
    const std::vector<Candidate> further = candidatesOn(kOuterRings, px, py, R, W, H, S, spots);
    const Choice far = further.empty() ? Choice{}
                                       : choose(image, px, py, R, W, H, S, spots, further, kOuterRings.back());
    if (far.clear) return offsetOf(further[*far.clear]);
    if (near.clean) return offsetOf(candidates[*near.clean]);
    if (far.clean) return offsetOf(further[*far.clean]);
    return offsetOf(candidates[near.leastDusty.value_or(0)]);
}

bool holdsSpeck(double cx, double cy, double reach, const PixelsView& image) {
    if (image.empty() || !std::isfinite(cx) || !std::isfinite(cy) || !(reach > 0)) return false;
    const double W = image.width, H = image.height;
    // Specks are told apart at the scale of a spot that covers the reach.
    const double R = std::max(reach * std::min(W, H), kMinRadiusPixels);
    const Specks specks(image, cx * W, cy * H, 2 * R, R);
    return specks.near(cx * W, cy * H, R) > 0;
}

Point fallbackOffset(std::span<const Spot> spots, double cx, double cy, double r) {
    const double d = std::max(r * 2.2, 0.025);
    const double e = 0.707 * d;
    const std::array<Point, 8> offsets = {{{d, 0}, {0, d}, {-d, 0}, {0, -d}, {e, e}, {-e, e}, {-e, -e}, {e, -e}}};
    Point best = offsets[0];
    double bestScore = -std::numeric_limits<double>::infinity();
    for (const Point& o : offsets) {
        const double x = cx + o.x, y = cy + o.y;
        if (!(x >= 1.2 * r && x <= 1.0 - 1.2 * r && y >= 1.2 * r && y <= 1.0 - 1.2 * r)) continue;
        double score = 100.0 * std::min({x, 1.0 - x, y, 1.0 - y});
        for (const Spot& s : spots)
            if (std::hypot(x - s.center.x, y - s.center.y) < r + s.radius) score -= 500.0;
        if (score > bestScore) {
            bestScore = score;
            best = o;
        }
    }
    return best;
}

}  // namespace vantrel::SpotSamplingEngine
