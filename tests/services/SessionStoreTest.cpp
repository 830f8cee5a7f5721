#include "services/SessionStore.h"

#include "services/AtomicFile.h"
#include "common/ConflictCopies.h"

#include "model/RecipeKeys.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <QTemporaryDir>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::HasSubstr;
using testing::StartsWith;

struct Fixture {
    QTemporaryDir dir;
    fs::path root{dir.path().toStdString()};
    fs::path roll{root / "roll"};
    fs::path sample{root / "data" / "VantrelEditor" / "sample_recipes"};
    fs::path kept{root / "data" / "VantrelEditor" / "kept_rolls"};
    std::mutex mutex;
    std::vector<std::string> lines;
    std::shared_future<void> writesGo;  // when set, every write waits for it

    Fixture() { fs::create_directories(roll); }

    SessionStore::Options options() {
        SessionStore::Options o;
        o.files.log = [this](const std::string& line) {
            const std::lock_guard lock(mutex);
            lines.push_back(line);
        };
        o.files.writer = [this](const fs::path& path, std::string_view bytes) {
            if (writesGo.valid()) writesGo.wait();
            return writeFileAtomically(path, bytes);
        };
        o.sampleDirectory = [this] { return sample; };
        o.keptRollsDirectory = [this] { return kept; };
        return o;
    }
    std::vector<std::string> logged() {
        const std::lock_guard lock(mutex);
        return lines;
    }
};

std::string readText(const fs::path& path) {
    std::string text;
    EXPECT_FALSE(readWholeFile(path, text)) << path;
    return text;
}

json readJson(const fs::path& path) { return json::parse(readText(path)); }

EditParameters recipeWithExposure(double exposure) {
    EditParameters recipe = EditParameters::defaultValue();
    recipe.exposure = exposure;
    return recipe;
}

SnapshotItem snapshot(const std::string& name, double exposure) {
    return SnapshotItem{Uuid::random(), name, recipeWithExposure(exposure), Date{800000000.5}};
}

TEST(SessionStore, FileNamesLayoutSortedKeysAndDates) {
    Fixture f;
    SessionStore store(f.options());
    const fs::path photo = f.roll / "N02.tif";

    // Nothing stored yet: nothing, an empty list, and no message.
    EXPECT_EQ(store.loadRecipe(photo), std::nullopt);
    EXPECT_TRUE(store.loadSnapshots(photo).empty());
    EXPECT_EQ(store.loadCullingDatabase(f.roll), std::nullopt);
    EXPECT_FALSE(store.hasRecipe(photo));

    store.saveRecipe(recipeWithExposure(0.5), photo);
    store.saveSnapshots({snapshot("Warm", 0.3)}, photo);
    RollCullingDatabase culling;
    const Uuid frame = Uuid::random();
    culling.setRating(4, frame, "N02.tif");
    store.saveCullingDatabase(culling, f.roll);
    store.flush();

    EXPECT_EQ(SessionStore::recipeURL(photo), f.roll / ".vantrel" / "frames" / "N02.tif" / "recipe.json");
    EXPECT_EQ(SessionStore::snapshotsURL(f.roll / "a.b.tif"), f.roll / ".vantrel" / "frames" / "a.b.tif" / "snapshots.json");
    EXPECT_EQ(SessionStore::oldRecipeURL(f.roll / "a.b.tif"), f.roll / ".vantrel" / "recipes" / "a.b.json");
    EXPECT_EQ(SessionStore::oldSnapshotsURL(f.roll / "README"), f.roll / ".vantrel" / "recipes" / "README_snapshots.json");
    EXPECT_EQ(SessionStore::cullingDatabaseURL(f.roll), f.roll / ".vantrel" / "culling_metadata.json");

    // The recipe: every key, sorted, two-space indented.
    const std::string text = readText(SessionStore::recipeURL(photo));
    EXPECT_THAT(text, StartsWith("{\n  \"brightness\": 0"));
    const json recipe = json::parse(text);
    EXPECT_EQ(recipe.size(), kRecipeKeys.size());
    EXPECT_EQ(recipe["exposure"], 0.5);
    std::vector<std::string> keys;
    for (const auto& [key, value] : recipe.items()) keys.push_back(key);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));

    // Snapshots: an array of objects, dates as seconds since 2001.
    const json snapshots = readJson(SessionStore::snapshotsURL(photo));
    ASSERT_TRUE(snapshots.is_array());
    ASSERT_EQ(snapshots.size(), 1u);
    EXPECT_EQ(snapshots[0]["createdAt"], 800000000.5);
    EXPECT_EQ(snapshots[0]["name"], "Warm");

    const json database = readJson(f.roll / ".vantrel" / "culling_metadata.json");
    ASSERT_EQ(database["records"].size(), 2u);
    EXPECT_EQ(database["records"][0], frame.toString());

    // Read back.
    EXPECT_EQ(store.loadRecipe(photo), recipeWithExposure(0.5));
    EXPECT_TRUE(store.hasRecipe(photo));
    const auto loaded = store.loadSnapshots(photo);
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0].createdAt, Date{800000000.5});
    const auto reread = store.loadCullingDatabase(f.roll);
    ASSERT_TRUE(reread.has_value());
    EXPECT_EQ(reread->record(frame, "N02.tif").rating, 4);
    EXPECT_TRUE(f.logged().empty());

    // Deleting the recipe keeps the snapshots.
    store.deleteRecipe(photo);
    store.deleteRecipe(f.roll / "never.tif");
    EXPECT_FALSE(store.hasRecipe(photo));
    EXPECT_EQ(store.loadRecipe(photo), std::nullopt);
    EXPECT_EQ(store.loadSnapshots(photo).size(), 1u);
    EXPECT_TRUE(f.logged().empty());
}

TEST(SessionStore, EveryScanHasItsOwnFilesAndOlderOnesAreReadWhereOneScanClaimsThem) {
    Fixture f;
    SessionStore store(f.options());
    const fs::path a = f.roll / "a.tif", b = f.roll / "b.jpg", bSnapshots = f.roll / "b_snapshots.jpg";
    const fs::path cTif = f.roll / "c.tif", cJpg = f.roll / "c.jpg";

    // Names no other scan can take: a TIFF and its JPEG proof, and a scan named like a snapshot list.
    store.saveRecipe(recipeWithExposure(1), cTif);
    store.saveRecipe(recipeWithExposure(2), cJpg);
    store.saveSnapshots({snapshot("Warm", 0.3)}, b);
    store.saveRecipe(recipeWithExposure(3), bSnapshots);
    store.flush();
    EXPECT_EQ(store.loadRecipe(cTif), recipeWithExposure(1));
    EXPECT_EQ(store.loadRecipe(cJpg), recipeWithExposure(2));
    ASSERT_EQ(store.loadSnapshots(b).size(), 1u);
    EXPECT_EQ(store.loadRecipe(bSnapshots), recipeWithExposure(3));
    EXPECT_TRUE(f.logged().empty());

    // A roll of the older layout: "c.json" is claimed by c.tif and c.jpg,
    // "b_snapshots.json" by b.jpg's snapshots and b_snapshots.jpg's recipe.
    const fs::path old = f.roll / ".vantrel" / "recipes";
    fs::create_directories(old);
    const fs::path d = f.roll / "d.tif";
    std::ofstream(old / "d.json") << R"({"exposure": 0.7})";
    std::ofstream(old / "d_snapshots.json") << encodeSnapshotList({snapshot("Cool", 0.1)}).dump();
    std::ofstream(old / "c.json") << R"({"exposure": 0.9})";
    std::ofstream(old / "b_snapshots.json") << R"({"exposure": 0.8})";
    EXPECT_EQ(store.loadRecipe(d), std::nullopt);  // the roll's scans are not known yet
    store.setRollScans(f.roll, {a, b, bSnapshots, cTif, cJpg, d});
    EXPECT_EQ(store.loadRecipe(d), recipeWithExposure(0.7));
    EXPECT_TRUE(store.hasRecipe(d));
    ASSERT_EQ(store.loadSnapshots(d).size(), 1u);
    EXPECT_FALSE(store.hasRecipe(a));
    EXPECT_EQ(store.loadRecipe(cTif), recipeWithExposure(1));  // its own file comes first
    store.deleteRecipe(cJpg);
    store.flush();
    EXPECT_EQ(store.loadRecipe(cJpg), std::nullopt);  // nor is a file two scans claim read
    EXPECT_EQ(store.loadSnapshots(b).size(), 1u);

    // The next save writes the scan's own name; only then does the older file go.
    store.saveRecipe(recipeWithExposure(0.75), d);
    store.flush();
    EXPECT_FALSE(fs::exists(old / "d.json"));
    EXPECT_TRUE(fs::exists(old / "d_snapshots.json"));
    EXPECT_TRUE(fs::exists(old / "c.json"));
    EXPECT_TRUE(fs::exists(old / "b_snapshots.json"));
    store.saveSnapshots({}, d);
    store.flush();
    EXPECT_FALSE(fs::exists(old / "d_snapshots.json"));
    EXPECT_EQ(store.loadRecipe(d), recipeWithExposure(0.75));
    EXPECT_TRUE(store.loadSnapshots(d).empty());
    EXPECT_TRUE(f.logged().empty());
}

TEST(SessionStore, SampleRollLivesUnderTheDataFolderByIdentifier) {
    QTemporaryDir home;
    ::setenv("XDG_DATA_HOME", home.path().toUtf8().constData(), 1);
    const fs::path folder = fs::path(home.path().toStdString()) / "VantrelEditor" / "sample_recipes";
    SessionStore store;  // the real data folder rule
    const Uuid first = *Uuid::parse("00000000-0000-0000-0000-000000000001");

    EXPECT_EQ(store.loadSampleRecipe(first), std::nullopt);
    EXPECT_TRUE(fs::is_directory(folder));  // made by the first sample operation
    store.saveSampleRecipe(recipeWithExposure(-1), first);
    store.saveSampleSnapshots({snapshot("A", 1)}, first);
    store.saveSampleCullingDatabase(RollCullingDatabase{});
    store.flush();

    EXPECT_TRUE(fs::exists(folder / "00000000-0000-0000-0000-000000000001.json"));
    EXPECT_TRUE(fs::exists(folder / "00000000-0000-0000-0000-000000000001_snapshots.json"));
    EXPECT_EQ(readJson(folder / "culling_metadata.json"), json({{"records", json::array()}}));
    EXPECT_EQ(store.loadSampleRecipe(first), recipeWithExposure(-1));
    EXPECT_TRUE(store.hasSampleRecipe(first));
    EXPECT_EQ(store.loadSampleSnapshots(first).size(), 1u);
    ASSERT_TRUE(store.loadSampleCullingDatabase().has_value());

    store.deleteSampleRecipe(first);
    EXPECT_FALSE(store.hasSampleRecipe(first));
}

TEST(SessionStore, SwitchingAToBToAReadsTheNewSnapshots) {
    Fixture f;
    SessionStore store(f.options());
    const fs::path a = f.roll / "A.tif";
    const fs::path b = f.roll / "B.tif";
    store.saveSnapshots({snapshot("old", 0)}, a);
    store.flush();

    // Leave A (its list is queued), open B, come back to A at once.
    std::promise<void> go;
    f.writesGo = go.get_future().share();
    store.saveSnapshots({snapshot("old", 0), snapshot("new", 1)}, a);
    EXPECT_TRUE(store.loadSnapshots(b).empty());
    store.saveSnapshots({}, b);
    go.set_value();
    auto back = store.loadSnapshots(a);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1].name, "new");

    // Saving what was read must not lose anything either.
    back.push_back(snapshot("third", 2));
    store.saveSnapshots(back, a);
    store.flush();
    EXPECT_EQ(store.loadSnapshots(a).size(), 3u);
}

TEST(SessionStore, UnwritableFolderPrintsTheFailureLines) {
    Fixture f;
    std::ofstream(f.root / "file") << "not a folder";
    const fs::path roll = f.root / "file";  // a "folder" that is a regular file
    const fs::path photo = roll / "N01.tif";
    f.kept = roll / "kept";  // and no place to keep its files aside either
    {
        SessionStore store(f.options());
        store.saveRecipe(recipeWithExposure(1), photo);
        store.saveSnapshots({snapshot("x", 0)}, photo);
        store.saveCullingDatabase(RollCullingDatabase{}, roll);
        store.flush();
    }
    const std::string recipePath = SessionStore::recipeURL(photo).string();
    const std::string nowhere = ": Not a directory; nor kept aside: Not a directory";
    EXPECT_EQ(f.logged(), (std::vector<std::string>{
                              "[SessionStore] Failed to save recipe to " + recipePath + nowhere,
                              "[SessionStore] Failed to save snapshots" + nowhere,
                              "[SessionStore] Failed to save culling database" + nowhere}));

    // The shared store prints to standard output (its data folder made unusable too).
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const std::optional<std::string> previous = dataHome ? std::optional<std::string>(dataHome) : std::nullopt;
    ::setenv("XDG_DATA_HOME", roll.c_str(), 1);
    testing::internal::CaptureStdout();
    SessionStore::shared().saveCullingDatabase(RollCullingDatabase{}, roll);
    SessionStore::shared().flush();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[SessionStore] Failed to save culling database" + nowhere + "\n");
    if (previous)
        ::setenv("XDG_DATA_HOME", previous->c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

TEST(SessionStore, CorruptRecipeIsKeptAsideAndNotLost) {
    Fixture f;
    SessionStore store(f.options());
    const fs::path photo = f.roll / "N03.tif";
    const fs::path url = SessionStore::recipeURL(photo);
    fs::create_directories(url.parent_path());
    std::ofstream(url) << "{\"exposure\": \"bright\"}";  // valid JSON, wrong type

    EXPECT_EQ(store.loadRecipe(photo), std::nullopt);
    ASSERT_EQ(f.logged().size(), 1u);
    EXPECT_THAT(f.logged()[0], StartsWith("[SessionStore] Failed to load recipe from " + url.string() + ": "));
    EXPECT_THAT(f.logged()[0], HasSubstr("exposure"));
    EXPECT_TRUE(fs::exists(url));

    store.saveRecipe(recipeWithExposure(0.25), photo);
    store.saveRecipe(recipeWithExposure(0.75), photo);
    store.flush();
    EXPECT_EQ(store.loadRecipe(photo), recipeWithExposure(0.75));
    std::vector<fs::path> aside;
    for (const auto& entry : fs::directory_iterator(url.parent_path()))
        if (entry.path().filename().string().starts_with("recipe.corrupt-")) aside.push_back(entry.path());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(readText(aside[0]), "{\"exposure\": \"bright\"}");
    EXPECT_EQ(f.logged().size(), 1u);

    // Older files read leniently: missing keys take their defaults.
    fs::create_directories(SessionStore::recipeURL(f.roll / "N04.tif").parent_path());
    std::ofstream(SessionStore::recipeURL(f.roll / "N04.tif")) << "{}";
    EXPECT_EQ(store.loadRecipe(f.roll / "N04.tif"), EditParameters::defaultValue());
    // Empty snapshot file: a message and an empty list; the file stays.
    std::ofstream(SessionStore::snapshotsURL(photo)).flush();
    EXPECT_TRUE(store.loadSnapshots(photo).empty());
    EXPECT_THAT(f.logged().back(), StartsWith("[SessionStore] Failed to load snapshots: "));
    EXPECT_TRUE(fs::exists(SessionStore::snapshotsURL(photo)));
}

TEST(SessionStore, TwoProgramsTakingTurnsOnOneFieldLeaveTheNewestFiveConflictCopies) {
    Fixture f;
    SessionStore first(f.options()), second(f.options());
    const fs::path photo = f.roll / "a.tif";
    (void)first.loadRecipe(photo);
    (void)second.loadRecipe(photo);
    // Each save overrides the exposure the other one wrote since it last read.
    for (int turn = 1; turn <= 8; ++turn) {
        SessionStore& store = turn % 2 ? first : second;
        store.saveRecipe(recipeWithExposure(turn), photo);
        store.flush();
    }
    std::vector<double> kept;
    for (const fs::path& copy : conflictCopies(SessionStore::recipeURL(photo).parent_path()))
        kept.push_back(readJson(copy)["exposure"].get<double>());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<double>{3, 4, 5, 6, 7}));  // those of turns 1 and 2 went
    EXPECT_EQ(first.loadRecipe(photo)->exposure, 8);
}

TEST(SessionStore, NonFiniteRecipeIsRefusedWhole) {
    Fixture f;
    SessionStore store(f.options());
    const fs::path photo = f.roll / "N05.tif";
    store.saveRecipe(recipeWithExposure(0.1), photo);
    store.flush();
    const std::string before = readText(SessionStore::recipeURL(photo));

    store.saveRecipe(recipeWithExposure(std::nan("")), photo);
    EditParameters infinite = EditParameters::defaultValue();
    infinite.filmGrain.amount = INFINITY;
    store.saveSnapshots({SnapshotItem{Uuid::random(), "inf", infinite, Date::now()}}, photo);
    store.flush();

    EXPECT_EQ(readText(SessionStore::recipeURL(photo)), before);
    EXPECT_FALSE(fs::exists(SessionStore::snapshotsURL(photo)));
    const auto lines = f.logged();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_THAT(lines[0], StartsWith("[SessionStore] Failed to save recipe to " +
                                     SessionStore::recipeURL(photo).string() + ": "));
    EXPECT_THAT(lines[0], HasSubstr("exposure"));
    EXPECT_THAT(lines[1], StartsWith("[SessionStore] Failed to save snapshots: "));
}

}  // namespace
}  // namespace vantrel
