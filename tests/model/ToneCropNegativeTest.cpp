#include <cmath>
#include <limits>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "JsonTestSupport.h"
#include "model/CropParameters.h"
#include "model/CurvePoint.h"
#include "model/HSLAdjustment.h"
#include "model/HSLColorChannel.h"
#include "model/NegativeLabParameters.h"

namespace vantrel {
namespace {

using nlohmann::json;
using namespace vantrel::testing;
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

TEST(CurvePoint, ClampsOnBuildAndOnRead) {
    const Uuid id = Uuid::random();
    EXPECT_EQ((CurvePoint{id, -0.2, 1.3}.clamped()), (CurvePoint{id, 0, 1}));
    EXPECT_EQ((CurvePoint{id, 0.37, nan}.clamped()), (CurvePoint{id, 0.37, 1}));
    EXPECT_EQ((CurvePoint{id, -0.2, 1.3}).x, -0.2);  // field by field stores as given

    const json j = {{"x", 2}, {"y", 0.5}};
    const auto a = j.get<CurvePoint>();
    const auto b = j.get<CurvePoint>();
    EXPECT_EQ(a.x, 1);
    EXPECT_EQ(a.y, 0.5);
    EXPECT_NE(a.id, b.id);  // a missing id is drawn afresh each time
    EXPECT_NE((json{{"id", nullptr}, {"x", 0}, {"y", 0}}).get<CurvePoint>().id, Uuid());

    expectRoundTrip(CurvePoint{id, 0.25, 0.75}, {"id", "x", "y"});
    EXPECT_EQ(decodeFailure<CurvePoint>({{"x", 0.5}}), "y: missing key");
    EXPECT_EQ(decodeFailure<CurvePoint>({{"x", "0.5"}, {"y", 0}}), "x: expected number, found string");
    EXPECT_EQ(decodeFailure<CurvePoint>({{"id", "nope"}, {"x", 0}, {"y", 0}}), "id: not a valid UUID: \"nope\"");
}

TEST(HSL, ChannelTableAndOlderLabels) {
    EXPECT_EQ(colorHex(HSLColorChannel::cyan), "#32ADE6");
    EXPECT_EQ(hueCenter(HSLColorChannel::purple), 285);
    EXPECT_EQ(hueCenter(HSLColorChannel::magenta), 330);
    EXPECT_FALSE(enumFromRaw<HSLColorChannel>("aqua"));

    const std::pair<const char*, HSLColorChannel> older[] = {
        {"红 (Red)", HSLColorChannel::red},           {"橙 (Orange - 肤色)", HSLColorChannel::orange},
        {"黄 (Yellow)", HSLColorChannel::yellow},     {"绿 (Green - 植被)", HSLColorChannel::green},
        {"青 (Cyan - 天空)", HSLColorChannel::cyan},  {"蓝 (Blue - 阴影)", HSLColorChannel::blue},
        {"紫 (Purple)", HSLColorChannel::purple},     {"洋红 (Magenta)", HSLColorChannel::magenta},
    };
    for (const auto& [label, channel] : older) {
        EXPECT_EQ(json(label).get<HSLColorChannel>(), channel) << label;
        EXPECT_EQ(json(channel), json(std::string(rawValue(channel))));  // never written
    }
    EXPECT_EQ(json("Cyan").get<HSLColorChannel>(), HSLColorChannel::red);
    EXPECT_EQ(json("aqua").get<HSLColorChannel>(), HSLColorChannel::red);
    EXPECT_THROW((void)json(3).get<HSLColorChannel>(), JsonDecodeError);
}

TEST(HSL, AdjustmentNeutralityAndStrictJson) {
    EXPECT_TRUE((HSLAdjustment{0.0009, -0.0009, 0}.isNeutral()));
    EXPECT_FALSE((HSLAdjustment{0, 0.001, 0}.isNeutral()));
    EXPECT_FALSE((HSLAdjustment{0, 0, -0.001}.isNeutral()));
    EXPECT_TRUE(HSLAdjustment::zero().isNeutral());
    expectRoundTrip(HSLAdjustment{12, -30, 0.5}, {"hue", "saturation", "luminance"});
    expectStrict(HSLAdjustment{12, -30, 0.5});
}

TEST(NormalizedRect, ClampingInitialiser) {
    EXPECT_EQ((NormalizedRect{-0.1, 0.2, 1.5, 0}.clamped()), (NormalizedRect{0, 0.2, 1, 0.01}));
    EXPECT_EQ((NormalizedRect{1, 0, 0.5, 1}.clamped()), (NormalizedRect{1, 0, 0.01, 1}));
    EXPECT_EQ((NormalizedRect{nan, nan, 0.5, 0.5}.clamped()), (NormalizedRect{1, 1, 0.01, 0.01}));
    EXPECT_EQ((NormalizedRect{0.25, 0.5, nan, nan}.clamped()), (NormalizedRect{0.25, 0.5, 0.75, 0.5}));
    EXPECT_EQ(NormalizedRect::full().clamped(), NormalizedRect::full());
    EXPECT_TRUE((NormalizedRect{0.0005, 0, 0.9995, 1.0009}.isFull()));
    EXPECT_FALSE((NormalizedRect{0.001, 0, 1, 1}.isFull()));
}

TEST(CropParameters, IdentityIgnoresAspectRatioAndFullTurns) {
    CropParameters crop{{0.0005, 0, 0.9995, 1.0009}, 0.009, 4, false, false, CropAspectRatio::xpan};
    EXPECT_TRUE(crop.isIdentity());
    crop.quarterTurns = -4;
    EXPECT_TRUE(crop.isIdentity());
    crop.quarterTurns = 8;
    EXPECT_TRUE(crop.isIdentity());
    for (int turns : {1, -1, 2, 3, 5}) {
        crop.quarterTurns = turns;
        EXPECT_FALSE(crop.isIdentity()) << turns;
    }
    crop.quarterTurns = 0;
    crop.straightenAngle = 0.01;
    EXPECT_FALSE(crop.isIdentity());
    crop.straightenAngle = -0.009;
    crop.isFlippedH = true;
    EXPECT_FALSE(crop.isIdentity());
    crop.isFlippedH = false;
    crop.isFlippedV = true;
    EXPECT_FALSE(crop.isIdentity());
    EXPECT_TRUE(CropParameters::defaultValue().isIdentity());
    EXPECT_EQ(CropParameters{}, CropParameters::defaultValue());
}

TEST(CropParameters, AspectRatios) {
    EXPECT_EQ(ratio(CropAspectRatio::original, 6000, 4000), 1.5);
    EXPECT_EQ(ratio(CropAspectRatio::original, 6000, 0), 1.5);
    EXPECT_EQ(ratio(CropAspectRatio::original, 4000, 5000), 0.8);
    EXPECT_FALSE(ratio(CropAspectRatio::free, 6000, 4000));
    EXPECT_EQ(ratio(CropAspectRatio::fourByFive, 1, 1), 0.8);
    EXPECT_DOUBLE_EQ(*ratio(CropAspectRatio::xpan, 1, 1), 65.0 / 24.0);
    EXPECT_EQ(shortLabel(CropAspectRatio::sixBySeven), "6:7");
    EXPECT_EQ(shortLabel(CropAspectRatio::free), "crop.freeShort");

    EXPECT_EQ(json("65:24 (哈苏 XPan 宽幅)").get<CropAspectRatio>(), CropAspectRatio::xpan);
    EXPECT_EQ(json("3:2 (135 全画幅)").get<CropAspectRatio>(), CropAspectRatio::threeByTwo);
    EXPECT_EQ(json("原始画幅 (Original)").get<CropAspectRatio>(), CropAspectRatio::original);
    EXPECT_EQ(json("3:2").get<CropAspectRatio>(), CropAspectRatio::free);
    EXPECT_EQ(json("threeByTwo").get<CropAspectRatio>(), CropAspectRatio::threeByTwo);
    EXPECT_EQ(json(CropAspectRatio::sixteenByNine), json("sixteenByNine"));
}

TEST(CropParameters, StrictJsonKeepsValuesAsRead) {
    const CropParameters crop{{0.1, 0.2, 0.5, 0.6}, -3.5, 5, true, false, CropAspectRatio::sixBySeven};
    expectRoundTrip(crop, {"rect", "straightenAngle", "quarterTurns", "isFlippedH", "isFlippedV", "aspectRatio"});
    expectStrict(crop);
    json j = crop;
    EXPECT_EQ(j["quarterTurns"], 5);
    j["quarterTurns"] = 1.5;
    EXPECT_EQ(decodeFailure<CropParameters>(j), "quarterTurns: expected integer, found 1.5");
    j["quarterTurns"] = 2.0;
    EXPECT_EQ(j.get<CropParameters>().quarterTurns, 2);
    j = crop;
    j["rect"].erase("height");
    EXPECT_EQ(decodeFailure<CropParameters>(j), "rect.height: missing key");
    j = crop;
    j["rect"]["x"] = -4;  // not clamped on reading
    EXPECT_EQ(j.get<CropParameters>().rect.x, -4);
    expectStrict(NormalizedRect{0.1, 0.2, 0.3, 0.4});
}

TEST(NegativeLab, DefaultsClampingAndNeutrality) {
    const auto& off = NegativeLabParameters::defaultValue();
    EXPECT_FALSE(off.isEnabled);
    EXPECT_EQ(off.filmBaseColor, (std::vector<double>{0.85, 0.45, 0.25}));
    EXPECT_TRUE(off.isNeutral());
    EXPECT_FALSE(NegativeLabParameters::enabledDefault().isNeutral());
    NegativeLabParameters changed = off;
    changed.isEnabled = true;
    EXPECT_EQ(changed, NegativeLabParameters::enabledDefault());
    changed = off;
    changed.gamma = 2;
    EXPECT_TRUE(changed.isNeutral());

    NegativeLabParameters raw{.filmBaseColor = {0.9, 0.5}, .densityStretch = 0.1, .gamma = 5, .colorBalance = -2,
                              .highlightRecovery = -0.5, .shadowDensity = 1.5};
    const auto c = raw.clamped();
    EXPECT_EQ(c.filmBaseColor, (std::vector<double>{0.85, 0.45, 0.25}));
    EXPECT_EQ(c.densityStretch, 0.2);
    EXPECT_EQ(c.gamma, 3);
    EXPECT_EQ(c.colorBalance, -1);
    EXPECT_EQ(c.highlightRecovery, 0);
    EXPECT_EQ(c.shadowDensity, 1);
    raw.filmBaseColor = {0.9, 0.5, 0.3};
    raw.densityStretch = raw.gamma = raw.colorBalance = raw.highlightRecovery = raw.shadowDensity = nan;
    const auto n = raw.clamped();
    EXPECT_EQ(n.filmBaseColor, (std::vector<double>{0.9, 0.5, 0.3}));
    EXPECT_EQ(n.densityStretch, 3);
    EXPECT_EQ(n.gamma, 3);
    EXPECT_EQ(n.colorBalance, 1);
    EXPECT_EQ(n.highlightRecovery, 1);
    EXPECT_EQ(n.shadowDensity, 1);
}

TEST(NegativeLab, StrictJsonWithExactFilmTypes) {
    const NegativeLabParameters negative{true, NegativeFilmType::bwNegative, {0.7, 0.6}, 4, 0.1, -2, 0.3, 0.2};
    expectRoundTrip(negative, {"isEnabled", "filmType", "filmBaseColor", "densityStretch", "gamma", "colorBalance",
                               "highlightRecovery", "shadowDensity"});
    expectStrict(negative);
    json j = negative;
    EXPECT_EQ(j["filmType"], "bwNegative");
    EXPECT_EQ(j.get<NegativeLabParameters>().filmBaseColor.size(), 2u);  // length not checked on reading
    j["filmType"] = "slide";
    EXPECT_EQ(decodeFailure<NegativeLabParameters>(j), "filmType: unknown value \"slide\"");
    j["filmType"] = "colorNegative";
    j["filmBaseColor"] = {0.5, "0.4", 0.3};
    EXPECT_EQ(decodeFailure<NegativeLabParameters>(j), "filmBaseColor[1]: expected number, found string");
    EXPECT_EQ(displayName(NegativeFilmType::bwNegative), "negativeLab.bwNeg");
}

}  // namespace
}  // namespace vantrel
