#pragma once
// The scans of the view-model roll benchmarks: a 24-megapixel (6000 × 4000) frame of smooth
// gradients with fine detail, as a JPEG at the export default or as a 16-bit uncompressed TIFF.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <vector>

#include <tiffio.h>

#include "services/ExportFile.h"
#include "services/JpegEncoder.h"

namespace vantrel::bench {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// A scanned frame: smooth gradients with fine detail, written as a JPEG at the export default.
inline void writeScan(const std::filesystem::path& file) {
    std::vector<std::uint8_t> pixels(std::size_t(kWidth) * kHeight * 4);
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* row = pixels.data() + std::size_t(y) * kWidth * 4;
        for (int x = 0; x < kWidth; ++x) {
            const double u = double(x) / kWidth, v = double(y) / kHeight;
            const double detail = 0.05 * std::sin(u * 947.0) * std::cos(v * 409.0);
            const double rgb[3] = {0.2 + 0.6 * u + detail, 0.15 + 0.5 * v + detail,
                                   0.3 + 0.3 * std::sin(6 * u + 4 * v) + detail};
            for (int c = 0; c < 3; ++c) row[4 * x + c] = std::uint8_t(std::lround(255 * std::clamp(rgb[c], 0.0, 1.0)));
            row[4 * x + 3] = 255;
        }
    }
    ExportFile out(file);
    JpegEncoder encoder(0.95);
    encoder.start(out, EncodeTarget{kWidth, kHeight, nullptr, {}});
    encoder.writeRows(pixels.data(), std::size_t(kWidth) * 4, kHeight);
    encoder.finish();
    out.commit();
}

// The same kind of frame as a 16-bit RGB TIFF without compression.
inline void writeTiffScan(const std::filesystem::path& file) {
    TIFF* tif = TIFFOpen(file.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    std::vector<std::uint16_t> row(std::size_t(kWidth) * 3);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double u = double(x) / kWidth, v = double(y) / kHeight;
            const double detail = 0.05 * std::sin(u * 947.0) * std::cos(v * 409.0);
            const double rgb[3] = {0.2 + 0.6 * u + detail, 0.15 + 0.5 * v + detail, 0.3 + 0.3 * std::sin(6 * u + 4 * v)};
            for (int c = 0; c < 3; ++c) row[std::size_t(x) * 3 + c] = std::uint16_t(std::lround(65535 * std::clamp(rgb[c], 0.0, 1.0)));
        }
        TIFFWriteScanline(tif, row.data(), std::uint32_t(y), 0);
    }
    TIFFClose(tif);
}

}  // namespace vantrel::bench
