#include "engine/LookupFilters.h"


namespace vantrel {
namespace {

template <class Kernel>
Image spanFilter(const Image& image, Kernel kernel) {
    return Image::pointwise({image}, [kernel](const RowSpan& s, const float* const* in, float* out) {
        kernel.run(in[0], out, s.count);
    });
}

}  // namespace

Image colorCube(const Image& image, const ColorCubeParameters& p) {
    auto kernel = kernels::ColorCubeKernel::make(p);
    return kernel ? spanFilter(image, std::move(*kernel)) : image;
}

Image colorCurves(const Image& image, const ColorCurvesParameters& p) {
    auto kernel = kernels::ColorCurvesKernel::make(p);
    return kernel ? spanFilter(image, std::move(*kernel)) : image;
}

}  // namespace vantrel
