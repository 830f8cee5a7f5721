#pragma once
// An encoder writes one image into an ExportFile band by band, from the top row down, so the
// whole picture never has to be in memory. Every failure — the library's own, or the file's —
// is thrown as an ExportError carrying the message the user is shown; no library is ever
// allowed to end the process.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/Context.h"
#include "engine/core/LargeBlocks.h"
#include "services/ExportFile.h"
#include "services/ExportSettings.h"

namespace vantrel {

struct EncodeTarget {
    int width = 0;
    int height = 0;
    const std::vector<std::uint8_t>* iccProfile = nullptr;  // embedded when given
    std::string profileName;                                 // its description
};

class ImageEncoder {
public:
    virtual ~ImageEncoder() = default;

    // The strips the encoder takes (rgba8 or rgba16; alpha is ignored: files are RGB).
    virtual PixelFormat inputFormat() const = 0;
    // Writes the header; the file stays owned by the caller and outlives the encoder's use.
    virtual void start(ExportFile& file, const EncodeTarget& target) = 0;
    // `rows` rows, each `rowBytes` apart, in the input format.
    virtual void writeRows(const void* data, std::size_t rowBytes, int rows) = 0;
    // Rows per band that writeBand takes without copying (valid after start).
    virtual int bandRows() const { return 128; }
    // writeRows for rows whose memory the encoder may keep: the JPEG encoder compresses a
    // band of its own height in place, on another thread.
    virtual void writeBand(LargeArray<std::uint8_t> pixels, std::size_t rowBytes, int rows) {
        writeRows(pixels.get(), rowBytes, rows);
    }
    // Completes the file after the last row.
    virtual void finish() = 0;
};

// The encoder for a format (JPEG at the settings' quality, 16-bit TIFF, 8-bit PNG).
std::unique_ptr<ImageEncoder> makeEncoder(const ExportSettings& settings);
// The TIFF and PNG encoders, each in its own file (JPEG's has a header of its own).
std::unique_ptr<ImageEncoder> makeTiffEncoder();
std::unique_ptr<ImageEncoder> makePngEncoder();

}  // namespace vantrel
