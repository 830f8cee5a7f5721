#include "viewmodel/RenderService.h"

#include <algorithm>
#include <cmath>

namespace vantrel {

QSize developedThumbnailSize(int width, int height) {
    const double w = std::max(width, 1);
    const double h = height;
    const double s = h >= 1 ? std::min(1.0, 240.0 / std::max(w, h)) : std::min(1.0, 240.0 / w);
    // Outward to whole pixels, forgiving the rounding error of s itself.
    return QSize(int(std::ceil(w * s - 1e-6)), int(std::ceil(h * s - 1e-6)));
}

}  // namespace vantrel
