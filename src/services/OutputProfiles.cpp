#include "services/OutputProfiles.h"

#include <lcms2.h>

#include <stdexcept>

namespace vantrel {
namespace {

constexpr const char* kDisplayP3Name = "Display P3";
constexpr const char* kSRGBName = "sRGB IEC61966-2.1";

struct ProfileHandle {
    cmsHPROFILE h;
    ~ProfileHandle() { if (h) cmsCloseProfile(h); }
};

void setText(cmsHPROFILE h, cmsTagSignature tag, const char* text) {
    cmsMLU* mlu = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(mlu, "en", "US", text);
    cmsWriteTag(h, tag, mlu);
    cmsMLUfree(mlu);
}

// D65 white, the given primaries and the piecewise sRGB curve (IEC 61966-2.1).
std::vector<std::uint8_t> buildProfile(const cmsCIExyYTRIPLE& primaries, const char* description) {
    const cmsCIExyY d65{0.3127, 0.3290, 1.0};
    const cmsFloat64Number srgbCurve[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgbCurve);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    ProfileHandle profile{cmsCreateRGBProfileTHR(nullptr, &d65, &primaries, curves)};
    cmsFreeToneCurve(curve);
    if (!profile.h) throw std::runtime_error("lcms2 could not build the output profile");
    setText(profile.h, cmsSigProfileDescriptionTag, description);
    setText(profile.h, cmsSigCopyrightTag, "No copyright, use freely");
    cmsUInt32Number size = 0;
    if (!cmsSaveProfileToMem(profile.h, nullptr, &size) || size == 0)
        throw std::runtime_error("lcms2 could not save the output profile");
    std::vector<std::uint8_t> bytes(size);
    if (!cmsSaveProfileToMem(profile.h, bytes.data(), &size))
        throw std::runtime_error("lcms2 could not save the output profile");
    bytes.resize(size);
    return bytes;
}

}  // namespace

const std::vector<std::uint8_t>& outputProfile(OutputSpace space) {
    static const std::vector<std::uint8_t> displayP3 =
        buildProfile({{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}}, kDisplayP3Name);
    static const std::vector<std::uint8_t> sRGB =
        buildProfile({{0.640, 0.330, 1.0}, {0.300, 0.600, 1.0}, {0.150, 0.060, 1.0}}, kSRGBName);
    return space == OutputSpace::sRGB ? sRGB : displayP3;
}

const char* outputProfileName(OutputSpace space) { return space == OutputSpace::sRGB ? kSRGBName : kDisplayP3Name; }

}  // namespace vantrel
