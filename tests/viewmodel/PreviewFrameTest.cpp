// The picture the tools' overlays lie on: in the crop, retouch and mask modes
// the preview is the bare frame (no film border), and each preview comes with
// the pixel size of the frame it shows, which the overlays map their points by.
// Rendered by the real engine from a small scan with a dark dust spot.
#include <algorithm>
#include <cmath>

#include <QSignalSpy>

#include "EditTestSupport.h"
#include "viewmodel/EngineRenderService.h"
#include "common/ImageDifference.h"

namespace vantrel::testing {
namespace {

constexpr int kScanWidth = 600;
constexpr int kScanHeight = 400;

class PreviewFrameTest : public EditViewModelTest {
protected:
    void SetUp() override {
        EditViewModelTest::SetUp();
        renderService = std::make_shared<EngineRenderService>();
    }

    // A mid-grey scan with one black spot of radius 5 around (x, y) from its top left.
    std::filesystem::path makeScan(int x, int y) {
        const auto roll = makeRoll("roll", {});
        QImage scan(kScanWidth, kScanHeight, QImage::Format_RGB32);
        scan.fill(QColor(128, 128, 128));
        for (int j = -5; j <= 5; ++j)
            for (int i = -5; i <= 5; ++i)
                if (i * i + j * j <= 25) scan.setPixelColor(x + i, y + j, Qt::black);
        EXPECT_TRUE(scan.save(QString::fromStdString((roll / "spot.png").string())));
        return roll;
    }

    // Waits for a preview other than `before` whose frame has the given size.
    static bool waitForPreview(DarkroomViewModel& vm, qint64 before, QSize frame) {
        return waitFor(
            [&] { return vm.renderedPreview().cacheKey() != before && vm.renderedFrameSize() == frame; }, 15000);
    }

    // Where the dust is, as a fraction of the image: the centre of the pixels
    // darker than half of the darkest's distance to mid-grey. `value`: the darkest.
    static QPointF darkest(const QImage& image, int* value = nullptr) {
        int lowest = 256;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) lowest = std::min(lowest, qGray(image.pixel(x, y)));
        if (value) *value = lowest;
        const int threshold = (lowest + 128) / 2;
        double sx = 0, sy = 0, n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) <= threshold) {
                    sx += x + 0.5;
                    sy += y + 0.5;
                    ++n;
                }
        return {sx / n / image.width(), sy / n / image.height()};
    }

    // What an overlay does with a click: the frame of `frame` pixels fitted into
    // an area, and the clicked point as a fraction of that fitted rectangle.
    static QRectF fitted(QSizeF area, QSizeF frame) {
        const double a = frame.width() / frame.height();
        const QSizeF size = a >= area.width() / area.height() ? QSizeF(area.width(), area.width() / a)
                                                              : QSizeF(area.height() * a, area.height());
        return {QPointF((area.width() - size.width()) / 2, (area.height() - size.height()) / 2), size};
    }
    static QPointF unitOf(QPointF click, QRectF rect) {
        return {(click.x() - rect.left()) / rect.width(), (click.y() - rect.top()) / rect.height()};
    }
};

TEST_F(PreviewFrameTest, ToolModesShowTheBareFrameAndPublishItsSize) {
    auto vm = makeViewModel();
    vm->loadFolder(makeScan(150, 100));
    ASSERT_TRUE(waitForPreview(*vm, 0, QSize(kScanWidth, kScanHeight)));
    EXPECT_EQ(vm->previewFrameSize(), QSize(kScanWidth, kScanHeight));

    // A quarter turn, a 3:2 crop of the turned frame (300 x 200 of its 400 x 600)
    // and an instant print's border, wider below the photo than above it.
    edit(*vm, [](EditParameters& r) {
        r.crop.quarterTurns = 1;
        r.crop.rect = {0.125, 0.1, 0.75, 1.0 / 3};
        r.filmFrame.style = FilmFrameStyle::polaroid;
    });
    qint64 before = vm->renderedPreview().cacheKey();
    vm->requestRender(RenderQuality::final);
    ASSERT_TRUE(waitFor([&] { return vm->renderedPreview().cacheKey() != before; }, 15000));
    // Viewing: the border is part of the frame shown, and the preview has its shape.
    const QSize framed = vm->renderedFrameSize();
    EXPECT_GT(framed.width(), 300);
    EXPECT_GT(framed.height(), 200);
    EXPECT_NEAR(double(vm->renderedPreview().width()) / vm->renderedPreview().height(),
                double(framed.width()) / framed.height(), 0.01);
    EXPECT_EQ(vm->previewFrameSize(), framed);
    // Where the photo lies in it (what the split lays the undeveloped frame on):
    // 300 x 200 of its pixels, the scan's grey inside and the border around.
    const QRectF photo = vm->renderedPhotoArea();
    EXPECT_NEAR(photo.width() * framed.width(), 300, 1);
    EXPECT_NEAR(photo.height() * framed.height(), 200, 1);
    EXPECT_LT(photo.top(), 1 - photo.bottom());
    const QImage shown = vm->renderedPreview();
    auto grey = [&](double x, double y) {
        return std::abs(qGray(shown.pixel(int(x * shown.width()), int(y * shown.height()))) - 128) < 16;
    };
    EXPECT_TRUE(grey(photo.left() + 0.01, photo.top() + 0.01));
    EXPECT_TRUE(grey(photo.right() - 0.01, photo.bottom() - 0.01));
    EXPECT_FALSE(grey(photo.left() / 2, photo.center().y()));
    EXPECT_FALSE(grey(photo.center().x(), photo.top() / 2));
    EXPECT_FALSE(grey(photo.center().x(), (photo.bottom() + 1) / 2));
    const double framedFactor = vm->actualPixelsZoomFactor();

    // Retouching: the turned, cropped frame alone.
    before = vm->renderedPreview().cacheKey();
    vm->toggleRetouchMode();
    ASSERT_TRUE(waitForPreview(*vm, before, QSize(300, 200)));
    EXPECT_EQ(vm->renderedPreview().size(), QSize(300, 200));
    EXPECT_EQ(vm->previewFrameSize(), QSize(300, 200));
    // The canvas's actual-pixels factor follows the frame shown.
    vm->setCanvasViewportSize(QSizeF(1000, 700));
    EXPECT_DOUBLE_EQ(vm->actualPixelsZoomFactor(), 1.0);
    EXPECT_GE(framedFactor, 1.0);

    // Masks: the same frame. Cropping: the turned frame, uncropped.
    before = vm->renderedPreview().cacheKey();
    vm->toggleMaskMode();
    ASSERT_TRUE(waitFor([&] { return vm->renderedPreview().cacheKey() != before; }, 15000));
    EXPECT_EQ(vm->renderedFrameSize(), QSize(300, 200));
    before = vm->renderedPreview().cacheKey();
    vm->toggleCropMode();
    ASSERT_TRUE(waitForPreview(*vm, before, QSize(kScanHeight, kScanWidth)));
    EXPECT_EQ(vm->renderedPreview().size(), QSize(kScanHeight, kScanWidth));

    // Done: the border is back.
    before = vm->renderedPreview().cacheKey();
    vm->saveCrop();
    ASSERT_TRUE(waitForPreview(*vm, before, framed));

    // Without a selected frame there is no frame size.
    vm->setSelectedPhotoID(std::nullopt);
    EXPECT_TRUE(vm->previewFrameSize().isEmpty());
}

TEST_F(PreviewFrameTest, ASpotClickedOnTheRetouchPictureHealsWhereTheClickWas) {
    auto vm = makeViewModel();
    // The dust lies at (150, 100) of the scan; after a quarter turn clockwise it
    // sits at (299, 150) of the 400 x 600 turned frame, inside the 3:2 crop.
    vm->loadFolder(makeScan(150, 100));
    ASSERT_TRUE(waitForPreview(*vm, 0, QSize(kScanWidth, kScanHeight)));
    edit(*vm, [](EditParameters& r) {
        r.crop.quarterTurns = 1;
        r.crop.aspectRatio = CropAspectRatio::threeByTwo;
        r.crop.rect = {0.125, 0.1, 0.75, 1.0 / 3};
        r.filmFrame.style = FilmFrameStyle::galleryBorder;
        r.filmFrame.borderThickness = 0.2;
    });
    qint64 before = vm->renderedPreview().cacheKey();
    vm->requestRender(RenderQuality::final);
    ASSERT_TRUE(waitFor([&] { return vm->renderedPreview().cacheKey() != before; }, 15000));
    const QImage bordered = vm->renderedPreview();

    before = vm->renderedPreview().cacheKey();
    vm->toggleRetouchMode();
    ASSERT_TRUE(waitForPreview(*vm, before, QSize(300, 200)));
    int darkness = 255;
    const QPointF dust = darkest(vm->renderedPreview(), &darkness);
    ASSERT_LT(darkness, 40);

    // The picture area shows the preview fitted; the user clicks on the dust.
    const QSizeF area(868, 668);
    const QRectF shown = fitted(area, QSizeF(vm->renderedPreview().size()));
    const QPointF click(shown.left() + dust.x() * shown.width(), shown.top() + dust.y() * shown.height());

    // The overlay maps the click through the published frame size.
    const QPointF spot = unitOf(click, fitted(area, QSizeF(vm->previewFrameSize())));
    EXPECT_NEAR(spot.x(), dust.x(), 0.005);
    EXPECT_NEAR(spot.y(), dust.y(), 0.005);

    // The bordered picture mapped through the scan's own size would have put the
    // spot more than its radius away from the dust.
    const QPointF borderedDust = darkest(bordered);
    const QRectF borderedShown = fitted(area, QSizeF(bordered.size()));
    const QPointF borderedClick(borderedShown.left() + borderedDust.x() * borderedShown.width(),
                                borderedShown.top() + borderedDust.y() * borderedShown.height());
    const QPointF missed = unitOf(borderedClick, fitted(area, QSizeF(kScanWidth, kScanHeight)));
    EXPECT_GT(std::hypot((missed.x() - dust.x()) * 300, (missed.y() - dust.y()) * 200), 10.0);

    edit(*vm, [&](EditParameters& r) {
        SpotItem item;
        item.center = {spot.x(), spot.y()};
        item.radius = 0.05;             // 10 pixels of the 200-pixel side
        item.sourceOffset = {0.15, 0};  // clean grey to the right
        r.spotHealing.spots.push_back(item);
    });
    before = vm->renderedPreview().cacheKey();
    vm->requestRender(RenderQuality::final);
    ASSERT_TRUE(waitForPreview(*vm, before, QSize(300, 200)));
    darkest(vm->renderedPreview(), &darkness);
    EXPECT_GT(darkness, 100) << "the dust is still there";

    // Leaving the mode brings the border back, and the dust stays healed.
    before = vm->renderedPreview().cacheKey();
    vm->saveRetouch();
    ASSERT_TRUE(waitFor([&] { return vm->renderedPreview().cacheKey() != before; }, 15000));
    const QImage framed = vm->renderedPreview();
    EXPECT_EQ(framed.size(), bordered.size());
    // The picture inside the border is grey throughout.
    const QImage inside = framed.copy(framed.rect().adjusted(framed.width() / 4, framed.height() / 4,
                                                             -framed.width() / 4, -framed.height() / 4));
    darkest(inside, &darkness);
    EXPECT_GT(darkness, 100);
}

// A dark speck healed on the frame stays healed when the frame is straightened, turned or
// cropped afterwards, and the spot (where the healing overlay draws it) still lies on it.
TEST_F(PreviewFrameTest, AHealedSpeckStaysHealedWhenTheFrameIsStraightenedTurnedOrCropped) {
    auto vm = makeViewModel();
    vm->loadFolder(makeScan(150, 100));
    ASSERT_TRUE(waitForPreview(*vm, 0, QSize(kScanWidth, kScanHeight)));
    auto rendered = [&] {
        const qint64 before = vm->renderedPreview().cacheKey();
        vm->requestRender(RenderQuality::final);
        return waitFor([&] { return vm->renderedPreview().cacheKey() != before && vm->isPreviewGeometryCurrent(); },
                       15000);
    };
    vm->toggleRetouchMode();
    ASSERT_TRUE(rendered());
    int darkness = 255;
    const QPointF dust = darkest(vm->renderedPreview(), &darkness);
    ASSERT_LT(darkness, 40);
    SpotItem spot;
    spot.center = {dust.x(), dust.y()};
    spot.radius = 0.05;             // 20 pixels of the 400-pixel side
    spot.sourceOffset = {0.1, 0};   // clean grey to the right
    edit(*vm, [&](EditParameters& r) { r.spotHealing.spots.push_back(spot); });
    ASSERT_TRUE(rendered());
    darkest(vm->renderedPreview(), &darkness);
    ASSERT_GT(darkness, 100);

    auto crop = vm->recipeBinding(&EditParameters::crop);
    const std::vector<std::pair<const char*, std::function<void()>>> changes{
        {"straightened by the slider",
         [&] {
             CropParameters c = crop.get();
             c.straightenAngle = 8;
             crop.set(c);
         }},
        {"turned", [&] { vm->addQuarterTurn(); }},
        {"mirrored", [&] { vm->toggleFlipHorizontal(); }},
        {"cropped",
         [&] {
             CropParameters c = crop.get();
             c.rect = {0.05, 0.05, 0.55, 0.5};
             crop.set(c);
         }},
    };
    for (const auto& [what, change] : changes) {
        SCOPED_TRACE(what);
        change();
        ASSERT_TRUE(rendered());
        darkest(vm->renderedPreview(), &darkness);
        EXPECT_GT(darkness, 100) << "the speck is back";
        // Unhealed, the speck shows where the spot now stands.
        edit(*vm, [](EditParameters& r) { r.spotHealing.isEnabled = false; });
        ASSERT_TRUE(rendered());
        const QPointF speck = darkest(vm->renderedPreview(), &darkness);
        ASSERT_LT(darkness, 40);
        const Point& at = vm->parameters().spotHealing.spots.at(0).center;
        EXPECT_NEAR(at.x, speck.x(), 0.01);
        EXPECT_NEAR(at.y, speck.y(), 0.01);
        edit(*vm, [](EditParameters& r) { r.spotHealing.isEnabled = true; });
    }
}

// Whether the picture on screen is the frame the tools place their marks on:
// not from a change of mode, turn or crop until a preview rendered for it is
// published; in crop mode the crop rectangle and the straightening (the grid
// follows a drag of the angle live) do not count.
TEST_F(PreviewFrameTest, ThePreviewGeometryIsCurrentOnlyOnceRenderedForTheModeAndCrop) {
    auto vm = makeViewModel();
    vm->loadFolder(makeScan(150, 100));
    ASSERT_TRUE(waitForPreview(*vm, 0, QSize(kScanWidth, kScanHeight)));
    ASSERT_TRUE(waitFor([&] { return vm->isPreviewGeometryCurrent(); }));
    edit(*vm, [](EditParameters& r) { r.crop.rect = {0.5, 0, 0.5, 1}; });
    EXPECT_FALSE(vm->isPreviewGeometryCurrent()) << "a new crop, the picture still uncropped";
    auto renderedAnew = [&] {
        const qint64 before = vm->renderedPreview().cacheKey();
        return waitFor([&] { return vm->renderedPreview().cacheKey() != before && vm->isPreviewGeometryCurrent(); },
                       15000);
    };
    vm->requestRender(RenderQuality::final);
    ASSERT_TRUE(renderedAnew());

    // Each change of mode: the last mode's picture is shown until the new one arrives.
    vm->toggleCropMode();
    EXPECT_FALSE(vm->isPreviewGeometryCurrent());
    ASSERT_TRUE(renderedAnew());
    EXPECT_EQ(vm->renderedFrameSize(), QSize(kScanWidth, kScanHeight));
    edit(*vm, [](EditParameters& r) {
        r.crop.rect = {0.1, 0.1, 0.5, 0.5};
        r.crop.straightenAngle = 3;
        r.crop.aspectRatio = CropAspectRatio::square;
    });
    EXPECT_TRUE(vm->isPreviewGeometryCurrent()) << "the whole frame keeps its shape";
    vm->addQuarterTurn();
    EXPECT_FALSE(vm->isPreviewGeometryCurrent());
    ASSERT_TRUE(renderedAnew());
    vm->saveCrop();
    EXPECT_FALSE(vm->isPreviewGeometryCurrent());
    ASSERT_TRUE(renderedAnew());
    vm->toggleRetouchMode();
    EXPECT_FALSE(vm->isPreviewGeometryCurrent()) << "the viewing picture may carry a border";
    ASSERT_TRUE(renderedAnew());
    // A changed straightening outside crop mode moves every point of the frame.
    edit(*vm, [](EditParameters& r) { r.crop.straightenAngle = 1; });
    EXPECT_FALSE(vm->isPreviewGeometryCurrent());
    vm->requestRender(RenderQuality::interactive);
    ASSERT_TRUE(renderedAnew());
    // Healing changes nothing of the geometry.
    edit(*vm, [](EditParameters& r) { r.spotHealing.spots.push_back(SpotItem{}); });
    EXPECT_TRUE(vm->isPreviewGeometryCurrent());

    vm->setSelectedPhotoID(std::nullopt);
    EXPECT_FALSE(vm->isPreviewGeometryCurrent());
}

// A cropped frame turned either way or mirrored shows what it showed, turned or mirrored: the
// crop turns with the picture (compared pixel by pixel on a scan whose every part differs), a
// 1:1 crop stays square, and each turn is one change report.
TEST_F(PreviewFrameTest, ACroppedFrameTurnedOrMirroredShowsItsCropTurnedOrMirrored) {
    const auto roll = makeRoll("roll", {});
    QImage scan(kScanWidth, kScanHeight, QImage::Format_RGB32);
    for (int y = 0; y < kScanHeight; ++y)
        for (int x = 0; x < kScanWidth; ++x)
            scan.setPixel(x, y, qRgb(x * 255 / kScanWidth, y * 255 / kScanHeight, ((x / 37 + y / 23) % 3) * 120));
    ASSERT_TRUE(scan.save(QString::fromStdString((roll / "scene.png").string())));
    auto vm = makeViewModel();
    vm->loadFolder(roll);
    ASSERT_TRUE(waitForPreview(*vm, 0, QSize(kScanWidth, kScanHeight)));
    const auto rendered = [&] {
        const qint64 before = vm->renderedPreview().cacheKey();
        vm->requestRender(RenderQuality::final);
        EXPECT_TRUE(waitFor(
            [&] { return vm->renderedPreview().cacheKey() != before && vm->isPreviewGeometryCurrent(); }, 15000));
        return vm->renderedPreview().convertToFormat(QImage::Format_RGB32);
    };
    edit(*vm, [](EditParameters& r) { r.crop.rect = {0.1, 0.2, 0.5, 0.6}; });
    const QImage cropped = rendered();
    ASSERT_EQ(cropped.size(), QSize(300, 240));

    QSignalSpy reports(vm.get(), &DarkroomViewModel::parametersChanged);
    vm->addQuarterTurn();
    EXPECT_EQ(reports.count(), 1) << "one turn, one change report";
    EXPECT_LE(largestDifference(rendered(), cropped.transformed(QTransform().rotate(90))), 2) << "clockwise";
    vm->subtractQuarterTurn();
    vm->subtractQuarterTurn();
    EXPECT_LE(largestDifference(rendered(), cropped.transformed(QTransform().rotate(-90))), 2) << "counter-clockwise";
    vm->addQuarterTurn();
    EXPECT_NEAR(vm->parameters().crop.rect.x, 0.1, 1e-9);
    EXPECT_NEAR(vm->parameters().crop.rect.height, 0.6, 1e-9);
    // A turn that arrives with the crop as it was (not through the bar): turned all the same.
    auto crop = vm->recipeBinding(&EditParameters::crop);
    CropParameters halfTurn = crop.get();
    halfTurn.quarterTurns = 2;
    crop.set(halfTurn);
    EXPECT_NEAR(vm->parameters().crop.rect.x, 0.4, 1e-9);
    EXPECT_NEAR(vm->parameters().crop.rect.y, 0.2, 1e-9);
    EXPECT_LE(largestDifference(rendered(), cropped.transformed(QTransform().rotate(180))), 2) << "half a turn";
    halfTurn = crop.get();
    halfTurn.quarterTurns = 0;
    crop.set(halfTurn);
    vm->toggleFlipHorizontal();
    const QImage mirrored = rendered();
    EXPECT_LE(largestDifference(mirrored, cropped.mirrored(true, false)), 2) << "mirrored";
    // A turn of the mirrored frame turns what it shows.
    vm->addQuarterTurn();
    EXPECT_LE(largestDifference(rendered(), mirrored.transformed(QTransform().rotate(90))), 2) << "mirrored, turned";

    // A square stays square through a turn, and a recipe bringing its own crop keeps it.
    edit(*vm, [](EditParameters& r) {
        r.crop = CropParameters::defaultValue();
        r.crop.rect = {1.0 / 6, 0, 2.0 / 3, 1};
        r.crop.aspectRatio = CropAspectRatio::square;
    });
    vm->addQuarterTurn();
    const NormalizedRect square = vm->parameters().crop.rect;
    EXPECT_NEAR(square.width * kScanHeight, square.height * kScanWidth, 1e-6);
    EXPECT_EQ(rendered().size(), QSize(400, 400));
    EditParameters brought = vm->parameters();
    brought.crop.quarterTurns = 0;
    vm->saveSnapshot("brought");
    vm->loadSnapshot([&] {
        SnapshotItem snapshot = vm->snapshots().back();
        snapshot.parameters = brought;
        return snapshot;
    }());
    EXPECT_EQ(vm->parameters().crop, brought.crop);

    // A straightened frame mirrored stays level: its straightening is mirrored too.
    edit(*vm, [](EditParameters& r) { r.crop.straightenAngle = 3; });
    vm->toggleFlipHorizontal();
    EXPECT_EQ(vm->parameters().crop.straightenAngle, -3);
}

}  // namespace
}  // namespace vantrel::testing
