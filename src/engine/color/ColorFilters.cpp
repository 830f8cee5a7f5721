#include "engine/color/ColorFilters.h"

#include "engine/core/detail/Node.h"

#include <cmath>

namespace vantrel {
namespace {

// White balance, exposure, colour controls, monochrome and invert are affine in
// rgb: when one follows another directly, the two become one node, so a chain
// of them costs one matrix per pixel.
Image affineFilter(const Image& image, const kernels::RgbAffine& map) {
    const detail::Node* node = image.node().get();
    if (node->kind == detail::NodeKind::pointwise && node->inputs.size() == 1 &&
        node->extent == node->inputs[0]->extent)
        if (const auto* row = node->pointwise.target<SpanRow<kernels::RgbAffine>>())
            return spanFilter(Image(node->inputs[0]), then(row->kernel, map));
    return spanFilter(image, map);
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

Image invert(const Image& image) { return affineFilter(image, kernels::invertKernel()); }

Image exposure(const Image& image, const ExposureParameters& p) {
    return affineFilter(image, kernels::exposureKernel(p));
}

Image gamma(const Image& image, const GammaParameters& p) {
    return spanFilter(image, kernels::GammaKernel{std::isfinite(p.power) ? p.power : 1.0f});
}

Image colorControls(const Image& image, const ColorControlsParameters& p) {
    return affineFilter(image, kernels::colorControlsKernel(p));
}

Image temperatureAndTint(const Image& image, const TemperatureAndTintParameters& p) {
    // The white balance stage always runs; with equal whites it costs nothing.
    if (p.neutral == p.targetNeutral) return image;
    return affineFilter(image, kernels::RgbAffine::fromMatrix(whiteAdaptationMatrix(p.neutral, p.targetNeutral)));
}

Image highlightsAndShadows(const Image& image, const HighlightShadowParameters& p) {
    return spanFilter(image, kernels::HighlightShadowKernel(p));
}

Image vibrance(const Image& image, const VibranceParameters& p) {
    return spanFilter(image, kernels::VibranceKernel{std::isfinite(p.amount) ? p.amount : 0.0f});
}

Image monochrome(const Image& image, const MonochromeParameters& p) {
    return affineFilter(image, kernels::monochromeKernel(p));
}

Image vignette(const Image& image, const VignetteParameters& p) {
    const Rect& e = image.extent();
    if (!e.isFinite()) return image;  // no centre to fall off from
    const kernels::VignetteKernel kernel(p, double(e.minX()), double(e.minY()), double(e.width), double(e.height));
    return Image::pointwise({image}, [kernel](const RowSpan& s, const float* const* in, float* out) {
        kernel.row(in[0], out, s.count, static_cast<float>(s.x) + 0.5f, static_cast<float>(s.y) + 0.5f);
    });
}

}  // namespace vantrel
