#pragma once
// Small helpers shared by the filter kernels: a plain RGBA value, the luminance
// weights and the move between premultiplied and straight colour. Colour-space
// matrices and transfer curves come from engine/Color.h.
#include "engine/Color.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

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

// A 3×3 colour matrix narrowed for per-pixel loops (row-major).
struct Matrix3f {
    float m[9];
    explicit Matrix3f(const color::Matrix3& d) {
        for (int i = 0; i < 9; ++i) m[i] = static_cast<float>(d.m[static_cast<size_t>(i)]);
    }
};

}  // namespace vantrel::kernels
