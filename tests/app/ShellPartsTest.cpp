// The window's own parts on a view model over fake services: canvas branches,
// top bar, sidebar and recipe list, inspector resets, shortcuts and drops.
#include <QAbstractFileIconProvider>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QToolButton>

#include <algorithm>
#include <set>

#include "WindowTestSupport.h"
#include "app/CanvasArea.h"
#include "app/AdjustmentsColumn.h"
#include "views/kit/ProSlider.h"
#include "app/RecipeList.h"
#include "app/Shortcuts.h"
#include "app/Sidebar.h"
#include "app/TopBar.h"
#include "app/WindowFileDialogs.h"
#include "views/masks/MaskControlBar.h"
#include "views/retouch/SpotHealingControlBar.h"
#include "views/crop/CropControlBar.h"
#include "views/workflow/SnapshotListView.h"
#include "viewmodel/FileDialogs.h"
#include "services/L10n.h"

namespace vantrel::testing {
namespace {

class ShellPartsTest : public WindowTest {
protected:
    void showActive() {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    const Uuid& frame(int i) { return DarkroomViewModel::sampleRollPhotoIDs()[std::size_t(i)]; }
};

TEST_F(ShellPartsTest, CropWinsOverRetouchAndRetouchOverMask) {
    using Branch = CanvasArea::Branch;
    EXPECT_EQ(CanvasArea::branchFor(true, true, true), Branch::crop);
    EXPECT_EQ(CanvasArea::branchFor(false, true, true), Branch::retouch);
    EXPECT_EQ(CanvasArea::branchFor(false, false, true), Branch::mask);
    EXPECT_EQ(CanvasArea::branchFor(false, false, false), Branch::viewing);

    CanvasArea* canvas = window->canvasAreaView();
    EXPECT_EQ(canvas->branch(), Branch::viewing);
    // The flags set directly stay on together; the canvas shows the first.
    vm().setIsMaskMode(true);
    settle();
    EXPECT_EQ(canvas->branch(), Branch::mask);
    EXPECT_NE(canvas->branchView()->findChild<MaskControlBar*>(), nullptr);
    vm().setIsRetouchMode(true);
    settle();
    EXPECT_TRUE(vm().isMaskMode());
    EXPECT_EQ(canvas->branch(), Branch::retouch);
    EXPECT_NE(canvas->branchView()->findChild<SpotHealingControlBar*>(), nullptr);
    vm().setIsCroppingMode(true);
    settle();
    EXPECT_EQ(canvas->branch(), Branch::crop);
    EXPECT_NE(canvas->branchView()->findChild<CropControlBar*>(), nullptr);
    vm().setIsRetouchMode(false);  // beneath the crop tool: nothing changes on screen
    settle();
    EXPECT_EQ(canvas->branch(), Branch::crop);
    vm().setIsCroppingMode(false);  // the mask tool waited beneath
    settle();
    EXPECT_EQ(canvas->branch(), Branch::mask);
    vm().setIsMaskMode(false);
    settle();
    EXPECT_EQ(canvas->branch(), Branch::viewing);

    // No frame: every tool gets 2400 x 1600; the comparison reads BEFORE / AFTER.
    EXPECT_EQ(canvas->referenceLabel(), "BEFORE");
    EXPECT_EQ(canvas->targetLabel(), "AFTER");
    vm().setSelectedPhotoID(std::nullopt);
    EXPECT_EQ(canvas->imageSize(), QSize(2400, 1600));
}

TEST_F(ShellPartsTest, ExportButtonFollowsTheRollAndTheCheckedFrames) {
    TopBar* bar = window->topBar();
    Sidebar* sidebar = window->sidebarView();
    EXPECT_TRUE(bar->exportButton()->isEnabled());
    EXPECT_EQ(bar->exportButton()->text(), "Export Photo...");
    EXPECT_TRUE(sidebar->batchExportButton()->isHidden());
    EXPECT_TRUE(sidebar->clearSelectionButton()->isHidden());
    EXPECT_TRUE(sidebar->syncButton()->isEnabled());
    EXPECT_EQ(sidebar->selectAllButton()->text(), "Select All (3)");

    vm().toggleChecked(frame(0));
    vm().toggleChecked(frame(1));
    settle();
    EXPECT_EQ(bar->exportButton()->text(), "Batch Export (2)...");
    EXPECT_EQ(bar->exportButton()->toolTip(), "Batch Export (2)...");
    EXPECT_FALSE(sidebar->batchExportButton()->isHidden());
    EXPECT_EQ(sidebar->batchExportButton()->text(), "Batch Export (2)...");
    EXPECT_FALSE(sidebar->clearSelectionButton()->isHidden());
    vm().setIsBatchExporting(true);
    vm().setBatchExportTotalCount(2);
    vm().setBatchExportCompletedCount(1);
    settle();
    EXPECT_FALSE(bar->exportButton()->isEnabled());
    EXPECT_EQ(bar->exportButton()->text(), "Exporting... (1/2)...");
    vm().setIsBatchExporting(false);

    // No roll: nothing to export, nothing to select or sync.
    vm().setCheckedPhotoIDs({});
    vm().setSelectedPhotoID(std::nullopt);
    vm().setPhotos({});
    settle();
    EXPECT_FALSE(bar->exportButton()->isEnabled());
    EXPECT_EQ(bar->exportButton()->toolTip(), "Export Photo...");
    EXPECT_FALSE(sidebar->syncButton()->isEnabled());
    EXPECT_FALSE(sidebar->selectAllButton()->isEnabled());
    EXPECT_FALSE(sidebar->invertButton()->isEnabled());
    EXPECT_EQ(sidebar->selectAllButton()->text(), "Select All (0)");
    EXPECT_EQ(sidebar->metadataMatrix(), nullptr);
}

TEST_F(ShellPartsTest, ModeButtonsShowTheirStates) {
    TopBar* bar = window->topBar();
    vm().setZoomScale(1.05);
    settle();
    EXPECT_FALSE(TopBar::isActive(bar->zoomButton()));
    EXPECT_EQ(bar->zoomButton()->text(), "100% View");
    vm().setZoomScale(1.06);
    settle();
    EXPECT_TRUE(TopBar::isActive(bar->zoomButton()));
    EXPECT_EQ(bar->zoomButton()->text().toStdString(), vm().zoomLabel());

    bar->cropButton()->click();  // through toggleCropMode()
    settle();
    EXPECT_TRUE(vm().isCroppingMode());
    EXPECT_TRUE(TopBar::isActive(bar->cropButton()));
    EXPECT_EQ(bar->cropButton()->text(), "Done");
    EXPECT_FALSE(TopBar::isActive(bar->retouchButton()));
    EXPECT_EQ(bar->retouchButton()->toolTip(), "Spot Healing");

    const bool info = vm().isInfoMatrixVisible();
    bar->infoButton()->click();
    EXPECT_NE(vm().isInfoMatrixVisible(), info);
}

// A frame's news ends with it: moving on by key, the status line no longer
// speaks of the frame left. What concerns the roll (a copied recipe) stays.
TEST_F(ShellPartsTest, AFramesMessagesEndWhenAnotherFrameIsSelected) {
    showActive();
    const auto statusLine = [&] {
        settle();
        return window->findChild<QLabel*>("statusLine")->text();
    };
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(vm().snapshots().size(), 1u);
    Sidebar* sidebar = window->sidebarView();
    sidebar->setTab(Sidebar::Tab::snapshots);
    settle();
    showActive();  // the offscreen platform lets the window go inactive when the tab's list is built
    QTest::mouseClick(sidebar->snapshotList()->rows().at(0)->compareButton(), Qt::LeftButton);
    EXPECT_TRUE(statusLine().startsWith("A/B compare active"));
    QTest::keyClick(window.get(), Qt::Key_BracketRight);
    ASSERT_EQ(vm().selectedPhotoID(), frame(1));
    EXPECT_EQ(statusLine(), "Ready");

    QTest::keyClick(window.get(), Qt::Key_3);
    EXPECT_TRUE(statusLine().contains(QStringLiteral("3")));
    QTest::keyClick(window.get(), Qt::Key_BracketLeft);
    EXPECT_EQ(statusLine(), "Ready");

    QTest::keyClick(window.get(), Qt::Key_C, Qt::ControlModifier);
    const QString copied = statusLine();
    QTest::keyClick(window.get(), Qt::Key_BracketRight);
    EXPECT_EQ(statusLine(), copied);
}

TEST_F(ShellPartsTest, LabelKeysToggleAndTextFieldsKeepTheirDigits) {
    showActive();
    QTest::keyClick(window.get(), Qt::Key_6);
    EXPECT_EQ(vm().selectedCullingRecord().colorLabel, ColorLabel::red);
    QTest::keyClick(window.get(), Qt::Key_6);
    EXPECT_EQ(vm().selectedCullingRecord().colorLabel, ColorLabel::none);
    QTest::keyClick(window.get(), Qt::Key_9);
    QTest::keyClick(window.get(), Qt::Key_6);
    EXPECT_EQ(vm().selectedCullingRecord().colorLabel, ColorLabel::red);
    QTest::keyClick(window.get(), Qt::Key_3);
    EXPECT_EQ(vm().selectedCullingRecord().rating, 3);
    QTest::keyClick(window.get(), Qt::Key_P);
    EXPECT_EQ(vm().selectedCullingRecord().pickStatus, PickStatus::picked);
    QTest::keyClick(window.get(), Qt::Key_U);
    EXPECT_EQ(vm().selectedCullingRecord().pickStatus, PickStatus::unflagged);

    // Ctrl+Shift+S saves a numbered snapshot without a dialog.
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(vm().snapshots().size(), 1u);
    EXPECT_EQ(vm().snapshots()[0].name, "Snapshot 1");
    EXPECT_EQ(nextSnapshotName(vm()), "Snapshot 2");

    Sidebar* sidebar = window->sidebarView();
    sidebar->setTab(Sidebar::Tab::snapshots);
    QTest::mouseClick(sidebar->snapshotList()->saveButton(), Qt::LeftButton);
    QLineEdit* name = sidebar->snapshotList()->createNameField();
    ASSERT_NE(name, nullptr);
    name->clear();
    QTest::keyClicks(name, "5 9x");
    EXPECT_EQ(name->text(), "5 9x");
    EXPECT_EQ(vm().selectedCullingRecord().rating, 3);
    EXPECT_EQ(vm().selectedCullingRecord().colorLabel, ColorLabel::red);
    EXPECT_EQ(vm().selectedCullingRecord().pickStatus, PickStatus::unflagged);
    QTest::keyClick(name, Qt::Key_Return);
    ASSERT_EQ(vm().snapshots().size(), 2u);
    EXPECT_EQ(vm().snapshots()[1].name, "5 9x");

    // c goes through toggleCropMode() like the button.
    window->setFocus();
    QTest::keyClick(window.get(), Qt::Key_C);
    EXPECT_TRUE(vm().isCroppingMode());
    QTest::keyClick(window.get(), Qt::Key_C);
    EXPECT_FALSE(vm().isCroppingMode());
}

TEST_F(ShellPartsTest, DroppedRecipeFilesAreImportedOthersIgnored) {
    vm().saveCustomPreset("First", "", false);
    vm().saveCustomPreset("Second", "", false);
    ASSERT_EQ(vm().customPresets().size(), 2u);
    const FilmPreset first = vm().customPresets()[0], second = vm().customPresets()[1];
    const std::filesystem::path folder = dir.filePath("drop").toStdString();
    std::filesystem::create_directories(folder);
    vm().exportRecipe(first.id, folder / "X.VANTRELRECIPE");
    vm().exportRecipe(second.id, folder / "b.json");
    ASSERT_TRUE(std::filesystem::exists(folder / "X.VANTRELRECIPE"));
    std::filesystem::copy_file(folder / "X.VANTRELRECIPE", folder / "c.txt");
    vm().deleteCustomPreset(first);
    vm().deleteCustomPreset(second);
    ASSERT_TRUE(vm().customPresets().empty());

    QList<QUrl> urls;
    for (const char* name : {"X.VANTRELRECIPE", "c.txt", "b.json"})
        urls.push_back(QUrl::fromLocalFile(QString::fromStdString((folder / name).string())));
    EXPECT_EQ(droppedRecipeFiles(urls).size(), 2u);
    QMimeData data;
    data.setUrls(urls);
    // The drop goes to the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window->sidebar(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window->sidebar(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return vm().customPresets().size() == 2; }, 2000));
    QCoreApplication::sendPostedEvents();  // every import the drop queued has had its turn
    EXPECT_EQ(vm().customPresets().size(), 2u);
}

class CancellingDialogs final : public FileDialogs {
public:
    std::optional<std::filesystem::path> chooseFolder(const std::string&, const std::filesystem::path&) override {
        return std::nullopt;
    }
    std::optional<std::filesystem::path> chooseSaveLocation(const std::string& title, const std::filesystem::path&,
                                                            const std::string& proposed) override {
        titles.push_back(title);
        names.push_back(proposed);
        return answer;
    }
    std::optional<std::filesystem::path> answer;
    std::vector<std::string> titles, names;
};

TEST_F(ShellPartsTest, RecipeListShowsTheActiveRecipeAndExportsFiles) {
    auto dialogs = std::make_shared<CancellingDialogs>();
    vm().setActivePresetID("neutral");
    RecipeList list(vm(), dialogs, vm().panelFolders());
    EXPECT_NE(list.findChild<QLabel*>("noCustomRecipes"), nullptr);
    QWidget* neutral = list.findChild<QWidget*>("classic_neutral");
    ASSERT_NE(neutral, nullptr);
    EXPECT_TRUE(neutral->property("active").toBool());
    EXPECT_NE(neutral->findChild<QLabel*>("activeMark"), nullptr);

    vm().saveCustomPreset("Night/Day", "", false);
    const FilmPreset preset = vm().customPresets().at(0);
    vm().setActivePresetID(std::nullopt);
    list.refresh();
    QWidget* clicked = list.findChild<QWidget*>(QString::fromStdString("custom_" + preset.id));
    ASSERT_NE(clicked, nullptr);
    QTest::mouseClick(clicked, Qt::LeftButton, {}, QPoint(20, 10));  // applies the recipe
    EXPECT_EQ(vm().activePresetID(), preset.id);
    list.refresh();
    EXPECT_EQ(list.findChild<QLabel*>("noCustomRecipes"), nullptr);
    QWidget* row = list.findChild<QWidget*>(QString::fromStdString("custom_" + preset.id));
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->property("active").toBool());
    EXPECT_FALSE(list.findChild<QWidget*>("classic_neutral")->property("active").toBool());

    // The menu: apply, export, reveal, a divider, delete.
    QMenu* menu = list.contextMenuFor(preset, &list);
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 5);
    EXPECT_TRUE(actions[3]->isSeparator());
    EXPECT_EQ(actions[1]->text(), "Export Recipe File (.vantrelrecipe)...");

    // Cancelling writes nothing; a "/" in the name cannot leave the folder.
    const std::string status = vm().statusMessage();
    actions[1]->trigger();
    ASSERT_EQ(dialogs->names.size(), 1u);
    EXPECT_EQ(dialogs->names[0], "Night-Day.vantrelrecipe");
    EXPECT_EQ(dialogs->titles[0], "Export Film Recipe");
    EXPECT_EQ(vm().statusMessage(), status);
    dialogs->answer = std::filesystem::path(dir.filePath("out.vantrelrecipe").toStdString());
    list.exportRecipeFile(preset);
    EXPECT_TRUE(std::filesystem::exists(*dialogs->answer));

    // The recipe's file changed on disk (the same name): once the list is read
    // again, its row applies the settings stored now.
    FilmPreset stored = vm().customPresets().at(0);
    stored.parameters.exposure = 1.25;
    CustomPresetStore outside({[this] { return std::filesystem::path(dir.filePath("presets").toStdString()); }, {}});
    outside.exportPreset(stored, *stored.file);
    outside.exportPreset(stored, *dialogs->answer);
    vm().importRecipe(*dialogs->answer);  // the same recipe: nothing changes, the list is read again
    ASSERT_EQ(vm().customPresets().size(), 1u);
    list.refresh();
    QTest::mouseClick(list.findChild<QWidget*>(QString::fromStdString("custom_" + preset.id)), Qt::LeftButton, {},
                      QPoint(20, 10));
    EXPECT_EQ(vm().parameters().exposure, 1.25);

    // Copied in the folder: two rows of one identifier, each deleting its own file.
    std::filesystem::copy_file(*stored.file, stored.file->parent_path() / "copy.json");
    vm().importRecipe(*dialogs->answer);
    ASSERT_EQ(vm().customPresets().size(), 2u);
    list.refresh();
    const QList<QWidget*> rows = list.findChildren<QWidget*>(QString::fromStdString("custom_" + preset.id));
    ASSERT_EQ(rows.size(), 2);
    rows[1]->findChild<QPushButton*>("delete")->click();  // the copy's row, listed after the original
    EXPECT_FALSE(std::filesystem::exists(stored.file->parent_path() / "copy.json"));
    EXPECT_TRUE(std::filesystem::exists(*stored.file));
    EXPECT_EQ(vm().statusMessage(), "Deleted recipe");

    // A row whose file is already gone goes, and the status line says so.
    std::filesystem::remove(*stored.file);
    actions[4]->trigger();
    EXPECT_TRUE(vm().customPresets().empty());
    EXPECT_EQ(vm().statusMessage(), "Recipe 「Night/Day」 was already gone from the recipes folder");
}

TEST_F(ShellPartsTest, SectionResetsFollowTheirChangeTests) {
    AdjustmentsColumn* inspector = window->inspectorView();
    EXPECT_TRUE(inspector->visibleResets().empty());
    // One slider for each of the recipe's rows that sits in a section, and the straightening.
    const auto inSection = std::ranges::count_if(ParameterTable<EditParameters>::rows,
                                                 [](const auto& row) { return row.group != ParameterGroup::none; });
    EXPECT_EQ(inspector->sliders().size(), std::size_t(inSection) + 1);

    EditParameters p = vm().parameters();
    p.temperature = 6500.5;
    p.sharpening = -0.5;
    p.noiseReduction = -0.1;
    vm().setParameters(p);
    settle();
    EXPECT_TRUE(inspector->visibleResets().empty());
    p.temperature = 6501.5;
    vm().setParameters(p);
    settle();
    ASSERT_EQ(inspector->visibleResets().size(), 1u);
    EXPECT_STREQ(inspector->visibleResets()[0], "inspector.color");

    // The tone reset leaves brightness alone and saves at once.
    p.exposure = 1;
    p.brightness = 0.3;
    p.crop.quarterTurns = 1;
    vm().setParameters(p);
    settle();
    EXPECT_EQ(inspector->visibleResets().size(), 3u);  // geometry, tone, colour
    const int writes = store->writesFor(firstFrameKey());
    inspector->findChild<QPushButton*>("reset.inspector.tone")->click();
    EXPECT_EQ(vm().parameters().exposure, 0);
    EXPECT_EQ(vm().parameters().brightness, 0.3);
    EXPECT_GT(store->writesFor(firstFrameKey()), writes);
    inspector->findChild<QPushButton*>("reset.inspector.geometry")->click();
    EXPECT_EQ(vm().parameters().crop, CropParameters::defaultValue());
}

TEST_F(ShellPartsTest, InspectorSlidersAndResetsFollowTheParameterTable) {
    AdjustmentsColumn* inspector = window->inspectorView();
    std::set<ParameterGroup> groups;
    std::size_t shown = 1;  // the straightening, in the geometry section
    for (const auto& row : ParameterTable<EditParameters>::rows) {
        SCOPED_TRACE(row.label);
        if (row.group == ParameterGroup::none) continue;
        groups.insert(row.group);
        ++shown;
        auto* slider = inspector->findChild<ProSlider*>(QString::fromUtf8(row.label));
        ASSERT_NE(slider, nullptr);
        // The slider spans the row's range and resets to its neutral value.
        EditParameters p = vm().parameters();
        p.*row.member = row.upper;
        vm().setParameters(p);
        settle();
        EXPECT_DOUBLE_EQ(slider->fraction(), 1.0);
        p.*row.member = row.lower;
        vm().setParameters(p);
        settle();
        EXPECT_DOUBLE_EQ(slider->fraction(), 0.0);
        EXPECT_TRUE(slider->formattedValue(row.neutral).endsWith(QString::fromUtf8(row.unit)));
        slider->resetToDefault();
        EXPECT_EQ(vm().parameters().*row.member, row.neutral);
    }
    EXPECT_EQ(groups.size(), 4u);
    EXPECT_EQ(inspector->sliders().size(), shown);

    // Each section's reset puts exactly its own rows back to neutral.
    const std::pair<ParameterGroup, const char*> sections[] = {{ParameterGroup::tone, "reset.inspector.tone"},
                                                               {ParameterGroup::color, "reset.inspector.color"},
                                                               {ParameterGroup::detail, "reset.inspector.detail"},
                                                               {ParameterGroup::vignette, "reset.inspector.vignette"}};
    for (const auto& [group, resetName] : sections) {
        EditParameters p = vm().parameters();
        for (const auto& row : ParameterTable<EditParameters>::rows)
            p.*row.member = row.lower + 0.25 * (row.upper - row.lower);
        vm().setParameters(p);
        settle();
        EXPECT_EQ(inspector->visibleResets().size(), groups.size());
        auto* reset = inspector->findChild<QPushButton*>(QString::fromUtf8(resetName));
        ASSERT_NE(reset, nullptr);
        reset->click();
        for (const auto& row : ParameterTable<EditParameters>::rows) {
            SCOPED_TRACE(row.label);
            if (row.group == group)
                EXPECT_EQ(vm().parameters().*row.member, row.neutral);
            else
                EXPECT_EQ(vm().parameters().*row.member, p.*row.member);
        }
    }
}

TEST_F(ShellPartsTest, SliderDragMakesOnlyNonFinalRequests) {
    window->show();
    ProSlider* exposure = window->findChild<ProSlider*>("inspector.exposure");
    ASSERT_NE(exposure, nullptr);
    QWidget* track = exposure->track();
    const int writes = store->writesFor(firstFrameKey());
    const int y = track->height() / 2;
    QTest::mousePress(track, Qt::LeftButton, {}, QPoint(track->width() / 2, y));
    for (int x : {track->width() * 6 / 10, track->width() * 7 / 10, track->width() * 8 / 10}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, y), track->mapToGlobal(QPointF(x, y)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(track, &move);
        EXPECT_FALSE(vm().isInteracting());
    }
    QTest::mouseRelease(track, Qt::LeftButton, {}, QPoint(track->width() * 8 / 10, y));
    EXPECT_GT(vm().parameters().exposure, 0.5);
    EXPECT_FALSE(vm().isInteracting());
    // Non-final: the save waits for its debounce instead of happening now.
    EXPECT_TRUE(vm().hasPendingSave());
    EXPECT_EQ(store->writesFor(firstFrameKey()), writes);
}

TEST_F(ShellPartsTest, FolderButtonAndLanguageMenuTexts) {
    auto* reveal = window->sidebarView()->findChild<QPushButton*>("revealRecipes");
    ASSERT_NE(reveal, nullptr);
    EXPECT_EQ(reveal->toolTip().toStdString(), L10n::tr("preset.revealInFinder"));
    QToolButton* language = window->topBar()->languageButton();
    const QList<QAction*> items = language->menu()->actions();
    ASSERT_EQ(items.size(), 9);  // follow, divider, seven languages
    int checked = 0;
    for (QAction* item : items) checked += item->property("currentChoice").toBool() ? 1 : 0;
    EXPECT_EQ(checked, 1);
}

// The window's own save panel opens in the folder it is given and names the files there by
// their names alone: it reads no file's content, which on a file system that hangs would
// hold the window.
TEST_F(ShellPartsTest, TheSavePanelOpensWhereItIsToldAndReadsNoFile) {
    const QString folder = dir.filePath("prints");
    ASSERT_TRUE(QDir().mkpath(folder));
    // A PNG by its content, by its name nothing.
    QFile sniffed(folder + "/picture");
    ASSERT_TRUE(sniffed.open(QIODevice::WriteOnly));
    sniffed.write(QByteArray::fromHex("89504e470d0a1a0a0000000d49484452"));
    sniffed.close();
    WindowFileDialogs dialogs(window.get());
    QString openedIn, kind;
    QTimer::singleShot(0, [&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* panel = qobject_cast<QFileDialog*>(top); panel && panel->isVisible()) {
                openedIn = panel->directory().absolutePath();
                if (panel->iconProvider()) kind = panel->iconProvider()->type(QFileInfo(folder + "/picture"));
                panel->reject();
            }
    });
    EXPECT_EQ(dialogs.chooseSaveLocation("Export", folder.toStdString(), "a_Developed.jpg"), std::nullopt);
    EXPECT_EQ(openedIn, QDir(folder).absolutePath());
    EXPECT_FALSE(kind.isEmpty());
    EXPECT_NE(kind, QAbstractFileIconProvider().type(QFileInfo(folder + "/picture")));  // which reads it
}

}  // namespace
}  // namespace vantrel::testing
