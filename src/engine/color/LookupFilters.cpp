#include "engine/color/LookupFilters.h"

#include "engine/color/ColorFilters.h"

namespace vantrel {

Image colorCube(const Image& image, ColorCubeParameters p) {
    auto kernel = kernels::ColorCubeKernel::make(std::move(p));
    return kernel ? spanFilter(image, std::move(*kernel)) : image;
}

Image colorCube(const Image& image, const kernels::ColorCubeKernel& kernel) { return spanFilter(image, kernel); }

Image colorCurves(const Image& image, const ColorCurvesParameters& p) {
    auto kernel = kernels::ColorCurvesKernel::make(p);
    return kernel ? spanFilter(image, std::move(*kernel)) : image;
}

}  // namespace vantrel
