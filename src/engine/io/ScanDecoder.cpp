#include "engine/io/ScanDecoder.h"

#include <cstdio>
#include <cstring>

#include "engine/io/IccProfile.h"
#include "engine/io/LoadError.h"
#include "engine/io/Orientation.h"
#include "engine/io/ScanDecoderBackends.h"
#include "engine/io/ScanResize.h"

namespace vantrel {

ScanFormat sniffScanFormat(const std::filesystem::path& path) {
    detail::FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return ScanFormat::unknown;
    unsigned char magic[8] = {};
    const std::size_t n = std::fread(magic, 1, sizeof magic, file.get());
    if (n >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) return ScanFormat::jpeg;
    if (n >= 8 && std::memcmp(magic, "\x89PNG\r\n\x1a\n", 8) == 0) return ScanFormat::png;
    if (n >= 4 && (std::memcmp(magic, "II*\0", 4) == 0 || std::memcmp(magic, "MM\0*", 4) == 0 ||
                   std::memcmp(magic, "II+\0", 4) == 0 || std::memcmp(magic, "MM\0+", 4) == 0))
        return ScanFormat::tiff;
    return ScanFormat::unknown;
}

namespace detail {
void checkScanSize(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0) throw LoadError(LoadError::kUnreadable, "image has no pixels");
    if (width > kMaxScanSide || height > kMaxScanSide || width * height > kMaxScanPixels)
        throw LoadError(LoadError::kUnreadable, "image size beyond the supported limit");
}
}  // namespace detail

ScanHeader readScanHeader(const std::filesystem::path& path) {
    ScanHeader header;
    switch (sniffScanFormat(path)) {
        case ScanFormat::jpeg: header = detail::readJpegHeader(path); break;
        case ScanFormat::tiff: header = detail::readTiffHeader(path); break;
        case ScanFormat::png: header = detail::readPngHeader(path); break;
        case ScanFormat::unknown: throw LoadError(LoadError::kUnreadable, "not a JPEG, TIFF or PNG file");
    }
    header.orientation = sanitizeOrientation(header.orientation);
    const bool swap = orientationSwapsAxes(header.orientation);
    header.width = swap ? header.storedHeight : header.storedWidth;
    header.height = swap ? header.storedWidth : header.storedHeight;
    return header;
}

ScanBuffer decodeScan(const std::filesystem::path& path, const DecodeOptions& options) {
    int orientation = 1;
    ScanBuffer buffer;
    switch (sniffScanFormat(path)) {
        case ScanFormat::jpeg: buffer = detail::decodeJpeg(path, options.maxLongEdge, orientation); break;
        case ScanFormat::tiff: buffer = detail::decodeTiff(path, options.maxLongEdge, orientation); break;
        case ScanFormat::png: buffer = detail::decodePng(path, orientation); break;
        case ScanFormat::unknown: throw LoadError(LoadError::kUnreadable, "not a JPEG, TIFF or PNG file");
    }
    if (buffer.empty()) throw LoadError(LoadError::kUndecodable, "no pixels decoded");
    // A profile for other channels than the pixels have (an RGB profile in a grey file) is ignored.
    if (!buffer.iccProfile.empty() && iccProfileChannels(buffer.iccProfile) != (buffer.channels >= 3 ? 3 : 1))
        buffer.iccProfile.clear();
    if (options.maxLongEdge > 0) {
        const PixelSize size = fitLongEdge(buffer.width, buffer.height, options.maxLongEdge);
        if (size.width != buffer.width || size.height != buffer.height)
            buffer = downscaleArea(buffer, size.width, size.height);
    }
    buffer.orientation = sanitizeOrientation(orientation);
    if (!options.applyOrientation) return buffer;
    return applyOrientation(std::move(buffer), buffer.orientation);
}

}  // namespace vantrel
