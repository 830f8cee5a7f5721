#include "engine/Blends.h"

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
            using kernels::Float4;
            for (int i = 0; i < 4 * s.count; i += 4) {
                const float t = std::min(1.0f, std::max(0.0f, m[i + 1]));
                const Float4 b = kernels::load4(bg + i);
                kernels::store4(out + i, b + kernels::splat(t) * (kernels::load4(img + i) - b));
            }
        },
        {.extent = extent});
}

}  // namespace vantrel
