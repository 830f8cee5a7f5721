#include "engine/io/Orientation.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <cstring>

namespace vantrel {

int sanitizeOrientation(long value) { return value >= 1 && value <= 8 ? static_cast<int>(value) : 1; }

int orientationFromExif(const std::uint8_t* data, std::size_t size) {
    if (!data || size < 8) return 1;
    bool little;
    if (data[0] == 'I' && data[1] == 'I') little = true;
    else if (data[0] == 'M' && data[1] == 'M') little = false;
    else return 1;
    auto u16 = [&](std::size_t at) -> std::uint32_t {
        return little ? data[at] | (data[at + 1] << 8) : (data[at] << 8) | data[at + 1];
    };
    auto u32 = [&](std::size_t at) -> std::uint32_t {
        return little ? u16(at) | (u16(at + 2) << 16) : (u16(at) << 16) | u16(at + 2);
    };
    if (u16(2) != 42) return 1;
    const std::size_t ifd = u32(4);
    if (ifd > size - 2 || ifd < 8) return 1;
    const std::size_t count = u16(ifd);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = ifd + 2 + 12 * i;
        if (entry + 12 > size) break;
        if (u16(entry) != 0x0112) continue;
        const std::uint32_t type = u16(entry + 2);
        if (type == 3) return sanitizeOrientation(static_cast<long>(u16(entry + 8)));  // SHORT
        if (type == 4) return sanitizeOrientation(static_cast<long>(u32(entry + 8)));  // LONG
        return 1;
    }
    return 1;
}

namespace {

// Source pixel of output (x, y) for an input of size w x h.
struct SourceMap {
    int orientation, w, h;
    void at(int x, int y, int& sx, int& sy) const {
        switch (orientation) {
            case 2: sx = w - 1 - x; sy = y; break;
            case 3: sx = w - 1 - x; sy = h - 1 - y; break;
            case 4: sx = x; sy = h - 1 - y; break;
            case 5: sx = y; sy = x; break;
            case 6: sx = y; sy = h - 1 - x; break;
            case 7: sx = w - 1 - y; sy = h - 1 - x; break;
            case 8: sx = w - 1 - y; sy = x; break;
            default: sx = x; sy = y; break;
        }
    }
};

template <std::size_t Bpp>
void permute(const ScanBuffer& in, ScanBuffer& out, int orientation) {
    const SourceMap map{orientation, in.width, in.height};
    const std::size_t inRow = in.rowBytes();
    constexpr int kBlock = 64;  // square blocks keep the transposing reads cache-friendly
    const int blocksY = (out.height + kBlock - 1) / kBlock;
    tbb::parallel_for(0, blocksY, [&](int by) {
        const int y0 = by * kBlock, y1 = std::min(out.height, y0 + kBlock);
        for (int x0 = 0; x0 < out.width; x0 += kBlock) {
            const int x1 = std::min(out.width, x0 + kBlock);
            for (int y = y0; y < y1; ++y) {
                std::uint8_t* dst = out.row(y) + static_cast<std::size_t>(x0) * Bpp;
                for (int x = x0; x < x1; ++x, dst += Bpp) {
                    int sx, sy;
                    map.at(x, y, sx, sy);
                    std::memcpy(dst, in.pixels.get() + inRow * sy + static_cast<std::size_t>(sx) * Bpp, Bpp);
                }
            }
        }
    });
}

}  // namespace

ScanBuffer applyOrientation(ScanBuffer buffer, int orientation) {
    orientation = sanitizeOrientation(orientation);
    buffer.orientation = 1;
    if (orientation == 1 || buffer.empty()) return buffer;
    const bool swaps = orientationSwapsAxes(orientation);
    ScanBuffer out = ScanBuffer::allocated(swaps ? buffer.height : buffer.width, swaps ? buffer.width : buffer.height,
                                           buffer.channels, buffer.bitDepth, buffer.alphaPremultiplied);
    out.iccProfile = std::move(buffer.iccProfile);
    switch (buffer.bytesPerPixel()) {
        case 1: permute<1>(buffer, out, orientation); break;
        case 2: permute<2>(buffer, out, orientation); break;
        case 3: permute<3>(buffer, out, orientation); break;
        case 4: permute<4>(buffer, out, orientation); break;
        case 6: permute<6>(buffer, out, orientation); break;
        case 8: permute<8>(buffer, out, orientation); break;
        default: return buffer;
    }
    return out;
}

}  // namespace vantrel
