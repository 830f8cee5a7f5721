// Opening rolls: which files belong to a roll and in what order, what a failed
// opening leaves alone, culling marks across openings, and the sample roll.
#include <QImage>

#include "ViewModelTestSupport.h"
#include "services/L10n.h"
#include "services/SessionStore.h"
#include "viewmodel/EngineRenderService.h"
#include "viewmodel/RollFolder.h"
#include "viewmodel/SessionStoreStorage.h"

namespace vantrel::testing {
namespace {

std::vector<std::string> titles(const std::vector<LoadedPhoto>& photos) {
    std::vector<std::string> out;
    for (const LoadedPhoto& photo : photos) out.push_back(photo.title());
    return out;
}

// Counts grants and releases, so a test can see that every access is ended.
class CountingAccess final : public FolderAccess {
public:
    int started = 0;
    int stopped = 0;
    bool startAccessing(const std::filesystem::path&) override {
        ++started;
        return true;
    }
    void stopAccessing(const std::filesystem::path&) override { ++stopped; }
    std::optional<QByteArray> makeBookmark(const std::filesystem::path& folder) override {
        return QByteArray::fromStdString("bookmark:" + folder.string());
    }
    std::optional<ResolvedBookmark> resolveBookmark(const QByteArray&) override { return std::nullopt; }
};

TEST_F(ViewModelTest, RollTakesScanFilesByNameInCodePointOrder) {
    const char* decomposed = "e\xCC\x81"
                             "b.tif";              // e + combining acute, then b
    const char* composed = "\xC3\xA9"
                           "a.tif";                // precomposed é, then a
    const auto roll = makeRoll("roll", {"frame2.tif", "a.tif", "B.tif", "frame10.tif", "SCAN.TIF", "scan.Jpeg",
                                        "scan.heic", "scan.dng", ".hidden.tif", ".DS_Store", "notes.txt", decomposed,
                                        composed, "c.PNG"});
    std::filesystem::create_directories(roll / ".vantrel");

    const RollListing listing = listRollScans(roll);
    ASSERT_FALSE(listing.error);
    std::vector<std::string> names;
    for (const auto& scan : listing.scans) names.push_back(scan.filename().string());
    // Upper case before lower, digits one by one, accents compared once composed.
    const std::vector<std::string> expected{"B.tif",       "SCAN.TIF",   "a.tif",     "c.PNG",
                                            "frame10.tif", "frame2.tif", "scan.Jpeg", composed, decomposed};
    EXPECT_EQ(names, expected);

    EXPECT_TRUE(listRollScans(path("missing")).error);
    EXPECT_TRUE(listRollScans(path("missing")).scans.empty());

    auto vm = makeViewModel();
    vm->loadFolder(roll);
    EXPECT_EQ(titles(vm->photos()), expected);
    EXPECT_EQ(vm->selectedPhoto()->title(), "B.tif");
    EXPECT_EQ(vm->statusMessage(), L10n::tr("status.folderLoaded", std::string("roll"), 9));
    EXPECT_EQ(vm->filmstripItems().size(), 9u);
    ASSERT_TRUE(settle(*vm));
}

TEST_F(ViewModelTest, FailedOpeningLeavesTheRollItsPlaceAndItsAccess) {
    // The real loader, on real and on unreadable files.
    const auto good = makeRoll("good", {});
    QImage picture(800, 600, QImage::Format_RGB32);
    picture.fill(QColor(180, 120, 60));
    ASSERT_TRUE(picture.save(QString::fromStdString((good / "one.png").string())));
    ASSERT_TRUE(picture.scaled(400, 300).save(QString::fromStdString((good / "two.png").string())));
    const auto bad = makeRoll("bad", {"x.tif", "y.jpg", "z.png"});
    std::ofstream(bad / "w.png", std::ios::binary) << std::string("\x89PNG\r\n\x1a\n", 8);  // header, then nothing

    auto access = std::make_shared<CountingAccess>();
    folders = access;
    ViewModelServices services;
    services.render = std::make_shared<EngineRenderService>();
    services.store = store;
    services.folders = access;
    services.settings = settings;
    services.timings = timings;
    settings->setValue("lastOpenedFolderPath", QString::fromStdString(good.string()));
    DarkroomViewModel vm(services);
    ASSERT_EQ(titles(vm.photos()), (std::vector<std::string>{"one.png", "two.png"}));
    ASSERT_TRUE(waitFor([&] { return !vm.renderedPreview().isNull(); }, 10000));
    vm.setRating(4);

    const auto ids = vm.photos();
    const auto selected = vm.selectedPhotoID();
    const QVariant bookmark = settings->value("lastOpenedFolderBookmark");
    auto unchanged = [&] {
        ASSERT_EQ(vm.photos().size(), 2u);
        EXPECT_EQ(vm.photos()[0].id(), ids[0].id());
        EXPECT_EQ(vm.selectedPhotoID(), selected);
        EXPECT_EQ(vm.currentFolderURL(), good);
        EXPECT_EQ(vm.accessedFolder(), good);
        EXPECT_EQ(settings->value("lastOpenedFolderPath").toString().toStdString(), good.string());
        EXPECT_EQ(settings->value("lastOpenedFolderBookmark"), bookmark);
        EXPECT_EQ(access->started - access->stopped, 1);  // only the open roll's access is held
        EXPECT_EQ(vm.filmstripItems().size(), 2u);
    };

    vm.loadFolder(bad);  // every scan unreadable: the roll stays, and the status line names them
    unchanged();
    EXPECT_EQ(vm.statusMessage(), "Could not open 「bad」: 4 files could not be read");
    EXPECT_EQ(vm.status().detail().str(), "Files that could not be read:\nw.png\nx.tif\ny.jpg\nz.png");

    vm.loadFolder(good / "one.png");  // not a folder: the listing fails
    unchanged();
    EXPECT_EQ(vm.statusMessage().rfind(L10n::tr("status.folderFailed", std::string()), 0), 0u);
    EXPECT_GT(vm.statusMessage().size(), L10n::tr("status.folderFailed", std::string()).size());

    // The next mark is saved with the roll it belongs to.
    vm.setRating(2);
    EXPECT_EQ(store->culling.count(bad.string()), 0u);
    EXPECT_EQ(store->culling.at(good.string()).records.size(), 1u);

    // The real loop makes a small undeveloped thumbnail of the other frame.
    const Uuid second = DarkroomViewModel::frameID(vm.photos()[1]);
    ASSERT_TRUE(waitFor([&] { return vm.thumbnailCache().count(second) > 0; }, 10000));
    const QImage& thumbnail = vm.thumbnailCache().at(second);
    EXPECT_EQ(std::max(thumbnail.width(), thumbnail.height()), 320);
    EXPECT_EQ(vm.filmstripItems()[1].thumbnail.size(), thumbnail.size());
}

TEST_F(ViewModelTest, CullingMarksAreFoundAgainAfterReopening) {
    const auto roll = makeRoll("roll", {"a.tif", "b.tif", "c.tif"});
    SessionStore::Options options;
    options.sampleDirectory = [this] { return path("samples"); };
    SessionStore sessionStore(options);
    settings->setValue("lastOpenedFolderPath", QString::fromStdString(roll.string()));
    ViewModelServices services;
    services.render = render;
    services.store = std::make_shared<SessionStoreStorage>(sessionStore);
    services.settings = settings;
    services.timings = timings;

    auto marks = [](const DarkroomViewModel& vm) {
        std::vector<std::tuple<int, ColorLabel, PickStatus>> out;
        for (const FilmstripItem& item : vm.filmstripItems())
            out.emplace_back(item.rating, item.colorLabel, item.pickStatus);
        return out;
    };
    {
        DarkroomViewModel vm(services);
        ASSERT_TRUE(settle(vm));
        vm.setFlag(PickStatus::picked);
        vm.selectPhoto(idOfTitle(vm, "b.tif"));
        vm.setRating(4);
        vm.setColorLabel(ColorLabel::red);
        vm.saveAllOnQuit();
    }
    using M = std::vector<std::tuple<int, ColorLabel, PickStatus>>;
    {
        DarkroomViewModel vm(services);  // new identifiers for the same scans
        ASSERT_TRUE(settle(vm));
        EXPECT_EQ(vm.selectedPhoto()->title(), "b.tif");
        EXPECT_EQ(marks(vm), (M{{0, ColorLabel::none, PickStatus::picked},
                                {4, ColorLabel::red, PickStatus::unflagged},
                                {0, ColorLabel::none, PickStatus::unflagged}}));
        EXPECT_EQ(vm.selectedCullingRecord().id, *vm.selectedPhotoID());
        // A changed mark replaces the old one rather than standing beside it.
        vm.setRating(2);
        vm.saveAllOnQuit();
    }
    {
        DarkroomViewModel vm(services);
        ASSERT_TRUE(settle(vm));
        EXPECT_EQ(std::get<0>(marks(vm)[1]), 2);
        EXPECT_EQ(vm.cullingDatabase().records.size(), 2u);
    }
}

TEST_F(ViewModelTest, SampleFramesShowTheirProxyOrTheirRecipeButNeverAScanThumbnail) {
    // The second frame was developed in a session before: its picture shows it, unopened.
    EditParameters brighter = EditParameters::defaultValue();
    brighter.exposure = 2;
    store->recipes[FakeSessionStorage::sampleKey(DarkroomViewModel::sampleRollPhotoIDs()[1])] = brighter;
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));
    ASSERT_EQ(vm->filmstripItems().size(), 3u);
    EXPECT_EQ(FakeRenderService::kind(vm->filmstripItems()[0].thumbnail), "full");  // developed, on screen
    EXPECT_EQ(FakeRenderService::kind(vm->filmstripItems()[1].thumbnail), "proxy");
    EXPECT_EQ(FakeRenderService::exposure(vm->filmstripItems()[1].thumbnail), 2);
    EXPECT_TRUE(vm->filmstripItems()[1].hasEdits);
    EXPECT_EQ(FakeRenderService::kind(vm->filmstripItems()[2].thumbnail), "proxy thumbnail");

    vm->generateThumbnails(vm->photos());
    EXPECT_FALSE(vm->isGeneratingThumbnails());
    ASSERT_TRUE(idle(*vm));
    EXPECT_TRUE(render->thumbnailRequests().empty());

    // Opening a folder starts the loop for its scans, each asked for at 320 pixels.
    const auto roll = makeRoll("roll", {"a.tif", "b.tif"});
    vm->loadFolder(roll);
    ASSERT_TRUE(waitFor([&] { return !vm->isGeneratingThumbnails(); }));
    EXPECT_EQ(render->thumbnailSizes(), (std::vector<int>{320, 320}));
}

TEST_F(ViewModelTest, ARollThatIsReadOnlyWhenOpenedSaysSoAtOnce) {
    const auto roll = makeRoll("roll", {"a.tif", "b.tif"});
    const auto other = makeRoll("other", {"c.tif"});
    store->refusal = FailureCause::readOnly;
    settings->setValue("lastOpenedFolderPath", QString::fromStdString(roll.string()));
    auto vm = makeViewModel();
    const std::string notice = L10n::tr("status.rollKeptAside", std::string("roll"));
    EXPECT_EQ(vm->statusMessage(), notice);
    ASSERT_TRUE(settle(*vm));
    EXPECT_EQ(vm->statusMessage(), notice);

    // A folder that takes writes: nothing stands over its status line.
    store->refusal.reset();
    vm->loadFolder(other);
    EXPECT_EQ(vm->statusMessage(), L10n::tr("status.folderLoaded", std::string("other"), 1));
    EXPECT_FALSE(vm->status().notice());

    // Told so wrongly, the first save that lands beside the scans says so.
    store->refusal = FailureCause::noPermission;
    vm->loadFolder(roll);
    EXPECT_EQ(vm->statusMessage(), notice);
    EditParameters recipe = vm->parameters();
    recipe.exposure = 1;
    vm->setParameters(recipe);
    vm->requestRender(RenderQuality::final);
    ASSERT_TRUE(idle(*vm));
    EXPECT_EQ(vm->statusMessage(), L10n::tr("status.rollWrittenAgain", std::string("roll")));
    EXPECT_FALSE(vm->status().notice());
}

}  // namespace
}  // namespace vantrel::testing
