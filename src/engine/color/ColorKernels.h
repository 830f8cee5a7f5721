#pragma once
// Per-pixel formulas of the colour filters, free of the image graph.
//
// Every kernel has `void run(const float* in, float* out, int n) const` over
// spans of n premultiplied RGBA pixels (`in` may be `out`), and
// `operator()(px, n)` for the in-place form. Colour filters are defined on
// unpremultiplied colour (c = rgb / a, or 0 where a <= 1e-6) and re-premultiply
// by the output alpha; filters that are linear in rgb work directly on the
// premultiplied values, which gives the same result without a division.
#include "engine/core/FilterMath.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>
#if defined(__AVX2__)
#include <immintrin.h>
#endif

namespace vantrel {

// ---- Parameter records (defaults are the neutral settings) -----------------

// Each output component is the dot product of its vector with (r, g, b, a),
// plus its bias; no clamping.
struct ColorMatrixParameters {
    std::array<float, 4> rVector{1, 0, 0, 0};
    std::array<float, 4> gVector{0, 1, 0, 0};
    std::array<float, 4> bVector{0, 0, 1, 0};
    std::array<float, 4> aVector{0, 0, 0, 1};
    std::array<float, 4> biasVector{0, 0, 0, 0};
};

struct ColorClampParameters {
    std::array<float, 4> minComponents{0, 0, 0, 0};
    std::array<float, 4> maxComponents{1, 1, 1, 1};
};

// v' = k0 + k1·v + k2·v² + k3·v³ per channel.
struct ColorPolynomialParameters {
    std::array<float, 4> redCoefficients{0, 1, 0, 0};
    std::array<float, 4> greenCoefficients{0, 1, 0, 0};
    std::array<float, 4> blueCoefficients{0, 1, 0, 0};
    std::array<float, 4> alphaCoefficients{0, 1, 0, 0};
};

struct ExposureParameters {
    float ev = 0;  // stops; each stop doubles the light
};

struct GammaParameters {
    float power = 1;
};

struct ColorControlsParameters {
    float saturation = 1;  // 0 grey, 1 unchanged, above 1 more colourful
    float brightness = 0;  // added to every channel
    float contrast = 1;    // scale about 0.5
};

struct HighlightShadowParameters {
    float highlightAmount = 1;  // 1 unchanged, 0 strongest recovery
    float shadowAmount = 0;     // 0 unchanged, 1 strongest lift
};

struct VibranceParameters {
    float amount = 0;  // -1 … 1
};

struct VignetteParameters {
    float radius = 1;     // focal length of the fall-off, in half-diagonals
    float intensity = 0;  // positive darkens the edges, negative brightens them
};

struct MonochromeParameters {
    WorkingColor color = color::workingFromSRGB(0.6, 0.45, 0.3);  // normalised to unit luminance
    float intensity = 1;
};

}  // namespace vantrel

namespace vantrel::kernels {

// Runs `f(float* rgba)` on straight (unpremultiplied) colour over a
// premultiplied span; f may change the alpha, and the result is premultiplied
// by the alpha it leaves.
template <typename F>
inline void forEachUnpremultiplied(const float* in, float* out, int n, F&& f) {
    for (int i = 0; i < n; ++i, in += 4, out += 4) {
        float c[4] = {in[0], in[1], in[2], in[3]};
        if (c[3] != 1.0f) {
            const float inv = c[3] > 1e-6f ? 1.0f / c[3] : 0.0f;
            c[0] *= inv;
            c[1] *= inv;
            c[2] *= inv;
        }
        f(c);
        const float a = c[3];
        out[0] = a == 1.0f ? c[0] : c[0] * a;
        out[1] = a == 1.0f ? c[1] : c[1] * a;
        out[2] = a == 1.0f ? c[2] : c[2] * a;
        out[3] = a;
    }
}

// The same for a kernel with `Rgba apply(Rgba)` on straight colour.
template <typename K>
inline void applyUnpremultiplied(const K& kernel, const float* in, float* out, int n) {
    forEachUnpremultiplied(in, out, n, [&kernel](float* c) {
        const Rgba o = kernel.apply({c[0], c[1], c[2], c[3]});
        c[0] = o.r;
        c[1] = o.g;
        c[2] = o.b;
        c[3] = o.a;
    });
}

// rgb' = M·rgb + offset·a, alpha kept: the unpremultiplied affine map
// c' = M·c + offset written on premultiplied values. Exposure, white balance,
// colour controls, monochrome and invert are all of this form.
struct RgbAffine {
    std::array<float, 12> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};  // rows of (M | offset)

    static RgbAffine fromMatrix(const color::Matrix3& mat) {
        RgbAffine out;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) out.m[static_cast<size_t>(r * 4 + c)] = static_cast<float>(mat(r, c));
        return out;
    }
    static RgbAffine scale(float k) { return {{k, 0, 0, 0, 0, k, 0, 0, 0, 0, k, 0}}; }

    // The map that applies `first`, then `second`.
    friend RgbAffine then(const RgbAffine& first, const RgbAffine& second) {
        RgbAffine out;
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 4; ++c) {
                double v = 0;
                for (int k = 0; k < 3; ++k)
                    v += double(second.m[static_cast<size_t>(r * 4 + k)]) * first.m[static_cast<size_t>(k * 4 + c)];
                if (c == 3) v += second.m[static_cast<size_t>(r * 4 + 3)];
                out.m[static_cast<size_t>(r * 4 + c)] = static_cast<float>(v);
            }
        }
        return out;
    }

    // On one unpremultiplied colour.
    Rgba apply(Rgba c) const {
        return {m[0] * c.r + m[1] * c.g + m[2] * c.b + m[3], m[4] * c.r + m[5] * c.g + m[6] * c.b + m[7],
                m[8] * c.r + m[9] * c.g + m[10] * c.b + m[11], c.a};
    }

    void run(const float* in, float* out, int n) const {
        // The coefficients in locals: stores through `out` could otherwise alias them
        // and force a reload per pixel.
        const float m0 = m[0], m1 = m[1], m2 = m[2], m3 = m[3], m4 = m[4], m5 = m[5];
        const float m6 = m[6], m7 = m[7], m8 = m[8], m9 = m[9], m10 = m[10], m11 = m[11];
        int i = 0;
#if defined(__AVX2__)
        // Two pixels per vector, each lane's channel broadcast across its pixel: the same sums
        // in the same order as below, and the alpha copied, not computed.
        const __m256 c0 = _mm256_setr_ps(m0, m4, m8, 0, m0, m4, m8, 0), c1 = _mm256_setr_ps(m1, m5, m9, 0, m1, m5, m9, 0);
        const __m256 c2 = _mm256_setr_ps(m2, m6, m10, 0, m2, m6, m10, 0), c3 = _mm256_setr_ps(m3, m7, m11, 0, m3, m7, m11, 0);
        for (; i + 2 <= n; i += 2, in += 8, out += 8) {
            const __m256 p = _mm256_loadu_ps(in);
            __m256 v = _mm256_add_ps(_mm256_mul_ps(c0, _mm256_permute_ps(p, 0x00)), _mm256_mul_ps(c1, _mm256_permute_ps(p, 0x55)));
            v = _mm256_add_ps(v, _mm256_mul_ps(c2, _mm256_permute_ps(p, 0xaa)));
            v = _mm256_add_ps(v, _mm256_mul_ps(c3, _mm256_permute_ps(p, 0xff)));
            _mm256_storeu_ps(out, _mm256_blend_ps(v, p, 0x88));
        }
#endif
        // Four pixels at a time, one vector per channel (the same sums lane by lane).
        for (; i + 4 <= n; i += 4, in += 16, out += 16) {
            const Quad q = loadQuad(in);
            storeQuad(out, {m0 * q.r + m1 * q.g + m2 * q.b + m3 * q.a, m4 * q.r + m5 * q.g + m6 * q.b + m7 * q.a,
                            m8 * q.r + m9 * q.g + m10 * q.b + m11 * q.a, q.a});
        }
        for (; i < n; ++i, in += 4, out += 4) {
            const float r = in[0], g = in[1], b = in[2], a = in[3];
            out[0] = m0 * r + m1 * g + m2 * b + m3 * a;
            out[1] = m4 * r + m5 * g + m6 * b + m7 * a;
            out[2] = m8 * r + m9 * g + m10 * b + m11 * a;
            out[3] = a;
        }
    }
    void operator()(float* px, int n) const { run(px, px, n); }
};

// ---- Affine filters ----------------------------------------------------------

inline RgbAffine exposureKernel(const ExposureParameters& p) {
    return RgbAffine::scale(std::isfinite(p.ev) ? std::exp2(p.ev) : 1.0f);
}

inline RgbAffine invertKernel() { return {{-1, 0, 0, 1, 0, -1, 0, 1, 0, 0, -1, 1}}; }

// Saturation towards the luminance grey, then brightness, then contrast about 0.5.
inline RgbAffine colorControlsKernel(const ColorControlsParameters& p) {
    constexpr double w[3] = {0.2125, 0.7154, 0.0721};
    const double s = p.saturation, k = p.contrast, bright = p.brightness;
    RgbAffine out;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            const double sat = (1.0 - s) * w[c] + (r == c ? s : 0.0);
            out.m[static_cast<size_t>(r * 4 + c)] = static_cast<float>(k * sat);
        }
        out.m[static_cast<size_t>(r * 4 + 3)] = static_cast<float>(k * bright + 0.5 * (1.0 - k));
    }
    return out;
}

// c' = c + intensity·(Y·k − c), with k the working colour normalised to unit
// luminance, so a grey colour at full intensity gives plain luminance.
inline RgbAffine monochromeKernel(const MonochromeParameters& p) {
    const Rgba straight = unpremultiplied({p.color.r, p.color.g, p.color.b, p.color.a});
    const double intensity = std::isfinite(p.intensity) ? p.intensity : 0.0;
    double k[3] = {straight.r, straight.g, straight.b};
    const double y = kYr * k[0] + kYg * k[1] + kYb * k[2];
    if (y > 1e-6) {
        for (double& v : k) v /= y;
    } else {
        k[0] = k[1] = k[2] = 1.0;
    }
    const double w[3] = {kYr, kYg, kYb};
    RgbAffine out;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            out.m[static_cast<size_t>(r * 4 + c)] =
                static_cast<float>((r == c ? 1.0 - intensity : 0.0) + intensity * k[r] * w[c]);
    return out;
}

// ---- Filters that need unpremultiplied colour ---------------------------------

struct ColorMatrixKernel {
    ColorMatrixParameters p;

    Rgba apply(Rgba c) const {
        auto dot = [&](const std::array<float, 4>& v, float bias) {
            return v[0] * c.r + v[1] * c.g + v[2] * c.b + v[3] * c.a + bias;
        };
        return {dot(p.rVector, p.biasVector[0]), dot(p.gVector, p.biasVector[1]), dot(p.bVector, p.biasVector[2]),
                dot(p.aVector, p.biasVector[3])};
    }
    void run(const float* in, float* out, int n) const {
        // With alpha passed through, the map is affine in rgb and runs on premultiplied
        // values directly; the alpha column then only adds to opaque pixels' offsets.
        const bool keepsAlpha = p.aVector == std::array<float, 4>{0, 0, 0, 1} && p.biasVector[3] == 0;
        const bool alphaColumn = p.rVector[3] != 0 || p.gVector[3] != 0 || p.bVector[3] != 0;
        if (keepsAlpha && (!alphaColumn || isOpaque(in, n))) {
            const RgbAffine map{{p.rVector[0], p.rVector[1], p.rVector[2], p.rVector[3] + p.biasVector[0],
                                 p.gVector[0], p.gVector[1], p.gVector[2], p.gVector[3] + p.biasVector[1],
                                 p.bVector[0], p.bVector[1], p.bVector[2], p.bVector[3] + p.biasVector[2]}};
            map.run(in, out, n);
            return;
        }
        applyUnpremultiplied(*this, in, out, n);
    }
    void operator()(float* px, int n) const { run(px, px, n); }
};

struct ColorClampKernel {
    ColorClampParameters p;

    Rgba apply(Rgba c) const {
        // Bound first in std::max keeps NaN out: a NaN component lands on the lower bound.
        auto clampTo = [](float v, float lo, float hi) { return std::min(hi, std::max(lo, v)); };
        return {clampTo(c.r, p.minComponents[0], p.maxComponents[0]),
                clampTo(c.g, p.minComponents[1], p.maxComponents[1]),
                clampTo(c.b, p.minComponents[2], p.maxComponents[2]),
                clampTo(c.a, p.minComponents[3], p.maxComponents[3])};
    }
    void run(const float* in, float* out, int n) const { applyUnpremultiplied(*this, in, out, n); }
    void operator()(float* px, int n) const { run(px, px, n); }
};

struct ColorPolynomialKernel {
    ColorPolynomialParameters p;

    static float poly(const std::array<float, 4>& k, float v) { return k[0] + v * (k[1] + v * (k[2] + v * k[3])); }
    Rgba apply(Rgba c) const {
        return {poly(p.redCoefficients, c.r), poly(p.greenCoefficients, c.g), poly(p.blueCoefficients, c.b),
                poly(p.alphaCoefficients, c.a)};
    }
    void run(const float* in, float* out, int n) const { applyUnpremultiplied(*this, in, out, n); }
    void operator()(float* px, int n) const { run(px, px, n); }
};

// Sign-preserving power, so extended negative values stay defined.
struct GammaKernel {
    float power = 1;

    Rgba apply(Rgba c) const {
        auto f = [this](float v) { return std::copysign(std::pow(std::fabs(v), power), v); };
        return {f(c.r), f(c.g), f(c.b), c.a};
    }
    void run(const float* in, float* out, int n) const { applyUnpremultiplied(*this, in, out, n); }
    void operator()(float* px, int n) const { run(px, px, n); }
};

// Tone curve on the display-encoded luminance that lifts shadows and pulls
// highlights; the colour is scaled so its hue and saturation stay put. Values
// at or above white and at black are left alone.
//
// The factor depends on the luminance alone, so it is tabulated once per kernel
// and looked up per pixel: by the float bits of y below 0.5 and of 1 − y above,
// which spaces the samples evenly per octave towards both black and white, where
// the curve's powers are steepest. Interpolation stays within about 1e-5 of the
// formula, and within 1e-3 where a clamp of the formula puts a kink in the curve.
class HighlightShadowKernel {
public:
    explicit HighlightShadowKernel(const HighlightShadowParameters& p)
        : shadow_(std::isfinite(p.shadowAmount) ? std::clamp(p.shadowAmount, -1.0f, 1.0f) : 0.0f),
          highlight_(std::isfinite(p.highlightAmount) ? std::clamp(p.highlightAmount, 0.0f, 1.0f) : 1.0f) {
        if (isIdentity()) return;
        auto table = std::make_shared<std::vector<float>>(static_cast<std::size_t>(kTableSize));
        float* t = table->data();
        for (int side = 0; side < 2; ++side) {
            const std::uint32_t base = side == 0 ? kLowBits : kHighBits;
            float* out = t + (side == 0 ? 0 : kLowSize);
            const int count = side == 0 ? kLowSize : kHighSize;
            for (int i = 0; i < count; i += 4) {
                Float4 y;
                for (int l = 0; l < 4; ++l) {
                    const float u = std::bit_cast<float>(base + (static_cast<std::uint32_t>(std::min(i + l, count - 2)) << kFracBits));
                    y[l] = side == 0 ? u : 1.0f - u;
                }
                // The samples below the 1e-6 cut-off carry the formula on, so the segment
                // across it interpolates the curve rather than a jump to 1.
                const Float4 g = exactGain(y, 0.0f);
                for (int l = 0; l < 4 && i + l < count; ++l) out[i + l] = g[l];
            }
        }
        table_ = std::move(table);
    }

    bool isIdentity() const { return shadow_ == 0 && highlight_ == 1; }

    // The change of encoded luminance L in (0, 1), four lanes at a time. L^(2e) is
    // (L^e)², so each side costs one power.
    Float4 deltaEncoded(Float4 L) const {
        Float4 d = splat(0.0f);
        if (shadow_ != 0) {
            const Float4 p = powApprox(L, 1.0f / (1.0f + std::fabs(shadow_)));
            const Float4 lift = minOf(maxOf(p - 0.76f * p * p - L, splat(0.0f)), splat(1.0f));
            d = shadow_ > 0 ? lift : -minOf(lift, 0.9f * L);
        }
        if (highlight_ != 1) {
            const Float4 p = powApprox(1.0f - L, 1.0f / (2.0f - highlight_));
            d += minOf(maxOf(1.0f - (p - 0.8f * p * p) - L, splat(-1.0f)), splat(0.0f));
        }
        return d;
    }

    // The factor for pixels of unpremultiplied luminance y, straight from the formula
    // (left at 1 at and below `lowest`). Numerator and denominator go through the same
    // curve, and a zero change gives exactly 1.
    Float4 exactGain(Float4 y, float lowest = 1e-6f) const {
        const Int4 inside = (y > lowest) & (y < 1.0f);  // also false for NaN
        const Float4 L = encodeSRGBApprox(select(inside, y, splat(0.5f)));
        const Float4 d = deltaEncoded(L);
        const Float4 k = decodeSRGBApprox(L + d) / decodeSRGBApprox(L);
        return select(inside & (d != 0.0f), k, splat(1.0f));
    }

    // The factor from the table.
    float gain(float y) const {
        if (!(y > 1e-6f) || !(y < 1.0f) || !table_) return 1.0f;
        const bool high = y >= 0.5f;
        const float u = high ? 1.0f - y : y;  // exact: Sterbenz
        const std::uint32_t bits = std::bit_cast<std::uint32_t>(u) - (high ? kHighBits : kLowBits);
        const float* t = table_->data() + (high ? kLowSize : 0) + (bits >> kFracBits);
        const float f = static_cast<float>(bits & kFracMask) * (1.0f / static_cast<float>(1u << kFracBits));
        return t[0] + f * (t[1] - t[0]);
    }

    Rgba apply(Rgba c) const {
        const float k = gain(luminance(c.r, c.g, c.b));
        return {c.r * k, c.g * k, c.b * k, c.a};
    }
    // Scaling rgb commutes with premultiplication, and Y/a is the unpremultiplied luminance.
    void run(const float* in, float* out, int n) const {
        if (isIdentity()) {
            if (in != out) std::memcpy(out, in, sizeof(float) * 4 * static_cast<std::size_t>(n));
            return;
        }
        for (int i = 0; i < n; ++i, in += 4, out += 4) {
            const float a = in[3];
            const float y = luminance(in[0], in[1], in[2]);
            // Opaque pixels skip the division (by 1, which changes nothing).
            const float k = a == 1.0f ? gain(y) : a > 1e-6f ? gain(y / a) : 1.0f;
            out[0] = in[0] * k;
            out[1] = in[1] * k;
            out[2] = in[2] * k;
            out[3] = a;
        }
    }
    void operator()(float* px, int n) const { run(px, px, n); }

private:
    // 128 samples per octave: y from 2^-20 (below 1e-6, which is left alone) to 0.5,
    // and 1 − y from 2^-24 (the float just below 1) to 0.5. Each side ends with one
    // spare sample so the last segment can be read whole.
    static constexpr int kSegmentBits = 7;
    static constexpr int kFracBits = 23 - kSegmentBits;
    static constexpr std::uint32_t kFracMask = (1u << kFracBits) - 1;
    static constexpr std::uint32_t kLowBits = static_cast<std::uint32_t>(127 - 20) << 23;
    static constexpr std::uint32_t kHighBits = static_cast<std::uint32_t>(127 - 24) << 23;
    static constexpr int kLowSize = ((20 - 1) << kSegmentBits) + 2;
    static constexpr int kHighSize = ((24 - 1) << kSegmentBits) + 2;
    static constexpr int kTableSize = kLowSize + kHighSize;

    float shadow_ = 0;     // clamped to [-1, 1]
    float highlight_ = 1;  // clamped to [0, 1]
    std::shared_ptr<const std::vector<float>> table_;
};

// Saturation change weighted by how muted the colour already is: positive
// amounts boost muted colours most, negative amounts mute vivid colours most.
struct VibranceKernel {
    float amount = 0;

    Rgba apply(Rgba c) const {
        const float y = luminance(c.r, c.g, c.b);
        const float sat = std::clamp(std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b}), 0.0f, 1.0f);
        const float f = 1.0f + amount * (1.0f - (amount >= 0 ? sat : -sat));
        return {y + f * (c.r - y), y + f * (c.g - y), y + f * (c.b - y), c.a};
    }
    // The map is homogeneous in rgb except for the saturation measure, which
    // is taken on the unpremultiplied colour.
    void run(const float* in, float* out, int n) const {
        // In a local: stores through `out` could otherwise alias it.
        const float amt = amount;
        const float sign = amt >= 0 ? 1.0f : -1.0f;
        int i = 0;
        while (i < n) {
            // Opaque pixels four at a time, one vector per channel; any other pixel, and
            // the last few, one at a time.
            for (; i + 4 <= n; i += 4, in += 16, out += 16) {
                const Quad q = loadQuad(in);
                if (!allLanesSet(q.a == 1.0f)) break;
                const Float4 r = q.r, g = q.g, b = q.b;
                const Float4 spread = maxOf(r, maxOf(g, b)) - minOf(r, minOf(g, b));
                const Float4 sat = minOf(maxOf(spread, Float4{}), splat(1.0f));
                const Float4 f = 1.0f + amt * (1.0f - sign * sat);
                const Float4 y = kYr * r + kYg * g + kYb * b;
                storeQuad(out, {y + f * (r - y), y + f * (g - y), y + f * (b - y), q.a});
            }
            for (const int next = std::min(n, i + 4); i < next; ++i, in += 4, out += 4) {
                const float r = in[0], g = in[1], b = in[2], a = in[3];
                float spread = std::max(r, std::max(g, b)) - std::min(r, std::min(g, b));
                if (a != 1.0f) spread *= a > 1e-6f ? 1.0f / a : 0.0f;
                const float sat = std::min(1.0f, std::max(0.0f, spread));
                const float f = 1.0f + amt * (1.0f - sign * sat);
                const float y = luminance(r, g, b);
                out[0] = y + f * (r - y);
                out[1] = y + f * (g - y);
                out[2] = y + f * (b - y);
                out[3] = a;
            }
        }
    }
    void operator()(float* px, int n) const { run(px, px, n); }
};

// Natural (cos⁴-like) fall-off about the extent centre, scaled by intensity.
struct VignetteKernel {
    float cx = 0, cy = 0;    // centre of the extent in the plane
    float invHalfDiag = 0;   // 1 / half the diagonal
    float invRadius2 = 1;    // 1 / radius²
    float intensity = 0;

    VignetteKernel(const VignetteParameters& p, double minX, double minY, double width, double height)
        : cx(static_cast<float>(minX + width / 2)),
          cy(static_cast<float>(minY + height / 2)),
          invHalfDiag(static_cast<float>(2.0 / std::max(std::hypot(width, height), 1e-9))),
          invRadius2(static_cast<float>(1.0 / std::max(double(p.radius) * p.radius, 1e-12))),
          intensity(std::isfinite(p.intensity) ? p.intensity : 0.0f) {}

    // The factor for a pixel centre (x, y).
    float factor(float x, float y) const {
        const float dx = (x - cx) * invHalfDiag, dy = (y - cy) * invHalfDiag;
        const float q = 1.0f + (dx * dx + dy * dy) * invRadius2;
        const float v = 1.0f / (q * q);
        return std::max(0.0f, 1.0f - intensity * (1.0f - v));
    }

    // A row of n pixels whose first centre is (x0, y), one unit apart.
    void row(const float* in, float* out, int n, float x0, float y) const {
        const float ccx = cx, scale = invHalfDiag, r2 = invRadius2, k = intensity;
        const float dy = (y - cy) * scale;
        const float dy2 = dy * dy;
        int i = 0;
        // Four factors at a time, each computed as factor() does.
        for (; i + 4 <= n; i += 4, in += 16, out += 16) {
            const Float4 x = splat(x0) + Float4{static_cast<float>(i), static_cast<float>(i + 1),
                                                static_cast<float>(i + 2), static_cast<float>(i + 3)};
            const Float4 dx = (x - ccx) * scale;
            const Float4 q = 1.0f + (dx * dx + dy2) * r2;
            const Float4 v = 1.0f / (q * q);
            const Float4 f = maxOf(Float4{}, 1.0f - k * (1.0f - v));
            for (int l = 0; l < 4; ++l)
                store4(out + 4 * l, load4(in + 4 * l) * Float4{f[l], f[l], f[l], 1.0f});
        }
        for (; i < n; ++i, in += 4, out += 4) {
            const float f = factor(x0 + static_cast<float>(i), y);
            out[0] = in[0] * f;
            out[1] = in[1] * f;
            out[2] = in[2] * f;
            out[3] = in[3];
        }
    }
};

}  // namespace vantrel::kernels
