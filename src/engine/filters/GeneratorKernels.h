#pragma once
// Per-pixel formulas of the generators (random noise, gradients), free of the
// image graph. They are evaluated at pixel centres of the y-up plane and give
// premultiplied RGBA.
#include "engine/core/FilterMath.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#if defined(__AVX2__)
#include <immintrin.h>
#endif

namespace vantrel::kernels {

// Four independent uniform values in [0, 1) per pixel, a pure function of the
// pixel's integer position in the plane and the channel: the same place always
// gets the same noise, whatever the tiling or thread count.
struct RandomNoise {
    static uint32_t hash(int32_t i, int32_t j, uint32_t channel) {
        uint32_t s = static_cast<uint32_t>(i) * 0x8DA6B343u ^ static_cast<uint32_t>(j) * 0xD8163841u ^
                     channel * 0xCB1AB31Fu;
        s = s * 747796405u + 2891336453u;  // PCG output permutation
        const uint32_t w = ((s >> ((s >> 28u) + 4u)) ^ s) * 277803737u;
        return (w >> 22u) ^ w;
    }
    static float value(int32_t i, int32_t j, uint32_t channel) {
        return static_cast<float>(hash(i, j, channel) >> 8) * (1.0f / 16777216.0f);
    }
    static Rgba at(int32_t i, int32_t j) { return {value(i, j, 0), value(i, j, 1), value(i, j, 2), value(i, j, 3)}; }

    // Pixels (i0 … i0 + n − 1, j).
    static void row(float* px, int n, int32_t i0, int32_t j) {
        for (int k = 0; k < n; ++k, px += 4) {
            const int32_t i = i0 + k;
            for (uint32_t c = 0; c < 4; ++c) px[c] = value(i, j, c);
        }
    }
};

// Mix of two premultiplied colours, t = 0 gives the first.
inline Rgba mixPremultiplied(const Rgba& c0, const Rgba& c1, float t) {
    return {c0.r + t * (c1.r - c0.r), c0.g + t * (c1.g - c0.g), c0.b + t * (c1.b - c0.b), c0.a + t * (c1.a - c0.a)};
}

// Colour 0 at point 0 to colour 1 at point 1, constant beyond both ends.
struct LinearRamp {
    double x0 = 0, y0 = 0;
    double dx = 0, dy = 0;  // scaled so that t = (p − p0)·d
    Rgba c0, c1;            // premultiplied

    LinearRamp(double px0, double py0, double px1, double py1, Rgba premul0, Rgba premul1)
        : x0(px0), y0(py0), c0(premul0), c1(premul1) {
        const double ex = px1 - px0, ey = py1 - py0, len2 = ex * ex + ey * ey;
        if (len2 >= 1e-12) {
            dx = ex / len2;
            dy = ey / len2;
        }
    }
    float t(double x, double y) const {
        const double v = (x - x0) * dx + (y - y0) * dy;
        return static_cast<float>(std::clamp(v, 0.0, 1.0));
    }
    Rgba at(double x, double y) const { return mixPremultiplied(c0, c1, t(x, y)); }
    // t at (x0 + i, y) for i < n, the same values as t(), in one loop that vectorises.
    void tRow(float* out, int n, double x0, double y) const {
        const double base = (y - y0) * dy;
        for (int i = 0; i < n; ++i) {
            const double v = (x0 + double(i) - this->x0) * dx + base;
            out[i] = static_cast<float>(std::min(std::max(v, 0.0), 1.0));  // NaN stays NaN, as in t()
        }
    }
};

// Colour 0 inside radius 0, colour 1 beyond radius 1, linear in distance in
// between. Distances may be measured in an ellipse: the offset from the centre
// is divided by (scaleX, scaleY) first.
struct RadialRamp {
    double cx = 0, cy = 0, r0 = 0, r1 = 0;
    double invScaleX = 1, invScaleY = 1;
    Rgba c0, c1;  // premultiplied

    float t(double x, double y) const {
        const double ux = (x - cx) * invScaleX, uy = (y - cy) * invScaleY;
        const double dist = std::sqrt(ux * ux + uy * uy);
        if (r1 != r0) return static_cast<float>(std::clamp((dist - r0) / (r1 - r0), 0.0, 1.0));
        return dist < r0 ? 0.0f : 1.0f;
    }
    Rgba at(double x, double y) const { return mixPremultiplied(c0, c1, t(x, y)); }
    // t at (x0 + i, y) for i < n, the same values as t(), in loops that vectorise.
    void tRow(float* out, int n, double x0, double y) const {
        const double uy = (y - cy) * invScaleY, uy2 = uy * uy;
        if (r1 == r0) {
            for (int i = 0; i < n; ++i) {
                const double ux = (x0 + double(i) - cx) * invScaleX;
                out[i] = std::sqrt(ux * ux + uy2) < r0 ? 0.0f : 1.0f;
            }
            return;
        }
        const double span = r1 - r0;
        int i = 0;
#if defined(__AVX2__)
        // Four at a time; max(0, v) and min(1, v) in this operand order keep NaN, as std::clamp does.
        const __m256d step = _mm256_setr_pd(0, 1, 2, 3), vcx = _mm256_set1_pd(cx), vsx = _mm256_set1_pd(invScaleX);
        const __m256d vuy2 = _mm256_set1_pd(uy2), vr0 = _mm256_set1_pd(r0), vspan = _mm256_set1_pd(span);
        const __m256d zero = _mm256_setzero_pd(), one = _mm256_set1_pd(1.0);
        for (; i + 4 <= n; i += 4) {
            const __m256d x = _mm256_add_pd(_mm256_set1_pd(x0 + double(i)), step);
            const __m256d ux = _mm256_mul_pd(_mm256_sub_pd(x, vcx), vsx);
            const __m256d dist = _mm256_sqrt_pd(_mm256_add_pd(_mm256_mul_pd(ux, ux), vuy2));
            const __m256d v = _mm256_div_pd(_mm256_sub_pd(dist, vr0), vspan);
            _mm_storeu_ps(out + i, _mm256_cvtpd_ps(_mm256_min_pd(one, _mm256_max_pd(zero, v))));
        }
#endif
        for (; i < n; ++i) {
            const double ux = (x0 + double(i) - cx) * invScaleX;
            const double v = (std::sqrt(ux * ux + uy2) - r0) / span;
            out[i] = static_cast<float>(std::min(std::max(v, 0.0), 1.0));  // NaN stays NaN, as in t()
        }
    }
};

// Pixels (x0 + i, y) of a ramp for i < n: colour 0 mixed towards colour 1 by the ramp's t.
template <class Ramp>
void rampRow(const Ramp& ramp, float* px, int n, double x0, double y) {
    constexpr int kChunk = 128;
    float t[kChunk];
    const Float4 c0{ramp.c0.r, ramp.c0.g, ramp.c0.b, ramp.c0.a};
    const Float4 d = Float4{ramp.c1.r, ramp.c1.g, ramp.c1.b, ramp.c1.a} - c0;
    for (int start = 0; start < n; start += kChunk) {
        const int m = std::min(kChunk, n - start);
        ramp.tRow(t, m, x0 + double(start), y);
        for (int i = 0; i < m; ++i, px += 4) store4(px, c0 + splat(t[i]) * d);
    }
}

}  // namespace vantrel::kernels
