// The parameter tables against the records they describe: every row names its member's
// stored key, sits inside its own range, starts where the record does, and the neutrality
// tests built from the rows keep their edges (strict tolerances, strengths that do nothing below zero, NaN never neutral).
#include <cmath>
#include <limits>
#include <set>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "model/CropParameters.h"
#include "model/DustAndScratchesParameters.h"
#include "model/EditParameters.h"
#include "model/FilmFrameParameters.h"
#include "model/FilmGrainParameters.h"
#include "model/HalationParameters.h"
#include "model/LightLeakParameters.h"
#include "model/NegativeLabParameters.h"
#include "model/UltraHDRParameters.h"
#include "model/LinearMask.h"
#include "model/RadialMask.h"
#include "model/SubjectMaskParameters.h"

namespace vantrel {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// `startsAtReset`: the record's default is each row's reset value (not so for masks, which
// are made with a correction already set).
template <class Record, class Rows = decltype(ParameterTable<Record>::rows)>
void expectRowsDescribeTheirRecord(const char* name, bool startsAtReset = true,
                                   const Rows& rows = ParameterTable<Record>::rows) {
    SCOPED_TRACE(name);
    std::set<std::string> keys;
    for (const ScalarParameter<Record>& row : rows) {
        SCOPED_TRACE(std::string(row.key));
        EXPECT_TRUE(keys.insert(std::string(row.key)).second) << "key listed twice";
        // The row's key is where its member is stored.
        Record record{};
        record.*row.member = 1234.5;
        const nlohmann::json j = record;
        ASSERT_TRUE(j.contains(std::string(row.key)));
        EXPECT_EQ(j.at(std::string(row.key)).template get<double>(), 1234.5);
        // Its slider can reach the neutral value and moves in steps.
        EXPECT_LT(row.lower, row.upper);
        EXPECT_GE(row.neutral, row.lower);
        EXPECT_LE(row.neutral, row.upper);
        EXPECT_GE(row.resetValue(), row.lower);
        EXPECT_LE(row.resetValue(), row.upper);
        if (startsAtReset) {
            EXPECT_EQ(Record{}.*row.member, row.resetValue());
        }
        EXPECT_GT(row.step, 0);
        EXPECT_GT(row.tolerance, 0);
        EXPECT_TRUE(row.isNeutral(row.neutral));
        EXPECT_FALSE(row.isChanged(row.neutral));
    }
}

TEST(ParameterTables, EveryRowDescribesItsRecord) {
    expectRowsDescribeTheirRecord<EditParameters>("EditParameters");
    expectRowsDescribeTheirRecord<CropParameters>("CropParameters");
    expectRowsDescribeTheirRecord<LinearMask>("LinearMask", false);
    expectRowsDescribeTheirRecord<RadialMask>("RadialMask", false);
    expectRowsDescribeTheirRecord<RadialMask>("RadialMask shape", true, ParameterTable<RadialMask>::shapeRows);
    expectRowsDescribeTheirRecord<SubjectAdjustment>("SubjectAdjustment");
    expectRowsDescribeTheirRecord<BackgroundAdjustment>("BackgroundAdjustment");
    expectRowsDescribeTheirRecord<HalationParameters>("HalationParameters");
    expectRowsDescribeTheirRecord<FilmGrainParameters>("FilmGrainParameters");
    expectRowsDescribeTheirRecord<LightLeakParameters>("LightLeakParameters");
    expectRowsDescribeTheirRecord<DustAndScratchesParameters>("DustAndScratchesParameters");
    expectRowsDescribeTheirRecord<UltraHDRParameters>("UltraHDRParameters");
    expectRowsDescribeTheirRecord<NegativeLabParameters>("NegativeLabParameters");
    expectRowsDescribeTheirRecord<FilmFrameParameters>("FilmFrameParameters");

    // The recipe's defaults are its neutral values, and every scalar of the recipe has a row.
    const EditParameters defaults;
    int doubles = 0;
    for (const auto& row : ParameterTable<EditParameters>::rows) {
        EXPECT_FALSE(row.reset.has_value()) << row.key;
        ++doubles;
    }
    const nlohmann::json stored = defaults;
    int numbers = 0;
    for (const auto& entry : stored.items()) numbers += entry.value().is_number() ? 1 : 0;
    EXPECT_EQ(doubles, numbers);
    EXPECT_EQ(parameterOf(&EditParameters::temperature).neutral, kReferenceTemperature);
    EXPECT_TRUE(hasNeutralScalars(defaults));
    EXPECT_TRUE(SubjectAdjustment{}.isIdentity());
    EXPECT_TRUE(BackgroundAdjustment{}.isIdentity());
}

TEST(ParameterTables, NeutralityKeepsItsEdges) {
    // Strict tolerances: at exactly the tolerance a value is neither neutral nor changed.
    const auto& temperature = parameterOf(&LinearMask::temperature);
    EXPECT_TRUE(temperature.isNeutral(0.999));
    EXPECT_FALSE(temperature.isNeutral(1.0));
    EXPECT_FALSE(temperature.isChanged(1.0));
    EXPECT_TRUE(temperature.isChanged(-1.001));
    EXPECT_FALSE(temperature.isNeutral(nan));
    EXPECT_FALSE(temperature.isChanged(nan));
    EXPECT_TRUE(temperature.isChangedBeyond(0.5, 0.1));

    // Strengths do nothing below zero, however far.
    const auto& sharpening = parameterOf(&EditParameters::sharpening);
    EXPECT_FALSE(sharpening.isChanged(-0.5));
    EXPECT_TRUE(sharpening.isNeutral(-0.5));
    EXPECT_TRUE(sharpening.isChanged(0.002));
    const auto& blur = parameterOf(&BackgroundAdjustment::blurRadius);
    EXPECT_TRUE((BackgroundAdjustment{.blurRadius = -3}.isIdentity()));
    EXPECT_TRUE((BackgroundAdjustment{.blurRadius = 0.0999}.isIdentity()));
    EXPECT_FALSE((BackgroundAdjustment{.blurRadius = 0.1}.isIdentity()));
    EXPECT_FALSE(blur.isChanged(0.1));
    EXPECT_TRUE(blur.isChanged(0.1001));

    // A mask is neutral only when every correction is; where it lies does not matter.
    LinearMask mask;
    mask.exposure = 0;
    mask.startPoint = {0.1, 0.9};
    EXPECT_TRUE(mask.isNeutral());
    mask.shadows = -0.001;
    EXPECT_FALSE(mask.isNeutral());
    RadialMask radial;
    radial.exposure = 0.0009;
    radial.saturation = nan;
    EXPECT_FALSE(radial.isNeutral());
    radial.saturation = 1.0009;
    EXPECT_TRUE(radial.isNeutral());
    // Its shape has sliders but no part in it.
    radial.feather = 1;
    EXPECT_TRUE(radial.isNeutral());

    // The film effects run from exactly their threshold on (never for NaN), and the records'
    // neutrality tests keep the rows' edges.
    const auto& grain = parameterOf(&FilmGrainParameters::amount);
    EXPECT_TRUE(grain.reaches(0.005));
    EXPECT_FALSE(grain.reaches(0.0049));
    EXPECT_FALSE(grain.reaches(nan));
    EXPECT_FALSE(grain.isChanged(0.005));
    EXPECT_FALSE((FilmGrainParameters{.amount = 0.005}.isNeutral()));
    EXPECT_TRUE((DustAndScratchesParameters{.amount = 0.0049}.isNeutral()));
    EXPECT_TRUE((LightLeakParameters{.style = LightLeakStyle::warmCorner, .intensity = 0.0099}.isNeutral()));
    EXPECT_FALSE((LightLeakParameters{.style = LightLeakStyle::warmCorner, .intensity = 0.01}.isNeutral()));
    EXPECT_TRUE((UltraHDRParameters{.isEnabled = true, .highlightBoost = 0.0499}.isNeutral()));
    EXPECT_FALSE((HalationParameters{.isEnabled = true, .bloomIntensity = 0.01}.isNeutral()));
    EXPECT_TRUE((HalationParameters{.isEnabled = true, .halationIntensity = 0.0099}.isNeutral()));

    // The geometry's straightening counts below a hundredth of a degree as none.
    CropParameters crop;
    crop.straightenAngle = -0.0099;
    EXPECT_TRUE(crop.isIdentity());
    crop.straightenAngle = 0.01;
    EXPECT_FALSE(crop.isIdentity());
}

}  // namespace
}  // namespace vantrel
