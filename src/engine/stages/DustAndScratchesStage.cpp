#include "engine/stages/DustAndScratchesStage.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <vector>

#include "engine/core/FilterMath.h"
#include "engine/filters/BlendKernels.h"

namespace vantrel {

namespace {

constexpr int kSide = kDustPatternSide;
constexpr int kLast = kSide - 1;
constexpr std::uint64_t kSeed = 0x5EEDF11A9A7C2026ull;
constexpr std::array<int, 5> kScratchColumns{479, 1253, 1730, 792, 1492};

// 64-bit linear congruential generator; each draw yields the upper half of the new state.
class PatternRandom {
public:
    std::uint32_t next() {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return std::uint32_t(state_ >> 32);
    }

private:
    std::uint64_t state_ = kSeed;
};

// Nearest multiple of 0.05 (halves away from zero), held to [lo, hi]; NaN gives hi.
double stepped(double v, double lo, double hi) {
    if (std::isnan(v)) return hi;
    return std::clamp(std::round(std::clamp(v, -1e6, 1e6) * 20.0) / 20.0, lo, hi);
}

std::string shortest(double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    std::string s(buf, r.ptr);
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s;
}

class Pattern {
public:
    Pattern() : bytes_(std::size_t(kSide) * kSide, 0) {}
    void raise(int x, int y, int value) {
        if (x < 0 || x > kLast || y < 0 || y > kLast) return;
        std::uint8_t& p = bytes_[std::size_t(y) * kSide + std::size_t(x)];
        p = std::uint8_t(std::max<int>(p, std::min(value, 255)));
    }
    std::vector<std::uint8_t> take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

void drawSpecks(Pattern& pattern, PatternRandom& random, double d, std::vector<DustSpeck>* specks) {
    const int count = std::max(0, int(((d - 0.5) * 0.4 + 0.8) * 1100.0));
    for (int i = 0; i < count; ++i) {
        const int x = int(random.next() & 2047u);
        const int y = int(random.next() & 2047u);
        const int peak = int(random.next() % 125u) + 130;
        // The integer part of the whole sum: a base of max(0.85 D, 0.6) plus up to 1.65.
        const int radius = int(std::max(d * 0.85, 0.6) + double(random.next() % 100u) / 60.0);
        if (specks) specks->push_back({x, y, peak, radius});
        const double r2 = double(radius) * radius;
        // Only the part of the disc inside the pattern is visited.
        for (int dy = std::max(-radius, -y); dy <= std::min(radius, kLast - y); ++dy)
            for (int dx = std::max(-radius, -x); dx <= std::min(radius, kLast - x); ++dx) {
                const double q = double(dx) * dx + double(dy) * dy;
                if (q > r2) continue;
                pattern.raise(x + dx, y + dy, int(std::min((1.0 - q / (r2 + 1.0)) * peak, 255.0)));
            }
    }
}

void drawFibres(Pattern& pattern, PatternRandom& random) {
    constexpr double kDegree = std::numbers::pi / 180.0;
    for (int f = 0; f < 8; ++f) {
        double x = double(random.next() & 2047u);
        double y = double(random.next() & 2047u);
        double heading = double(random.next() % 360u);
        const int steps = int(random.next() % 40u) + 18;
        const int value = int(random.next() % 110u) + 120;
        for (int i = 0; i < steps; ++i) {
            pattern.raise(int(x), int(y), value);  // integer part, towards zero
            heading += double(int(random.next() % 50u) - 25);
            x += std::cos(heading * kDegree) * 1.3;
            y += std::sin(heading * kDegree) * 1.3;
        }
    }
}

void drawScratches(Pattern& pattern, PatternRandom& random, double s) {
    if (!(s > 0.04)) return;
    const int lines = std::clamp(int(s * 1.4 * 5.0), 1, 5);
    for (int i = 0; i < lines; ++i) {
        const int base = kScratchColumns[std::size_t(i)];
        int c = base;
        for (int y = 0; y < kSide; ++y) {
            if (random.next() % 75u == 0) c = base + int(random.next() % 3u) - 1;
            const int value = int(random.next() % 135u) + 80;
            pattern.raise(c, y, value);
            if (c != kLast) pattern.raise(c + 1, y, value / 2);
        }
    }
}

// The stretched pattern at opacity `opacity`, screened over the frame in one pass: each output
// pixel centre maps to the pattern through the stretch and samples it bilinearly (edges
// repeated, so the layer does not fade at the frame's border); grey values are sRGB-encoded.
Image screenedPattern(const Image& frame, DustPattern pattern, float opacity) {
    const Rect e = frame.extent();
    struct Lut {
        float v[256];
    };
    auto lut = std::make_shared<Lut>();
    for (int i = 0; i < 256; ++i) lut->v[i] = float(color::decodeSRGB(i / 255.0)) * opacity;
    const double sx = double(kSide) / double(e.width), sy = double(kSide) / double(e.height);
    return Image::pointwise(
        {frame},
        [pattern = std::move(pattern), lut = std::shared_ptr<const Lut>(lut), e, sx, sy, opacity](
            const RowSpan& s, const float* const* in, float* out) {
            const std::uint8_t* px = pattern->data();
            const float* v = lut->v;
            // Pattern rows are stored from the top; plane y grows upwards.
            const double qy = double(e.maxY() - s.y) * sy - 0.5 * sy - 0.5;
            const double fy = std::clamp(qy, 0.0, double(kLast));
            const int r0 = std::min(int(fy), kLast - 1);
            const float ty = float(fy - r0);
            const std::uint8_t* top = px + std::size_t(r0) * kSide;
            const std::uint8_t* bottom = top + kSide;
            // Column taps depend on x alone: each thread keeps those of its last span.
            struct Taps {
                std::int64_t x = 0, originX = 0;
                int count = -1;
                double scale = 0;
                std::vector<int> column;
                std::vector<float> weight;
            };
            thread_local Taps taps;
            if (taps.x != s.x || taps.count != s.count || taps.originX != e.x || taps.scale != sx) {
                taps.column.resize(std::size_t(s.count));
                taps.weight.resize(std::size_t(s.count));
                for (int i = 0; i < s.count; ++i) {
                    const double qx = (double(s.x + i - e.x) + 0.5) * sx - 0.5;
                    const double fx = std::clamp(qx, 0.0, double(kLast));
                    const int c0 = std::min(int(fx), kLast - 1);
                    taps.column[std::size_t(i)] = c0;
                    taps.weight[std::size_t(i)] = float(fx - c0);
                }
                taps.x = s.x;
                taps.count = s.count;
                taps.originX = e.x;
                taps.scale = sx;
            }
            const int* column = taps.column.data();
            const float* weight = taps.weight.data();
            const float* f = in[0];
            for (int i = 0; i < s.count; ++i, f += 4, out += 4) {
                const int c0 = column[i];
                const float tx = weight[i];
                const float a = v[top[c0]] + tx * (v[top[c0 + 1]] - v[top[c0]]);
                const float b = v[bottom[c0]] + tx * (v[bottom[c0 + 1]] - v[bottom[c0]]);
                const float g = a + ty * (b - a);  // premultiplied grey of the layer
                const kernels::Float4 layer{g, g, g, opacity};
                const kernels::Float4 frame = kernels::load4(f);
                kernels::store4(out, kernels::screenOver(layer, frame));
            }
        },
        PointwiseOptions{e});
}

}  // namespace

DustPatternShape DustPatternShape::from(double dustSize, double scratchesDensity) {
    return {stepped(dustSize, 0.5, 2.5), stepped(scratchesDensity, 0.0, 1.0)};
}

std::string DustPatternShape::key() const { return shortest(dustSize) + "_" + shortest(scratchesDensity); }

std::vector<std::uint8_t> drawDustPattern(const DustPatternShape& shape, std::vector<DustSpeck>* specks) {
    // Shapes made elsewhere are held to the same ranges, so drawing is always bounded.
    const DustPatternShape s = DustPatternShape::from(shape.dustSize, shape.scratchesDensity);
    Pattern pattern;
    PatternRandom random;
    drawSpecks(pattern, random, s.dustSize, specks);
    drawFibres(pattern, random);
    drawScratches(pattern, random, s.scratchesDensity);
    return pattern.take();
}

DustAndScratchesCache& DustAndScratchesCache::shared() {
    static DustAndScratchesCache cache;
    return cache;
}

DustPattern DustAndScratchesCache::pattern(const DustPatternShape& shape) {
    const std::string key = shape.key();
    std::lock_guard guard(lock_);
    if (cachedPattern_ && lastKey_ == key) return cachedPattern_;
    cachedPattern_ = std::make_shared<const std::vector<std::uint8_t>>(drawDustPattern(shape));
    lastKey_ = key;
    ++draws_;
    return cachedPattern_;
}

std::size_t DustAndScratchesCache::drawCount() const {
    std::lock_guard guard(lock_);
    return draws_;
}

Image applyDustAndScratches(const Image& frame, const DustAndScratchesParameters& p, DustAndScratchesCache& cache) {
    const Rect& e = frame.extent();
    if (!parameterOf(&DustAndScratchesParameters::amount).reaches(p.amount) || !e.isFinite() || e.width <= 1 ||
        e.height <= 1)
        return frame;
    DustPattern pattern = cache.pattern(DustPatternShape::from(p.dustSize, p.scratchesDensity));
    return screenedPattern(frame, std::move(pattern), float(std::min(p.amount, 1.0) * 0.55));
}

}  // namespace vantrel
