#pragma once
// Pointwise colour filters over images: each returns a new lazy image whose
// pixels are computed, fused with its neighbours in the chain, when rendered.
// Colour filters act on unpremultiplied colour in the linear working space and
// keep the input's extent. Parameter records default to the neutral setting.
#include "engine/color/ColorKernels.h"
#include "engine/core/Image.h"
#include "engine/color/WhitePoint.h"

namespace vantrel {

// The row function of a one-input pointwise image made from a span kernel:
// anything with `run(const float* in, float* out, int n) const` over
// premultiplied RGBA. A named type, so a filter can recognise its input.
template <class Kernel>
struct SpanRow {
    Kernel kernel;
    void operator()(const RowSpan& s, const float* const* in, float* out) const { kernel.run(in[0], out, s.count); }
};

template <class Kernel>
Image spanFilter(const Image& image, Kernel kernel) {
    return Image::pointwise({image}, SpanRow<Kernel>{std::move(kernel)});
}

// A one-off colour filter on straight colour: `f(float* rgba)` rewrites one unpremultiplied
// pixel in place, e.g. `colorFilter(in, [](float* c) { c[0] = 1 - c[0]; })`.
template <class F>
Image colorFilter(const Image& image, F f) {
    return Image::pointwise({image}, [f](const RowSpan& s, const float* const* in, float* out) {
        kernels::forEachUnpremultiplied(in[0], out, s.count, f);
    });
}

struct TemperatureAndTintParameters {
    WhitePoint neutral{};        // the white the image was balanced for
    WhitePoint targetNeutral{};  // the white it should look balanced for
};

// Affine map of every component: see ColorMatrixParameters.
Image colorMatrix(const Image& image, const ColorMatrixParameters& p);
// Each component clamped to its [min, max].
Image colorClamp(const Image& image, const ColorClampParameters& p = {});
// A cubic polynomial per component.
Image colorPolynomial(const Image& image, const ColorPolynomialParameters& p);
// 1 − c per colour channel; extended values go below 0.
Image invert(const Image& image);
// rgb · 2^ev.
Image exposure(const Image& image, const ExposureParameters& p);
// sign(c)·|c|^power per colour channel.
Image gamma(const Image& image, const GammaParameters& p);
// Saturation about the luminance grey, then brightness, then contrast about 0.5.
Image colorControls(const Image& image, const ColorControlsParameters& p);
// Chromatic adaptation from the neutral white to the target white; equal
// whites return the image itself.
Image temperatureAndTint(const Image& image, const TemperatureAndTintParameters& p);
// Lifts shadows and recovers highlights on the luminance; hue is kept.
Image highlightsAndShadows(const Image& image, const HighlightShadowParameters& p);
// Saturation weighted towards muted colours.
Image vibrance(const Image& image, const VibranceParameters& p);
// Luminance tinted by a colour, mixed with the original by intensity.
Image monochrome(const Image& image, const MonochromeParameters& p);
// Darkens (or brightens) towards the corners of the image's extent.
Image vignette(const Image& image, const VignetteParameters& p);

}  // namespace vantrel
