#pragma once
// Shared by the export tests: a scratch folder and readers that open exported files with the
// same libraries the encoders use (images made in memory come from common/TestImages.h).
#include <jpeglib.h>
#include <lcms2.h>
#include <png.h>
#include <tiffio.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "common/TestImages.h"
#include "engine/core/Image.h"
#include "engine/core/PixelBuffer.h"

namespace vantrel::testing {

// A fresh folder under the temporary folder, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder() {
        std::random_device r;
        path_ = std::filesystem::temp_directory_path() / ("vantrel-export-" + std::to_string(r()) + std::to_string(r()));
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    // Names of everything in the folder, hidden files included.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename().string());
        return names;
    }

private:
    std::filesystem::path path_;
};

// What a file holds, as read back: size, layout, embedded profile and samples (8- or 16-bit,
// rows top first, `channels` per pixel).
struct ReadBack {
    int width = 0;
    int height = 0;
    int channels = 0;
    int bitsPerSample = 0;
    std::vector<std::uint8_t> icc;
    std::vector<std::uint16_t> samples;
    int quantTable0[64] = {};  // JPEG luma quantisation table
    int lumaSampling = 0;      // JPEG h_samp_factor × v_samp_factor of the luma component

    std::uint16_t sample(int x, int y, int c) const {
        return samples[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * std::size_t(channels) + std::size_t(c)];
    }
};

inline std::optional<ReadBack> readJpeg(const std::filesystem::path& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    jpeg_decompress_struct d{};
    jpeg_error_mgr e{};
    d.err = jpeg_std_error(&e);
    jpeg_create_decompress(&d);
    jpeg_stdio_src(&d, f);
    jpeg_save_markers(&d, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&d, TRUE);
    ReadBack r;
    JOCTET* icc = nullptr;
    unsigned iccLength = 0;
    if (jpeg_read_icc_profile(&d, &icc, &iccLength)) {
        r.icc.assign(icc, icc + iccLength);
        std::free(icc);
    }
    if (d.quant_tbl_ptrs[0])
        for (int i = 0; i < 64; ++i) r.quantTable0[i] = d.quant_tbl_ptrs[0]->quantval[i];
    r.lumaSampling = d.comp_info[0].h_samp_factor * d.comp_info[0].v_samp_factor;
    jpeg_start_decompress(&d);
    r.width = int(d.output_width);
    r.height = int(d.output_height);
    r.channels = d.output_components;
    r.bitsPerSample = 8;
    std::vector<JSAMPLE> row(std::size_t(r.width) * std::size_t(r.channels));
    while (d.output_scanline < d.output_height) {
        JSAMPROW p = row.data();
        jpeg_read_scanlines(&d, &p, 1);
        r.samples.insert(r.samples.end(), row.begin(), row.end());
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    std::fclose(f);
    return r;
}

inline std::optional<ReadBack> readTiff(const std::filesystem::path& path) {
    TIFF* t = TIFFOpen(path.c_str(), "r");
    if (!t) return std::nullopt;
    ReadBack r;
    std::uint32_t w = 0, h = 0;
    std::uint16_t bps = 0, spp = 0;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &spp);
    r.width = int(w);
    r.height = int(h);
    r.bitsPerSample = bps;
    r.channels = spp;
    std::uint32_t iccLength = 0;
    void* icc = nullptr;
    if (TIFFGetField(t, TIFFTAG_ICCPROFILE, &iccLength, &icc))
        r.icc.assign(static_cast<std::uint8_t*>(icc), static_cast<std::uint8_t*>(icc) + iccLength);
    std::vector<std::uint8_t> row(std::size_t(TIFFScanlineSize(t)));
    for (std::uint32_t y = 0; y < h; ++y) {
        if (TIFFReadScanline(t, row.data(), y, 0) < 0) break;
        for (std::size_t i = 0; i < std::size_t(w) * spp; ++i)
            r.samples.push_back(bps == 16 ? reinterpret_cast<const std::uint16_t*>(row.data())[i] : row[i]);
    }
    TIFFClose(t);
    return r;
}

inline std::optional<ReadBack> readPng(const std::filesystem::path& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    ReadBack r;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(f);
        return std::nullopt;
    }
    png_init_io(png, f);
    png_read_info(png, info);
    r.width = int(png_get_image_width(png, info));
    r.height = int(png_get_image_height(png, info));
    r.channels = png_get_channels(png, info);
    r.bitsPerSample = png_get_bit_depth(png, info);
    png_charp name = nullptr;
    int compression = 0;
    png_bytep icc = nullptr;
    png_uint_32 iccLength = 0;
    if (png_get_iCCP(png, info, &name, &compression, &icc, &iccLength)) r.icc.assign(icc, icc + iccLength);
    std::vector<png_byte> row(png_get_rowbytes(png, info));
    for (int y = 0; y < r.height; ++y) {
        png_read_row(png, row.data(), nullptr);
        r.samples.insert(r.samples.end(), row.begin(), row.end());
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return r;
}

// The English description of an ICC profile, read with lcms2.
inline std::string profileDescription(const std::vector<std::uint8_t>& icc) {
    cmsHPROFILE h = cmsOpenProfileFromMem(icc.data(), cmsUInt32Number(icc.size()));
    if (!h) return {};
    char text[256] = {};
    cmsGetProfileInfoASCII(h, cmsInfoDescription, "en", "US", text, sizeof text);
    cmsCloseProfile(h);
    return text;
}

}  // namespace vantrel::testing
