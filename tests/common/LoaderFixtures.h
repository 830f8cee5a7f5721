#pragma once
// Scan files for the loader tests, written with the same libraries the loader reads them with.
#include <exiv2/exiv2.hpp>
#include <jpeglib.h>
#include <lcms2.h>
#include <png.h>
#include <tiffio.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace vantrel::testing {

// A fresh folder under the system's temporary folder, removed with its contents at the end.
class TempDir {
public:
    TempDir() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("vantrel-loader-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Sample c of pixel (x, y) at full scale `maxValue`; asymmetric so flips and turns show.
inline std::uint32_t patternSample(int x, int y, int c, int w, int h, std::uint32_t maxValue) {
    const double fx = w > 1 ? static_cast<double>(x) / (w - 1) : 0.0;
    const double fy = h > 1 ? static_cast<double>(y) / (h - 1) : 0.0;
    double v = 0;
    switch (c) {
        case 0: v = fx; break;
        case 1: v = fy; break;
        case 2: v = 0.25 + 0.5 * fx * fy; break;
        default: v = 1.0 - 0.5 * fx; break;  // alpha
    }
    return static_cast<std::uint32_t>(v * maxValue + 0.5);
}

inline std::vector<std::uint8_t> iccBytes(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<std::uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    return bytes;
}

inline void setDescription(cmsHPROFILE profile, const std::string& name) {
    cmsMLU* mlu = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(mlu, "en", "US", name.c_str());
    cmsWriteTag(profile, cmsSigProfileDescriptionTag, mlu);
    cmsMLUfree(mlu);
}

// An RGB matrix/curve profile with Display P3 primaries under the given name.
inline std::vector<std::uint8_t> displayP3Profile(const std::string& name) {
    cmsCIExyY white = {0.3127, 0.3290, 1.0};
    cmsCIExyYTRIPLE primaries = {{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
    cmsFloat64Number params[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, params);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE p = cmsCreateRGBProfile(&white, &primaries, curves);
    setDescription(p, name);
    auto bytes = iccBytes(p);
    cmsCloseProfile(p);
    cmsFreeToneCurve(curve);
    return bytes;
}

inline std::vector<std::uint8_t> greyProfile(const std::string& name) {
    cmsToneCurve* curve = cmsBuildGamma(nullptr, 2.2);
    cmsHPROFILE p = cmsCreateGrayProfile(cmsD50_xyY(), curve);
    setDescription(p, name);
    auto bytes = iccBytes(p);
    cmsCloseProfile(p);
    cmsFreeToneCurve(curve);
    return bytes;
}

// A CMYK profile whose table maps ink naively: red = (1 - c)(1 - k) in sRGB, and so on.
inline std::vector<std::uint8_t> cmykProfile(const std::string& name) {
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM toLab = cmsCreateTransform(srgb, TYPE_RGB_DBL, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
    cmsHPROFILE p = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(p, 2.1);
    cmsSetDeviceClass(p, cmsSigOutputClass);
    cmsSetColorSpace(p, cmsSigCmykData);
    cmsSetPCS(p, cmsSigLabData);
    cmsPipeline* lut = cmsPipelineAlloc(nullptr, 4, 3);
    cmsStage* clut = cmsStageAllocCLut16bit(nullptr, 5, 4, 3, nullptr);
    cmsStageSampleCLut16bit(
        clut,
        [](const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) -> cmsInt32Number {
            const double c = in[0] / 65535.0, m = in[1] / 65535.0, y = in[2] / 65535.0, k = in[3] / 65535.0;
            const double rgb[3] = {(1 - c) * (1 - k), (1 - m) * (1 - k), (1 - y) * (1 - k)};
            cmsCIELab labValue;
            cmsDoTransform(static_cast<cmsHTRANSFORM>(cargo), rgb, &labValue, 1);
            cmsFloat2LabEncoded(out, &labValue);
            return TRUE;
        },
        toLab, 0);
    cmsPipelineInsertStage(lut, cmsAT_BEGIN, clut);
    cmsWriteTag(p, cmsSigAToB0Tag, lut);
    cmsWriteTag(p, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    setDescription(p, name);
    auto bytes = iccBytes(p);
    cmsPipelineFree(lut);
    cmsCloseProfile(p);
    cmsDeleteTransform(toLab);
    cmsCloseProfile(lab);
    cmsCloseProfile(srgb);
    return bytes;
}

struct JpegFixture {
    int width = 64, height = 48;
    int components = 3;   // 1 grey, 3 RGB, 4 CMYK (stored inverted, Adobe style)
    int quality = 95;
    std::vector<std::uint8_t> icc;
    // Optional content; defaults to the asymmetric pattern.
    std::function<std::uint8_t(int x, int y, int c)> sample;
    bool noise = false;  // add texture, so sizes and decode times are realistic
    bool adobeMarker = true;  // CMYK: without it the samples are ink amounts (255 = full ink)
};

inline void writeJpeg(const std::filesystem::path& path, const JpegFixture& fixture) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(fixture.width);
    cinfo.image_height = static_cast<JDIMENSION>(fixture.height);
    cinfo.input_components = fixture.components;
    cinfo.in_color_space = fixture.components == 1 ? JCS_GRAYSCALE : fixture.components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    if (fixture.components == 4) cinfo.write_Adobe_marker = fixture.adobeMarker ? TRUE : FALSE;
    jpeg_set_quality(&cinfo, fixture.quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    if (!fixture.icc.empty())
        jpeg_write_icc_profile(&cinfo, fixture.icc.data(), static_cast<unsigned int>(fixture.icc.size()));
    std::vector<std::uint8_t> row(static_cast<std::size_t>(fixture.width) * fixture.components);
    std::mt19937 random(7);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < fixture.width; ++x)
            for (int c = 0; c < fixture.components; ++c) {
                int v = fixture.sample ? fixture.sample(x, y, c)
                                    : static_cast<int>(patternSample(x, y, c, fixture.width, fixture.height, 255));
                if (fixture.noise) v = std::clamp(v + static_cast<int>(random() % 41) - 20, 0, 255);
                row[static_cast<std::size_t>(x) * fixture.components + c] = static_cast<std::uint8_t>(v);
            }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(file);
}

struct TiffFixture {
    int width = 37, height = 23;
    int samples = 3;          // 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA
    int bits = 8;
    int compression = COMPRESSION_NONE;
    bool tiled = false;
    bool planar = false;
    bool predictor = false;   // horizontal differencing (with LZW / Deflate)
    int rowsPerStrip = 5;
    int tileSize = 16;
    int orientation = 0;      // 0: no tag
    bool minIsWhite = false;
    bool bigEndian = false;   // samples stored most significant byte first
    std::vector<std::uint8_t> icc;
    std::string make, model, dateTime;
};

inline void writeTiff(const std::filesystem::path& path, const TiffFixture& s) {
    TIFF* tif = TIFFOpen(path.c_str(), s.bigEndian ? "wb" : "wl");
    const int grey = s.samples <= 2;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, s.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, s.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, s.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, s.samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                 grey ? (s.minIsWhite ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK) : PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, s.planar ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, s.compression);
    if (s.predictor) TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    if (s.samples == 2 || s.samples == 4) {
        std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    if (s.orientation) TIFFSetField(tif, TIFFTAG_ORIENTATION, s.orientation);
    if (!s.icc.empty()) TIFFSetField(tif, TIFFTAG_ICCPROFILE, static_cast<std::uint32_t>(s.icc.size()), s.icc.data());
    if (!s.make.empty()) TIFFSetField(tif, TIFFTAG_MAKE, s.make.c_str());
    if (!s.model.empty()) TIFFSetField(tif, TIFFTAG_MODEL, s.model.c_str());
    if (!s.dateTime.empty()) TIFFSetField(tif, TIFFTAG_DATETIME, s.dateTime.c_str());
    const std::uint32_t maxValue = s.bits == 16 ? 65535 : 255;
    const int bytes = s.bits / 8;
    auto put = [&](std::uint8_t* dst, std::uint32_t v) {
        if (bytes == 2) { const std::uint16_t w = static_cast<std::uint16_t>(v); std::memcpy(dst, &w, 2); }
        else *dst = static_cast<std::uint8_t>(v);
    };
    auto value = [&](int x, int y, int c) {
        // Grey files carry the first pattern channel; the alpha stays the pattern's alpha.
        const int pc = grey ? (c == 0 ? 0 : 3) : c;
        return patternSample(x, y, pc, s.width, s.height, maxValue);
    };
    const int planes = s.planar ? s.samples : 1;
    const int perPixel = s.planar ? 1 : s.samples;
    if (!s.tiled) {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, s.rowsPerStrip);
        const int strips = (s.height + s.rowsPerStrip - 1) / s.rowsPerStrip;
        for (int p = 0; p < planes; ++p)
            for (int k = 0; k < strips; ++k) {
                const int y0 = k * s.rowsPerStrip, rows = std::min(s.rowsPerStrip, s.height - y0);
                std::vector<std::uint8_t> buf(static_cast<std::size_t>(s.width) * perPixel * bytes * rows);
                for (int y = 0; y < rows; ++y)
                    for (int x = 0; x < s.width; ++x)
                        for (int c = 0; c < perPixel; ++c)
                            put(&buf[((static_cast<std::size_t>(y) * s.width + x) * perPixel + c) * bytes],
                                value(x, y0 + y, s.planar ? p : c));
                TIFFWriteEncodedStrip(tif, static_cast<tstrip_t>(p * strips + k), buf.data(),
                                      static_cast<tmsize_t>(buf.size()));
            }
    } else {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, s.tileSize);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, s.tileSize);
        std::vector<std::uint8_t> buf(static_cast<std::size_t>(TIFFTileSize(tif)));
        for (int p = 0; p < planes; ++p)
            for (int ty = 0; ty < s.height; ty += s.tileSize)
                for (int tx = 0; tx < s.width; tx += s.tileSize) {
                    std::fill(buf.begin(), buf.end(), 0);
                    for (int y = 0; y < s.tileSize && ty + y < s.height; ++y)
                        for (int x = 0; x < s.tileSize && tx + x < s.width; ++x)
                            for (int c = 0; c < perPixel; ++c)
                                put(&buf[((static_cast<std::size_t>(y) * s.tileSize + x) * perPixel + c) * bytes],
                                    value(tx + x, ty + y, s.planar ? p : c));
                    TIFFWriteTile(tif, buf.data(), static_cast<std::uint32_t>(tx), static_cast<std::uint32_t>(ty), 0,
                                  static_cast<tsample_t>(p));
                }
    }
    TIFFClose(tif);
}

struct PngFixture {
    int width = 29, height = 17;
    int colourType = PNG_COLOR_TYPE_RGB;
    int bits = 8;
    bool interlaced = false;
    bool transparentPaletteEntry = false;
    std::vector<std::uint8_t> icc;
    std::vector<std::uint8_t> exif;  // eXIf chunk (a TIFF-structured block)
};

inline void writePng(const std::filesystem::path& path, const PngFixture& s) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(s.width), static_cast<png_uint_32>(s.height), s.bits,
                 s.colourType, s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (s.colourType == PNG_COLOR_TYPE_PALETTE) {
        png_color palette[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
        png_set_PLTE(png, info, palette, 4);
        if (s.transparentPaletteEntry) {
            png_byte alpha[4] = {255, 255, 255, 0};
            png_set_tRNS(png, info, alpha, 4, nullptr);
        }
    }
    if (!s.icc.empty())
        png_set_iCCP(png, info, "icc", PNG_COMPRESSION_TYPE_BASE, s.icc.data(), static_cast<png_uint_32>(s.icc.size()));
    if (!s.exif.empty()) png_set_eXIf_1(png, info, static_cast<png_uint_32>(s.exif.size()),
                                        const_cast<png_bytep>(s.exif.data()));
    png_write_info(png, info);
    if (s.bits == 16) png_set_swap(png);
    const int channels = png_get_channels(png, info);
    const int bytes = s.bits == 16 ? 2 : 1;
    const std::uint32_t maxValue = (1u << s.bits) - 1;
    std::vector<std::vector<std::uint8_t>> rows(static_cast<std::size_t>(s.height));
    const bool grey = s.colourType == PNG_COLOR_TYPE_GRAY || s.colourType == PNG_COLOR_TYPE_GRAY_ALPHA;
    for (int y = 0; y < s.height; ++y) {
        auto& row = rows[static_cast<std::size_t>(y)];
        row.assign(png_get_rowbytes(png, info), 0);
        for (int x = 0; x < s.width; ++x) {
            if (s.colourType == PNG_COLOR_TYPE_PALETTE) {
                row[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>((x + y) % 4);
                continue;
            }
            if (s.bits < 8) {  // low-bit grey: pack pixels into bytes, most significant first
                const std::uint32_t v = patternSample(x, y, 0, s.width, s.height, maxValue);
                const int bit = x * s.bits;
                row[static_cast<std::size_t>(bit / 8)] |= static_cast<std::uint8_t>(v << (8 - s.bits - bit % 8));
                continue;
            }
            for (int c = 0; c < channels; ++c) {
                const int pc = grey ? (c == 0 ? 0 : 3) : c;
                const std::uint32_t v = patternSample(x, y, pc, s.width, s.height, maxValue);
                std::uint8_t* dst = &row[(static_cast<std::size_t>(x) * channels + c) * bytes];
                if (bytes == 2) { const std::uint16_t w = static_cast<std::uint16_t>(v); std::memcpy(dst, &w, 2); }
                else *dst = static_cast<std::uint8_t>(v);
            }
        }
    }
    std::vector<png_bytep> pointers;
    for (auto& r : rows) pointers.push_back(r.data());
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

// An EXIF block (TIFF structure, little-endian) holding only an orientation tag.
inline std::vector<std::uint8_t> exifWithOrientation(int orientation) {
    return {'I', 'I', 42, 0, 8, 0, 0, 0,  // header, IFD0 at 8
            1, 0,                         // one entry
            0x12, 0x01, 3, 0, 1, 0, 0, 0, static_cast<std::uint8_t>(orientation), 0, 0, 0,
            0, 0, 0, 0};                  // no next IFD
}

// Writes EXIF fields with Exiv2 into an existing file; values are Exiv2's text forms
// ("1/60" for rationals, "400 800" for lists).
inline void writeExif(const std::filesystem::path& path,
                      const std::vector<std::tuple<std::string, Exiv2::TypeId, std::string>>& fields) {
    auto image = Exiv2::ImageFactory::open(path.string());
    image->readMetadata();
    Exiv2::ExifData exif = image->exifData();
    for (const auto& [key, type, text] : fields) {
        Exiv2::Value::AutoPtr value = Exiv2::Value::create(type);
        value->read(text);
        exif.add(Exiv2::ExifKey(key), value.get());
    }
    image->setExifData(exif);
    image->writeMetadata();
}

// An uncompressed 8-bit RGB TIFF with its directory before the pixels, as many scanners write
// it (libtiff puts the directory last), so a cut copy keeps its header.
inline std::string directoryFirstTiff(int w, int h) {
    std::string b;
    auto u16 = [&](unsigned v) { b.push_back(static_cast<char>(v & 0xFF)); b.push_back(static_cast<char>(v >> 8)); };
    auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    auto entry = [&](unsigned tag, unsigned type, std::uint32_t count, std::uint32_t value) {
        u16(tag); u16(type); u32(count);
        if (type == 3 && count == 1) { u16(value); u16(0); } else u32(value);
    };
    b += "II";
    u16(42);
    u32(8);
    u16(9);
    const std::uint32_t bpsAt = 8 + 2 + 9 * 12 + 4, dataAt = bpsAt + 6;
    entry(256, 4, 1, static_cast<std::uint32_t>(w));
    entry(257, 4, 1, static_cast<std::uint32_t>(h));
    entry(258, 3, 3, bpsAt);
    entry(259, 3, 1, 1);
    entry(262, 3, 1, 2);
    entry(273, 4, 1, dataAt);
    entry(277, 3, 1, 3);
    entry(278, 4, 1, static_cast<std::uint32_t>(h));
    entry(279, 4, 1, static_cast<std::uint32_t>(w * h * 3));
    u32(0);
    u16(8); u16(8); u16(8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) b.push_back(static_cast<char>(patternSample(x, y, c, w, h, 255)));
    return b;
}

inline void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The first half of a file, as an interrupted copy leaves it.
inline void truncateCopy(const std::filesystem::path& from, const std::filesystem::path& to, double keep = 0.5) {
    const std::string bytes = readBytes(from);
    writeBytes(to, bytes.substr(0, static_cast<std::size_t>(bytes.size() * keep)));
}

inline int openFileCount() {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

}  // namespace vantrel::testing
