// Hand-written files in the stored layout: each reads, writes back with every
// key, and reads again to the same value.
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "JsonTestSupport.h"
#include "RecipeKeys.h"
#include "model/RollCullingDatabase.h"
#include "model/SnapshotItem.h"

namespace vantrel {
namespace {

using nlohmann::json;
using namespace vantrel::testing;

json fixture(const std::string& name) {
    std::ifstream in(std::string(VANTREL_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    std::stringstream text;
    text << in.rdbuf();
    return parseJson(text.str());
}

TEST(Fixtures, Recipe) {
    const auto recipe = fixture("recipe.json").get<EditParameters>();
    EXPECT_EQ(recipe.temperature, 5600);
    EXPECT_EQ(recipe.crop.aspectRatio, CropAspectRatio::threeByTwo);  // older label
    EXPECT_EQ(recipe.lightLeaks.style, LightLeakStyle::warmCorner);
    EXPECT_EQ(recipe.lightLeaks.position, LightLeakPosition::right);
    EXPECT_EQ(recipe.curvePoints[1].id.toString(), "1C2D3E4F-5A6B-4C7D-8E9F-A0B1C2D3E4F5");
    EXPECT_FALSE(recipe.curvePoints[2].id.isNil());
    EXPECT_EQ(recipe.hslAdjustment(HSLColorChannel::blue).saturation, 15);
    EXPECT_EQ(recipe.masks.radialMasks[0].name, "径向聚光");
    EXPECT_EQ(recipe.spotHealing.spots[0].center, (Point{0.25, 0.5}));
    EXPECT_EQ(recipe.filmFrame.frameNumber, "▶ 12");

    const json written = recipe;
    EXPECT_EQ(keysOf(written), kRecipeKeys);
    EXPECT_EQ(written["crop"]["aspectRatio"], "threeByTwo");
    EXPECT_EQ(written["curvePoints"][0]["id"], "6F1D2C3A-0B4E-4C5D-9E8F-0A1B2C3D4E5F");
    EXPECT_EQ(parseJson(dumpJson(written, 2)).get<EditParameters>(), recipe);
}

TEST(Fixtures, SnapshotList) {
    const auto snapshots = decodeSnapshotList(fixture("snapshots.json"));
    ASSERT_EQ(snapshots.size(), 2u);
    EXPECT_EQ(snapshots[0].name, "Warm print");
    EXPECT_EQ(snapshots[0].createdAt.secondsSince2001, 796215930.5);
    EXPECT_EQ(snapshots[0].parameters.temperature, 5200);
    EXPECT_EQ(snapshots[0].parameters.contrast, 1);  // missing: default
    EXPECT_EQ(snapshots[1].parameters, EditParameters::defaultValue());
    EXPECT_EQ(snapshots[1].id.toString(), "C0C1D2E3-F405-4617-8829-3A4B5C6D7E8F");

    const json written = encodeSnapshotList(snapshots);
    EXPECT_EQ(keysOf(written[0]["parameters"]), kRecipeKeys);
    EXPECT_EQ(decodeSnapshotList(parseJson(dumpJson(written, 2))), snapshots);
}

TEST(Fixtures, CullingFile) {
    const auto db = fixture("culling_metadata.json").get<RollCullingDatabase>();
    ASSERT_EQ(db.records.size(), 2u);
    const auto first = *Uuid::parse("00000000-0000-0000-0000-000000000001");
    EXPECT_EQ(db.records.at(first).rating, 4);
    EXPECT_EQ(db.records.at(first).pickStatus, PickStatus::picked);
    EXPECT_EQ(db.records.at(first).updatedAt.secondsSince2001, 796215930.25);
    const auto second = *Uuid::parse("9a8b7c6d-5e4f-4a3b-8c2d-1e0f9a8b7c6d");
    EXPECT_EQ(db.records.at(second).rating, 6);  // kept as read

    const json written = db;
    EXPECT_EQ(written["records"].size(), 4u);
    EXPECT_EQ(parseJson(dumpJson(written, 2)).get<RollCullingDatabase>().records, db.records);
}

TEST(Fixtures, FilmFrameWithOlderFieldsMissing) {
    const auto frame = fixture("film_frame_old.json").get<FilmFrameParameters>();
    EXPECT_EQ(frame.style, FilmFrameStyle::mediumFormat120);
    EXPECT_EQ(frame.borderThickness, 0.25);  // not clamped on reading
    EXPECT_FALSE(frame.showBarcode);
    EXPECT_TRUE(frame.showFrameNumber);
    EXPECT_FALSE(frame.showExifWatermark);
    EXPECT_EQ(frame.watermarkPosition, FilmWatermarkPosition::bottomRebate);
    EXPECT_EQ(frame.customWatermarkText, "");

    const json written = frame;
    EXPECT_EQ(written.size(), 16u);
    EXPECT_EQ(parseJson(dumpJson(written, 2)).get<FilmFrameParameters>(), frame);
}

}  // namespace
}  // namespace vantrel
