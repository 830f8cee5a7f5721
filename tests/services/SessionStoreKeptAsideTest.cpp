// A roll whose folder cannot be written: its files go to its own folder under
// the data folder, are read back from there while they are the newest, and
// give way to the roll's folder once it can be written again.
#include "services/SessionStore.h"

#include "services/AtomicFile.h"
#include "common/ConflictCopies.h"
#include "services/UnwritableTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::StartsWith;
using vantrel::testing::childScratch;
using vantrel::testing::kCannotLock;
using vantrel::testing::runUnwritableChild;
using vantrel::testing::Unwritable;

// One store over a scratch folder, with its log lines and the outcome of every save.
struct Store {
    explicit Store(const fs::path& root, JsonFileStore::FileWriter writer = {}) {
        SessionStore::Options options;
        options.files.writer = std::move(writer);
        options.files.log = [this](const std::string& line) {
            const std::lock_guard lock(mutex);
            lines.push_back(line);
        };
        options.sampleDirectory = [root] { return root / "samples"; };
        options.keptRollsDirectory = [root] { return root / "kept"; };
        store = std::make_unique<SessionStore>(options);
    }
    SessionStore::Done record() {
        return [this](const SaveResult& result) {
            const std::lock_guard lock(mutex);
            outcomes.push_back(result.outcome);
        };
    }
    std::mutex mutex;
    std::vector<std::string> lines;
    std::vector<SaveOutcome> outcomes;
    std::unique_ptr<SessionStore> store;
};

EditParameters exposure(double value) {
    EditParameters recipe = EditParameters::defaultValue();
    recipe.exposure = value;
    return recipe;
}

// Read from another process, a recipe's curve points carry other identifiers: compare one value.
double exposureOf(const std::optional<EditParameters>& recipe) { return recipe ? recipe->exposure : -99; }

void age(const fs::path& file, std::chrono::minutes by) {
    fs::last_write_time(file, fs::file_time_type::clock::now() - by);
}

TEST(SessionStoreKeptAside, ReadOnlyRollKeepsItsFilesInTheDataFolder) {
    const std::optional<fs::path> scratch = childScratch();
    if (!scratch) {
        QTemporaryDir dir;
        const fs::path root = dir.path().toStdString(), roll = root / "roll";
        fs::create_directories(roll);
        {
            Store before(root);  // written while the roll could still be written, an hour ago
            before.store->saveRecipe(exposure(0.1), roll / "old.tif");
            before.store->saveRecipe(exposure(0.2), roll / "fresh.tif");
            before.store->flush();
            age(SessionStore::recipeURL(roll / "old.tif"), std::chrono::minutes(60));
        }
        const int status = runUnwritableChild(root, Unwritable::folder, roll);
        if (status == kCannotLock) GTEST_SKIP() << "no folder can be made unwritable here";
        ASSERT_EQ(status, 0);

        // The roll can be written again: the newer copies kept aside are read,
        // and a save beside the scans takes the kept copy's place.
        Store after(root);
        SessionStore& store = *after.store;
        EXPECT_EQ(exposureOf(store.loadRecipe(roll / "N01.tif")), 1.0);
        EXPECT_EQ(exposureOf(store.loadRecipe(roll / "old.tif")), 0.9);
        store.saveRecipe(exposure(1.5), roll / "N01.tif", after.record());
        store.flush();
        const fs::path kept = *store.keptAsideFolder(roll);
        EXPECT_FALSE(fs::exists(kept / "frames" / "N01.tif" / "recipe.json"));
        EXPECT_EQ(after.outcomes, std::vector<SaveOutcome>{SaveOutcome::written});
        EXPECT_EQ(exposureOf(Store(root).store->loadRecipe(roll / "N01.tif")), 1.5);
        // A copy kept aside that is older than the file beside the scans gives way to it.
        age(kept / "frames" / "old.tif" / "recipe.json", std::chrono::minutes(120));
        EXPECT_EQ(exposureOf(store.loadRecipe(roll / "old.tif")), 0.1);
        // Kept aside under the older layout's name: read for the scan that alone
        // claims it, and gone once its value stands under its own name.
        fs::create_directories(kept / "recipes");
        std::ofstream(kept / "recipes" / "legacy.json") << R"({"exposure": 0.4})";
        store.setRollScans(roll, {roll / "legacy.tif", roll / "N01.tif"});
        EXPECT_EQ(exposureOf(store.loadRecipe(roll / "legacy.tif")), 0.4);
        store.saveRecipe(exposure(0.6), roll / "legacy.tif");
        store.flush();
        EXPECT_FALSE(fs::exists(kept / "recipes" / "legacy.json"));
        EXPECT_EQ(exposureOf(store.loadRecipe(roll / "legacy.tif")), 0.6);
        EXPECT_TRUE(after.lines.empty()) << after.lines.front();
        return;
    }

    const fs::path roll = *scratch / "roll";
    ASSERT_TRUE(writeFileAtomically(roll / "probe", "x")) << "the roll's folder can still be written";
    Store s(*scratch);
    SessionStore& store = *s.store;
    RollCullingDatabase culling;
    const Uuid frame = Uuid::random();
    culling.setRating(4, frame, "N01.tif");
    store.saveRecipe(exposure(1.0), roll / "N01.tif", s.record());
    store.saveSnapshots({SnapshotItem{Uuid::random(), "Warm", exposure(0.5), Date::now()}}, roll / "N01.tif",
                        s.record());
    store.saveCullingDatabase(culling, roll, s.record());
    store.saveRecipe(exposure(0.9), roll / "old.tif", s.record());
    store.flush();
    EXPECT_EQ(s.outcomes, std::vector<SaveOutcome>(4, SaveOutcome::keptAside));
    EXPECT_TRUE(s.lines.empty()) << s.lines.front();
    EXPECT_FALSE(fs::exists(SessionStore::recipeURL(roll / "N01.tif")));

    // Laid out like ".vantrel", in a folder named after the roll, which records its path.
    const std::optional<fs::path> kept = store.keptAsideFolder(roll);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->parent_path(), *scratch / "kept");
    EXPECT_THAT(kept->filename().string(), MatchesRegex("roll-[0-9a-f]{16}"));
    for (const char* file : {"frames/N01.tif/recipe.json", "frames/N01.tif/snapshots.json", "culling_metadata.json"})
        EXPECT_TRUE(fs::exists(*kept / file)) << file;
    EXPECT_EQ(nlohmann::json::parse(std::ifstream(*kept / "origin.json"))["path"], roll.string());
    EXPECT_EQ(nlohmann::json::parse(std::ifstream(*kept / "frames" / "N01.tif" / "recipe.json"))["exposure"], 1.0);

    // Opened again: everything is read back, the newest copy of each file.
    Store reopened(*scratch);
    SessionStore& again = *reopened.store;
    EXPECT_EQ(exposureOf(again.loadRecipe(roll / "N01.tif")), 1.0);
    EXPECT_TRUE(again.hasRecipe(roll / "N01.tif"));
    ASSERT_EQ(again.loadSnapshots(roll / "N01.tif").size(), 1u);
    EXPECT_EQ(again.loadCullingDatabase(roll)->record(frame, "N01.tif").rating, 4);
    EXPECT_EQ(exposureOf(again.loadRecipe(roll / "old.tif")), 0.9);
    EXPECT_EQ(exposureOf(again.loadRecipe(roll / "fresh.tif")), 0.2);  // nothing kept aside: the file beside the scans
}

TEST(SessionStoreKeptAside, NothingWritableReportsTheFailure) {
    const std::optional<fs::path> scratch = childScratch();
    if (!scratch) {
        QTemporaryDir dir;
        fs::create_directories(fs::path(dir.path().toStdString()) / "roll");
        ASSERT_EQ(runUnwritableChild(dir.path().toStdString(), Unwritable::everywhere), 0);
        return;
    }
    const fs::path roll = *scratch / "roll";
    ASSERT_EQ(writeFileAtomically(roll / "probe", "x"), std::make_error_code(std::errc::file_too_large));
    Store s(*scratch);
    s.store->saveRecipe(exposure(1.0), roll / "N01.tif", s.record());
    s.store->saveSampleRecipe(exposure(1.0), Uuid::random(), s.record());
    s.store->flush();
    EXPECT_EQ(s.outcomes, std::vector<SaveOutcome>(2, SaveOutcome::failed));
    ASSERT_EQ(s.lines.size(), 2u);
    EXPECT_THAT(s.lines[0], StartsWith("[SessionStore] Failed to save recipe to " +
                                       SessionStore::recipeURL(roll / "N01.tif").string() + ": File too large"));
    EXPECT_THAT(s.lines[0], HasSubstr("; nor kept aside: File too large"));
    EXPECT_THAT(s.lines[1], StartsWith("[SessionStore] Failed to save sample recipe to "));
    EXPECT_EQ(s.store->loadRecipe(roll / "N01.tif"), std::nullopt);  // nothing was written anywhere
}

TEST(SessionStoreKeptAside, AConflictCopyKeptBesideTheScansIsNotKeptAsideAgain) {
    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString(), roll = root / "roll";
    // The recipe itself cannot be written beside the scans (the disk filled up after the conflict copy).
    Store ours(root, [roll](const fs::path& file, std::string_view bytes) {
        if (file.filename() == "recipe.json" && file.string().starts_with(roll.string()))
            return std::make_error_code(std::errc::no_space_on_device);
        return writeFileAtomically(file, bytes);
    });
    EXPECT_EQ(ours.store->loadRecipe(roll / "a.tif"), std::nullopt);
    Store(root).store->saveRecipe(exposure(0.3), roll / "a.tif");  // another program, meanwhile
    ours.store->saveRecipe(exposure(0.2), roll / "a.tif", ours.record());
    ours.store->flush();
    ASSERT_EQ(ours.outcomes, std::vector<SaveOutcome>{SaveOutcome::keptAside});
    const std::vector<fs::path> conflicts = conflictCopies(root);
    ASSERT_EQ(conflicts.size(), 1u);
    EXPECT_EQ(conflicts[0].parent_path(), SessionStore::recipeURL(roll / "a.tif").parent_path());
}

// Coming home, a recipe kept aside replaces what this program itself wrote
// beside the scans without a copy; another program's change since is merged
// with it, and only where both changed a field is the older kept as a copy.
TEST(SessionStoreKeptAside, ComingHomeKeepsACopyOnlyOfAnotherProgramsVersion) {
    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString(), roll = root / "roll";
    auto full = std::make_shared<std::atomic<bool>>(false);
    Store ours(root, [roll, full](const fs::path& file, std::string_view bytes) {
        if (*full && file.string().starts_with(roll.string())) return std::make_error_code(std::errc::no_space_on_device);
        return writeFileAtomically(file, bytes);
    });
    SessionStore& store = *ours.store;
    const std::vector<std::string> scans{"a.tif", "b.tif", "c.tif", "d.tif"};
    for (const std::string& scan : scans) store.saveRecipe(exposure(0.5), roll / scan);
    store.flush();
    *full = true;
    for (const std::string& scan : scans) store.saveRecipe(exposure(1.0), roll / scan, ours.record());
    store.flush();
    ASSERT_EQ(ours.outcomes, std::vector<SaveOutcome>(4, SaveOutcome::keptAside));
    const fs::path kept = *store.keptAsideFolder(roll);
    age(kept / "frames" / "c.tif" / "recipe.json", std::chrono::minutes(1));
    // A folder kept aside by an earlier version holds no note of what stood beside the scans.
    fs::remove(kept / "frames" / "d.tif" / "recipe.base.json");
    // Saved aside again by this version: what stands beside the scans now is no base of ours.
    store.saveRecipe(exposure(1.0), roll / "d.tif");
    store.flush();

    // Meanwhile another program: b's tint, a field this one left; c's exposure, which both changed.
    {
        Store other(root / "elsewhere");
        SessionStore& program = *other.store;
        EditParameters tinted = *program.loadRecipe(roll / "b.tif");
        tinted.tint = 20;
        program.saveRecipe(tinted, roll / "b.tif");
        (void)program.loadRecipe(roll / "c.tif");
        program.saveRecipe(exposure(2.0), roll / "c.tif");
    }

    *full = false;
    std::vector<std::pair<std::optional<fs::path>, SaveResult>> told;
    store.bringKeptFilesHome(roll, [&](const std::optional<fs::path>& scan, const SaveResult& result) {
        const std::lock_guard lock(ours.mutex);
        told.emplace_back(scan, result);
    });
    store.flush();
    const auto copies = [&](const std::string& scan) {
        return conflictCopies(SessionStore::recipeURL(roll / scan).parent_path());
    };
    Store reader(root / "reader");
    EXPECT_EQ(exposureOf(reader.store->loadRecipe(roll / "a.tif")), 1.0);
    EXPECT_TRUE(copies("a.tif").empty());
    EXPECT_EQ(exposureOf(reader.store->loadRecipe(roll / "b.tif")), 1.0);
    EXPECT_EQ(reader.store->loadRecipe(roll / "b.tif")->tint, 20);
    EXPECT_TRUE(copies("b.tif").empty());
    // The other program's is the newer: it stands, and this one's is kept, which is told.
    EXPECT_EQ(exposureOf(reader.store->loadRecipe(roll / "c.tif")), 2.0);
    ASSERT_EQ(copies("c.tif").size(), 1u);
    EXPECT_EQ(nlohmann::json::parse(std::ifstream(copies("c.tif")[0]))["exposure"], 1.0);
    // Without a note nothing tells whose the older is: it is kept, to be safe.
    EXPECT_EQ(exposureOf(reader.store->loadRecipe(roll / "d.tif")), 1.0);
    ASSERT_EQ(copies("d.tif").size(), 1u);
    EXPECT_EQ(nlohmann::json::parse(std::ifstream(copies("d.tif")[0]))["exposure"], 0.5);
    // Each told with the scan it belongs to.
    std::vector<std::tuple<std::optional<fs::path>, fs::path, bool>> conflicts;
    for (const auto& [scan, result] : told)
        if (result.conflictKept) conflicts.emplace_back(scan, *result.conflictKept, result.conflictKeptIsOurs);
    EXPECT_THAT(conflicts, ::testing::UnorderedElementsAre(
                               std::tuple{std::optional(roll / "c.tif"), copies("c.tif")[0], true},
                               std::tuple{std::optional(roll / "d.tif"), copies("d.tif")[0], false}));
    EXPECT_FALSE(fs::exists(kept));
    EXPECT_TRUE(ours.lines.empty()) << ours.lines.front();
}

TEST(SessionStoreKeptAside, KeptFolderIsNamedByTheRollsPathAndChecked) {
    // Stable on every run and build, safe as a file name, blind to a trailing separator.
    const fs::path portra = KeptRollFolders::rollKey("/mnt/nas/Roll 12 (Portra)/");
    EXPECT_EQ(portra, fs::path("/mnt/nas/Roll 12 (Portra)"));
    EXPECT_EQ(KeptRollFolders::folderName(portra), "Roll_12__Portra_-f134a24d441f2798");
    EXPECT_EQ(KeptRollFolders::folderName(portra, 3), "Roll_12__Portra_-f134a24d441f2798-3");
    EXPECT_NE(KeptRollFolders::folderName("/mnt/other/Roll 12 (Portra)"), KeptRollFolders::folderName(portra));
    EXPECT_THAT(KeptRollFolders::folderName("/scans/.hidden roll"), MatchesRegex("_hidden_roll-[0-9a-f]{16}"));
    EXPECT_THAT(KeptRollFolders::folderName("/"), MatchesRegex("roll-[0-9a-f]{16}"));

    // A folder of that name recording another roll is left alone.
    QTemporaryDir dir;
    const fs::path base = dir.path().toStdString(), roll = base / "scans" / "roll";
    const fs::path taken = base / KeptRollFolders::folderName(KeptRollFolders::rollKey(roll));
    fs::create_directories(taken);
    std::ofstream(taken / "origin.json") << R"({"path": "/somewhere/else/roll"})";
    KeptRollFolders folders;
    EXPECT_EQ(folders.find(base, roll), std::nullopt);
    std::error_code error;
    const std::optional<fs::path> made = folders.make(base, roll, error);
    ASSERT_TRUE(made) << error.message();
    EXPECT_EQ(made->filename().string(), taken.filename().string() + "-2");
    EXPECT_EQ(KeptRollFolders().find(base, roll), made);
    // A folder left without its record by a making cut short is taken over.
    const fs::path other = base / "scans" / "other";
    fs::create_directories(base / KeptRollFolders::folderName(KeptRollFolders::rollKey(other)));
    EXPECT_EQ(folders.make(base, other, error), base / KeptRollFolders::folderName(KeptRollFolders::rollKey(other)));
    EXPECT_EQ(KeptRollFolders().find(base, other), folders.find(base, other));
}

}  // namespace
}  // namespace vantrel
