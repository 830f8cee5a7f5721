// The three encoders end to end through the writer: layout, embedded profile, quality, colour
// and clipping, read back with the same libraries.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ExportTestSupport.h"
#include "engine/core/Color.h"
#include "engine/core/Context.h"
#include "services/ExportError.h"
#include "services/ExportWriter.h"
#include "services/JpegEncoder.h"

namespace vantrel {
namespace {

using testing::ReadBack;

std::optional<ReadBack> readBack(ExportFormat format, const std::filesystem::path& path) {
    switch (format) {
        case ExportFormat::jpeg: return testing::readJpeg(path);
        case ExportFormat::tiff: return testing::readTiff(path);
        case ExportFormat::png: return testing::readPng(path);
    }
    return std::nullopt;
}

// A smooth asymmetric gradient: red grows to the right, green downwards.
Image gradient(int w, int h) {
    return testing::imageOf(w, h, [w, h](int x, int y) {
        return std::array<float, 3>{float(x) / float(w - 1), float(y) / float(h - 1), 0.25f};
    });
}

double encoded(double linear) { return color::encodeSRGB(linear); }

TEST(EncoderFormats, EachFormatHasItsDepthChannelsAndProfileAndKeepsItsPixels) {
    const Context context;
    testing::ScratchFolder folder;
    const int w = 301, h = 203;  // not a multiple of any block or band size
    for (ExportFormat format : allCases<ExportFormat>()) {
        for (bool p3 : {true, false}) {
            SCOPED_TRACE(std::string(rawValue(format)) + (p3 ? " P3" : " sRGB"));
            const auto path = folder / ("out." + std::string(fileExtension(format)));
            ExportSettings settings{format, 1.0, p3};
            writeImage(context, gradient(w, h), settings, path);
            const auto file = readBack(format, path);
            ASSERT_TRUE(file);
            EXPECT_EQ(file->width, w);
            EXPECT_EQ(file->height, h);
            EXPECT_EQ(file->channels, 3);
            EXPECT_EQ(file->bitsPerSample, format == ExportFormat::tiff ? 16 : 8);
            EXPECT_EQ(testing::profileDescription(file->icc), p3 ? "Display P3" : "sRGB IEC61966-2.1");

            // Top-left stays dark red-free, the right edge is full red, the bottom full green
            // (the orientation and the band order hold).
            const double top = format == ExportFormat::tiff ? 65535.0 : 255.0;
            const double tolerance = format == ExportFormat::jpeg ? 4.0 : 1.0;
            if (p3) {
                EXPECT_NEAR(file->sample(0, 0, 0) / top * 255, 0, tolerance);
                EXPECT_NEAR(file->sample(w - 1, 0, 0) / top * 255, 255, tolerance);
                EXPECT_NEAR(file->sample(0, h - 1, 1) / top * 255, 255, tolerance);
                EXPECT_NEAR(file->sample(150, 100, 0) / top * 255, encoded(150.0 / (w - 1)) * 255, tolerance);
                EXPECT_NEAR(file->sample(150, 100, 2) / top * 255, encoded(0.25) * 255, tolerance);
            }
        }
    }
    // Nothing but the three files: no temporary file is left behind.
    EXPECT_EQ(folder.entries().size(), 3u);
}

TEST(EncoderFormats, JpegQualityMapsOntoLibjpegQualityAndSubsampling) {
    EXPECT_EQ(jpegQualityPercent(0.95), 95);
    EXPECT_EQ(jpegQualityPercent(1.0), 100);
    EXPECT_EQ(jpegQualityPercent(0.5), 50);
    EXPECT_EQ(jpegQualityPercent(0.0), 1);
    EXPECT_EQ(jpegQualityPercent(-3.0), 1);
    EXPECT_EQ(jpegQualityPercent(7.0), 100);
    EXPECT_EQ(jpegQualityPercent(std::numeric_limits<double>::quiet_NaN()), 95);

    // The file carries exactly the tables libjpeg makes for that quality.
    auto expectedTable = [](int quality) {
        jpeg_compress_struct c{};
        jpeg_error_mgr e{};
        c.err = jpeg_std_error(&e);
        jpeg_create_compress(&c);
        c.in_color_space = JCS_RGB;
        jpeg_set_defaults(&c);
        jpeg_set_quality(&c, quality, TRUE);
        std::array<int, 64> t{};
        for (int i = 0; i < 64; ++i) t[std::size_t(i)] = c.quant_tbl_ptrs[0]->quantval[i];
        jpeg_destroy_compress(&c);
        return t;
    };
    const Context context;
    testing::ScratchFolder folder;
    std::size_t previousSize = 0;
    for (double quality : {0.95, 0.5, 0.1}) {
        SCOPED_TRACE(quality);
        const auto path = folder / "q.jpg";
        writeImage(context, gradient(96, 64), ExportSettings{ExportFormat::jpeg, quality, true}, path);
        const auto file = testing::readJpeg(path);
        ASSERT_TRUE(file);
        const auto expected = expectedTable(jpegQualityPercent(quality));
        for (int i = 0; i < 64; ++i) ASSERT_EQ(file->quantTable0[i], expected[std::size_t(i)]) << i;
        EXPECT_EQ(file->lumaSampling, quality >= 0.9 ? 1 : 4);
        const auto size = std::filesystem::file_size(path);
        if (previousSize) {
            EXPECT_LT(size, previousSize);
        }
        previousSize = size;
    }
}

// The pixels a plain one-piece libjpeg encode of `bitmap` decodes to.
std::vector<std::uint16_t> onePieceJpeg(const Bitmap& bitmap, int quality, bool fullChroma,
                                        const std::filesystem::path& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    jpeg_compress_struct c{};
    jpeg_error_mgr e{};
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = JDIMENSION(bitmap.width);
    c.image_height = JDIMENSION(bitmap.height);
    c.input_components = 4;
    c.in_color_space = JCS_EXT_RGBX;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    c.dct_method = JDCT_ISLOW;
    if (fullChroma) c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = 1;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        auto* row = const_cast<JSAMPLE*>(bitmap.at(0, int(c.next_scanline)));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
    return testing::readJpeg(path)->samples;
}

TEST(EncoderFormats, JpegBandsDecodeExactlyLikeAOnePieceEncode) {
    const Context context;
    testing::ScratchFolder folder;
    // Detail everywhere, several bands and a short last one (not a whole MCU row either).
    const int w = 203, h = 901;
    const Image image = testing::imageOf(w, h, [](int x, int y) {
        return std::array<float, 3>{float((x * 37 + y * 11) % 101) / 100.0f, float((x ^ y) & 63) / 63.0f,
                                    0.5f + 0.4f * std::sin(float(x + 2 * y) * 0.1f)};
    });
    const auto bitmap = context.makeBitmap(image);
    ASSERT_TRUE(bitmap);
    for (double quality : {0.95, 0.6}) {
        SCOPED_TRACE(quality);
        const bool fullChroma = quality >= 0.9;
        ASSERT_LT(JpegEncoder::bandRowsFor(w, fullChroma), h / 3);
        writeImage(context, image, ExportSettings{ExportFormat::jpeg, quality, true}, folder / "bands.jpg");
        const auto ours = testing::readJpeg(folder / "bands.jpg");
        ASSERT_TRUE(ours);
        ASSERT_EQ(ours->height, h);
        EXPECT_TRUE(ours->samples == onePieceJpeg(*bitmap, jpegQualityPercent(quality), fullChroma, folder / "plain.jpg"));
    }
}

TEST(EncoderFormats, KnownColourIsWrittenInTheChosenSpace) {
    // Pure sRGB red: the corner of the sRGB gamut, well inside Display P3.
    const WorkingColor red = color::workingFromSRGB(1.0, 0.0, 0.0);
    const Image image = testing::imageOf(8, 8, [&](int, int) { return std::array<float, 3>{red.r, red.g, red.b}; });
    const auto p3 = color::linearSRGBToLinearP3().apply(1.0, 0.0, 0.0);
    const Context context;
    testing::ScratchFolder folder;
    for (ExportFormat format : {ExportFormat::tiff, ExportFormat::png}) {
        const double top = format == ExportFormat::tiff ? 65535.0 : 255.0;
        const double tolerance = format == ExportFormat::tiff ? 8.0 : 1.0;
        const auto srgbPath = folder / ("srgb." + std::string(fileExtension(format)));
        const auto p3Path = folder / ("p3." + std::string(fileExtension(format)));
        writeImage(context, image, ExportSettings{format, 0.95, false}, srgbPath);
        writeImage(context, image, ExportSettings{format, 0.95, true}, p3Path);
        const auto inSRGB = readBack(format, srgbPath);
        const auto inP3 = readBack(format, p3Path);
        ASSERT_TRUE(inSRGB && inP3);
        EXPECT_NEAR(inSRGB->sample(3, 3, 0), top, tolerance);
        EXPECT_NEAR(inSRGB->sample(3, 3, 1), 0, tolerance);
        EXPECT_NEAR(inSRGB->sample(3, 3, 2), 0, tolerance);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(inP3->sample(3, 3, c), encoded(p3[std::size_t(c)]) * top, tolerance) << c;
        // (0.917, 0.200, 0.139) encoded is about (234, 51, 35) in 8 bits.
        EXPECT_LT(inP3->sample(3, 3, 0), top * 0.95);
        EXPECT_GT(inP3->sample(3, 3, 1), top * 0.15);
    }
}

TEST(EncoderFormats, ValuesAboveOneAndNaNAreClipped) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    // Columns: far above white, NaN / negative / 0.5, +inf / -inf / NaN.
    const Image image = testing::imageOf(3, 2, [&](int x, int) {
        if (x == 0) return std::array<float, 3>{4.0f, 1.5f, 1000.0f};
        if (x == 1) return std::array<float, 3>{nan, -0.5f, 0.5f};
        return std::array<float, 3>{inf, -inf, nan};
    });
    const Context context;
    testing::ScratchFolder folder;
    for (ExportFormat format : {ExportFormat::tiff, ExportFormat::png}) {
        SCOPED_TRACE(rawValue(format));
        const std::uint16_t top = format == ExportFormat::tiff ? 65535 : 255;
        const auto path = folder / ("clip." + std::string(fileExtension(format)));
        writeImage(context, image, ExportSettings{format, 0.95, true}, path);
        const auto file = readBack(format, path);
        ASSERT_TRUE(file);
        for (int y = 0; y < 2; ++y) {
            EXPECT_EQ(file->sample(0, y, 0), top);
            EXPECT_EQ(file->sample(0, y, 1), top);
            EXPECT_EQ(file->sample(0, y, 2), top);
            EXPECT_EQ(file->sample(1, y, 0), 0);
            EXPECT_EQ(file->sample(1, y, 1), 0);
            EXPECT_NEAR(file->sample(1, y, 2), encoded(0.5) * top, top / 255.0);
            EXPECT_EQ(file->sample(2, y, 0), top);
            EXPECT_EQ(file->sample(2, y, 1), 0);
            EXPECT_EQ(file->sample(2, y, 2), 0);
        }
    }
    // JPEG has no exact values to check, but the same picture must encode without trouble.
    EXPECT_NO_THROW(writeImage(context, image, ExportSettings{}, folder / "clip.jpg"));
}

}  // namespace
}  // namespace vantrel
