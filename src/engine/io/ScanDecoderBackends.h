#pragma once
// The per-format halves of ScanDecoder; each opens, reads and closes its own file.
#include <cstdio>
#include <memory>

#include "engine/io/ScanDecoder.h"

namespace vantrel::detail {

struct FileCloser {
    void operator()(std::FILE* f) const { if (f) std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

ScanHeader readJpegHeader(const std::filesystem::path& path);
// With `minLongEdge` > 0 the pixels come DCT-scaled to the smallest size reaching it.
ScanBuffer decodeJpeg(const std::filesystem::path& path, int minLongEdge, int& orientation);

ScanHeader readTiffHeader(const std::filesystem::path& path);
// With `maxLongEdge` > 0 the pixels come reduced to it (decoded and averaged band by band).
ScanBuffer decodeTiff(const std::filesystem::path& path, int maxLongEdge, int& orientation);

ScanHeader readPngHeader(const std::filesystem::path& path);
ScanBuffer decodePng(const std::filesystem::path& path, int& orientation);

// Throws LoadError(-1) when the stored size is zero or beyond the limits.
void checkScanSize(std::int64_t width, std::int64_t height);

}  // namespace vantrel::detail
