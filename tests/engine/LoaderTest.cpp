#include <gtest/gtest.h>
#include <tbb/parallel_for.h>

#include <set>
#include <thread>

#include "common/LoaderFixtures.h"
#include "engine/core/Color.h"
#include "engine/core/Context.h"
#include "engine/io/ImageLoader.h"
#include "engine/io/LoadError.h"
#include "model/Translation.h"

using namespace vantrel;
using namespace vantrel::testing;

namespace {

// Working RGBA of the pixel `fromTop` rows below the top edge.
std::array<float, 4> pixel(const Image& image, int x, int fromTop) {
    const Rect& e = image.extent();
    const Rect r{e.x + x, e.maxY() - 1 - fromTop, 1, 1};
    const std::optional<PixelBuffer> out = Context().renderFloat(image, r);
    if (!out) return {-1, -1, -1, -1};
    const float* p = out->at(r.x, r.y);
    return {p[0], p[1], p[2], p[3]};
}

int loadErrorCode(const std::function<void()>& f) {
    try {
        f();
    } catch (const LoadError& e) {
        return e.code();
    }
    return 0;
}

}  // namespace

TEST(LoaderTest, LoadPhotoReadsHeadersOnly) {
    TempDir dir;
    TiffFixture tiff;
    tiff.width = 300;
    tiff.height = 200;
    tiff.bits = 16;
    tiff.compression = COMPRESSION_LZW;
    tiff.icc = displayP3Profile("Test Wide Gamut");
    writeTiff(dir / "frame16.tif", tiff);
    const LoadedPhoto t = ImageLoader::loadPhoto(dir / "frame16.tif");
    EXPECT_EQ(t.title(), "frame16.tif");
    EXPECT_EQ(t.fileURL(), dir / "frame16.tif");
    EXPECT_EQ(t.dimensions(), (PhotoSize{300, 200}));
    EXPECT_TRUE(t.is16Bit());
    EXPECT_EQ(t.colorSpaceName(), "Test Wide Gamut");
    EXPECT_EQ(t.metadata().bitDepth, 16);
    EXPECT_EQ(t.metadata().fileType, "TIF");
    EXPECT_FALSE(t.hasExplicitFullImage());
    EXPECT_EQ(t.id().size(), 36u);
    // Header only: nothing was decoded into the caches.
    EXPECT_FALSE(ImageLoader::proxyImageCache().find(ImageLoader::cacheKey(dir / "frame16.tif")));
    EXPECT_FALSE(ImageLoader::fullImageCache().find(ImageLoader::cacheKey(dir / "frame16.tif")));

    JpegFixture jpeg;
    writeJpeg(dir / "plain.jpg", jpeg);
    const LoadedPhoto j = ImageLoader::loadPhoto(dir / "plain.jpg");
    EXPECT_FALSE(j.is16Bit());
    EXPECT_EQ(j.colorSpaceName(), "Display P3");  // untagged
    EXPECT_NE(j.id(), ImageLoader::loadPhoto(dir / "plain.jpg").id());

    PngFixture png;
    png.bits = 16;
    png.colourType = PNG_COLOR_TYPE_RGBA;
    writePng(dir / "alpha.png", png);
    EXPECT_TRUE(ImageLoader::loadPhoto(dir / "alpha.png").is16Bit());

    // An EXIF-rotated scan reports the size of its upright pixels.
    jpeg.width = 96;
    jpeg.height = 40;
    writeJpeg(dir / "turned.jpg", jpeg);
    writeExif(dir / "turned.jpg", {{"Exif.Image.Orientation", Exiv2::unsignedShort, "6"}});
    const LoadedPhoto turned = ImageLoader::loadPhoto(dir / "turned.jpg");
    EXPECT_EQ(turned.dimensions(), (PhotoSize{40, 96}));
    EXPECT_EQ(turned.metadata().pixelWidth, 40);
    EXPECT_EQ(turned.fullImage().extent(), (Rect{0, 0, 40, 96}));
    EXPECT_EQ(turned.proxyImage().extent(), (Rect{0, 0, 40, 96}));
}

TEST(LoaderTest, PixelsReachTheWorkingSpaceThroughTheirProfile) {
    TempDir dir;
    // Pure red, untagged (sRGB) and tagged Display P3.
    JpegFixture red;
    red.quality = 100;
    red.sample = [](int, int, int c) -> std::uint8_t { return c == 0 ? 255 : 0; };
    writeJpeg(dir / "srgb.jpg", red);
    red.icc = displayP3Profile("P3 test");
    writeJpeg(dir / "p3.jpg", red);
    const auto s = pixel(ImageLoader::loadPhoto(dir / "srgb.jpg").fullImage(), 10, 10);
    const auto p = pixel(ImageLoader::loadPhoto(dir / "p3.jpg").fullImage(), 10, 10);
    EXPECT_NEAR(s[0], 0.8225, 0.01);  // sRGB red inside P3
    EXPECT_NEAR(s[1], 0.0332, 0.01);
    EXPECT_NEAR(p[0], 1.0, 0.01);     // P3 red is the working red
    EXPECT_NEAR(p[1], 0.0, 0.01);

    // A 16-bit grey scan (a black-and-white negative) loads as grey RGB.
    TiffFixture grey;
    grey.samples = 1;
    grey.bits = 16;
    grey.width = 64;
    grey.height = 8;
    writeTiff(dir / "bw.tif", grey);
    const LoadedPhoto bw = ImageLoader::loadPhoto(dir / "bw.tif");
    EXPECT_TRUE(bw.is16Bit());
    const auto g = pixel(bw.fullImage(), 32, 0);
    EXPECT_GT(g[0], 0.1f);
    EXPECT_FLOAT_EQ(g[0], g[1]);
    EXPECT_FLOAT_EQ(g[1], g[2]);
    EXPECT_NEAR(g[0], color::decodeSRGB(patternSample(32, 0, 0, 64, 8, 65535) / 65535.0), 1e-3);
}

TEST(LoaderTest, ProxySizesAndCaching) {
    TempDir dir;
    JpegFixture big;
    big.width = 3000;
    big.height = 2000;
    writeJpeg(dir / "big.jpg", big);
    TiffFixture wide;
    wide.width = 3000;
    wide.height = 1000;
    wide.bits = 16;
    wide.rowsPerStrip = 64;
    writeTiff(dir / "wide.tif", wide);
    JpegFixture small;
    small.width = 1000;
    small.height = 800;
    writeJpeg(dir / "small.jpg", small);

    const LoadedPhoto b = ImageLoader::loadPhoto(dir / "big.jpg");
    const Image proxy = b.proxyImage();
    EXPECT_EQ(proxy.extent(), (Rect{0, 0, 2560, 1707}));
    EXPECT_EQ(ImageLoader::loadPhoto(dir / "wide.tif").proxyImage().extent(), (Rect{0, 0, 2560, 853}));
    EXPECT_EQ(ImageLoader::loadPhoto(dir / "small.jpg").proxyImage().extent(), (Rect{0, 0, 1000, 800}));
    // The reduced pixels are those of the full image, averaged.
    const auto fullPixel = pixel(b.fullImage(), 1500, 1000);
    const auto proxyPixel = pixel(proxy, 1280, 853);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(proxyPixel[c], fullPixel[c], 0.02) << c;

    // Cache hits open nothing: the file can be gone.
    std::filesystem::remove(dir / "big.jpg");
    EXPECT_TRUE(b.proxyImage().isSameNode(proxy));
    EXPECT_TRUE(ImageLoader::makeProxy(dir / "big.jpg", 2560).isSameNode(proxy));
    EXPECT_FALSE(b.fullImage().isEmpty());  // decoded above, still cached

    // Eight proxies are kept; the least recently used one goes first.
    std::vector<LoadedPhoto> photos;
    std::vector<Image> first;
    for (int i = 0; i < 9; ++i) {
        JpegFixture fixture;
        fixture.width = 40 + i;
        writeJpeg(dir / ("f" + std::to_string(i) + ".jpg"), fixture);
        photos.push_back(ImageLoader::loadPhoto(dir / ("f" + std::to_string(i) + ".jpg")));
        first.push_back(photos.back().proxyImage());
    }
    EXPECT_EQ(ImageLoader::proxyImageCache().count(), 8u);
    for (int i = 0; i < 9; ++i) std::filesystem::remove(dir / ("f" + std::to_string(i) + ".jpg"));
    EXPECT_TRUE(photos[8].proxyImage().isSameNode(first[8]));
    EXPECT_TRUE(photos[1].proxyImage().isSameNode(first[1]));
    EXPECT_TRUE(photos[0].proxyImage().isEmpty());  // evicted, file gone, full image unreadable

    // Two full images are kept.
    EXPECT_LE(ImageLoader::fullImageCache().count(), 2u);
}

TEST(LoaderTest, ConcurrentProxyRequestsShareOneResult) {
    TempDir dir;
    for (int i = 0; i < 4; ++i) {
        TiffFixture fixture;
        fixture.width = 3200 + 10 * i;
        fixture.height = 900;
        fixture.bits = 16;
        fixture.compression = COMPRESSION_LZW;
        fixture.rowsPerStrip = 16;
        writeTiff(dir / ("c" + std::to_string(i) + ".tif"), fixture);
    }
    std::vector<LoadedPhoto> photos;
    for (int i = 0; i < 4; ++i) photos.push_back(ImageLoader::loadPhoto(dir / ("c" + std::to_string(i) + ".tif")));

    constexpr int kThreads = 16;
    std::vector<Image> results(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] { results[static_cast<std::size_t>(t)] = photos[static_cast<std::size_t>(t % 4)].proxyImage(); });
    for (auto& th : threads) th.join();
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(results[static_cast<std::size_t>(t)].extent().width, 2560) << t;
        EXPECT_TRUE(results[static_cast<std::size_t>(t)].isSameNode(results[static_cast<std::size_t>(t % 4)])) << t;
    }

    // The same from oneTBB workers, whose loads run parallel loops of their own.
    JpegFixture fixture;
    fixture.width = 2600;
    fixture.height = 100;
    writeJpeg(dir / "shared.jpg", fixture);
    const LoadedPhoto shared = ImageLoader::loadPhoto(dir / "shared.jpg");
    std::vector<Image> tbbResults(64);
    tbb::parallel_for(0, 64, [&](int i) { tbbResults[static_cast<std::size_t>(i)] = shared.proxyImage(); });
    for (const Image& image : tbbResults) EXPECT_TRUE(image.isSameNode(tbbResults[0]));
}

TEST(LoaderTest, ThumbnailsAreUprightBitmapsNotCached) {
    TempDir dir;
    JpegFixture fixture;
    fixture.width = 1600;
    fixture.height = 800;
    fixture.quality = 100;
    // Stored top-left quarter red, everything else blue.
    fixture.sample = [](int x, int y, int c) -> std::uint8_t {
        const bool red = x < 800 && y < 400;
        return c == 0 ? (red ? 255 : 0) : c == 2 ? (red ? 0 : 255) : 0;
    };
    writeJpeg(dir / "t.jpg", fixture);
    writeExif(dir / "t.jpg", {{"Exif.Image.Orientation", Exiv2::unsignedShort, "6"}});
    const std::optional<Bitmap> thumb = ImageLoader::thumbnail(dir / "t.jpg", 320);
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->width, 160);
    EXPECT_EQ(thumb->height, 320);
    // Turned clockwise, the stored top-left lands top-right.
    EXPECT_GT(thumb->at(150, 10)[0], 200);
    EXPECT_LT(thumb->at(150, 10)[2], 40);
    EXPECT_GT(thumb->at(10, 10)[2], 200);
    EXPECT_EQ(thumb->at(10, 10)[3], 255);
    EXPECT_EQ(ImageLoader::thumbnail(dir / "t.jpg", 5000)->width, 800);  // never enlarged
    std::filesystem::remove(dir / "t.jpg");
    EXPECT_FALSE(ImageLoader::thumbnail(dir / "t.jpg", 320));  // nothing kept
    writeBytes(dir / "bad.png", "not a png");
    EXPECT_FALSE(ImageLoader::thumbnail(dir / "bad.png", 320));
}

TEST(LoaderTest, CalibrationTarget) {
    const std::size_t fullBefore = ImageLoader::fullImageCache().count();
    const LoadedPhoto target = ImageLoader::makeCalibrationTarget("00000000-0000-0000-0000-000000000001",
                                                                  ImageLoader::kCalibrationWidth,
                                                                  ImageLoader::kCalibrationHeight);
    EXPECT_EQ(target.id(), "00000000-0000-0000-0000-000000000001");
    EXPECT_EQ(target.title(), "Vantrel_16bit_Film_Calibration_Target.tiff");
    EXPECT_FALSE(target.fileURL());
    EXPECT_EQ(target.dimensions(), (PhotoSize{2400, 1600}));
    EXPECT_TRUE(target.is16Bit());
    EXPECT_EQ(target.colorSpaceName(), "Extended Linear Display P3 (16-bit Float)");
    EXPECT_EQ(target.metadata(), ImageMetadataInfo::sample());
    const Image full = target.fullImage();
    EXPECT_TRUE(full.isSameNode(target.fullImage()));
    EXPECT_EQ(full.extent(), (Rect{0, 0, 2400, 1600}));
    EXPECT_EQ(target.proxyImage().extent().width, 1600);
    EXPECT_EQ(target.proxyImage().extent().height, 1067);
    EXPECT_EQ(ImageLoader::fullImageCache().count(), fullBefore);

    // Grey wedge patch 10 (0.5) and the first colour patch, in plane coordinates (y up).
    Context context;
    const double wedge = 0.8 * 2400 / 21;
    auto at = [&](double x, double y) {
        const Rect r{static_cast<std::int64_t>(x), static_cast<std::int64_t>(y), 1, 1};
        const auto buffer = context.renderFloat(full, r);
        const float* p = buffer->at(r.x, r.y);
        return std::array<float, 3>{p[0], p[1], p[2]};
    };
    EXPECT_EQ(at(240 + 10.5 * wedge, 0.14 * 1600), (std::array<float, 3>{0.5f, 0.5f, 0.5f}));
    EXPECT_EQ(at(240 + 20.5 * wedge, 0.14 * 1600), (std::array<float, 3>{1.0f, 1.0f, 1.0f}));
    EXPECT_EQ(at(240 + 0.5 * 320, 0.22 * 1600 + 50), (std::array<float, 3>{0.45f, 0.25f, 0.2f}));
    EXPECT_EQ(at(240 + 5.5 * 320, 0.22 * 1600 + 50), (std::array<float, 3>{0.9f, 0.75f, 0.2f}));
    // The gradient: its first stop at (0.1 w, 0.9 h), its last at (0.9 w, 0.2 h) and beyond.
    const auto start = at(240, 0.9 * 1600);
    EXPECT_NEAR(start[0], 0.08f, 2e-3);
    EXPECT_NEAR(start[2], 0.14f, 2e-3);
    const auto end = at(2399, 0);
    EXPECT_NEAR(end[0], 0.92f, 1e-6);
    EXPECT_NEAR(end[2], 0.98f, 1e-6);

    const LoadedPhoto fallback = ImageLoader::makeCalibrationTarget("x", 0, 100);
    EXPECT_EQ(fallback.title(), "Synthetic_Film_Sample_Fallback.tiff");
    EXPECT_EQ(fallback.colorSpaceName(), "Extended Linear Display P3 (16-bit)");
}

TEST(LoaderTest, BadFilesGiveErrorsNeverCrashes) {
    TempDir dir;
    writeBytes(dir / "empty.tif", "");
    writeBytes(dir / "readme.jpg", "Roll 12, Portra 400, pushed one stop.\n");
    JpegFixture good;
    good.width = 600;
    good.height = 400;
    good.noise = true;
    writeJpeg(dir / "good.jpg", good);
    truncateCopy(dir / "good.jpg", dir / "cut.jpg");
    std::filesystem::copy_file(dir / "good.jpg", dir / "named.tif");
    JpegFixture cmyk;
    cmyk.components = 4;
    writeJpeg(dir / "cmyk.jpg", cmyk);
    cmyk.icc = cmykProfile("Press");
    writeJpeg(dir / "cmyk-tagged.jpg", cmyk);

    const int before = openFileCount();
    EXPECT_EQ(loadErrorCode([&] { ImageLoader::loadPhoto(dir / "empty.tif"); }), -1);
    EXPECT_EQ(loadErrorCode([&] { ImageLoader::loadPhoto(dir / "readme.jpg"); }), -1);
    EXPECT_EQ(loadErrorCode([&] { ImageLoader::loadPhoto(dir / "absent.png"); }), -1);
    EXPECT_EQ(loadErrorCode([&] { ImageLoader::makeProxy(dir / "readme.jpg", 2560); }), -1);

    // Header intact, pixels cut: the photo loads with the part that arrived.
    const LoadedPhoto cut = ImageLoader::loadPhoto(dir / "cut.jpg");
    EXPECT_EQ(cut.dimensions(), (PhotoSize{600, 400}));
    EXPECT_EQ(cut.proxyImage().extent().width, 600);
    EXPECT_EQ(cut.fullImage().extent().height, 400);

    EXPECT_EQ(ImageLoader::loadPhoto(dir / "named.tif").proxyImage().extent().width, 600);
    EXPECT_FALSE(ImageLoader::loadPhoto(dir / "cmyk.jpg").fullImage().isEmpty());
    // A scan emptied after it was opened: the images are empty, the throwing forms say why.
    writeBytes(dir / "emptied.jpg", readBytes(dir / "good.jpg"));
    const LoadedPhoto emptied = ImageLoader::loadPhoto(dir / "emptied.jpg");
    std::filesystem::resize_file(dir / "emptied.jpg", 0);
    EXPECT_TRUE(emptied.fullImage().isEmpty());
    EXPECT_TRUE(emptied.proxyImage().isEmpty());
    EXPECT_EQ(loadErrorCode([&] { emptied.loadProxyImage(); }), -1);
    EXPECT_EQ(loadErrorCode([&] { emptied.loadFullImage(); }), -1);
    const auto paper = pixel(ImageLoader::loadPhoto(dir / "cmyk-tagged.jpg").proxyImage(), 0, 0);
    EXPECT_GT(paper[3], 0.99f);
    EXPECT_EQ(openFileCount(), before);

    // Domain, codes and English descriptions through the translation hook.
    try {
        ImageLoader::loadPhoto(dir / "readme.jpg");
        FAIL();
    } catch (const LoadError& e) {
        EXPECT_EQ(e.domain(), "VantrelEditor");
        EXPECT_EQ(e.description(), "The image file could not be read.");
        setTranslationHook([](std::string_view key) {
            return key == "error.imageUnreadable" ? std::string("Die Bilddatei konnte nicht gelesen werden.")
                                                  : std::string(key);
        });
        EXPECT_EQ(e.description(), "Die Bilddatei konnte nicht gelesen werden.");
        setTranslationHook({});
    }
    EXPECT_EQ(LoadError(-2, "x").description(), "The image could not be decoded.");
}
