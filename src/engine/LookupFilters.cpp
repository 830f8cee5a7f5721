#include "engine/LookupFilters.h"

#include <cstring>

namespace vantrel {
namespace {

template <class Kernel>
Image spanFilter(const Image& image, Kernel kernel) {
    return Image::pointwise({image}, [kernel](const RowSpan& s, const float* const* in, float* out) {
        std::memcpy(out, in[0], sizeof(float) * 4 * static_cast<size_t>(s.count));
        kernel(out, s.count);
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
