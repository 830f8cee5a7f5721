#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "WindowTestSupport.h"
#include "app/BatchExportOverlay.h"
#include "views/kit/ProSlider.h"
#include "services/L10n.h"
#include "services/LocalizationManager.h"

namespace vantrel::testing {
namespace {

TEST_F(WindowTest, FrameHasItsSizesAndShowsTheDevelopedFrame) {
    EXPECT_EQ(window->size(), QSize(1300, 840));
    EXPECT_EQ(window->minimumSize(), QSize(1080, 720));
    window->show();
    for (int width : {1080, 1600}) {
        window->resize(width, 800);
        QCoreApplication::processEvents();
        EXPECT_EQ(window->sidebar()->width(), 240) << width;
        EXPECT_EQ(window->inspector()->width(), 320) << width;
    }
    // The canvas area reports its size to the view model.
    EXPECT_GT(vm().canvasViewportSize().width(), 500);

    // The canvas draws the preview: the fake preview is grey.
    const QImage canvas = window->canvasArea()->grab().toImage();
    const QColor middle = canvas.pixelColor(canvas.width() / 2, canvas.height() / 2);
    EXPECT_EQ(middle, QColor(Qt::gray));
}

TEST_F(WindowTest, ChangesAreRefreshedOnceOnTheNextTurn) {
    ProSlider* exposure = window->findChild<ProSlider*>("inspector.exposure");
    ASSERT_NE(exposure, nullptr);
    EditParameters recipe = vm().parameters();
    recipe.exposure = 1.25;
    vm().setParameters(recipe);
    vm().setStatusMessage(LocalText::plain("one"));
    vm().setStatusMessage(LocalText::plain("two"));
    EXPECT_EQ(exposure->readout()->text(), "0.00 EV");  // not yet
    QCoreApplication::processEvents();
    EXPECT_EQ(exposure->readout()->text(), "+1.25 EV");
    EXPECT_EQ(window->findChild<QLabel*>("statusLine")->text(), "two");

    // A status shown in one language reads in the next after a switch.
    vm().setStatusMessage(L10n::text("status.folderLoaded", "Roll 12", 36));
    QCoreApplication::processEvents();
    EXPECT_EQ(window->findChild<QLabel*>("statusLine")->text(), "Loaded roll folder: Roll 12 (36 photos)");
    LocalizationManager::shared().setLanguage(AppLanguage::de);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->findChild<QLabel*>("statusLine")->text().toStdString(),
              L10n::tr("status.folderLoaded", "Roll 12", 36));
    EXPECT_NE(window->findChild<QLabel*>("statusLine")->text(), "Loaded roll folder: Roll 12 (36 photos)");
    // Qt's own dialogs follow: the file panels' labels, the alerts' buttons.
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Suchen in:"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
    LocalizationManager::shared().setLanguage(AppLanguage::en);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));

    // A slider write asks for a preview of the new recipe.
    exposure->resetToDefault();
    EXPECT_EQ(vm().parameters().exposure, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return FakeRenderService::exposure(vm().renderedPreview()) == 0; }, 2000));
}

TEST_F(WindowTest, SheetsFollowTheirFlags) {
    window->show();
    vm().setIsShowingSavePresetSheet(true);
    QCoreApplication::processEvents();
    ASSERT_NE(window->savePresetSheet(), nullptr);
    EXPECT_TRUE(window->savePresetSheet()->isVisible());
    EXPECT_EQ(window->savePresetSheet()->windowModality(), Qt::WindowModal);
    vm().setIsShowingSavePresetSheet(false);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->savePresetSheet(), nullptr);

    // Closed by the user: the flag follows.
    vm().setIsShowingExportDialog(true);
    QCoreApplication::processEvents();
    ASSERT_NE(window->exportSheet(), nullptr);
    window->exportSheet()->reject();
    QCoreApplication::processEvents();
    EXPECT_FALSE(vm().isShowingExportDialog());
    EXPECT_EQ(window->exportSheet(), nullptr);

    // The synchronisation sheet names the current frame.
    vm().setIsShowingBatchSyncSheet(true);
    QCoreApplication::processEvents();
    ASSERT_NE(window->batchSyncSheet(), nullptr);
    bool named = false;
    for (QLabel* label : window->batchSyncSheet()->findChildren<QLabel*>())
        named |= label->text().contains(QString::fromStdString(vm().selectedPhoto()->title()));
    EXPECT_TRUE(named);
}

TEST_F(WindowTest, AlertShowsTheMessageAndDismissalClearsIt) {
    window->show();
    vm().setExportAlertMessage(L10n::text("status.exportSuccessAlert", "/x.jpg"));
    QCoreApplication::processEvents();
    QMessageBox* alert = window->exportAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->windowTitle(), "Vantrel Darkroom Export");
    EXPECT_EQ(alert->text(), "File successfully exported to:\n/x.jpg");
    // Open while the language changes, it reads in the new one, as the status line does.
    LocalizationManager::shared().setLanguage(AppLanguage::de);
    QCoreApplication::processEvents();
    EXPECT_EQ(alert->text().toStdString(), L10n::tr("status.exportSuccessAlert", "/x.jpg"));
    EXPECT_NE(alert->text(), "File successfully exported to:\n/x.jpg");
    EXPECT_EQ(alert->windowTitle().toStdString(), L10n::tr("app.exportAlertTitle"));
    LocalizationManager::shared().setLanguage(AppLanguage::en);
    QCoreApplication::processEvents();
    alert->button(QMessageBox::Ok)->click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(vm().exportAlertMessage().has_value());
    EXPECT_EQ(window->exportAlert(), nullptr);

    // A new message presents it again.
    vm().setExportAlertMessage(LocalText::plain("again"));
    QCoreApplication::processEvents();
    ASSERT_NE(window->exportAlert(), nullptr);
    EXPECT_EQ(window->exportAlert()->text(), "again");
}

TEST_F(WindowTest, BatchOverlayShowsCountsAndPercentAndCancels) {
    window->show();
    window->handleAutomationAction("show_batch_hud");
    QCoreApplication::processEvents();
    BatchExportOverlay* overlay = window->batchExportOverlay();
    ASSERT_TRUE(overlay->isVisible());
    EXPECT_EQ(overlay->geometry(), window->centralWidget()->rect());
    EXPECT_EQ(overlay->titleLabel()->text(), "Batch Exporting (Concurrent)...");
    EXPECT_EQ(overlay->itemLabel()->text(), "Rendering (14/20): 004329030014.tif");
    EXPECT_EQ(overlay->countsLabel()->text(), "13 / 20 completed");
    EXPECT_EQ(overlay->percentLabel()->text(), "65%");
    EXPECT_EQ(overlay->cancelButton()->text(), "Cancel Export");
    EXPECT_EQ(BatchExportOverlay::percentText(0.999), "99%");

    // A very long line is cut to one line.
    vm().setBatchExportCurrentItem(std::string(400, 'x'));
    QCoreApplication::processEvents();
    EXPECT_LT(overlay->itemLabel()->text().size(), 200);

    window->handleAutomationAction("hide_batch_hud");
    QCoreApplication::processEvents();
    EXPECT_FALSE(overlay->isVisible());

    window->handleAutomationAction("show_batch_hud");
    QCoreApplication::processEvents();
    overlay->cancelButton()->click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(vm().isBatchExporting());
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_EQ(vm().statusMessage(), "Batch export cancelled");
}

TEST_F(WindowTest, ClosingWithASheetOpenEndsItAndSavesTheRecipe) {
    window->show();
    vm().setIsShowingSavePresetSheet(true);
    vm().setExportAlertMessage(LocalText::plain("done"));
    QCoreApplication::processEvents();
    ASSERT_NE(window->savePresetSheet(), nullptr);

    // An edit whose delayed save is still waiting.
    EditParameters recipe = vm().parameters();
    recipe.exposure = 0.75;
    vm().setParameters(recipe);
    vm().requestRender(RenderQuality::interactive);
    ASSERT_TRUE(vm().hasPendingSave());
    const int flushesBefore = store->flushes;

    window->close();
    EXPECT_EQ(window->savePresetSheet(), nullptr);
    EXPECT_EQ(window->exportAlert(), nullptr);
    EXPECT_FALSE(vm().isShowingSavePresetSheet());
    ASSERT_TRUE(store->recipes.count(firstFrameKey()));
    EXPECT_EQ(store->recipes[firstFrameKey()].exposure, 0.75);
    EXPECT_GT(store->flushes, flushesBefore);
    EXPECT_FALSE(vm().hasPendingSave());

    // The sheet does not come back while the window is going.
    vm().setIsShowingSavePresetSheet(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->savePresetSheet(), nullptr);
}

TEST_F(WindowTest, AutomationActionsReachTheViewModel) {
    window->handleAutomationAction("zoom_200");
    EXPECT_EQ(vm().zoomScale(), 2.0);
    window->handleAutomationAction("ZOOM_100");  // names are case-sensitive
    EXPECT_EQ(vm().zoomScale(), 2.0);
    window->handleAutomationAction("zoom_100");
    EXPECT_EQ(vm().zoomScale(), 1.0);

    window->handleAutomationAction("enable_ultrahdr");
    EXPECT_TRUE(vm().parameters().ultraHDR.isEnabled);
    EXPECT_EQ(vm().parameters().ultraHDR.highlightBoost, 2.0);

    window->handleAutomationAction("open_sheet");
    EXPECT_TRUE(vm().isShowingSavePresetSheet());
    window->handleAutomationAction("close_sheet");
    EXPECT_FALSE(vm().isShowingSavePresetSheet());

    window->handleAutomationAction("select_all_photos");
    EXPECT_EQ(vm().checkedPhotoIDs().size(), 3u);
    window->handleAutomationAction("deselect_all_photos");
    EXPECT_TRUE(vm().checkedPhotoIDs().empty());

    window->handleAutomationAction("open_export_dialog");
    EXPECT_TRUE(vm().isShowingExportDialog());
    window->handleAutomationAction("close_export_dialog");
    EXPECT_FALSE(vm().isShowingExportDialog());

    // Mask mode with masks present selects the first linear one.
    EditParameters recipe = vm().parameters();
    recipe.masks.radialMasks.push_back(RadialMask{});
    recipe.masks.linearMasks.push_back(LinearMask{});
    vm().setParameters(recipe);
    window->handleAutomationAction("open_mask_mode");
    EXPECT_TRUE(vm().isMaskMode());
    EXPECT_EQ(vm().selectedMaskID(), recipe.masks.linearMasks.front().id);

    window->handleAutomationAction("set_lang_de");
    EXPECT_EQ(LocalizationManager::shared().currentLanguage(), AppLanguage::de);
    window->handleAutomationAction("set_lang_zhHant");
    EXPECT_EQ(LocalizationManager::shared().currentLanguage(), AppLanguage::zhHant);
    window->handleAutomationAction("set_lang_en");
    EXPECT_EQ(LocalizationManager::shared().currentLanguage(), AppLanguage::en);
    EXPECT_FALSE(LocalizationManager::shared().isFollowingSystem());
}

}  // namespace
}  // namespace vantrel::testing
