// A photographer's road through the window over the real engine and export
// writer: ticking frames and exporting them into a folder chosen in the folder
// panel, the filmstrip pictures of developed and synchronised frames, turning
// a mirrored frame, scans that decode only in part or not at all, the
// watermark of a scan without shooting data, culling by key through a long
// roll, and quitting with a dialog open or a batch export under way.
#include <condition_variable>
#include <limits>
#include <mutex>

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

#include "WindowTestSupport.h"
#include "app/CanvasArea.h"
#include "app/RecipeList.h"
#include "app/Sidebar.h"
#include "app/TopBar.h"
#include "app/WindowFileDialogs.h"
#include "common/LoaderFixtures.h"
#include "services/L10n.h"
#include "services/LocalizationManager.h"
#include "views/canvas/FilmstripView.h"
#include "views/canvas/SplitCompareView.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/FittingText.h"
#include "views/panels/FilmFrameControlView.h"
#include "views/panels/FilmWatermarkSection.h"
#include "views/kit/PanelTextField.h"
#include "views/kit/ToggleSwitch.h"
#include "views/kit/Icons.h"
#include "viewmodel/EngineRenderService.h"
#include "common/ImageDifference.h"

namespace vantrel::testing {
namespace {

// The comparison view carries no meta-object of its own: found by its C++ type.
template <typename T>
T* childOfType(QWidget* parent) {
    for (QWidget* child : parent->findChildren<QWidget*>())
        if (auto* found = dynamic_cast<T*>(child)) return found;
    return nullptr;
}

void writeFlat(const std::filesystem::path& file, QColor colour, int w = 96, int h = 64) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(QString::fromStdString(file.string())));
}

// A JPEG of Adobe CMYK (stored inverted, 255 = no ink) without a profile: yellow ink only.
void writeYellowCmyk(const std::filesystem::path& file) {
    JpegFixture cmyk;
    cmyk.components = 4;
    cmyk.sample = [](int, int, int c) -> std::uint8_t { return c == 2 ? 0 : 255; };
    writeJpeg(file, cmyk);
}

bool isYellow(QColor c) { return c.red() > 200 && c.green() > 180 && c.blue() < 90; }
bool isGrey(QColor c, int tolerance = 12) {
    return std::abs(c.red() - c.green()) <= tolerance && std::abs(c.green() - c.blue()) <= tolerance;
}

// The confirming button of a sheet.
QPushButton* acceptButton(QDialog* dialog) {
    auto* box = dialog->findChild<QDialogButtonBox*>();
    for (QAbstractButton* button : box->buttons())
        if (box->buttonRole(button) == QDialogButtonBox::AcceptRole) return qobject_cast<QPushButton*>(button);
    return nullptr;
}

// The real writer; once held, every frame after the next `passing` waits
// until released or stopped (a stopped frame then writes nothing).
class HeldExporter final : public ExportService {
public:
    void hold(int passing) {
        std::lock_guard lock(mutex_);
        passing_ = passing;
    }
    void release() {
        {
            std::lock_guard lock(mutex_);
            passing_ = std::numeric_limits<int>::max();
        }
        changed_.notify_all();
    }
    int waiting() {
        std::lock_guard lock(mutex_);
        return waiting_;
    }
    void exportImage(const LoadedPhoto& photo, const EditParameters& recipe, const ExportSettings& settings,
                     const std::optional<Image>& mask, const std::filesystem::path& destination,
                     std::stop_token stop) override {
        {
            std::unique_lock lock(mutex_);
            if (passing_ <= 0) {
                ++waiting_;
                changed_.wait(lock, stop, [&] { return passing_ > 0; });
                --waiting_;
            }
            --passing_;
        }
        real_.exportImage(photo, recipe, settings, mask, destination, stop);
    }

private:
    EngineExportService real_;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    int passing_ = std::numeric_limits<int>::max();
    int waiting_ = 0;
};

class RollWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        LocalizationManager::shared().setLanguage(AppLanguage::en);
        ViewModelServices services = windowServices(dir, std::make_shared<EngineRenderService>(), store);
        services.exporter = exporter;
        services.dialogs = dialogs;
        window = std::make_unique<MainWindow>(std::make_unique<DarkroomViewModel>(std::move(services)), nullptr,
                                              [this] {
                                                  ++quitRequests;
                                                  quitApplication();
                                              });
        dialogs->setWindow(window.get());
        window->startCommandFilePolling({});
    }

    DarkroomViewModel& vm() { return window->viewModel(); }
    std::filesystem::path path(const char* name) const {
        return std::filesystem::path(dir.path().toStdString()) / name;
    }
    std::filesystem::path rollFolder() {
        std::filesystem::create_directories(path("roll"));
        return path("roll");
    }
    void openRoll() {
        vm().loadFolder(rollFolder());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !vm().renderedPreview().isNull(); }, 10000));
    }
    Uuid frame(const std::string& title) {
        for (const LoadedPhoto& photo : vm().photos())
            if (photo.title() == title) return DarkroomViewModel::frameID(photo);
        return Uuid();
    }
    FilmstripView* filmstrip() { return window->findChild<FilmstripView*>("filmstrip"); }
    // A point of a filmstrip cell's picture clear of its marks, as the strip draws it (selected or not).
    QColor cellColour(int row) {
        FilmstripView* strip = filmstrip();
        const QImage shot = strip->viewport()->grab().toImage();
        return shot.pixelColor((strip->thumbnailRect(row).center() + QPointF(10, 8)).toPoint());
    }
    QString placeholder() { return childOfType<SplitCompareView>(window->canvasArea())->emptyText(); }
    QString statusLine() { return window->findChild<QLabel*>("statusLine")->text(); }

    QTemporaryDir dir;
    std::shared_ptr<FakeSessionStorage> store = std::make_shared<FakeSessionStorage>();
    std::shared_ptr<WindowFileDialogs> dialogs = std::make_shared<WindowFileDialogs>();
    std::shared_ptr<HeldExporter> exporter = std::make_shared<HeldExporter>();
    std::unique_ptr<MainWindow> window;
    int quitRequests = 0;
};

TEST_F(RollWindowTest, TickedFramesAreExportedIntoTheChosenFolder) {
    for (const char* name : {"a.png", "b.png", "c.png"}) writeFlat(rollFolder() / name, QColor(180, 120, 60));
    std::filesystem::create_directories(path("out"));
    window->show();
    openRoll();

    // The file panel is answered while its own event loop runs, once the
    // dialog that listed the frames has closed and gone; it tells where it opened.
    const auto exportThroughPanel = [&](const std::filesystem::path& answer) {
        window->refreshNow();
        window->topBar()->findChild<QPushButton*>("export")->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->exportSheet() != nullptr; }, 2000));
        QPointer<QDialog> sheet = window->exportSheet();
        std::string opened;
        int panels = 0;
        QTimer answering;
        QObject::connect(&answering, &QTimer::timeout, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* panel = qobject_cast<QFileDialog*>(widget);
                if (!panel || !panel->isVisible() || sheet) continue;
                ++panels;
                opened = QFileInfo(panel->directory().absolutePath()).canonicalFilePath().toStdString();
                panel->setDirectory(QString::fromStdString(answer.string()));
                static_cast<QDialog*>(panel)->accept();
            }
        });
        answering.start(20);
        acceptButton(sheet)->click();
        EXPECT_EQ(panels, 1);
        return opened;
    };
    const auto canonical = [](const std::filesystem::path& folder) { return std::filesystem::canonical(folder).string(); };

    // The frame shown, into a file of its own: the save panel opens in the roll's folder.
    EXPECT_EQ(exportThroughPanel(path("out")), canonical(rollFolder()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !vm().isExporting(); }, 20000));
    EXPECT_TRUE(std::filesystem::is_regular_file(path("out") / "a_Developed.jpg"));

    // Two frames ticked in the filmstrip: the folder panel opens where the last photo went.
    for (int row : {0, 2})
        QTest::mouseClick(filmstrip()->viewport(), Qt::LeftButton, {}, filmstrip()->checkBoxRect(row).center().toPoint());
    ASSERT_EQ(vm().checkedPhotoIDs().size(), 2u);
    EXPECT_EQ(exportThroughPanel(path("out")), canonical(path("out")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !vm().isBatchExporting(); }, 20000));
    EXPECT_TRUE(std::filesystem::is_regular_file(path("out") / "a_Developed (1).jpg"));
    EXPECT_TRUE(std::filesystem::is_regular_file(path("out") / "c_Developed.jpg"));
    EXPECT_FALSE(std::filesystem::exists(path("out") / "b_Developed.jpg"));
    EXPECT_EQ(vm().statusMessage(), "Batch export complete: 2 succeeded");
}

TEST_F(RollWindowTest, TheSelectedFramesCellShowsItsOwnColours) {
    writeFlat(rollFolder() / "a.png", QColor(250, 220, 20), 3000, 2000);  // yellow
    writeFlat(rollFolder() / "b.png", QColor(40, 60, 200));
    window->show();
    openRoll();
    ASSERT_EQ(vm().selectedPhotoID(), frame("a.png"));
    // The developed thumbnail of the final render reaches the cell.
    ASSERT_TRUE(QTest::qWaitFor([&] { return isYellow(cellColour(0)); }, 5000)) << cellColour(0).name().toStdString();

    // Black and white: the cell turns grey, not blue.
    EditParameters recipe = vm().parameters();
    recipe.saturation = 0;
    vm().setParameters(recipe);
    vm().requestRender(RenderQuality::final);
    EXPECT_TRUE(QTest::qWaitFor([&] { return isGrey(cellColour(0)) && cellColour(0).red() > 120; }, 5000))
        << cellColour(0).name().toStdString();

    // Kept as the cell's picture when another frame is selected.
    vm().selectPhoto(frame("b.png"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return vm().selectedPhotoID() == frame("b.png"); }, 2000));
    ASSERT_TRUE(waitUntilIdle(vm(), 20000));  // b's renders and thumbnails done, and shown
    EXPECT_TRUE(isGrey(cellColour(0))) << cellColour(0).name().toStdString();
}

TEST_F(RollWindowTest, SynchronisedTargetsGetThumbnailsOfTheirNewRecipe) {
    writeFlat(rollFolder() / "a.png", QColor(200, 60, 40));
    writeFlat(rollFolder() / "b.png", QColor(40, 170, 60));
    writeFlat(rollFolder() / "c.png", QColor(40, 60, 200));
    window->show();
    openRoll();
    // The targets' undeveloped thumbnails first.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !isGrey(cellColour(1)) && !isGrey(cellColour(2)); }, 5000));

    EditParameters recipe = vm().parameters();
    recipe.saturation = 0;
    vm().setParameters(recipe);
    vm().requestRender(RenderQuality::final);
    ASSERT_TRUE(QTest::qWaitFor([&] { return isGrey(cellColour(0)); }, 5000));
    vm().presentBatchSyncSheet();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->batchSyncSheet() != nullptr; }, 2000));
    acceptButton(window->batchSyncSheet())->click();
    // Told once the targets' saves have reported.
    EXPECT_TRUE(QTest::qWaitFor([&] { return vm().statusMessage().find("Successfully synced") == 0; }, 2000));

    EXPECT_TRUE(QTest::qWaitFor([&] { return isGrey(cellColour(1)) && isGrey(cellColour(2)); }, 10000))
        << cellColour(1).name().toStdString() << ' ' << cellColour(2).name().toStdString();
    // The current frame's own picture is not touched by the targets'.
    EXPECT_TRUE(isGrey(cellColour(0))) << cellColour(0).name().toStdString();
}

// Mirrored, the turn buttons still turn the picture the way their arrows
// point, as seen in the rendered picture: the red corner of a scan, top left,
// goes top right with the flip; ↺ brings it top left, ↻ top right again.
// Flipped back, ↺ takes it bottom left.
TEST_F(RollWindowTest, AMirroredFrameTurnsTheWayTheArrowPoints) {
    QImage scan(96, 64, QImage::Format_RGB32);
    scan.fill(QColor(70, 70, 70));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) scan.setPixelColor(x, y, QColor(230, 30, 30));
    ASSERT_TRUE(scan.save(QString::fromStdString((rollFolder() / "a.png").string())));
    window->show();
    openRoll();
    const auto press = [&](const char* button) {
        auto* found = window->inspector()->findChild<QPushButton*>(button);
        ASSERT_NE(found, nullptr) << button;
        found->click();
        ASSERT_TRUE(waitUntilIdle(vm(), 10000));
        QCoreApplication::processEvents();  // the last preview published
    };
    // The red corner of the picture shown: 0 top left, 1 top right, 2 bottom right, 3 bottom left.
    const auto redCorner = [&] {
        const QImage shown = vm().renderedPreview();
        const int w = shown.width(), h = shown.height();
        const QPoint corners[] = {{2, 2}, {w - 3, 2}, {w - 3, h - 3}, {2, h - 3}};
        for (int i = 0; i < 4; ++i) {
            const QColor c = shown.pixelColor(corners[i]);
            if (c.red() > 150 && c.green() < 110) return i;
        }
        return -1;
    };
    const auto portrait = [&] { return vm().renderedPreview().height() > vm().renderedPreview().width(); };
    ASSERT_EQ(redCorner(), 0);
    press("inspector.flipH");
    EXPECT_EQ(redCorner(), 1);
    press("inspector.rotateLeft");
    EXPECT_TRUE(portrait());
    EXPECT_EQ(redCorner(), 0) << "turned clockwise";
    press("inspector.rotateRight");
    EXPECT_FALSE(portrait());
    EXPECT_EQ(redCorner(), 1);
    press("inspector.flipH");
    EXPECT_EQ(redCorner(), 0);
    press("inspector.rotateLeft");
    EXPECT_EQ(redCorner(), 3);
}

TEST_F(RollWindowTest, ScansThatDecodeBadlyShowWhatCanBeShown) {
    writeYellowCmyk(rollFolder() / "a_cmyk.jpg");
    writeFlat(rollFolder() / "b_gone.png", QColor(90, 90, 90));
    JpegFixture whole;
    whole.width = 64;
    whole.height = 256;
    whole.sample = [](int, int, int c) -> std::uint8_t { return c == 0 ? 230 : 40; };  // red
    whole.noise = true;  // enough coded data that the cut falls among the pixels
    writeJpeg(path("whole.jpg"), whole);
    truncateCopy(path("whole.jpg"), rollFolder() / "c_cut.jpg", 0.5);
    // Files that cannot be read at all: empty, text under a picture's name, a
    // header claiming a picture of 40 gigapixels.
    writeBytes(rollFolder() / "d_empty.png", "");
    writeBytes(rollFolder() / "e_notes.png", "shot on Portra 400, box speed");
    std::string bomb = directoryFirstTiff(1, 1);
    for (std::size_t at : {18u, 30u}) bomb.replace(at, 4, std::string("\x40\x0d\x03\x00", 4));  // 200000 wide and high
    writeBytes(rollFolder() / "f_bomb.tif", bomb);
    window->show();
    openRoll();

    // They are left out, counted in the status line and named in its tooltip,
    // in the language chosen when shown.
    ASSERT_EQ(vm().photos().size(), 3u);
    auto* status = window->findChild<FittingLabel*>("statusLine");
    const auto shows = [&](const std::string& text, const std::string& names) {
        window->refreshNow();
        EXPECT_EQ(status->fullText().toStdString(), text);
        EXPECT_NE(status->toolTip().toStdString().find(names), std::string::npos) << status->toolTip().toStdString();
    };
    shows("Loaded roll folder: roll (3 photos, 3 files could not be read)",
          "Files that could not be read:\nd_empty.png\ne_notes.png\nf_bomb.tif");
    LocalizationManager::shared().setLanguage(AppLanguage::de);
    shows("Rollenordner geladen: roll (3 Fotos, 3 Dateien konnten nicht gelesen werden)",
          "Nicht lesbare Dateien:\nd_empty.png\ne_notes.png\nf_bomb.tif");
    LocalizationManager::shared().setLanguage(AppLanguage::en);

    // A CMYK JPEG without a profile shows its picture: yellow ink on paper.
    ASSERT_EQ(vm().selectedPhotoID(), frame("a_cmyk.jpg"));
    EXPECT_EQ(vm().statusMessage().find("incomplete"), std::string::npos) << vm().statusMessage();
    const QImage cmyk = vm().renderedPreview();
    EXPECT_TRUE(isYellow(cmyk.pixelColor(cmyk.width() / 2, cmyk.height() / 2)))
        << cmyk.pixelColor(cmyk.width() / 2, cmyk.height() / 2).name().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return isYellow(cellColour(0)); }, 5000));

    // A scan emptied after the roll was opened: an error in the canvas and the status line.
    std::filesystem::resize_file(rollFolder() / "b_gone.png", 0);
    vm().selectPhoto(frame("b_gone.png"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return vm().previewLoadError().has_value(); }, 5000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(vm().renderedPreview().isNull());  // not the previous frame's picture
    EXPECT_EQ(placeholder().toStdString(), vm().previewLoadError()->str());
    EXPECT_NE(placeholder(), QString::fromStdString(L10n::tr("preview.loadingFilm")));
    EXPECT_TRUE(statusLine().contains("b_gone.png")) << statusLine().toStdString();
    EXPECT_TRUE(statusLine().contains(placeholder())) << statusLine().toStdString();
    // In a tool's branch too.
    vm().toggleCropMode();
    QCoreApplication::processEvents();
    window->refreshNow();
    auto* label = window->canvasArea()->findChild<QLabel*>("loadingFilm");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), placeholder());
    vm().toggleCropMode();

    // A cut JPEG: the rows that arrived, then grey.
    vm().selectPhoto(frame("c_cut.jpg"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !vm().renderedPreview().isNull() && !vm().previewLoadError(); }, 5000));
    QCoreApplication::processEvents();
    const QImage cut = vm().renderedPreview();
    const QColor top = cut.pixelColor(cut.width() / 2, cut.height() / 10);
    const QColor bottom = cut.pixelColor(cut.width() / 2, cut.height() * 9 / 10);
    EXPECT_GT(top.red(), 180) << top.name().toStdString();
    EXPECT_LT(top.green(), 90) << top.name().toStdString();
    EXPECT_TRUE(isGrey(bottom)) << bottom.name().toStdString();
    EXPECT_EQ(placeholder(), QString::fromStdString(L10n::tr("preview.loadingFilm")));
    // ... and the status line says the file is incomplete.
    EXPECT_TRUE(QTest::qWaitFor([&] { return statusLine().contains("c_cut.jpg is incomplete"); }, 5000))
        << statusLine().toStdString();
}

TEST_F(RollWindowTest, AFolderWithoutScansSaysSoWithNothingOfTheRollBefore) {
    writeFlat(rollFolder() / "a.png", QColor(120, 120, 120));
    window->show();
    openRoll();
    vm().setRating(4);
    std::filesystem::create_directories(path("empty"));
    std::ofstream(path("empty") / "notes.txt") << "not a scan";

    vm().loadFolder(path("empty"));
    QCoreApplication::processEvents();
    window->refreshNow();
    EXPECT_EQ(placeholder(), "No scans in this folder");
    EXPECT_EQ(statusLine(), "No scans in this folder");
    EXPECT_TRUE(vm().renderedPreview().isNull());
    EXPECT_EQ(filmstrip()->model().count(), 0);
    EXPECT_EQ(vm().selectedPhoto(), nullptr);
    // Nothing of the roll before is written into it.
    vm().saveAllOnQuit();
    EXPECT_FALSE(std::filesystem::exists(path("empty") / ".vantrel"));
    EXPECT_TRUE(store->culling.count(rollFolder().string()));
}

// A scan that tells nothing of its shooting (film scans seldom do): switching
// the watermark on fills nothing in, and the developed frame carries no badge.
// One that tells both its shooting and its writing day prints the shooting day.
TEST_F(RollWindowTest, AScanWithoutShootingDataGetsNoMadeUpWatermark) {
    writeFlat(rollFolder() / "plain.png", QColor(90, 110, 130), 400, 300);
    writeJpeg(rollFolder() / "shot.jpg", JpegFixture{});
    writeExif(rollFolder() / "shot.jpg", {{"Exif.Image.DateTime", Exiv2::asciiString, "2024:05:01 10:20:30"},
                                          {"Exif.Photo.DateTimeOriginal", Exiv2::asciiString, "1998:07:14 16:05:00"}});
    window->show();
    openRoll();
    const QImage bare = vm().renderedPreview();
    FilmWatermarkSection* watermark = window->findChild<FilmFrameControlView*>()->watermark();
    static_cast<QScrollArea*>(window->inspector())->ensureWidgetVisible(watermark);
    QCoreApplication::processEvents();
    QTest::mouseClick(watermark->enableSwitch(), Qt::LeftButton);
    const FilmFrameParameters& frame = vm().parameters().filmFrame;
    ASSERT_TRUE(frame.showExifWatermark);
    EXPECT_EQ(frame.watermarkCamera + frame.watermarkLens + frame.watermarkParams + frame.watermarkDate, "");
    window->refreshNow();
    EXPECT_EQ(watermark->preview()->text(), "");

    // A typed line prints its badge; taken back, nothing is printed.
    const auto shows = [&](const std::function<bool(int)>& difference) {
        return QTest::qWaitFor([&] { return difference(largestDifference(vm().renderedPreview(), bare)); }, 5000);
    };
    QLineEdit* custom = watermark->customField()->lineEdit();
    custom->setFocus();
    QTest::keyClicks(custom, "Tri-X");
    EXPECT_TRUE(shows([](int d) { return d > 64; }));
    QTest::keyClick(custom, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(custom, Qt::Key_Backspace);
    ASSERT_EQ(vm().parameters().filmFrame.customWatermarkText, "");
    EXPECT_TRUE(shows([](int d) { return d <= 2; })) << "a badge the frame's data does not give";

    vm().selectPhoto(RollWindowTest::frame("shot.jpg"));
    window->refreshNow();
    QTest::mouseClick(watermark->enableSwitch(), Qt::LeftButton);
    window->refreshNow();
    EXPECT_EQ(watermark->dateField()->text().toStdString(), "1998:07:14 16:05:00");
}

// Culling by key through a roll longer than the strip: the strip follows the
// selection just far enough to show its cell; a click never scrolls it.
TEST_F(RollWindowTest, TheStripFollowsASelectionMadeByKey) {
    constexpr int kFrames = 40;
    for (int i = 0; i < kFrames; ++i)
        writeFlat(rollFolder() / QStringLiteral("f%1.png").arg(i, 2, 10, QLatin1Char('0')).toStdString(),
                  QColor(100, 100, 100), 8, 8);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    openRoll();
    window->refreshNow();
    FilmstripView* strip = filmstrip();
    const QRectF view = strip->viewport()->rect();
    const auto selectedRow = [&] { return strip->model().rowOf(*vm().selectedPhotoID()); };
    const auto shown = [&](int row) { return view.contains(strip->cellRect(row)); };
    ASSERT_EQ(selectedRow(), 0);
    ASSERT_FALSE(shown(kFrames - 1));

    for (int row = 1; row < kFrames; ++row) {
        const int before = strip->scrollPosition();
        const bool wasShown = shown(row);
        QTest::keyClick(window.get(), Qt::Key_BracketRight);
        ASSERT_EQ(selectedRow(), row);
        EXPECT_TRUE(shown(row)) << row;
        if (wasShown) EXPECT_EQ(strip->scrollPosition(), before) << row;
        // Just far enough: the cell and its gap (the strip's padding after the last) end at its right edge.
        else EXPECT_NEAR(strip->cellRect(row).right() + (row + 1 < kFrames ? filmstrip::kCellSpacing : filmstrip::kEdgePadding),
                         view.right() + 1, 1) << row;
    }
    // Back to the start with the other key: the first cell ends up at the left edge.
    for (int row = kFrames - 2; row >= 0; --row) {
        QTest::keyClick(window.get(), Qt::Key_BracketLeft);
        ASSERT_EQ(selectedRow(), row);
        EXPECT_TRUE(shown(row)) << row;
    }
    EXPECT_EQ(strip->scrollPosition(), 0);

    // A click on a cell that shows only in part selects it and leaves the strip where it is.
    strip->horizontalScrollBar()->setValue(int(filmstrip::kCellWidth / 2));
    const int scrolled = strip->scrollPosition();
    const int row = strip->visibleRows().first;
    ASSERT_FALSE(shown(row));
    const QRectF part = strip->cellRect(row) & view;
    QTest::mouseClick(strip->viewport(), Qt::LeftButton, {}, part.center().toPoint());
    ASSERT_EQ(selectedRow(), row);
    QCoreApplication::processEvents();
    EXPECT_EQ(strip->scrollPosition(), scrolled);
}

TEST_F(RollWindowTest, CtrlQWithTheExportDialogOpenEndsItAndSaves) {
    writeFlat(rollFolder() / "a.png", QColor(120, 120, 120));
    window->show();
    openRoll();
    EditParameters recipe = vm().parameters();
    recipe.exposure = 0.5;
    vm().setParameters(recipe);
    vm().requestRender(RenderQuality::interactive);  // a delayed save still waiting
    ASSERT_TRUE(vm().hasPendingSave());

    vm().presentExportDialog();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->exportSheet() != nullptr; }, 2000));
    QDialog* sheet = window->exportSheet();
    sheet->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(sheet));
    QTest::keyClick(sheet, Qt::Key_Q, Qt::ControlModifier);

    EXPECT_EQ(quitRequests, 1);
    EXPECT_EQ(window->exportSheet(), nullptr);
    EXPECT_FALSE(vm().isShowingExportDialog());
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(vm().hasPendingSave());
    const std::string key = (rollFolder() / "a.png").string();
    ASSERT_TRUE(store->recipes.count(key));
    EXPECT_EQ(store->recipes[key].exposure, 0.5);
}

TEST_F(RollWindowTest, CtrlQInTheFolderPanelEndsItAndStartsNoBatch) {
    for (const char* name : {"a.png", "b.png"}) writeFlat(rollFolder() / name, QColor(100, 100, 100));
    window->show();
    openRoll();
    vm().checkAllPhotos();
    vm().presentExportDialog();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->exportSheet() != nullptr; }, 2000));

    bool pressed = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* panel = qobject_cast<QFileDialog*>(widget);
            if (!panel || !panel->isVisible() || pressed) continue;
            panel->activateWindow();
            if (!QTest::qWaitForWindowActive(panel)) continue;
            pressed = true;
            QTest::keyClick(panel, Qt::Key_Q, Qt::ControlModifier);
        }
    });
    answer.start(20);
    acceptButton(window->exportSheet())->click();  // returns once the panel has ended
    answer.stop();
    EXPECT_TRUE(pressed);
    EXPECT_EQ(quitRequests, 1);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(vm().isBatchExporting());
}

// Every way of quitting asks while a batch runs: kept, the batch goes on; stopped,
// the frames written stay whole and the frame in hand leaves nothing behind.
TEST_F(RollWindowTest, QuittingDuringABatchExportAsksFirst) {
    for (const char* name : {"a.png", "b.png", "c.png"}) writeFlat(rollFolder() / name, QColor(150, 110, 70));
    std::filesystem::create_directories(path("out"));
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    openRoll();
    exporter->hold(1);
    vm().checkAllPhotos();
    vm().beginBatchExport(vm().exportTargetPhotos(), path("out"), ExportSettings{});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return exporter->waiting() == 1 && vm().batchExportCompletedCount() == 1; }, 20000));
    window->refreshNow();

    const auto answer = [&](const char* button) {
        QMessageBox* question = window->stopExportQuestion();
        ASSERT_NE(question, nullptr);
        EXPECT_TRUE(question->isVisible());
        EXPECT_EQ(question->windowModality(), Qt::WindowModal);
        EXPECT_EQ(question->text().toStdString(), "Export in progress (1 of 3). Stop it and quit?");
        QTest::mouseClick(question->findChild<QPushButton*>(button), Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->stopExportQuestion() == nullptr; }, 2000));
    };
    QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quitRequests, 1);
    answer("keepExporting");
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(vm().isBatchExporting());
    EXPECT_FALSE(window->close());  // closing the window asks as well
    answer("keepExporting");
    EXPECT_TRUE(vm().isBatchExporting());

    window->menus().quit->trigger();
    answer("stopExportAndQuit");
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(vm().isBatchExporting());
    // The program ends (the window with it) while the second frame is still held.
    window.reset();
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(path("out")))
        written.push_back(entry.path().filename().string());
    EXPECT_EQ(written, std::vector<std::string>{"a_Developed.jpg"});
    EXPECT_EQ(QImage(QString::fromStdString((path("out") / "a_Developed.jpg").string())).size(), QSize(96, 64));
}

// ---------------------------------------------------------------- on fake services

TEST_F(WindowTest, TheLanguageMenusGlobeIsTheEmojiOrADrawnIcon) {
    const QString globe = QString::fromUcs4(U"\U0001F310");
    const QFont font = QApplication::font();
    EXPECT_TRUE(fontsCanDraw(QStringLiteral("Film"), font));
    EXPECT_FALSE(fontsCanDraw(QString::fromUcs4(U"\U0010FFFD"), font));  // no font has it

    const QString text = QString::fromStdString(L10n::tr("lang.followSystem"));
    QAction item;
    TopBar::decorateFollowItem(item, false, true);
    EXPECT_EQ(item.text(), globe + ' ' + text);
    EXPECT_TRUE(item.icon().isNull());
    TopBar::decorateFollowItem(item, false, false);
    EXPECT_EQ(item.text(), text);
    const QImage plain = item.icon().pixmap(32, 32).toImage();
    EXPECT_FALSE(plain.isNull());
    EXPECT_FALSE(item.property("currentChoice").toBool());
    TopBar::decorateFollowItem(item, true, false);
    EXPECT_TRUE(item.property("currentChoice").toBool());
    EXPECT_NE(item.icon().pixmap(32, 32).toImage(), plain);  // the check mark on the globe

    // The window's menu follows what the fonts at hand can draw.
    QMenu* menu = window->topBar()->languageButton()->menu();
    QAction* follow = menu->actions().front();
    const bool glyph = fontsCanDraw(globe, menu->font());
    EXPECT_EQ(follow->text().startsWith(globe), glyph);
    if (!glyph) {
        EXPECT_FALSE(follow->icon().isNull());
    }
}

TEST_F(WindowTest, ASavedRecipeIsMarkedActive) {
    window->show();
    window->sidebarView()->findChild<QPushButton*>("newRecipe")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->savePresetSheet() != nullptr; }, 2000));
    QDialog* sheet = window->savePresetSheet();
    sheet->findChildren<QLineEdit*>().front()->setText("Tri-X pushed");
    acceptButton(sheet)->click();
    ASSERT_EQ(vm().customPresets().size(), 1u);
    const std::string id = vm().customPresets().front().id;
    EXPECT_EQ(vm().activePresetID(), id);
    QCoreApplication::processEvents();
    QWidget* row = window->findChild<QWidget*>(QString::fromStdString("custom_" + id));
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->property("active").toBool());
    EXPECT_NE(row->findChild<QLabel*>("activeMark"), nullptr);
}

}  // namespace
}  // namespace vantrel::testing
