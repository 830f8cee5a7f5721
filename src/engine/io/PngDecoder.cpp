// PNG through libpng. libpng's error callback must not return: ours longjmps back into the small
// stage functions below, which hold no C++ objects; the session's destructor frees libpng.
#include <png.h>
#include <sys/stat.h>

#include <bit>
#include <csetjmp>
#include <cstring>

#include "engine/io/LoadError.h"
#include "engine/io/Orientation.h"
#include "engine/io/ScanDecoderBackends.h"

namespace vantrel::detail {

namespace {

extern "C" void pngError(png_structp png, png_const_charp) { std::longjmp(png_jmpbuf(png), 1); }
extern "C" void pngWarning(png_structp, png_const_charp) {}

struct PngSession {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngSession() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

bool readInfoStage(PngSession& s, std::FILE* file) {
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    if (!s.png) return false;
    s.info = png_create_info_struct(s.png);
    if (!s.info) return false;
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_init_io(s.png, file);
    png_read_info(s.png, s.info);
    return true;
}

// Expands every layout to 8- or 16-bit grey, grey + alpha, RGB or RGBA; false on a libpng error.
bool prepareStage(PngSession& s) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    const int colourType = png_get_color_type(s.png, s.info);
    const int depth = png_get_bit_depth(s.png, s.info);
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(s.png);
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(s.png);
    if (png_get_valid(s.png, s.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(s.png);
    if (depth == 16 && std::endian::native == std::endian::little) png_set_swap(s.png);
    png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    return true;
}

bool readRowsStage(PngSession& s, png_bytepp rows) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_read_image(s.png, rows);
    png_read_end(s.png, nullptr);
    return true;
}

enum class ChunkWalk { fits, overrunBeforeImageData, overrunAfterImageData };

// libpng allocates an ancillary chunk (eXIf, tEXt...) at the length its header claims, up to
// 2 GB, before it finds the file too short. So every chunk but the image data, which libpng
// streams, must fit in what is left of the file. Leaves the file at its start.
ChunkWalk walkChunks(std::FILE* file) {
    struct stat info {};
    if (fstat(fileno(file), &info) != 0) return ChunkWalk::fits;  // libpng finds out on its own
    const std::uint64_t size = static_cast<std::uint64_t>(info.st_size);
    ChunkWalk result = ChunkWalk::fits;
    bool seenImageData = false;
    for (std::uint64_t at = 8; at + 8 <= size;) {
        unsigned char header[8];
        if (std::fseek(file, static_cast<long>(at), SEEK_SET) != 0 || std::fread(header, 1, 8, file) != 8) break;
        const std::uint64_t length = png_get_uint_32(header);
        const bool imageData = std::memcmp(header + 4, "IDAT", 4) == 0;
        seenImageData = seenImageData || imageData;
        if (!imageData && at + 12 + length > size) {
            result = seenImageData ? ChunkWalk::overrunAfterImageData : ChunkWalk::overrunBeforeImageData;
            break;
        }
        if (std::memcmp(header + 4, "IEND", 4) == 0) break;
        at += 12 + length;
    }
    std::rewind(file);
    return result;
}

// Reads the header; with `wholeFile`, also refuses chunks past the image data that would not
// fit (those are read after the pixels).
void openSession(PngSession& s, std::FILE* file, bool wholeFile) {
    const ChunkWalk walk = walkChunks(file);
    if (walk == ChunkWalk::overrunBeforeImageData || !readInfoStage(s, file))
        throw LoadError(LoadError::kUnreadable, "unreadable PNG header");
    checkScanSize(png_get_image_width(s.png, s.info), png_get_image_height(s.png, s.info));
    if (wholeFile && walk == ChunkWalk::overrunAfterImageData)
        throw LoadError(LoadError::kUndecodable, "truncated or corrupt PNG data");
}

std::vector<std::uint8_t> iccBytes(const PngSession& s) {
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    if (png_get_iCCP(s.png, s.info, &name, &compression, &profile, &length) && profile && length > 0)
        return {profile, profile + length};
    return {};
}

int exifOrientation(const PngSession& s) {
    png_uint_32 size = 0;
    png_bytep exif = nullptr;
    if (png_get_eXIf_1(s.png, s.info, &size, &exif) && exif) return orientationFromExif(exif, size);
    return 1;
}

FilePtr openFile(const std::filesystem::path& path) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) throw LoadError(LoadError::kUnreadable, "cannot open file");
    return file;
}

}  // namespace

ScanHeader readPngHeader(const std::filesystem::path& path) {
    FilePtr file = openFile(path);
    PngSession s;
    openSession(s, file.get(), false);
    ScanHeader header;
    header.format = ScanFormat::png;
    header.storedWidth = static_cast<int>(png_get_image_width(s.png, s.info));
    header.storedHeight = static_cast<int>(png_get_image_height(s.png, s.info));
    header.bitDepth = png_get_bit_depth(s.png, s.info);
    header.channels = png_get_channels(s.png, s.info);
    header.orientation = exifOrientation(s);
    header.iccProfile = iccBytes(s);
    return header;
}

ScanBuffer decodePng(const std::filesystem::path& path, int& orientation) {
    FilePtr file = openFile(path);
    PngSession s;
    openSession(s, file.get(), true);
    orientation = exifOrientation(s);
    std::vector<std::uint8_t> icc = iccBytes(s);
    const std::uint64_t storedRowBytes = png_get_rowbytes(s.png, s.info);  // before expansion
    if (!prepareStage(s)) throw LoadError(LoadError::kUndecodable, "unsupported PNG layout");

    ScanBuffer out;
    out.width = static_cast<int>(png_get_image_width(s.png, s.info));
    out.height = static_cast<int>(png_get_image_height(s.png, s.info));
    out.channels = png_get_channels(s.png, s.info);
    out.bitDepth = png_get_bit_depth(s.png, s.info);
    if ((out.bitDepth != 8 && out.bitDepth != 16) || out.channels < 1 || out.channels > 4)
        throw LoadError(LoadError::kUndecodable, "unsupported PNG layout");
    if (png_get_rowbytes(s.png, s.info) != out.rowBytes())
        throw LoadError(LoadError::kUndecodable, "unexpected PNG row size");
    // Deflate turns one byte into at most 1032, so a file announcing more filtered rows than
    // that is cut or forged: refused before the pixel store is allocated.
    struct stat info {};
    const std::uint64_t filtered = (storedRowBytes + 1) * static_cast<std::uint64_t>(out.height);
    if (fstat(fileno(file.get()), &info) == 0 && filtered > 1032 * static_cast<std::uint64_t>(info.st_size))
        throw LoadError(LoadError::kUndecodable, "PNG data too short for the announced size");
    out.allocate();
    std::vector<png_bytep> rows(static_cast<std::size_t>(out.height));
    for (int y = 0; y < out.height; ++y) rows[static_cast<std::size_t>(y)] = out.row(y);
    if (!readRowsStage(s, rows.data())) throw LoadError(LoadError::kUndecodable, "truncated or corrupt PNG data");
    out.iccProfile = std::move(icc);
    return out;
}

}  // namespace vantrel::detail
