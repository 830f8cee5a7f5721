#include "engine/io/ScanCompleteness.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "engine/io/ScanDecoderBackends.h"

namespace vantrel {

namespace {

constexpr std::uint8_t kMarker = 0xFF;
constexpr std::uint8_t kStartOfScan = 0xDA;
constexpr std::uint8_t kEndOfImage = 0xD9;

// Markers that stand alone, without a length: SOI, TEM and the restart markers.
bool standsAlone(std::uint8_t marker) { return marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7); }

// Walks the marker segments from the start; coded data after a start of scan runs up to the
// next marker (a 0xFF in coded data is followed by 0x00 or a restart marker). True when the
// bytes run out before the end-of-image marker.
bool runsOutEarly(const std::vector<std::uint8_t>& bytes) {
    std::size_t at = 2;  // past SOI
    while (at < bytes.size()) {
        if (bytes[at] != kMarker) return false;  // no marker where one must be: damaged, not cut
        while (at < bytes.size() && bytes[at] == kMarker) ++at;  // fill bytes
        if (at >= bytes.size()) return true;
        const std::uint8_t marker = bytes[at++];
        if (marker == kEndOfImage) return false;
        if (standsAlone(marker)) continue;
        if (at + 2 > bytes.size()) return true;
        at += (std::size_t(bytes[at]) << 8) | bytes[at + 1];
        if (marker != kStartOfScan) continue;
        while (at + 1 < bytes.size() && !(bytes[at] == kMarker && bytes[at + 1] != 0x00 && !standsAlone(bytes[at + 1])))
            ++at;
        if (at + 1 >= bytes.size()) return true;
    }
    return true;
}

}  // namespace

bool scanEndsEarly(const std::filesystem::path& file) {
    if (sniffScanFormat(file) != ScanFormat::jpeg) return false;
    detail::FilePtr in(std::fopen(file.c_str(), "rb"));
    if (!in) return false;
    // Most whole files end with the marker: two bytes say so.
    std::uint8_t tail[2] = {};
    if (std::fseek(in.get(), -2, SEEK_END) == 0 && std::fread(tail, 1, 2, in.get()) == 2 && tail[0] == kMarker &&
        tail[1] == kEndOfImage)
        return false;
    // Otherwise the segments tell (a file may carry other data after its end).
    std::vector<std::uint8_t> bytes;
    std::rewind(in.get());
    std::uint8_t chunk[1 << 16];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, in.get())) > 0;) bytes.insert(bytes.end(), chunk, chunk + n);
    return runsOutEarly(bytes);
}

}  // namespace vantrel
