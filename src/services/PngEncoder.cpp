#include "services/ImageEncoder.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

#include "services/ExportError.h"

namespace vantrel {
namespace {

// libpng reports errors through the error function, which must not return: it jumps back to
// the setjmp of the call in progress, and the message is thrown from there.
struct State {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ExportFile* file = nullptr;
    char message[256] = {};
    int width = 0;
    int height = 0;
    int row = 0;
    std::vector<png_bytep> rowPointers;

    ~State() {
        if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    }
};

void pngError(png_structp png, png_const_charp text) {
    auto* s = static_cast<State*>(png_get_error_ptr(png));
    std::snprintf(s->message, sizeof s->message, "%s", text ? text : "unknown error");
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

void pngWrite(png_structp png, png_bytep data, png_size_t size) {
    auto* s = static_cast<State*>(png_get_io_ptr(png));
    if (!s->file->write(data, size)) png_error(png, "write failed");
}

void pngFlush(png_structp) {}

[[noreturn]] void throwPngError(const State& s) {
    if (s.file && s.file->failed()) s.file->throwFailure();
    throw ExportError("libpng", -1, std::string("PNG encoder: ") + s.message);
}

// The library calls of each step, in plain functions with no objects to destroy, so the long
// jump back from an error skips nothing. Each returns false when libpng failed.
bool writeHeader(State* s, const std::vector<std::uint8_t>* icc, const char* profileName) {
    if (setjmp(png_jmpbuf(s->png))) return false;
    png_set_write_fn(s->png, s, pngWrite, pngFlush);
    png_set_IHDR(s->png, s->info, png_uint_32(s->width), png_uint_32(s->height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    if (icc && !icc->empty())
        png_set_iCCP(s->png, s->info, profileName, PNG_COMPRESSION_TYPE_BASE, icc->data(), png_uint_32(icc->size()));
    png_write_info(s->png, s->info);
    png_set_filler(s->png, 0, PNG_FILLER_AFTER);  // rows arrive as RGBA; the fourth byte is dropped
    return true;
}

bool writeRowsOf(State* s, png_bytepp rows, int count) {
    if (setjmp(png_jmpbuf(s->png))) return false;
    png_write_rows(s->png, rows, png_uint_32(count));
    return true;
}

bool writeEnd(State* s) {
    if (setjmp(png_jmpbuf(s->png))) return false;
    png_write_end(s->png, s->info);
    return true;
}

// 8-bit RGB through libpng, with the default zlib compression.
class PngEncoder final : public ImageEncoder {
public:
    PixelFormat inputFormat() const override { return PixelFormat::rgba8; }
    void start(ExportFile& file, const EncodeTarget& target) override;
    void writeRows(const void* data, std::size_t rowBytes, int rows) override;
    void finish() override;

private:
    State s_;  // libpng holds its address: the encoder is never moved
};

void PngEncoder::start(ExportFile& file, const EncodeTarget& target) {
    State& s = s_;
    s.file = &file;
    s.width = target.width;
    s.height = target.height;
    s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &s, pngError, pngWarning);
    if (s.png) s.info = png_create_info_struct(s.png);
    if (!s.png || !s.info) throw ExportError("libpng", -1, "PNG encoder: out of memory");
    // The iCCP chunk names the profile: its description.
    const char* name = target.profileName.empty() ? "ICC profile" : target.profileName.c_str();
    if (!writeHeader(&s, target.iccProfile, name)) throwPngError(s);
}

void PngEncoder::writeRows(const void* data, std::size_t rowBytes, int rows) {
    State& s = s_;
    rows = std::min(rows, s.height - s.row);
    if (rows <= 0) return;
    s.rowPointers.resize(std::size_t(rows));
    auto* base = static_cast<png_bytep>(const_cast<void*>(data));
    for (int i = 0; i < rows; ++i) s.rowPointers[std::size_t(i)] = base + std::size_t(i) * rowBytes;
    if (!writeRowsOf(&s, s.rowPointers.data(), rows)) throwPngError(s);
    s.row += rows;
}

void PngEncoder::finish() {
    State& s = s_;
    if (s.row != s.height) throw ExportError("libpng", -1, "PNG encoder: the image ended early");
    if (!writeEnd(&s)) throwPngError(s);
}

}  // namespace

std::unique_ptr<ImageEncoder> makePngEncoder() { return std::make_unique<PngEncoder>(); }

}  // namespace vantrel
