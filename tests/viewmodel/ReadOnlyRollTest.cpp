// The view model over the real session store on a roll whose folder cannot be
// written: edits, ratings and snapshots are kept aside and come back, the status
// line tells it once, and when nothing can be written the edits stay in memory.
#include "ViewModelTestSupport.h"
#include "common/ConflictCopies.h"
#include "services/AtomicFile.h"
#include "services/L10n.h"
#include "services/SessionStore.h"
#include "services/UnwritableTestSupport.h"
#include "viewmodel/SessionStoreStorage.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

class ReadOnlyRollTest : public ViewModelTest {
protected:
    // A view model over a session store whose sample and kept-aside folders are in `root`.
    std::unique_ptr<DarkroomViewModel> open(const fs::path& root, const fs::path& roll,
                                            JsonFileStore::FileWriter writer = {}) {
        SessionStore::Options options;
        options.files.writer = std::move(writer);
        options.sampleDirectory = [root] { return root / "samples"; };
        options.keptRollsDirectory = [root] { return root / "kept"; };
        sessionStore = std::make_unique<SessionStore>(options);
        ViewModelServices services;
        services.render = render;
        services.store = std::make_shared<SessionStoreStorage>(*sessionStore);
        services.settings = settings;
        services.timings = timings;
        settings->setValue("lastOpenedFolderPath", QString::fromStdString(roll.string()));
        auto vm = std::make_unique<DarkroomViewModel>(services);  // opens the roll
        QObject::connect(vm.get(), &DarkroomViewModel::statusMessageChanged, vm.get(),
                         [this, model = vm.get()] { statuses.push_back(model->statusMessage()); });
        EXPECT_TRUE(settle(*vm));
        return vm;
    }

    static void edit(DarkroomViewModel& vm, double exposure) {
        EditParameters recipe = vm.parameters();
        recipe.exposure = exposure;
        vm.setParameters(recipe);
        vm.requestRender(RenderQuality::final);
    }

    int told(const std::string& status) const { return int(std::count(statuses.begin(), statuses.end(), status)); }

    // What the user did to a.tif comes back: the edit, the rating, the snapshot.
    void expectEditsOfA(DarkroomViewModel& vm, double exposure, int rating) {
        const Uuid a = idOfTitle(vm, "a.tif");
        vm.selectPhoto(a);
        EXPECT_EQ(vm.parameters().exposure, exposure);
        EXPECT_EQ(vm.cullingDatabase().record(a, "a.tif").rating, rating);
        ASSERT_EQ(vm.snapshots().size(), 1u);
        EXPECT_EQ(vm.snapshots()[0].name, "Warm");
    }

    std::unique_ptr<SessionStore> sessionStore;
    std::vector<std::string> statuses;
};

TEST_F(ReadOnlyRollTest, EditsOfAReadOnlyRollSurviveQuitAndReopen) {
    const std::optional<fs::path> scratch = childScratch();
    if (!scratch) {
        const fs::path root = dir.path().toStdString();
        const fs::path roll = makeRoll("roll", {"a.tif", "b.tif", "c.tif"});
        const int status = runUnwritableChild(root, Unwritable::folder, roll);
        if (status == kCannotLock) GTEST_SKIP() << "no folder can be made unwritable here";
        ASSERT_EQ(status, 0);

        // The roll's folder can be written again: the newest edits are read,
        // and the next save lands beside the scans.
        auto vm = open(root, roll);
        expectEditsOfA(*vm, 1.25, 4);
        edit(*vm, 1.5);
        vm->saveAllOnQuit();
        vm.reset();
        EXPECT_EQ(told(L10n::tr("status.rollKeptAside", std::string("roll"))), 0);
        SessionStore::Options besideOnly;
        besideOnly.keptRollsDirectory = [root] { return root / "nothing kept"; };
        // Everything kept aside came home at the opening: a copy of the roll elsewhere has it all.
        SessionStore beside(besideOnly);
        EXPECT_EQ(beside.loadRecipe(roll / "a.tif")->exposure, 1.5);
        EXPECT_EQ(beside.loadRecipe(roll / "c.tif")->exposure, 1.25);
        EXPECT_EQ(beside.loadSnapshots(roll / "a.tif").size(), 1u);
        EXPECT_EQ(beside.loadCullingDatabase(roll)->records.begin()->second.rating, 4);
        EXPECT_FALSE(sessionStore->keptAsideFolder(roll));
        return;
    }

    const fs::path roll = *scratch / "roll";
    ASSERT_TRUE(writeFileAtomically(roll / "probe", "x")) << "the roll's folder can still be written";
    const std::string notice = L10n::tr("status.rollKeptAside", std::string("roll"));
    {
        // Said at once, before any edit; a save does not say it again, and it is
        // what the line returns to, never "Ready".
        auto vm = open(*scratch, roll);
        EXPECT_EQ(vm->statusMessage(), notice);
        edit(*vm, 1.25);
        vm->setRating(4);
        vm->selectPhoto(idOfTitle(*vm, "b.tif"));
        EXPECT_EQ(vm->statusMessage(), notice);
        vm->selectPhoto(idOfTitle(*vm, "a.tif"));
        vm->saveSnapshot("Warm");
        // Synchronised onto b and c: both kept aside, none failed.
        vm->syncRecipeToRoll();
        const std::string synced = L10n::tr("status.syncSuccess", std::string("a.tif"), 2);
        EXPECT_TRUE(waitFor([&] { return vm->statusMessage() == synced; }));
        vm->selectPhoto(idOfTitle(*vm, "b.tif"));
        vm->saveAllOnQuit();
        EXPECT_FALSE(vm->hasUnsavedEdits());
        EXPECT_EQ(told(notice), 1);  // only when b was selected
    }
    EXPECT_FALSE(fs::exists(roll / ".vantrel"));

    statuses.clear();
    auto reopened = open(*scratch, roll);
    expectEditsOfA(*reopened, 1.25, 4);
    EXPECT_EQ(reopened->inMemoryRecipes().at(idOfTitle(*reopened, "c.tif")).exposure, 1.25);
    reopened->selectPhoto(idOfTitle(*reopened, "b.tif"));
    EXPECT_EQ(reopened->statusMessage(), notice);  // told again for the new opening
    edit(*reopened, 2.0);
    ASSERT_TRUE(idle(*reopened));
    EXPECT_EQ(reopened->statusMessage(), notice);
}

TEST_F(ReadOnlyRollTest, WhenNothingCanBeWrittenEditsStayInMemory) {
    const std::optional<fs::path> scratch = childScratch();
    if (!scratch) {
        makeRoll("roll", {"a.tif", "b.tif", "c.tif"});
        makeRoll("other", {"d.tif"});
        ASSERT_EQ(runUnwritableChild(dir.path().toStdString(), Unwritable::everywhere), 0);
        return;
    }
    const fs::path roll = *scratch / "roll";
    ASSERT_EQ(writeFileAtomically(roll / "probe", "x"), std::make_error_code(std::errc::file_too_large));
    auto vm = open(*scratch, roll);
    // The limit on file sizes stands in for the full disk here: its own cause is named.
    const std::string failed = L10n::text("status.saveFailedBecause", L10n::text("cause.fileTooLarge")).str();
    edit(*vm, 1.25);  // told at the first save
    ASSERT_TRUE(waitFor([&] { return vm->statusMessage() == failed; }));
    vm->setRating(4);
    vm->saveSnapshot("Warm");
    vm->syncRecipeToRoll();
    EXPECT_TRUE(waitFor(
        [&] { return vm->statusMessage() == L10n::tr("status.syncPartial", std::string("a.tif"), 0, 2, 2); }));
    EXPECT_EQ(told(failed), 1);

    // Another frame, another roll, and back: nothing of it is lost.
    vm->selectPhoto(idOfTitle(*vm, "b.tif"));
    expectEditsOfA(*vm, 1.25, 4);
    vm->loadFolder(*scratch / "other");
    ASSERT_TRUE(settle(*vm));
    vm->loadFolder(roll);
    ASSERT_TRUE(settle(*vm));
    expectEditsOfA(*vm, 1.25, 4);
    EXPECT_EQ(vm->inMemoryRecipes().at(idOfTitle(*vm, "c.tif")).exposure, 1.25);

    vm->saveAllOnQuit();
    EXPECT_TRUE(vm->hasUnsavedEdits());
}

TEST_F(ReadOnlyRollTest, AFullDiskIsNamedAndWhatWasKeptAsideComesHome) {
    const fs::path root = dir.path().toStdString();
    const fs::path roll = makeRoll("roll", {"a.tif", "b.tif"});
    // The disk of the roll is full; the data folder is elsewhere.
    const auto fullDisk = [roll](const fs::path& file, std::string_view bytes) {
        if (file.string().starts_with(roll.string())) return std::make_error_code(std::errc::no_space_on_device);
        return writeFileAtomically(file, bytes);
    };
    {
        auto vm = open(root, roll, fullDisk);
        edit(*vm, 1.25);
        const std::string notice = L10n::text("status.rollKeptAsideBecause", std::string("roll"),
                                              L10n::text("cause.noSpace")).str();
        EXPECT_TRUE(waitFor([&] { return vm->statusMessage() == notice; }));
        vm->setRating(4);
        vm->saveSnapshot("Warm");
        vm->selectPhoto(idOfTitle(*vm, "b.tif"));
        edit(*vm, 0.25);
        vm->saveAllOnQuit();
    }
    const fs::path keptFolder = *sessionStore->keptAsideFolder(roll);
    fs::last_write_time(keptFolder / "frames" / "b.tif" / "recipe.json",
                        fs::file_time_type::clock::now() - std::chrono::minutes(1));

    // Meanwhile, beside the scans (the roll copied to a machine with room): a newer
    // recipe of b, an older one of a, another snapshot of a, a rating of b.
    SessionStore::Options besideOnly;
    besideOnly.keptRollsDirectory = [root] { return root / "nothing kept"; };
    {
        SessionStore elsewhere(besideOnly);
        elsewhere.saveRecipe(EditParameters{.exposure = 0.75}, roll / "b.tif");
        elsewhere.saveRecipe(EditParameters{.exposure = 0.5}, roll / "a.tif");
        elsewhere.saveSnapshots({SnapshotItem{Uuid::random(), "Other", {}, Date::now()}}, roll / "a.tif");
        RollCullingDatabase rated;
        rated.setRating(3, Uuid::random(), "b.tif");
        elsewhere.saveCullingDatabase(rated, roll);
    }
    fs::last_write_time(SessionStore::recipeURL(roll / "a.tif"),
                        fs::file_time_type::clock::now() - std::chrono::minutes(2));

    // Opened with room again: everything kept aside is back beside the scans, merged, the newer kept.
    auto vm = open(root, roll);
    SessionStore beside(besideOnly);
    EXPECT_EQ(beside.loadRecipe(roll / "a.tif")->exposure, 1.25);
    EXPECT_EQ(beside.loadRecipe(roll / "b.tif")->exposure, 0.75);
    EXPECT_EQ(beside.loadSnapshots(roll / "a.tif").size(), 2u);
    const RollCullingDatabase culling = *beside.loadCullingDatabase(roll);
    ASSERT_EQ(culling.records.size(), 2u);
    for (const auto& [id, record] : culling.records) EXPECT_EQ(record.rating, record.filename == "a.tif" ? 4 : 3);
    // The older recipe stays beside the newer one, whichever place held it.
    for (const auto& [scan, older] : {std::pair{"b.tif", 0.25}, std::pair{"a.tif", 0.5}}) {
        const std::vector<fs::path> conflicts = conflictCopies(SessionStore::recipeURL(roll / scan).parent_path());
        ASSERT_EQ(conflicts.size(), 1u) << scan;
        EXPECT_EQ(nlohmann::json::parse(std::ifstream(conflicts[0]))["exposure"], older) << scan;
    }
    EXPECT_FALSE(sessionStore->keptAsideFolder(roll));
    EXPECT_FALSE(fs::exists(keptFolder));
}

// Quit on a full disk and started again while it is still full: the opening
// says where the roll's edits are; the first save that lands beside the scans
// brings every kept file home in that session, and says so.
TEST_F(ReadOnlyRollTest, AFullDiskAcrossARestartIsToldAtOpeningAndTheKeptFilesComeHomeWithTheFirstSave) {
    const fs::path root = dir.path().toStdString();
    const fs::path roll = makeRoll("roll", {"a.tif", "b.tif"});
    auto full = std::make_shared<std::atomic<bool>>(true);
    const auto disk = [roll, full](const fs::path& file, std::string_view bytes) {
        if (*full && file.string().starts_with(roll.string())) return std::make_error_code(std::errc::no_space_on_device);
        return writeFileAtomically(file, bytes);
    };
    const std::string notice =
        L10n::text("status.rollKeptAsideBecause", std::string("roll"), L10n::text("cause.noSpace")).str();
    {
        auto vm = open(root, roll, disk);
        edit(*vm, 1.25);
        vm->saveSnapshot("Warm");
        vm->selectPhoto(idOfTitle(*vm, "b.tif"));
        vm->saveAllOnQuit();
        EXPECT_EQ(vm->statusMessage(), notice);
    }
    statuses.clear();
    auto vm = open(root, roll, disk);
    EXPECT_EQ(vm->statusMessage(), notice);
    EXPECT_TRUE(vm->status().notice());
    EXPECT_EQ(vm->inMemoryRecipes().at(idOfTitle(*vm, "a.tif")).exposure, 1.25);
    ASSERT_TRUE(sessionStore->keptAsideFolder(roll));

    // Room again: b's rating lands beside the scans, and a's recipe and snapshot follow it there.
    *full = false;
    vm->setRating(3);
    for (int round = 0; round < 2; ++round) {
        sessionStore->flush();
        ASSERT_TRUE(idle(*vm));
    }
    EXPECT_EQ(told(L10n::tr("status.rollWrittenAgain", std::string("roll"))), 1);
    EXPECT_FALSE(vm->status().notice());
    SessionStore::Options besideOnly;
    besideOnly.keptRollsDirectory = [root] { return root / "nothing kept"; };
    SessionStore beside(besideOnly);
    EXPECT_EQ(beside.loadRecipe(roll / "a.tif")->exposure, 1.25);
    EXPECT_EQ(beside.loadSnapshots(roll / "a.tif").size(), 1u);
    EXPECT_FALSE(sessionStore->keptAsideFolder(roll));
}

// Room on the disk again: the notice goes, "written beside the scans again"
// is said, this program's own older versions are replaced without a copy,
// and only another program's version is kept as a conflict copy, and told.
TEST_F(ReadOnlyRollTest, SavesLandingHomeAgainAreToldAndOnlyAnotherProgramsVersionIsKeptBeside) {
    const fs::path root = dir.path().toStdString();
    const fs::path roll = makeRoll("roll", {"a.tif", "b.tif", "c.tif"});
    auto full = std::make_shared<std::atomic<bool>>(false);
    auto vm = open(root, roll, [roll, full](const fs::path& file, std::string_view bytes) {
        if (*full && file.string().starts_with(roll.string())) return std::make_error_code(std::errc::no_space_on_device);
        return writeFileAtomically(file, bytes);
    });
    const auto select = [&](const char* title) { vm->selectPhoto(idOfTitle(*vm, title)); };
    // Every save on disk and told, and what that told brought about too.
    const auto settleSaves = [&] {
        for (int round = 0; round < 2; ++round) {
            sessionStore->flush();
            if (!idle(*vm)) return false;
        }
        return true;
    };
    edit(*vm, 0.5);
    select("b.tif");
    edit(*vm, 0.25);
    ASSERT_TRUE(settleSaves());

    *full = true;
    const std::string notice =
        L10n::text("status.rollKeptAsideBecause", std::string("roll"), L10n::text("cause.noSpace")).str();
    select("a.tif");
    edit(*vm, 1.25);
    ASSERT_TRUE(waitFor([&] { return vm->statusMessage() == notice; }));
    // The notice rests under the news of a frame: it is back once another frame shows.
    vm->setRating(3);
    EXPECT_NE(vm->statusMessage(), notice);
    select("b.tif");
    EXPECT_EQ(vm->statusMessage(), notice);
    edit(*vm, 0.75);
    ASSERT_TRUE(settleSaves());
    const fs::path kept = *sessionStore->keptAsideFolder(roll);
    fs::last_write_time(kept / "frames" / "b.tif" / "recipe.json",
                        fs::file_time_type::clock::now() - std::chrono::minutes(1));
    // Meanwhile another program writes b's exposure beside the scans.
    SessionStore::Options besideOnly;
    besideOnly.keptRollsDirectory = [root] { return root / "nothing kept"; };
    {
        SessionStore other(besideOnly);
        ASSERT_EQ(other.loadRecipe(roll / "b.tif")->exposure, 0.25);
        other.saveRecipe(EditParameters{.exposure = 2}, roll / "b.tif");
    }

    *full = false;
    select("c.tif");
    edit(*vm, 0.1);
    ASSERT_TRUE(settleSaves());
    const std::string again = L10n::tr("status.rollWrittenAgain", std::string("roll"));
    EXPECT_EQ(told(again), 1);
    EXPECT_EQ(told(notice), 2);
    EXPECT_FALSE(vm->status().notice());
    const auto conflicts = [&](const char* scan) {
        return conflictCopies(SessionStore::recipeURL(roll / scan).parent_path());
    };
    EXPECT_TRUE(conflicts("a.tif").empty());
    const std::vector<fs::path> copies = conflicts("b.tif");
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(nlohmann::json::parse(std::ifstream(copies[0]))["exposure"], 0.75);
    EXPECT_EQ(vm->statusMessage(),
              L10n::tr("status.recipeConflictKeptOurs", std::string("b.tif"), copies[0].filename().string()));
    EXPECT_NE(vm->status().detail().str().find(copies[0].string()), std::string::npos);
    SessionStore beside(besideOnly);
    EXPECT_EQ(beside.loadRecipe(roll / "a.tif")->exposure, 1.25);
    EXPECT_EQ(beside.loadRecipe(roll / "b.tif")->exposure, 2);
    EXPECT_FALSE(fs::exists(kept));
    // From now on the line rests at "Ready" again.
    vm->setRating(2);
    select("a.tif");
    EXPECT_EQ(vm->statusMessage(), L10n::tr("status.ready"));
}

}  // namespace
}  // namespace vantrel::testing
