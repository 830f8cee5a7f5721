#include <QClipboard>
// The workflow views in the real window: culling from the bar, snapshots from
// the sidebar, the export dialog exporting the frame it lists, synchronising
// only the negative conversion, the save-recipe sheet keeping a failed save,
// Escape and Return in every sheet, and the sheets' unticked marks in the theme.
#include <cmath>
#include <fstream>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOption>

#include "WindowTestSupport.h"
#include "app/RecipeList.h"
#include "app/Sidebar.h"
#include "app/TopBar.h"
#include "viewmodel/EditTestSupport.h"
#include "views/kit/DarkroomTheme.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/FittingText.h"
#include "views/kit/Chip.h"
#include "views/workflow/BatchSyncDialog.h"
#include "views/workflow/CullingControlBar.h"
#include "views/workflow/ExportSettingsDialog.h"
#include "views/workflow/SavePresetSheet.h"
#include "views/workflow/SnapshotListView.h"
#include "views/workflow/WorkflowParts.h"

namespace vantrel::testing {
namespace {

class WorkflowWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        LocalizationManager::shared().setLanguage(AppLanguage::en);
        ViewModelServices services = windowServices(dir, std::make_shared<FakeRenderService>(), store);
        services.exporter = exporter;
        services.dialogs = dialogs;
        // A test may move the recipe folder after the window is made.
        services.presets = std::make_shared<const CustomPresetStore>(
            CustomPresetStore::Options{[this] { return presetsFolder; }, [](const std::string&) {}});
        window = std::make_unique<MainWindow>(std::make_unique<DarkroomViewModel>(std::move(services)), nullptr,
                                              [this] {
                                                  ++quitRequests;
                                                  quitApplication();
                                              });
        window->startCommandFilePolling({});
        ASSERT_TRUE(QTest::qWaitFor([&] { return !vm().renderedPreview().isNull(); }, 3000));
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    DarkroomViewModel& vm() { return window->viewModel(); }
    void settle() {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    template <typename Sheet>
    Sheet* open(void (DarkroomViewModel::*flag)(bool), QDialog* (MainWindow::*sheet)() const) {
        (vm().*flag)(true);
        settle();
        auto* found = dynamic_cast<Sheet*>((window.get()->*sheet)());
        if (found) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(found));
        }
        return found;
    }
    CullingControlBar* bar() { return window->findChild<CullingControlBar*>(); }
    SnapshotListView* snapshots() { return window->sidebarView()->snapshotList(); }
    std::string frameKey(int i) { return FakeSessionStorage::sampleKey(DarkroomViewModel::sampleRollPhotoIDs()[i]); }

    QTemporaryDir dir;
    std::filesystem::path presetsFolder = std::filesystem::path(dir.filePath("presets").toStdString());
    std::shared_ptr<FakeSessionStorage> store = std::make_shared<FakeSessionStorage>();
    std::shared_ptr<FakeExportService> exporter = std::make_shared<FakeExportService>();
    std::shared_ptr<FakeFileDialogs> dialogs = std::make_shared<FakeFileDialogs>();
    std::unique_ptr<MainWindow> window;
    int quitRequests = 0;
};

TEST_F(WorkflowWindowTest, TheCullingBarMarksTheFrameAndItsSummaryFollowsTheFilter) {
    ASSERT_NE(bar(), nullptr);
    QTest::mouseClick(bar()->star(3), Qt::LeftButton);
    QTest::mouseClick(bar()->dot(ColorLabel::green), Qt::LeftButton);
    QTest::mouseClick(bar()->pickButton(), Qt::LeftButton);
    const PhotoCullingRecord record = vm().selectedCullingRecord();
    EXPECT_EQ(record.rating, 3);
    EXPECT_EQ(record.colorLabel, ColorLabel::green);
    EXPECT_EQ(record.pickStatus, PickStatus::picked);
    settle();
    EXPECT_EQ(bar()->star(3)->symbol(), "star.fill");
    EXPECT_EQ(bar()->star(4)->symbol(), "star");
    EXPECT_TRUE(bar()->dot(ColorLabel::green)->isRinged());
    EXPECT_EQ(bar()->allChip()->text(), "All (3)");

    // Tapping the third star again clears the rating.
    QTest::mouseClick(bar()->star(3), Qt::LeftButton);
    EXPECT_EQ(vm().selectedCullingRecord().rating, 0);
    QTest::mouseClick(bar()->star(4), Qt::LeftButton);
    settle();

    // Only this frame has three stars or more.
    QTest::mouseClick(bar()->ratingChip(3), Qt::LeftButton);
    EXPECT_EQ(vm().cullingFilter().minRating, 3);
    settle();
    ASSERT_TRUE(bar()->summary()->isVisible());
    EXPECT_EQ(bar()->summary()->text(), "1 / 3");
    EXPECT_TRUE(bar()->ratingChip(3)->isSelected());
    QTest::mouseClick(bar()->pickedChip(), Qt::LeftButton);
    EXPECT_EQ(vm().cullingFilter().pickFilter, PickStatus::picked);
    QTest::mouseClick(bar()->star(4), Qt::LeftButton);  // cleared: the frame leaves the filmstrip
    settle();
    EXPECT_EQ(bar()->summary()->text(), "0 / 3");
    QTest::mouseClick(bar()->allChip(), Qt::LeftButton);
    settle();
    EXPECT_TRUE(vm().cullingFilter().isEmpty());
    EXPECT_FALSE(bar()->summary()->isVisible());
}

TEST_F(WorkflowWindowTest, SnapshotsAreCapturedRenamedRestoredAndDeletedFromTheSidebar) {
    window->sidebarView()->setTab(Sidebar::Tab::snapshots);
    EditParameters recipe = vm().parameters();
    recipe.exposure = 1.5;
    vm().setParameters(recipe);
    settle();
    ASSERT_TRUE(snapshots()->isVisible());
    EXPECT_TRUE(snapshots()->emptyState()->isVisible());

    QTest::mouseClick(snapshots()->saveButton(), Qt::LeftButton);
    QDialog* dialog = snapshots()->createDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    QLineEdit* field = snapshots()->createNameField();
    field->setText(QStringLiteral("Bright"));
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_EQ(vm().snapshots().size(), 1u);
    EXPECT_EQ(vm().snapshots()[0].name, "Bright");
    EXPECT_FALSE(dialog->isVisible());
    settle();
    ASSERT_EQ(snapshots()->rows().size(), 1u);
    SnapshotRow* row = snapshots()->rows()[0];
    EXPECT_EQ(row->badge()->text(), "Current");
    EXPECT_FALSE(row->loadButton()->isEnabled());

    // Renamed in place.
    QTest::mouseClick(row->renameButton(), Qt::LeftButton);
    ASSERT_TRUE(row->isRenaming());
    row->nameEditor()->setText(QStringLiteral("Bright +1.5"));
    QTest::keyClick(row->nameEditor(), Qt::Key_Return);
    QTest::keyClick(row->nameEditor(), Qt::Key_Return);
    EXPECT_EQ(vm().snapshots()[0].name, "Bright +1.5");
    EXPECT_EQ(vm().statusMessage(), "Renamed snapshot: 「Bright +1.5」");

    // Another edit, then the snapshot restores the recipe.
    recipe.exposure = -0.5;
    vm().setParameters(recipe);
    settle();
    ASSERT_TRUE(row->loadButton()->isEnabled());
    QTest::mouseClick(row->loadButton(), Qt::LeftButton);
    EXPECT_EQ(vm().parameters().exposure, 1.5);
    EXPECT_EQ(vm().statusMessage(), "Loaded snapshot: 「Bright +1.5」");

    // Compared, then deleted: the comparison ends with it.
    QTest::mouseClick(row->compareButton(), Qt::LeftButton);
    EXPECT_EQ(vm().activeComparisonSnapshotID(), vm().snapshots()[0].id);
    settle();
    EXPECT_TRUE(snapshots()->banner()->isVisible());
    QTest::mouseClick(row->deleteButton(), Qt::LeftButton);
    EXPECT_TRUE(vm().snapshots().empty());
    EXPECT_FALSE(vm().activeComparisonSnapshotID().has_value());
    settle();
    EXPECT_TRUE(snapshots()->rows().empty());
    EXPECT_FALSE(snapshots()->banner()->isVisible());
    EXPECT_TRUE(snapshots()->emptyState()->isVisible());
}

TEST_F(WorkflowWindowTest, OneCheckedFrameThatIsNotShownIsTheFrameExported) {
    const LoadedPhoto listed = vm().photos()[1];
    ASSERT_NE(vm().selectedPhotoID(), DarkroomViewModel::sampleRollPhotoIDs()[1]);
    vm().toggleChecked(DarkroomViewModel::sampleRollPhotoIDs()[1]);
    ExportSettings settings = vm().exportSettings();
    settings.jpegQuality = 0.58;
    vm().setExportSettings(settings);

    auto* sheet = open<ExportSettingsDialog>(&DarkroomViewModel::setIsShowingExportDialog, &MainWindow::exportSheet);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    ASSERT_EQ(sheet->photos().size(), 1u);
    EXPECT_TRUE(sheet->subtitleLabel()->fullText().startsWith(QString::fromStdString(listed.title())));
    EXPECT_EQ(sheet->qualityPercent()->text(), "58%");

    dialogs->saveLocation = std::filesystem::path(dir.filePath("out.jpg").toStdString());
    QTest::keyClick(sheet, Qt::Key_Return);
    EXPECT_FALSE(vm().isShowingExportDialog());
    ASSERT_FALSE(dialogs->proposedNames.empty());
    EXPECT_EQ(dialogs->proposedNames.back(), ExportController::proposedName(listed.title(), ExportFormat::jpeg));
    ASSERT_TRUE(QTest::qWaitFor([&] { return exporter->calls().size() == 1 && !vm().isExporting(); }, 3000));
    EXPECT_EQ(exporter->calls()[0].title, listed.title());
    settle();
    EXPECT_EQ(window->exportSheet(), nullptr);

    // A checked frame that is not in the roll lists nothing: the button is off.
    vm().setCheckedPhotoIDs({Uuid::random()});
    sheet = open<ExportSettingsDialog>(&DarkroomViewModel::setIsShowingExportDialog, &MainWindow::exportSheet);
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->photos().empty());
    EXPECT_FALSE(sheet->exportButton()->isEnabled());
    QTest::keyClick(sheet, Qt::Key_Return);
    EXPECT_TRUE(vm().isShowingExportDialog());
    QTest::keyClick(sheet, Qt::Key_Escape);
    EXPECT_FALSE(vm().isShowingExportDialog());
    settle();
    EXPECT_EQ(window->exportSheet(), nullptr);
    EXPECT_EQ(exporter->calls().size(), 1u);
}

// Ticks belong to their roll: another roll opened from the top bar starts
// unticked, and what the export and sync buttons offer follows it.
TEST_F(WorkflowWindowTest, AnotherRollOpensWithNothingTicked) {
    const auto rollOf = [&](const char* name, int frames) {
        const std::filesystem::path folder(dir.filePath(name).toStdString());
        std::filesystem::create_directories(folder);
        for (int i = 0; i < frames; ++i) std::ofstream(folder / ("f" + std::to_string(i) + ".tif")) << "scan";
        return folder;
    };
    QPushButton* exportButton = window->topBar()->exportButton();
    dialogs->folder = rollOf("eight", 8);
    QTest::mouseClick(window->topBar()->openFolderButton(), Qt::LeftButton);
    ASSERT_EQ(vm().photos().size(), 8u);
    QTest::mouseClick(window->sidebarView()->selectAllButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(exportButton->text().toStdString(), "Batch Export (8)...");

    dialogs->folder = rollOf("five", 5);
    QTest::mouseClick(window->topBar()->openFolderButton(), Qt::LeftButton);
    ASSERT_EQ(vm().photos().size(), 5u);
    settle();
    EXPECT_TRUE(vm().checkedPhotoIDs().empty());
    EXPECT_EQ(exportButton->text().toStdString(), "Export Photo...");
    EXPECT_FALSE(window->sidebarView()->batchExportButton()->isVisible());

    // The export dialog lists the frame on screen, ready to export it.
    QTest::mouseClick(exportButton, Qt::LeftButton);
    settle();
    auto* sheet = dynamic_cast<ExportSettingsDialog*>(window->exportSheet());
    ASSERT_NE(sheet, nullptr);
    ASSERT_EQ(sheet->photos().size(), 1u);
    EXPECT_EQ(sheet->photos()[0].id(), vm().selectedPhoto()->id());
    EXPECT_TRUE(sheet->exportButton()->isEnabled());
    QTest::keyClick(sheet, Qt::Key_Escape);
    settle();
    // Synchronising reaches every other frame of this roll.
    QTest::mouseClick(window->sidebarView()->findChild<QPushButton*>("syncRoll"), Qt::LeftButton);
    settle();
    auto* sync = dynamic_cast<BatchSyncDialog*>(window->batchSyncSheet());
    ASSERT_NE(sync, nullptr);
    EXPECT_EQ(sync->syncButton()->fullText(), "Sync to 4 Photos Now");
}

// Exporting roll after roll into one folder: each file panel opens where its
// kind of file last went (kept in the settings), else in the roll's folder;
// the panel that opens a roll opens beside the roll shown.
TEST_F(WorkflowWindowTest, FilePanelsOpenWhereTheirKindOfFileLastWent) {
    const std::filesystem::path base = std::filesystem::path(dir.path().toStdString());
    for (const char* folder : {"rolls/roll", "prints", "recipes"}) std::filesystem::create_directories(base / folder);
    for (const char* scan : {"a.tif", "b.tif"}) std::ofstream(base / "rolls/roll" / scan) << "scan";
    vm().loadFolder(base / "rolls/roll");
    ASSERT_EQ(vm().photos().size(), 2u);
    const auto exportWith = [&](bool batch) {
        if (batch) vm().checkAllPhotos(); else vm().setCheckedPhotoIDs({});
        auto* sheet = open<ExportSettingsDialog>(&DarkroomViewModel::setIsShowingExportDialog, &MainWindow::exportSheet);
        EXPECT_TRUE(sheet && sheet->isBatch() == batch);
        if (sheet) QTest::keyClick(sheet, Qt::Key_Return);
        EXPECT_TRUE(QTest::qWaitFor([&] { return vm().isIdle() && !vm().isExporting(); }, 3000));
        return dialogs->startFolders.back();
    };

    dialogs->saveLocation = base / "prints/a.jpg";
    EXPECT_EQ(exportWith(false), base / "rolls/roll");
    EXPECT_EQ(exportWith(false), base / "prints");  // the second opens where the first wrote
    dialogs->folder = base / "recipes";  // a batch into another folder
    EXPECT_EQ(exportWith(true), base / "prints");
    EXPECT_EQ(exportWith(false), base / "recipes");

    // Recipes keep a folder of their own.
    ASSERT_FALSE(vm().saveCustomPreset("Pushed", "", false));
    RecipeList* recipes = window->sidebarView()->recipeList();
    dialogs->saveLocation = base / "prints/Pushed.vantrelrecipe";
    recipes->exportRecipeFile(vm().customPresets().at(0));
    EXPECT_EQ(dialogs->startFolders.back(), base / "rolls/roll");
    recipes->exportRecipeFile(vm().customPresets().at(0));
    EXPECT_EQ(dialogs->startFolders.back(), base / "prints");

    dialogs->folder.reset();
    window->topBar()->findChild<QPushButton*>("openFolder")->click();
    EXPECT_EQ(dialogs->startFolders.back(), base / "rolls");

    // The next session starts where this one wrote; a folder since removed is passed over.
    PanelFolders next(std::make_shared<QSettings>(dir.filePath("settings.ini"), QSettings::IniFormat));
    EXPECT_EQ(next.startFolder(PanelKind::photos, std::nullopt), base / "prints");
    std::filesystem::remove_all(base / "prints");
    EXPECT_EQ(exportWith(false), base / "rolls/roll");
}

// The export alert: a warning when anything failed, a notice otherwise, and a
// long file name or path folded within it, never running past its edge.
TEST_F(WorkflowWindowTest, ExportAlertsWarnOfFailuresAndKeepLongNamesInside) {
    const std::filesystem::path roll = std::filesystem::path(dir.path().toStdString()) / "roll";
    const std::string longName = "Portra400_roll017_frame23_scanned_at_4000dpi_on_the_Coolscan_5000_with_ICE_off_and_"
                                 "multisampling_16x_then_inverted_by_hand";
    std::filesystem::create_directories(roll / longName);
    for (const std::string& scan : {std::string("a.tif"), "fail_" + longName + ".tif"}) std::ofstream(roll / scan) << "scan";
    vm().loadFolder(roll);
    const auto alertAfter = [&](bool batch, const std::filesystem::path& answer) -> QMessageBox* {
        if (batch) vm().checkAllPhotos(); else vm().setCheckedPhotoIDs({});
        dialogs->folder = dialogs->saveLocation = answer;
        auto* sheet = open<ExportSettingsDialog>(&DarkroomViewModel::setIsShowingExportDialog, &MainWindow::exportSheet);
        if (sheet) QTest::keyClick(sheet, Qt::Key_Return);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->exportAlert() && window->exportAlert()->isVisible(); }, 3000));
        settle();
        QMessageBox* alert = window->exportAlert();
        EXPECT_EQ(settledLayoutIssues(*alert), "");
        if (shotsWanted()) saveWindowShot(*alert, batch ? QStringLiteral("alert-batch") : QStringLiteral("alert-single"));
        return alert;
    };

    QMessageBox* alert = alertAfter(true, roll / longName);
    EXPECT_EQ(alert->icon(), QMessageBox::Warning);
    EXPECT_TRUE(alert->text().contains("fail_"));
    alert->button(QMessageBox::Ok)->click();
    settle();
    alert = alertAfter(false, roll / longName / (longName + ".jpg"));
    EXPECT_EQ(alert->icon(), QMessageBox::Information);
    EXPECT_EQ(alert->text().remove(QChar(0x200B)).toStdString(),
              "File successfully exported to:\n" + (roll / longName / (longName + ".jpg")).string());
    // The path copied from the alert pastes whole, without the invisible break hints.
    QGuiApplication::clipboard()->setText(alert->text());
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
              "File successfully exported to:\n" + (roll / longName / (longName + ".jpg")).string());
}

TEST_F(WorkflowWindowTest, SyncingWithOnlyTheNegativeRowChangesOnlyTheNegativeConversion) {
    EditParameters source = vm().parameters();
    source.exposure = 2;
    source.negativeLab.isEnabled = true;
    source.negativeLab.densityStretch = 0.4;
    vm().setParameters(source);

    auto* sheet = open<BatchSyncDialog>(&DarkroomViewModel::setIsShowingBatchSyncSheet, &MainWindow::batchSyncSheet);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->syncButton()->fullText(), "Sync to 2 Photos Now");
    QTest::mouseClick(sheet->clearButton(), Qt::LeftButton);
    settle();
    EXPECT_FALSE(sheet->syncButton()->isEnabled());
    QTest::mouseClick(sheet->row(&BatchSyncOptions::syncNegativeLab)->checkBox(), Qt::LeftButton);
    settle();
    ASSERT_TRUE(sheet->syncButton()->isEnabled());
    QTest::keyClick(sheet, Qt::Key_Return);
    EXPECT_FALSE(vm().isShowingBatchSyncSheet());
    for (int i : {1, 2}) {
        ASSERT_TRUE(store->recipes.count(frameKey(i))) << i;
        const EditParameters& target = store->recipes[frameKey(i)];
        EXPECT_EQ(target.negativeLab, source.negativeLab) << i;
        EXPECT_EQ(target.exposure, EditParameters{}.exposure) << i;
    }
    settle();
    EXPECT_EQ(window->batchSyncSheet(), nullptr);

    // The switches stay for the next opening; Escape closes without syncing.
    store->recipes.clear();
    sheet = open<BatchSyncDialog>(&DarkroomViewModel::setIsShowingBatchSyncSheet, &MainWindow::batchSyncSheet);
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->row(&BatchSyncOptions::syncNegativeLab)->isOn());
    EXPECT_FALSE(sheet->row(&BatchSyncOptions::syncTone)->isOn());
    QTest::keyClick(sheet, Qt::Key_Escape);
    EXPECT_FALSE(vm().isShowingBatchSyncSheet());
    EXPECT_TRUE(store->recipes.empty());
}

// Relative luminance of an opaque sRGB colour, and the contrast of two.
double luminance(const QColor& c) {
    const auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}
double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The strongest contrast of an indicator's drawn pixels (its outline) against
// the sheet beside it, as the window's theme draws it.
double outlineContrast(QDialog* sheet, QAbstractButton* button, QStyle::SubElement indicator) {
    QStyleOptionButton option;
    option.initFrom(button);
    const QRect mark = button->style()->subElementRect(indicator, &option, button);
    const QImage shot = sheet->grab().toImage();
    const QRect onSheet(button->mapTo(sheet, mark.topLeft()), mark.size());
    const QColor ground = shot.pixelColor(onSheet.left() - 3, onSheet.center().y());
    double strongest = 1;
    for (int y = onSheet.top(); y <= onSheet.bottom(); ++y)
        for (int x = onSheet.left(); x <= onSheet.right(); ++x)
            strongest = std::max(strongest, contrast(shot.pixelColor(x, y), ground));
    return strongest;
}

// The application's theme for one test, the platform's look back afterwards.
struct ThemeApplied {
    ThemeApplied() { DarkroomTheme::apply(*qApp); }
    ~ThemeApplied() {
        QApplication::setStyle(QStyleFactory::create(styleName));
        QApplication::setPalette(palette);
    }
    QString styleName = QApplication::style()->name();
    QPalette palette = QApplication::palette();
};

TEST_F(WorkflowWindowTest, UntickedBoxesAndRadioButtonsStandOutFromTheSheets) {
    const ThemeApplied theme;
    auto* sync = open<BatchSyncDialog>(&DarkroomViewModel::setIsShowingBatchSyncSheet, &MainWindow::batchSyncSheet);
    ASSERT_NE(sync, nullptr);
    QTest::mouseClick(sync->clearButton(), Qt::LeftButton);
    settle();
    QCheckBox* box = sync->row(&BatchSyncOptions::syncTone)->checkBox();
    ASSERT_FALSE(box->isChecked());
    EXPECT_GE(outlineContrast(sync, box, QStyle::SE_CheckBoxIndicator), 3.0);
    QTest::keyClick(sync, Qt::Key_Escape);
    settle();

    auto* exporting = open<ExportSettingsDialog>(&DarkroomViewModel::setIsShowingExportDialog, &MainWindow::exportSheet);
    ASSERT_NE(exporting, nullptr);
    QRadioButton* other = exporting->displayP3Button()->isChecked() ? exporting->sRGBButton() : exporting->displayP3Button();
    ASSERT_FALSE(other->isChecked());
    EXPECT_GE(outlineContrast(exporting, other, QStyle::SE_RadioButtonIndicator), 3.0);
    if (shotsWanted()) {
        saveWindowShot(*exporting, QStringLiteral("export-sheet-themed"));
        QTest::keyClick(exporting, Qt::Key_Escape);
        settle();
        saveWindowShot(*open<BatchSyncDialog>(&DarkroomViewModel::setIsShowingBatchSyncSheet, &MainWindow::batchSyncSheet),
                       QStringLiteral("sync-sheet-themed"));
    }
}

TEST_F(WorkflowWindowTest, TheSaveRecipeSheetSavesWithReturnAndClosesWithEscape) {
    auto* sheet = open<SavePresetSheet>(&DarkroomViewModel::setIsShowingSavePresetSheet, &MainWindow::savePresetSheet);
    ASSERT_NE(sheet, nullptr);
    QTest::keyClick(sheet, Qt::Key_Escape);
    EXPECT_FALSE(vm().isShowingSavePresetSheet());
    settle();
    EXPECT_EQ(window->savePresetSheet(), nullptr);
    EXPECT_TRUE(vm().customPresets().empty());

    sheet = open<SavePresetSheet>(&DarkroomViewModel::setIsShowingSavePresetSheet, &MainWindow::savePresetSheet);
    ASSERT_NE(sheet, nullptr);
    QTest::keyClicks(sheet->nameField(), "  Portra pushed  ");
    QTest::keyClick(sheet->nameField(), Qt::Key_Return);
    ASSERT_EQ(vm().customPresets().size(), 1u);
    EXPECT_EQ(vm().customPresets()[0].name, "Portra pushed");
    EXPECT_EQ(vm().customPresets()[0].subtitle, "Custom Film Recipe");
    EXPECT_FALSE(vm().isShowingSavePresetSheet());
    settle();
    EXPECT_EQ(window->savePresetSheet(), nullptr);
}

TEST_F(WorkflowWindowTest, AFailedRecipeSaveKeepsTheSheetOpenWithTheName) {
    // The recipe folder cannot be made: a plain file stands in its place.
    std::ofstream(dir.filePath("blocked").toStdString()) << "file";
    presetsFolder = std::filesystem::path(dir.filePath("blocked").toStdString()) / "presets";
    auto* sheet = open<SavePresetSheet>(&DarkroomViewModel::setIsShowingSavePresetSheet, &MainWindow::savePresetSheet);
    ASSERT_NE(sheet, nullptr);
    sheet->nameField()->setText(QStringLiteral("Lost?"));
    QTest::keyClick(sheet->nameField(), Qt::Key_Return);
    settle();
    EXPECT_TRUE(vm().isShowingSavePresetSheet());
    ASSERT_EQ(window->savePresetSheet(), sheet);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->nameField()->text(), "Lost?");
    ASSERT_TRUE(sheet->failureLabel()->isVisible());
    EXPECT_TRUE(sheet->failureLabel()->fullText().startsWith("Failed to save recipe: "));
    EXPECT_EQ(sheet->failureLabel()->fullText().toStdString(), vm().statusMessage());
    EXPECT_TRUE(vm().customPresets().empty());
}

TEST_F(WorkflowWindowTest, CtrlQInTheSnapshotDialogQuitsAndEndsIt) {
    window->sidebarView()->setTab(Sidebar::Tab::snapshots);
    settle();
    QTest::mouseClick(snapshots()->saveButton(), Qt::LeftButton);
    QDialog* dialog = snapshots()->createDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    EXPECT_EQ(dialog->parentWidget(), window.get());  // a dialog of the window, which carries Quit
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    QTest::keyClick(dialog, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quitRequests, 1);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(vm().snapshots().empty());
}

TEST_F(WorkflowWindowTest, CtrlQInAWorkflowSheetQuitsAndClearsItsFlag) {
    auto* sheet = open<BatchSyncDialog>(&DarkroomViewModel::setIsShowingBatchSyncSheet, &MainWindow::batchSyncSheet);
    ASSERT_NE(sheet, nullptr);
    sheet->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(sheet));
    QTest::keyClick(sheet, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quitRequests, 1);
    EXPECT_FALSE(vm().isShowingBatchSyncSheet());
    EXPECT_EQ(window->batchSyncSheet(), nullptr);
    EXPECT_FALSE(window->isVisible());
}

}  // namespace
}  // namespace vantrel::testing
