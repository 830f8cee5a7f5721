// TIFF through libtiff. Errors and warnings go to per-handle handlers that stay silent; every
// failed read is seen through libtiff's return values. Strips and tiles are decoded in parallel,
// each worker thread with its own handle on the file.
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>
#include <tiffio.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstring>

#include "engine/IccProfile.h"
#include "engine/LoadError.h"
#include "engine/Orientation.h"
#include "engine/ScanDecoderBackends.h"

namespace vantrel::detail {

namespace {

struct TiffCloser {
    void operator()(TIFF* t) const { if (t) TIFFClose(t); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

extern "C" int quietTiffHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TiffPtr openTiff(const std::filesystem::path& path) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, quietTiffHandler, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quietTiffHandler, nullptr);
    TiffPtr tiff(TIFFOpenExt(path.c_str(), "r", options));
    TIFFOpenOptionsFree(options);
    return tiff;
}

struct TiffLayout {
    std::uint32_t width = 0, height = 0;
    std::uint16_t bitsPerSample = 8, samplesPerPixel = 1, photometric = PHOTOMETRIC_MINISBLACK;
    std::uint16_t planar = PLANARCONFIG_CONTIG, sampleFormat = SAMPLEFORMAT_UINT, orientation = 1;
    bool tiled = false;
    std::uint32_t tileWidth = 0, tileHeight = 0, rowsPerStrip = 0;
    // How samples map to our buffer (valid only when `direct`).
    bool direct = false;
    int outChannels = 0;
    bool invert = false;        // white-is-zero grey
    bool premultiplied = false;
};

bool isAlpha(std::uint16_t extra) { return extra == EXTRASAMPLE_ASSOCALPHA || extra == EXTRASAMPLE_UNASSALPHA; }

TiffLayout readLayout(TIFF* tif) {
    TiffLayout l;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &l.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &l.height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &l.bitsPerSample);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &l.samplesPerPixel);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &l.photometric))
        l.photometric = l.samplesPerPixel >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &l.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &l.sampleFormat);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &l.orientation);
    l.tiled = TIFFIsTiled(tif) != 0;
    if (l.tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &l.tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &l.tileHeight);
    } else {
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &l.rowsPerStrip);
        l.rowsPerStrip = std::clamp<std::uint32_t>(l.rowsPerStrip, 1, std::max<std::uint32_t>(1, l.height));
    }

    std::uint16_t extraCount = 0;
    std::uint16_t* extra = nullptr;
    TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
    const bool depthOk = (l.bitsPerSample == 8 || l.bitsPerSample == 16) && l.sampleFormat == SAMPLEFORMAT_UINT;
    const bool grey = l.photometric == PHOTOMETRIC_MINISBLACK || l.photometric == PHOTOMETRIC_MINISWHITE;
    const int colour = grey ? 1 : 3;
    if (depthOk && (grey || l.photometric == PHOTOMETRIC_RGB) && l.samplesPerPixel >= colour) {
        const bool alpha = l.samplesPerPixel > colour && extraCount > 0 && extra && isAlpha(extra[0]);
        l.direct = true;
        l.outChannels = colour + (alpha ? 1 : 0);
        l.invert = l.photometric == PHOTOMETRIC_MINISWHITE;
        l.premultiplied = alpha && extra[0] == EXTRASAMPLE_ASSOCALPHA;
    }
    if (l.tiled && (l.tileWidth == 0 || l.tileHeight == 0)) l.direct = false;
    return l;
}

std::vector<std::uint8_t> readIcc(TIFF* tif) {
    std::uint32_t size = 0;
    void* data = nullptr;
    if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &size, &data) && data && size > 0) {
        auto* bytes = static_cast<const std::uint8_t*>(data);
        return {bytes, bytes + size};
    }
    return {};
}

// Copies a w x h block of decoded samples into the buffer at (x0, y0). `plane` < 0 means
// interleaved samples; otherwise the block holds one sample plane.
template <typename T>
void copyBlock(const std::uint8_t* srcBytes, std::size_t srcRowSamples, int w, int h, int plane,
               const TiffLayout& l, ScanBuffer& out, int x0, int y0) {
    const T* src = reinterpret_cast<const T*>(srcBytes);
    const T maxValue = static_cast<T>(l.bitsPerSample == 16 ? 0xFFFF : 0xFF);
    const int outCh = out.channels;
    const int spp = l.samplesPerPixel;
    for (int y = 0; y < h; ++y) {
        const T* s = src + srcRowSamples * y;
        T* d = reinterpret_cast<T*>(out.row(y0 + y)) + static_cast<std::size_t>(x0) * outCh;
        if (plane < 0) {
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < outCh; ++c) {
                    const T v = s[static_cast<std::size_t>(x) * spp + c];
                    d[static_cast<std::size_t>(x) * outCh + c] = (l.invert && c == 0) ? static_cast<T>(maxValue - v) : v;
                }
        } else {
            const bool inv = l.invert && plane == 0;
            for (int x = 0; x < w; ++x)
                d[static_cast<std::size_t>(x) * outCh + plane] = inv ? static_cast<T>(maxValue - s[x]) : s[x];
        }
    }
}

void copyAny(const std::uint8_t* src, std::size_t srcRowSamples, int w, int h, int plane, const TiffLayout& l,
             ScanBuffer& out, int x0, int y0) {
    if (l.bitsPerSample == 16) copyBlock<std::uint16_t>(src, srcRowSamples, w, h, plane, l, out, x0, y0);
    else copyBlock<std::uint8_t>(src, srcRowSamples, w, h, plane, l, out, x0, y0);
}

// Decodes strips or tiles in parallel straight into `out`. False when any read fails.
bool decodeDirect(const std::filesystem::path& path, const TiffLayout& l, ScanBuffer& out) {
    const bool separate = l.planar == PLANARCONFIG_SEPARATE && l.samplesPerPixel > 1;
    const int planes = separate ? out.channels : 1;
    std::atomic<bool> failed{false};
    // Each worker reads through its own handle; libtiff handles are not shared across threads.
    tbb::enumerable_thread_specific<TiffPtr> handles;
    auto myHandle = [&]() -> TIFF* {
        TiffPtr& h = handles.local();
        if (!h) h = openTiff(path);
        return h.get();
    };

    if (!l.tiled) {
        const std::uint32_t rps = l.rowsPerStrip;
        const std::uint32_t bands = (l.height + rps - 1) / rps;
        const bool inPlace = !separate && !l.invert && out.channels == l.samplesPerPixel;
        tbb::enumerable_thread_specific<std::vector<std::uint8_t>> scratch;
        tbb::parallel_for(std::uint32_t{0}, bands, [&](std::uint32_t band) {
            if (failed.load(std::memory_order_relaxed)) return;
            TIFF* tif = myHandle();
            if (!tif) { failed = true; return; }
            const int y0 = static_cast<int>(band * rps);
            const int rows = static_cast<int>(std::min(rps, l.height - band * rps));
            for (int p = 0; p < planes; ++p) {
                const tstrip_t strip = static_cast<tstrip_t>(band + static_cast<std::uint32_t>(p) * bands);
                if (inPlace) {
                    const tmsize_t size = static_cast<tmsize_t>(out.rowBytes() * rows);
                    if (TIFFReadEncodedStrip(tif, strip, out.row(y0), size) != size) { failed = true; return; }
                    continue;
                }
                std::vector<std::uint8_t>& buf = scratch.local();
                buf.resize(static_cast<std::size_t>(TIFFStripSize(tif)));
                const std::size_t rowSamples = static_cast<std::size_t>(l.width) * (separate ? 1 : l.samplesPerPixel);
                const tmsize_t want = static_cast<tmsize_t>(rowSamples * (l.bitsPerSample / 8) * rows);
                if (want > static_cast<tmsize_t>(buf.size()) || TIFFReadEncodedStrip(tif, strip, buf.data(), want) != want) {
                    failed = true;
                    return;
                }
                copyAny(buf.data(), rowSamples, static_cast<int>(l.width), rows, separate ? p : -1, l, out, 0, y0);
            }
        });
    } else {
        const std::uint32_t across = (l.width + l.tileWidth - 1) / l.tileWidth;
        const std::uint32_t down = (l.height + l.tileHeight - 1) / l.tileHeight;
        tbb::enumerable_thread_specific<std::vector<std::uint8_t>> scratch;
        tbb::parallel_for(std::uint32_t{0}, down, [&](std::uint32_t ty) {
            if (failed.load(std::memory_order_relaxed)) return;
            TIFF* tif = myHandle();
            if (!tif) { failed = true; return; }
            std::vector<std::uint8_t>& buf = scratch.local();
            buf.resize(static_cast<std::size_t>(TIFFTileSize(tif)));
            const std::size_t rowSamples = static_cast<std::size_t>(l.tileWidth) * (separate ? 1 : l.samplesPerPixel);
            const tmsize_t want = static_cast<tmsize_t>(rowSamples * (l.bitsPerSample / 8) * l.tileHeight);
            if (want > static_cast<tmsize_t>(buf.size())) { failed = true; return; }
            const std::uint32_t y = ty * l.tileHeight;
            const int rows = static_cast<int>(std::min(l.tileHeight, l.height - y));
            for (std::uint32_t tx = 0; tx < across; ++tx) {
                const std::uint32_t x = tx * l.tileWidth;
                const int cols = static_cast<int>(std::min(l.tileWidth, l.width - x));
                for (int p = 0; p < planes; ++p) {
                    const ttile_t tile = TIFFComputeTile(tif, x, y, 0, static_cast<tsample_t>(p));
                    if (TIFFReadEncodedTile(tif, tile, buf.data(), want) != want) { failed = true; return; }
                    copyAny(buf.data(), rowSamples, cols, rows, separate ? p : -1, l, out, static_cast<int>(x),
                            static_cast<int>(y));
                }
            }
        });
    }
    return !failed.load();
}

// Anything else libtiff understands (palette, YCbCr, CMYK, 1-4 bit...) as 8-bit RGBA.
ScanBuffer decodeRgba(TIFF* tif, const TiffLayout& l) {
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif, message)) return {};
    TIFFRGBAImage image;
    if (!TIFFRGBAImageBegin(&image, tif, 0, message)) return {};
    // Read in stored order; the loader applies the orientation itself.
    image.req_orientation = ORIENTATION_TOPLEFT;
    image.orientation = ORIENTATION_TOPLEFT;
    ScanBuffer out;
    out.width = static_cast<int>(l.width);
    out.height = static_cast<int>(l.height);
    out.channels = 4;
    out.bitDepth = 8;
    out.alphaPremultiplied = true;
    out.allocate();
    auto* raster = reinterpret_cast<std::uint32_t*>(out.pixels.get());
    const int ok = TIFFRGBAImageGet(&image, raster, l.width, l.height);
    const bool hasAlpha = image.alpha != 0;
    TIFFRGBAImageEnd(&image);
    if (!ok) return {};
    const std::size_t count = static_cast<std::size_t>(l.width) * l.height;
    std::uint8_t* bytes = out.pixels.get();
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t v = raster[i];
        const std::uint8_t px[4] = {static_cast<std::uint8_t>(TIFFGetR(v)), static_cast<std::uint8_t>(TIFFGetG(v)),
                                    static_cast<std::uint8_t>(TIFFGetB(v)), static_cast<std::uint8_t>(TIFFGetA(v))};
        if (hasAlpha) std::memcpy(bytes + 4 * i, px, 4);
        else std::memcpy(bytes + 3 * i, px, 3);  // packing forward never overtakes the reads
    }
    if (!hasAlpha) {
        out.channels = 3;
        out.alphaPremultiplied = false;
    }
    return out;
}

}  // namespace

ScanHeader readTiffHeader(const std::filesystem::path& path) {
    TiffPtr tif = openTiff(path);
    if (!tif) throw LoadError(LoadError::kUnreadable, "unreadable TIFF header");
    const TiffLayout l = readLayout(tif.get());
    checkScanSize(l.width, l.height);
    ScanHeader header;
    header.format = ScanFormat::tiff;
    header.storedWidth = static_cast<int>(l.width);
    header.storedHeight = static_cast<int>(l.height);
    header.bitDepth = l.bitsPerSample;
    header.channels = l.samplesPerPixel;
    header.cmyk = l.photometric == PHOTOMETRIC_SEPARATED;
    header.orientation = l.orientation;
    header.iccProfile = readIcc(tif.get());
    return header;
}

ScanBuffer decodeTiff(const std::filesystem::path& path, int& orientation) {
    TiffPtr tif = openTiff(path);
    if (!tif) throw LoadError(LoadError::kUnreadable, "unreadable TIFF header");
    const TiffLayout l = readLayout(tif.get());
    checkScanSize(l.width, l.height);
    orientation = sanitizeOrientation(l.orientation);
    std::vector<std::uint8_t> icc = readIcc(tif.get());

    ScanBuffer out;
    if (l.direct) {
        out.width = static_cast<int>(l.width);
        out.height = static_cast<int>(l.height);
        out.channels = l.outChannels;
        out.bitDepth = l.bitsPerSample;
        out.alphaPremultiplied = l.premultiplied;
        out.allocate();
        if (!decodeDirect(path, l, out)) throw LoadError(LoadError::kUndecodable, "TIFF data unreadable");
    } else {
        if (l.sampleFormat == SAMPLEFORMAT_IEEEFP) throw LoadError(LoadError::kUndecodable, "floating-point TIFF");
        out = decodeRgba(tif.get(), l);
        if (out.empty()) throw LoadError(LoadError::kUndecodable, "unsupported TIFF layout");
        // libtiff made RGB of it; only an RGB profile still describes those pixels.
        if (iccProfileChannels(icc) != 3) icc.clear();
    }
    out.iccProfile = std::move(icc);
    return out;
}

}  // namespace vantrel::detail
