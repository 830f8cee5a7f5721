#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "JsonTestSupport.h"
#include "model/RollCullingDatabase.h"
#include "model/SnapshotItem.h"

namespace vantrel {
namespace {

using nlohmann::json;
using namespace vantrel::testing;

PhotoCullingRecord rated(int rating, ColorLabel label = ColorLabel::none, PickStatus pick = PickStatus::unflagged) {
    return PhotoCullingRecord{.id = Uuid::random(), .filename = "f.tif", .rating = rating, .colorLabel = label,
                              .pickStatus = pick};
}

TEST(Culling, RecordClampAndTables) {
    EXPECT_EQ(rated(9).clamped().rating, 5);
    EXPECT_EQ(rated(-1).clamped().rating, 0);
    EXPECT_EQ(rated(3).clamped().rating, 3);
    EXPECT_EQ(colorHex(ColorLabel::none), "#00000000");
    EXPECT_EQ(colorHex(ColorLabel::purple), "#BF5AF2");
    EXPECT_EQ(displayName(ColorLabel::yellow), "culling.labelYellow");
    EXPECT_EQ(json(PickStatus::rejected), "rejected");
    EXPECT_THROW((void)json("Red").get<ColorLabel>(), JsonDecodeError);
    EXPECT_THROW((void)json("flagged").get<PickStatus>(), JsonDecodeError);
}

TEST(Culling, FilterRulesAtTheirBoundaries) {
    const CullingFilterCriteria min5{.minRating = 5}, min4{.minRating = 4};
    EXPECT_TRUE(rated(5).matches(min5));
    EXPECT_TRUE(rated(5).matches(min4));
    EXPECT_FALSE(rated(4).matches(min5));
    EXPECT_TRUE(rated(4).matches(min4));
    EXPECT_FALSE(rated(6).matches(min5));  // read from a file unclamped
    EXPECT_TRUE(rated(6).matches(min4));
    EXPECT_TRUE(rated(0).matches(CullingFilterCriteria{.minRating = 0}));

    const CullingFilterCriteria passAll{.colorFilter = ColorLabel::none, .pickFilter = PickStatus::unflagged};
    EXPECT_FALSE(passAll.isEmpty());
    EXPECT_TRUE(CullingFilterCriteria::none().isEmpty());
    for (const auto& r : {rated(0), rated(3, ColorLabel::red, PickStatus::rejected), rated(5, ColorLabel::blue)}) {
        EXPECT_TRUE(r.matches(passAll));
        EXPECT_TRUE(r.matches(CullingFilterCriteria::none()));
    }
    EXPECT_TRUE(rated(1, ColorLabel::red).matches({.colorFilter = ColorLabel::red}));
    EXPECT_FALSE(rated(1, ColorLabel::green).matches({.colorFilter = ColorLabel::red}));
    EXPECT_TRUE(rated(1, ColorLabel::none, PickStatus::picked).matches({.pickFilter = PickStatus::picked}));
    EXPECT_FALSE(rated(1).matches({.pickFilter = PickStatus::rejected}));
    EXPECT_FALSE(rated(5, ColorLabel::red, PickStatus::picked)
                     .matches({.minRating = 5, .colorFilter = ColorLabel::red, .pickFilter = PickStatus::rejected}));
    EXPECT_NE((CullingFilterCriteria{.minRating = 0}), CullingFilterCriteria::none());
}

TEST(Culling, DatabaseOperations) {
    RollCullingDatabase db;
    const Uuid frame = Uuid::random();
    const auto fresh = db.record(frame, "a.tif");
    EXPECT_EQ(fresh.filename, "a.tif");
    EXPECT_EQ(fresh.rating, 0);
    EXPECT_TRUE(db.records.empty());  // looking does not store

    db.setRating(7, frame, "a.tif");
    EXPECT_EQ(db.records.at(frame).rating, 5);
    EXPECT_EQ(db.records.at(frame).colorLabel, ColorLabel::none);
    EXPECT_EQ(db.records.at(frame).pickStatus, PickStatus::unflagged);
    db.setRating(-2, frame, "a.tif");
    EXPECT_EQ(db.records.at(frame).rating, 0);

    db.setColorLabel(ColorLabel::green, frame, "renamed.tif");
    EXPECT_EQ(db.records.at(frame).filename, "a.tif");  // an existing record keeps its name
    db.records.at(frame).updatedAt = Date{1};
    db.setColorLabel(ColorLabel::none, frame, "a.tif");
    EXPECT_EQ(db.records.at(frame).colorLabel, ColorLabel::none);
    EXPECT_GT(db.records.at(frame).updatedAt.secondsSince2001, 1);
    db.setPickStatus(PickStatus::picked, frame, "a.tif");
    EXPECT_EQ(db.records.at(frame).pickStatus, PickStatus::picked);
    EXPECT_EQ(db.records.size(), 1u);
}

TEST(Culling, AlternatingArrayForm) {
    RollCullingDatabase db;
    EXPECT_EQ(json(db), (json{{"records", json::array()}}));

    const Uuid a = Uuid::random(), b = Uuid::random();
    db.setRating(3, a, "a.tif");
    db.setPickStatus(PickStatus::rejected, b, "b.tif");
    const json j = db;
    ASSERT_EQ(j["records"].size(), 4u);
    for (std::size_t i = 0; i < 4; i += 2) {
        EXPECT_TRUE(j["records"][i].is_string());
        EXPECT_EQ(keysOf(j["records"][i + 1]),
                  (std::set<std::string>{"id", "filename", "rating", "colorLabel", "pickStatus", "updatedAt",
                                         "ratingChangedAt", "colorLabelChangedAt", "pickStatusChangedAt"}));
    }
    const auto back = parseJson(dumpJson(j)).get<RollCullingDatabase>();
    EXPECT_EQ(back.records, db.records);

    json repeated = j;
    json later = db.records.at(a);
    later["rating"] = 1;
    repeated["records"].push_back(a.toString());
    repeated["records"].push_back(later);
    EXPECT_EQ(repeated.get<RollCullingDatabase>().records.at(a).rating, 1);  // the later pair wins

    json odd = j;
    odd["records"].erase(3);
    EXPECT_EQ(decodeFailure<RollCullingDatabase>(odd), "records: expected identifier and record pairs, found 3 elements");
    json badId = j;
    badId["records"][2] = "nope";
    EXPECT_EQ(decodeFailure<RollCullingDatabase>(badId), "records[2]: not a valid UUID: \"nope\"");
    json badRecord = j;
    badRecord["records"][1].erase("updatedAt");
    EXPECT_EQ(decodeFailure<RollCullingDatabase>(badRecord), "records[1].updatedAt: missing key");
    badRecord = j;
    badRecord["records"][1]["rating"] = 2.5;
    EXPECT_EQ(decodeFailure<RollCullingDatabase>(badRecord), "records[1].rating: expected integer, found 2.5");
    EXPECT_EQ(decodeFailure<RollCullingDatabase>(json::object()), "records: missing key");

    // An object keyed by identifier text reads too.
    json keyed = {{"records", {{a.toString(), db.records.at(a)}}}};
    EXPECT_EQ(keyed.get<RollCullingDatabase>().records.at(a), db.records.at(a));
    const std::set<std::string> markTimes{"ratingChangedAt", "colorLabelChangedAt", "pickStatusChangedAt"};
    expectStrict(db.records.at(a), markTimes);
    // Stored before each mark had its own time: every mark dates from the record's change.
    json older = db.records.at(a);
    for (const std::string& key : markTimes) older.erase(key);
    const auto read = older.get<PhotoCullingRecord>();
    EXPECT_EQ(read.ratingChangedAt, read.updatedAt);
    EXPECT_EQ(read.pickStatusChangedAt, read.updatedAt);
}

TEST(Culling, RekeyingFindsRecordsByFileName) {
    RollCullingDatabase stored;
    const Uuid oldA = Uuid::random(), oldB = Uuid::random(), older = Uuid::random(), gone = Uuid::random();
    stored.setRating(4, oldA, "a.tif");
    stored.setColorLabel(ColorLabel::red, oldB, "b.tif");
    stored.setRating(1, older, "a.tif");  // a duplicate left by an earlier session
    stored.records.at(older).updatedAt = Date{5};
    stored.setRating(2, gone, "deleted.tif");
    RollCullingDatabase db = json(stored).get<RollCullingDatabase>();  // as reopened

    const Uuid newA = Uuid::random(), newB = Uuid::random(), newC = Uuid::random();
    const Uuid keep = Uuid::random();
    db.setRating(5, keep, "kept.tif");  // already under its current identifier
    const std::size_t moved =
        db.rekeyByFilename({{newA, "a.tif"}, {newB, "b.tif"}, {newC, "c.tif"}, {keep, "b.tif"}});
    EXPECT_EQ(moved, 2u);
    EXPECT_EQ(db.records.at(newA).rating, 4);  // the newest record for the name
    EXPECT_EQ(db.records.at(newA).id, newA);
    EXPECT_EQ(db.records.at(newB).colorLabel, ColorLabel::red);
    EXPECT_FALSE(db.records.contains(newC));
    EXPECT_EQ(db.records.at(keep).rating, 5);
    EXPECT_FALSE(db.records.contains(oldA));
    EXPECT_TRUE(db.records.contains(older));  // nothing is dropped
    EXPECT_TRUE(db.records.contains(gone));
    EXPECT_EQ(db.rekeyByFilename({{newA, "a.tif"}}), 0u);  // repeating it changes nothing
}

// Two programs' snapshot lists of one frame, both grown from what this one last read.
TEST(Snapshots, MergeKeepsEachSidesTakingsRenamingsAndDeletions) {
    const auto shot = [](const char* name, double seconds) {
        return SnapshotItem{Uuid::random(), name, EditParameters::defaultValue(), Date::fromUnixSeconds(seconds)};
    };
    const SnapshotItem kept = shot("Kept", 1), renamed = shot("Warm", 2), deletedHere = shot("Cool", 3),
                       deletedThere = shot("Flat", 4), bothRenamed = shot("Dark", 5);
    const std::vector<SnapshotItem> base{kept, renamed, deletedHere, deletedThere, bothRenamed};
    const SnapshotItem takenHere = shot("Mine", 6), takenThere = shot("Theirs", 7);

    SnapshotItem warmer = renamed;
    warmer.name = "Warmer";  // renamed here, deleted there: the rename stands
    SnapshotItem oursDark = bothRenamed, theirsDark = bothRenamed;
    oursDark.name = "Darker";
    theirsDark.name = "Darkest";
    const std::vector<SnapshotItem> ours{kept, warmer, deletedThere, oursDark, takenHere};
    const std::vector<SnapshotItem> theirs{kept, deletedHere, theirsDark, takenThere};

    std::vector<std::string> names;
    for (const SnapshotItem& item : mergeSnapshotLists(base, ours, theirs)) names.push_back(item.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Kept", "Warmer", "Darker", "Mine", "Theirs"}));
    // The same list on both sides is that list.
    EXPECT_EQ(mergeSnapshotLists(base, ours, ours), ours);
}

TEST(Snapshots, DateTextAndJson) {
    setenv("TZ", "UTC", 1);
    tzset();
    std::tm t{};
    t.tm_year = 2026 - 1900, t.tm_mon = 2, t.tm_mday = 2, t.tm_hour = 9, t.tm_min = 5, t.tm_sec = 30;
    SnapshotItem shot{.name = "Before dodge", .createdAt = Date::fromUnixSeconds(static_cast<double>(timegm(&t)))};
    EXPECT_EQ(shot.formattedDate(), "2026-03-02 09:05");
    t.tm_hour = 14, t.tm_min = 15, t.tm_sec = 0;
    shot.createdAt = Date::fromUnixSeconds(static_cast<double>(timegm(&t)));
    EXPECT_EQ(shot.formattedDate(), "2026-03-02 14:15");

    EditParameters live;
    shot.parameters = live;
    live.exposure = 1;
    EXPECT_EQ(shot.parameters.exposure, 0);  // an independent copy

    const json list = encodeSnapshotList({shot});
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(keysOf(list[0]), (std::set<std::string>{"createdAt", "id", "name", "parameters"}));
    EXPECT_EQ(decodeSnapshotList(parseJson(dumpJson(list))), std::vector<SnapshotItem>{shot});
    EXPECT_TRUE(decodeSnapshotList(json::array()).empty());
    expectStrict(shot);

    json lacking = list;
    lacking[0]["parameters"].erase("exposure");
    lacking[0]["parameters"]["exposure"] = nullptr;
    EXPECT_EQ(decodeSnapshotList(lacking)[0].parameters.exposure, 0);
    json noDate = encodeSnapshotList({SnapshotItem{}, shot});
    noDate[1].erase("createdAt");
    try {
        (void)decodeSnapshotList(noDate);
        FAIL();
    } catch (const JsonDecodeError& e) {
        EXPECT_STREQ(e.what(), "[1].createdAt: missing key");
    }
    json badRecipe = list;
    badRecipe[0]["parameters"]["halation"].erase("bloomRadius");
    EXPECT_THROW((void)decodeSnapshotList(badRecipe), JsonDecodeError);
}

}  // namespace
}  // namespace vantrel
