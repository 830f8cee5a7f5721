#include "services/JpegEncoder.h"

#include <csetjmp>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <jerror.h>
#include <tbb/task_group.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "services/ExportError.h"

namespace vantrel {

int jpegQualityPercent(double quality) {
    if (std::isnan(quality)) quality = 0.95;
    return std::clamp(int(std::lround(std::clamp(quality, 0.0, 1.0) * 100.0)), 1, 100);
}

namespace {

constexpr int kQualityForFullChroma = 90;
constexpr int kMaxBandsInFlight = 24;

// libjpeg reports errors through error_exit, which must not return: it jumps back to the
// setjmp in `compressBand`, which owns nothing that needs destroying.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpegErrorExit(j_common_ptr cinfo) {
    auto* e = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, e->message);
    std::longjmp(e->jump, 1);
}

void jpegOutputMessage(j_common_ptr) {}  // warnings are not shown

struct BandJob {
    const std::uint8_t* pixels = nullptr;  // RGBX rows, tightly packed
    int width = 0;
    int rows = 0;
    int quality = 95;
    bool fullChroma = true;
    const std::vector<std::uint8_t>* icc = nullptr;  // the first band carries the profile
};

// A band's compressed stream, in large-block memory: a huge page that the next band takes
// again, where libjpeg's own memory destination would grow fresh heap memory by doubling.
struct BandStream {
    jpeg_destination_mgr pub;
    LargeArray<std::uint8_t> bytes;
    std::size_t capacity = 0;
    std::size_t size = 0;  // once finished
};

bool enlarge(BandStream& d) noexcept {
    try {
        const std::size_t used = d.capacity;
        LargeArray<std::uint8_t> bigger = makeLargeArray<std::uint8_t>(std::max(kLargeBlockMinimum, 2 * d.capacity));
        if (used) std::memcpy(bigger.get(), d.bytes.get(), used);
        d.bytes = std::move(bigger);
        d.capacity = std::max(kLargeBlockMinimum, 2 * d.capacity);
        d.pub.next_output_byte = d.bytes.get() + used;
        d.pub.free_in_buffer = d.capacity - used;
        return true;
    } catch (...) {
        return false;
    }
}

BandStream& streamOf(j_compress_ptr c) { return *static_cast<BandStream*>(c->client_data); }

void startStream(j_compress_ptr c) {
    BandStream& d = streamOf(c);
    d.pub.next_output_byte = d.bytes.get();
    d.pub.free_in_buffer = d.capacity;
    if (!d.bytes && !enlarge(d)) ERREXIT1(c, JERR_OUT_OF_MEMORY, 0);
}

boolean growStream(j_compress_ptr c) {
    if (!enlarge(streamOf(c))) ERREXIT1(c, JERR_OUT_OF_MEMORY, 1);
    return TRUE;
}

void endStream(j_compress_ptr c) {
    BandStream& d = streamOf(c);
    d.size = d.capacity - d.pub.free_in_buffer;
}

// One band as a complete JPEG in `out`. False with `message` filled when libjpeg failed.
bool compressBand(const BandJob& job, BandStream& out, char* message) {
    jpeg_compress_struct c;
    ErrorManager errors;
    c.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = jpegErrorExit;
    errors.pub.output_message = jpegOutputMessage;
    if (setjmp(errors.jump)) {
        std::memcpy(message, errors.message, JMSG_LENGTH_MAX);
        jpeg_destroy_compress(&c);
        return false;
    }
    jpeg_create_compress(&c);
    out.pub.init_destination = startStream;
    out.pub.empty_output_buffer = growStream;
    out.pub.term_destination = endStream;
    c.dest = &out.pub;
    c.client_data = &out;
    c.image_width = JDIMENSION(job.width);
    c.image_height = JDIMENSION(job.rows);
    c.input_components = 4;
    c.in_color_space = JCS_EXT_RGBX;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, job.quality, TRUE);
    c.dct_method = JDCT_ISLOW;
    c.optimize_coding = FALSE;  // the standard tables are shared by every band
    if (job.fullChroma) {
        c.comp_info[0].h_samp_factor = 1;
        c.comp_info[0].v_samp_factor = 1;
    }
    jpeg_start_compress(&c, TRUE);
    if (job.icc && !job.icc->empty()) jpeg_write_icc_profile(&c, job.icc->data(), unsigned(job.icc->size()));
    const std::size_t rowBytes = std::size_t(job.width) * 4;
    while (c.next_scanline < c.image_height) {
        auto* row = const_cast<JSAMPLE*>(job.pixels + std::size_t(c.next_scanline) * rowBytes);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return true;
}

// Where the markers of a band's stream sit: [0, sos) is everything before the scan header,
// [sos, data) the scan header, [data, end) the entropy-coded data, then EOI.
struct StreamLayout {
    std::size_t sof = 0;  // start of the frame header (its height follows 5 bytes in)
    std::size_t sos = 0;
    std::size_t data = 0;
    std::size_t end = 0;
};

bool layoutOf(const std::uint8_t* s, std::size_t n, StreamLayout& layout) {
    if (n < 4 || s[0] != 0xFF || s[1] != 0xD8 || s[n - 2] != 0xFF || s[n - 1] != 0xD9) return false;
    std::size_t pos = 2;
    bool haveFrame = false;
    while (pos + 4 <= n) {
        if (s[pos] != 0xFF) return false;
        const std::uint8_t marker = s[pos + 1];
        const std::size_t length = (std::size_t(s[pos + 2]) << 8) | s[pos + 3];
        if (marker == 0xC0 || marker == 0xC1) {
            layout.sof = pos;
            haveFrame = true;
        }
        if (marker == 0xDA) {
            layout.sos = pos;
            layout.data = pos + 2 + length;
            layout.end = n - 2;
            return haveFrame && layout.data <= layout.end;
        }
        pos += 2 + length;
    }
    return false;
}

}  // namespace

int JpegEncoder::bandRowsFor(int width, bool fullChroma) {
    const int mcuSide = fullChroma ? 8 : 16;
    const int mcusPerRow = std::max(1, (width + mcuSide - 1) / mcuSide);
    const int mcuRows = std::clamp(65535 / mcusPerRow, 1, 16);
    return mcuRows * mcuSide;
}

struct JpegEncoder::State {
    struct Band {
        LargeArray<std::uint8_t> pixels;
        BandStream jpeg;
        std::string error;
        bool done = false;
    };

    ExportFile* file = nullptr;
    EncodeTarget target;
    int quality = 95;
    bool fullChroma = true;
    int bandRows = 128;
    int bandCount = 0;
    int restartInterval = 0;  // MCUs per band

    LargeArray<std::uint8_t> filling;  // rows of the band being gathered
    int filledRows = 0;
    int submitted = 0;
    int written = 0;
    std::vector<std::unique_ptr<Band>> bands;

    std::mutex mutex;
    std::condition_variable bandDone;
    tbb::task_group tasks;

    ~State() { tasks.wait(); }

    void submit() {
        auto band = std::make_unique<Band>();
        band->pixels = std::move(filling);
        Band* b = band.get();
        const int index = submitted++;
        bands.push_back(std::move(band));
        BandJob job;
        job.pixels = b->pixels.get();
        job.width = target.width;
        job.rows = filledRows;
        job.quality = quality;
        job.fullChroma = fullChroma;
        job.icc = index == 0 ? target.iccProfile : nullptr;
        filledRows = 0;
        tasks.run([this, b, job] {
            // Only this task touches the band's stream until it is marked done.
            char message[JMSG_LENGTH_MAX] = {};
            const bool ok = compressBand(job, b->jpeg, message);
            {
                std::lock_guard lock(mutex);
                if (!ok) b->error = message;
                b->pixels.reset();
                b->done = true;
            }
            bandDone.notify_all();
        });
    }

    void submitAndWrite() {
        submit();
        // Keep memory bounded: with too many bands in flight, wait for the oldest.
        writeReady(submitted - written > kMaxBandsInFlight);
    }

    // Appends the finished bands that are next in order; with `wait`, waits until the band
    // after the last written one is done.
    void writeReady(bool waitForNext) {
        while (written < submitted) {
            Band* b = bands[std::size_t(written)].get();
            {
                std::unique_lock lock(mutex);
                if (waitForNext) bandDone.wait(lock, [b] { return b->done; });
                if (!b->done) return;
            }
            waitForNext = false;
            if (!b->error.empty()) throw ExportError("libjpeg", -1, "JPEG encoder: " + b->error);
            append(*b, written);
            bands[std::size_t(written)].reset();
            ++written;
        }
    }

    void append(const Band& band, int index) {
        StreamLayout layout;
        const std::uint8_t* s = band.jpeg.bytes.get();
        if (!s || !layoutOf(s, band.jpeg.size, layout)) throw ExportError("libjpeg", -1, "JPEG encoder: malformed band");
        if (index == 0) {
            // The first band's headers become the file's: the full height, and the restart
            // interval declared before the scan header.
            std::vector<std::uint8_t> header(s, s + layout.data);
            header[layout.sof + 5] = std::uint8_t(target.height >> 8);
            header[layout.sof + 6] = std::uint8_t(target.height & 0xFF);
            if (bandCount > 1) {
                const std::uint8_t dri[6] = {0xFF, 0xDD, 0x00, 0x04, std::uint8_t(restartInterval >> 8),
                                             std::uint8_t(restartInterval & 0xFF)};
                header.insert(header.begin() + std::ptrdiff_t(layout.sos), dri, dri + 6);
            }
            put(header.data(), header.size());
        } else {
            const std::uint8_t rst[2] = {0xFF, std::uint8_t(0xD0 + ((index - 1) & 7))};
            put(rst, 2);
        }
        put(s + layout.data, layout.end - layout.data);
    }

    void put(const void* data, std::size_t size) {
        if (!file->write(data, size)) file->throwFailure();
    }
};

JpegEncoder::JpegEncoder(double quality) : quality_(jpegQualityPercent(quality)), state_(std::make_unique<State>()) {}

JpegEncoder::~JpegEncoder() = default;

void JpegEncoder::start(ExportFile& file, const EncodeTarget& target) {
    State& s = *state_;
    // libjpeg's own limit, checked here so the message is the library's usual one.
    if (target.width < 1 || target.height < 1 || target.width > JPEG_MAX_DIMENSION || target.height > JPEG_MAX_DIMENSION)
        throw ExportError("libjpeg", -1,
                          "JPEG encoder: Maximum supported image dimension is " + std::to_string(JPEG_MAX_DIMENSION) +
                              " pixels");
    s.file = &file;
    s.target = target;
    s.quality = quality_;
    s.fullChroma = quality_ >= kQualityForFullChroma;
    s.bandRows = bandRowsFor(target.width, s.fullChroma);
    s.bandCount = (target.height + s.bandRows - 1) / s.bandRows;
    const int mcuSide = s.fullChroma ? 8 : 16;
    s.restartInterval = ((target.width + mcuSide - 1) / mcuSide) * (s.bandRows / mcuSide);
    s.bands.reserve(std::size_t(s.bandCount));
}

void JpegEncoder::writeRows(const void* data, std::size_t rowBytes, int rows) {
    State& s = *state_;
    const std::size_t packed = std::size_t(s.target.width) * 4;
    const auto* in = static_cast<const std::uint8_t*>(data);
    for (int r = 0; r < rows; ++r) {
        if (s.submitted * s.bandRows + s.filledRows >= s.target.height) break;  // past the last row
        if (!s.filling) s.filling = makeLargeArray<std::uint8_t>(packed * std::size_t(s.bandRows));
        std::memcpy(s.filling.get() + packed * std::size_t(s.filledRows), in + std::size_t(r) * rowBytes, packed);
        ++s.filledRows;
        if (s.filledRows == s.bandRows || s.submitted * s.bandRows + s.filledRows == s.target.height) s.submitAndWrite();
    }
    s.writeReady(false);
}

int JpegEncoder::bandRows() const { return state_->bandRows; }

void JpegEncoder::writeBand(LargeArray<std::uint8_t> pixels, std::size_t rowBytes, int rows) {
    State& s = *state_;
    // A whole band of packed rows (or the image's last rows) is compressed in its own memory.
    const int left = s.target.height - s.submitted * s.bandRows;
    if (s.filledRows == 0 && rowBytes == std::size_t(s.target.width) * 4 && rows == std::min(s.bandRows, left)) {
        s.filling = std::move(pixels);
        s.filledRows = rows;
        s.submitAndWrite();
        s.writeReady(false);
        return;
    }
    writeRows(pixels.get(), rowBytes, rows);
}

void JpegEncoder::finish() {
    State& s = *state_;
    if (s.submitted != s.bandCount) throw ExportError("libjpeg", -1, "JPEG encoder: the image ended early");
    s.tasks.wait();
    s.writeReady(true);
    const std::uint8_t eoi[2] = {0xFF, 0xD9};
    s.put(eoi, 2);
}

}  // namespace vantrel
