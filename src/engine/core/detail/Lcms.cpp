#include "engine/core/detail/Lcms.h"

namespace vantrel::detail {

LcmsProfile createDisplayP3Profile(bool linear) {
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
    const cmsFloat64Number srgb[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    cmsToneCurve* curve = linear ? cmsBuildGamma(nullptr, 1.0) : cmsBuildParametricToneCurve(nullptr, 4, srgb);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    LcmsProfile p(cmsCreateRGBProfileTHR(nullptr, &white, &primaries, curves));
    cmsFreeToneCurve(curve);
    return p;
}

}  // namespace vantrel::detail
