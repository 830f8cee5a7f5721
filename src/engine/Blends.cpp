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
            for (int i = 0; i < 4 * s.count; i += 4) {
                const kernels::Rgba o = kernels::MaskBlend::apply({img[i], img[i + 1], img[i + 2], img[i + 3]},
                                                                  {bg[i], bg[i + 1], bg[i + 2], bg[i + 3]},
                                                                  {m[i], m[i + 1], m[i + 2], m[i + 3]});
                out[i] = o.r;
                out[i + 1] = o.g;
                out[i + 2] = o.b;
                out[i + 3] = o.a;
            }
        },
        {.extent = extent});
}

}  // namespace vantrel
