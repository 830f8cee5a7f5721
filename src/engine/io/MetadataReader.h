#pragma once
// Reads a scan's ImageMetadataInfo: pixel facts from the decoded header, capture data from the
// file's EXIF/TIFF tags through Exiv2, the size from the file system. Never fails: anything
// missing or of the wrong type leaves its field absent or at its fallback.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "engine/io/ScanDecoder.h"
#include "model/ImageMetadataInfo.h"

namespace vantrel {

// `header` is the scan's header when it could be read, else nullptr.
ImageMetadataInfo readImageMetadata(const std::filesystem::path& path, const ScanHeader* header);

// The display formats, independent of the process locale.
namespace metadataformat {
std::string fixed1(double value);                 // "%.1f"
std::string aperture(double fNumber);             // "ƒ/1.4"
// From the EXIF rational: "1/60s" for 1/60, "2.0s" for 2; absent when not positive.
std::optional<std::string> shutterSpeed(std::int64_t numerator, std::int64_t denominator);
std::optional<std::string> shutterSpeed(double seconds);
std::string exposureBias(double ev);              // "+0.3 EV", "-1.0 EV", "0 EV"
std::string focalLength(double millimetres);      // "35mm"
std::string iso(long rating);                     // "ISO 400"
std::string fileSize(std::uintmax_t bytes);       // "23.4 MB"
std::string fileType(const std::filesystem::path& path);  // "TIF", "" without extension
std::string trimmed(const std::string& text);
}  // namespace metadataformat

}  // namespace vantrel
