// Writes the seed scans and recipe files of tests/fuzz/corpus/: tiny files of every layout the
// readers handle, made with the same libraries the loader reads them with.
// Usage: fuzz_make_seeds <corpus folder>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "common/LoaderFixtures.h"
#include "services/CustomPresetStore.h"
#include "services/FilmPresetLibrary.h"

namespace fs = std::filesystem;
using namespace vantrel;
using namespace vantrel::testing;

namespace {

void writeProgressiveJpeg(const fs::path& path, int width, int height) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 80, TRUE);
    jpeg_simple_progression(&cinfo);
    cinfo.restart_interval = 2;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                row[static_cast<std::size_t>(x) * 3 + c] =
                    static_cast<std::uint8_t>(patternSample(x, y, c, width, height, 255));
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(file);
}

// Layouts libtiff turns into RGBA for the loader: a 4-bit palette and CMYK.
void writePaletteTiff(const fs::path& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    const int w = 10, h = 6;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 4);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_PACKBITS);
    std::vector<std::uint16_t> r(16), g(16), b(16);
    for (int i = 0; i < 16; ++i) {
        r[i] = static_cast<std::uint16_t>(i * 4369);
        g[i] = static_cast<std::uint16_t>((15 - i) * 4369);
        b[i] = static_cast<std::uint16_t>((i % 4) * 21845);
    }
    TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 3);
    for (int y = 0; y < h; ++y) {
        std::uint8_t row[5];
        for (int x = 0; x < 5; ++x) row[x] = static_cast<std::uint8_t>((((x * 2 + y) % 16) << 4) | ((x * 2 + 1 + y) % 16));
        TIFFWriteScanline(tif, row, static_cast<std::uint32_t>(y), 0);
    }
    TIFFClose(tif);
}

void writeCmykTiff(const fs::path& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    const int w = 8, h = 5;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_SEPARATED);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, h);
    for (int y = 0; y < h; ++y) {
        std::uint8_t row[w * 4];
        for (int x = 0; x < w * 4; ++x) row[x] = static_cast<std::uint8_t>((x * 29 + y * 53) % 256);
        TIFFWriteScanline(tif, row, static_cast<std::uint32_t>(y), 0);
    }
    TIFFClose(tif);
}

void writeScans(const fs::path& corpus) {
    const fs::path jpeg = corpus / "jpeg", tiff = corpus / "tiff", png = corpus / "png";
    for (const fs::path& folder : {jpeg, tiff, png}) fs::create_directories(folder);

    writeJpeg(jpeg / "rgb.jpg", {.width = 16, .height = 12, .components = 3, .quality = 75});
    writeJpeg(jpeg / "grey.jpg", {.width = 12, .height = 9, .components = 1, .quality = 75});
    writeJpeg(jpeg / "rgb_p3_profile.jpg", {.width = 9, .height = 7, .components = 3, .quality = 60,
                                            .icc = displayP3Profile("P3")});
    writeJpeg(jpeg / "cmyk_profile.jpg", {.width = 8, .height = 8, .components = 4, .quality = 60,
                                          .icc = cmykProfile("Ink")});
    writeProgressiveJpeg(jpeg / "progressive.jpg", 24, 17);
    writeJpeg(jpeg / "exif.jpg", {.width = 10, .height = 6, .components = 3, .quality = 50});
    writeExif(jpeg / "exif.jpg", {{"Exif.Image.Orientation", Exiv2::unsignedShort, "6"},
                                  {"Exif.Image.Make", Exiv2::asciiString, "Fuji"},
                                  {"Exif.Photo.FNumber", Exiv2::unsignedRational, "28/10"},
                                  {"Exif.Photo.ExposureTime", Exiv2::unsignedRational, "1/60"},
                                  {"Exif.Photo.ISOSpeedRatings", Exiv2::unsignedShort, "400"}});

    writeTiff(tiff / "rgb_strips.tif", {.width = 13, .height = 9, .samples = 3, .rowsPerStrip = 4});
    writeTiff(tiff / "rgb16_lzw.tif", {.width = 11, .height = 7, .samples = 3, .bits = 16,
                                       .compression = COMPRESSION_LZW, .predictor = true, .rowsPerStrip = 3});
    writeTiff(tiff / "grey_deflate_tiles.tif", {.width = 20, .height = 18, .samples = 1,
                                                .compression = COMPRESSION_ADOBE_DEFLATE, .tiled = true, .tileSize = 16});
    writeTiff(tiff / "rgba_planar.tif", {.width = 9, .height = 6, .samples = 4, .planar = true, .rowsPerStrip = 2});
    writeTiff(tiff / "grey_alpha_min_white.tif", {.width = 7, .height = 5, .samples = 2, .minIsWhite = true});
    writeTiff(tiff / "rgb_profile_oriented.tif", {.width = 6, .height = 4, .samples = 3, .orientation = 8,
                                                  .icc = displayP3Profile("P3"), .make = "Nikon", .model = "LS-50"});
    writePaletteTiff(tiff / "palette4_packbits.tif");
    writeCmykTiff(tiff / "cmyk.tif");
    writeBytes(tiff / "directory_first.tif", directoryFirstTiff(8, 6));

    writePng(png / "rgb.png", {.width = 13, .height = 9});
    writePng(png / "grey16.png", {.width = 9, .height = 7, .colourType = PNG_COLOR_TYPE_GRAY, .bits = 16});
    writePng(png / "palette_alpha.png", {.width = 8, .height = 5, .colourType = PNG_COLOR_TYPE_PALETTE,
                                         .transparentPaletteEntry = true});
    writePng(png / "rgba_interlaced.png", {.width = 11, .height = 10, .colourType = PNG_COLOR_TYPE_RGB_ALPHA,
                                           .interlaced = true});
    writePng(png / "grey1.png", {.width = 17, .height = 6, .colourType = PNG_COLOR_TYPE_GRAY, .bits = 1});
    writePng(png / "rgb_profile_exif.png", {.width = 6, .height = 5, .icc = displayP3Profile("P3"),
                                            .exif = exifWithOrientation(3)});
    writePng(png / "grey_alpha16_profile.png", {.width = 5, .height = 4, .colourType = PNG_COLOR_TYPE_GRAY_ALPHA,
                                                .bits = 16, .icc = greyProfile("Grey")});
}

void writePresets(const fs::path& corpus) {
    const fs::path folder = corpus / "preset";
    fs::create_directories(folder);
    const CustomPresetStore store({[folder] { return folder; }, [](const std::string&) {}});
    const auto& builtIn = FilmPresetLibrary::builtInPresets();
    store.exportPreset(builtIn.front(), folder / "builtin_neutral.vantrelrecipe");
    store.exportPreset(builtIn.back(), folder / "builtin_look.vantrelrecipe");
    FilmPreset custom = builtIn[1];
    custom.id = "3F2504E0-4F89-41D3-9A0C-0305E82C3301";
    custom.name = "Mine";
    custom.isCustom = true;
    custom.createdAt = Date::fromUnixSeconds(1769882700);
    store.exportPreset(custom, folder / "custom_dated.vantrelrecipe");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: fuzz_make_seeds <corpus folder>\n";
        return 2;
    }
    writeScans(argv[1]);
    writePresets(argv[1]);
    return 0;
}
