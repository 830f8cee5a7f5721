// The whole window in every language, at its minimum and its default size, in
// a resting and a busy state: every text fits its widget or is elided with its
// whole text in the tooltip, the fixed columns hold their children, and every
// slider's read-out has room for its values.
#include <QDialog>
#include <QPushButton>
#include <QScrollArea>

#include "WindowTestSupport.h"
#include "app/AdjustmentsColumn.h"
#include "app/CanvasArea.h"
#include "app/Sidebar.h"
#include "app/TopBar.h"
#include "services/AppLanguage.h"
#include "services/LocalizationManager.h"
#include "views/kit/FittingText.h"
#include "views/kit/LayoutCheck.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/ProSlider.h"
#include "views/crop/CropControlBar.h"
#include "views/masks/MaskLocalParameterHUD.h"
#include "views/masks/MaskOverlayView.h"
#include "services/FailureCause.h"
#include "services/L10n.h"

namespace vantrel::testing {
namespace {

enum class State { resting, busy, exporting, straightened };

class WindowLayoutTest : public WindowTest {
protected:
    void enter(State state) {
        vm().setIsBatchExporting(false);
        vm().uncheckAllPhotos();
        vm().setIsCroppingMode(false);
        vm().setIsMaskMode(false);
        vm().setZoomScale(1.0);
        EditParameters recipe = vm().parameters();
        const EditParameters neutral;
        recipe.exposure = neutral.exposure;
        recipe.temperature = neutral.temperature;
        recipe.sharpening = neutral.sharpening;
        recipe.vignette = neutral.vignette;
        recipe.crop = neutral.crop;
        window->sidebarView()->setTab(Sidebar::Tab::presets);
        vm().setStatusMessage({});
        if (state == State::busy) {
            // Every reset link shown, the longer mode labels, two frames ticked.
            recipe.exposure = -2;
            recipe.temperature = 9500;
            recipe.sharpening = 1;
            recipe.vignette = -1;
            recipe.crop.straightenAngle = -45;
            vm().toggleChecked(DarkroomViewModel::sampleRollPhotoIDs()[0]);
            vm().toggleChecked(DarkroomViewModel::sampleRollPhotoIDs()[1]);
            vm().setIsCroppingMode(true);
            vm().setIsMaskMode(true);
            vm().setZoomScale(2.0);
            vm().setStatusMessage(LocalText::plain("Opened " + std::string(60, 'x') + " (36 photos) and applied the film recipe"));
            if (vm().customPresets().empty())
                vm().saveCustomPreset("My very long custom recipe name for the warm evening light",
                                      "Lifted shadows, warm highlights, a gentle S-curve and some grain on top", false);
        }
        // A straightened frame, outside crop mode.
        if (state == State::straightened) recipe.crop.straightenAngle = 18.9;
        vm().setParameters(recipe);
        if (state == State::exporting) {
            vm().toggleChecked(DarkroomViewModel::sampleRollPhotoIDs()[0]);
            window->handleAutomationAction(QStringLiteral("show_batch_hud"));
            vm().setBatchExportCurrentItem("Rendering (14/20): " + std::string(120, 'x') + ".tif");
            window->sidebarView()->setTab(Sidebar::Tab::snapshots);
        }
        settle();
    }

    // Every widget shown in a column lies within the column's visible width.
    static QString overhangs(QWidget* column, int visibleWidth) {
        QString found;
        for (QWidget* child : column->findChildren<QWidget*>()) {
            if (!child->isVisibleTo(column) || child->isWindow()) continue;
            const QRect place(child->mapTo(column, QPoint(0, 0)), child->size());
            if (place.left() < 0 || place.right() >= visibleWidth)
                found += QStringLiteral("%1 spans %2…%3\n")
                             .arg(child->objectName().isEmpty() ? child->metaObject()->className() : child->objectName())
                             .arg(place.left())
                             .arg(place.right() + 1);
        }
        return found;
    }
};

TEST_F(WindowLayoutTest, EveryLanguageFitsAtTheMinimumAndTheDefaultSize) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    auto* inspector = qobject_cast<QScrollArea*>(window->inspector());
    ASSERT_NE(inspector, nullptr);
    const char* states[] = {"resting", "busy", "exporting", "straightened"};
    for (AppLanguage language : kAllAppLanguages) {
        LocalizationManager::shared().setLanguage(language);
        for (QSize size : {QSize(MainWindow::kMinimumWidth, MainWindow::kMinimumHeight),
                           QSize(MainWindow::kDefaultWidth, MainWindow::kDefaultHeight)}) {
            window->resize(size);
            for (State state : {State::resting, State::busy, State::exporting, State::straightened}) {
                enter(state);
                const std::string where = std::string(rawValue(language)) + " at " + std::to_string(size.width()) +
                                          "×" + std::to_string(size.height()) + ", " + states[int(state)];
                ASSERT_EQ(window->size(), size) << where;
                EXPECT_EQ(settledLayoutIssues(*window), "") << where;
                EXPECT_EQ(overhangs(window->sidebar(), MainWindow::kSidebarWidth).toStdString(), "") << where;
                EXPECT_EQ(overhangs(inspector->widget(), inspector->viewport()->width()).toStdString(), "") << where;
                EXPECT_EQ(inspector->widget()->width(), inspector->viewport()->width()) << where;
            }
        }
    }
}

// The tools' texts at the smallest window: the crop bar's horizon button takes a line of
// its own rather than shorten its label, and the parameter display names its mask whole.
TEST_F(WindowLayoutTest, ToolTextsStandWholeAtTheMinimumSizeInEveryLanguage) {
    window->resize(MainWindow::kMinimumWidth, MainWindow::kMinimumHeight);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    auto inCanvas = [&]<typename T>(T*) { return window->canvasAreaView()->branchView()->findChild<T*>(); };
    for (AppLanguage language : kAllAppLanguages) {
        LocalizationManager::shared().setLanguage(language);
        vm().setIsMaskMode(false);
        vm().setIsCroppingMode(true);
        settle();
        auto* bar = inCanvas(static_cast<CropControlBar*>(nullptr));
        ASSERT_NE(bar, nullptr);
        EXPECT_TRUE(QTest::qWaitFor([&] {
            settle();
            return bar->isVisible() && !bar->autoHorizonLabel()->isElided();
        }, 1000)) << rawValue(language) << ": " << bar->autoHorizonLabel()->shownText().toStdString();

        vm().setIsCroppingMode(false);
        vm().setIsMaskMode(true);
        vm().addMask(MaskKind::radial);
        settle();
        auto* overlay = inCanvas(static_cast<MaskOverlayView*>(nullptr));
        ASSERT_NE(overlay, nullptr);
        MaskLocalParameterHUD* display = overlay->parameterDisplay();
        const std::string name = L10n::tr("mask.radialSpotDefault", int(vm().parameters().masks.radialMasks.size()));
        EXPECT_TRUE(QTest::qWaitFor([&] {
            settle();
            return display->isVisible() && display->title()->text().toStdString() == name &&
                   !display->title()->isElided();
        }, 1000)) << rawValue(language) << ": " << display->title()->shownText().toStdString();
    }
}

// What the photographer must read where it stands is never shortened, in any language, at the
// minimum and the default size: the notices that ask for an action in the status line, the
// selected mask's name in the mask bar, the mask display's expander and the shooting-information
// card (always shown, so checked by the walk above too).
TEST_F(WindowLayoutTest, NoticesAndMaskNamesStandWholeInEveryLanguage) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const std::string folder = "Roll 2026-12 Portra 400 pushed";
    const std::string scan = "IMG_20261211_0042.tif";
    const std::string exported = "/home/anna/Pictures/Rolls/" + folder + "/Exports/IMG_20261211_0042.jpg";
    const std::vector<LocalText> notices{
        L10n::text("status.rollKeptAsideBecause", folder, causeText(FailureCause::noSpace)),
        L10n::text("status.rollKeptAside", folder),
        L10n::text("status.saveFailedBecause", causeText(FailureCause::noSpace)),
        L10n::text("status.recipeConflictKept", scan, "IMG_20261211_0042.conflict-20261211T163301Z.json"),
        L10n::text("status.exportFailed", L10n::text("export.couldNotWrite", exported, causeText(FailureCause::noSpace))),
    };
    for (AppLanguage language : kAllAppLanguages) {
        LocalizationManager::shared().setLanguage(language);
        for (QSize size : {QSize(MainWindow::kMinimumWidth, MainWindow::kMinimumHeight),
                           QSize(MainWindow::kDefaultWidth, MainWindow::kDefaultHeight)}) {
            window->resize(size);
            const std::string where = std::string(rawValue(language)) + " at " + std::to_string(size.width());
            enter(State::resting);
            auto* status = window->findChild<FittingLabel*>("statusLine");
            ASSERT_NE(status, nullptr);
            EXPECT_TRUE(status->textInteractionFlags() & Qt::TextSelectableByMouse);
            for (const LocalText& notice : notices) {
                vm().setStatusMessage(notice);
                settle();
                EXPECT_EQ(settledLayoutIssues(*window), "") << where << ": " << notice.str();
                // Shown whole, a path in it unbroken but by the hints copying leaves out.
                EXPECT_EQ(status->text().remove(QChar(0x200B)).toStdString(), notice.str()) << where;
            }
            vm().setStatusMessage({});
            vm().setIsMaskMode(true);
            for (MaskKind kind : {MaskKind::linear, MaskKind::radial}) {
                vm().addMask(kind);
                settle();
                EXPECT_EQ(settledLayoutIssues(*window), "") << where << ", mask " << int(kind);
            }
            vm().clearAllMasks();
        }
    }
}

// The window's dialogs are checked the same way while they are open.
TEST_F(WindowLayoutTest, SheetsFitInEveryLanguage) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    vm().toggleChecked(DarkroomViewModel::sampleRollPhotoIDs()[0]);
    vm().toggleChecked(DarkroomViewModel::sampleRollPhotoIDs()[1]);
    for (AppLanguage language : kAllAppLanguages) {
        LocalizationManager::shared().setLanguage(language);
        for (auto [open, sheet] : {std::pair{&DarkroomViewModel::setIsShowingExportDialog, &MainWindow::exportSheet},
                                   std::pair{&DarkroomViewModel::setIsShowingBatchSyncSheet, &MainWindow::batchSyncSheet},
                                   std::pair{&DarkroomViewModel::setIsShowingSavePresetSheet,
                                             &MainWindow::savePresetSheet}}) {
            (vm().*open)(true);
            settle();
            QDialog* dialog = (window.get()->*sheet)();
            ASSERT_NE(dialog, nullptr);
            ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
            EXPECT_EQ(describeLayoutIssues(findLayoutIssues(*dialog)).toStdString(), "")
                << rawValue(language) << " " << dialog->objectName().toStdString();
            (vm().*open)(false);
            settle();
        }
    }
}

}  // namespace
}  // namespace vantrel::testing
