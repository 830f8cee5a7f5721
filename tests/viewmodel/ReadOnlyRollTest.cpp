// The view model over the real session store on a roll whose folder cannot be
// written: edits, ratings and snapshots are kept aside and come back, the status
// line tells it once, and when nothing can be written the edits stay in memory.
#include "ViewModelTestSupport.h"
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
    std::unique_ptr<DarkroomViewModel> open(const fs::path& root, const fs::path& roll) {
        SessionStore::Options options;
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
        EXPECT_EQ(SessionStore(besideOnly).loadRecipe(roll / "a.tif")->exposure, 1.5);
        EXPECT_FALSE(fs::exists(*sessionStore->keptAsideFolder(roll) / "frames" / "a.tif" / "recipe.json"));
        return;
    }

    const fs::path roll = *scratch / "roll";
    ASSERT_TRUE(writeFileAtomically(roll / "probe", "x")) << "the roll's folder can still be written";
    const std::string notice = L10n::tr("status.rollKeptAside", std::string("roll"));
    {
        auto vm = open(*scratch, roll);
        edit(*vm, 1.25);  // told at the first save
        ASSERT_TRUE(waitFor([&] { return vm->statusMessage() == notice; }));
        vm->setRating(4);
        vm->saveSnapshot("Warm");
        // Synchronised onto b and c: both kept aside, none failed.
        vm->syncRecipeToRoll();
        const std::string synced = L10n::tr("status.syncSuccess", std::string("a.tif"), 2);
        EXPECT_TRUE(waitFor([&] { return vm->statusMessage() == synced; }));
        vm->selectPhoto(idOfTitle(*vm, "b.tif"));
        vm->saveAllOnQuit();
        EXPECT_FALSE(vm->hasUnsavedEdits());
        EXPECT_EQ(told(notice), 1);
    }
    EXPECT_FALSE(fs::exists(roll / ".vantrel"));

    statuses.clear();
    auto reopened = open(*scratch, roll);
    expectEditsOfA(*reopened, 1.25, 4);
    EXPECT_EQ(reopened->inMemoryRecipes().at(idOfTitle(*reopened, "c.tif")).exposure, 1.25);
    reopened->selectPhoto(idOfTitle(*reopened, "b.tif"));
    edit(*reopened, 2.0);
    EXPECT_TRUE(waitFor([&] { return told(notice) == 1; }));  // told again for the new opening, once
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
    const std::string failed = L10n::tr("status.saveFailed");
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

}  // namespace
}  // namespace vantrel::testing
