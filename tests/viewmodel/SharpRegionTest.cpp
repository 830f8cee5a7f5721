// The sharp part of a zoomed canvas: which part of the frame is rendered and
// at what scale, that its pixels are those of a whole-frame render, and that
// an edit never leaves a region of the former recipe on screen.
#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <vector>

#include <QTest>

#include "EditTestSupport.h"
#include "engine/core/SourcePixels.h"
#include "viewmodel/EngineRenderService.h"
#include "viewmodel/SharpRegion.h"

namespace vantrel::testing {
namespace {

// A 16-bit scan with detail everywhere and nothing symmetric.
Image makeScan(int width, int height) {
    SourcePixels p = SourcePixels::allocate(width, height, 3, SampleType::uint16);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint16_t*>(p.mutableRow(y));
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width, v = double(y) / height;
            const double detail = 0.1 * std::sin(x * 0.31) * std::cos(y * 0.17);
            const double rgb[3] = {0.1 + 0.7 * u + detail, 0.2 + 0.5 * v * v + detail, 0.5 + 0.3 * std::sin(7 * u + 3 * v)};
            for (int c = 0; c < 3; ++c) row[3 * x + c] = std::uint16_t(std::lround(std::clamp(rgb[c], 0.0, 1.0) * 65535));
        }
    }
    return Image::fromPixels(std::move(p));
}

// Neighbourhood effects of every reach, a turn and a tilt: what tiles must get right.
EditParameters neighbourhoodRecipe() {
    EditParameters r = EditParameters::defaultValue();
    r.exposure = 0.3;
    r.sharpening = 0.6;
    r.noiseReduction = 0.3;
    r.vignette = 0.5;
    r.crop.straightenAngle = 3;
    r.filmGrain.amount = 0.4;
    r.halation.isEnabled = true;
    r.halation.halationIntensity = 0.6;
    r.halation.bloomIntensity = 0.4;
    return r;
}

bool samePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return false;
    const QImage x = a.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    const QImage y = b.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    for (int row = 0; row < x.height(); ++row)
        if (std::memcmp(x.constScanLine(row), y.constScanLine(row), std::size_t(x.width()) * 4) != 0) return false;
    return true;
}

TEST(SharpRegionGeometryTest, RegionFollowsZoomPanAndTheProxysResolution) {
    const double proxy = 2560.0 / 6000;
    CanvasView view{QSize(6000, 4000), QSizeF(1400, 900), 1, QSizeF(0, 0)};
    // At fit the proxy has more pixels than the canvas shows.
    EXPECT_FALSE(sharpRegionFor(view, proxy));
    // Just below the proxy's resolution it still suffices; just above, it does not.
    const double fitScale = 900.0 / 4000;
    view.zoom = proxy / fitScale * 0.99;
    EXPECT_FALSE(sharpRegionFor(view, proxy));
    view.zoom = proxy / fitScale * 1.01;
    ASSERT_TRUE(sharpRegionFor(view, proxy));
    EXPECT_NEAR(sharpRegionFor(view, proxy)->scale, proxy * 1.01, 1e-9);

    // Actual pixels, centred: the 1400 x 900 middle and a quarter of it on each side, at scale 1.
    view.zoom = 1 / fitScale;
    std::optional<FrameRegion> region = sharpRegionFor(view, proxy);
    ASSERT_TRUE(region);
    EXPECT_DOUBLE_EQ(region->scale, 1);
    EXPECT_EQ(region->rect, QRect(3000 - 1050, 2000 - 675, 2100, 1350));
    EXPECT_TRUE(regionCovers(*region, view));
    // A pan within the margin stays covered; one beyond it does not.
    view.pan = QSizeF(-300, 200);
    EXPECT_TRUE(regionCovers(*region, view));
    view.pan = QSizeF(-400, 0);
    EXPECT_FALSE(regionCovers(*region, view));
    // Panned to the top-left corner (content moved right and down): cut at the frame's edges.
    view.pan = QSizeF(2300, 1550);
    region = sharpRegionFor(view, proxy);
    ASSERT_TRUE(region);
    EXPECT_EQ(region->rect.topLeft(), QPoint(0, 0));
    EXPECT_EQ(region->rect.size(), QSize(1400 + 350 - 2300 + 3000 - 700, 900 + 225 - 1550 + 2000 - 450));
    // Zoomed far past actual pixels: still rendered at scale 1, only what shows.
    view.zoom = 4 / fitScale;
    view.pan = QSizeF(0, 0);
    region = sharpRegionFor(view, proxy);
    ASSERT_TRUE(region);
    EXPECT_DOUBLE_EQ(region->scale, 1);
    EXPECT_EQ(region->rect, QRect(2737, 1831, 526, 338));  // 2737.5 .. 3262.5, rounded outward

    // The interactive render at fit: the canvas's fitted long edge (6000 x 0.225)
    // when below the proxy's, else the proxy itself.
    view = CanvasView{QSize(6000, 4000), QSizeF(1400, 900), 1, QSizeF(0, 0)};
    EXPECT_EQ(interactivePixelSize(view, 6000, 2560), 1352);
    view.canvas = QSizeF(3000, 2000);
    EXPECT_EQ(interactivePixelSize(view, 6000, 2560), 0);
    view.canvas = QSizeF();
    EXPECT_EQ(interactivePixelSize(view, 6000, 2560), 0);
}

TEST(SharpRegionGeometryTest, HighDensityScreensGetAsManyPixelsAsTheyShow) {
    const double proxy = 2560.0 / 6000;
    const double fitScale = 900.0 / 4000;
    CanvasView view{QSize(6000, 4000), QSizeF(1400, 900), 1, QSizeF(0, 0), 2};
    EXPECT_DOUBLE_EQ(pixelScale(view), 2 * canvasScale(view));
    // At fit two device pixels per point show more than the proxy holds: the proxy is rendered whole.
    EXPECT_EQ(interactivePixelSize(view, 6000, 2560), 0);
    view.canvas = QSizeF(1000, 600);
    EXPECT_EQ(interactivePixelSize(view, 6000, 2560), 1802);  // 6000 x 0.15 x 2, plus two

    // Half the proxy's resolution in points is already past it in pixels.
    view.canvas = QSizeF(1400, 900);
    view.zoom = proxy / fitScale * 0.6;
    std::optional<FrameRegion> region = sharpRegionFor(view, proxy);
    ASSERT_TRUE(region);
    EXPECT_NEAR(region->scale, proxy * 1.2, 1e-9);
    // The same part of the frame as on a screen of one pixel per point, in more pixels.
    view.zoom = 0.5 / fitScale;
    region = sharpRegionFor(view, proxy);
    CanvasView single = view;
    single.density = 1;
    const std::optional<FrameRegion> singleRegion = sharpRegionFor(single, proxy);
    ASSERT_TRUE(region && singleRegion);
    EXPECT_EQ(region->rect, singleRegion->rect);
    EXPECT_DOUBLE_EQ(singleRegion->scale, 0.5);
    EXPECT_DOUBLE_EQ(region->scale, 1);
    // Never more than the scan has.
    view.density = 3;
    EXPECT_DOUBLE_EQ(sharpRegionFor(view, proxy)->scale, 1);
    // A density the screen did not give counts as one pixel per point.
    for (const double unusable : {0.0, -2.0, std::nan("")}) {
        view.density = unusable;
        EXPECT_DOUBLE_EQ(pixelScale(view), canvasScale(view)) << unusable;
        EXPECT_DOUBLE_EQ(sharpRegionFor(view, proxy)->scale, 0.5) << unusable;
    }
}

TEST(SharpRegionRenderTest, RegionEqualsTheSameRectangleOfAWholeFrameRender) {
    const Image full = makeScan(1500, 1000);
    const Image proxy = full.transformed(AffineTransform::scale(0.4, 0.4));
    const LoadedPhoto photo("", "scan.tif", std::nullopt, full, proxy, PhotoSize{1500, 1000}, true, "Display P3");
    EngineRenderService service;

    for (const bool filmFrameless : {false, true}) {
        RenderJob whole{photo, neighbourhoodRecipe(), std::nullopt};
        whole.omitsFilmFrame = filmFrameless;
        const std::optional<RenderResult> reference = service.render(whole, {});
        ASSERT_TRUE(reference && !reference->preview.isNull());
        ASSERT_EQ(reference->frameSize, reference->preview.size());

        // Inside, across tile edges, at a corner, and reaching past the frame (cut to it).
        for (const QRect wanted : {QRect(517, 233, 401, 277), QRect(0, 0, 300, 200), QRect(1, 511, 1023, 3),
                                   QRect(1300, 800, 900, 900)}) {
            RenderJob part = whole;
            part.region = FrameRegion{wanted, 1.0};
            const std::optional<RenderResult> region = service.render(part, {});
            ASSERT_TRUE(region);
            const QRect expected = wanted & QRect(QPoint(0, 0), reference->frameSize);
            EXPECT_EQ(region->region, QRectF(expected)) << wanted.x() << "," << wanted.y();
            EXPECT_EQ(region->frameSize, reference->frameSize);
            EXPECT_TRUE(samePixels(region->preview, reference->preview.copy(expected)))
                << "region " << wanted.x() << "," << wanted.y() << (filmFrameless ? " without frame" : "");
            EXPECT_FALSE(region->histogram);
            EXPECT_TRUE(region->thumbnail.isNull());
        }
    }

    // Below scale 1 the part covers the same place of the frame, in fewer pixels.
    RenderJob half{photo, neighbourhoodRecipe(), std::nullopt};
    half.region = FrameRegion{QRect(400, 300, 600, 400), 0.5};
    const std::optional<RenderResult> region = service.render(half, {});
    ASSERT_TRUE(region && !region->preview.isNull());
    EXPECT_NEAR(region->preview.width(), 300, 1);
    EXPECT_NEAR(region->preview.height(), 200, 1);
    EXPECT_TRUE(region->region.contains(QRectF(400, 300, 600, 400)));
    EXPECT_LT(region->region.width(), 604);
    // Nothing of the frame asked for: no picture, no failure.
    half.region = FrameRegion{QRect(5000, 5000, 10, 10), 1.0};
    const std::optional<RenderResult> outside = service.render(half, {});
    ASSERT_TRUE(outside);
    EXPECT_TRUE(outside->preview.isNull());
    EXPECT_FALSE(outside->loadError);
}

TEST(SharpRegionRenderTest, InteractiveRenderAtCanvasSizeKeepsTheFrameAndTheLook) {
    const Image full = makeScan(1500, 1000);
    const Image proxy = full.transformed(AffineTransform::scale(0.8, 0.8));
    const LoadedPhoto photo("", "scan.tif", std::nullopt, full, proxy, PhotoSize{1500, 1000}, true, "Display P3");
    EngineRenderService service;
    // Sharpening acts on the pixels shown, whatever their size (as on the proxy): left out.
    EditParameters recipe = neighbourhoodRecipe();
    recipe.sharpening = 0;
    RenderJob job{photo, recipe, std::nullopt};
    job.useProxy = true;
    job.needsOriginal = true;
    const std::optional<RenderResult> proxyRender = service.render(job, {});
    job.maxPixelSize = 400;
    const std::optional<RenderResult> small = service.render(job, {});
    ASSERT_TRUE(proxyRender && small);
    EXPECT_NEAR(small->preview.width(), proxyRender->preview.width() / 3.0, 2);
    // The frame is the same frame, whatever the size it was rendered at.
    EXPECT_NEAR(small->frameSize.width(), proxyRender->frameSize.width(), 4);
    EXPECT_NEAR(small->frameSize.height(), proxyRender->frameSize.height(), 4);
    // The undeveloped preview keeps the proxy's size (the comparison may be zoomed).
    EXPECT_EQ(small->original.size(), proxyRender->original.size());
    const auto mean = [](const QImage& image) {
        double sum[3] = {0, 0, 0};
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                sum[0] += qRed(p), sum[1] += qGreen(p), sum[2] += qBlue(p);
            }
        const double n = double(image.width()) * image.height();
        return std::array<double, 3>{sum[0] / n, sum[1] / n, sum[2] / n};
    };
    // The look does not change with the size more than it does between the
    // proxy and the full scan: their mean colours differ as little.
    job.useProxy = false;
    const std::optional<RenderResult> fullRender = service.render(job, {});
    ASSERT_TRUE(fullRender);
    const auto a = mean(proxyRender->preview), b = mean(small->preview), f = mean(fullRender->preview);
    for (int c = 0; c < 3; ++c) {
        EXPECT_LE(std::abs(a[c] - b[c]), std::abs(f[c] - a[c]) + 1.0) << "channel " << c;
    }
}

TEST(SharpRegionRenderTest, CanvasSizedRendersReuseTheScaledProxyWithoutChangingAPixel) {
    const Image full = makeScan(1500, 1000);
    const Image proxy = full.transformed(AffineTransform::scale(0.8, 0.8));
    const LoadedPhoto photo("", "scan.tif", std::nullopt, full, proxy, PhotoSize{1500, 1000}, true, "Display P3");
    EngineRenderService service;
    EditParameters recipe = neighbourhoodRecipe();
    RenderJob job{photo, recipe, std::nullopt};
    job.useProxy = true;
    job.maxPixelSize = 400;
    job.wantsHistogram = true;
    const std::optional<RenderResult> first = service.render(job, {});
    // A slider's next render, from the kept scaled proxy.
    recipe.exposure = 0.5;
    job.recipe = recipe;
    const std::optional<RenderResult> second = service.render(job, {});
    ASSERT_TRUE(first && second && first->histogram && second->histogram);
    EXPECT_FALSE(samePixels(first->preview, second->preview));
    // Byte for byte the render of the proxy scaled on the fly, histogram included.
    const DarkroomPipeline& pipeline = DarkroomPipeline::shared();
    const double scale = 400.0 / 1200.0;
    const Image developed = pipeline.render(proxy.transformed(AffineTransform::scale(scale, scale)), recipe,
                                            std::nullopt, Framing::cropped, DustView::withheld, BoostRange::screen,
                                            &photo.metadata());
    RenderOptions options;
    options.space = OutputSpace::sRGB;
    std::optional<Bitmap> expected = pipeline.context().makeBitmap(developed, std::nullopt, options);
    ASSERT_TRUE(expected);
    const QImage image(expected->pixels.data(), expected->width, expected->height, expected->width * 4,
                       QImage::Format_RGBA8888_Premultiplied);
    EXPECT_TRUE(samePixels(second->preview, image));
    const HistogramData measured = pipeline.computeHistogram(developed, recipe.ultraHDR);
    EXPECT_EQ(second->histogram->redBins, measured.redBins);
    EXPECT_EQ(second->histogram->lumaBins, measured.lumaBins);
    // Another canvas size is scaled afresh.
    job.maxPixelSize = 300;
    const std::optional<RenderResult> smaller = service.render(job, {});
    ASSERT_TRUE(smaller);
    EXPECT_NEAR(smaller->preview.width(), second->preview.width() * 0.75, 2);
}

// The engine behind a test's own render(): frames and sample rolls load straight through.
class WrappedEngine : public RenderService {
public:
    std::optional<LoadedPhoto> loadPhoto(const std::filesystem::path& file) override { return engine_.loadPhoto(file); }
    std::vector<LoadedPhoto> makeSampleRoll(const std::array<Uuid, 3>& ids) override {
        return engine_.makeSampleRoll(ids);
    }

protected:
    EngineRenderService engine_;
};

// The engine, with region renders held at a gate that ignores their stop
// token, so that a render of a former recipe can finish after an edit.
class GatedEngine final : public WrappedEngine {
public:
    Gate regions;
    std::optional<RenderResult> render(const RenderJob& job, std::stop_token stop) override {
        if (job.region) {
            regions.pass();
            return engine_.render(job, {});
        }
        return engine_.render(job, stop);
    }
};

class SharpRegionViewModelTest : public EditViewModelTest {};

// The engine, noting the size of each interactive render it was asked for.
class SizeNotingEngine final : public WrappedEngine {
public:
    std::atomic<int> lastInteractiveSize{-1};
    std::optional<RenderResult> render(const RenderJob& job, std::stop_token stop) override {
        if (job.useProxy) lastInteractiveSize = job.maxPixelSize;
        return engine_.render(job, stop);
    }
};

TEST_F(SharpRegionViewModelTest, TheScreensDensitySetsTheSizeOfRendersForTheCanvas) {
    auto engine = std::make_shared<SizeNotingEngine>();
    renderService = engine;
    // The full scan's render waits long enough for the slider's render to be seen.
    timings.fullRenderDelay = std::chrono::milliseconds(1000);
    auto vm = makeViewModel();
    const Image full = makeScan(1200, 800);
    const LoadedPhoto photo("", "scan.tif", std::nullopt, full, full, PhotoSize{1200, 800}, true, "Display P3");
    vm->setPhotos({photo});
    vm->setCanvasViewportSize(QSizeF(300, 200));
    vm->selectPhoto(DarkroomViewModel::frameID(photo));
    ASSERT_TRUE(waitFor([&] { return !vm->renderedPreview().isNull() && !vm->renderedFrameSize().isEmpty(); }, 15000));

    // A slider's render at fit: the canvas's pixels, twice as many each way on a dense screen.
    const auto interactiveSize = [&] {
        engine->lastInteractiveSize = -1;
        vm->requestRender(RenderQuality::interactive);
        EXPECT_TRUE(waitFor([&] { return engine->lastInteractiveSize != -1; }, 15000));
        return engine->lastInteractiveSize.load();
    };
    EXPECT_EQ(interactiveSize(), 302);
    std::vector<int> shownWidths;
    QObject::connect(vm.get(), &DarkroomViewModel::renderedPreviewChanged, vm.get(),
                     [&] { shownWidths.push_back(vm->renderedPreview().width()); });
    vm->setCanvasDevicePixelRatio(2);
    EXPECT_EQ(interactiveSize(), 602);
    // Shown, until the full scan's render replaces it.
    ASSERT_TRUE(waitFor([&] { return std::count(shownWidths.begin(), shownWidths.end(), 602) > 0; }, 15000))
        << ::testing::PrintToString(shownWidths);

    // Three quarters of a point per scan pixel: the scan suffices on a plain screen; on a dense
    // one the part shown is rendered from the full scan at its own resolution.
    vm->setCanvasDevicePixelRatio(1);
    vm->setZoomScale(3);
    ASSERT_TRUE(idle(*vm, 15000));
    EXPECT_TRUE(vm->sharpRegion().isNull());
    vm->setCanvasDevicePixelRatio(2);
    ASSERT_TRUE(waitFor([&] { return !vm->sharpRegion().isNull(); }, 15000));
    EXPECT_EQ(vm->sharpRegion().image.size(), vm->sharpRegion().rect.toAlignedRect().size());
    vm->setCanvasDevicePixelRatio(1);
    EXPECT_TRUE(vm->sharpRegion().isNull());
}

TEST_F(SharpRegionViewModelTest, APanAfterAnEditNeverShowsTheFormerRecipe) {
    auto engine = std::make_shared<GatedEngine>();
    renderService = engine;
    auto vm = makeViewModel();
    const Image full = makeScan(1200, 800);
    const LoadedPhoto photo("", "scan.tif", std::nullopt, full, full, PhotoSize{1200, 800}, true, "Display P3");
    vm->setPhotos({photo});
    vm->setCanvasViewportSize(QSizeF(300, 200));
    vm->selectPhoto(DarkroomViewModel::frameID(photo));
    ASSERT_TRUE(waitFor([&] { return !vm->renderedPreview().isNull() && !vm->renderedFrameSize().isEmpty(); }, 15000));
    EXPECT_TRUE(vm->sharpRegion().isNull());  // at fit the proxy suffices

    // Every region published, with the exposure of the recipe of that moment.
    std::vector<std::pair<SharpRegion, double>> published;
    QObject::connect(vm.get(), &DarkroomViewModel::sharpRegionChanged, vm.get(), [&] {
        if (!vm->sharpRegion().isNull()) published.emplace_back(vm->sharpRegion(), vm->parameters().exposure);
    });
    const auto expectedPixels = [&](const SharpRegion& region, double exposure) {
        EditParameters recipe = vm->parameters();
        recipe.exposure = exposure;
        EngineRenderService reference;
        const std::optional<RenderResult> whole = reference.render(RenderJob{photo, recipe, std::nullopt}, {});
        return whole ? whole->preview.copy(region.rect.toAlignedRect()) : QImage();
    };

    // Eight times the fit: two canvas points per scan pixel, rendered at scale 1.
    vm->setZoomScale(8);
    ASSERT_TRUE(waitFor([&] { return !vm->sharpRegion().isNull(); }, 15000));
    const SharpRegion first = vm->sharpRegion();
    EXPECT_EQ(first.frameSize, vm->renderedFrameSize());
    EXPECT_EQ(first.image.size(), first.rect.toAlignedRect().size());
    EXPECT_TRUE(first.rect.contains(QRectF(525, 350, 150, 100)));  // the middle of the frame

    // A pan far enough to need a new region; its render is held and an edit comes meanwhile.
    engine->regions.close();
    vm->setPanOffset(QSizeF(400, 300));
    ASSERT_TRUE(waitFor([&] { return engine->regions.waiting() == 1; }, 15000));
    edit(*vm, [](EditParameters& r) { r.exposure = 1.2; });
    vm->requestRender(RenderQuality::interactive);
    EXPECT_TRUE(vm->sharpRegion().isNull());  // the former recipe's region goes at once
    // And the user pans on while the new recipe's renders are under way.
    vm->setPanOffset(QSizeF(350, 250));
    engine->regions.open();
    ASSERT_TRUE(waitFor([&] { return !vm->sharpRegion().isNull(); }, 15000));
    // Let the held render of the former recipe finish and be dropped.
    ASSERT_TRUE(waitFor([&] { return engine->regions.waiting() == 0; }, 15000));
    ASSERT_TRUE(idle(*vm, 15000));

    // Each region shown had the pixels of the recipe of its moment: the held
    // render of the former recipe never appeared.
    ASSERT_GE(published.size(), 2u);
    for (const auto& [region, exposure] : published)
        EXPECT_TRUE(samePixels(region.image, expectedPixels(region, exposure))) << "exposure " << exposure;
    EXPECT_EQ(published.back().second, 1.2);
    // It shows where the canvas now looks.
    EXPECT_TRUE(vm->sharpRegion().rect.contains(QRectF(350, 225, 150, 100)));

    // Back to fit: the region goes.
    vm->zoomToFit();
    EXPECT_TRUE(vm->sharpRegion().isNull());
}

}  // namespace
}  // namespace vantrel::testing
