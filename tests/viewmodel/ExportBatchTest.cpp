#include <chrono>
#include <climits>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "EditTestSupport.h"
#include "services/L10n.h"
#include "services/LocalizationManager.h"
#include "services/UnwritableTestSupport.h"

namespace vantrel::testing {
namespace {

class ExportTest : public EditViewModelTest {
protected:
    std::vector<LoadedPhoto> framesTitled(const DarkroomViewModel& vm, std::initializer_list<std::string> titles) {
        std::vector<LoadedPhoto> frames;
        for (const std::string& title : titles)
            for (const LoadedPhoto& photo : vm.photos())
                if (photo.title() == title) frames.push_back(photo);
        return frames;
    }
    std::filesystem::path out() {
        std::filesystem::create_directories(path("out"));
        return path("out");
    }
    static ExportSettings as(ExportFormat format) {
        ExportSettings settings;
        settings.format = format;
        return settings;
    }
    static bool finished(DarkroomViewModel& vm) {
        return waitFor([&] { return !vm.isBatchExporting(); }) && idle(vm);
    }
};

TEST_F(ExportTest, BatchNamesNeverOverwrite) {
    EXPECT_EQ(ExportController::proposedName("roll_012.tif", ExportFormat::jpeg), "roll_012_Developed.jpg");
    EXPECT_EQ(ExportController::proposedName("scan", ExportFormat::png), "scan_Developed.png");
    EXPECT_EQ(ExportController::proposedName("scan.", ExportFormat::jpeg), "scan._Developed.jpg");
    EXPECT_EQ(ExportController::proposedName("a.b.tif", ExportFormat::tiff), "a.b_Developed.tiff");
    // A name of multi-byte characters past the length a folder allows is cut
    // short of it, between two characters, never the suffix.
    std::string film, fitted;
    for (int i = 0; i < 120; ++i) film += "フ";  // three bytes each
    for (int i = 0; i < (NAME_MAX - 14) / 3; ++i) fitted += "フ";
    EXPECT_EQ(ExportController::proposedName(film + ".tif", ExportFormat::jpeg), fitted + "_Developed.jpg");
    EXPECT_EQ(ExportController::proposedName(film.substr(0, 30) + ".tif", ExportFormat::jpeg),
              film.substr(0, 30) + "_Developed.jpg");

    auto vm = makeViewModel();
    vm->loadFolder(makeRoll("roll", {"roll.tif", "a.tif", "a.png"}));
    ASSERT_TRUE(settle(*vm));
    for (int batch = 0; batch < 3; ++batch) {
        vm->beginBatchExport(framesTitled(*vm, {"roll.tif"}), out(), as(ExportFormat::tiff));
        ASSERT_TRUE(finished(*vm));
    }
    EXPECT_TRUE(std::filesystem::exists(out() / "roll_Developed.tiff"));
    EXPECT_TRUE(std::filesystem::exists(out() / "roll_Developed (1).tiff"));
    EXPECT_TRUE(std::filesystem::exists(out() / "roll_Developed (2).tiff"));

    vm->beginBatchExport(framesTitled(*vm, {"a.tif", "a.png"}), out(), as(ExportFormat::jpeg));
    ASSERT_TRUE(finished(*vm));
    const auto calls = exporter->calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[3].destination, out() / "a_Developed.jpg");
    EXPECT_EQ(calls[4].destination, out() / "a_Developed (1).jpg");
    EXPECT_EQ(vm->statusMessage(), "Batch export complete: 2 succeeded");
    EXPECT_EQ(vm->exportAlertMessage(),
              "Batch concurrent export complete!\nSuccessfully exported 2 photos to:\n" + out().string());
}

TEST_F(ExportTest, BatchCountsFailuresAndStopsWhenCancelled) {
    auto vm = makeViewModel();
    vm->loadFolder(makeRoll("roll", {"a.tif", "b_fail.tif", "c.tif", "fail2.tif"}));
    ASSERT_TRUE(settle(*vm));

    // Folder panel: the dialog closes first; a cancelled panel starts nothing.
    vm->presentExportDialog();
    EXPECT_TRUE(vm->isShowingExportDialog());
    vm->startBatchExport(framesTitled(*vm, {"a.tif", "c.tif"}), as(ExportFormat::jpeg));
    EXPECT_FALSE(vm->isShowingExportDialog());
    EXPECT_FALSE(vm->isBatchExporting());
    EXPECT_EQ(dialogs->titles.back(), "Select Export Destination Folder (2 photos)");

    // Three frames, one failing.
    dialogs->folder = out();
    std::vector<QString> items;
    QObject::connect(vm.get(), &DarkroomViewModel::batchExportCurrentItemChanged, vm.get(),
                     [&] { items.push_back(QString::fromStdString(vm->batchExportCurrentItem())); });
    vm->startBatchExport(framesTitled(*vm, {"a.tif", "b_fail.tif", "c.tif"}), as(ExportFormat::jpeg));
    EXPECT_TRUE(vm->isBatchExporting());
    EXPECT_EQ(vm->batchExportTotalCount(), 3);
    EXPECT_EQ(vm->statusMessage(), "Batch exporting 3 photos...");
    ASSERT_TRUE(finished(*vm));
    // The failures are counted and the first one says why.
    EXPECT_EQ(vm->statusMessage(), "Batch export complete: 2 succeeded, 1 failed (b_fail.tif: the photo could not be rendered)");
    EXPECT_EQ(vm->batchExportCompletedCount(), 3);
    EXPECT_DOUBLE_EQ(vm->batchExportProgress(), 1.0);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0], "Preparing render queue...");
    EXPECT_EQ(items[2], "Rendering (2/3): b_fail.tif");
    EXPECT_EQ(exporter->calls().size(), 3u);

    // Every frame failing.
    vm->setExportAlertMessage(std::nullopt);
    vm->beginBatchExport(framesTitled(*vm, {"b_fail.tif", "fail2.tif"}), out(), as(ExportFormat::png));
    ASSERT_TRUE(finished(*vm));
    EXPECT_EQ(vm->statusMessage(), "Batch export failed");
    EXPECT_EQ(vm->exportAlertMessage(),
              "Batch export failed: none of the 2 photos could be exported (b_fail.tif: the photo could not be "
              "rendered).");

    // Cancelled before its first frame: nothing exported, no alert.
    vm->setExportAlertMessage(std::nullopt);
    const std::size_t calls = exporter->calls().size();
    vm->beginBatchExport(framesTitled(*vm, {"a.tif", "c.tif"}), out(), as(ExportFormat::jpeg));
    vm->cancelBatchExport();
    EXPECT_FALSE(vm->isBatchExporting());
    EXPECT_EQ(vm->statusMessage(), "Batch export cancelled");
    ASSERT_TRUE(idle(*vm));
    EXPECT_EQ(exporter->calls().size(), calls);
    EXPECT_EQ(vm->statusMessage(), "Batch export cancelled: 0 of 2 photos exported");
    EXPECT_EQ(vm->exportAlertMessage(), std::nullopt);

    // Cancelled during its first frame: that frame finishes and is reported, the next is not begun.
    exporter->gate.close();
    vm->beginBatchExport(framesTitled(*vm, {"a.tif", "c.tif"}), out(), as(ExportFormat::jpeg));
    ASSERT_TRUE(waitFor([&] { return exporter->gate.waiting() == 1; }));
    vm->cancelBatchExport();
    exporter->gate.open();
    ASSERT_TRUE(waitFor([&] { return vm->exportAlertMessage().has_value(); }));
    ASSERT_TRUE(idle(*vm));
    EXPECT_EQ(exporter->calls().size(), calls + 1);
    EXPECT_EQ(vm->statusMessage(), "Batch export cancelled: 1 of 2 photos exported");
    EXPECT_EQ(vm->exportAlertMessage(), "Batch export cancelled.\n1 of 2 photos exported to:\n" + out().string());
}

TEST_F(ExportTest, AnOldBatchNeverReportsIntoANewerOne) {
    auto vm = makeViewModel();
    vm->loadFolder(makeRoll("roll", {"a.tif", "c.tif"}));
    ASSERT_TRUE(settle(*vm));

    exporter->gate.close();
    vm->beginBatchExport(framesTitled(*vm, {"a.tif"}), out(), as(ExportFormat::jpeg));
    ASSERT_TRUE(waitFor([&] { return exporter->gate.waiting() == 1; }));
    vm->cancelBatchExport();
    vm->beginBatchExport(framesTitled(*vm, {"a.tif", "c.tif"}), out(), as(ExportFormat::jpeg));
    ASSERT_TRUE(waitFor([&] { return exporter->gate.waiting() == 2; }));

    QSignalSpy alerts(vm.get(), &DarkroomViewModel::exportAlertMessageChanged);
    std::vector<double> progress;
    std::vector<bool> exporting;
    QObject::connect(vm.get(), &DarkroomViewModel::batchExportProgressChanged, vm.get(),
                     [&] { progress.push_back(vm->batchExportProgress()); });
    QObject::connect(vm.get(), &DarkroomViewModel::isBatchExportingChanged, vm.get(),
                     [&] { exporting.push_back(vm->isBatchExporting()); });
    exporter->gate.open();
    ASSERT_TRUE(finished(*vm));

    EXPECT_EQ(progress, (std::vector<double>{0.5, 1.0}));
    EXPECT_EQ(exporting, std::vector<bool>{false});
    EXPECT_EQ(alerts.count(), 1);
    EXPECT_EQ(vm->statusMessage(), "Batch export complete: 2 succeeded");
    EXPECT_EQ(vm->batchExportCompletedCount(), 2);
    // The cancelled batch's frame was still written, and the newer batch did not overwrite it.
    EXPECT_TRUE(std::filesystem::exists(out() / "a_Developed.jpg"));
    EXPECT_TRUE(std::filesystem::exists(out() / "a_Developed (1).jpg"));
    EXPECT_TRUE(std::filesystem::exists(out() / "c_Developed.jpg"));
}

TEST_F(ExportTest, RecipesForExportFollowTheFramesOwnRecipe) {
    auto vm = makeViewModel();
    vm->loadFolder(makeRoll("roll", {"a.tif", "b.tif", "c.tif"}));
    ASSERT_TRUE(settle(*vm));
    const auto frames = framesTitled(*vm, {"a.tif", "b.tif", "c.tif"});
    // The exposure of the recipe the frame is written with.
    const auto exported = [&](DarkroomViewModel& model, const LoadedPhoto& frame) {
        dialogs->saveLocation = path("out.jpg");
        model.exportPhoto(frame, ExportSettings{});
        EXPECT_TRUE(idle(model));
        return exporter->calls().empty() ? -1.0 : exporter->calls().back().exposure;
    };

    // b: edited, held in memory; c: stored only; a: live and unsaved.
    vm->selectPhoto(idOfTitle(*vm, "b.tif"));
    edit(*vm, [](EditParameters& r) { r.exposure = 2; });
    vm->selectPhoto(idOfTitle(*vm, "a.tif"));
    EditParameters stored = EditParameters::defaultValue();
    stored.exposure = 3;
    store->recipes[frames[2].fileURL()->string()] = stored;
    edit(*vm, [](EditParameters& r) { r.exposure = 1; });
    EXPECT_EQ(exported(*vm, frames[0]), 1);
    EXPECT_EQ(exported(*vm, frames[1]), 2);

    // c has a kept recipe from opening the roll; without it the store's is used.
    EXPECT_EQ(exported(*vm, frames[2]), 0);
    vm->loadFolder(path("roll"));
    ASSERT_TRUE(settle(*vm));
    EXPECT_EQ(exported(*vm, framesTitled(*vm, {"c.tif"})[0]), 3);

    // A sample frame: its sample recipe, else neutral.
    EditParameters sampleRecipe = EditParameters::defaultValue();
    sampleRecipe.exposure = 4;
    store->recipes[FakeSessionStorage::sampleKey(DarkroomViewModel::sampleRollPhotoIDs()[2])] = sampleRecipe;
    auto sample = makeViewModel();
    sample->loadSampleRoll();
    ASSERT_TRUE(settle(*sample));
    EXPECT_EQ(exported(*sample, sample->photos()[2]), 4);
    LoadedPhoto stranger("", "x.tif", std::nullopt, Image(), Image(), PhotoSize{8, 6}, false, "sRGB");
    EXPECT_EQ(exported(*sample, stranger), 0);
}

TEST_F(ExportTest, OneCheckedFrameIsTheFrameWritten) {
    auto vm = makeViewModel();
    vm->loadFolder(makeRoll("roll", {"a.tif", "b.tif", "fail.tif"}));
    ASSERT_TRUE(settle(*vm));
    vm->selectPhoto(idOfTitle(*vm, "b.tif"));
    edit(*vm, [](EditParameters& r) { r.exposure = 2; });
    vm->selectPhoto(idOfTitle(*vm, "a.tif"));
    edit(*vm, [](EditParameters& r) { r.exposure = 1; });

    // A cancelled panel changes nothing but the closed dialog.
    vm->presentExportDialog();
    vm->exportCurrentPhoto(as(ExportFormat::jpeg));
    EXPECT_FALSE(vm->isShowingExportDialog());
    EXPECT_FALSE(vm->isExporting());
    EXPECT_EQ(dialogs->titles.back(), "Export Photo (JPEG)");
    EXPECT_EQ(dialogs->proposedNames.back(), "a_Developed.jpg");

    dialogs->saveLocation = out() / "chosen.jpg";
    vm->setCheckedPhotoIDs({idOfTitle(*vm, "b.tif")});
    exporter->gate.close();
    vm->exportCurrentPhoto(as(ExportFormat::png));
    EXPECT_EQ(dialogs->proposedNames.back(), "b_Developed.png");
    EXPECT_TRUE(vm->isExporting());
    EXPECT_EQ(vm->statusMessage(), "Rendering lossless export in background (PNG)...");
    exporter->gate.open();
    ASSERT_TRUE(waitFor([&] { return !vm->isExporting(); }));
    ASSERT_EQ(exporter->calls().size(), 1u);
    EXPECT_EQ(exporter->calls()[0].title, "b.tif");
    EXPECT_EQ(exporter->calls()[0].exposure, 2);
    EXPECT_EQ(exporter->calls()[0].destination, out() / "chosen.jpg");
    EXPECT_EQ(vm->statusMessage(), "Exported successfully: chosen.jpg");
    EXPECT_EQ(vm->exportAlertMessage(), "File successfully exported to:\n" + (out() / "chosen.jpg").string());

    // Two checked frames, or none: the current frame with its live recipe.
    vm->setCheckedPhotoIDs({});
    vm->exportCurrentPhoto(as(ExportFormat::jpeg));
    ASSERT_TRUE(waitFor([&] { return exporter->calls().size() == 2; }));
    EXPECT_EQ(exporter->calls()[1].title, "a.tif");
    EXPECT_EQ(exporter->calls()[1].exposure, 1);

    // A failure reaches the status line and the alert.
    ASSERT_TRUE(waitFor([&] { return !vm->isExporting(); }));
    vm->setCheckedPhotoIDs({idOfTitle(*vm, "fail.tif")});
    vm->exportCurrentPhoto(as(ExportFormat::jpeg));
    ASSERT_TRUE(waitFor([&] { return vm->statusMessage() == "Export failed: the photo could not be rendered"; }));
    EXPECT_EQ(vm->exportAlertMessage(), "Export failed: the photo could not be rendered");
    EXPECT_FALSE(vm->isExporting());
}

TEST_F(ExportTest, AGivenFrameIsWrittenWithItsOwnNameAndRecipe) {
    auto vm = makeViewModel();
    vm->loadFolder(makeRoll("roll", {"a.tif", "b.tif"}));
    ASSERT_TRUE(settle(*vm));
    vm->selectPhoto(idOfTitle(*vm, "b.tif"));
    edit(*vm, [](EditParameters& r) { r.exposure = 2; });
    vm->selectPhoto(idOfTitle(*vm, "a.tif"));
    edit(*vm, [](EditParameters& r) { r.exposure = 1; });
    ASSERT_TRUE(vm->checkedPhotoIDs().empty());

    // Neither checked nor current: still that frame, under its own name.
    dialogs->saveLocation = out() / "b.png";
    vm->presentExportDialog();
    std::vector<LoadedPhoto> listed = framesTitled(*vm, {"b.tif"});
    vm->exportPhoto(listed.front(), as(ExportFormat::png));
    listed.clear();  // the caller's list may go while the export runs
    EXPECT_FALSE(vm->isShowingExportDialog());
    EXPECT_EQ(dialogs->proposedNames.back(), "b_Developed.png");
    ASSERT_TRUE(waitFor([&] { return exporter->calls().size() == 1 && !vm->isExporting(); }));
    EXPECT_EQ(exporter->calls()[0].title, "b.tif");
    EXPECT_EQ(exporter->calls()[0].exposure, 2);
    EXPECT_EQ(exporter->calls()[0].destination, out() / "b.png");

    // The current frame goes with its live recipe.
    edit(*vm, [](EditParameters& r) { r.exposure = 3; });
    vm->exportPhoto(framesTitled(*vm, {"a.tif"}).front(), as(ExportFormat::jpeg));
    ASSERT_TRUE(waitFor([&] { return exporter->calls().size() == 2; }));
    EXPECT_EQ(exporter->calls()[1].title, "a.tif");
    EXPECT_EQ(exporter->calls()[1].exposure, 3);
}

// Scans that decode and the real export writer.
class RealExportTest : public ExportTest {
protected:
    void SetUp() override {
        ExportTest::SetUp();
        exportService = std::make_shared<EngineExportService>();
    }
    void writeScans(const std::filesystem::path& roll, std::initializer_list<const char*> names) {
        std::filesystem::create_directories(roll);
        QImage scan(16, 12, QImage::Format_RGB32);
        scan.fill(QColor(160, 110, 70));
        for (const char* name : names) ASSERT_TRUE(scan.save(QString::fromStdString((roll / name).string())));
    }
};

TEST_F(RealExportTest, ALongNameIsWrittenAndAnUnwritableFolderStopsTheBatch) {
    const std::optional<std::filesystem::path> scratch = childScratch();
    if (!scratch) {
        writeScans(path("roll"), {"a.png", "b.png", "c.png"});
        auto vm = makeViewModel();
        vm->loadFolder(path("roll"));
        ASSERT_TRUE(settle(*vm));
        // A name of 250 bytes, a few short of the folder's limit.
        const std::string name = std::string(246, 'n') + ".jpg";
        dialogs->saveLocation = out() / name;
        vm->exportCurrentPhoto(as(ExportFormat::jpeg));
        ASSERT_TRUE(waitFor([&] { return !vm->isExporting(); }, 10000));
        EXPECT_EQ(vm->statusMessage(), "Exported successfully: " + name);
        EXPECT_TRUE(std::filesystem::is_regular_file(out() / name));

        // A scan whose own name is 250 bytes: its generated names lose the end of the title,
        // never "_Developed", the number or the extension.
        const std::string longScan = std::string(246, 's') + ".png";
        writeScans(path("long"), {longScan.c_str()});
        vm->loadFolder(path("long"));
        ASSERT_TRUE(settle(*vm));
        std::filesystem::create_directories(path("batch"));
        for (int round = 0; round < 2; ++round) {
            vm->beginBatchExport(framesTitled(*vm, {longScan}), path("batch"), as(ExportFormat::jpeg));
            ASSERT_TRUE(finished(*vm));
            EXPECT_EQ(vm->statusMessage(), L10n::tr("status.batchSuccess", 1, std::string()));
        }
        std::vector<std::string> written;
        for (const auto& entry : std::filesystem::directory_iterator(path("batch")))
            written.push_back(entry.path().filename().string());
        std::sort(written.begin(), written.end());
        ASSERT_EQ(written.size(), 2u);
        EXPECT_EQ(written[0], std::string(255 - 18, 's') + "_Developed (1).jpg");
        EXPECT_EQ(written[1], std::string(255 - 14, 's') + "_Developed.jpg");

        // A German window names the cause in German, with nothing of the system's message.
        LocalizationManager::shared().setLanguage(AppLanguage::de);
        dialogs->saveLocation = path("missing") / "a.jpg";
        vm->exportCurrentPhoto(as(ExportFormat::jpeg));
        ASSERT_TRUE(waitFor([&] { return !vm->isExporting(); }, 10000));
        const std::string german = vm->statusMessage();
        LocalizationManager::shared().setLanguage(AppLanguage::en);
        EXPECT_EQ(german, "Export fehlgeschlagen: im Ordner „" + path("missing").string() +
                              "“ kann keine Datei angelegt werden: der Ordner existiert nicht");
        vm.reset();

        std::filesystem::create_directories(path("locked"));
        const int status = runUnwritableChild(dir.path().toStdString(), Unwritable::folder, path("locked"));
        if (status == kCannotLock) GTEST_SKIP() << "no folder can be made unwritable here";
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(std::filesystem::is_empty(path("locked")));
        return;
    }

    // The batch stops at the first frame, naming the folder and why.
    const std::filesystem::path locked = *scratch / "locked";
    auto vm = makeViewModel();
    vm->loadFolder(*scratch / "roll");
    ASSERT_TRUE(settle(*vm));
    vm->beginBatchExport(vm->photos(), locked, as(ExportFormat::png));
    ASSERT_TRUE(waitFor([&] { return !vm->isBatchExporting(); }, 10000));
    const std::string why = L10n::tr(::geteuid() == 0 ? "cause.readOnly" : "cause.noPermission");
    const std::string told = L10n::tr("status.batchFolderFailed", locked.string(), why, 0, 3);
    EXPECT_EQ(vm->statusMessage(), told);
    EXPECT_EQ(vm->exportAlertMessage(), told);
    EXPECT_EQ(vm->batchExportCompletedCount(), 1);
}

// A panel that gives nothing (cancelled, or the replace question answered no) leaves no
// earlier success standing in the status line; a folder where writing failed is not where
// the next panel opens, a folder written into is; the alert reads in the language chosen later.
TEST_F(ExportTest, RefusedPanelsAndFailedWritesLeaveNoFalseNewsAndNoStartFolder) {
    auto vm = makeViewModel();
    vm->loadFolder(makeRoll("roll", {"a.tif", "fail.tif"}));
    ASSERT_TRUE(settle(*vm));
    vm->selectPhoto(idOfTitle(*vm, "a.tif"));
    dialogs->saveLocation = out() / "a.jpg";
    vm->exportCurrentPhoto(as(ExportFormat::jpeg));
    ASSERT_TRUE(waitFor([&] { return !vm->isExporting(); }));
    EXPECT_EQ(vm->statusMessage(), "Exported successfully: a.jpg");
    LocalizationManager::shared().setLanguage(AppLanguage::de);
    EXPECT_EQ(vm->exportAlertMessage(), L10n::tr("status.exportSuccessAlert", (out() / "a.jpg").string()));
    LocalizationManager::shared().setLanguage(AppLanguage::en);

    dialogs->saveLocation.reset();
    vm->exportCurrentPhoto(as(ExportFormat::jpeg));
    EXPECT_EQ(dialogs->startFolders.back(), out());
    EXPECT_EQ(vm->statusMessage(), "Export cancelled: nothing was written");
    EXPECT_EQ(exporter->calls().size(), 1u);

    // A write that fails elsewhere, alone and in a batch: the next panel still opens in out().
    std::filesystem::create_directories(path("elsewhere"));
    vm->selectPhoto(idOfTitle(*vm, "fail.tif"));
    dialogs->saveLocation = path("elsewhere") / "fail.jpg";
    vm->exportCurrentPhoto(as(ExportFormat::jpeg));
    ASSERT_TRUE(waitFor([&] { return !vm->isExporting() && exporter->calls().size() == 2; }));
    dialogs->folder = path("elsewhere");
    vm->startBatchExport(framesTitled(*vm, {"fail.tif"}), as(ExportFormat::jpeg));
    ASSERT_TRUE(finished(*vm));
    EXPECT_EQ(vm->statusMessage(), "Batch export failed");
    dialogs->saveLocation.reset();
    vm->exportCurrentPhoto(as(ExportFormat::jpeg));
    EXPECT_EQ(dialogs->startFolders.back(), out());
}

// A remembered folder on a file system that hangs (a share gone away): the panel is not
// held up by it, it opens in the roll's folder instead; it is probed once, and the panels
// opened while that probe waits pass over it at once.
TEST(PanelFoldersTest, AFolderThatDoesNotAnswerIsPassedOver) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::filesystem::path base(dir.path().toStdString());
    struct Hang {
        std::mutex mutex;
        std::condition_variable changed;
        bool released = false, returned = false;
        int probes = 0;
    };
    auto hang = std::make_shared<Hang>();
    PanelFolders folders(std::make_shared<QSettings>(dir.filePath("settings.ini"), QSettings::IniFormat),
                         [hang, base](const std::filesystem::path& folder) {
                             if (folder == base) return false;  // the folder holding the roll is gone
                             if (folder != base / "share") return true;
                             std::unique_lock lock(hang->mutex);
                             ++hang->probes;
                             hang->changed.wait(lock, [&] { return hang->released; });
                             hang->returned = true;
                             hang->changed.notify_all();
                             return true;
                         });
    folders.remember(PanelKind::photos, base / "share");
    EXPECT_EQ(folders.startFolder(PanelKind::photos, base / "roll"), base / "roll");
    const auto nineOpenings = std::chrono::steady_clock::now();
    for (int opening = 0; opening < 9; ++opening)
        EXPECT_EQ(folders.startFolder(PanelKind::photos, base / "roll"), base / "roll");
    EXPECT_LT(std::chrono::steady_clock::now() - nineOpenings, PanelFolders::kPatience);
    // The panel that opens a roll asks the same check.
    EXPECT_EQ(folders.besideRoll(base / "roll"), std::filesystem::path());
    {
        std::unique_lock lock(hang->mutex);
        EXPECT_EQ(hang->probes, 1);
        EXPECT_FALSE(hang->returned);  // still waiting on the share
        hang->released = true;
        hang->changed.notify_all();
        hang->changed.wait(lock, [&] { return hang->returned; });
    }
    // Answering again (its probe ends just after the check), it is the start once more.
    std::filesystem::path start;
    for (int tries = 0; tries < 200 && start != base / "share"; ++tries) {
        if (tries) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        start = folders.startFolder(PanelKind::photos, base / "roll");
    }
    EXPECT_EQ(start, base / "share");
}

}  // namespace
}  // namespace vantrel::testing
