#include "engine/ColorFilters.h"

#include <cstring>

namespace vantrel {
namespace {

// Wraps an in-place span kernel (premultiplied RGBA) as a pointwise image.
template <class Kernel>
Image spanFilter(const Image& image, Kernel kernel) {
    return Image::pointwise({image}, [kernel](const RowSpan& s, const float* const* in, float* out) {
        std::memcpy(out, in[0], sizeof(float) * 4 * static_cast<size_t>(s.count));
        kernel(out, s.count);
    });
}

}  // namespace

Image colorMatrix(const Image& image, const ColorMatrixParameters& p) {
    return spanFilter(image, kernels::ColorMatrixKernel{p});
}

Image colorClamp(const Image& image, const ColorClampParameters& p) {
    return spanFilter(image, kernels::ColorClampKernel{p});
}

Image colorPolynomial(const Image& image, const ColorPolynomialParameters& p) {
    return spanFilter(image, kernels::ColorPolynomialKernel{p});
}

Image invert(const Image& image) { return spanFilter(image, kernels::invertKernel()); }

Image exposure(const Image& image, const ExposureParameters& p) {
    return spanFilter(image, kernels::exposureKernel(p));
}

Image gamma(const Image& image, const GammaParameters& p) {
    return spanFilter(image, kernels::GammaKernel{std::isfinite(p.power) ? p.power : 1.0f});
}

Image colorControls(const Image& image, const ColorControlsParameters& p) {
    return spanFilter(image, kernels::colorControlsKernel(p));
}

Image temperatureAndTint(const Image& image, const TemperatureAndTintParameters& p) {
    return spanFilter(image, kernels::RgbAffine::fromMatrix(whiteAdaptationMatrix(p.neutral, p.targetNeutral)));
}

Image highlightsAndShadows(const Image& image, const HighlightShadowParameters& p) {
    return spanFilter(image, kernels::HighlightShadowKernel(p));
}

Image vibrance(const Image& image, const VibranceParameters& p) {
    return spanFilter(image, kernels::VibranceKernel{std::isfinite(p.amount) ? p.amount : 0.0f});
}

Image monochrome(const Image& image, const MonochromeParameters& p) {
    return spanFilter(image, kernels::monochromeKernel(p));
}

Image vignette(const Image& image, const VignetteParameters& p) {
    const Rect& e = image.extent();
    if (!e.isFinite()) return image;  // no centre to fall off from
    const kernels::VignetteKernel kernel(p, double(e.minX()), double(e.minY()), double(e.width), double(e.height));
    return Image::pointwise({image}, [kernel](const RowSpan& s, const float* const* in, float* out) {
        std::memcpy(out, in[0], sizeof(float) * 4 * static_cast<size_t>(s.count));
        kernel.row(out, s.count, static_cast<float>(s.x) + 0.5f, static_cast<float>(s.y) + 0.5f);
    });
}

}  // namespace vantrel
