#include "services/ExportError.h"

#include <cerrno>
#include <cstring>

#include "services/L10n.h"

namespace vantrel {

namespace {

std::string errnoText(int errnum) {
    char buffer[256];
    // GNU strerror_r returns the message, which may or may not live in `buffer`.
    return strerror_r(errnum, buffer, sizeof buffer);
}

}  // namespace

FailureCause ExportError::cause() const {
    return failureCauseOf(domain_ == kPosixDomain ? code_ : 0, FileAccess::writing);
}

bool ExportError::concernsFolder() const {
    if (domain_ != kPosixDomain) return false;
    switch (code_) {
        case EACCES: case EPERM: case EROFS: case ENOENT: case ENOTDIR: case ENOSPC: case EDQUOT: return true;
        default: return false;
    }
}

LocalText ExportError::text() const {
    if (domain_ == kPosixDomain) {
        const char* key = step_ == Step::createInFolder ? "export.couldNotCreateIn" : "export.couldNotWrite";
        return L10n::text(key, path_, causeText(cause()));
    }
    if (domain_ == "libjpeg") return L10n::text("export.encoderFailed", "JPEG");
    if (domain_ == "libtiff") return L10n::text("export.encoderFailed", "TIFF");
    if (domain_ == "libpng") return L10n::text("export.encoderFailed", "PNG");
    if (code_ == kEmptyRender) return L10n::text("export.emptyRender");
    if (code_ == kCancelled) return L10n::text("export.cancelled");
    return L10n::text("export.renderFailed");
}

ExportError ExportError::fromErrno(int errnum, Step step, const std::string& path) {
    const char* what = step == Step::createInFolder ? "Could not create a file in the folder" : "Could not write";
    ExportError error(kPosixDomain, errnum, std::string(what) + " \u201C" + path + "\u201D: " + errnoText(errnum));
    error.step_ = step;
    error.path_ = path;
    return error;
}

}  // namespace vantrel
