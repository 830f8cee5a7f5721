#include "services/FilmPreset.h"
#include "services/FilmPresetLibrary.h"

#include "model/Json.h"
#include "services/LocalizationManager.h"

#include "LocalizationTestSupport.h"
#include "model/RecipeKeys.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <set>

namespace vantrel {
namespace {

using nlohmann::json;

std::vector<double> curveYs(const EditParameters& p) {
    std::vector<double> ys;
    for (const CurvePoint& point : p.curvePoints) ys.push_back(point.y);
    return ys;
}

const FilmPreset& preset(const std::string& id) {
    for (const FilmPreset& p : FilmPresetLibrary::builtInPresets())
        if (p.id == id) return p;
    throw std::out_of_range(id);
}

TEST(PresetLibrary, TenLooksInOrderWithTheirValues) {
    const auto& presets = FilmPresetLibrary::builtInPresets();
    std::vector<std::string> ids;
    for (const FilmPreset& p : presets) {
        ids.push_back(p.id);
        EXPECT_FALSE(p.isCustom);
        EXPECT_FALSE(p.createdAt.has_value());
        EXPECT_TRUE(p.parameters.hslAdjustments.empty());
        EXPECT_EQ(p.parameters.vignette, 0);
        EXPECT_EQ(p.parameters.crop, CropParameters::defaultValue());
        EXPECT_EQ(p.parameters.negativeLab, NegativeLabParameters::defaultValue());
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"neutral", "portra400", "fuji400h", "superia400", "velvia50", "ektar100",
                                             "trix400", "ilfordhp5", "cinestill50d", "cinestill800t"}));
    EXPECT_EQ(presets[0].parameters, EditParameters::defaultValue());
    EXPECT_EQ(presets[1].name, "K-Portra 400 Warm");
    EXPECT_EQ(presets[9].subtitle, "Tungsten night ambience, deep cyan blues, glowing warm red halation");

    const EditParameters& portra = preset("portra400").parameters;
    EXPECT_EQ(portra.temperature, 6850);
    EXPECT_EQ(portra.highlights, 0.92);
    EXPECT_EQ(portra.tint, 6);
    EXPECT_EQ(curveYs(portra), (std::vector<double>{0.05, 0.24, 0.52, 0.78, 0.98}));
    EXPECT_EQ(portra.filmGrain, (FilmGrainParameters{0.35, 1.5, 0.45, 0.25}));
    EXPECT_EQ(portra.halation, HalationParameters::defaultValue());
    EXPECT_EQ(preset("ektar100").parameters.sharpening, 0.25);
    EXPECT_EQ(preset("trix400").parameters.saturation, 0);
    EXPECT_EQ(preset("ilfordhp5").parameters.filmGrain.colorDyeClouds, 0);

    // The daylight cinema stock keeps the shared default curve; the others draw their own points.
    EXPECT_EQ(preset("cinestill50d").parameters.curvePoints, EditParameters::defaultCurvePoints());
    EXPECT_EQ(preset("cinestill50d").parameters.halation, (HalationParameters{true, 0.4, 12, 0.78, 0.3, 10}));
    EXPECT_EQ(preset("cinestill800t").parameters.halation, (HalationParameters{true, 0.85, 24, 0.65, 0.35, 38}));
    std::set<Uuid> curveIds;
    for (size_t i = 1; i < presets.size(); ++i)
        if (presets[i].id != "cinestill50d")
            for (const CurvePoint& point : presets[i].parameters.curvePoints) curveIds.insert(point.id);
    EXPECT_EQ(curveIds.size(), 8u * 5u);
    EXPECT_EQ(&FilmPresetLibrary::builtInPresets(), &presets);  // built once, same identifiers
}

TEST(PresetLibrary, EveryBuiltInPresetRoundTripsThroughItsFileForm) {
    for (const FilmPreset& p : FilmPresetLibrary::builtInPresets()) {
        const json j = p;
        EXPECT_EQ(j["isCustom"], false) << p.id;
        EXPECT_FALSE(j.contains("createdAt")) << p.id;
        EXPECT_EQ(j["parameters"].size(), kRecipeKeys.size()) << p.id;
        EXPECT_EQ(json::parse(j.dump()).get<FilmPreset>(), p) << p.id;
    }
}

TEST(PresetLibrary, PresetJsonLenientAndStrictKeys) {
    json j = FilmPresetLibrary::builtInPresets()[1];
    j.erase("isCustom");
    FilmPreset decoded = j.get<FilmPreset>();
    EXPECT_FALSE(decoded.isCustom);
    EXPECT_FALSE(decoded.createdAt.has_value());

    j["createdAt"] = nullptr;
    j["isCustom"] = nullptr;
    j["unknown"] = 3;
    EXPECT_NO_THROW(decoded = j.get<FilmPreset>());
    EXPECT_FALSE(decoded.createdAt.has_value());

    j["createdAt"] = "2026-01-31T18:05:00Z";
    decoded = j.get<FilmPreset>();
    ASSERT_TRUE(decoded.createdAt.has_value());
    EXPECT_EQ(decoded.createdAt->unixSeconds(), 1769882700);
    EXPECT_EQ(json(decoded)["createdAt"], "2026-01-31T18:05:00Z");

    for (const char* bad : {"2026-01-31T18:05:00.5Z", "yesterday"}) {
        j["createdAt"] = bad;
        EXPECT_THROW(j.get<FilmPreset>(), JsonDecodeError) << bad;
    }
    j["createdAt"] = 800000000;  // a number is not this file's date form
    EXPECT_THROW(j.get<FilmPreset>(), JsonDecodeError);
    j.erase("createdAt");

    json noSubtitle = j;
    noSubtitle.erase("subtitle");
    EXPECT_THROW(noSubtitle.get<FilmPreset>(), JsonDecodeError);
    json badParameters = j;
    badParameters["parameters"]["exposure"] = "0.5";
    try {
        (void)badParameters.get<FilmPreset>();
        ADD_FAILURE() << "a mistyped recipe value must fail";
    } catch (const JsonDecodeError& error) {
        EXPECT_EQ(error.path(), "parameters.exposure");
    }
}

TEST(PresetLibrary, DisplayTextsComeFromTheTablesWhenTheyHaveThem) {
    vantrel::testing::useScratchUserSettings();
    LocalizationManager::shared().setLanguage(AppLanguage::fr);
    const FilmPreset& portra = FilmPresetLibrary::builtInPresets()[1];
    EXPECT_EQ(portra.localizedName(), "K-Portra 400 Chaud");
    EXPECT_EQ(portra.name, "K-Portra 400 Warm");

    // A custom recipe shows its own texts; one carrying a built-in identifier shows the table's.
    FilmPreset custom{"6F9619FF-8B86-D011-B42D-00C04FC964FF", "Mon look", "Le mien", EditParameters::defaultValue(),
                      true, Date::now()};
    EXPECT_EQ(custom.localizedName(), "Mon look");
    EXPECT_EQ(custom.localizedSubtitle(), "Le mien");
    custom.id = "portra400";
    EXPECT_EQ(custom.localizedSubtitle(), "Tons chair chauds, ombres mates relevées, courbe en S argentique");
}

TEST(PresetLibrary, PresetParametersDropWhatBelongsToOneFrame) {
    EditParameters recipe = FilmPresetLibrary::builtInPresets()[2].parameters;
    recipe.exposure = 0.7;
    recipe.crop.straightenAngle = 3;
    recipe.spotHealing.spots.push_back(SpotItem{});
    recipe.masks.linearMasks.push_back(LinearMask{});
    recipe.masks.radialMasks.push_back(RadialMask{});
    recipe.subjectMask.isEnabled = true;
    recipe.filmFrame.style = FilmFrameStyle::polaroid;

    const EditParameters stored = FilmPreset::presetParameters(recipe, false);
    EXPECT_EQ(stored.crop, CropParameters::defaultValue());
    EXPECT_EQ(stored.spotHealing, SpotHealingParameters::defaultValue());
    EXPECT_EQ(stored.masks, MaskGroupParameters::defaultValue());
    EXPECT_EQ(stored.subjectMask, SubjectMaskParameters::defaultValue());
    EXPECT_EQ(stored.filmFrame, FilmFrameParameters::defaultValue());
    EXPECT_EQ(stored.exposure, 0.7);
    EXPECT_EQ(stored.curvePoints, recipe.curvePoints);
    EXPECT_EQ(stored.filmGrain, recipe.filmGrain);

    EXPECT_EQ(FilmPreset::presetParameters(recipe, true).filmFrame, recipe.filmFrame);
}

}  // namespace
}  // namespace vantrel
