#include "services/ExportError.h"

#include <cstring>

namespace vantrel {

ExportError ExportError::fromErrno(int errnum, const std::string& what, const std::string& path) {
    char buffer[256];
    // GNU strerror_r returns the message, which may or may not live in `buffer`.
    const char* message = strerror_r(errnum, buffer, sizeof buffer);
    return ExportError(kPosixDomain, errnum, what + " \u201C" + path + "\u201D: " + message);
}

}  // namespace vantrel
