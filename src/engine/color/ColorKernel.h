#pragma once
// Pointwise kernels for colour filters defined on straight (unpremultiplied) colour: each
// pixel is divided by its alpha (colour 0 where alpha <= 1e-6), handed to the filter, and
// re-premultiplied by the alpha the filter leaves. Opaque rows skip the division. The filter
// is a template argument, so it is inlined into the row loop (no call per pixel).
#include <cstring>

#include "engine/core/Image.h"

namespace vantrel {

namespace detail {
template <class F>
inline void runColorRow(const RowSpan& s, const float* in, float* out, F& f) {
    const int n = s.count;
    bool opaque = true;
    for (int i = 0; i < n; ++i) opaque &= in[4 * i + 3] == 1.0f;
    if (opaque) {
        for (int i = 0; i < n; ++i) {
            float* p = out + 4 * i;
            std::memcpy(p, in + 4 * i, sizeof(float) * 4);
            f(p, i);
            if (p[3] != 1.0f) { p[0] *= p[3]; p[1] *= p[3]; p[2] *= p[3]; }
        }
        return;
    }
    for (int i = 0; i < n; ++i) {
        float* p = out + 4 * i;
        std::memcpy(p, in + 4 * i, sizeof(float) * 4);
        const float a = p[3];
        const float inv = a > 1e-6f ? 1.0f / a : 0.0f;
        p[0] *= inv; p[1] *= inv; p[2] *= inv;
        f(p, i);
        p[0] *= p[3]; p[1] *= p[3]; p[2] *= p[3];
    }
}
}  // namespace detail

// `f(float* rgba)`: rewrite one straight RGBA pixel in place.
template <class F>
PointwiseKernel colorKernel(F f) {
    return [f](const RowSpan& s, const float* const* in, float* out) {
        auto g = [&f](float* p, int) { f(p); };
        detail::runColorRow(s, in[0], out, g);
    };
}

// `f(float* rgba, double x, double y)`: the same with the pixel centre (vignettes, gradients).
template <class F>
PointwiseKernel positionalColorKernel(F f) {
    return [f](const RowSpan& s, const float* const* in, float* out) {
        const double y = double(s.y) + 0.5;
        const double x0 = double(s.x) + 0.5;
        auto g = [&f, x0, y](float* p, int i) { f(p, x0 + i, y); };
        detail::runColorRow(s, in[0], out, g);
    };
}

// A colour filter as an image: `colorFilter(in, [=](float* c) { c[0] = 1 - c[0]; ... })`.
template <class F>
Image colorFilter(const Image& input, F f) {
    return Image::pointwise({input}, colorKernel(std::move(f)));
}

}  // namespace vantrel
