#include "engine/core/ColorProfile.h"

#include <lcms2.h>

#include <array>
#include <cstring>

#include "engine/core/detail/Lcms.h"

namespace vantrel {

struct ColorProfile::Data {
    enum class Kind { working, matrixShaper, lcms } kind = Kind::matrixShaper;
    bool grey = false;
    std::array<color::CurveTable, 3> curves;
    color::Matrix3 toWorking;
    std::vector<std::uint8_t> icc;  // kept for the lcms path
    std::string description;
};

namespace {

std::shared_ptr<ColorProfile::Data> srgbCurveProfile(const color::Matrix3& m, const char* name) {
    auto d = std::make_shared<ColorProfile::Data>();
    d->curves = {color::srgbDecodeTable(), color::srgbDecodeTable(), color::srgbDecodeTable()};
    d->toWorking = m;
    d->description = name;
    return d;
}

std::shared_ptr<ColorProfile::Data> linearProfile(const color::Matrix3& m, const char* name) {
    auto d = std::make_shared<ColorProfile::Data>();
    color::CurveTable identity([](double v) { return v; }, true, -14, 8);
    d->curves = {identity, identity, identity};
    d->toWorking = m;
    d->description = name;
    if (m.isIdentity()) d->kind = ColorProfile::Data::Kind::working;
    return d;
}

color::CurveTable tableOfCurve(const cmsToneCurve* curve) {
    // ICC curves are defined on [0, 1]; beyond it a parametric curve is evaluated as it stands
    // and a sampled one keeps its end slope (through the table's extrapolation).
    const bool parametric = cmsGetToneCurveParametricType(curve) != 0;
    return color::CurveTable(
        [curve, parametric](double v) {
            if (!parametric && v > 1.0) return double(cmsEvalToneCurveFloat(curve, 1.0f));
            return double(cmsEvalToneCurveFloat(curve, float(v)));
        },
        true, -16, parametric ? 8 : 0);
}

std::string profileDescription(cmsHPROFILE h) {
    char buf[256] = {};
    cmsGetProfileInfoASCII(h, cmsInfoDescription, "en", "US", buf, sizeof buf);
    return buf;
}

}  // namespace

ColorProfile::ColorProfile() : data_(srgbCurveProfile(color::linearSRGBToLinearP3(), "sRGB IEC61966-2.1")) {}

ColorProfile ColorProfile::sRGB() { return ColorProfile(); }
ColorProfile ColorProfile::displayP3() {
    static const auto d = srgbCurveProfile(color::Matrix3{}, "Display P3");
    return ColorProfile(d);
}
ColorProfile ColorProfile::linearDisplayP3() {
    static const auto d = linearProfile(color::Matrix3{}, "Linear Display P3");
    return ColorProfile(d);
}

std::optional<ColorProfile> ColorProfile::fromIcc(const std::uint8_t* bytes, std::size_t size) {
    if (!bytes || size < 128 || size > (std::size_t(1) << 28)) return std::nullopt;
    detail::LcmsProfile h(cmsOpenProfileFromMemTHR(nullptr, bytes, cmsUInt32Number(size)));
    if (!h) return std::nullopt;
    const cmsColorSpaceSignature space = cmsGetColorSpace(h.get());
    if (space != cmsSigRgbData && space != cmsSigGrayData) return std::nullopt;
    auto d = std::make_shared<Data>();
    d->description = profileDescription(h.get());
    d->grey = space == cmsSigGrayData;
    d->icc.assign(bytes, bytes + size);
    if (d->grey) {
        auto* trc = static_cast<const cmsToneCurve*>(cmsReadTag(h.get(), cmsSigGrayTRCTag));
        if (trc) {
            d->kind = Data::Kind::matrixShaper;
            d->curves = {tableOfCurve(trc), tableOfCurve(trc), tableOfCurve(trc)};
            return ColorProfile(d);
        }
    } else if (cmsIsMatrixShaper(h.get())) {
        auto* r = static_cast<const cmsCIEXYZ*>(cmsReadTag(h.get(), cmsSigRedColorantTag));
        auto* g = static_cast<const cmsCIEXYZ*>(cmsReadTag(h.get(), cmsSigGreenColorantTag));
        auto* b = static_cast<const cmsCIEXYZ*>(cmsReadTag(h.get(), cmsSigBlueColorantTag));
        auto* rt = static_cast<const cmsToneCurve*>(cmsReadTag(h.get(), cmsSigRedTRCTag));
        auto* gt = static_cast<const cmsToneCurve*>(cmsReadTag(h.get(), cmsSigGreenTRCTag));
        auto* bt = static_cast<const cmsToneCurve*>(cmsReadTag(h.get(), cmsSigBlueTRCTag));
        if (r && g && b && rt && gt && bt) {
            // Colorants are the D50-adapted XYZ of the primaries; adapt to D65, then to P3.
            const color::Matrix3 toXYZ50{{r->X, g->X, b->X, r->Y, g->Y, b->Y, r->Z, g->Z, b->Z}};
            d->kind = Data::Kind::matrixShaper;
            d->toWorking = color::xyzToLinearP3() * color::bradfordD50ToD65() * toXYZ50;
            d->curves = {tableOfCurve(rt), tableOfCurve(gt), tableOfCurve(bt)};
            return ColorProfile(d);
        }
    }
    d->kind = Data::Kind::lcms;
    return ColorProfile(d);
}

bool ColorProfile::isMatrixShaper() const { return data_->kind != Data::Kind::lcms; }
bool ColorProfile::isGrey() const { return data_->grey; }
bool ColorProfile::isWorkingSpace() const { return data_->kind == Data::Kind::working; }
const color::CurveTable& ColorProfile::curve(int channel) const { return data_->curves[std::size_t(channel)]; }
const color::Matrix3& ColorProfile::toWorking() const { return data_->toWorking; }
std::string ColorProfile::description() const { return data_->description; }

const std::vector<std::uint8_t>& detail::iccBytesOf(const ColorProfile& p) { return p.data()->icc; }

std::vector<std::uint8_t> iccProfileBytes(OutputSpace space) {
    detail::LcmsProfile h(space == OutputSpace::sRGB ? cmsCreate_sRGBProfileTHR(nullptr)
                          : space == OutputSpace::displayP3 ? detail::createDisplayP3Profile(false).release()
                                                            : detail::createDisplayP3Profile(true).release());
    std::vector<std::uint8_t> out;
    if (!h) return out;
    if (space == OutputSpace::displayP3) {
        cmsMLU* mlu = cmsMLUalloc(nullptr, 1);
        cmsMLUsetASCII(mlu, "en", "US", "Display P3");
        cmsWriteTag(h.get(), cmsSigProfileDescriptionTag, mlu);
        cmsMLUfree(mlu);
    }
    cmsUInt32Number n = 0;
    if (!cmsSaveProfileToMem(h.get(), nullptr, &n) || n == 0) return out;
    out.resize(n);
    if (!cmsSaveProfileToMem(h.get(), out.data(), &n)) out.clear();
    return out;
}

}  // namespace vantrel
