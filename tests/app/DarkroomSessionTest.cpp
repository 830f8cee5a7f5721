// A photographer's whole session in the real window, over the real engine,
// session store, export writer and settings, in a home folder of its own: a
// roll of generated scans is opened, developed, culled, synchronised and
// exported, the program is quit with Ctrl+Q, and a new window finds it all
// again. Everything is done through the widgets; the file panels are answered
// the way a photographer answers them.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <lcms2.h>
#include <nlohmann/json.hpp>
#include <tiffio.h>

#include "../views/FakeScreen.h"
#include "../views/PanelTestSupport.h"
#include "app/BatchExportOverlay.h"
#include "app/MainWindow.h"
#include "common/LoaderFixtures.h"
#include "services/FilmPresetLibrary.h"
#include "services/SessionStore.h"
#include "services/LocalizationManager.h"
#include "views/canvas/FilmstripView.h"
#include "views/retouch/SpotHealingOverlayView.h"
#include "views/kit/FittingText.h"
#include "views/kit/Geometry.h"
#include "views/kit/ProSlider.h"
#include "views/masks/MaskLocalParameterHUD.h"
#include "views/masks/MaskWidgets.h"
#include "views/kit/Chip.h"
#include "views/panels/NegativeLabControlView.h"
#include "views/kit/PanelHeader.h"
#include "views/kit/SegmentedControl.h"
#include "views/kit/ToggleSwitch.h"
#include "views/panels/ToneCurveCanvas.h"
#include "views/panels/ToneCurveEditorView.h"
#include "views/workflow/BatchSyncDialog.h"
#include "views/workflow/ExportSettingsDialog.h"
#include "views/workflow/WorkflowParts.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr int kWidth = 900;
constexpr int kHeight = 600;
// The orange mask of a colour negative as the scanner saw it (sRGB-encoded), and
// a dense area: where the most light fell, the darkest part of the negative.
constexpr double kBase[3] = {0.80, 0.50, 0.30};
constexpr double kDense[3] = {0.30, 0.15, 0.08};

// A 16-bit scan: the clear base around the frame, the dense area in its middle.
// A dust speck on the first frame: it blocks the light, so the negative shows it dark.
constexpr double kDustX = 0.15, kDustY = 0.5, kDustRadius = 7;

void writeNegative(const fs::path& file, int samples, bool dusty = false) {
    TIFF* tif = TIFFOpen(file.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, samples == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16);
    std::vector<std::uint16_t> row(std::size_t(kWidth) * samples);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool dense = x > kWidth * 3 / 10 && x < kWidth * 7 / 10 && y > kHeight * 3 / 10 && y < kHeight * 7 / 10;
            const bool dust = dusty && std::hypot(x - kDustX * kWidth, y - kDustY * kHeight) <= kDustRadius;
            for (int c = 0; c < samples; ++c) {
                double v = samples == 1 ? (dense ? 0.2 : 0.85) : (dense ? kDense[c] : kBase[c]);
                if (dust) v = 0.05;
                row[std::size_t(x) * samples + c] = std::uint16_t(std::lround(v * 65535));
            }
        }
        ASSERT_EQ(TIFFWriteScanline(tif, row.data(), std::uint32_t(y), 0), 1);
    }
    TIFFClose(tif);
}

void writeRoll(const fs::path& roll) {
    fs::create_directories(roll);
    for (int i = 1; i <= 6; ++i) writeNegative(roll / ("frame0" + std::to_string(i) + ".tif"), 3, i == 1);
    writeNegative(roll / "frame07_bw.tif", 1);
    JpegFixture positive;
    positive.width = 600;
    positive.height = 400;
    positive.sample = [](int x, int, int c) { return std::uint8_t(c == 0 ? 60 + x / 4 : c == 1 ? 120 : 90); };
    writeJpeg(roll / "frame08.jpg", positive);
    writeExif(roll / "frame08.jpg", {{"Exif.Image.Make", Exiv2::asciiString, "Leica"},
                                     {"Exif.Image.Model", Exiv2::asciiString, "M6"},
                                     {"Exif.Photo.FNumber", Exiv2::unsignedRational, "28/10"},
                                     {"Exif.Photo.ExposureTime", Exiv2::unsignedRational, "1/125"},
                                     {"Exif.Photo.ISOSpeedRatings", Exiv2::unsignedShort, "400"}});
}

json readJson(const fs::path& file) {
    std::ifstream in(file);
    if (!in) return json();
    return json::parse(in, nullptr, false);
}

struct TiffFacts {
    std::uint32_t width = 0, height = 0;
    std::uint16_t bits = 0;
    std::string profile;
};

TiffFacts readTiff(const fs::path& file) {
    TiffFacts facts;
    TIFF* tif = TIFFOpen(file.c_str(), "r");
    if (!tif) return facts;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &facts.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &facts.height);
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &facts.bits);
    std::uint32_t size = 0;
    void* data = nullptr;
    if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &size, &data) && size > 0) {
        if (cmsHPROFILE profile = cmsOpenProfileFromMem(data, size)) {
            char text[256] = {};
            cmsGetProfileInfoASCII(profile, cmsInfoDescription, "en", "US", text, sizeof text);
            facts.profile = text;
            cmsCloseProfile(profile);
        }
    }
    TIFFClose(tif);
    return facts;
}

int luma(QColor c) { return (c.red() * 3 + c.green() * 6 + c.blue()) / 10; }
int cast(QColor c) { return std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()}); }
std::string describe(QColor c) { return c.name().toStdString(); }

// Answers the next file panel that opens with `folder`, while the panel's own loop runs.
class PanelAnswer {
public:
    explicit PanelAnswer(fs::path folder) : folder_(std::move(folder)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* panel = qobject_cast<QFileDialog*>(widget);
                if (!panel || !panel->isVisible()) continue;
                ++answered;
                panel->setDirectory(QString::fromStdString(folder_.string()));
                static_cast<QDialog*>(panel)->accept();
            }
        });
        timer_.start(20);
    }
    int answered = 0;

private:
    fs::path folder_;
    QTimer timer_;
};

class DarkroomSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        qputenv("HOME", home.path().toUtf8());
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) qunsetenv(name);
        // Qt fixes where settings live when they are first used, before this home existed:
        // pointed into it, no other test program (nor another run of this one) can change the
        // roll the new window reopens.
        for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope, home.filePath(QStringLiteral(".config")));
        QCoreApplication::setOrganizationName(QStringLiteral("Vantrel"));
        QCoreApplication::setApplicationName(QStringLiteral("Vantrel"));
        LocalizationManager::shared().setLanguage(AppLanguage::en);
        writeRoll(roll());
        fs::create_directories(out());
    }
    void TearDown() override {
        window.reset();
        for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope,
                               QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    }

    fs::path roll() const { return fs::path(home.path().toStdString()) / "Scans" / "Roll 12"; }
    fs::path out() const { return fs::path(home.path().toStdString()) / "Exports"; }
    fs::path recipeFile(const char* frame) const { return SessionStore::recipeURL(roll() / (std::string(frame) + ".tif")); }

    void openWindow() {
        window = std::make_unique<MainWindow>(nullptr, nullptr, [this] {
            ++quitRequests;
            quitApplication();
        });
        // The automation files of other programs stay out of this session.
        window->startCommandFilePolling({});
        window->resize(MainWindow::kDefaultWidth, MainWindow::kDefaultHeight);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    template <typename T = QWidget>
    T* find(const char* name) const {
        return window->findChild<T*>(QString::fromUtf8(name));
    }
    void settle() {
        QCoreApplication::processEvents();
        window->refreshNow();
    }
    void scrollTo(QWidget* widget) {
        static_cast<QScrollArea*>(window->inspector())->ensureWidgetVisible(widget, 0, 0);
        settle();
    }
    FilmstripView* filmstrip() const { return find<FilmstripView>("filmstrip"); }
    int row(const std::string& title) const {
        const FilmstripModel& model = filmstrip()->model();
        for (int i = 0; i < model.count(); ++i)
            if (model.cell(i).title == title) return i;
        return -1;
    }
    void tick(const std::string& title) {
        QTest::mouseClick(filmstrip()->viewport(), Qt::LeftButton, {},
                          filmstrip()->checkBoxRect(row(title)).center().toPoint());
    }
    // What the canvas shows at a point of the frame given in units of its size.
    QColor canvasAt(double x, double y) const {
        QWidget* canvas = find("splitCompare");
        if (!canvas) canvas = find("SplitCompareView");
        if (!canvas) return {};
        const QImage shot = canvas->grab().toImage();
        const QRectF image = fitLayout(QSizeF(canvas->size()), QSizeF(kWidth, kHeight)).rect;
        return shot.pixelColor(QPointF(image.left() + x * image.width(), image.top() + y * image.height()).toPoint());
    }
    // The brightest luma of `picture` within a part (units of the frame) of the frame drawn at
    // `image`, and the middle of what is that bright: where a photographer aims at a speck.
    // The picture alone, without the marks of the overlays on it.
    static std::pair<QPoint, int> brightestIn(QWidget* picture, QRectF image, QRectF part) {
        QImage shot(picture->size(), QImage::Format_RGB32);
        shot.fill(Qt::black);
        picture->render(&shot, {}, {}, QWidget::DrawWindowBackground);
        const QRect area = QRectF(image.left() + part.left() * image.width(), image.top() + part.top() * image.height(),
                                  part.width() * image.width(), part.height() * image.height())
                               .toAlignedRect();
        const double ratio = shot.devicePixelRatio();
        auto lumaAt = [&](int x, int y) { return luma(shot.pixelColor(QPoint(int(x * ratio), int(y * ratio)))); };
        int brightest = -1;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) brightest = std::max(brightest, lumaAt(x, y));
        double sx = 0, sy = 0, n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (lumaAt(x, y) >= brightest - 10) {
                    sx += x;
                    sy += y;
                    ++n;
                }
        return {QPointF(sx / n, sy / n).toPoint(), brightest};
    }
    QString statusLine() const { return find<QLabel>("statusLine")->text(); }

    QTemporaryDir home;
    std::unique_ptr<MainWindow> window;
    int quitRequests = 0;
    test::FakeColorSampler sampler;
};

TEST_F(DarkroomSessionTest, ARollIsDevelopedCulledSyncedExportedAndFoundAgain) {
    openWindow();

    // 1. The roll is opened through the folder button: eight frames, the first shown.
    {
        PanelAnswer answer(roll());
        QTest::mouseClick(find<QPushButton>("openFolder"), Qt::LeftButton);
        EXPECT_EQ(answer.answered, 1);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return filmstrip()->model().count() == 8; }, 10000));
    EXPECT_EQ(filmstrip()->model().cell(0).title, "frame01.tif");
    EXPECT_TRUE(filmstrip()->model().isSelected(0));
    EXPECT_TRUE(filmstrip()->model().cell(0).is16Bit);
    EXPECT_FALSE(filmstrip()->model().cell(7).is16Bit);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            for (int i = 0; i < 8; ++i)
                if (filmstrip()->model().cell(i).thumbnail.isNull()) return false;
            return true;
        },
        20000))
        << "not every frame got its thumbnail";
    // The negative as scanned: an orange mask around a dark, dense middle.
    ASSERT_TRUE(QTest::qWaitFor([&] { return luma(canvasAt(0.5, 0.5)) < 90 && canvasAt(0.04, 0.04).red() > 150; }, 10000))
        << describe(canvasAt(0.5, 0.5)) << " " << describe(canvasAt(0.04, 0.04));
    EXPECT_GT(canvasAt(0.04, 0.04).red() - canvasAt(0.04, 0.04).blue(), 80);

    // The positive's shooting data on the information card.
    QTest::mouseClick(filmstrip()->viewport(), Qt::LeftButton, {},
                      filmstrip()->thumbnailRect(row("frame08.jpg")).center().toPoint());
    settle();
    ASSERT_TRUE(filmstrip()->model().isSelected(row("frame08.jpg")));
    if (!find("meta.card") || !find("meta.card")->isVisible()) QTest::keyClick(window.get(), Qt::Key_I);
    auto cardText = [&] {
        QStringList texts;
        if (QWidget* card = find("meta.card"); card && card->isVisible())
            for (FittingLabel* label : card->findChildren<FittingLabel*>()) texts << label->fullText();
        return texts.join(QLatin1Char('|'));
    };
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QString text = cardText();
            return text.contains("M6") && text.contains("2.8") && text.contains("1/125") && text.contains("400");
        },
        5000))
        << cardText().toStdString();
    QTest::mouseClick(filmstrip()->viewport(), Qt::LeftButton, {}, filmstrip()->thumbnailRect(0).center().toPoint());
    settle();
    ASSERT_TRUE(filmstrip()->model().isSelected(0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return luma(canvasAt(0.5, 0.5)) < 90; }, 10000));

    // 2. Negative conversion on, the film base picked from the mask with the eyedropper.
    auto* negative = find<NegativeLabControlView>("NegativeLabControlView");
    ASSERT_NE(negative, nullptr);
    negative->setSampler(&sampler);
    scrollTo(negative);
    QTest::mouseClick(find<ToggleSwitch>("negativeLab.switch"), Qt::LeftButton);
    settle();
    ASSERT_TRUE(find("negativeLab.controls")->isVisible());
    scrollTo(find("negativeLab.eyedropper"));
    QTest::mouseClick(find("negativeLab.eyedropper"), Qt::LeftButton);
    ASSERT_TRUE(sampler.running());
    sampler.pick({kBase[0], kBase[1], kBase[2]});
    // A positive: the dense middle turns bright, the clear mask becomes an unexposed, neutral black.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QColor middle = canvasAt(0.5, 0.5), mask = canvasAt(0.04, 0.04);
            return luma(middle) > 170 && cast(middle) < 40 && luma(mask) < 40 && cast(mask) < 25;
        },
        10000))
        << describe(canvasAt(0.5, 0.5)) << " " << describe(canvasAt(0.04, 0.04));

    // 3. Cropped to 3:2 with the crop bar and straightened by about 1.5°.
    QTest::mouseClick(find("mode.crop"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return find("CropControlBar") && find("CropControlBar")->isVisible(); }, 2000));
    QTest::mouseClick(find("cropBar.aspect"), Qt::LeftButton);
    auto* aspects = find<QMenu>("cropBar.aspectMenu");
    ASSERT_TRUE(test::clickMenuItem(aspects, aspects->findChild<QAction*>("cropBar.aspect.threeByTwo")));
    settle();
    EXPECT_EQ(find<QAbstractButton>("cropBar.aspect")->text(), "3:2");
    // The nearest the straightening slider's track comes to 1.5°.
    auto* straighten = find<ProSlider>("cropBar.straighten");
    QWidget* track = straighten->track();
    int bestX = 0;
    for (int x = 0; x < track->width(); ++x)
        if (std::abs(ProSlider::dragValue(x, track->width(), straighten->range(), 0.1) - 1.5) <
            std::abs(ProSlider::dragValue(bestX, track->width(), straighten->range(), 0.1) - 1.5))
            bestX = x;
    const QPoint thumb = test::trackPoint(*straighten, straighten->fraction());
    QTest::mousePress(track, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(track, QPoint((thumb.x() + bestX) / 2, thumb.y()));
    QTest::mouseMove(track, QPoint(bestX, thumb.y()));
    QTest::mouseRelease(track, Qt::LeftButton, {}, QPoint(bestX, thumb.y()));
    settle();
    const double straightened = straighten->value();
    EXPECT_NEAR(straightened, 1.5, 0.5);
    EXPECT_TRUE(find<QPushButton>("cropBar.angle")->text().contains(QString::number(straightened, 'f', 1)))
        << find<QPushButton>("cropBar.angle")->text().toStdString();
    QTest::mouseClick(find("cropBar.done"), Qt::LeftButton);
    settle();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !find("CropControlBar") || !find("CropControlBar")->isVisible(); }, 2000));

    // 4. The dust speck, a white dot on the developed frame, healed by a click on it in retouch mode.
    QTest::mouseClick(find("mode.retouch"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return find("healingBar.done") && find("healingBar.done")->isVisible(); }, 2000));
    {
        // The overlay lies on the picture it edits, the 3:2 frame fitted in it; it shows once
        // the retouching's own picture (straightened and cropped) has replaced crop mode's.
        QWidget* overlay = find("SpotHealingOverlayView");
        ASSERT_NE(overlay, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { settle(); return overlay->isVisible(); }, 5000));
        QWidget* picture = overlay->parentWidget();
        const QRectF dustArea(kDustX - 0.06, kDustY - 0.08, 0.12, 0.16);
        auto frameShown = [&] { return static_cast<SpotHealingOverlayView*>(overlay)->imageRect().translated(overlay->pos()); };
        auto speckIn = [&] { return brightestIn(picture, frameShown(), dustArea); };
        std::pair<QPoint, int> speck = speckIn();
        ASSERT_GT(speck.second, 150) << "no speck seen";
        // Slightly enlarged by the straightening's crop, the speck lies a little nearer the edge.
        const double shownX = (speck.first.x() - frameShown().left()) / frameShown().width();
        EXPECT_LT(shownX, kDustX - 0.005);
        // Clicked in its middle, the speck lies inside the part of the spot that is replaced
        // whole (its edge fades out towards the ring): none of it is left, the area is the
        // black of unexposed film around it.
        QTest::mouseClick(overlay, Qt::LeftButton, {}, speck.first - overlay->pos());
        EXPECT_TRUE(QTest::qWaitFor([&] { return speckIn().second < 40; }, 5000))
            << "the speck is still there: " << speckIn().second;
    }
    QTest::mouseClick(find("healingBar.done"), Qt::LeftButton);
    settle();

    // A radial mask, its exposure raised by a drag in the display floating beside it.
    QTest::mouseClick(find("mode.mask"), Qt::LeftButton);
    settle();
    ASSERT_TRUE(QTest::qWaitFor([&] { return find("maskBar") && find("maskBar")->isVisible(); }, 2000))
        << "mask mode: " << window->viewModel().isMaskMode();
    QTest::mouseClick(find("maskBar.addRadial"), Qt::LeftButton);
    settle();
    auto* display = find<MaskLocalParameterHUD>("maskHUD");
    ASSERT_TRUE(QTest::qWaitFor([&] { return display && display->isVisible(); }, 2000));
    ASSERT_FALSE(display->shownMainSliders().empty());
    ProSlider* maskExposure = display->shownMainSliders().front();
    ASSERT_EQ(maskExposure->objectName(), "mask.localExposure");
    test::dragSlider(*maskExposure, 0.8);
    settle();
    EXPECT_TRUE(display->readout()->text().startsWith('+')) << display->readout()->text().toStdString();
    EXPECT_NE(display->readout()->text(), "+0.00 EV");
    QTest::mouseClick(find("maskBar.done"), Qt::LeftButton);
    settle();
    EXPECT_FALSE(find("maskBar") && find("maskBar")->isVisible());

    // 5. A built-in recipe, a tone-curve point lifted, a snapshot taken.
    QWidget* portra = find("classic_portra400");
    ASSERT_NE(portra, nullptr);
    QTest::mouseClick(portra, Qt::LeftButton, {}, QPoint(20, 10));
    settle();
    EXPECT_TRUE(find("classic_portra400")->property("active").toBool());
    EXPECT_TRUE(find<NegativeLabControlView>("NegativeLabControlView")->header()->enableSwitch()->isOn())
        << "the recipe kept the conversion of this frame";

    auto* curve = find<ToneCurveEditorView>("ToneCurveEditorView");
    ASSERT_NE(curve, nullptr);
    scrollTo(curve);
    ToneCurveCanvas* curveCanvas = curve->canvas();
    const std::vector<CurvePoint> pointsBefore = curve->sortedPoints();
    ASSERT_GE(pointsBefore.size(), 3u);
    const CurvePoint lifted = pointsBefore[pointsBefore.size() / 2];
    const QPoint from = curveCanvas->handleCentre(lifted.id).toPoint();
    QTest::mousePress(curveCanvas, Qt::LeftButton, {}, from);
    for (int dy : {-5, -10, -15, -20}) QTest::mouseMove(curveCanvas, from + QPoint(0, dy));
    QTest::mouseRelease(curveCanvas, Qt::LeftButton, {}, from + QPoint(0, -20));
    settle();
    double liftedY = 0;
    for (const CurvePoint& point : curve->points())
        if (point.id == lifted.id) liftedY = point.y;
    EXPECT_GT(liftedY, lifted.y + 0.05);

    QTest::mouseClick(find("tab.snapshots"), Qt::LeftButton);
    settle();
    QTest::mouseClick(find("snapshots.save"), Qt::LeftButton);
    QLineEdit* nameField = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (nameField = find<QLineEdit>("snapshots.nameField")) && nameField->isVisible(); }, 2000));
    nameField->selectAll();
    QTest::keyClicks(nameField, "Portra, lifted mids");
    QTest::keyClick(nameField, Qt::Key_Return);
    settle();
    auto snapshotNames = [&] {
        QStringList names;
        for (QLabel* label : window->findChildren<QLabel*>("snapshots.name"))
            if (label->isVisible()) names << label->text();
        return names;
    };
    EXPECT_EQ(snapshotNames(), QStringList{"Portra, lifted mids"});

    // Before and after side by side in one picture: the scan's orange mask left of the divider.
    ASSERT_NE(find("compareBar.split"), nullptr);
    QTest::mouseClick(find("compareBar.split"), Qt::LeftButton);
    settle();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QColor before = canvasAt(0.1, 0.5), after = canvasAt(0.9, 0.5);
            return before.red() - before.blue() > 80 && luma(after) < 60 && cast(after) < 30;
        },
        5000))
        << describe(canvasAt(0.1, 0.5)) << " " << describe(canvasAt(0.9, 0.5));
    QTest::mouseClick(find("compareBar.full"), Qt::LeftButton);
    settle();
    EXPECT_TRUE(QTest::qWaitFor([&] { return luma(canvasAt(0.1, 0.5)) < 60; }, 5000)) << describe(canvasAt(0.1, 0.5));

    // 6. Culled with the keyboard, then the strip filtered to the picks.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_4);
    QTest::keyClick(window.get(), Qt::Key_8);
    QTest::keyClick(window.get(), Qt::Key_P);
    settle();
    {
        const FilmstripCell& cell = filmstrip()->model().cell(0);
        EXPECT_EQ(cell.rating, 4);
        EXPECT_EQ(cell.colorLabel, ColorLabel::green);
        EXPECT_EQ(cell.pickStatus, PickStatus::picked);
    }
    QTest::mouseClick(find("culling.filter.picked"), Qt::LeftButton);
    settle();
    ASSERT_EQ(filmstrip()->model().count(), 1);
    EXPECT_EQ(filmstrip()->model().cell(0).title, "frame01.tif");
    QTest::mouseClick(find("culling.filter.all"), Qt::LeftButton);
    settle();
    ASSERT_EQ(filmstrip()->model().count(), 8);

    // 7. The tone and colour of this frame synchronised to two ticked frames.
    tick("frame02.tif");
    tick("frame03.tif");
    settle();
    QTest::mouseClick(find("syncRoll"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->batchSyncSheet() && window->batchSyncSheet()->isVisible(); }, 2000));
    auto* sync = qobject_cast<BatchSyncDialog*>(window->batchSyncSheet());
    ASSERT_NE(sync, nullptr);
    QTest::mouseClick(sync->clearButton(), Qt::LeftButton);
    for (const char* name : {"sync.tone", "sync.color"})
        QTest::mouseClick(sync->findChild<OptionRow*>(name)->checkBox(), Qt::LeftButton);
    ASSERT_TRUE(sync->syncButton()->isEnabled());
    QTest::mouseClick(sync->syncButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(window->batchSyncSheet(), nullptr);

    // 8. Three frames exported as 16-bit TIFF in sRGB, with the progress shown over the window.
    tick("frame01.tif");
    settle();
    QTest::mouseClick(find("export"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->exportSheet() && window->exportSheet()->isVisible(); }, 2000));
    auto* exportDialog = qobject_cast<ExportSettingsDialog*>(window->exportSheet());
    ASSERT_NE(exportDialog, nullptr);
    EXPECT_EQ(exportDialog->photos().size(), 3u);
    QTest::mouseClick(exportDialog->formatPicker()->segment(QStringLiteral("TIFF (16-bit)")), Qt::LeftButton);
    QTest::mouseClick(exportDialog->sRGBButton(), Qt::LeftButton);
    ASSERT_TRUE(exportDialog->sRGBButton()->isChecked());
    bool overlaySeen = false;
    QStringList counts;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        BatchExportOverlay* overlay = window->batchExportOverlay();
        if (!overlay || !overlay->isVisible()) return;
        overlaySeen = true;
        if (!counts.contains(overlay->countsLabel()->text())) counts << overlay->countsLabel()->text();
    });
    watch.start(1);
    {
        PanelAnswer answer(out());
        QTest::mouseClick(exportDialog->exportButton(), Qt::LeftButton);
        EXPECT_EQ(answer.answered, 1);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->exportAlert() != nullptr; }, 60000)) << statusLine().toStdString();
    watch.stop();
    EXPECT_TRUE(overlaySeen) << "the batch ran without its progress overlay";
    EXPECT_FALSE(counts.isEmpty());
    EXPECT_EQ(statusLine(), "Batch export complete: 3 succeeded");
    QTest::mouseClick(window->exportAlert()->button(QMessageBox::Ok), Qt::LeftButton);
    settle();
    EXPECT_FALSE(window->batchExportOverlay() && window->batchExportOverlay()->isVisible());

    // Ctrl+Q ends the program.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quitRequests, 1);
    EXPECT_FALSE(window->isVisible());
    window.reset();

    // On disk: the developed frame, the synchronised frames, the exports.
    const json first = readJson(recipeFile("frame01"));
    ASSERT_TRUE(first.is_object()) << recipeFile("frame01");
    EXPECT_EQ(first["negativeLab"]["isEnabled"], true);
    EXPECT_EQ(first["negativeLab"]["filmBaseColor"], json::array({kBase[0], kBase[1], kBase[2]}));
    ASSERT_EQ(first["masks"]["radialMasks"].size(), 1u);
    EXPECT_GT(first["masks"]["radialMasks"][0]["exposure"].get<double>(), 0.5);
    const auto& presets = FilmPresetLibrary::builtInPresets();
    const auto portraPreset = std::find_if(presets.begin(), presets.end(), [](const FilmPreset& p) { return p.id == "portra400"; });
    ASSERT_NE(portraPreset, presets.end());
    const json look = portraPreset->parameters;
    for (const char* key : {"exposure", "contrast", "temperature", "saturation", "filmGrain", "halation"})
        EXPECT_EQ(first[key], look[key]) << key;
    EXPECT_NE(first["saturation"], json(EditParameters{}.saturation)) << "the recipe is not neutral";
    for (const char* name : {"frame02", "frame03"}) {
        const json synced = readJson(recipeFile(name));
        ASSERT_TRUE(synced.is_object()) << name;
        for (const char* key : {"exposure", "contrast", "brightness", "highlights", "shadows", "temperature", "tint",
                                "saturation", "vibrance"})
            EXPECT_EQ(synced[key], first[key]) << name << " " << key;
        // Only the two groups: no conversion and no curve came along.
        EXPECT_NE(synced["negativeLab"]["isEnabled"], true) << name;
        EXPECT_NE(synced["curvePoints"], first["curvePoints"]) << name;
    }
    EXPECT_FALSE(fs::exists(recipeFile("frame04")));
    EXPECT_EQ(first["crop"]["aspectRatio"], "threeByTwo");
    EXPECT_DOUBLE_EQ(first["crop"]["straightenAngle"].get<double>(), straightened);
    EXPECT_EQ(first["spotHealing"]["spots"].size(), 1u);
    for (const char* name : {"frame01", "frame02", "frame03"}) {
        const TiffFacts facts = readTiff(out() / (std::string(name) + "_Developed.tiff"));
        if (std::string(name) == "frame01") {
            // Straightened, the frame loses its corners; what is left keeps 3:2.
            EXPECT_LT(facts.width, std::uint32_t(kWidth));
            EXPECT_GT(facts.width, std::uint32_t(kWidth * 0.85));
            EXPECT_NEAR(double(facts.width) / facts.height, 1.5, 0.01);
        } else {
            EXPECT_EQ(facts.width, std::uint32_t(kWidth)) << name;
            EXPECT_EQ(facts.height, std::uint32_t(kHeight)) << name;
        }
        EXPECT_EQ(facts.bits, 16) << name;
        EXPECT_NE(facts.profile.find("sRGB"), std::string::npos) << name << " profile: " << facts.profile;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(out()), fs::directory_iterator()), 3);

    // Reopened: the roll comes back at its frame with every edit, mark and snapshot.
    openWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return filmstrip()->model().count() == 8; }, 10000));
    settle();
    EXPECT_TRUE(filmstrip()->model().isSelected(0));
    {
        const FilmstripCell& cell = filmstrip()->model().cell(0);
        EXPECT_EQ(cell.rating, 4);
        EXPECT_EQ(cell.colorLabel, ColorLabel::green);
        EXPECT_EQ(cell.pickStatus, PickStatus::picked);
        EXPECT_TRUE(cell.hasEdits);
        EXPECT_TRUE(filmstrip()->model().cell(1).hasEdits);
        EXPECT_TRUE(filmstrip()->model().cell(2).hasEdits);
        EXPECT_FALSE(filmstrip()->model().cell(3).hasEdits);
    }
    EXPECT_TRUE(find<ToggleSwitch>("negativeLab.switch")->isOn());
    double reopenedY = 0;
    for (const CurvePoint& point : find<ToneCurveEditorView>("ToneCurveEditorView")->points())
        if (point.id == lifted.id) reopenedY = point.y;
    EXPECT_DOUBLE_EQ(reopenedY, liftedY);
    QTest::mouseClick(find("tab.snapshots"), Qt::LeftButton);
    settle();
    EXPECT_EQ(snapshotNames(), QStringList{"Portra, lifted mids"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return luma(canvasAt(0.5, 0.5)) > 150 && luma(canvasAt(0.04, 0.04)) < 50; }, 10000))
        << describe(canvasAt(0.5, 0.5)) << " " << describe(canvasAt(0.04, 0.04));
}

}  // namespace
}  // namespace vantrel::testing
