#pragma once
// Why a file operation failed, in words of the photographer's own: the
// system's and the libraries' messages go to the log only, never into the
// window, since they are English and technical.
#include <exception>
#include <system_error>

#include "services/LocalText.h"

namespace vantrel {

enum class FailureCause {
    missingFolder,   // the folder to write into is gone
    missingFile,     // the file to read is gone
    noPermission,
    readOnly,        // a read-only disc or mount
    noSpace,         // the device (or the user's quota) is full
    nameTooLong,
    fileTooLarge,
    deviceError,     // the device reported an input/output error
    unreadableFile,  // anything else that stops a read
    notRecipeFile,   // readable, but not a recipe
    cannotWrite,     // anything else that stops a write
};

enum class FileAccess { reading, writing };

// The cause of an errno value met while reading or writing.
FailureCause failureCauseOf(int errnum, FileAccess access);
// An error code of the system or generic category is read as errno; any other
// is the catch-all of the access.
FailureCause failureCauseOf(const std::error_code& error, FileAccess access);
// A thrown failure: std::system_error by its code, anything else as the catch-all.
FailureCause failureCauseOf(const std::exception& error, FileAccess access);

// The cause as the window says it ("there is no space left on the device").
LocalText causeText(FailureCause cause);

}  // namespace vantrel
