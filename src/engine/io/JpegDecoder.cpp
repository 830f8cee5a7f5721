// JPEG through libjpeg-turbo. libjpeg reports fatal errors by calling error_exit, which must not
// return: ours longjmps back into the small C-style stage functions below, which keep no C++
// objects of their own, so nothing is skipped; the session's destructor then frees libjpeg.
#include <sys/stat.h>

#include <tbb/parallel_for.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// clang-format off
#include <jpeglib.h>
// clang-format on

#include "engine/io/IccProfile.h"
#include "engine/io/LoadError.h"
#include "engine/io/Orientation.h"
#include "engine/io/ScanDecoderBackends.h"

namespace vantrel::detail {

namespace {

struct JpegErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

extern "C" void jpegErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->jump, 1);
}

// Warnings are counted, not printed. Corrupt data is decoded as well as it can be, and a
// premature end (an interrupted copy) leaves the blocks that never arrived flat grey: the
// picture is shown as far as it came, as common viewers do.
extern "C" void jpegMessage(j_common_ptr cinfo, int level) {
    if (level < 0) cinfo->err->num_warnings++;
}

struct JpegSession {
    jpeg_decompress_struct cinfo;
    JpegErrors errors;
    bool created = false;
    JOCTET* icc = nullptr;
    unsigned int iccSize = 0;

    JpegSession() {
        std::memset(&cinfo, 0, sizeof cinfo);
        std::memset(&errors, 0, sizeof errors);
    }
    ~JpegSession() {
        if (created) jpeg_destroy_decompress(&cinfo);
        std::free(icc);
    }
    JpegSession(const JpegSession&) = delete;
    JpegSession& operator=(const JpegSession&) = delete;
};

// Reads markers and header; false on a libjpeg error.
bool readHeaderStage(JpegSession& s, std::FILE* file) {
    s.cinfo.err = jpeg_std_error(&s.errors.pub);
    s.errors.pub.error_exit = jpegErrorExit;
    s.errors.pub.emit_message = jpegMessage;
    if (setjmp(s.errors.jump)) return false;
    jpeg_create_decompress(&s.cinfo);
    s.created = true;
    jpeg_stdio_src(&s.cinfo, file);
    jpeg_save_markers(&s.cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&s.cinfo, JPEG_APP0 + 2, 0xFFFF);
    if (jpeg_read_header(&s.cinfo, TRUE) != JPEG_HEADER_OK) return false;
    jpeg_read_icc_profile(&s.cinfo, &s.icc, &s.iccSize);
    return true;
}

bool startStage(JpegSession& s, int scaleNum, J_COLOR_SPACE space) {
    if (setjmp(s.errors.jump)) return false;
    s.cinfo.scale_num = static_cast<unsigned int>(scaleNum);
    s.cinfo.scale_denom = 8;
    s.cinfo.out_color_space = space;
    return jpeg_start_decompress(&s.cinfo) == TRUE;
}

// Decodes every scanline into rows of `rowBytes` starting at `dest`.
bool scanlineStage(JpegSession& s, std::uint8_t* dest, std::size_t rowBytes) {
    if (setjmp(s.errors.jump)) return false;
    while (s.cinfo.output_scanline < s.cinfo.output_height) {
        JSAMPROW rows[16];
        const JDIMENSION first = s.cinfo.output_scanline;
        const JDIMENSION n = std::min<JDIMENSION>(16, s.cinfo.output_height - first);
        for (JDIMENSION i = 0; i < n; ++i) rows[i] = dest + rowBytes * (first + i);
        if (jpeg_read_scanlines(&s.cinfo, rows, n) == 0) return false;
    }
    jpeg_finish_decompress(&s.cinfo);
    return true;
}

// Ink to light without a profile, as common viewers do: each of red, green and
// blue is the paper left by its ink and by the black. Adobe files store the
// samples inverted (255 = no ink), which is already the paper left.
ScanBuffer plainCmykToRgb(const std::uint8_t* cmyk, int width, int height, bool inverted) {
    ScanBuffer out = ScanBuffer::allocated(width, height, 3, 8);
    tbb::parallel_for(0, height, [&](int y) {
        const std::uint8_t* in = cmyk + static_cast<std::size_t>(y) * width * 4;
        std::uint8_t* rgb = out.row(y);
        for (int x = 0; x < width; ++x, in += 4, rgb += 3) {
            const unsigned k = inverted ? in[3] : 255u - in[3];
            for (int c = 0; c < 3; ++c) {
                const unsigned paper = inverted ? in[c] : 255u - in[c];
                rgb[c] = static_cast<std::uint8_t>((paper * k + 127) / 255);
            }
        }
    });
    return out;
}

int exifOrientation(const JpegSession& s) {
    for (jpeg_saved_marker_ptr m = s.cinfo.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && m->data_length > 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0)
            return orientationFromExif(m->data + 6, m->data_length - 6);
    }
    return 1;
}

void openSession(JpegSession& s, std::FILE* file) {
    if (!readHeaderStage(s, file)) throw LoadError(LoadError::kUnreadable, "unreadable JPEG header");
    checkScanSize(s.cinfo.image_width, s.cinfo.image_height);
}

bool isCmyk(const JpegSession& s) {
    return s.cinfo.jpeg_color_space == JCS_CMYK || s.cinfo.jpeg_color_space == JCS_YCCK;
}

std::vector<std::uint8_t> iccBytes(const JpegSession& s) {
    return s.icc ? std::vector<std::uint8_t>(s.icc, s.icc + s.iccSize) : std::vector<std::uint8_t>{};
}

}  // namespace

ScanHeader readJpegHeader(const std::filesystem::path& path) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) throw LoadError(LoadError::kUnreadable, "cannot open file");
    JpegSession s;
    openSession(s, file.get());
    ScanHeader header;
    header.format = ScanFormat::jpeg;
    header.storedWidth = static_cast<int>(s.cinfo.image_width);
    header.storedHeight = static_cast<int>(s.cinfo.image_height);
    header.bitDepth = s.cinfo.data_precision;
    header.channels = s.cinfo.num_components;
    header.cmyk = isCmyk(s);
    header.orientation = exifOrientation(s);
    header.iccProfile = iccBytes(s);
    return header;
}

ScanBuffer decodeJpeg(const std::filesystem::path& path, int minLongEdge, int& orientation) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) throw LoadError(LoadError::kUnreadable, "cannot open file");
    JpegSession s;
    openSession(s, file.get());
    orientation = exifOrientation(s);
    // Each 8 x 8 block of the image costs at least one bit of coded data. A header announcing
    // far more blocks than the file has bits belongs to a cut or forged file, which libjpeg
    // would pad with grey at the cost of decoding (and holding) every announced pixel.
    struct stat info {};
    const std::uint64_t blocks =
        (std::uint64_t{s.cinfo.image_width} + 7) / 8 * ((std::uint64_t{s.cinfo.image_height} + 7) / 8);
    if (fstat(fileno(file.get()), &info) == 0 && blocks > 8 * static_cast<std::uint64_t>(info.st_size))
        throw LoadError(LoadError::kUndecodable, "JPEG data too short for the announced size");

    // Smallest DCT scale M/8 whose long edge still reaches the requested size.
    int scaleNum = 8;
    if (minLongEdge > 0) {
        const long longEdge = std::max(s.cinfo.image_width, s.cinfo.image_height);
        for (int m = 1; m <= 8; ++m) {
            if ((longEdge * m + 7) / 8 >= minLongEdge) { scaleNum = m; break; }
        }
    }
    const bool cmyk = isCmyk(s);
    const bool grey = s.cinfo.jpeg_color_space == JCS_GRAYSCALE;
    const J_COLOR_SPACE space = cmyk ? JCS_CMYK : grey ? JCS_GRAYSCALE : JCS_RGB;
    std::vector<std::uint8_t> icc = iccBytes(s);
    if (!startStage(s, scaleNum, space)) throw LoadError(LoadError::kUndecodable, "JPEG decode failed");

    ScanBuffer out = ScanBuffer::allocated(static_cast<int>(s.cinfo.output_width),
                                           static_cast<int>(s.cinfo.output_height), s.cinfo.output_components, 8);
    if (!scanlineStage(s, out.pixels.get(), out.rowBytes()))
        throw LoadError(LoadError::kUndecodable, "corrupt JPEG data");

    if (cmyk) {
        // The embedded CMYK profile when there is a usable one; otherwise the plain conversion.
        const bool inverted = s.cinfo.saw_Adobe_marker == TRUE;
        ScanBuffer rgb;
        if (iccProfileChannels(icc) == 4) rgb = convertCmykToRgb(out.pixels.get(), out.width, out.height, inverted, icc);
        if (rgb.empty()) rgb = plainCmykToRgb(out.pixels.get(), out.width, out.height, inverted);
        return rgb;  // now sRGB: a CMYK profile no longer describes the pixels
    }
    out.iccProfile = std::move(icc);
    return out;
}

}  // namespace vantrel::detail
