#include <cmath>
#include <limits>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "JsonTestSupport.h"
#include "model/FilmFrameParameters.h"
#include "model/ImageMetadataInfo.h"
#include "model/MaskGroupParameters.h"

namespace vantrel {
namespace {

using nlohmann::json;
using namespace vantrel::testing;
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

TEST(Masks, PointAndRadiusClamps) {
    EXPECT_EQ((NormalizedPoint{-0.2, 1.7}.clamped()), (NormalizedPoint{0, 1}));
    EXPECT_EQ((NormalizedPoint{0.3, 0.3}.clamped()), (NormalizedPoint{0.3, 0.3}));
    EXPECT_EQ((NormalizedPoint{nan, 0}.clamped()), (NormalizedPoint{1, 0}));

    const RadialMask r = RadialMask{.radiusX = 0, .radiusY = 3, .feather = 0, .exposure = 9}.clamped();
    EXPECT_EQ(r.radiusX, 0.02);
    EXPECT_EQ(r.radiusY, 1);
    EXPECT_EQ(r.feather, 0.05);
    EXPECT_EQ(r.exposure, 9);
    EXPECT_EQ(RadialMask{.feather = 1.2}.clamped().feather, 1);
    EXPECT_EQ(RadialMask{.radiusX = nan}.clamped().radiusX, 1);
    EXPECT_EQ(RadialMask{}.clamped().radiusX, 0.25);
}

TEST(Masks, NeutralityIgnoresGeometryAndSwitches) {
    LinearMask linear{.exposure = 0, .temperature = 0.9, .isInverted = true};
    EXPECT_TRUE(linear.isNeutral());
    linear.temperature = 1.0;
    EXPECT_FALSE(linear.isNeutral());
    EXPECT_FALSE(LinearMask{}.isNeutral());  // the default darkens by 0.7
    EXPECT_FALSE(RadialMask{}.isNeutral());
    EXPECT_TRUE((RadialMask{.exposure = 0, .tint = -0.0009}.isNeutral()));
    EXPECT_FALSE((RadialMask{.exposure = 0, .saturation = 1.002}.isNeutral()));

    MaskGroupParameters group;
    EXPECT_TRUE(group.isIdentity());
    group.linearMasks.push_back(LinearMask{.exposure = 0});
    group.radialMasks.push_back(RadialMask{.isEnabled = false});
    EXPECT_TRUE(group.isIdentity());
    group.radialMasks[0].isEnabled = true;
    EXPECT_FALSE(group.isIdentity());
    EXPECT_TRUE(MaskGroupParameters::defaultValue().isIdentity());
}

TEST(Masks, LenientMasksInAStrictGroup) {
    const auto a = json::object().get<LinearMask>();
    const auto b = json::object().get<LinearMask>();
    EXPECT_NE(a.id, b.id);
    EXPECT_EQ(a, LinearMask{.id = a.id});
    EXPECT_EQ(a.name, "线性渐变");
    EXPECT_EQ(a.startPoint, (NormalizedPoint{0.5, 0}));
    EXPECT_EQ(a.endPoint, (NormalizedPoint{0.5, 0.4}));
    EXPECT_EQ(a.exposure, -0.7);

    const auto r = json::object().get<RadialMask>();
    EXPECT_EQ(r, RadialMask{.id = r.id});
    EXPECT_EQ(r.name, "径向聚光");
    EXPECT_EQ(r.exposure, 0.5);

    const auto tiny = (json{{"radiusX", 0.001}, {"name", nullptr}}).get<RadialMask>();
    EXPECT_EQ(tiny.radiusX, 0.001);  // not clamped on reading
    EXPECT_EQ(tiny.name, "径向聚光");
    EXPECT_EQ(decodeFailure<LinearMask>({{"isEnabled", "yes"}}), "isEnabled: expected boolean, found string");
    EXPECT_EQ(decodeFailure<LinearMask>({{"id", "12"}}), "id: not a valid UUID: \"12\"");
    EXPECT_EQ(decodeFailure<LinearMask>({{"startPoint", {{"x", 0.5}}}}), "startPoint.y: missing key");

    MaskGroupParameters group;
    group.linearMasks = {LinearMask{.name = "Sky", .startPoint = {0.2, 0.1}, .isInverted = true}};
    group.radialMasks = {RadialMask{.center = {0.1, 0.9}, .radiusX = 0.4}, RadialMask{.isEnabled = false}};
    expectRoundTrip(group, {"linearMasks", "radialMasks"});
    expectStrict(group);
    expectRoundTrip(group.linearMasks[0], {"id", "name", "isEnabled", "startPoint", "endPoint", "exposure", "contrast",
                                           "highlights", "shadows", "temperature", "tint", "saturation", "isInverted"});
    expectRoundTrip(group.radialMasks[0],
                    {"id", "name", "isEnabled", "center", "radiusX", "radiusY", "feather", "isInverted", "exposure",
                     "contrast", "highlights", "shadows", "temperature", "tint", "saturation"});
    expectStrict(NormalizedPoint{0.2, 0.3});
}

TEST(FilmFrame, DefaultsNeutralityAndClamp) {
    const auto& d = FilmFrameParameters::defaultValue();
    EXPECT_EQ(d.filmStockLabel, "VISION3 500T");
    EXPECT_EQ(d.frameNumber, "▶ 24A");
    EXPECT_TRUE(d.isNeutral());
    EXPECT_TRUE((FilmFrameParameters{.customWatermarkText = "x", .watermarkCamera = "y"}.isNeutral()));
    EXPECT_FALSE(FilmFrameParameters{.showExifWatermark = true}.isNeutral());
    EXPECT_FALSE(FilmFrameParameters{.style = FilmFrameStyle::sprocket135}.isNeutral());

    EXPECT_EQ(FilmFrameParameters{.borderThickness = 0.5}.clamped().borderThickness, 0.2);
    EXPECT_EQ(FilmFrameParameters{.borderThickness = 0.01}.clamped().borderThickness, 0.03);
    EXPECT_EQ(FilmFrameParameters{.borderThickness = nan}.clamped().borderThickness, 0.2);
    EXPECT_EQ(FilmFrameParameters{.borderThickness = 0.1}.clamped().borderThickness, 0.1);
}

TEST(FilmFrame, LenientJson) {
    EXPECT_EQ(json::object().get<FilmFrameParameters>(), FilmFrameParameters::defaultValue());
    FilmFrameParameters polaroid;
    polaroid.style = FilmFrameStyle::polaroid;
    EXPECT_EQ((json{{"style", "polaroid"}}).get<FilmFrameParameters>(), polaroid);
    EXPECT_EQ((json{{"borderThickness", 0.5}}).get<FilmFrameParameters>().borderThickness, 0.5);
    EXPECT_EQ((json{{"showBarcode", nullptr}}).get<FilmFrameParameters>().showBarcode, true);
    EXPECT_EQ(decodeFailure<FilmFrameParameters>({{"colorMode", "amber"}}), "colorMode: unknown value \"amber\"");
    EXPECT_EQ(decodeFailure<FilmFrameParameters>({{"style", "Polaroid"}}), "style: unknown value \"Polaroid\"");
    EXPECT_EQ(decodeFailure<FilmFrameParameters>({{"frameNumber", 24}}), "frameNumber: expected string, found number");

    const FilmFrameParameters full{FilmFrameStyle::galleryBorder, "HP5", "12", 0.15, RebateColorMode::fineArtWhite,
                                   false, false, true, true, FilmWatermarkStyle::goldenBadge,
                                   FilmWatermarkPosition::topRebate, "c", "cam", "lens", "f/8", "2024"};
    expectRoundTrip(full, {"style", "filmStockLabel", "frameNumber", "borderThickness", "colorMode", "showBarcode",
                           "showFrameNumber", "showStockLabel", "showExifWatermark", "watermarkStyle",
                           "watermarkPosition", "customWatermarkText", "watermarkCamera", "watermarkLens",
                           "watermarkParams", "watermarkDate"});
    for (auto s : allCases<FilmFrameStyle>()) EXPECT_EQ(json(s).get<FilmFrameStyle>(), s);
    for (auto s : allCases<FilmWatermarkPosition>()) EXPECT_EQ(json(s).get<FilmWatermarkPosition>(), s);
}

TEST(FilmFrame, WatermarkText) {
    FilmFrameParameters frame;
    // Nothing known prints nothing: no made-up camera or exposure.
    EXPECT_EQ(frame.watermarkText(), "");
    const ImageMetadataInfo empty;
    EXPECT_EQ(frame.watermarkText(&empty), "");

    ImageMetadataInfo leica;
    leica.cameraMake = "LEICA CAMERA AG";
    leica.cameraModel = "LEICA M11-P";
    leica.lensModel = "Summilux-M 35mm f/1.4 ASPH.";
    leica.focalLength = "35mm";
    leica.aperture = "ƒ/1.4";
    leica.shutterSpeed = "1/500s";
    leica.iso = "ISO 400";
    leica.captureDate = "2026:09:05 10:00:00";
    EXPECT_EQ(frame.watermarkText(&leica),
              "LEICA CAMERA AG LEICA M11-P  |  Summilux-M 35mm f/1.4 ASPH.  |  35mm  ƒ/1.4  1/500s  ISO 400  |  2026:09:05 10:00:00");

    leica.cameraMake = "Leica";
    EXPECT_EQ(frame.watermarkText(&leica).substr(0, 14), "LEICA M11-P  |");

    // No camera or lens data, only shutter and ISO.
    ImageMetadataInfo sparse;
    sparse.shutterSpeed = "1/60s";
    sparse.iso = "ISO 1600";
    EXPECT_EQ(frame.watermarkText(&sparse), "1/60s  ISO 1600");

    // Without a lens model the lens part is built from focal length and aperture too.
    ImageMetadataInfo noLens;
    noLens.focalLength = "50mm";
    noLens.aperture = "ƒ/2.0";
    EXPECT_EQ(frame.watermarkText(&noLens), "50mm ƒ/2.0  |  50mm  ƒ/2.0");

    frame.watermarkCamera = "Digital Negative";
    frame.watermarkLens = " ";
    frame.watermarkDate = "1999";
    EXPECT_EQ(frame.watermarkText(&leica), "   |  35mm  ƒ/1.4  1/500s  ISO 400  |  1999");
    frame.watermarkParams = "f/8";
    EXPECT_EQ(frame.watermarkText(), "   |  f/8  |  1999");

    frame.customWatermarkText = " \n\t\u00A0\u3000";
    EXPECT_EQ(frame.watermarkText(), "   |  f/8  |  1999");
    frame.customWatermarkText = "  my roll  ";
    EXPECT_EQ(frame.watermarkText(&leica), "  my roll  ");
}

}  // namespace
}  // namespace vantrel
