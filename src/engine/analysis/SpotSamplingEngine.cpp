#include "engine/analysis/SpotSamplingEngine.h"

// The search looks at the frame through a square of 8.4 spot radii around
// the spot, shrunk (or enlarged) to 16 ... 256 pixels a side, as if it were
// drawn into a small bitmap filled with black where the square leaves the
// frame. Everything is in top-down image coordinates, the frame in which the
// spot and its offset are given. Sample distances are scaled with that small
// bitmap, so large spots keep every sample inside it.

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>

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

private:
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

}  // namespace

Point findBestSource(double cx, double cy, double r, const Bitmap* image, std::span<const Spot> spots) {
    const bool whole = image && image->width > 0 && image->height > 0 &&
                       image->pixels.size() >= std::size_t(image->width) * std::size_t(image->height) * 4;
    if (!whole) return findBestSource(cx, cy, r, PixelsView{}, spots);
    const PixelsView view{image->pixels.data(), image->width, image->height, std::size_t(image->width) * 4};
    return findBestSource(cx, cy, r, view, spots);
}

Point findBestSource(double cx, double cy, double r, const PixelsView& image, std::span<const Spot> spots) {
    const bool hasImage = !image.empty();
    const double W = hasImage ? image.width : kDefaultWidth;
    const double H = hasImage ? image.height : kDefaultHeight;
    const double S = std::min(W, H);
    const double R = std::max(r * S, kMinRadiusPixels);
    const double px = cx * W, py = cy * H;

    std::vector<Candidate> candidates;
    for (double f : kRings)
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
    if (!hasImage || candidates.empty()) return fallbackOffset(spots, cx, cy, r);

    const auto offsetOf = [&](const Candidate& c) { return Point{c.dx / W, c.dy / H}; };
    const double half = kRegionHalf * R;
    const Region region(image, px - half, py - half, 2.0 * half);
    const double k = region.scale();
    const double bc = region.size() / 2.0;

    Samples around;
    for (int i = 0; i < 16; ++i) {
        const double a = i * std::numbers::pi / 8.0;
        around.add(region.sample(bc + 1.25 * R * k * std::cos(a), bc + 1.25 * R * k * std::sin(a)));
    }
    if (around.count == 0) return offsetOf(candidates.front());
    const Rgb target = around.mean();

    std::optional<std::size_t> best;
    double bestScore = std::numeric_limits<double>::infinity();
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
        if (score < bestScore) {
            bestScore = score;
            best = i;
        }
    }
    return offsetOf(candidates[best.value_or(0)]);
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
