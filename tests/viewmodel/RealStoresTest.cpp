// The view model over the real session and custom-recipe stores (renders stay fake):
// what the user did is in the files on disk after quitting.
#include <sstream>

#include <gmock/gmock.h>

#include "ViewModelTestSupport.h"
#include "common/ConflictCopies.h"
#include "model/Json.h"
#include "services/L10n.h"
#include "services/SessionStore.h"
#include "viewmodel/SessionStoreStorage.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

// View models over session stores of their own, each in its own session (as two programs are).
class RealStoresTest : public ViewModelTest {
protected:
    std::unique_ptr<DarkroomViewModel> open(const fs::path& roll) {
        SessionStore::Options options;
        options.sampleDirectory = [this] { return path("samples"); };
        options.keptRollsDirectory = [this] { return path("kept"); };
        stores.push_back(std::make_unique<SessionStore>(options));
        settings->remove("lastOpenedFolderBookmark");
        settings->setValue("lastOpenedFolderPath", QString::fromStdString(roll.string()));
        ViewModelServices services;
        services.render = render;
        services.store = std::make_shared<SessionStoreStorage>(*stores.back());
        services.settings = settings;
        services.timings = timings;
        auto vm = std::make_unique<DarkroomViewModel>(services);
        EXPECT_TRUE(settle(*vm));
        return vm;
    }
    static void edit(DarkroomViewModel& vm, const std::string& title, double exposure) {
        edit(vm, title, [exposure](EditParameters& recipe) { recipe.exposure = exposure; });
    }
    static void edit(DarkroomViewModel& vm, const std::string& title, const std::function<void(EditParameters&)>& change) {
        vm.selectPhoto(idOfTitle(vm, title));
        EditParameters recipe = vm.parameters();
        change(recipe);
        vm.setParameters(recipe);
        vm.requestRender(RenderQuality::final);
    }
    void flushAll() {
        for (const auto& store : stores) store->flush();
    }
    static double exposureOf(DarkroomViewModel& vm, const std::string& title) {
        vm.selectPhoto(idOfTitle(vm, title));
        return vm.parameters().exposure;
    }

    std::vector<std::unique_ptr<SessionStore>> stores;
};

TEST_F(ViewModelTest, EditsSurviveOnDiskThroughTheSessionStore) {
    const auto roll = makeRoll("roll", {"a.tif", "b.tif"});
    const auto presetsFolder = path("presets");
    std::filesystem::create_directories(presetsFolder);
    CustomPresetStore::Options presetOptions;
    presetOptions.presetsDirectory = [presetsFolder] { return presetsFolder; };
    auto presetStore = std::make_shared<CustomPresetStore>(presetOptions);
    FilmPreset mine;
    mine.id = Uuid::random().toString();
    mine.name = "Mine";
    presetStore->save(mine);

    SessionStore::Options options;
    options.sampleDirectory = [this] { return path("samples"); };
    SessionStore sessionStore(options);

    settings->setValue("lastOpenedFolderPath", QString::fromStdString(roll.string()));
    ViewModelServices services;
    services.render = render;
    services.store = std::make_shared<SessionStoreStorage>(sessionStore);
    services.presets = presetStore;
    services.settings = settings;
    services.timings = timings;
    {
        DarkroomViewModel vm(services);
        ASSERT_TRUE(settle(vm));
        EXPECT_FALSE(vm.presets().empty());
        ASSERT_EQ(vm.customPresets().size(), 1u);
        EXPECT_EQ(vm.customPresets()[0].name, "Mine");
        EXPECT_EQ(vm.exportSettings(), ExportSettings{});

        // Edit and rate A, select B within the save delay, quit.
        EditParameters recipe = vm.parameters();
        recipe.exposure = 1.25;
        vm.setParameters(recipe);
        vm.requestRender(RenderQuality::interactive);
        vm.setRating(3);
        vm.selectPhoto(idOfTitle(vm, "b.tif"));
        vm.saveAllOnQuit();
    }
    SessionStore reader(options);
    const auto a = reader.loadRecipe(roll / "a.tif");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->exposure, 1.25);
    EXPECT_EQ(reader.loadCullingDatabase(roll)->records.size(), 1u);
    // B was only looked at: nothing was written for it.
    EXPECT_FALSE(reader.hasRecipe(roll / "b.tif"));
}


TEST_F(RealStoresTest, EveryScanKeepsItsOwnEditsAndOlderRollsOpenWithTheirs) {
    // A TIFF master beside its JPEG proof, and a scan named like a snapshot list.
    const fs::path roll = makeRoll("roll", {"a.jpg", "a.tif", "b.jpg", "b_snapshots.jpg"});
    {
        auto vm = open(roll);
        edit(*vm, "a.jpg", 0.25);
        edit(*vm, "a.tif", 0.5);
        edit(*vm, "b.jpg", 0.75);
        vm->saveSnapshot("Warm");
        edit(*vm, "b_snapshots.jpg", 1.0);
        vm->saveAllOnQuit();
    }
    {
        auto reopened = open(roll);
        EXPECT_EQ(exposureOf(*reopened, "a.jpg"), 0.25);
        EXPECT_EQ(exposureOf(*reopened, "a.tif"), 0.5);
        EXPECT_EQ(exposureOf(*reopened, "b_snapshots.jpg"), 1.0);
        EXPECT_TRUE(reopened->snapshots().empty());
        EXPECT_EQ(exposureOf(*reopened, "b.jpg"), 0.75);
        ASSERT_EQ(reopened->snapshots().size(), 1u);
        EXPECT_EQ(reopened->snapshots()[0].name, "Warm");
    }

    // A roll of the older layout: named without the extension, "d.json" claimed by two scans.
    const fs::path old = makeRoll("old", {"c.tif", "d.tif", "d.png", "e.tif", "f.tif"});
    const fs::path recipes = old / ".vantrel" / "recipes";
    fs::create_directories(recipes);
    std::ofstream(recipes / "c.json") << R"({"exposure": 1.5})";
    // Recipes that cannot be read, of either layout: said when shown, never lost at the first edit.
    std::ofstream(recipes / "e.json") << R"({"exposure": "bright"})";
    fs::create_directories(SessionStore::recipeURL(old / "f.tif").parent_path());
    std::ofstream(SessionStore::recipeURL(old / "f.tif")) << R"({"tint": []})";
    std::ofstream(recipes / "c_snapshots.json")
        << encodeSnapshotList({SnapshotItem{Uuid::random(), "Before", EditParameters::defaultValue(), Date::now()}})
               .dump();
    std::ofstream(recipes / "d.json") << R"({"exposure": 2})";
    {
        auto vm = open(old);
        EXPECT_EQ(exposureOf(*vm, "c.tif"), 1.5);
        ASSERT_EQ(vm->snapshots().size(), 1u);
        EXPECT_EQ(exposureOf(*vm, "d.tif"), 0);
        EXPECT_EQ(exposureOf(*vm, "d.png"), 0);
        edit(*vm, "c.tif", 1.75);
        for (const char* unreadable : {"e.tif", "f.tif"}) {
            vm->selectPhoto(idOfTitle(*vm, unreadable));
            EXPECT_EQ(vm->statusMessage(), L10n::tr("status.savedEditsUnreadable", std::string(unreadable)));
            edit(*vm, unreadable, 0.5);
        }
        vm->saveAllOnQuit();
    }
    std::vector<std::string> keptAside;
    for (const fs::path& folder : {recipes, SessionStore::recipeURL(old / "f.tif").parent_path()})
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().filename().string().find(".corrupt-") != std::string::npos) {
                std::ostringstream text;
                text << std::ifstream(entry.path()).rdbuf();
                keptAside.push_back(text.str());
            }
    EXPECT_THAT(keptAside, ::testing::UnorderedElementsAre(R"({"exposure": "bright"})", R"({"tint": []})"));
    // Written under its own name, the older recipe gone; what was not saved anew stays and is read.
    EXPECT_TRUE(fs::exists(SessionStore::recipeURL(old / "c.tif")));
    EXPECT_FALSE(fs::exists(recipes / "c.json"));
    EXPECT_TRUE(fs::exists(recipes / "d.json"));
    auto reopened = open(old);
    EXPECT_EQ(exposureOf(*reopened, "c.tif"), 1.75);
    EXPECT_EQ(reopened->snapshots().size(), 1u);
}

TEST_F(RealStoresTest, TwoProgramsOnOneRollKeepEachOthersEdits) {
    const fs::path roll = makeRoll("roll", {"a.tif", "b.tif"});
    auto first = open(roll);
    auto second = open(roll);

    // The first edits and rates a; the second, which read a before, moves on and rates b.
    edit(*first, "a.tif", 1.5);
    first->setRating(5);
    stores.front()->flush();  // on disk, as the other program finds it
    second->selectPhoto(idOfTitle(*second, "b.tif"));
    second->setRating(3);
    // Back on a, the second reads what the first wrote since.
    EXPECT_EQ(exposureOf(*second, "a.tif"), 1.5);
    second->saveAllOnQuit();
    first->saveAllOnQuit();

    SessionStore reader;
    EXPECT_EQ(reader.loadRecipe(roll / "a.tif")->exposure, 1.5);
    const RollCullingDatabase culling = *reader.loadCullingDatabase(roll);
    ASSERT_EQ(culling.records.size(), 2u);
    for (const auto& [id, record] : culling.records) EXPECT_EQ(record.rating, record.filename == "a.tif" ? 5 : 3);
}

TEST_F(RealStoresTest, TwoProgramsOnOneFrameKeepBothEditsAndTellAConflict) {
    const fs::path roll = makeRoll("roll", {"a.tif", "b.tif"});
    auto first = open(roll);
    auto second = open(roll);  // both show a.tif as it was

    // Exposure, a rating and a snapshot in one; tint, a label and a snapshot in the other.
    edit(*first, "a.tif", 1.5);
    first->setRating(4);
    first->saveSnapshot("First");
    flushAll();
    edit(*second, "a.tif", [](EditParameters& recipe) { recipe.tint = 20; });
    second->setColorLabel(ColorLabel::red);
    second->saveSnapshot("Second");
    flushAll();
    SessionStore reader;
    EXPECT_EQ(reader.loadRecipe(roll / "a.tif")->exposure, 1.5);
    EXPECT_EQ(reader.loadRecipe(roll / "a.tif")->tint, 20);
    const std::vector<SnapshotItem> both = reader.loadSnapshots(roll / "a.tif");
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0].name + both[1].name, "FirstSecond");
    const PhotoCullingRecord marks = reader.loadCullingDatabase(roll)->records.begin()->second;
    EXPECT_EQ(marks.rating, 4);
    EXPECT_EQ(marks.colorLabel, ColorLabel::red);

    // One field in both: the later save stands, the earlier version is kept beside it, and the status says so.
    edit(*second, "a.tif", 0.5);
    flushAll();
    const fs::path frame = SessionStore::recipeURL(roll / "a.tif").parent_path();
    const std::vector<fs::path> kept = conflictCopies(frame);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(nlohmann::json::parse(std::ifstream(kept[0]))["exposure"], 1.5);
    EXPECT_EQ(reader.loadRecipe(roll / "a.tif")->exposure, 0.5);
    const std::string told =
        L10n::tr("status.recipeConflictKept", std::string("a.tif"), kept[0].filename().string());
    EXPECT_TRUE(waitFor([&] { return second->statusMessage() == told; }));

    // The program that lost the field shows the merged recipe back on the frame, and its next edit keeps it.
    EXPECT_EQ(exposureOf(*first, "b.tif"), 0);
    EXPECT_EQ(exposureOf(*first, "a.tif"), 0.5);
    EXPECT_EQ(first->parameters().tint, 20);
    first->setRating(2);
    first->deleteSnapshot(first->snapshots()[1].id);
    edit(*first, "a.tif", [](EditParameters& recipe) { recipe.vibrance = 0.25; });
    first->saveAllOnQuit();
    second->saveAllOnQuit();
    const EditParameters last = *reader.loadRecipe(roll / "a.tif");
    EXPECT_EQ(last.exposure, 0.5);
    EXPECT_EQ(last.tint, 20);
    EXPECT_EQ(last.vibrance, 0.25);
    ASSERT_EQ(reader.loadSnapshots(roll / "a.tif").size(), 1u);  // a deletion is not undone by the other's list
    EXPECT_EQ(reader.loadCullingDatabase(roll)->records.begin()->second.rating, 2);
    EXPECT_EQ(reader.loadCullingDatabase(roll)->records.begin()->second.colorLabel, ColorLabel::red);
}

// Another program's exposure taken in by a save of this one's tint: the frame
// shows it at once (during a drag, at its end), and the status line says so;
// a field this program changes afterwards is its own again.
TEST_F(RealStoresTest, AMergeTakingInAnotherProgramsFieldIsShownOnTheFrame) {
    const fs::path roll = makeRoll("roll", {"a.tif", "b.tif"});
    auto vm = open(roll);
    edit(*vm, "a.tif", 0.63);
    flushAll();
    SessionStore other;
    EditParameters theirs = *other.loadRecipe(roll / "a.tif");
    theirs.exposure = -0.71;
    other.saveRecipe(theirs, roll / "a.tif");
    other.flush();

    const std::string takenIn = L10n::tr("status.changesTakenIn", std::string("a.tif"));
    edit(*vm, "a.tif", [](EditParameters& recipe) { recipe.tint = 12; });
    flushAll();
    ASSERT_TRUE(waitFor([&] { return vm->statusMessage() == takenIn; }));
    EXPECT_EQ(vm->parameters().exposure, -0.71);
    EXPECT_EQ(vm->parameters().tint, 12);
    EXPECT_EQ(SessionStore().loadRecipe(roll / "a.tif")->exposure, -0.71);

    // Taken in during a drag: the recipe under the hand stays until the drag ends.
    theirs.exposure = -0.5;
    theirs.tint = 12;
    other.saveRecipe(theirs, roll / "a.tif");
    other.flush();
    vm->beginInteraction();
    edit(*vm, "a.tif", [](EditParameters& recipe) { recipe.contrast = 10; });
    flushAll();
    ASSERT_TRUE(idle(*vm));
    EXPECT_EQ(vm->parameters().exposure, -0.71);
    vm->endInteraction();
    EXPECT_EQ(vm->parameters().exposure, -0.5);
    EXPECT_EQ(vm->parameters().contrast, 10);

    edit(*vm, "a.tif", 0.2);
    vm->saveAllOnQuit();
    const EditParameters last = *SessionStore().loadRecipe(roll / "a.tif");
    EXPECT_EQ(last.exposure, 0.2);
    EXPECT_EQ(last.tint, 12);
    EXPECT_EQ(last.contrast, 10);
    EXPECT_TRUE(conflictCopies(SessionStore::recipeURL(roll / "a.tif").parent_path()).empty());
}

}  // namespace
}  // namespace vantrel::testing
