#include "engine/filters/Blends.h"

namespace vantrel {
namespace {

template <class Blend>
Image twoInputBlend(const Image& image, const Image& background) {
    return Image::pointwise({image, background}, [](const RowSpan& s, const float* const* in, float* out) {
        kernels::blendSpan<Blend>(in[0], in[1], out, s.count);
    });
}

}  // namespace

Image screen(const Image& image, const Image& background) {
    return twoInputBlend<kernels::ScreenBlend>(image, background);
}

Image addition(const Image& image, const Image& background) {
    return twoInputBlend<kernels::AdditionBlend>(image, background);
}

Image softLight(const Image& image, const Image& background) {
    return twoInputBlend<kernels::SoftLightBlend>(image, background);
}

Image multiply(const Image& image, const Image& background) {
    return twoInputBlend<kernels::MultiplyBlend>(image, background);
}

Image blendWithMask(const Image& image, const Image& background, const Image& mask) {
    const Rect extent = background.extent().united(image.extent().intersected(mask.extent()));
    return Image::pointwise(
        {image, background, mask},
        [](const RowSpan& s, const float* const* in, float* out) {
            const float *img = in[0], *bg = in[1], *m = in[2];
            // MaskBlend::apply, one pixel per vector.
            // The mask's green, clamped without branches (a NaN mask counts as 0).
            using kernels::Float4;
            const Float4 zero = kernels::splat(0.0f), one = kernels::splat(1.0f);
            const int n = 4 * s.count;
            for (int i = 0; i < n; i += 4) {
                const Float4 g = kernels::load4(m + i);
                const Float4 t = kernels::minOf(kernels::maxOf(__builtin_shufflevector(g, g, 1, 1, 1, 1), zero), one);
                const Float4 b = kernels::load4(bg + i);
                kernels::store4(out + i, b + t * (kernels::load4(img + i) - b));
            }
        },
        {.extent = extent});
}

}  // namespace vantrel
