#include "engine/FilmGrainEngine.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "engine/ColorFilters.h"
#include "engine/Generators.h"

namespace vantrel::FilmGrainEngine {

namespace {

// Into [lo, hi]; not-a-number becomes the upper bound, as the recipe's own clamping does.
double held(double v, double lo, double hi) { return std::isnan(v) ? hi : std::clamp(v, lo, hi); }

// 3.8 L − 3.8 L²: 0 at black and white, 0.95 at L = 0.5. Negative beyond [0, 1] (extended
// highlights), where it is held at 0 so bright areas carry no inverted grain.
Image midtoneWeight(const Image& frame) {
    ColorMatrixParameters luma;
    luma.rVector = luma.gVector = luma.bVector = {0.2126f, 0.7152f, 0.0722f, 0.0f};
    ColorPolynomialParameters bell;
    bell.redCoefficients = bell.greenCoefficients = bell.blueCoefficients = {0.0f, 3.8f, -3.8f, 0.0f};
    ColorClampParameters nonNegative;
    nonNegative.maxComponents = {FLT_MAX, FLT_MAX, FLT_MAX, FLT_MAX};
    return colorClamp(colorPolynomial(colorMatrix(frame, luma), bell), nonNegative);
}

// Soft light with the same curve for lightening and darkening (the "pegtop" form): with the
// layer at 0.5 + d the colour moves by 2d·c·(1 − c), so grain that is as often bright as dark
// leaves the frame's tones where they were. The lightening half of the usual soft-light
// curve is steeper than its darkening half in the midtones, which would brighten a grey frame
// by a few per cent even with centred grain. The factor is held at 0 outside 0…1, so
// extended values carry no inverted grain.
void grainBlendRow(const RowSpan& s, const float* const* in, float* out) {
    const float* layer = in[0];
    const float* frame = in[1];
    for (int i = 0; i < s.count; ++i) {
        const float* l = layer + 4 * i;
        const float* f = frame + 4 * i;
        float* o = out + 4 * i;
        const float a = f[3];
        const float inv = a == 1.0f ? 1.0f : (a > 1e-6f ? 1.0f / a : 0.0f);
        for (int k = 0; k < 3; ++k) {
            const float c = f[k] * inv;
            const float room = std::max(c * (1.0f - c), 0.0f);
            o[k] = (c + (2.0f * l[k] - 1.0f) * room) * a;
        }
        o[3] = a;
    }
}

}  // namespace

Image sizedNoise(const Rect& extent, double size) {
    // The generator's values as opaque colour: its random alpha would otherwise be divided
    // out by the colour filters below and inflate the grain where it is small.
    Image noise = Image::pointwise({randomNoise()}, [](const RowSpan& s, const float* const* in, float* out) {
        const float* n = in[0];
        for (int i = 0; i < s.count; ++i) {
            out[4 * i] = n[4 * i];
            out[4 * i + 1] = n[4 * i + 1];
            out[4 * i + 2] = n[4 * i + 2];
            out[4 * i + 3] = 1.0f;
        }
    }).cropped(extent);
    const double s = 1.0 / held(size, 1.0, 3.5);
    if (s < 0.95) {
        // Two real resampling steps: folding them into one map would cancel the scale.
        const TransformOptions separate{Sampling::bilinear, false};
        noise = noise.transformed(AffineTransform::scale(s, s), separate)
                    .transformed(AffineTransform::scale(1.0 / s, 1.0 / s), separate)
                    .cropped(extent);
    }
    return noise;
}

Image grainLayer(const Image& frame, double amount, double size, double roughness, double colorDyeClouds) {
    const Rect& e = frame.extent();
    ColorControlsParameters character;
    character.saturation = float(held(colorDyeClouds, 0.0, 1.0) * 1.2);
    character.contrast = float(1.0 + held(roughness, 0.0, 1.0) * 1.8);
    const Image shaped = colorControls(sizedNoise(e, size), character);

    // Grain strength: the weighted noise scaled by 1.4 × amount about the soft-light neutral
    // 0.5, so the grain adds texture without shifting the frame's tones.
    const float gain = float(held(amount, 0.0, 1.0) * 1.4);
    return Image::pointwise({shaped, midtoneWeight(frame)},
                            [gain](const RowSpan& s, const float* const* in, float* out) {
                                const float* n = in[0];
                                const float* w = in[1];
                                for (int i = 0; i < s.count; ++i) {
                                    const float* np = n + 4 * i;
                                    const float* wp = w + 4 * i;
                                    float* o = out + 4 * i;
                                    o[0] = 0.5f + gain * wp[0] * (np[0] - 0.5f);
                                    o[1] = 0.5f + gain * wp[1] * (np[1] - 0.5f);
                                    o[2] = 0.5f + gain * wp[2] * (np[2] - 0.5f);
                                    o[3] = 1.0f;
                                }
                            },
                            PointwiseOptions{e});
}

Image apply(const Image& frame, double amount, double size, double roughness, double colorDyeClouds) {
    const Rect& e = frame.extent();
    if (!(amount >= kMinAmount) || !e.isFinite() || e.width <= 1 || e.height <= 1) return frame;
    return Image::pointwise({grainLayer(frame, amount, size, roughness, colorDyeClouds), frame}, grainBlendRow,
                            PointwiseOptions{e});
}

}  // namespace vantrel::FilmGrainEngine
