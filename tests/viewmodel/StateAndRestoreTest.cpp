#include <QSignalSpy>

#include "ViewModelTestSupport.h"
#include "services/L10n.h"

namespace vantrel::testing {
namespace {

TEST_F(ViewModelTest, StartsWithDefaultsOnTheSampleRoll) {
    auto vm = makeViewModel();
    const auto& ids = DarkroomViewModel::sampleRollPhotoIDs();
    EXPECT_EQ(ids[0].toString(), "00000000-0000-0000-0000-000000000001");
    EXPECT_EQ(ids[2].toString(), "00000000-0000-0000-0000-000000000003");

    ASSERT_EQ(vm->photos().size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(DarkroomViewModel::frameID(vm->photos()[i]), ids[i]);
    EXPECT_EQ(vm->selectedPhotoID(), ids[0]);
    EXPECT_FALSE(vm->currentFolderURL());
    EXPECT_EQ(vm->statusMessage(), L10n::tr("status.ready"));
    EXPECT_EQ(vm->compareMode(), CompareMode::full);
    EXPECT_EQ(vm->retouchBrushRadius(), 20.0);
    EXPECT_EQ(vm->zoomScale(), 1.0);
    EXPECT_EQ(vm->panOffset(), QSizeF(0, 0));
    EXPECT_EQ(vm->canvasViewportSize(), QSizeF(1000, 700));
    EXPECT_TRUE(vm->isInfoMatrixVisible());
    EXPECT_FALSE(vm->isNavigatorVisible() || vm->isCroppingMode() || vm->isMaskMode() || vm->isRetouchMode());
    EXPECT_EQ(vm->batchSyncOptions(), BatchSyncOptions::recommended());
    EXPECT_EQ(vm->parameters(), EditParameters::defaultValue());
    // Preloaded into memory with the roll, so the frame carries its own recipe.
    EXPECT_FALSE(vm->activePresetID());
    ASSERT_EQ(vm->filmstripItems().size(), 3u);
    EXPECT_FALSE(vm->filmstripItems()[0].hasEdits);

    // Loading the frame ends in a final render: published with histogram and
    // thumbnail; the recipe, unchanged, is not written.
    ASSERT_TRUE(settle(*vm));
    EXPECT_EQ(FakeRenderService::kind(vm->renderedPreview()), "full");
    EXPECT_NE(vm->histogramData(), HistogramData::empty());
    EXPECT_FALSE(vm->originalPreview().isNull());
    EXPECT_EQ(FakeRenderService::kind(vm->filmstripItems()[0].thumbnail), "full");
    EXPECT_TRUE(store->recipeWrites.empty());
}

TEST_F(ViewModelTest, EveryAssignmentNotifiesAndBindingsWriteThrough) {
    auto vm = makeViewModel();
    ASSERT_TRUE(settle(*vm));

    QSignalSpy zoom(vm.get(), &DarkroomViewModel::zoomScaleChanged);
    QSignalSpy state(vm.get(), &DarkroomViewModel::stateChanged);
    vm->setZoomScale(vm->zoomScale());  // the same value still signals
    EXPECT_EQ(zoom.count(), 1);
    EXPECT_EQ(state.count(), 1);

    QSignalSpy params(vm.get(), &DarkroomViewModel::parametersChanged);
    Binding<double> exposure = vm->recipeBinding(&EditParameters::exposure);
    exposure.set(0.7);
    EXPECT_EQ(vm->parameters().exposure, 0.7);
    EXPECT_EQ(exposure.get(), 0.7);
    EXPECT_EQ(params.count(), 1);
    EXPECT_EQ(vm->parameters().contrast, 1.0);  // the rest of the recipe untouched

    Binding<bool> crop = vm->binding(&DarkroomViewModel::isCroppingMode, &DarkroomViewModel::setIsCroppingMode);
    crop.set(true);
    EXPECT_TRUE(vm->isCroppingMode());

    // Without a current frame there is no record, and each read is a fresh one.
    vm->selectPhoto(Uuid::random());
    EXPECT_EQ(vm->selectedPhoto(), nullptr);
    EXPECT_NE(vm->selectedCullingRecord().id, vm->selectedCullingRecord().id);
    EXPECT_EQ(vm->selectedCullingRecord().rating, 0);

    EXPECT_EQ(developedThumbnailSize(4800, 3200), QSize(240, 160));
    EXPECT_EQ(developedThumbnailSize(200, 120), QSize(200, 120));
    EXPECT_EQ(developedThumbnailSize(1000, 333), QSize(240, 80));
}

TEST_F(ViewModelTest, RestoresBookmarkThenPathThenSampleRollWithTheStoredName) {
    const auto rollA = makeRoll("A", {"b.tif", "a.TIF", "notes.txt", ".hidden.tif", "bad.png"});
    const auto rollB = makeRoll("B", {"c.jpeg"});
    auto bookmarkOf = [](const std::filesystem::path& p) { return QByteArray::fromStdString(p.string()); };

    // The bookmark wins over the path; the stored name picks the frame.
    settings->setValue("lastOpenedFolderBookmark", bookmarkOf(rollA));
    settings->setValue("lastOpenedFolderPath", QString::fromStdString(rollB.string()));
    settings->setValue("lastSelectedPhotoName", "b.tif");
    {
        auto vm = makeViewModel();
        EXPECT_EQ(vm->currentFolderURL(), rollA);
        EXPECT_EQ(vm->accessedFolder(), rollA);
        ASSERT_EQ(vm->photos().size(), 2u);  // scan types only, any case, no hidden files
        EXPECT_EQ(vm->photos()[0].title(), "a.TIF");
        EXPECT_EQ(vm->photos()[1].title(), "b.tif");
        ASSERT_NE(vm->selectedPhoto(), nullptr);
        EXPECT_EQ(vm->selectedPhoto()->title(), "b.tif");
        EXPECT_EQ(vm->statusMessage(), "Loaded roll folder: A (2 photos, 1 file could not be read)");
    }

    // A bookmark naming a file falls back to the path; an unmatched name selects the first frame.
    settings->setValue("lastOpenedFolderBookmark", bookmarkOf(rollA / "a.TIF"));
    settings->setValue("lastOpenedFolderPath", QString::fromStdString(rollB.string()));  // opening A stored A
    {
        auto vm = makeViewModel();
        EXPECT_EQ(vm->currentFolderURL(), rollB);
        ASSERT_NE(vm->selectedPhoto(), nullptr);
        EXPECT_EQ(vm->selectedPhoto()->title(), "c.jpeg");
        EXPECT_EQ(settings->value("lastSelectedPhotoName").toString(), "c.jpeg");
    }

    // Neither folder exists: the sample roll, with the stored name; the stored places stay.
    settings->setValue("lastOpenedFolderBookmark", bookmarkOf(path("gone")));
    settings->setValue("lastOpenedFolderPath", QString::fromStdString(path("gone too").string()));
    settings->setValue("lastSelectedPhotoName", "LabScan_Roll01_F03.tif");
    {
        auto vm = makeViewModel();
        EXPECT_FALSE(vm->currentFolderURL());
        EXPECT_EQ(vm->selectedPhotoID(), DarkroomViewModel::sampleRollPhotoIDs()[2]);
        EXPECT_EQ(settings->value("lastOpenedFolderBookmark").toByteArray(), bookmarkOf(path("gone")));
        EXPECT_EQ(settings->value("lastOpenedFolderPath").toString().toStdString(), path("gone too").string());
    }

    // A folder that still exists but no longer holds a usable scan cannot be
    // restored: the sample roll opens, the remembered folder stays, and the
    // status line says why.
    const auto empty = makeRoll("empty", {"bad.tif", "readme.md"});
    settings->remove("lastOpenedFolderBookmark");
    settings->setValue("lastOpenedFolderPath", QString::fromStdString(empty.string()));
    {
        auto vm = makeViewModel();
        EXPECT_FALSE(vm->currentFolderURL());
        EXPECT_FALSE(vm->accessedFolder());
        ASSERT_EQ(vm->photos().size(), 3u);
        EXPECT_FALSE(vm->photos()[0].fileURL());
        EXPECT_EQ(vm->statusMessage(), "Could not open 「empty」: 1 file could not be read");
        EXPECT_EQ(settings->value("lastOpenedFolderPath").toString().toStdString(), empty.string());
    }
}

TEST_F(ViewModelTest, StaleBookmarkIsStoredAfresh) {
    class StaleAccess final : public FolderAccess {
    public:
        bool startAccessing(const std::filesystem::path&) override { return false; }
        void stopAccessing(const std::filesystem::path&) override {}
        std::optional<QByteArray> makeBookmark(const std::filesystem::path& folder) override {
            return QByteArray::fromStdString("fresh:" + folder.string());
        }
        std::optional<ResolvedBookmark> resolveBookmark(const QByteArray& bookmark) override {
            return ResolvedBookmark{std::filesystem::path(bookmark.toStdString()), true};
        }
    };
    folders = std::make_shared<StaleAccess>();
    const auto roll = makeRoll("roll", {"one.png"});
    settings->setValue("lastOpenedFolderBookmark", QByteArray::fromStdString(roll.string()));
    auto vm = makeViewModel();
    EXPECT_EQ(vm->currentFolderURL(), roll);
    EXPECT_FALSE(vm->accessedFolder());  // access not granted, opened all the same
    EXPECT_EQ(settings->value("lastOpenedFolderBookmark").toByteArray().toStdString(), "fresh:" + roll.string());
}

}  // namespace
}  // namespace vantrel::testing
