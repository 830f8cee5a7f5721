#include <gtest/gtest.h>

#include <lcms2.h>

#include <cmath>
#include <limits>
#include <random>

#include "engine/core/ColorProfile.h"
#include "engine/core/Context.h"
#include "engine/core/detail/Lcms.h"

namespace vantrel {
namespace {

using color::Matrix3;

void expectNear(const Matrix3& a, const Matrix3& b, double tol) {
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(a.m[std::size_t(i)], b.m[std::size_t(i)], tol) << i;
}

TEST(Colour, MatricesMatchThePublishedValuesAndRoundTrip) {
    expectNear(color::linearP3ToXYZ(),
               Matrix3{{0.4865709, 0.2656677, 0.1982173, 0.2289746, 0.6917385, 0.0792869, 0, 0.0451134, 1.0439444}}, 1e-6);
    expectNear(color::linearSRGBToLinearP3(), Matrix3{{0.8224620, 0.1775380, 0, 0.0331942, 0.9668058, 0, 0.0170826, 0.0723974, 0.9105199}},
               1e-6);
    expectNear(color::linearP3ToLinearSRGB() * color::linearSRGBToLinearP3(), Matrix3{}, 1e-12);
    expectNear(color::xyzToLinearP3() * color::linearP3ToXYZ(), Matrix3{}, 1e-12);
    expectNear(color::xyzToLinearSRGB() * color::linearSRGBToXYZ(), Matrix3{}, 1e-12);
    // White stays white in every space.
    const auto w = color::linearSRGBToLinearP3().apply(1, 1, 1);
    for (double v : w) EXPECT_NEAR(v, 1.0, 1e-12);
    const auto d50 = color::bradfordD50ToD65().apply(0.9642, 1.0, 0.8249);
    EXPECT_NEAR(d50[0], 0.3127 / 0.3290, 1e-9);
    EXPECT_NEAR(d50[2], (1 - 0.3127 - 0.3290) / 0.3290, 1e-9);
    // Colour arguments: sRGB-encoded grey 0.5 becomes linear 0.2140 in P3.
    const WorkingColor grey = color::workingFromSRGB(0.5, 0.5, 0.5, 1.0);
    EXPECT_NEAR(grey.r, 0.2140, 1e-4);
    const WorkingColor warm = color::workingFromSRGB(1.0, 0.45, 0.1, 0.5);
    EXPECT_NEAR(warm.r / warm.a, 0.8528, 1e-4);
    EXPECT_NEAR(warm.g / warm.a, 0.1982, 1e-4);
    EXPECT_NEAR(warm.b / warm.a, 0.0386, 1e-4);
    const auto back = color::srgbFromWorking(warm);
    EXPECT_NEAR(back[0], 1.0, 1e-6);
    EXPECT_NEAR(back[1], 0.45, 1e-6);
    EXPECT_NEAR(back[3], 0.5, 1e-6);
}

TEST(Colour, FastTransferCurveIsExactEnoughForSixteenBitsOverTheExtendedRange) {
    double worstEnc = 0, worstDec = 0, worstTrip = 0;
    for (int i = -200000; i <= 200000; ++i) {
        const double x = i * 8e-5;  // -16 .. 16, crossing both linear segments
        const double e = color::encodeSRGB(x), d = color::decodeSRGB(x);
        worstEnc = std::max(worstEnc, std::fabs(color::encodeSRGBFast(float(x)) - e) / std::max(1.0, std::fabs(e)));
        worstDec = std::max(worstDec, std::fabs(color::decodeSRGBFast(float(x)) - d) / std::max(1.0, std::fabs(d)));
        worstTrip = std::max(worstTrip, std::fabs(color::decodeSRGB(e) - x));
    }
    EXPECT_LT(worstEnc, 0.25 / 65535);
    EXPECT_LT(worstDec, 1e-5);  // a tenth of a 16-bit step once encoded again
    EXPECT_LT(worstTrip, 1e-12);
    // Sign mirroring, tiny values, the ends.
    EXPECT_FLOAT_EQ(color::encodeSRGBFast(-0.5f), -color::encodeSRGBFast(0.5f));
    EXPECT_NEAR(color::encodeSRGBFast(1e-7f), 12.92e-7, 1e-12);
    EXPECT_EQ(color::encodeSRGBFast(0.0f), 0.0f);
    EXPECT_NEAR(color::encodeSRGBFast(1.0f), 1.0, 1e-6);
    EXPECT_EQ(color::encodeSRGBFast(std::numeric_limits<float>::quiet_NaN()), 0.0f);
    EXPECT_GT(color::encodeSRGBFast(1e30f), 1.0f);
}

Image pixelsImage(const std::vector<WorkingColor>& colours) {
    PixelBuffer b(Rect{0, 0, std::int64_t(colours.size()), 1});
    for (std::size_t i = 0; i < colours.size(); ++i) {
        float* p = b.at(std::int64_t(i), 0);
        p[0] = colours[i].r;
        p[1] = colours[i].g;
        p[2] = colours[i].b;
        p[3] = colours[i].a;
    }
    return Image::fromBuffer(std::move(b));
}

TEST(Colour, QuantisationHandlesNaNInfinitiesAndRoundsCorrectly) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const Image im = pixelsImage({{nan, inf, -inf, 1}, {2.0f, -0.5f, 0.5f, 1}, {0.3f, 0.3f, 0.3f, nan}, {inf, 0, 0, inf}, {0.25f, 0.1f, 0.0f, 0.5f}});
    const Context ctx;
    const auto b8 = ctx.makeBitmap(im);
    const auto b16 = ctx.makeBitmap16(im);
    ASSERT_TRUE(b8 && b16);
    const std::uint8_t e8[5][4] = {{0, 255, 0, 255}, {255, 0, 188, 255}, {0, 0, 0, 0}, {255, 0, 0, 255}, {0, 0, 0, 128}};
    for (int i = 0; i < 4; ++i)
        for (int k = 0; k < 4; ++k) EXPECT_EQ(+b8->at(i, 0)[k], e8[i][k]) << i << " " << k;

    EXPECT_EQ(b16->at(0, 0)[0], 0);
    EXPECT_EQ(b16->at(0, 0)[1], 65535);
    EXPECT_EQ(b16->at(0, 0)[2], 0);
    EXPECT_EQ(b16->at(1, 0)[2], std::uint16_t(std::lround(color::encodeSRGB(0.5) * 65535)));
    EXPECT_EQ(b16->at(2, 0)[3], 0);
    // Half-transparent pixel: encoded straight colour, premultiplied in the encoded domain.
    EXPECT_EQ(b8->at(4, 0)[0], std::lround(color::encodeSRGB(0.5) * 0.5 * 255));
    EXPECT_EQ(b8->at(4, 0)[1], std::lround(color::encodeSRGB(0.2) * 0.5 * 255));

    // Opaque 8-bit output is correctly rounded against the exact curve; 16-bit within a step.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    std::vector<WorkingColor> many;
    for (int i = 0; i < 4000; ++i) {
        const float v = u(rng) * u(rng) * u(rng);
        many.push_back({v, v * 0.5f, v * 0.01f, 1});
    }
    const auto m8 = ctx.makeBitmap(pixelsImage(many));
    const auto m16 = ctx.makeBitmap16(pixelsImage(many));
    ASSERT_TRUE(m8 && m16);
    for (int i = 0; i < 4000; ++i) {
        const float* c = &many[std::size_t(i)].r;
        for (int k = 0; k < 3; ++k) {
            const double e = color::encodeSRGB(double(c[k]));
            ASSERT_EQ(m8->at(i, 0)[k], std::lround(e * 255)) << c[k];
            ASSERT_NEAR(m16->at(i, 0)[k], e * 65535, 0.6) << c[k];
        }
    }
}

std::vector<std::uint8_t> saveProfile(cmsHPROFILE h) {
    cmsUInt32Number n = 0;
    cmsSaveProfileToMem(h, nullptr, &n);
    std::vector<std::uint8_t> out(n);
    cmsSaveProfileToMem(h, out.data(), &n);
    return out;
}

// Adobe RGB (1998)-like: gamma 2.2 and wide primaries.
std::vector<std::uint8_t> adobeLikeProfile() {
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE prim{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve* g = cmsBuildGamma(nullptr, 2.2);
    cmsToneCurve* curves[3] = {g, g, g};
    cmsHPROFILE h = cmsCreateRGBProfile(&white, &prim, curves);
    auto bytes = saveProfile(h);
    cmsCloseProfile(h);
    cmsFreeToneCurve(g);
    return bytes;
}

// The same space as a LUT-based profile (no colorant or curve tags), for the lcms2 path.
std::vector<std::uint8_t> adobeLikeLutProfile() {
    const auto bytes = adobeLikeProfile();
    cmsHPROFILE src = cmsOpenProfileFromMem(bytes.data(), cmsUInt32Number(bytes.size()));
    cmsHPROFILE xyz = cmsCreateXYZProfile();
    cmsHTRANSFORM t = cmsCreateTransform(src, TYPE_RGB_DBL, xyz, TYPE_XYZ_DBL, INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE);
    cmsHPROFILE h = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(h, 2.1);
    cmsSetDeviceClass(h, cmsSigInputClass);
    cmsSetColorSpace(h, cmsSigRgbData);
    cmsSetPCS(h, cmsSigXYZData);
    cmsPipeline* lut = cmsPipelineAlloc(nullptr, 3, 3);
    cmsStage* clut = cmsStageAllocCLut16bit(nullptr, 33, 3, 3, nullptr);
    struct Ctx { cmsHTRANSFORM t; };
    Ctx c{t};
    cmsStageSampleCLut16bit(
        clut,
        [](const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) -> cmsInt32Number {
            const double rgb[3] = {in[0] / 65535.0, in[1] / 65535.0, in[2] / 65535.0};
            double x[3];
            cmsDoTransform(static_cast<Ctx*>(cargo)->t, rgb, x, 1);
            cmsCIEXYZ v{x[0], x[1], x[2]};
            cmsFloat2XYZEncoded(out, &v);
            return 1;
        },
        &c, 0);
    cmsPipelineInsertStage(lut, cmsAT_BEGIN, clut);
    cmsWriteTag(h, cmsSigAToB0Tag, lut);
    cmsCIEXYZ wp{0.9642, 1.0, 0.8249};
    cmsWriteTag(h, cmsSigMediaWhitePointTag, &wp);
    auto out = saveProfile(h);
    cmsPipelineFree(lut);
    cmsCloseProfile(h);
    cmsDeleteTransform(t);
    cmsCloseProfile(xyz);
    cmsCloseProfile(src);
    return out;
}

SourcePixels ramp16() {
    SourcePixels p = SourcePixels::allocate(64, 4, 3, SampleType::uint16);
    for (int y = 0; y < 4; ++y) {
        auto* row = reinterpret_cast<std::uint16_t*>(p.mutableRow(y));
        for (int x = 0; x < 64; ++x) {
            row[3 * x] = std::uint16_t(x * 1040);
            row[3 * x + 1] = std::uint16_t((63 - x) * 1040);
            row[3 * x + 2] = std::uint16_t(y * 20000);
        }
    }
    return p;
}

TEST(Colour, IccSourcesMatchLittleCmsOnBothPaths) {
    const auto icc = adobeLikeProfile();
    const auto profile = ColorProfile::fromIcc(icc);
    ASSERT_TRUE(profile);
    EXPECT_TRUE(profile->isMatrixShaper());
    EXPECT_FALSE(ColorProfile::fromIcc(std::vector<std::uint8_t>(200, 7)));

    // Reference: lcms2 float transform into linear Display P3.
    cmsHPROFILE src = cmsOpenProfileFromMem(icc.data(), cmsUInt32Number(icc.size()));
    detail::LcmsProfile dst = detail::createDisplayP3Profile(true);
    cmsHTRANSFORM t = cmsCreateTransform(src, TYPE_RGB_16, dst.get(), TYPE_RGB_FLT, INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE);
    const SourcePixels px = ramp16();
    const Context ctx;
    auto ours = ctx.renderFloat(Image::fromPixels(px, *profile), Rect{0, 0, 64, 4});
    ASSERT_TRUE(ours);

    const auto lutIcc = adobeLikeLutProfile();
    const auto lutProfile = ColorProfile::fromIcc(lutIcc);
    ASSERT_TRUE(lutProfile) << lutIcc.size();
    EXPECT_FALSE(lutProfile->isMatrixShaper());
    auto viaLcms = ctx.renderFloat(Image::fromPixels(ramp16(), *lutProfile), Rect{0, 0, 64, 4});
    ASSERT_TRUE(viaLcms);

    double worst = 0, worstLut = 0;
    for (int y = 0; y < 4; ++y) {
        float ref[64 * 3];
        cmsDoTransform(t, px.row(y), ref, 64);
        const float* row = ours->view().rowFromTop(y);
        const float* lrow = viaLcms->view().rowFromTop(y);
        for (int x = 0; x < 64; ++x)
            for (int k = 0; k < 3; ++k) {
                worst = std::max(worst, double(std::fabs(row[4 * x + k] - ref[3 * x + k])));
                worstLut = std::max(worstLut, double(std::fabs(lrow[4 * x + k] - ref[3 * x + k])));
            }
    }
    EXPECT_LT(worst, 2e-4);
    EXPECT_LT(worstLut, 5e-3);  // through a 33-point table
    cmsDeleteTransform(t);
    cmsCloseProfile(src);

    // The built-in spaces: sRGB source white and P3 red land where they should.
    const auto p3Bytes = iccProfileBytes(OutputSpace::displayP3);
    const auto p3 = ColorProfile::fromIcc(p3Bytes);
    ASSERT_TRUE(p3);
    EXPECT_TRUE(p3->toWorking().isIdentity(1e-3));
    EXPECT_EQ(p3->description(), "Display P3");
    const auto srgb = ColorProfile::fromIcc(iccProfileBytes(OutputSpace::sRGB));
    ASSERT_TRUE(srgb);
    expectNear(srgb->toWorking(), color::linearSRGBToLinearP3(), 2e-3);
}

}  // namespace
}  // namespace vantrel
