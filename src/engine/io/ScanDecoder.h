#pragma once
// Reading scans (JPEG, TIFF, PNG) into native-precision buffers. The format is taken from the
// file's first bytes, not its name, so a JPEG named ".tif" still loads. Every failure is a
// LoadError; no input ends the process, and every file handle is closed on every path.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/io/ScanBuffer.h"

namespace vantrel {

enum class ScanFormat { unknown, jpeg, tiff, png };

// What the header says, without decoding pixels.
struct ScanHeader {
    ScanFormat format = ScanFormat::unknown;
    int width = 0;          // of the upright (oriented) image
    int height = 0;
    int storedWidth = 0;    // as stored in the file
    int storedHeight = 0;
    int bitDepth = 8;       // bits per sample as stored
    int channels = 0;       // samples per pixel as stored (4 for CMYK)
    bool cmyk = false;
    int orientation = 1;    // EXIF / TIFF orientation, 1..8
    std::vector<std::uint8_t> iccProfile;
};

struct DecodeOptions {
    // When positive, the pixels come reduced to at most this long edge (never enlarged): JPEG
    // scales in the DCT domain first, TIFF averages while it reads, every format finishes
    // with an area average.
    int maxLongEdge = 0;
    // Turn the pixels upright (after any reduction); otherwise the buffer keeps the file's
    // orientation in its `orientation` field.
    bool applyOrientation = true;
};

// Files announcing more pixels than this are refused before anything is allocated.
inline constexpr std::int64_t kMaxScanPixels = 600'000'000;
inline constexpr int kMaxScanSide = 131'072;

ScanFormat sniffScanFormat(const std::filesystem::path& path);

// Header facts; throws LoadError(-1) when the file is not a readable image or is absurdly large.
ScanHeader readScanHeader(const std::filesystem::path& path);

// Decodes the pixels; throws LoadError(-1) for an unreadable file, LoadError(-2) when the pixels
// cannot be decoded (truncated data, unsupported layout, CMYK without a profile).
ScanBuffer decodeScan(const std::filesystem::path& path, const DecodeOptions& options = {});

}  // namespace vantrel
