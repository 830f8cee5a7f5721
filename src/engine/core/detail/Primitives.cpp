#include "engine/core/detail/Primitives.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#if defined(__AVX2__)
#include <immintrin.h>
#endif

#include "engine/core/FilterMath.h"
#include "engine/core/detail/Lcms.h"

namespace vantrel::detail {

namespace {

using kernels::Float4;
using kernels::load4;
using kernels::store4;

std::shared_ptr<const std::vector<float>> curveLut(const color::CurveTable& curve, int entries) {
    auto lut = std::make_shared<std::vector<float>>(std::size_t(entries));
    const float scale = 1.0f / float(entries - 1);
    // The same arithmetic as converting one value on the fly, so the table changes no output.
    for (int v = 0; v < entries; ++v)
        (*lut)[std::size_t(v)] = entries == 256 ? curve(float(v) / 255.0f) : curve(float(v) * scale);
    return lut;
}

}  // namespace

void prepareSource(SourceData& s) {
    const SourcePixels& p = s.pixels;
    if (p.type == SampleType::float32 || (p.alphaPremultiplied && p.hasAlpha())) return;
    const int entries = p.type == SampleType::uint8 ? 256 : 65536;
    const int curves = p.channels <= 2 ? 1 : 3;
    for (int c = 0; c < curves; ++c) {
        auto lut = curveLut(s.profile.curve(c), entries);
        for (int k = 0; k < c; ++k)
            if (*s.lut[std::size_t(k)] == *lut) lut = s.lut[std::size_t(k)];
        s.lut[std::size_t(c)] = std::move(lut);
    }
    for (int c = curves; c < 3; ++c) s.lut[std::size_t(c)] = s.lut[0];
    if (p.type == SampleType::uint8 && curves == 3) {
        float m[9];
        for (int k = 0; k < 9; ++k) m[k] = float(s.profile.toWorking().m[std::size_t(k)]);
        s.lut8Columns.resize(3 * 256 * 4);
        for (int c = 0; c < 3; ++c)
            for (int v = 0; v < 256; ++v) {
                const float lin = (*s.lut[std::size_t(c)])[std::size_t(v)];
                float* e = s.lut8Columns.data() + (c * 256 + v) * 4;
                e[0] = m[c] * lin;
                e[1] = m[3 + c] * lin;
                e[2] = m[6 + c] * lin;
                e[3] = c == 0 ? 1.0f : 0.0f;
            }
    }
}

namespace {

template <class T>
inline float normalised(T v) {
    if constexpr (std::is_same_v<T, std::uint8_t>) return float(v) * (1.0f / 255.0f);
    else if constexpr (std::is_same_v<T, std::uint16_t>) return float(v) * (1.0f / 65535.0f);
    else return std::isfinite(v) ? v : (v != v ? 0.0f : (v > 0 ? 3.0e38f : -3.0e38f));
}

template <class T>
void convertRow(const SourceData& s, const T* in, int n, float* out) {
    const SourcePixels& p = s.pixels;
    const int ch = p.channels;
    const bool grey = ch <= 2;
    const bool alpha = p.hasAlpha();
    const bool premul = p.alphaPremultiplied && alpha;
    const auto& m = s.profile.toWorking().m;
    const bool identity = s.profile.toWorking().isIdentity();
    const bool linearFloat = std::is_same_v<T, float> && s.profile.isWorkingSpace();
    const bool lut = !std::is_same_v<T, float> && s.lut[0] != nullptr;
    const float* l0 = lut ? s.lut[0]->data() : nullptr;
    const float* l1 = lut ? s.lut[1]->data() : nullptr;
    const float* l2 = lut ? s.lut[2]->data() : nullptr;
    const auto& c0 = s.profile.curve(0);
    const auto& c1 = s.profile.curve(1);
    const auto& c2 = s.profile.curve(2);
    for (int i = 0; i < n; ++i, in += ch, out += 4) {
        float a = alpha ? normalised(in[ch - 1]) : 1.0f;
        float r, g, b;
        if (lut) {
            if constexpr (!std::is_same_v<T, float>) {
                r = l0[in[0]];
                g = grey ? r : l1[in[1]];
                b = grey ? r : l2[in[2]];
            }
        } else {
            float er = normalised(in[0]);
            float eg = grey ? er : normalised(in[1]);
            float eb = grey ? er : normalised(in[2]);
            if (premul) {
                const float inv = a > 1e-6f ? 1.0f / a : 0.0f;
                er *= inv; eg *= inv; eb *= inv;
            }
            if (linearFloat) {
                r = er; g = eg; b = eb;
            } else {
                r = c0(er);
                g = grey ? r : c1(eg);
                b = grey ? r : c2(eb);
            }
        }
        if (!identity && !grey) {
            const float x = r, y = g, z = b;
            r = float(m[0]) * x + float(m[1]) * y + float(m[2]) * z;
            g = float(m[3]) * x + float(m[4]) * y + float(m[5]) * z;
            b = float(m[6]) * x + float(m[7]) * y + float(m[8]) * z;
        }
        out[0] = r * a;
        out[1] = g * a;
        out[2] = b * a;
        out[3] = a;
    }
}

// 8-bit RGB or RGBA, straight alpha: three table entries per pixel, summed in the order the
// matrix product would add them.
template <int Ch>
void convertRgb8Row(const SourceData& s, const std::uint8_t* in, int n, float* out) {
    const float* t0 = s.lut8Columns.data();
    const float* t1 = t0 + 256 * 4;
    const float* t2 = t1 + 256 * 4;
    int i = 0;
#if defined(__AVX2__)
    if constexpr (Ch == 3) {
        // Two pixels per vector, the same sums.
        auto entries = [](const float* t, std::uint8_t a, std::uint8_t b) {
            return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(t + 4 * a)), _mm_loadu_ps(t + 4 * b), 1);
        };
        for (; i + 2 <= n; i += 2, in += 6, out += 8)
            _mm256_storeu_ps(out, _mm256_add_ps(_mm256_add_ps(entries(t0, in[0], in[3]), entries(t1, in[1], in[4])),
                                                entries(t2, in[2], in[5])));
    }
#endif
    for (; i < n; ++i, in += Ch, out += 4) {
        Float4 v = load4(t0 + 4 * in[0]) + load4(t1 + 4 * in[1]) + load4(t2 + 4 * in[2]);
        if constexpr (Ch == 4) {
            const float a = normalised(in[3]);
            v *= a;
            v[3] = a;
        }
        store4(out, v);
    }
}

// 16-bit RGB or RGBA, straight alpha: per channel tables, then the matrix.
template <int Ch>
void convertRgb16Row(const SourceData& s, const std::uint16_t* in, int n, float* out) {
    const auto& mm = s.profile.toWorking().m;
    const Float4 col0 = {float(mm[0]), float(mm[3]), float(mm[6]), 0.0f};
    const Float4 col1 = {float(mm[1]), float(mm[4]), float(mm[7]), 0.0f};
    const Float4 col2 = {float(mm[2]), float(mm[5]), float(mm[8]), 0.0f};
    const float* l0 = s.lut[0]->data();
    const float* l1 = s.lut[1]->data();
    const float* l2 = s.lut[2]->data();
    for (int i = 0; i < n; ++i, in += Ch, out += 4) {
        Float4 v = col0 * l0[in[0]] + col1 * l1[in[1]] + col2 * l2[in[2]];
        const float a = Ch == 4 ? normalised(in[3]) : 1.0f;
        if constexpr (Ch == 4) v *= a;
        v[3] = a;
        store4(out, v);
    }
}

// Float RGB or RGBA, straight alpha, through the profile's curves.
template <int Ch>
void convertRgbFloatRow(const SourceData& s, const float* in, int n, float* out) {
    float m[9];
    for (int k = 0; k < 9; ++k) m[k] = float(s.profile.toWorking().m[std::size_t(k)]);
    const auto& c0 = s.profile.curve(0);
    const auto& c1 = s.profile.curve(1);
    const auto& c2 = s.profile.curve(2);
    for (int i = 0; i < n; ++i, in += Ch, out += 4) {
        float r = c0(normalised(in[0])), g = c1(normalised(in[1])), b = c2(normalised(in[2]));
        // Keep huge values finite for the matrix.
        r = std::clamp(r, -3.0e38f, 3.0e38f); g = std::clamp(g, -3.0e38f, 3.0e38f); b = std::clamp(b, -3.0e38f, 3.0e38f);
        const float a = Ch == 4 ? normalised(in[3]) : 1.0f;
        out[0] = (m[0] * r + m[1] * g + m[2] * b) * a;
        out[1] = (m[3] * r + m[4] * g + m[5] * b) * a;
        out[2] = (m[6] * r + m[7] * g + m[8] * b) * a;
        out[3] = a;
    }
}

template <class T>
void convert(const SourceData& s, const T* in, int n, float* out) {
    const SourcePixels& p = s.pixels;
    const bool rgb = !p.alphaPremultiplied && (p.channels == 3 || p.channels == 4);
    if constexpr (std::is_same_v<T, std::uint8_t>) {
        if (rgb && !s.lut8Columns.empty()) {
            if (p.channels == 3) convertRgb8Row<3>(s, in, n, out);
            else convertRgb8Row<4>(s, in, n, out);
            return;
        }
    } else if constexpr (std::is_same_v<T, std::uint16_t>) {
        if (rgb && s.lut[0]) {
            if (p.channels == 3) convertRgb16Row<3>(s, in, n, out);
            else convertRgb16Row<4>(s, in, n, out);
            return;
        }
    } else {
        if (rgb && !s.profile.isWorkingSpace()) {
            if (p.channels == 3) convertRgbFloatRow<3>(s, in, n, out);
            else convertRgbFloatRow<4>(s, in, n, out);
            return;
        }
    }
    convertRow(s, in, n, out);
}

}  // namespace

void readSourceRow(const SourceData& s, std::int64_t x, std::int64_t y, int count, float* out) {
    const SourcePixels& p = s.pixels;
    if (y < 0 || y >= p.height) {
        std::memset(out, 0, sizeof(float) * 4 * std::size_t(count));
        return;
    }
    const std::int64_t x0 = std::max<std::int64_t>(x, 0), x1 = std::min<std::int64_t>(x + count, p.width);
    if (x1 <= x0) {
        std::memset(out, 0, sizeof(float) * 4 * std::size_t(count));
        return;
    }
    // Only the pixels outside the source are zeroed; the rest are written by the conversion.
    if (x0 > x) std::memset(out, 0, sizeof(float) * 4 * std::size_t(x0 - x));
    if (x1 < x + count) std::memset(out + (x1 - x) * 4, 0, sizeof(float) * 4 * std::size_t(x + count - x1));
    const std::uint8_t* row = p.row(int(p.height - 1 - y)) + std::size_t(x0) * p.pixelBytes();
    float* o = out + (x0 - x) * 4;
    const int n = int(x1 - x0);
    switch (p.type) {
        case SampleType::uint8: convert(s, row, n, o); break;
        case SampleType::uint16: convert(s, reinterpret_cast<const std::uint16_t*>(row), n, o); break;
        case SampleType::float32: convert(s, reinterpret_cast<const float*>(row), n, o); break;
    }
}

void readViewRow(const ConstPixelView& v, std::int64_t x, std::int64_t y, int count, float* out) {
    const Rect& r = v.rect;
    const std::int64_t lo = std::max(x, r.minX()), hi = std::min(x + count, r.maxX());
    if (y < r.minY() || y >= r.maxY() || v.data == nullptr || hi <= lo) {
        std::memset(out, 0, sizeof(float) * 4 * std::size_t(count));
        return;
    }
    if (lo > x) std::memset(out, 0, sizeof(float) * 4 * std::size_t(lo - x));
    std::memcpy(out + (lo - x) * 4, v.at(lo, y), sizeof(float) * 4 * std::size_t(hi - lo));
    if (x + count > hi) std::memset(out + (hi - x) * 4, 0, sizeof(float) * 4 * std::size_t(x + count - hi));
}

void fillRow(const WorkingColor& c, int count, float* out) {
    for (int i = 0; i < count; ++i) {
        out[4 * i] = c.r;
        out[4 * i + 1] = c.g;
        out[4 * i + 2] = c.b;
        out[4 * i + 3] = c.a;
    }
}

Rect transformInputRect(const Node& n, const Rect& r) {
    if (r.isEmpty()) return {};
    const Node& in = *n.inputs[0];
    if (r.isInfinite()) return in.extent;
    // Inverse-map the centres of the corner pixels; bilinear reads one more pixel each way.
    double minx = INFINITY, miny = INFINITY, maxx = -INFINITY, maxy = -INFINITY;
    const double xs[2] = {double(r.minX()) + 0.5, double(r.maxX()) - 0.5};
    const double ys[2] = {double(r.minY()) + 0.5, double(r.maxY()) - 0.5};
    for (double px : xs)
        for (double py : ys) {
            double qx, qy;
            n.inverse.apply(px, py, qx, qy);
            minx = std::min(minx, qx); maxx = std::max(maxx, qx);
            miny = std::min(miny, qy); maxy = std::max(maxy, qy);
        }
    const double lim = double(Rect::kLimit);
    auto fl = [lim](double v) { return std::int64_t(std::clamp(std::floor(v), -lim, lim)); };
    if (n.exact || n.sampling == Sampling::nearest)
        return Rect::fromEdges(fl(minx), fl(miny), fl(maxx) + 1, fl(maxy) + 1);
    return Rect::fromEdges(fl(minx - 0.5), fl(miny - 0.5), fl(maxx - 0.5) + 2, fl(maxy - 0.5) + 2);
}

namespace {
inline const float* pixelOrNull(const ConstPixelView& v, std::int64_t x, std::int64_t y) {
    if (!v.rect.contains(x, y)) return nullptr;
    return v.at(x, y);
}

// Bilinear interpolation as three lerps: a constant neighbourhood (an opaque alpha of 1, a
// flat colour) comes out exactly constant, so opaque images stay opaque through a rotation.
inline Float4 bilinear(Float4 p00, Float4 p10, Float4 p01, Float4 p11, float wx, float wy) {
    const Float4 bottom = p00 + wx * (p10 - p00);
    const Float4 top = p01 + wx * (p11 - p01);
    return bottom + wy * (top - bottom);
}

// floor(v) for the coordinates of a render (far inside the int64 range), without a libm call.
inline std::int64_t floorToInt(double v) {
    const std::int64_t i = std::int64_t(v);
    return i - std::int64_t(v < double(i));
}
}  // namespace

const Node* foldedClamp(const Node& n) {
    if (n.kind != NodeKind::transform) return nullptr;
    const Node* in = resolve(n.inputs[0].get());
    if (in->kind != NodeKind::clamp) return nullptr;
    const Rect& e = in->inputs[0]->extent;
    return e.isFinite() && !e.isEmpty() ? in : nullptr;
}

Rect transformReadRect(const Node& n, const Rect& need) {
    const Rect r = transformInputRect(n, need);
    const Node* clamp = foldedClamp(n);
    return clamp ? clampInputRect(*clamp, r) : r;
}

namespace {

// Where a bilinear sample reads: the lower-left tap and the weights of the taps to its right
// and above.
struct Tap {
    std::int64_t ix, iy;
    float wx, wy;
};

// Bilinear positions in 32.32 fixed point: F(x) = A·x + R(y) is the sample point of pixel x
// minus half a pixel, in exact integer arithmetic, so a row can step from pixel to pixel by
// adding A and still give every pixel the value computed from its own coordinates, whatever
// the tile's start. Used for pixels within ±2^17 of the origin (position error below 2^-15
// pixels there); farther out (absurd extents) positions are computed in doubles.
class BilinearRow {
public:
    BilinearRow(const AffineTransform& t, std::int64_t y) : t_(t), py_(double(y) + 0.5) {
        fixed_ = inFixedRange(y) && std::fabs(t.a) < 0x1p20 && std::fabs(t.b) < 0x1p20;
        if (!fixed_) return;
        A_ = toFixed(t.a);
        B_ = toFixed(t.b);
        Rx_ = toFixed(0.5 * t.a + t.c * py_ + t.tx - 0.5);
        Ry_ = toFixed(0.5 * t.b + t.d * py_ + t.ty - 0.5);
    }
    static bool inFixedRange(std::int64_t v) { return v > -kFixedRange && v < kFixedRange; }
    // True when pixels x .. x+count-1 step exactly in fixed point.
    bool steps(std::int64_t x, int count) const {
        if (!fixed_ || !inFixedRange(x) || !inFixedRange(x + count)) return false;
        return inRange(__int128(A_) * x + Rx_) && inRange(__int128(A_) * (x + count) + Rx_) &&
               inRange(__int128(B_) * x + Ry_) && inRange(__int128(B_) * (x + count) + Ry_);
    }
    std::int64_t A() const { return A_; }
    std::int64_t B() const { return B_; }
    std::int64_t fx(std::int64_t x) const { return std::int64_t(__int128(A_) * x + Rx_); }
    std::int64_t fy(std::int64_t x) const { return std::int64_t(__int128(B_) * x + Ry_); }
    static Tap tapOf(std::int64_t fx, std::int64_t fy) {
        return {fx >> 32, fy >> 32, fraction(fx), fraction(fy)};  // shifts floor
    }
    // Any pixel of the row.
    Tap tap(std::int64_t x) const {
        if (fixed_ && inFixedRange(x)) {
            const __int128 gx = __int128(A_) * x + Rx_, gy = __int128(B_) * x + Ry_;
            if (inRange(gx) && inRange(gy)) return tapOf(std::int64_t(gx), std::int64_t(gy));
        }
        const double px = double(x) + 0.5;
        const double qx = t_.a * px + t_.c * py_ + t_.tx - 0.5, qy = t_.b * px + t_.d * py_ + t_.ty - 0.5;
        const std::int64_t ix = floorToInt(qx), iy = floorToInt(qy);
        return {ix, iy, float(qx - double(ix)), float(qy - double(iy))};
    }

private:
    static constexpr std::int64_t kFixedRange = std::int64_t(1) << 17;
    static constexpr std::int64_t kLimit = std::int64_t(1) << 62;
    static bool inRange(__int128 v) { return v > -__int128(kLimit) && v < __int128(kLimit); }
    static std::int64_t toFixed(double v) {
        return std::int64_t(std::llround(std::clamp(v * 0x1p32, -0x1p62, 0x1p62)));
    }
    static float fraction(std::int64_t f) { return float(std::uint32_t(f)) * 0x1p-32f; }

    AffineTransform t_;
    double py_;
    bool fixed_ = false;
    std::int64_t A_ = 0, B_ = 0, Rx_ = 0, Ry_ = 0;
};

}  // namespace

void sampleTransformRow(const Node& n, const ConstPixelView& in, std::int64_t x, std::int64_t y, int count, float* out,
                        const Rect* clampTo) {
    const AffineTransform& t = n.inverse;
    const bool pointSample = n.exact || n.sampling == Sampling::nearest;
    const Rect& r = in.rect;
    // Taps outside the clamp rectangle repeat its edge; the view covers what the taps reach.
    const bool clamped = clampTo != nullptr && !clampTo->isEmpty();
    const std::int64_t lx = clamped ? clampTo->minX() : 0, hx = clamped ? clampTo->maxX() - 1 : 0;
    const std::int64_t ly = clamped ? clampTo->minY() : 0, hy = clamped ? clampTo->maxY() - 1 : 0;
    if (pointSample) {
        // Exact maps (orientation, whole-pixel moves) in doubles, each pixel from its own centre.
        const double py = double(y) + 0.5;
        const double rowX = t.c * py + t.tx, rowY = t.d * py + t.ty;
        for (int i = 0; i < count; ++i) {
            float* o = out + 4 * i;
            const double px = double(x + i) + 0.5;
            std::int64_t ix = floorToInt(t.a * px + rowX), iy = floorToInt(t.b * px + rowY);
            if (clamped) {
                ix = std::clamp(ix, lx, hx);
                iy = std::clamp(iy, ly, hy);
            }
            const auto* p = pixelOrNull(in, ix, iy);
            if (p) std::memcpy(o, p, sizeof(float) * 4);
            else std::memset(o, 0, sizeof(float) * 4);
        }
        return;
    }
    // Lower-left taps for which all four taps are inside the view (and the clamp rectangle):
    // there the taps are read directly.
    std::int64_t loX = r.minX(), hiX = r.maxX() - 2, loY = r.minY(), hiY = r.maxY() - 2;
    if (clamped) {
        loX = std::max(loX, lx); hiX = std::min(hiX, hx - 1);
        loY = std::max(loY, ly); hiY = std::min(hiY, hy - 1);
    }
    const bool interior = !in.isEmpty() && hiX >= loX && hiY >= loY;
    const std::uint64_t spanX = interior ? std::uint64_t(hiX - loX) : 0, spanY = interior ? std::uint64_t(hiY - loY) : 0;
    // Taps at the edge of what was read (or of the clamp): missing taps are transparent.
    auto sampleEdge = [&](const Tap& tap, float* o) __attribute__((noinline)) {
        std::int64_t x0 = tap.ix, x1 = tap.ix + 1, y0 = tap.iy, y1 = tap.iy + 1;
        if (clamped) {
            x0 = std::clamp(x0, lx, hx); x1 = std::clamp(x1, lx, hx);
            y0 = std::clamp(y0, ly, hy); y1 = std::clamp(y1, ly, hy);
        }
        const float* q00 = pixelOrNull(in, x0, y0);
        const float* q10 = pixelOrNull(in, x1, y0);
        const float* q01 = pixelOrNull(in, x0, y1);
        const float* q11 = pixelOrNull(in, x1, y1);
        const Float4 zero = {0, 0, 0, 0};
        store4(o, bilinear(q00 ? load4(q00) : zero, q10 ? load4(q10) : zero, q01 ? load4(q01) : zero,
                           q11 ? load4(q11) : zero, tap.wx, tap.wy));
    };
    auto sample = [&](const Tap& tap, float* o) __attribute__((always_inline)) {
        if (interior && std::uint64_t(tap.ix - loX) <= spanX && std::uint64_t(tap.iy - loY) <= spanY) {
            const float* p00 = in.at(tap.ix, tap.iy);
            const float* p01 = p00 - in.stride;
            store4(o, bilinear(load4(p00), load4(p00 + 4), load4(p01), load4(p01 + 4), tap.wx, tap.wy));
        } else {
            sampleEdge(tap, o);
        }
    };
    const BilinearRow row(t, y);
    if (row.steps(x, count)) {
        std::int64_t fx = row.fx(x), fy = row.fy(x);
        const std::int64_t A = row.A(), B = row.B();
        for (int i = 0; i < count; ++i, fx += A, fy += B) sample(BilinearRow::tapOf(fx, fy), out + 4 * i);
        return;
    }
    for (int i = 0; i < count; ++i) sample(row.tap(x + i), out + 4 * i);
}

void sampleTransformRowFromSource(const Node& n, const SourceData& source, std::int64_t x, std::int64_t y, int count,
                                  float* out) {
    const AffineTransform& t = n.inverse;
    const bool pointSample = n.exact || n.sampling == Sampling::nearest;
    const BilinearRow row(t, y);
    const double py = double(y) + 0.5;
    const double rowX = t.c * py + t.tx, rowY = t.d * py + t.ty;
    float px[16];
    for (int i = 0; i < count; ++i) {
        float* o = out + 4 * i;
        if (pointSample) {
            const double cx = double(x + i) + 0.5;
            readSourceRow(source, floorToInt(t.a * cx + rowX), floorToInt(t.b * cx + rowY), 1, o);
            continue;
        }
        // The same positions as sampleTransformRow, so reading the source directly changes nothing.
        const Tap tap = row.tap(x + i);
        readSourceRow(source, tap.ix, tap.iy, 2, px);
        readSourceRow(source, tap.ix, tap.iy + 1, 2, px + 8);
        store4(o, bilinear(load4(px), load4(px + 4), load4(px + 8), load4(px + 12), tap.wx, tap.wy));
    }
}

Rect clampInputRect(const Node& n, const Rect& r) {
    const Rect& e = n.inputs[0]->extent;
    if (r.isEmpty() || e.isEmpty()) return {};
    auto cx = [&](std::int64_t v) { return std::clamp(v, e.minX(), e.maxX() - 1); };
    auto cy = [&](std::int64_t v) { return std::clamp(v, e.minY(), e.maxY() - 1); };
    return Rect::fromEdges(cx(r.minX()), cy(r.minY()), cx(r.maxX() - 1) + 1, cy(r.maxY() - 1) + 1);
}

void clampRow(const Node& n, const ConstPixelView& in, std::int64_t x, std::int64_t y, int count, float* out) {
    const Rect& e = n.inputs[0]->extent;
    const std::int64_t sy = std::clamp(y, e.minY(), e.maxY() - 1);
    for (int i = 0; i < count; ++i) {
        const std::int64_t sx = std::clamp(x + i, e.minX(), e.maxX() - 1);
        const float* p = pixelOrNull(in, sx, sy);
        if (p) std::memcpy(out + 4 * i, p, sizeof(float) * 4);
        else std::memset(out + 4 * i, 0, sizeof(float) * 4);
    }
}

PixelBuffer convertWithLcms(const SourcePixels& p, const ColorProfile& profile) {
    PixelBuffer out(Rect{0, 0, p.width, p.height});
    if (out.isEmpty()) return out;
    const auto& icc = iccBytesOf(profile);
    LcmsProfile src(cmsOpenProfileFromMemTHR(nullptr, icc.data(), cmsUInt32Number(icc.size())));
    LcmsProfile dst = createDisplayP3Profile(true);
    if (!src || !dst) return PixelBuffer();
    const bool grey = p.channels <= 2;
    cmsUInt32Number inFormat = 0;
    const int extra = p.hasAlpha() ? 1 : 0;
    switch (p.type) {
        case SampleType::uint8: inFormat = BYTES_SH(1); break;
        case SampleType::uint16: inFormat = BYTES_SH(2); break;
        case SampleType::float32: inFormat = BYTES_SH(4) | FLOAT_SH(1); break;
    }
    inFormat |= COLORSPACE_SH(grey ? PT_GRAY : PT_RGB) | CHANNELS_SH(grey ? 1 : 3) | EXTRA_SH(extra);
    const cmsUInt32Number outFormat = TYPE_RGBA_FLT;
    LcmsTransform xf(cmsCreateTransformTHR(nullptr, src.get(), inFormat, dst.get(), outFormat, INTENT_RELATIVE_COLORIMETRIC,
                                           cmsFLAGS_NOCACHE | cmsFLAGS_COPY_ALPHA));
    if (!xf) return PixelBuffer();
    const float alphaScale = p.type == SampleType::uint8 ? 1.0f / 255 : p.type == SampleType::uint16 ? 1.0f / 65535 : 1.0f;
    tbb::parallel_for(0, p.height, [&](int r) {
        float* o = out.view().rowFromTop(r);
        cmsDoTransform(xf.get(), p.row(r), o, cmsUInt32Number(p.width));
        const std::uint8_t* in = p.row(r);
        for (int i = 0; i < p.width; ++i) {
            float a = 1.0f;
            if (extra) {
                const std::size_t off = std::size_t(i) * p.pixelBytes() + SourcePixels::sampleBytes(p.type) * std::size_t(p.channels - 1);
                if (p.type == SampleType::uint8) a = in[off] * alphaScale;
                else if (p.type == SampleType::uint16) { std::uint16_t v; std::memcpy(&v, in + off, 2); a = v * alphaScale; }
                else std::memcpy(&a, in + off, 4);
                if (!(a >= 0)) a = 0;
            }
            float* q = o + 4 * i;
            for (int k = 0; k < 3; ++k) q[k] = std::isfinite(q[k]) ? q[k] * a : 0.0f;
            q[3] = a;
        }
    });
    return out;
}

}  // namespace vantrel::detail
