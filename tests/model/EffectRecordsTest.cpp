#include <cmath>
#include <limits>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "JsonTestSupport.h"
#include "model/ColorGradingParameters.h"
#include "model/DustAndScratchesParameters.h"
#include "model/FilmGrainParameters.h"
#include "model/HalationParameters.h"
#include "model/LightLeakParameters.h"
#include "model/SpotHealingParameters.h"
#include "model/SubjectMaskParameters.h"
#include "model/UltraHDRParameters.h"

namespace vantrel {
namespace {

using nlohmann::json;
using namespace vantrel::testing;
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

TEST(FilmGrain, ClampingNeutralityAndJson) {
    EXPECT_EQ((FilmGrainParameters{1.2, 0.5, -0.1, 0.3}.clamped()), (FilmGrainParameters{1, 1, 0, 0.3}));
    EXPECT_EQ((FilmGrainParameters{0, 4, 0.5, 0.25}.clamped().size), 3.5);
    EXPECT_EQ((FilmGrainParameters{nan, nan, nan, nan}.clamped()), (FilmGrainParameters{1, 3.5, 1, 1}));
    EXPECT_EQ(FilmGrainParameters{}, (FilmGrainParameters{0, 1.6, 0.5, 0.25}));
    EXPECT_TRUE(FilmGrainParameters{.amount = 0.0049}.isNeutral());
    EXPECT_FALSE(FilmGrainParameters{.amount = 0.005}.isNeutral());
    const FilmGrainParameters grain{0.4, 2.5, 0.7, 0.1};
    expectRoundTrip(grain, {"amount", "size", "roughness", "colorDyeClouds"});
    expectStrict(grain);
    EXPECT_EQ((json{{"amount", 9}, {"size", 0}, {"roughness", 0}, {"colorDyeClouds", 0}}).get<FilmGrainParameters>().amount, 9);
}

TEST(ColorGrading, WheelsBalanceAndJson) {
    EXPECT_TRUE((ColorWheelAdjustment{200, 0, 0}.isNeutral()));
    EXPECT_TRUE((ColorWheelAdjustment{0, -0.5, 0}.isNeutral()));
    EXPECT_FALSE((ColorWheelAdjustment{0, 0, -0.001}.isNeutral()));
    EXPECT_FALSE((ColorWheelAdjustment{0, 0.001, 0}.isNeutral()));
    EXPECT_EQ((ColorWheelAdjustment{30, 1.4, -3}.clamped()), (ColorWheelAdjustment{30, 1, -1}));
    EXPECT_EQ((ColorWheelAdjustment{400, -0.2, 0}.clamped()), (ColorWheelAdjustment{400, 0, 0}));
    EXPECT_EQ((ColorWheelAdjustment{nan, nan, nan}.clamped()), (ColorWheelAdjustment{0, 1, 1}));

    ColorGradingParameters grading;
    EXPECT_TRUE(grading.isIdentity());
    grading.balance = 0.001;
    EXPECT_FALSE(grading.isIdentity());
    grading.balance = 0.0009;
    EXPECT_TRUE(grading.isIdentity());
    grading.midtones.hue = 120;
    EXPECT_TRUE(grading.isIdentity());
    grading.highlights.luminance = 0.2;
    EXPECT_FALSE(grading.isIdentity());
    EXPECT_EQ((ColorGradingParameters{.balance = -7}.clamped().balance), -1);
    EXPECT_EQ((ColorGradingParameters{.balance = nan}.clamped().balance), 1);

    const ColorGradingParameters full{{10, 0.2, -0.1}, {200, 0.5, 0}, {45, 0.1, 0.3}, 0.25};
    expectRoundTrip(full, {"shadows", "midtones", "highlights", "balance"});
    expectStrict(full);
    expectStrict(full.shadows);
    json j = full;
    j["midtones"].erase("luminance");
    EXPECT_EQ(decodeFailure<ColorGradingParameters>(j), "midtones.luminance: missing key");
}

TEST(SubjectMask, IdentityNeedsBothSwitches) {
    SubjectMaskParameters mask;
    EXPECT_TRUE(mask.isIdentity());
    mask.isEnabled = true;
    mask.subject.exposure = 3;
    mask.background.blurRadius = 20;
    EXPECT_TRUE(mask.isIdentity());  // no subject detected yet

    mask = SubjectMaskParameters{.isEnabled = true, .hasDetectedSubject = true};
    EXPECT_TRUE(mask.isIdentity());
    mask.isInverted = true;
    EXPECT_TRUE(mask.isIdentity());
    mask.subject.temperature = 0.5;
    EXPECT_TRUE(mask.isIdentity());
    mask.subject.temperature = 1.0;
    EXPECT_FALSE(mask.isIdentity());
    mask.subject.temperature = 0;
    mask.background.blurRadius = 0.05;
    EXPECT_TRUE(mask.isIdentity());
    mask.background.blurRadius = -5;
    EXPECT_TRUE(mask.isIdentity());
    mask.background.blurRadius = 0.1;
    EXPECT_FALSE(mask.isIdentity());
    mask.background.blurRadius = 0;
    mask.subject.clarity = 0.001;
    EXPECT_FALSE(mask.isIdentity());
}

TEST(SubjectMask, StrictJson) {
    const json def = SubjectMaskParameters::defaultValue();
    EXPECT_EQ(def["isEnabled"], false);
    EXPECT_EQ(def["subject"], (json{{"exposure", 0}, {"contrast", 1}, {"temperature", 0}, {"saturation", 1}, {"clarity", 0}}));
    EXPECT_EQ(def["background"]["blurRadius"], 0);

    const SubjectMaskParameters mask{true, true, true, {0.5, 1.2, -10, 0.8, 0.3}, {-0.4, 0.9, 5, 0.6, 12}};
    expectRoundTrip(mask, {"isEnabled", "hasDetectedSubject", "isInverted", "subject", "background"});
    expectStrict(mask);
    expectStrict(mask.subject);
    expectStrict(mask.background);
}

TEST(SpotHealing, NeutralityAndEquality) {
    SpotHealingParameters healing;
    EXPECT_TRUE(healing.isNeutral());
    healing.isEnabled = false;
    healing.visualizeDustIntensity = 8;
    EXPECT_TRUE(healing.isNeutral());
    healing.isVisualizeDustMode = true;
    EXPECT_FALSE(healing.isNeutral());
    healing.isVisualizeDustMode = false;
    healing.spots.push_back(SpotItem{.center = {0.25, 0.5}});
    EXPECT_FALSE(healing.isNeutral());

    const SpotItem spot;
    EXPECT_EQ(spot.radius, 0.015);
    EXPECT_EQ(spot.sourceOffset, (Point{0.02, 0}));
    EXPECT_EQ(spot.opacity, 1.0);

    SpotHealingParameters ab, ba;
    const SpotItem a{.center = {0.1, 0.1}}, b{.center = {0.9, 0.9}};
    ab.spots = {a, b};
    ba.spots = {b, a};
    EXPECT_NE(ab, ba);
}

TEST(SpotHealing, PointsAreArraysAndReadingIsStrict) {
    const json def = SpotHealingParameters::defaultValue();
    EXPECT_EQ(def, (json{{"spots", json::array()}, {"isEnabled", true}, {"isVisualizeDustMode", false},
                         {"visualizeDustIntensity", 4}}));

    const SpotItem spot{Uuid::random(), {0.25, 0.5}, 0.015, {0.02, 0}, 1};
    const json j = spot;
    EXPECT_EQ(j["center"], json::array({0.25, 0.5}));
    EXPECT_EQ(j["sourceOffset"], json::array({0.02, 0}));
    expectRoundTrip(spot, {"id", "center", "radius", "sourceOffset", "opacity"});
    expectStrict(spot);

    json longer = j;
    longer["center"] = {0.3, 0.4, 99};
    EXPECT_EQ(longer.get<SpotItem>().center, (Point{0.3, 0.4}));
    longer["center"] = {0.3};
    EXPECT_THROW((void)longer.get<SpotItem>(), JsonDecodeError);
    longer["center"] = {{"x", 0.3}, {"y", 0.4}};
    EXPECT_EQ(decodeFailure<SpotItem>(longer), "center: expected array of two numbers, found object");

    const SpotHealingParameters healing{{spot, SpotItem{}}, false, true, 6};
    expectRoundTrip(healing, {"spots", "isEnabled", "isVisualizeDustMode", "visualizeDustIntensity"});
    expectStrict(healing);
    json bad = healing;
    bad["spots"][1].erase("opacity");
    EXPECT_EQ(decodeFailure<SpotHealingParameters>(bad), "spots[1].opacity: missing key");
}

TEST(Halation, PresetsClampingAndNeutrality) {
    EXPECT_EQ(HalationParameters{}, HalationParameters::defaultValue());
    EXPECT_EQ(HalationParameters::enabledDefault(), (HalationParameters{true, 0.55, 18, 0.7, 0, 30}));
    EXPECT_EQ(HalationParameters::cine800T(), (HalationParameters{true, 0.85, 24, 0.65, 0.35, 38}));
    EXPECT_EQ(HalationParameters::vision500T(), (HalationParameters{true, 0.55, 18, 0.7, 0.2, 28}));
    EXPECT_EQ(HalationParameters::blackMist(), (HalationParameters{true, 0.25, 15, 0.6, 0.75, 55}));

    EXPECT_EQ((HalationParameters{true, -0.2, 1, 1.0, 2, 200}.clamped()), (HalationParameters{true, 0, 2, 0.99, 1, 150}));
    EXPECT_EQ((HalationParameters{false, nan, nan, nan, nan, nan}.clamped()),
              (HalationParameters{false, 1, 100, 0.99, 1, 150}));
    EXPECT_EQ((HalationParameters{true, 0.5, 500, 0.1, 0.5, 1}.clamped()), (HalationParameters{true, 0.5, 100, 0.35, 0.5, 5}));

    EXPECT_TRUE((HalationParameters{true, 0.005, 18, 0.7, 0.009, 30}.isNeutral()));
    EXPECT_FALSE((HalationParameters{true, 0.005, 18, 0.7, 0.01, 30}.isNeutral()));
    EXPECT_FALSE((HalationParameters{true, 0.01, 18, 0.7, 0, 30}.isNeutral()));
    EXPECT_TRUE(HalationParameters::cine800T().clamped().isEnabled);
    HalationParameters off = HalationParameters::cine800T();
    off.isEnabled = false;
    EXPECT_TRUE(off.isNeutral());
}

TEST(Halation, StrictJsonNotClamped) {
    HalationParameters stored = HalationParameters::blackMist();
    stored.halationRadius = 500;
    expectRoundTrip(stored, {"isEnabled", "halationIntensity", "halationRadius", "halationThreshold", "bloomIntensity",
                             "bloomRadius"});
    EXPECT_EQ(json(stored).get<HalationParameters>().halationRadius, 500);
    expectStrict(stored);
}

TEST(LightLeak, StoredLabelsAndNeutrality) {
    const auto& leak = LightLeakParameters::defaultValue();
    EXPECT_TRUE(leak.isNeutral());
    EXPECT_TRUE((LightLeakParameters{LightLeakStyle::warmCorner, 0.009, LightLeakPosition::top}.isNeutral()));
    EXPECT_FALSE((LightLeakParameters{LightLeakStyle::warmCorner, 0.01, LightLeakPosition::top}.isNeutral()));

    const json def = leak;
    EXPECT_EQ(def, (json{{"style", "无漏光"}, {"intensity", 0.5}, {"position", "左侧"}}));
    const LightLeakParameters styled{LightLeakStyle::rainbowBurn, 0.8, LightLeakPosition::bottom};
    expectRoundTrip(styled, {"style", "intensity", "position"});
    expectStrict(styled);

    json j = def;
    j["style"] = "暖金转角漏光 (Warm Corner)";
    EXPECT_EQ(j.get<LightLeakParameters>().style, LightLeakStyle::warmCorner);
    j["style"] = "warmCorner";
    EXPECT_EQ(decodeFailure<LightLeakParameters>(j), "style: unknown value \"warmCorner\"");
    j["style"] = "暖金转角漏光(Warm Corner)";  // byte for byte: the space matters
    EXPECT_THROW((void)j.get<LightLeakParameters>(), JsonDecodeError);
    j = def;
    j["position"] = "left";
    EXPECT_THROW((void)j.get<LightLeakParameters>(), JsonDecodeError);
    for (auto style : allCases<LightLeakStyle>()) EXPECT_EQ(json(style).get<LightLeakStyle>(), style);
    for (auto pos : allCases<LightLeakPosition>()) EXPECT_EQ(json(pos).get<LightLeakPosition>(), pos);
    EXPECT_EQ(displayNameKey(LightLeakPosition::bottom), "leak.pos.bottom");
}

TEST(DustAndScratches, NeutralityAndJson) {
    EXPECT_EQ(DustAndScratchesParameters{}, (DustAndScratchesParameters{0, 0.3, 1.0}));
    EXPECT_TRUE((DustAndScratchesParameters{0.004, 9, 9}.isNeutral()));
    EXPECT_FALSE((DustAndScratchesParameters{0.005, 0, 0}.isNeutral()));
    const DustAndScratchesParameters dust{0.6, 0.1, 2.5};
    expectRoundTrip(dust, {"amount", "scratchesDensity", "dustSize"});
    expectStrict(dust);
}

TEST(UltraHDR, PresetsNeutralityAndJson) {
    EXPECT_TRUE(UltraHDRParameters::defaultValue().isNeutral());
    EXPECT_FALSE(UltraHDRParameters::enabledDefault().isNeutral());
    EXPECT_EQ(UltraHDRParameters::enabledDefault(), (UltraHDRParameters{true, 1.5, 0.75, 4.0, 3.0}));
    EXPECT_TRUE((UltraHDRParameters{true, 0.049, 0.75, 4, 3}.isNeutral()));
    EXPECT_FALSE((UltraHDRParameters{true, 0.05, 0.75, 4, 3}.isNeutral()));
    const UltraHDRParameters stored{true, 7, 0.5, 8, 2};
    expectRoundTrip(stored, {"isEnabled", "highlightBoost", "clipThreshold", "gainMapRadius", "maxHeadroom"});
    expectStrict(stored);
}

TEST(Encoding, NonFiniteNumbersFailTheWholeRecordWithTheirPath) {
    SpotHealingParameters healing;
    healing.spots.push_back(SpotItem{.center = {0.5, nan}});
    json j = "untouched";
    try {
        j = healing;
        FAIL() << "encoded a NaN";
    } catch (const JsonEncodeError& e) {
        EXPECT_STREQ(e.what(), "spots[0].center[1]: cannot write a non-finite number");
    }
    EXPECT_EQ(j, "untouched");
    EXPECT_THROW((void)json(HalationParameters{.halationRadius = std::numeric_limits<double>::infinity()}),
                 JsonEncodeError);
}

}  // namespace
}  // namespace vantrel
