#pragma once
// Small helpers shared by the filter kernels: a plain RGBA value, the luminance
// weights and the move between premultiplied and straight colour. Colour-space
// matrices and transfer curves come from Color.h.
#include "engine/core/Color.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

namespace vantrel::kernels {

// One RGBA value. Filters in ColorKernels.h see it unpremultiplied; blends and
// generators see it premultiplied (each header says which).
struct Rgba {
    float r = 0, g = 0, b = 0, a = 0;
    friend bool operator==(const Rgba&, const Rgba&) = default;
};

// Rec. 709 luminance weights, the ones the pipeline's own matrices use.
inline constexpr float kYr = 0.2126f, kYg = 0.7152f, kYb = 0.0722f;
inline float luminance(float r, float g, float b) { return kYr * r + kYg * g + kYb * b; }

inline Rgba premultiplied(Rgba c) { return {c.r * c.a, c.g * c.a, c.b * c.a, c.a}; }

// Colour filters work on unpremultiplied colour; (nearly) transparent pixels have none.
inline Rgba unpremultiplied(Rgba p) {
    if (p.a == 1.0f) return p;
    if (!(p.a > 1e-6f)) return {0, 0, 0, p.a};
    const float inv = 1.0f / p.a;
    return {p.r * inv, p.g * inv, p.b * inv, p.a};
}

// Four floats in one SIMD register (GCC/Clang vector extension, so it builds on
// any target): one RGBA pixel, or one cube cell.
using Float4 = float __attribute__((vector_size(16)));
using Int4 = std::int32_t __attribute__((vector_size(16)));
inline Float4 load4(const float* p) {
    Float4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void store4(float* p, Float4 v) { std::memcpy(p, &v, sizeof v); }
inline Float4 splat(float v) { return Float4{v, v, v, v}; }

// Lane-wise max(a, b) and min(a, b); a NaN in `a` gives `b` (so clamps drop NaN).
#if defined(__SSE2__)
inline Float4 maxOf(Float4 a, Float4 b) { return Float4(_mm_max_ps(__m128(a), __m128(b))); }
inline Float4 minOf(Float4 a, Float4 b) { return Float4(_mm_min_ps(__m128(a), __m128(b))); }
// True when lanes 0 to 2 (the colour) of a comparison mask are all set.
inline bool colourLanesSet(Int4 mask) { return (_mm_movemask_ps(__m128(mask)) & 7) == 7; }
inline bool allLanesSet(Int4 mask) { return _mm_movemask_ps(__m128(mask)) == 15; }
#else
inline Float4 maxOf(Float4 a, Float4 b) { return a > b ? a : b; }
inline Float4 minOf(Float4 a, Float4 b) { return a < b ? a : b; }
inline bool colourLanesSet(Int4 mask) { return mask[0] && mask[1] && mask[2]; }
inline bool allLanesSet(Int4 mask) { return mask[0] && mask[1] && mask[2] && mask[3]; }
#endif

// Four RGBA pixels as one vector per channel (lane k is pixel k), and back.
struct Quad {
    Float4 r, g, b, a;
};
inline Quad loadQuad(const float* px) {
    Float4 p0 = load4(px), p1 = load4(px + 4), p2 = load4(px + 8), p3 = load4(px + 12);
#if defined(__SSE2__)
    __m128 x = __m128(p0), y = __m128(p1), z = __m128(p2), w = __m128(p3);
    _MM_TRANSPOSE4_PS(x, y, z, w);
    return {Float4(x), Float4(y), Float4(z), Float4(w)};
#else
    return {Float4{p0[0], p1[0], p2[0], p3[0]}, Float4{p0[1], p1[1], p2[1], p3[1]},
            Float4{p0[2], p1[2], p2[2], p3[2]}, Float4{p0[3], p1[3], p2[3], p3[3]}};
#endif
}
inline void storeQuad(float* px, const Quad& q) {
#if defined(__SSE2__)
    __m128 x = __m128(q.r), y = __m128(q.g), z = __m128(q.b), w = __m128(q.a);
    _MM_TRANSPOSE4_PS(x, y, z, w);
    store4(px, Float4(x));
    store4(px + 4, Float4(y));
    store4(px + 8, Float4(z));
    store4(px + 12, Float4(w));
#else
    for (int k = 0; k < 4; ++k) {
        px[4 * k] = q.r[k];
        px[4 * k + 1] = q.g[k];
        px[4 * k + 2] = q.b[k];
        px[4 * k + 3] = q.a[k];
    }
#endif
}

// True when every pixel of the span is opaque: then premultiplied and straight
// colour are the same and the per-pixel conversions can be skipped.
inline bool isOpaque(const float* px, int n) {
    for (int i = 0; i < n; ++i)
        if (px[4 * i + 3] != 1.0f) return false;
    return true;
}

// A premultiplied pixel as straight colour (colour 0 when nearly transparent), and back.
inline Float4 straightened(Float4 p) {
    const float a = p[3];
    if (a == 1.0f) return p;
    const float inv = a > 1e-6f ? 1.0f / a : 0.0f;
    return p * Float4{inv, inv, inv, 1.0f};
}
inline Float4 premultiplied(Float4 c) {
    const float a = c[3];
    return a == 1.0f ? c : c * Float4{a, a, a, 1.0f};
}

// ---- Vector forms of log2, exp2, powers and the sRGB curve ------------------------
// Branch-free, for per-pixel tone curves, on any float vector V (Float4, or an
// eight-lane vector in code built for AVX2: always inlined, so they take the
// caller's instruction set). Accurate to a few parts in 1e7
// relative, well inside what an 8- or 16-bit output can show.

template <class V>
using LaneMask = decltype(V{} < V{});

// The lane of `a` where the mask is set, else of `b`.
template <class V>
[[gnu::always_inline]] inline V select(LaneMask<V> mask, V a, V b) {
    using I = LaneMask<V>;
    return std::bit_cast<V>((std::bit_cast<I>(a) & mask) | (std::bit_cast<I>(b) & ~mask));
}

template <class V>
[[gnu::always_inline]] inline V absOf(V v) {
    return std::bit_cast<V>(std::bit_cast<LaneMask<V>>(v) & 0x7fffffff);
}

// Lane-wise max and min with the bound's lane where v is NaN, like maxOf / minOf.
template <class V>
[[gnu::always_inline]] inline V atLeast(V v, float lo) {
    return v > lo ? v : V{} + lo;
}
template <class V>
[[gnu::always_inline]] inline V atMost(V v, float hi) {
    return v < hi ? v : V{} + hi;
}

// log2 of positive finite lanes (0 gives about -127).
template <class V>
[[gnu::always_inline]] inline V log2Approx(V x) {
    using I = LaneMask<V>;
    const I bits = std::bit_cast<I>(x);
    I exponent = ((bits >> 23) & 0xff) - 127;
    V m = std::bit_cast<V>((bits & 0x007fffff) | 0x3f800000);  // [1, 2)
    // Centre the mantissa on 1 ([√½, √2)) so the series below converges fast.
    const I high = m > 1.41421356f;
    m = select<V>(high, m * 0.5f, m);
    exponent -= high;  // the mask is -1 where set
    // ln m = 2·atanh(t), t = (m − 1)/(m + 1), |t| ≤ 0.172.
    const V t = (m - 1.0f) / (m + 1.0f);
    const V t2 = t * t;
    const V series = 1.0f + t2 * (1.0f / 3 + t2 * (1.0f / 5 + t2 * (1.0f / 7 + t2 * (1.0f / 9))));
    return __builtin_convertvector(exponent, V) + t * series * 2.88539008f;  // 2 / ln 2
}

// 2^x, with x limited to [-126, 127].
template <class V>
[[gnu::always_inline]] inline V exp2Approx(V x) {
    using I = LaneMask<V>;
    x = atMost(atLeast(x, -126.0f), 127.0f);
    const V n = (x + 12582912.0f) - 12582912.0f;  // nearest integer (1.5 · 2^23 trick)
    const V f = (x - n) * 0.693147181f;           // |f| ≤ ln 2 / 2
    const V p =
        1.0f + f * (1.0f + f * (0.5f + f * (1.0f / 6 + f * (1.0f / 24 + f * (1.0f / 120 + f * (1.0f / 720 + f * (1.0f / 5040)))))));
    const I scale = (__builtin_convertvector(n, I) + 127) << 23;
    return p * std::bit_cast<V>(scale);
}

// x^e for positive lanes.
template <class V>
[[gnu::always_inline]] inline V powApprox(V x, float e) {
    return exp2Approx(log2Approx(x) * e);
}

// The sRGB curve, linear -> encoded and back, for lanes in [0, 1].
template <class V>
[[gnu::always_inline]] inline V encodeSRGBApprox(V v) {
    const V curve = 1.055f * powApprox(atLeast(v, 0.0031308f), 1.0f / 2.4f) - 0.055f;
    return select<V>(v <= 0.0031308f, v * 12.92f, curve);
}
template <class V>
[[gnu::always_inline]] inline V decodeSRGBApprox(V v) {
    const V curve = powApprox(atLeast(v + 0.055f, 0.04045f + 0.055f) * (1.0f / 1.055f), 2.4f);
    return select<V>(v <= 0.04045f, v * (1.0f / 12.92f), curve);
}

// A 3×3 colour matrix narrowed for per-pixel loops (row-major).
struct Matrix3f {
    float m[9];
    explicit Matrix3f(const color::Matrix3& d) {
        for (int i = 0; i < 9; ++i) m[i] = static_cast<float>(d.m[static_cast<size_t>(i)]);
    }
};

}  // namespace vantrel::kernels
