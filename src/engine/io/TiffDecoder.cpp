// TIFF through libtiff. Errors and warnings go to per-handle handlers that stay silent; every
// failed read is seen through libtiff's return values. Strips and tiles are decoded in parallel,
// each worker thread with its own handle on the file, except uncompressed ones already in our
// layout: those are read with pread straight into the pixel store (one copy, from the page
// cache), where libtiff would copy them out of a mapping of the file, faulting in every page.
#include <fcntl.h>
#include <sys/uio.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cmath>
#include <cstring>

#include "engine/io/IccProfile.h"
#include "engine/io/LoadError.h"
#include "engine/io/Orientation.h"
#include "engine/io/ScanDecoderBackends.h"
#include "engine/io/ScanResize.h"

namespace vantrel::detail {

namespace {

struct TiffCloser {
    void operator()(TIFF* t) const { if (t) TIFFClose(t); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

extern "C" int quietTiffHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// `mode` "r" maps the file (for libtiff's decoders), "rm" reads it.
TiffPtr openTiff(const std::filesystem::path& path, const char* mode) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, quietTiffHandler, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quietTiffHandler, nullptr);
    TiffPtr tiff(TIFFOpenExt(path.c_str(), mode, options));
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

// Copies a w x h block of decoded samples to `dest` (rows `destRowBytes` apart), starting at
// column x0. `plane` < 0 means interleaved samples; otherwise the block holds one sample plane.
template <typename T>
void copyBlock(const std::uint8_t* srcBytes, std::size_t srcRowSamples, int w, int h, int plane,
               const TiffLayout& l, std::uint8_t* dest, std::size_t destRowBytes, int x0) {
    const T* src = reinterpret_cast<const T*>(srcBytes);
    const T maxValue = static_cast<T>(l.bitsPerSample == 16 ? 0xFFFF : 0xFF);
    const int outCh = l.outChannels;
    const int spp = l.samplesPerPixel;
    for (int y = 0; y < h; ++y) {
        const T* s = src + srcRowSamples * static_cast<std::size_t>(y);
        T* d = reinterpret_cast<T*>(dest + destRowBytes * static_cast<std::size_t>(y)) + static_cast<std::size_t>(x0) * outCh;
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
             std::uint8_t* dest, std::size_t destRowBytes, int x0) {
    if (l.bitsPerSample == 16) copyBlock<std::uint16_t>(src, srcRowSamples, w, h, plane, l, dest, destRowBytes, x0);
    else copyBlock<std::uint8_t>(src, srcRowSamples, w, h, plane, l, dest, destRowBytes, x0);
}

// The strips or tiles rows [y0, y0 + rows) fall in, one row of them at a time: `band` is its
// index down the image, `top` its first image row and `height` its rows, [a, b) the wanted rows
// it holds, and `out` where row a goes in `dest`. Stops at the first visit that fails.
struct Band {
    int band, top, height, a, b;
    std::uint8_t* out;
};

template <class Visit>
bool forEachBand(const TiffLayout& l, int y0, int rows, std::uint8_t* dest, std::size_t destRowBytes, Visit&& visit) {
    const int y1 = y0 + rows;
    const int unit = static_cast<int>(l.tiled ? l.tileHeight : l.rowsPerStrip);
    for (int band = y0 / unit; band * unit < y1; ++band) {
        const int top = band * unit;
        const int height = std::min(unit, static_cast<int>(l.height) - top);
        const int a = std::max(y0, top), b = std::min(y1, top + height);
        if (!visit(Band{band, top, height, a, b, dest + destRowBytes * static_cast<std::size_t>(a - y0)})) return false;
    }
    return true;
}

// Reads image rows [y0, y0 + rows) into `dest` (packed rows of our layout). False when a
// strip or tile cannot be read.
bool readRows(TIFF* tif, const TiffLayout& l, int y0, int rows, std::uint8_t* dest, std::vector<std::uint8_t>& scratch) {
    const bool separate = l.planar == PLANARCONFIG_SEPARATE && l.samplesPerPixel > 1;
    const int planes = separate ? l.outChannels : 1;
    const std::size_t bytes = l.bitsPerSample / 8;
    const std::size_t destRowBytes = static_cast<std::size_t>(l.width) * l.outChannels * bytes;
    const int perRow = separate ? 1 : l.samplesPerPixel;
    return forEachBand(l, y0, rows, dest, destRowBytes, [&](const Band& s) {
        const int band = s.band, by0 = s.top, bandRows = s.height, a = s.a, b = s.b;
        std::uint8_t* out = s.out;
        if (!l.tiled) {
            const std::size_t rowSamples = static_cast<std::size_t>(l.width) * perRow;
            const tmsize_t want = static_cast<tmsize_t>(rowSamples * bytes * bandRows);
            const std::uint32_t stripsPerPlane = (l.height + l.rowsPerStrip - 1) / l.rowsPerStrip;
            for (int p = 0; p < planes; ++p) {
                const tstrip_t strip = static_cast<tstrip_t>(band + p * stripsPerPlane);
                // Whole strips already in our layout are decoded straight into place.
                if (!separate && !l.invert && l.outChannels == l.samplesPerPixel && a == by0 && b == by0 + bandRows) {
                    if (TIFFReadEncodedStrip(tif, strip, out, want) != want) return false;
                    continue;
                }
                scratch.resize(static_cast<std::size_t>(want));
                if (TIFFReadEncodedStrip(tif, strip, scratch.data(), want) != want) return false;
                copyAny(scratch.data() + rowSamples * bytes * static_cast<std::size_t>(a - by0), rowSamples,
                        static_cast<int>(l.width), b - a, separate ? p : -1, l, out, destRowBytes, 0);
            }
        } else {
            const std::size_t rowSamples = static_cast<std::size_t>(l.tileWidth) * perRow;
            const tmsize_t want = static_cast<tmsize_t>(rowSamples * bytes * l.tileHeight);
            scratch.resize(static_cast<std::size_t>(want));
            for (std::uint32_t x = 0; x < l.width; x += l.tileWidth) {
                const int cols = static_cast<int>(std::min(l.tileWidth, l.width - x));
                for (int p = 0; p < planes; ++p) {
                    const ttile_t tile = TIFFComputeTile(tif, x, static_cast<std::uint32_t>(by0), 0, static_cast<tsample_t>(p));
                    if (TIFFReadEncodedTile(tif, tile, scratch.data(), want) != want) return false;
                    copyAny(scratch.data() + rowSamples * bytes * static_cast<std::size_t>(a - by0), rowSamples, cols,
                            b - a, separate ? p : -1, l, out, destRowBytes, static_cast<int>(x));
                }
            }
        }
        return true;
    });
}

// Where the strips or tiles of an uncompressed file lie, for reading them without libtiff.
struct RawStriles {
    int fd = -1;
    bool swap16 = false;  // 16-bit samples stored in the other byte order
    std::vector<std::uint64_t> offsets, counts;
    RawStriles() = default;
    RawStriles(const RawStriles&) = delete;
    RawStriles& operator=(const RawStriles&) = delete;
    ~RawStriles() {
        if (fd >= 0) ::close(fd);
    }
    // Whether strile `i` exists and holds at least `bytes`, as libtiff requires of it.
    bool holds(std::size_t i, std::uint64_t bytes) const {
        return i < offsets.size() && counts[i] >= bytes && offsets[i] <= std::uint64_t(INT64_MAX) - bytes;
    }
};

// The raw strile table when the file's samples are exactly our layout: uncompressed, one
// plane (or one sample), nothing to invert or drop, bits in the usual order. Else nothing, and
// libtiff reads the file.
std::unique_ptr<RawStriles> rawStriles(TIFF* tif, const TiffLayout& l, std::uint16_t compression,
                                       const std::filesystem::path& path) {
    std::uint16_t fillOrder = FILLORDER_MSB2LSB;
    TIFFGetFieldDefaulted(tif, TIFFTAG_FILLORDER, &fillOrder);
    if (compression != COMPRESSION_NONE || !l.direct || l.invert || l.outChannels != l.samplesPerPixel ||
        (l.planar == PLANARCONFIG_SEPARATE && l.samplesPerPixel > 1) || fillOrder != FILLORDER_MSB2LSB)
        return nullptr;
    auto raw = std::make_unique<RawStriles>();
    raw->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (raw->fd < 0) return nullptr;
    raw->swap16 = l.bitsPerSample == 16 && TIFFIsByteSwapped(tif);
    const std::uint32_t n = l.tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    raw->offsets.resize(n);
    raw->counts.resize(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        raw->offsets[i] = TIFFGetStrileOffset(tif, i);
        raw->counts[i] = TIFFGetStrileByteCount(tif, i);
    }
    return raw;
}

// Fills the `count` buffers of `iov` (changed on the way) from the file at `offset`; false when
// the file ends first or cannot be read.
bool readAt(int fd, iovec* iov, std::size_t count, std::uint64_t offset) {
    while (count > 0) {
        const ssize_t got = ::preadv(fd, iov, static_cast<int>(std::min<std::size_t>(count, IOV_MAX)),
                                     static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        offset += static_cast<std::uint64_t>(got);
        std::size_t left = static_cast<std::size_t>(got);
        while (count > 0 && left >= iov->iov_len) {
            left -= iov->iov_len;
            ++iov;
            --count;
        }
        if (count > 0) {
            iov->iov_base = static_cast<std::uint8_t*>(iov->iov_base) + left;
            iov->iov_len -= left;
        }
    }
    return true;
}

// readRows for a raw file: the rows of a strip are one run of bytes, read into place at once;
// a tile's rows go to their places in one call, its padding past the image's edge into `skip`.
bool readRawRows(const RawStriles& raw, const TiffLayout& l, int y0, int rows, std::uint8_t* dest,
                 std::vector<std::uint8_t>& skip) {
    const std::size_t pixelBytes = static_cast<std::size_t>(l.samplesPerPixel) * (l.bitsPerSample / 8);
    const std::size_t destRowBytes = static_cast<std::size_t>(l.width) * pixelBytes;
    std::vector<iovec> iov;
    return forEachBand(l, y0, rows, dest, destRowBytes, [&](const Band& s) {
        const int band = s.band, by0 = s.top, bandRows = s.height, a = s.a, b = s.b;
        std::uint8_t* out = s.out;
        if (!l.tiled) {
            const auto strip = static_cast<std::size_t>(band);
            if (!raw.holds(strip, destRowBytes * static_cast<std::uint64_t>(bandRows))) return false;
            iov.assign(1, iovec{out, destRowBytes * static_cast<std::size_t>(b - a)});
            if (!readAt(raw.fd, iov.data(), 1, raw.offsets[strip] + destRowBytes * static_cast<std::uint64_t>(a - by0)))
                return false;
        } else {
            const std::size_t tileRowBytes = static_cast<std::size_t>(l.tileWidth) * pixelBytes;
            const std::size_t across = (l.width + l.tileWidth - 1) / l.tileWidth;
            skip.resize(tileRowBytes);
            for (std::size_t column = 0; column < across; ++column) {
                const std::size_t x = column * l.tileWidth;
                const std::size_t tile = static_cast<std::size_t>(band) * across + column;
                if (!raw.holds(tile, tileRowBytes * l.tileHeight)) return false;
                const std::size_t used = std::min<std::size_t>(l.tileWidth, l.width - x) * pixelBytes;
                iov.clear();
                for (int y = a; y < b; ++y) {
                    iov.push_back({out + destRowBytes * static_cast<std::size_t>(y - a) + x * pixelBytes, used});
                    if (used < tileRowBytes && y + 1 < b) iov.push_back({skip.data(), tileRowBytes - used});
                }
                if (!readAt(raw.fd, iov.data(), iov.size(), raw.offsets[tile] + tileRowBytes * static_cast<std::uint64_t>(a - by0)))
                    return false;
            }
        }
        if (raw.swap16)
            TIFFSwabArrayOfShort(reinterpret_cast<std::uint16_t*>(out),
                                 static_cast<tmsize_t>(destRowBytes * static_cast<std::size_t>(b - a) / 2));
        return true;
    });
}

// Reads rows of a direct layout on any worker thread: raw files with pread, others through a
// libtiff handle of the thread's own (libtiff handles are not shared across threads).
class RowReader {
public:
    RowReader(const std::filesystem::path& path, const TiffLayout& layout, const RawStriles* raw)
        : path_(path), layout_(layout), raw_(raw) {}
    bool read(int y0, int rows, std::uint8_t* dest) {
        std::vector<std::uint8_t>& scratch = scratch_.local();
        if (raw_) return readRawRows(*raw_, layout_, y0, rows, dest, scratch);
        TiffPtr& h = handles_.local();
        if (!h) h = openTiff(path_, "r");
        return h && readRows(h.get(), layout_, y0, rows, dest, scratch);
    }

private:
    const std::filesystem::path& path_;
    const TiffLayout& layout_;
    const RawStriles* raw_;
    tbb::enumerable_thread_specific<TiffPtr> handles_;
    tbb::enumerable_thread_specific<std::vector<std::uint8_t>> scratch_;
};

// The whole image, strip by strip (or tile row by tile row) in parallel.
bool decodeDirect(RowReader& reader, const TiffLayout& l, ScanBuffer& out) {
    std::atomic<bool> failed{false};
    const int unit = static_cast<int>(l.tiled ? l.tileHeight : l.rowsPerStrip);
    const int bands = (static_cast<int>(l.height) + unit - 1) / unit;
    tbb::parallel_for(0, bands, [&](int band) {
        if (failed.load(std::memory_order_relaxed)) return;
        const int y0 = band * unit, rows = std::min(unit, static_cast<int>(l.height) - y0);
        if (!reader.read(y0, rows, out.row(y0))) failed = true;
    });
    return !failed.load();
}

// Decoding and area reduction fused: each worker reads the source rows of a band of output rows
// and reduces them at once, so the full-size pixels are never held.
bool decodeDirectReduced(RowReader& reader, const TiffLayout& l, const AreaReducer& reducer, ScanBuffer& out) {
    std::atomic<bool> failed{false};
    const std::size_t sourceRowBytes = static_cast<std::size_t>(l.width) * l.outChannels * (l.bitsPerSample / 8);
    // Bands span at least two strips' worth of source rows, so strips cut at band edges are
    // decoded at most twice.
    const int unit = static_cast<int>(l.tiled ? l.tileHeight : l.rowsPerStrip);
    const double ratio = static_cast<double>(l.height) / reducer.height();
    const int chunk = std::max(4, static_cast<int>(std::ceil(2.0 * unit / ratio)));
    const int chunks = (reducer.height() + chunk - 1) / chunk;
    tbb::enumerable_thread_specific<std::vector<std::uint8_t>> bands;
    tbb::parallel_for(0, chunks, [&](int k) {
        if (failed.load(std::memory_order_relaxed)) return;
        const int y0 = k * chunk, y1 = std::min(reducer.height(), y0 + chunk);
        const int s0 = reducer.firstSourceRow(y0), s1 = reducer.endSourceRow(y1 - 1);
        std::vector<std::uint8_t>& band = bands.local();
        band.resize(sourceRowBytes * static_cast<std::size_t>(s1 - s0));
        if (!reader.read(s0, s1 - s0, band.data())) {
            failed = true;
            return;
        }
        reducer.reduceRows(y0, y1, [&](int sy) { return band.data() + sourceRowBytes * static_cast<std::size_t>(sy - s0); },
                           out.row(y0), out.rowBytes());
    });
    return !failed.load();
}

// Anything else libtiff understands (palette, YCbCr, CMYK, 1-4 bit...) as 8-bit RGBA.
ScanBuffer decodeRgba(TIFF* tif, const TiffLayout& l) {
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif, message)) return {};
    TIFFRGBAImage image;
    // Stop at the first strip or tile that cannot be read: otherwise libtiff carries on and a
    // file of a few bytes "decodes" to megapixels of nothing.
    if (!TIFFRGBAImageBegin(&image, tif, 1, message)) return {};
    // Read in stored order; the loader applies the orientation itself.
    image.req_orientation = ORIENTATION_TOPLEFT;
    image.orientation = ORIENTATION_TOPLEFT;
    ScanBuffer out = ScanBuffer::allocated(static_cast<int>(l.width), static_cast<int>(l.height), 4, 8, true);
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

// The most bytes one byte of coded data can become under the compression scheme. Fax codes
// spend at least a bit on a row of up to 131072 one-bit pixels; schemes without a tight bound
// (zstd, lzma...) get one far beyond anything a real scan reaches.
std::uint64_t maxExpansion(std::uint16_t compression) {
    switch (compression) {
        case COMPRESSION_NONE: return 1;
        case COMPRESSION_PACKBITS: return 64;  // 2 bytes make at most 128
        case COMPRESSION_DEFLATE: case COMPRESSION_ADOBE_DEFLATE: return 1032;
        case COMPRESSION_LZW: return 4096;     // a 9-bit code makes a string of at most 4096 bytes
        case COMPRESSION_JPEG: case COMPRESSION_OJPEG: return 4096;  // 8 x 8 pixels of 4 x 16 bits per bit
        case COMPRESSION_CCITTRLE: case COMPRESSION_CCITTRLEW: case COMPRESSION_CCITTFAX3:
        case COMPRESSION_CCITTFAX4: case COMPRESSION_JBIG: return 131072;
        default: return 32768;
    }
}

// Whether the file's strips or tiles hold enough coded bytes for the pixels the header
// announces; tiles decode whole, however far they reach past the image. A cut or forged header
// fails here, before the pixel store or a tile buffer is allocated; data shared between strips
// counts once (the file's size caps the sum).
bool dataCanHoldPixels(TIFF* tif, const TiffLayout& l, std::uint16_t compression, std::uint64_t fileSize) {
    const std::uint64_t expansion = maxExpansion(compression);
    const std::uint64_t rowBytes = (std::uint64_t{l.width} * l.samplesPerPixel * l.bitsPerSample + 7) / 8;
    std::uint64_t needed = rowBytes * l.height;
    const std::uint32_t striles = l.tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    if (l.tiled) {
        const std::uint64_t tileBytes = TIFFTileSize64(tif);
        if (tileBytes == 0) return false;  // beyond what libtiff can size
        needed = striles > UINT64_MAX / tileBytes ? UINT64_MAX : std::max(needed, striles * tileBytes);
    }
    std::uint64_t coded = 0;
    for (std::uint32_t i = 0; i < striles && coded < fileSize; ++i)
        coded += std::min(TIFFGetStrileByteCount(tif, i), fileSize);  // a forged count cannot wrap the sum
    return std::min(coded, fileSize) * expansion >= needed;
}

}  // namespace

ScanHeader readTiffHeader(const std::filesystem::path& path) {
    TiffPtr tif = openTiff(path, "rm");
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

ScanBuffer decodeTiff(const std::filesystem::path& path, int maxLongEdge, int& orientation) {
    TiffPtr tif = openTiff(path, "rm");
    if (!tif) throw LoadError(LoadError::kUnreadable, "unreadable TIFF header");
    const TiffLayout l = readLayout(tif.get());
    checkScanSize(l.width, l.height);
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_COMPRESSION, &compression);
    // Checked before anything is allocated for the pixels: no strip could be read anyway.
    if (!TIFFIsCODECConfigured(compression)) throw LoadError(LoadError::kUndecodable, "unsupported TIFF compression");
    std::error_code sizeError;
    const std::uintmax_t fileSize = std::filesystem::file_size(path, sizeError);
    if (!sizeError && !dataCanHoldPixels(tif.get(), l, compression, fileSize))
        throw LoadError(LoadError::kUndecodable, "TIFF data too short for the announced size");
    orientation = sanitizeOrientation(l.orientation);
    std::vector<std::uint8_t> icc = readIcc(tif.get());

    ScanBuffer out;
    if (l.direct) {
        const PixelSize size = fitLongEdge(static_cast<int>(l.width), static_cast<int>(l.height), maxLongEdge);
        const bool reduce = maxLongEdge > 0 && (size.width != static_cast<int>(l.width) || size.height != static_cast<int>(l.height));
        out.width = size.width;
        out.height = size.height;
        out.channels = l.outChannels;
        out.bitDepth = l.bitsPerSample;
        out.alphaPremultiplied = l.premultiplied;
        out.allocate();
        const std::unique_ptr<RawStriles> raw = rawStriles(tif.get(), l, compression, path);
        RowReader reader(path, l, raw.get());
        const bool ok = reduce ? decodeDirectReduced(reader, l,
                                                     AreaReducer(static_cast<int>(l.width), static_cast<int>(l.height),
                                                                 size.width, size.height, l.outChannels, l.bitsPerSample),
                                                     out)
                               : decodeDirect(reader, l, out);
        if (!ok) throw LoadError(LoadError::kUndecodable, "TIFF data unreadable");
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
