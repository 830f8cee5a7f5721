#include "services/JpegEncoder.h"

#include <csetjmp>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "services/ExportError.h"

namespace vantrel {

int jpegQualityPercent(double quality) {
    if (std::isnan(quality)) quality = 0.95;
    return std::clamp(int(std::lround(std::clamp(quality, 0.0, 1.0) * 100.0)), 1, 100);
}

namespace {
constexpr std::size_t kOutputChunk = 256 * 1024;
}

// libjpeg reports errors through error_exit, which must not return: it jumps back to the
// setjmp of the call in progress, and the message is thrown from there as an ExportError.
struct JpegEncoder::State {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errorManager{};
    jpeg_destination_mgr destination{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = {};
    std::vector<JOCTET> buffer = std::vector<JOCTET>(kOutputChunk);
    ExportFile* file = nullptr;
    bool created = false;
    std::vector<JSAMPROW> rowPointers;

    ~State() {
        if (created) jpeg_destroy_compress(&cinfo);
    }
};

namespace {

using State = JpegEncoder::State;

State& stateOf(j_common_ptr cinfo) { return *static_cast<State*>(cinfo->client_data); }

void jpegErrorExit(j_common_ptr cinfo) {
    State& s = stateOf(cinfo);
    (*cinfo->err->format_message)(cinfo, s.message);
    std::longjmp(s.jump, 1);
}

void jpegOutputMessage(j_common_ptr) {}  // warnings are not shown

void jpegInitDestination(j_compress_ptr cinfo) {
    State& s = stateOf(reinterpret_cast<j_common_ptr>(cinfo));
    s.destination.next_output_byte = s.buffer.data();
    s.destination.free_in_buffer = s.buffer.size();
}

boolean jpegEmptyOutputBuffer(j_compress_ptr cinfo) {
    State& s = stateOf(reinterpret_cast<j_common_ptr>(cinfo));
    if (!s.file->write(s.buffer.data(), s.buffer.size())) ERREXIT(cinfo, JERR_FILE_WRITE);
    s.destination.next_output_byte = s.buffer.data();
    s.destination.free_in_buffer = s.buffer.size();
    return TRUE;
}

void jpegTermDestination(j_compress_ptr cinfo) {
    State& s = stateOf(reinterpret_cast<j_common_ptr>(cinfo));
    const std::size_t used = s.buffer.size() - s.destination.free_in_buffer;
    if (!s.file->write(s.buffer.data(), used)) ERREXIT(cinfo, JERR_FILE_WRITE);
}

// The error of a jump back from libjpeg: the file's own when a write failed, else libjpeg's.
[[noreturn]] void throwJpegError(const State& s) {
    if (s.file && s.file->failed()) s.file->throwFailure();
    throw ExportError("libjpeg", -1, std::string("JPEG encoder: ") + s.message);
}

// The library calls of each step, kept in plain functions with no objects to destroy, so the
// long jump back from an error skips nothing. Each returns false when libjpeg failed.
bool startCompress(State* s, int width, int height, int quality, const std::vector<std::uint8_t>* icc) {
    if (setjmp(s->jump)) return false;
    j_compress_ptr c = &s->cinfo;
    c->image_width = JDIMENSION(width);
    c->image_height = JDIMENSION(height);
    c->input_components = 4;
    c->in_color_space = JCS_EXT_RGBX;
    jpeg_set_defaults(c);
    jpeg_set_quality(c, quality, TRUE);
    c->dct_method = JDCT_ISLOW;
    if (quality >= 90) {
        // 4:4:4: chroma at full resolution for high-quality exports.
        c->comp_info[0].h_samp_factor = 1;
        c->comp_info[0].v_samp_factor = 1;
    }
    jpeg_start_compress(c, TRUE);
    if (icc && !icc->empty()) jpeg_write_icc_profile(c, icc->data(), unsigned(icc->size()));
    return true;
}

bool writeScanlines(State* s, JSAMPARRAY rows, int count) {
    if (setjmp(s->jump)) return false;
    JDIMENSION done = 0;
    while (done < JDIMENSION(count) && s->cinfo.next_scanline < s->cinfo.image_height)
        done += jpeg_write_scanlines(&s->cinfo, rows + done, JDIMENSION(count) - done);
    return true;
}

bool finishCompress(State* s) {
    if (setjmp(s->jump)) return false;
    jpeg_finish_compress(&s->cinfo);
    return true;
}

}  // namespace

JpegEncoder::JpegEncoder(double quality) : quality_(jpegQualityPercent(quality)), state_(std::make_unique<State>()) {
    State& s = *state_;
    s.cinfo.err = jpeg_std_error(&s.errorManager);
    s.errorManager.error_exit = jpegErrorExit;
    s.errorManager.output_message = jpegOutputMessage;
    s.cinfo.client_data = &s;
    jpeg_create_compress(&s.cinfo);
    s.created = true;
    s.destination.init_destination = jpegInitDestination;
    s.destination.empty_output_buffer = jpegEmptyOutputBuffer;
    s.destination.term_destination = jpegTermDestination;
    s.cinfo.dest = &s.destination;
}

JpegEncoder::~JpegEncoder() = default;

void JpegEncoder::start(ExportFile& file, const EncodeTarget& target) {
    state_->file = &file;
    if (!startCompress(state_.get(), target.width, target.height, quality_, target.iccProfile))
        throwJpegError(*state_);
}

void JpegEncoder::writeRows(const void* data, std::size_t rowBytes, int rows) {
    auto& pointers = state_->rowPointers;
    pointers.resize(std::size_t(rows));
    auto* base = static_cast<JSAMPLE*>(const_cast<void*>(data));
    for (int i = 0; i < rows; ++i) pointers[std::size_t(i)] = base + std::size_t(i) * rowBytes;
    if (!writeScanlines(state_.get(), pointers.data(), rows)) throwJpegError(*state_);
}

void JpegEncoder::finish() {
    if (!finishCompress(state_.get())) throwJpegError(*state_);
}

}  // namespace vantrel
