#include "services/ExportError.h"

#include <cerrno>
#include <cstring>

namespace vantrel {

namespace {

std::string errnoText(int errnum) {
    char buffer[256];
    // GNU strerror_r returns the message, which may or may not live in `buffer`.
    return strerror_r(errnum, buffer, sizeof buffer);
}

}  // namespace

std::string ExportError::cause() const { return domain_ == kPosixDomain ? errnoText(code_) : description(); }

bool ExportError::concernsFolder() const {
    if (domain_ != kPosixDomain) return false;
    switch (code_) {
        case EACCES: case EPERM: case EROFS: case ENOENT: case ENOTDIR: case ENOSPC: case EDQUOT: return true;
        default: return false;
    }
}

ExportError ExportError::fromErrno(int errnum, const std::string& what, const std::string& path) {
    return ExportError(kPosixDomain, errnum, what + " \u201C" + path + "\u201D: " + errnoText(errnum));
}

}  // namespace vantrel
