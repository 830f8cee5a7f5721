#pragma once
// Per-pixel formulas of the two-image blends, on premultiplied RGBA and free of
// the image graph. The source is the layer laid on top, the backdrop the image
// below; neither is clamped, so extended values pass through.
#include "engine/core/FilterMath.h"

#include <algorithm>
#include <cmath>

namespace vantrel::kernels {

// co = cs + cb − cs·cb, on all four components.
struct ScreenBlend {
    static Rgba apply(Rgba s, Rgba b) {
        return {s.r + b.r - s.r * b.r, s.g + b.g - s.g * b.g, s.b + b.b - s.b * b.b, s.a + b.a - s.a * b.a};
    }
};

// Screen of one pixel held in a vector, as 1 − (1 − layer)(1 − backdrop): an opaque backdrop
// stays exactly opaque (the sum-minus-product form can round its alpha off 1, which sends every
// pixel down the encoder's slower path for translucent colour).
inline Float4 screenOver(Float4 layer, Float4 backdrop) { return 1.0f - (1.0f - layer) * (1.0f - backdrop); }

// co = cs + cb; the alpha saturates at 1.
struct AdditionBlend {
    static Rgba apply(Rgba s, Rgba b) { return {s.r + b.r, s.g + b.g, s.b + b.b, std::min(s.a + b.a, 1.0f)}; }
};

// Component-wise product, alpha included.
struct MultiplyBlend {
    static Rgba apply(Rgba s, Rgba b) { return {s.r * b.r, s.g * b.g, s.b * b.b, s.a * b.a}; }
};

// Soft light as in the PDF and W3C compositing model: the source lightens the
// backdrop where it is above half grey and darkens it below; black and white
// backdrops stay as they are.
struct SoftLightBlend {
    static float d(float x) { return x <= 0.25f ? ((16.0f * x - 12.0f) * x + 4.0f) * x : std::sqrt(x); }

    // αs·αb·B(Cb, Cs) written without dividing by αs.
    static float mixed(float cs, float as, float cb, float ab) {
        if (!(ab > 1e-6f) || !(as > 1e-6f)) return 0.0f;
        const float Cb = ab == 1.0f ? cb : cb / ab;
        const float k = 2.0f * cs - as;  // αs·(2Cs − 1)
        if (k <= 0.0f) return ab * (as * Cb + k * Cb * (1.0f - Cb));
        return ab * (as * Cb + k * (d(Cb) - Cb));
    }

    static Rgba apply(Rgba s, Rgba b) {
        const float keepS = 1.0f - b.a, keepB = 1.0f - s.a;
        return {s.r * keepS + b.r * keepB + mixed(s.r, s.a, b.r, b.a),
                s.g * keepS + b.g * keepB + mixed(s.g, s.a, b.g, b.a),
                s.b * keepS + b.b * keepB + mixed(s.b, s.a, b.b, b.a), s.a + b.a - s.a * b.a};
    }
};

// out = background + m·(image − background), m = the mask's premultiplied green
// clamped to [0, 1].
struct MaskBlend {
    static Rgba apply(Rgba image, Rgba background, Rgba mask) {
        const float m = std::min(1.0f, std::max(0.0f, mask.g));
        return {background.r + m * (image.r - background.r), background.g + m * (image.g - background.g),
                background.b + m * (image.b - background.b), background.a + m * (image.a - background.a)};
    }
};

// Runs a two-input blend over spans of n pixels; `out` may be either input.
template <typename Blend>
inline void blendSpan(const float* source, const float* backdrop, float* out, int n) {
    for (int i = 0; i < n; ++i, source += 4, backdrop += 4, out += 4) {
        const Rgba o = Blend::apply({source[0], source[1], source[2], source[3]},
                                    {backdrop[0], backdrop[1], backdrop[2], backdrop[3]});
        out[0] = o.r;
        out[1] = o.g;
        out[2] = o.b;
        out[3] = o.a;
    }
}

}  // namespace vantrel::kernels
