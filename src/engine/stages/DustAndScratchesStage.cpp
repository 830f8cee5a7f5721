#include "engine/stages/DustAndScratchesStage.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <vector>

#include "engine/filters/Blends.h"
#include "engine/core/FilterMath.h"
#include "engine/filters/Generators.h"

namespace vantrel {

namespace {

// Screen, all four components at once, as 1 − (1 − layer)(1 − frame): an opaque frame stays
// exactly opaque (the sum-minus-product form can round its alpha off 1, which sends every
// pixel down the encoder's slower path for translucent colour).
inline kernels::Float4 screenOver(kernels::Float4 layer, kernels::Float4 frame) {
    return 1.0f - (1.0f - layer) * (1.0f - frame);
}

// ---- dust pattern ---------------------------------------------------------------------------

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
                kernels::store4(out, screenOver(layer, frame));
            }
        },
        PointwiseOptions{e});
}

// ---- light leak -----------------------------------------------------------------------------

struct Point2 {
    double x, y;
};

// A leak's gradient, in coordinates relative to the frame's bottom-left corner: colour 0 at the
// start (within radius 0 of the centre, or at point 0), colour 1 beyond the end (radius 1, or
// point 1), linear in between.
struct LeakRamp {
    bool radial = true;
    Point2 p0{}, p1{};      // centre (radial) or start and end (linear)
    double r0 = 0, r1 = 0;  // radial
    WorkingColor c0, c1;    // premultiplied
};

std::optional<LeakRamp> leakRamp(const Rect& e, LightLeakStyle style, double intensity, LightLeakPosition position) {
    const double w = double(e.width), h = double(e.height);
    const double i = std::clamp(intensity, 0.0, 1.0);
    const auto at = [&](double fx, double fy) { return Point2{fx * w, fy * h}; };
    using P = LightLeakPosition;
    const auto radial = [](Point2 c, double r0, double r1, WorkingColor c0) {
        return LeakRamp{true, c, {}, r0, r1, c0, {}};
    };
    const auto linear = [](Point2 p0, Point2 p1, WorkingColor c0, WorkingColor c1) {
        return LeakRamp{false, p0, p1, 0, 0, c0, c1};
    };
    switch (style) {
        case LightLeakStyle::warmCorner: {
            const Point2 c = position == P::left    ? at(0, 1)
                             : position == P::right ? at(1, 1)
                             : position == P::top   ? at(0.5, 1)
                                                    : at(0, 0);
            return radial(c, 10, std::max(w, h) * 0.65, color::workingFromSRGB(1.0, 0.45, 0.1, i * 0.9));
        }
        case LightLeakStyle::sideStreak: {
            const WorkingColor c0 = color::workingFromSRGB(1.0, 0.38, 0.08, i * 0.85);
            switch (position) {
                case P::left: return linear(at(0, 0.5), at(0.42, 0.5), c0, {});
                case P::right: return linear(at(1, 0.5), at(0.58, 0.5), c0, {});
                case P::top: return linear(at(0.5, 1), at(0.5, 0.58), c0, {});
                case P::bottom: return linear(at(0.5, 0), at(0.5, 0.42), c0, {});
            }
            break;
        }
        case LightLeakStyle::rainbowBurn: {
            const WorkingColor c0 = color::workingFromSRGB(1.0, 0.2, 0.6, i * 0.8);
            const WorkingColor c1 = color::workingFromSRGB(1.0, 0.8, 0.1, 0.0);
            switch (position) {
                case P::left: return linear(at(0, 0.8), at(0.5, 0.2), c0, c1);
                case P::right: return linear(at(1, 0.8), at(0.5, 0.2), c0, c1);
                case P::top: return linear(at(0.2, 1), at(0.8, 0.5), c0, c1);
                case P::bottom: return linear(at(0.2, 0), at(0.8, 0.5), c0, c1);
            }
            break;
        }
        case LightLeakStyle::vintageFlare: {
            const Point2 c = position == P::left    ? at(0.1, 0.5)
                             : position == P::right ? at(0.9, 0.5)
                             : position == P::top   ? at(0.5, 0.9)
                                                    : at(0.5, 0.1);
            return radial(c, 20, std::max(w, h) * 0.75, color::workingFromSRGB(0.95, 0.28, 0.12, i * 0.8));
        }
        case LightLeakStyle::none: break;
    }
    return std::nullopt;
}

// The leak's gradient screened over the frame in one pass. Positions are taken relative to the
// frame's corner, so the leak does not depend on where the frame lies in the plane.
Image screenedLeak(const Image& frame, const LeakRamp& ramp) {
    const Rect e = frame.extent();
    using kernels::Float4;
    const Float4 c0{ramp.c0.r, ramp.c0.g, ramp.c0.b, ramp.c0.a};
    const Float4 dc = Float4{ramp.c1.r, ramp.c1.g, ramp.c1.b, ramp.c1.a} - c0;
    // t = (distance − r0) · k, or the projection onto the segment (dx, dy scaled by its length²).
    double k = 0, dx = 0, dy = 0;
    bool step = false;
    if (ramp.radial) {
        step = ramp.r1 == ramp.r0;
        k = step ? 0.0 : 1.0 / (ramp.r1 - ramp.r0);
    } else {
        const double ex = ramp.p1.x - ramp.p0.x, ey = ramp.p1.y - ramp.p0.y, len2 = ex * ex + ey * ey;
        if (len2 >= 1e-12) {
            dx = ex / len2;
            dy = ey / len2;
        }
    }
    return Image::pointwise(
        {frame},
        [ramp, e, c0, dc, k, dx, dy, step](const RowSpan& s, const float* const* in, float* out) {
            const float* f = in[0];
            const double py = double(s.y - e.y) + 0.5;
            const double px = double(s.x - e.x) + 0.5;
            // t of each pixel, four at a time.
            const auto tAt = [&](int i) -> Float4 {
                const Float4 lane{0.0f, 1.0f, 2.0f, 3.0f};
                Float4 t;
                if (ramp.radial) {
                    const Float4 ux = float(px - ramp.p0.x) + (float(i) + lane);
                    const float uy = float(py - ramp.p0.y);
                    const Float4 d2 = ux * ux + uy * uy;
                    Float4 d;
                    for (int j = 0; j < 4; ++j) d[j] = std::sqrt(d2[j]);
                    if (step) return kernels::select(d < float(ramp.r0), Float4{}, kernels::splat(1.0f));
                    t = (d - float(ramp.r0)) * float(k);
                } else {
                    const double base = (px - ramp.p0.x) * dx + (py - ramp.p0.y) * dy;
                    t = float(base) + (float(i) + lane) * float(dx);
                }
                return kernels::minOf(kernels::maxOf(t, Float4{}), kernels::splat(1.0f));
            };
            for (int i = 0; i < s.count; i += 4) {
                const Float4 t = tAt(i);
                const int n = std::min(4, s.count - i);
                for (int j = 0; j < n; ++j) {
                    const Float4 layer = c0 + t[j] * dc;
                    const Float4 fv = kernels::load4(f + 4 * (i + j));
                    kernels::store4(out + 4 * (i + j), screenOver(layer, fv));
                }
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

namespace FilmPhysicsEngine {

Image lightLeakGradient(const Rect& e, LightLeakStyle style, double intensity, LightLeakPosition position) {
    const std::optional<LeakRamp> ramp = leakRamp(e, style, intensity, position);
    if (!ramp) return Image::constant({});
    const double ox = double(e.x), oy = double(e.y);
    if (ramp->radial) {
        RadialGradientParameters g;
        g.centerX = ox + ramp->p0.x;
        g.centerY = oy + ramp->p0.y;
        g.radius0 = ramp->r0;
        g.radius1 = ramp->r1;
        g.color0 = ramp->c0;
        g.color1 = ramp->c1;
        return radialGradient(g);
    }
    LinearGradientParameters g;
    g.point0x = ox + ramp->p0.x;
    g.point0y = oy + ramp->p0.y;
    g.point1x = ox + ramp->p1.x;
    g.point1y = oy + ramp->p1.y;
    g.color0 = ramp->c0;
    g.color1 = ramp->c1;
    return linearGradient(g);
}

Image applyLightLeak(const Image& frame, LightLeakStyle style, double intensity, LightLeakPosition position) {
    const Rect& e = frame.extent();
    if (style == LightLeakStyle::none || !(intensity >= 0.01)) return frame;
    if (!e.isFinite() || e.width <= 1 || e.height <= 1) return frame;
    const std::optional<LeakRamp> ramp = leakRamp(e, style, intensity, position);
    return ramp ? screenedLeak(frame, *ramp) : frame;
}

Image applyDustAndScratches(const Image& frame, double amount, double scratchesDensity, double dustSize) {
    return applyDustAndScratches(frame, amount, scratchesDensity, dustSize, DustAndScratchesCache::shared());
}

Image applyDustAndScratches(const Image& frame, double amount, double scratchesDensity, double dustSize,
                            DustAndScratchesCache& cache) {
    const Rect& e = frame.extent();
    if (!(amount >= 0.005) || !e.isFinite() || e.width <= 1 || e.height <= 1) return frame;
    DustPattern pattern = cache.pattern(DustPatternShape::from(dustSize, scratchesDensity));
    return screenedPattern(frame, std::move(pattern), float(std::min(amount, 1.0) * 0.55));
}

}  // namespace FilmPhysicsEngine
}  // namespace vantrel
