#include "services/ImageEncoder.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "services/ExportError.h"

namespace vantrel {
namespace {

struct State {
    TIFF* tiff = nullptr;
    ExportFile* file = nullptr;
    std::string message;
    int width = 0;
    int height = 0;
    std::uint32_t row = 0;
    std::vector<std::uint16_t> packed;  // one row of RGB samples

    ~State() {
        if (tiff) TIFFCleanup(tiff);  // frees without writing: the file is abandoned or done
    }
};

// libtiff's errors are collected per file (never printed, never fatal) and thrown afterwards.
int tiffErrorHandler(TIFF*, void* user, const char* module, const char* format, va_list args) {
    auto* s = static_cast<State*>(user);
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    if (s->message.empty()) s->message = (module && *module) ? std::string(module) + ": " + text : std::string(text);
    return 1;
}

int tiffWarningHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

ExportFile& fileOf(thandle_t h) { return *static_cast<ExportFile*>(h); }

tmsize_t tiffRead(thandle_t h, void* data, tmsize_t size) {
    return tmsize_t(fileOf(h).read(data, std::size_t(size)));
}
tmsize_t tiffWrite(thandle_t h, void* data, tmsize_t size) {
    return fileOf(h).write(data, std::size_t(size)) ? size : tmsize_t(-1);
}
toff_t tiffSeek(thandle_t h, toff_t offset, int whence) {
    const auto at = fileOf(h).seek(std::int64_t(offset), whence);
    return at < 0 ? toff_t(-1) : toff_t(at);
}
int tiffClose(thandle_t) { return 0; }  // the ExportFile closes itself
toff_t tiffSize(thandle_t h) {
    const auto n = fileOf(h).size();
    return n < 0 ? 0 : toff_t(n);
}

[[noreturn]] void throwTiffError(const State& s, const char* fallback) {
    if (s.file && s.file->failed()) s.file->throwFailure();
    throw ExportError("libtiff", -1, "TIFF encoder: " + (s.message.empty() ? std::string(fallback) : s.message));
}

// 16-bit RGB through libtiff: uncompressed, contiguous samples, strips of about 1 MB; BigTIFF
// when the pixels alone would pass the classic format's 4 GB limit.
class TiffEncoder final : public ImageEncoder {
public:
    PixelFormat inputFormat() const override { return PixelFormat::rgba16; }
    void start(ExportFile& file, const EncodeTarget& target) override;
    void writeRows(const void* data, std::size_t rowBytes, int rows) override;
    void finish() override;

private:
    State s_;  // libtiff's error handler holds its address: the encoder is never moved
};

void TiffEncoder::start(ExportFile& file, const EncodeTarget& target) {
    State& s = s_;
    s.file = &file;
    s.width = target.width;
    s.height = target.height;
    const double pixelBytes = double(target.width) * double(target.height) * 6.0;
    const char* mode = pixelBytes > 3.9e9 ? "w8" : "w";

    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, tiffErrorHandler, &s);
    TIFFOpenOptionsSetWarningHandlerExtR(options, tiffWarningHandler, &s);
    s.tiff = TIFFClientOpenExt(file.destination().c_str(), mode, &file, tiffRead, tiffWrite, tiffSeek, tiffClose,
                               tiffSize, nullptr, nullptr, options);
    TIFFOpenOptionsFree(options);
    if (!s.tiff) throwTiffError(s, "could not start the file");

    const std::size_t rowBytes = std::size_t(target.width) * 6;
    const auto rowsPerStrip = std::uint32_t(std::clamp<std::size_t>((1u << 20) / std::max<std::size_t>(rowBytes, 1), 1,
                                                                     std::size_t(target.height)));
    bool ok = TIFFSetField(s.tiff, TIFFTAG_IMAGEWIDTH, std::uint32_t(target.width)) &&
              TIFFSetField(s.tiff, TIFFTAG_IMAGELENGTH, std::uint32_t(target.height)) &&
              TIFFSetField(s.tiff, TIFFTAG_BITSPERSAMPLE, 16) && TIFFSetField(s.tiff, TIFFTAG_SAMPLESPERPIXEL, 3) &&
              TIFFSetField(s.tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
              TIFFSetField(s.tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(s.tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE) &&
              TIFFSetField(s.tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
              TIFFSetField(s.tiff, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    if (ok && target.iccProfile && !target.iccProfile->empty())
        ok = TIFFSetField(s.tiff, TIFFTAG_ICCPROFILE, std::uint32_t(target.iccProfile->size()),
                          target.iccProfile->data());
    if (!ok) throwTiffError(s, "could not write the header");
    s.packed.resize(std::size_t(target.width) * 3);
}

void TiffEncoder::writeRows(const void* data, std::size_t rowBytes, int rows) {
    State& s = s_;
    const auto* base = static_cast<const std::uint8_t*>(data);
    for (int r = 0; r < rows && s.row < std::uint32_t(s.height); ++r) {
        const auto* in = reinterpret_cast<const std::uint16_t*>(base + std::size_t(r) * rowBytes);
        std::uint16_t* out = s.packed.data();
        for (int x = 0; x < s.width; ++x, in += 4, out += 3) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
        }
        if (TIFFWriteScanline(s.tiff, s.packed.data(), s.row, 0) < 0) throwTiffError(s, "could not write the pixels");
        ++s.row;
    }
}

void TiffEncoder::finish() {
    State& s = s_;
    if (s.row != std::uint32_t(s.height)) throwTiffError(s, "the image ended early");
    if (!TIFFWriteDirectory(s.tiff) || !TIFFFlush(s.tiff)) throwTiffError(s, "could not complete the file");
    TIFFCleanup(s.tiff);
    s.tiff = nullptr;
    if (s.file->failed()) s.file->throwFailure();
}

}  // namespace

std::unique_ptr<ImageEncoder> makeTiffEncoder() { return std::make_unique<TiffEncoder>(); }

}  // namespace vantrel
