#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "JsonTestSupport.h"
#include "RecipeKeys.h"
#include "model/BatchSyncOptions.h"
#include "model/EditParameters.h"

namespace vantrel {
namespace {

using nlohmann::json;
using namespace vantrel::testing;

// A recipe in which every field differs from the default.
EditParameters busyRecipe() {
    EditParameters r;
    r.exposure = 0.4;
    r.contrast = 1.2;
    r.brightness = 0.05;
    r.highlights = 0.6;
    r.shadows = 0.3;
    r.temperature = 5200;
    r.tint = -8;
    r.saturation = 0.9;
    r.vibrance = 0.2;
    r.setHSLAdjustment({5, -10, 3}, HSLColorChannel::orange);
    r.curvePoints = {CurvePoint{Uuid::random(), 0, 0.05}, CurvePoint{Uuid::random(), 1, 0.95}};
    r.noiseReduction = 0.1;
    r.sharpening = 0.4;
    r.vignette = -0.3;
    r.crop.straightenAngle = 2;
    r.spotHealing.spots.push_back(SpotItem{.center = {0.3, 0.3}});
    r.colorGrading.balance = 0.2;
    r.masks.radialMasks.push_back(RadialMask{});
    r.subjectMask.isEnabled = true;
    r.halation = HalationParameters::cine800T();
    r.filmFrame.style = FilmFrameStyle::polaroid;
    r.filmGrain.amount = 0.3;
    r.lightLeaks.style = LightLeakStyle::sideStreak;
    r.dustAndScratches.amount = 0.2;
    r.ultraHDR = UltraHDRParameters::enabledDefault();
    r.negativeLab = NegativeLabParameters::enabledDefault();
    return r;
}

TEST(EditParameters, DefaultIsTheNeutralRecipe) {
    const EditParameters& d = EditParameters::defaultValue();
    EXPECT_EQ(d.highlights, 1);
    EXPECT_EQ(d.temperature, 6500);
    EXPECT_EQ(d.contrast, 1);
    EXPECT_EQ(d.saturation, 1);
    EXPECT_TRUE(d.hslAdjustments.empty());
    ASSERT_EQ(d.curvePoints.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(d.curvePoints[i].x, 0.25 * static_cast<double>(i));
        EXPECT_EQ(d.curvePoints[i].y, d.curvePoints[i].x);
    }
    EXPECT_EQ(d.curvePoints, EditParameters::defaultCurvePoints());
    EXPECT_EQ(EditParameters{}, d);  // same shared curve identifiers
    EXPECT_TRUE(d.crop.isIdentity() && d.masks.isIdentity() && d.subjectMask.isIdentity() && d.filmFrame.isNeutral() &&
                d.negativeLab.isNeutral() && d.halation.isNeutral() && d.ultraHDR.isNeutral());

    const json j = d;
    EXPECT_EQ(keysOf(j), kRecipeKeys);
    EXPECT_EQ(j["highlights"], 1);
    EXPECT_EQ(j["temperature"], 6500);
    EXPECT_EQ(j["hslAdjustments"], json::object());
    EXPECT_EQ(j["curvePoints"].size(), 5u);
}

TEST(EditParameters, HslHelpers) {
    EditParameters r;
    EXPECT_EQ(r.hslAdjustment(HSLColorChannel::green), HSLAdjustment::zero());
    r.setHSLAdjustment({0.001, 0, 0}, HSLColorChannel::red);
    EXPECT_TRUE(r.hasHSLAdjustments());
    EXPECT_EQ(r.hslAdjustment(HSLColorChannel::red).hue, 0.001);
    r.setHSLAdjustment({0.0005, 0, 0}, HSLColorChannel::red);
    EXPECT_TRUE(r.hslAdjustments.empty());
    EXPECT_FALSE(r.hasHSLAdjustments());
    r.setHSLAdjustment({0, 0, 0}, HSLColorChannel::blue);  // removing an absent entry is harmless
    EXPECT_TRUE(r.hslAdjustments.empty());

    r.hslAdjustments["青 (Cyan - 天空)"] = {0, 20, 0};  // a file may hold any key
    EXPECT_TRUE(r.hasHSLAdjustments());
    EXPECT_EQ(r.hslAdjustment(HSLColorChannel::cyan), HSLAdjustment::zero());
    r.hslAdjustments["青 (Cyan - 天空)"] = {};
    EXPECT_FALSE(r.hasHSLAdjustments());
}

TEST(EditParameters, EqualityIsExactButSameContentIgnoresCurveIdentifiers) {
    EditParameters a;
    EditParameters b;
    b.curvePoints[2].id = Uuid::random();
    EXPECT_NE(a, b);
    EXPECT_TRUE(a.sameContent(b));

    // A recipe written in an earlier run carries that run's default curve.
    json earlier = EditParameters::defaultValue();
    for (auto& point : earlier["curvePoints"]) point["id"] = Uuid::random().toString();
    const auto reopened = earlier.get<EditParameters>();
    EXPECT_NE(reopened, EditParameters::defaultValue());
    EXPECT_TRUE(reopened.sameContent(EditParameters::defaultValue()));

    b.curvePoints[2].y = 0.51;
    EXPECT_FALSE(a.sameContent(b));
    b = a;
    b.curvePoints.pop_back();
    EXPECT_FALSE(a.sameContent(b));
    b = a;
    b.exposure = -0.0;
    EXPECT_EQ(a, b);  // 0 equals -0
    b.filmFrame.watermarkDate = "1999";
    EXPECT_FALSE(a.sameContent(b));
    b = a;
    b.masks.linearMasks.push_back(LinearMask{});
    EXPECT_FALSE(a.sameContent(b));
    b = a;
    b.vignette = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(b == b);
    EXPECT_FALSE(b.sameContent(b));
}

// Two programs' recipes of one frame, both grown from what this one last read.
TEST(EditParameters, MergeKeepsEachSidesChangesAndTellsOnlyRealConflicts) {
    EditParameters base;
    base.exposure = 0.5;
    EditParameters ours = base, theirs = base;
    ours.exposure = 1;    // here only
    theirs.tint = 20;     // there only
    ours.contrast = theirs.contrast = 1.2;  // the same value on both sides
    theirs.curvePoints[2].id = Uuid::random();  // only a point's identity: no change there
    RecipeMerge merge = mergeRecipes(base, ours, theirs);
    EXPECT_FALSE(merge.conflict);
    EXPECT_EQ(merge.recipe.exposure, 1);
    EXPECT_EQ(merge.recipe.tint, 20);
    EXPECT_EQ(merge.recipe.contrast, 1.2);

    // One field changed differently in both: this side stands, and it is a conflict.
    theirs.exposure = -1;
    merge = mergeRecipes(base, ours, theirs);
    EXPECT_TRUE(merge.conflict);
    EXPECT_EQ(merge.recipe.exposure, 1);
    EXPECT_EQ(merge.recipe.tint, 20);
    // Nothing changed there: no conflict, whatever changed here.
    EXPECT_FALSE(mergeRecipes(base, ours, base).conflict);
    EXPECT_EQ(mergeRecipes(base, base, theirs).recipe.exposure, -1);
}

TEST(EditParameters, RoundTripWritesEveryKey) {
    const EditParameters r = busyRecipe();
    expectRoundTrip(r, kRecipeKeys);
    const EditParameters copy = r;
    EditParameters changed = copy;
    changed.curvePoints[0].y = 0.5;
    EXPECT_EQ(copy, r);  // copies are independent
}

TEST(EditParameters, TopLevelIsLenientNestedRecordsStrict) {
    EXPECT_EQ(json::object().get<EditParameters>(), EditParameters::defaultValue());
    EXPECT_EQ((json{{"exposure", nullptr}, {"curvePoints", nullptr}, {"crop", nullptr}}).get<EditParameters>(),
              EditParameters::defaultValue());
    EXPECT_EQ((json{{"exposure", 0.5}, {"fromANewerVersion", {{"a", 1}}}}).get<EditParameters>().exposure, 0.5);

    EXPECT_EQ(decodeFailure<EditParameters>({{"exposure", "0.5"}}), "exposure: expected number, found string");
    EXPECT_EQ(decodeFailure<EditParameters>({{"curvePoints", json::object()}}), "curvePoints: expected array, found object");
    EXPECT_EQ(decodeFailure<EditParameters>(json::array()), "expected object, found array");

    json r = busyRecipe();
    r["crop"].erase("aspectRatio");
    EXPECT_EQ(decodeFailure<EditParameters>(r), "crop.aspectRatio: missing key");
    r = busyRecipe();
    r["crop"]["rect"]["x"] = nullptr;
    EXPECT_EQ(decodeFailure<EditParameters>(r), "crop.rect.x: expected number, found null");
    r = busyRecipe();
    r["curvePoints"][1].erase("y");
    EXPECT_EQ(decodeFailure<EditParameters>(r), "curvePoints[1].y: missing key");
    r = busyRecipe();
    r["hslAdjustments"]["orange"]["hue"] = true;
    EXPECT_EQ(decodeFailure<EditParameters>(r), "hslAdjustments.orange.hue: expected number, found boolean");
    r = busyRecipe();
    r["masks"]["radialMasks"][0]["radiusX"] = "wide";
    EXPECT_EQ(decodeFailure<EditParameters>(r), "masks.radialMasks[0].radiusX: expected number, found string");
    r = busyRecipe();
    r["filmFrame"]["style"] = "amber";
    EXPECT_EQ(decodeFailure<EditParameters>(r), "filmFrame.style: unknown value \"amber\"");

    // The lenient nested records: a mask or frame lacking keys still reads.
    r = busyRecipe();
    r["masks"]["radialMasks"][0] = json::object();
    r["filmFrame"] = {{"style", "polaroid"}};
    const auto read = r.get<EditParameters>();
    EXPECT_EQ(read.masks.radialMasks[0].name, "径向聚光");
    EXPECT_EQ(read.filmFrame.style, FilmFrameStyle::polaroid);
    EXPECT_EQ(read.filmFrame.filmStockLabel, "VISION3 500T");

    // Nothing is clamped at this level.
    EXPECT_EQ((json{{"temperature", 50000}, {"highlights", -3}}).get<EditParameters>().temperature, 50000);
}

TEST(EditParameters, EncodingRefusesNonFiniteNumbersAndKeepsBadTextSafe) {
    EditParameters r;
    r.masks.linearMasks.push_back(LinearMask{.exposure = std::numeric_limits<double>::infinity()});
    try {
        (void)json(r);
        FAIL();
    } catch (const JsonEncodeError& e) {
        EXPECT_STREQ(e.what(), "masks.linearMasks[0].exposure: cannot write a non-finite number");
    }
    r = EditParameters{};
    r.filmFrame.customWatermarkText = "Roll \xFF";
    const std::string text = dumpJson(json(r), 2);
    const auto back = parseJson(text).get<EditParameters>();
    EXPECT_EQ(back.filmFrame.customWatermarkText, "Roll \xEF\xBF\xBD");
}

TEST(BatchSync, SwitchesAndRecommendedSelection) {
    const BatchSyncOptions rec = BatchSyncOptions::recommended();
    EXPECT_EQ(BatchSyncOptions{}, rec);
    EXPECT_EQ(BatchSyncOptions::make(true, true, true, true, true, true, true, true, true, false, false, false, false,
                                     false),
              rec);
    EXPECT_EQ(json::object().get<BatchSyncOptions>(), rec);
    const auto onlyGrading =
        BatchSyncOptions::make(false, false, false, false, true, false, false, false, false, false, false, false, false,
                               false);
    EXPECT_TRUE(onlyGrading.syncColorGrading);
    EXPECT_FALSE(onlyGrading.syncCurves);

    BatchSyncOptions o;
    o.selectAll();
    o.resetToRecommended();
    EXPECT_EQ(o, rec);
    EXPECT_FALSE(rec.syncFilmFrame || rec.syncMasks || rec.syncSubjectMask || rec.syncCrop || rec.syncSpotHealing);
    o.deselectAll();
    EXPECT_FALSE(o.hasAnySelection());
    o.syncSpotHealing = true;
    EXPECT_TRUE(o.hasAnySelection());

    BatchSyncOptions all;
    all.selectAll();
    expectRoundTrip(all, keysOf(json(rec)));
    EXPECT_EQ(keysOf(json(rec)).size(), 14u);
    EXPECT_EQ((json{{"syncCrop", true}, {"syncTone", nullptr}}).get<BatchSyncOptions>().syncCrop, true);
    EXPECT_EQ(decodeFailure<BatchSyncOptions>({{"syncTone", 1}}), "syncTone: expected boolean, found number");
}

TEST(BatchSync, ApplyCopiesExactlyTheChosenGroups) {
    const EditParameters source = busyRecipe();
    const EditParameters original;

    BatchSyncOptions none;
    none.deselectAll();
    EditParameters target = original;
    none.apply(source, target);
    EXPECT_EQ(target, original);

    BatchSyncOptions all;
    all.selectAll();
    target = original;
    all.apply(source, target);
    EditParameters expected = source;
    expected.filmGrain = original.filmGrain;
    expected.lightLeaks = original.lightLeaks;
    expected.dustAndScratches = original.dustAndScratches;
    expected.ultraHDR = original.ultraHDR;
    EXPECT_EQ(target, expected);

    // One group at a time: only its own fields change.
    BatchSyncOptions tone;
    tone.deselectAll();
    tone.syncTone = true;
    target = original;
    tone.apply(source, target);
    EXPECT_EQ(target.exposure, source.exposure);
    EXPECT_EQ(target.shadows, source.shadows);
    EXPECT_EQ(target.temperature, original.temperature);
    EXPECT_EQ(target.curvePoints, original.curvePoints);

    // Whole collections are replaced, not merged.
    BatchSyncOptions hsl;
    hsl.deselectAll();
    hsl.syncHSL = true;
    EditParameters withHsl = source;
    hsl.apply(original, withHsl);
    EXPECT_TRUE(withHsl.hslAdjustments.empty());
    EXPECT_EQ(withHsl.exposure, source.exposure);

    BatchSyncOptions rec;
    target = original;
    rec.apply(source, target);
    EXPECT_EQ(target.crop, original.crop);
    EXPECT_EQ(target.masks, original.masks);
    EXPECT_EQ(target.negativeLab, source.negativeLab);
    EXPECT_EQ(target.colorGrading, source.colorGrading);

    target = source;
    all.apply(target, target);  // onto itself: unchanged
    EXPECT_EQ(target, source);

    // Every scalar of the recipe travels with exactly one switch, the one of its section; these
    // carry what they have always carried, and a row that names no section is carried by none.
    const std::map<std::string, std::string> carrier = {
        {"exposure", "syncTone"},           {"contrast", "syncTone"},    {"brightness", "syncTone"},
        {"highlights", "syncTone"},         {"shadows", "syncTone"},     {"temperature", "syncWhiteBalance"},
        {"tint", "syncWhiteBalance"},       {"saturation", "syncWhiteBalance"}, {"vibrance", "syncWhiteBalance"},
        {"noiseReduction", "syncDetail"},   {"sharpening", "syncDetail"}, {"vignette", "syncOptics"}};
    const json noSwitch = none;
    for (const auto& row : ParameterTable<EditParameters>::rows) {
        EditParameters moved;
        moved.*row.member = row.neutral + 0.5;
        std::vector<std::string> switches;
        for (const auto& entry : noSwitch.items()) {
            json one = noSwitch;
            one[entry.key()] = true;
            target = original;
            one.get<BatchSyncOptions>().apply(moved, target);
            if (target.*row.member == moved.*row.member) switches.push_back(entry.key());
        }
        ASSERT_EQ(switches.size(), 1u) << row.key << " is carried by " << ::testing::PrintToString(switches);
        if (carrier.contains(std::string(row.key))) {
            EXPECT_EQ(switches[0], carrier.at(std::string(row.key))) << row.key;
        }
    }
}

}  // namespace
}  // namespace vantrel
