#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>

#include "common/LoaderFixtures.h"
#include "engine/io/LoadError.h"
#include "engine/io/Orientation.h"
#include "engine/io/ScanDecoder.h"
#include "engine/io/ScanResize.h"

using namespace vantrel;
using namespace vantrel::testing;

namespace {

std::uint32_t sampleAt(const ScanBuffer& b, int x, int y, int c) {
    const std::uint8_t* p = b.row(y) + (static_cast<std::size_t>(x) * b.channels + c) * (b.bitDepth / 8);
    if (b.bitDepth == 16) {
        std::uint16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    return *p;
}

int errorCode(const std::function<void()>& f) {
    try {
        f();
    } catch (const LoadError& e) {
        EXPECT_EQ(e.domain(), "VantrelEditor");
        return e.code();
    }
    return 0;
}

// Every sample equals the fixture pattern (grey files: channel 0 and the alpha).
void expectPattern(const ScanBuffer& b, int w, int h, int channels, int bits, const std::string& what) {
    ASSERT_EQ(b.width, w) << what;
    ASSERT_EQ(b.height, h) << what;
    ASSERT_EQ(b.channels, channels) << what;
    ASSERT_EQ(b.bitDepth, bits) << what;
    const std::uint32_t maxValue = bits == 16 ? 65535 : 255;
    int mismatches = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c) {
                const int pc = channels <= 2 ? (c == 0 ? 0 : 3) : c;
                if (sampleAt(b, x, y, c) != patternSample(x, y, pc, w, h, maxValue)) ++mismatches;
            }
    EXPECT_EQ(mismatches, 0) << what;
}

// The pixels as libtiff itself reads them (scanlines or tiles), samples interleaved.
ScanBuffer libtiffPixels(const std::filesystem::path& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    std::uint32_t w = 0, h = 0, tw = 0, th = 0;
    std::uint16_t bits = 8, spp = 1, planar = PLANARCONFIG_CONTIG;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    const bool tiled = TIFFIsTiled(tif);
    if (tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &th);
    } else {
        tw = w;
        th = 1;
    }
    ScanBuffer out = ScanBuffer::allocated(static_cast<int>(w), static_cast<int>(h), spp, bits);
    const std::size_t bytes = bits / 8;
    const int planes = planar == PLANARCONFIG_SEPARATE ? spp : 1, perPixel = planes > 1 ? 1 : spp;
    std::vector<std::uint8_t> block(static_cast<std::size_t>(tiled ? TIFFTileSize(tif) : TIFFScanlineSize(tif)));
    for (int p = 0; p < planes; ++p)
        for (std::uint32_t y0 = 0; y0 < h; y0 += th)
            for (std::uint32_t x0 = 0; x0 < w; x0 += tw) {
                if (tiled) TIFFReadTile(tif, block.data(), x0, y0, 0, static_cast<tsample_t>(p));
                else TIFFReadScanline(tif, block.data(), y0, static_cast<tsample_t>(p));
                for (std::uint32_t y = y0; y < std::min(h, y0 + th); ++y)
                    for (std::uint32_t x = x0; x < std::min(w, x0 + tw); ++x)
                        for (int c = 0; c < perPixel; ++c)
                            std::memcpy(out.row(static_cast<int>(y)) + (x * spp + c + p) * bytes,
                                        block.data() + (((y - y0) * tw + (x - x0)) * perPixel + c) * bytes, bytes);
            }
    TIFFClose(tif);
    return out;
}

}  // namespace

// Uncompressed scans are read without libtiff where their layout allows (separate planes fall
// back to it): the pixels are libtiff's own, in either byte order, from strips or edge tiles.
TEST(DecoderTest, TiffReadInPlaceGivesLibtiffsPixels) {
    TempDir dir;
    int n = 0;
    for (int bits : {8, 16})
        for (bool bigEndian : {false, true})
            for (bool tiled : {false, true})
                for (bool planar : {false, true})
                    for (int samples : {1, 4}) {
                        TiffFixture fixture;
                        fixture.bits = bits;
                        fixture.bigEndian = bigEndian;
                        fixture.tiled = tiled;
                        fixture.planar = planar;
                        fixture.samples = samples;
                        fixture.width = 45;  // edge tiles and a short last strip
                        fixture.rowsPerStrip = 4;
                        const auto path = dir / ("raw" + std::to_string(n++) + ".tif");
                        writeTiff(path, fixture);
                        const std::string what = std::to_string(bits) + " bits" + (bigEndian ? " big-endian" : "") +
                                                 (tiled ? " tiled" : " strips") + (planar ? " planar " : " ") +
                                                 std::to_string(samples) + " samples";
                        const ScanBuffer read = decodeScan(path, {0, false});
                        const ScanBuffer reference = libtiffPixels(path);
                        ASSERT_EQ(read.byteCount(), reference.byteCount()) << what;
                        EXPECT_EQ(std::memcmp(read.pixels.get(), reference.pixels.get(), read.byteCount()), 0) << what;
                        expectPattern(read, fixture.width, fixture.height, samples, bits, what);
                    }
}

TEST(DecoderTest, TiffLayoutsDecodeExactly) {
    TempDir dir;
    const int compressions[] = {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE, COMPRESSION_PACKBITS};
    int n = 0;
    for (int bits : {8, 16})
        for (int samples : {1, 2, 3, 4})
            for (int compression : compressions)
                for (bool tiled : {false, true})
                    for (bool planar : {false, true}) {
                        TiffFixture fixture;
                        fixture.bits = bits;
                        fixture.samples = samples;
                        fixture.compression = compression;
                        fixture.tiled = tiled;
                        fixture.planar = planar;
                        fixture.predictor = compression == COMPRESSION_LZW && bits == 16;
                        const auto path = dir / ("t" + std::to_string(n++) + ".tif");
                        writeTiff(path, fixture);
                        const std::string what = "bits " + std::to_string(bits) + " samples " +
                                                 std::to_string(samples) + " compression " +
                                                 std::to_string(compression) + (tiled ? " tiled" : " strips") +
                                                 (planar ? " planar" : " contiguous");
                        const ScanHeader header = readScanHeader(path);
                        EXPECT_EQ(header.format, ScanFormat::tiff) << what;
                        EXPECT_EQ(header.bitDepth, bits) << what;
                        expectPattern(decodeScan(path), fixture.width, fixture.height, samples, bits, what);
                    }
}

TEST(DecoderTest, TiffWhiteIsZeroAndProfilesAndLargeStrips) {
    TempDir dir;
    TiffFixture fixture;
    fixture.samples = 1;
    fixture.bits = 16;
    fixture.minIsWhite = true;
    fixture.icc = greyProfile("Scanner Grey");
    writeTiff(dir / "w.tif", fixture);
    const ScanBuffer b = decodeScan(dir / "w.tif");
    // Stored white-is-zero, delivered black-is-zero.
    EXPECT_EQ(sampleAt(b, 0, 0, 0), 65535u - patternSample(0, 0, 0, fixture.width, fixture.height, 65535));
    EXPECT_EQ(sampleAt(b, fixture.width - 1, 0, 0), 0u);
    EXPECT_FALSE(b.iccProfile.empty());  // a grey profile on grey pixels is kept

    // Many strips decoded in parallel land in the right rows.
    TiffFixture big;
    big.width = 300;
    big.height = 1001;
    big.rowsPerStrip = 3;
    big.bits = 16;
    big.compression = COMPRESSION_LZW;
    big.predictor = true;
    writeTiff(dir / "big.tif", big);
    expectPattern(decodeScan(dir / "big.tif"), 300, 1001, 3, 16, "many strips");
}

TEST(DecoderTest, PngLayoutsDecode) {
    TempDir dir;
    struct Case { int type, bits, channels; };
    const Case cases[] = {{PNG_COLOR_TYPE_GRAY, 8, 1},       {PNG_COLOR_TYPE_GRAY, 16, 1},
                          {PNG_COLOR_TYPE_GRAY_ALPHA, 8, 2}, {PNG_COLOR_TYPE_GRAY_ALPHA, 16, 2},
                          {PNG_COLOR_TYPE_RGB, 8, 3},        {PNG_COLOR_TYPE_RGB, 16, 3},
                          {PNG_COLOR_TYPE_RGBA, 8, 4},       {PNG_COLOR_TYPE_RGBA, 16, 4}};
    int n = 0;
    for (const Case& c : cases)
        for (bool interlaced : {false, true}) {
            PngFixture fixture;
            fixture.colourType = c.type;
            fixture.bits = c.bits;
            fixture.interlaced = interlaced;
            const auto path = dir / ("p" + std::to_string(n++) + ".png");
            writePng(path, fixture);
            EXPECT_EQ(readScanHeader(path).bitDepth, c.bits);
            expectPattern(decodeScan(path), fixture.width, fixture.height, c.channels, c.bits,
                          "png type " + std::to_string(c.type) + " bits " + std::to_string(c.bits));
        }

    // Palette with a transparent entry expands to RGBA.
    PngFixture palette;
    palette.colourType = PNG_COLOR_TYPE_PALETTE;
    palette.transparentPaletteEntry = true;
    writePng(dir / "pal.png", palette);
    const ScanBuffer p = decodeScan(dir / "pal.png");
    ASSERT_EQ(p.channels, 4);
    EXPECT_EQ(sampleAt(p, 0, 0, 0), 255u);  // index 0: red
    EXPECT_EQ(sampleAt(p, 0, 0, 3), 255u);
    EXPECT_EQ(sampleAt(p, 3, 0, 3), 0u);    // index 3: transparent

    // 2-bit grey expands to 8 bits (0..3 -> 0..255).
    PngFixture low;
    low.colourType = PNG_COLOR_TYPE_GRAY;
    low.bits = 2;
    writePng(dir / "low.png", low);
    const ScanBuffer l = decodeScan(dir / "low.png");
    ASSERT_EQ(l.bitDepth, 8);
    EXPECT_EQ(sampleAt(l, 0, 0, 0), 0u);
    EXPECT_EQ(sampleAt(l, low.width - 1, 0, 0), 255u);
}

TEST(DecoderTest, JpegColourGreyAndDctScaling) {
    TempDir dir;
    JpegFixture fixture;
    fixture.width = 800;
    fixture.height = 600;
    fixture.quality = 100;
    writeJpeg(dir / "rgb.jpg", fixture);
    const ScanBuffer full = decodeScan(dir / "rgb.jpg");
    ASSERT_EQ(full.width, 800);
    ASSERT_EQ(full.channels, 3);
    for (auto [x, y] : {std::pair{0, 0}, {799, 0}, {0, 599}, {400, 300}})
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(static_cast<int>(sampleAt(full, x, y, c)),
                        static_cast<int>(patternSample(x, y, c, 800, 600, 255)), 4);

    // Reduced decodes: DCT scaling, then an area average to the exact size.
    DecodeOptions options;
    options.maxLongEdge = 200;
    const ScanBuffer quarter = decodeScan(dir / "rgb.jpg", options);
    EXPECT_EQ(quarter.width, 200);
    EXPECT_EQ(quarter.height, 150);
    EXPECT_NEAR(static_cast<int>(sampleAt(quarter, 199, 149, 0)), 255, 6);
    options.maxLongEdge = 201;
    EXPECT_EQ(decodeScan(dir / "rgb.jpg", options).height, 151);
    options.maxLongEdge = 5000;
    EXPECT_EQ(decodeScan(dir / "rgb.jpg", options).width, 800);  // never enlarged

    fixture.components = 1;
    fixture.icc = greyProfile("Grey 2.2");
    writeJpeg(dir / "grey.jpg", fixture);
    const ScanHeader header = readScanHeader(dir / "grey.jpg");
    EXPECT_EQ(header.channels, 1);
    EXPECT_FALSE(header.iccProfile.empty());
    const ScanBuffer grey = decodeScan(dir / "grey.jpg");
    EXPECT_EQ(grey.channels, 1);
    EXPECT_EQ(grey.iccProfile, header.iccProfile);
}

TEST(DecoderTest, OrientationTurnsPixelsAndSize) {
    // Where each stored corner lands in the upright picture: TL, TR, BL, BR as 0..3.
    const int lands[9][4] = {{},           {0, 1, 2, 3}, {1, 0, 3, 2}, {3, 2, 1, 0}, {2, 3, 0, 1},
                             {0, 2, 1, 3}, {1, 3, 0, 2}, {3, 1, 2, 0}, {2, 0, 3, 1}};
    TempDir dir;
    for (int o = 1; o <= 8; ++o) {
        TiffFixture fixture;
        fixture.width = 7;
        fixture.height = 4;
        fixture.orientation = o;
        const auto path = dir / ("o" + std::to_string(o) + ".tif");
        writeTiff(path, fixture);
        const ScanHeader header = readScanHeader(path);
        const bool swap = o >= 5;
        EXPECT_EQ(header.width, swap ? 4 : 7) << o;
        EXPECT_EQ(header.height, swap ? 7 : 4) << o;
        const ScanBuffer b = decodeScan(path);
        ASSERT_EQ(b.width, header.width) << o;
        ASSERT_EQ(b.height, header.height) << o;
        const int sx[4] = {0, 6, 0, 6}, sy[4] = {0, 0, 3, 3};
        const int ux[4] = {0, b.width - 1, 0, b.width - 1}, uy[4] = {0, 0, b.height - 1, b.height - 1};
        for (int corner = 0; corner < 4; ++corner) {
            const int at = lands[o][corner];
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(sampleAt(b, ux[at], uy[at], c), patternSample(sx[corner], sy[corner], c, 7, 4, 255))
                    << "orientation " << o << " corner " << corner;
        }
    }

    // JPEG (EXIF written by Exiv2) and PNG (eXIf chunk) report and apply it too.
    JpegFixture jpeg;
    jpeg.width = 64;
    jpeg.height = 32;
    writeJpeg(dir / "r.jpg", jpeg);
    writeExif(dir / "r.jpg", {{"Exif.Image.Orientation", Exiv2::unsignedShort, "6"}});
    EXPECT_EQ(readScanHeader(dir / "r.jpg").width, 32);
    const ScanBuffer j = decodeScan(dir / "r.jpg");
    EXPECT_EQ(j.width, 32);
    EXPECT_EQ(j.height, 64);
    PngFixture png;
    png.exif = exifWithOrientation(8);
    writePng(dir / "r.png", png);
    EXPECT_EQ(readScanHeader(dir / "r.png").orientation, 8);
    EXPECT_EQ(decodeScan(dir / "r.png").width, png.height);
    DecodeOptions stored;
    stored.applyOrientation = false;
    EXPECT_EQ(decodeScan(dir / "r.png", stored).width, png.width);
}

TEST(DecoderTest, CmykJpegThroughItsProfileElsePlainly) {
    TempDir dir;
    JpegFixture fixture;
    fixture.components = 4;
    fixture.width = 32;
    fixture.height = 16;
    // Adobe convention: 255 = no ink. Left half cyan with some black, right half white paper.
    fixture.sample = [](int x, int, int c) -> std::uint8_t {
        if (x >= 16) return 255;
        return c == 0 ? 0 : c == 3 ? 204 : 255;
    };
    writeJpeg(dir / "bare.jpg", fixture);
    EXPECT_TRUE(readScanHeader(dir / "bare.jpg").cmyk);
    // No profile: red = paper left by cyan x paper left by black, and so on.
    const ScanBuffer plain = decodeScan(dir / "bare.jpg");
    ASSERT_EQ(plain.channels, 3);
    EXPECT_TRUE(plain.iccProfile.empty());
    EXPECT_LT(sampleAt(plain, 4, 8, 0), 12u);
    EXPECT_NEAR(double(sampleAt(plain, 4, 8, 1)), 204.0, 6.0);
    EXPECT_NEAR(double(sampleAt(plain, 4, 8, 2)), 204.0, 6.0);
    for (int c = 0; c < 3; ++c) EXPECT_GT(sampleAt(plain, 28, 8, c), 248u);

    // Without the Adobe marker the samples are ink amounts: the same picture from the opposite numbers.
    JpegFixture inks = fixture;
    inks.adobeMarker = false;
    inks.sample = [&](int x, int y, int c) -> std::uint8_t { return std::uint8_t(255 - fixture.sample(x, y, c)); };
    writeJpeg(dir / "inks.jpg", inks);
    const ScanBuffer fromInks = decodeScan(dir / "inks.jpg");
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(double(sampleAt(fromInks, 4, 8, c)), double(sampleAt(plain, 4, 8, c)), 4.0) << c;
        EXPECT_NEAR(double(sampleAt(fromInks, 28, 8, c)), double(sampleAt(plain, 28, 8, c)), 4.0) << c;
    }

    // An embedded CMYK profile wins over the plain conversion.
    fixture.icc = cmykProfile("Test Press CMYK");
    fixture.sample = [](int x, int, int c) -> std::uint8_t { return x < 16 && c == 0 ? 0 : 255; };
    writeJpeg(dir / "tagged.jpg", fixture);
    const ScanBuffer rgb = decodeScan(dir / "tagged.jpg");
    ASSERT_EQ(rgb.channels, 3);
    EXPECT_TRUE(rgb.iccProfile.empty());  // converted to sRGB
    EXPECT_LT(sampleAt(rgb, 4, 8, 0), 60u);   // cyan: little red
    EXPECT_GT(sampleAt(rgb, 4, 8, 1), 200u);
    EXPECT_GT(sampleAt(rgb, 4, 8, 2), 200u);
    for (int c = 0; c < 3; ++c) EXPECT_GT(sampleAt(rgb, 28, 8, c), 240u);  // paper white
}

TEST(DecoderTest, BadInputsGiveErrorsAndCloseFiles) {
    TempDir dir;
    JpegFixture jpeg;
    jpeg.width = 256;
    jpeg.height = 256;
    jpeg.noise = true;
    writeJpeg(dir / "good.jpg", jpeg);
    TiffFixture tiff;
    tiff.width = 200;
    tiff.height = 200;
    tiff.compression = COMPRESSION_LZW;
    writeTiff(dir / "good.tif", tiff);
    writeBytes(dir / "scanner.tif", directoryFirstTiff(120, 80));
    PngFixture png;
    png.width = 200;
    png.height = 200;
    writePng(dir / "good.png", png);
    writeBytes(dir / "empty.jpg", "");
    writeBytes(dir / "notes.jpg", "This is a text file, not a picture.\n");
    truncateCopy(dir / "good.jpg", dir / "cut.jpg");
    truncateCopy(dir / "good.tif", dir / "cut.tif");
    truncateCopy(dir / "scanner.tif", dir / "cut-scanner.tif");
    truncateCopy(dir / "good.png", dir / "cut.png");
    writeBytes(dir / "head.jpg", readBytes(dir / "good.jpg").substr(0, 20));
    std::filesystem::copy_file(dir / "good.jpg", dir / "jpeg-named.tif");

    const int before = openFileCount();
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(errorCode([&] { readScanHeader(dir / "empty.jpg"); }), LoadError::kUnreadable);
        EXPECT_EQ(errorCode([&] { decodeScan(dir / "empty.jpg"); }), LoadError::kUnreadable);
        EXPECT_EQ(errorCode([&] { readScanHeader(dir / "notes.jpg"); }), LoadError::kUnreadable);
        EXPECT_EQ(errorCode([&] { readScanHeader(dir / "missing.png"); }), LoadError::kUnreadable);
        EXPECT_EQ(errorCode([&] { readScanHeader(dir / "head.jpg"); }), LoadError::kUnreadable);
        // Headers at the front survive a cut; the pixels of a PNG or TIFF do not.
        for (const char* name : {"cut.png", "cut-scanner.tif"}) {
            EXPECT_EQ(errorCode([&] { readScanHeader(dir / name); }), 0) << name;
            EXPECT_EQ(errorCode([&] { decodeScan(dir / name); }), LoadError::kUndecodable) << name;
        }
        // A cut JPEG shows the rows that arrived, then grey.
        const ScanBuffer good = decodeScan(dir / "good.jpg");
        const ScanBuffer cut = decodeScan(dir / "cut.jpg");
        ASSERT_EQ(cut.width, 256);
        ASSERT_EQ(cut.height, 256);
        int sameTop = 0;
        for (int x = 0; x < 256; ++x) sameTop += sampleAt(cut, x, 2, 1) == sampleAt(good, x, 2, 1);
        EXPECT_EQ(sameTop, 256);
        for (int x = 0; x < 256; x += 17)
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(double(sampleAt(cut, x, 253, c)), 128.0, 2.0) << x << ' ' << c;
        // A TIFF whose directory came last has no header left at all.
        EXPECT_EQ(errorCode([&] { readScanHeader(dir / "cut.tif"); }), LoadError::kUnreadable);
        EXPECT_EQ(errorCode([&] { decodeScan(dir / "cut.tif"); }), LoadError::kUnreadable);
        expectPattern(decodeScan(dir / "scanner.tif"), 120, 80, 3, 8, "directory-first TIFF");
        // Named .tif but a JPEG inside: read by content.
        EXPECT_EQ(readScanHeader(dir / "jpeg-named.tif").format, ScanFormat::jpeg);
        EXPECT_EQ(decodeScan(dir / "jpeg-named.tif").width, 256);
    }
    EXPECT_EQ(openFileCount(), before);
}

TEST(DecoderTest, AbsurdSizesAreRefusedBeforeAllocating) {
    TempDir dir;
    // A TIFF whose header announces 100000 x 100000 RGB pixels, with one tiny strip.
    {
        TIFF* tif = TIFFOpen((dir / "huge.tif").c_str(), "w");
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 100000);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 100000);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 100000);
        std::uint8_t bytes[16] = {};
        TIFFWriteRawStrip(tif, 0, bytes, sizeof bytes);
        TIFFClose(tif);
    }
    // A PNG with the same claim: valid signature and IHDR, no image data.
    {
        std::string png("\x89PNG\r\n\x1a\n", 8);
        std::string ihdr("IHDR", 4);
        for (std::uint32_t v : {100000u, 100000u})
            for (int shift : {24, 16, 8, 0}) ihdr.push_back(static_cast<char>((v >> shift) & 0xFF));
        ihdr += std::string("\x08\x02\x00\x00\x00", 5);
        const std::uint32_t crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(ihdr.data()), static_cast<uInt>(ihdr.size())));
        png += std::string("\x00\x00\x00\x0d", 4) + ihdr;
        for (int shift : {24, 16, 8, 0}) png.push_back(static_cast<char>((crc >> shift) & 0xFF));
        writeBytes(dir / "huge.png", png);
    }
    for (const char* name : {"huge.tif", "huge.png"}) {
        EXPECT_EQ(errorCode([&] { readScanHeader(dir / name); }), LoadError::kUnreadable) << name;
        EXPECT_EQ(errorCode([&] { decodeScan(dir / name); }), LoadError::kUnreadable) << name;
    }
}

TEST(DecoderTest, TiffReducedWhileReadingMatchesReducedAfterwards) {
    TempDir dir;
    int n = 0;
    for (int rowsPerStrip : {1, 7, 64, 1000})
        for (bool tiled : {false, true})
            for (bool planar : {false, true})
                for (int compression : {COMPRESSION_LZW, COMPRESSION_NONE}) {
                    TiffFixture fixture;
                    fixture.width = 301;
                    fixture.height = 203;
                    fixture.bits = 16;
                    fixture.compression = compression;
                    fixture.rowsPerStrip = rowsPerStrip;
                    fixture.tiled = tiled;
                    fixture.planar = planar;
                    fixture.orientation = 6;
                    const auto path = dir / ("r" + std::to_string(n++) + ".tif");
                    writeTiff(path, fixture);
                    DecodeOptions options;
                    options.maxLongEdge = 97;
                    const ScanBuffer fused = decodeScan(path, options);
                    const ScanBuffer after = applyOrientation(downscaleArea(decodeScan(path, {0, false}), 97, 65), 6);
                    ASSERT_EQ(fused.width, 65);
                    ASSERT_EQ(fused.height, 97);
                    EXPECT_EQ(std::memcmp(fused.pixels.get(), after.pixels.get(), fused.byteCount()), 0)
                        << "rows per strip " << rowsPerStrip << (tiled ? " tiled" : "") << (planar ? " planar" : "")
                        << " compression " << compression;
                }
}

TEST(DecoderTest, AreaReductionAveragesAndKeepsDepth) {
    ScanBuffer src;
    src.width = 4;
    src.height = 2;
    src.channels = 1;
    src.bitDepth = 16;
    src.allocate();
    const std::uint16_t values[8] = {0, 100, 200, 300, 1000, 1100, 1200, 1300};
    std::memcpy(src.pixels.get(), values, sizeof values);
    const ScanBuffer half = downscaleArea(src, 2, 1);
    ASSERT_EQ(half.bitDepth, 16);
    EXPECT_EQ(sampleAt(half, 0, 0, 0), 550u);   // mean of 0, 100, 1000, 1100
    EXPECT_EQ(sampleAt(half, 1, 0, 0), 750u);
    const ScanBuffer third = downscaleArea(src, 3, 2);  // fractional coverage
    EXPECT_EQ(sampleAt(third, 0, 0, 0), 25u);    // (0 * 1 + 100 * 1/3) / (4/3)
    EXPECT_EQ(fitLongEdge(6000, 4000, 2560).width, 2560);
    EXPECT_EQ(fitLongEdge(6000, 4000, 2560).height, 1707);
    EXPECT_EQ(fitLongEdge(1000, 800, 2560).width, 1000);
}
