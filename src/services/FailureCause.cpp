#include "services/FailureCause.h"

#include <cerrno>

#include "services/L10n.h"

namespace vantrel {

FailureCause failureCauseOf(int errnum, FileAccess access) {
    const bool writing = access == FileAccess::writing;
    switch (errnum) {
        case ENOENT: case ENOTDIR: return writing ? FailureCause::missingFolder : FailureCause::missingFile;
        case EACCES: case EPERM: return FailureCause::noPermission;
        case EROFS: return FailureCause::readOnly;
        case ENOSPC: case EDQUOT: return FailureCause::noSpace;
        case ENAMETOOLONG: return FailureCause::nameTooLong;
        case EFBIG: return FailureCause::fileTooLarge;
        case EIO: return FailureCause::deviceError;
        default: return writing ? FailureCause::cannotWrite : FailureCause::unreadableFile;
    }
}

FailureCause failureCauseOf(const std::error_code& error, FileAccess access) {
    const bool posix = error.category() == std::generic_category() || error.category() == std::system_category();
    return failureCauseOf(posix ? error.value() : 0, access);
}

FailureCause failureCauseOf(const std::exception& error, FileAccess access) {
    if (const auto* system = dynamic_cast<const std::system_error*>(&error))
        return failureCauseOf(system->code(), access);
    return failureCauseOf(0, access);
}

LocalText causeText(FailureCause cause) {
    switch (cause) {
        case FailureCause::missingFolder: return L10n::text("cause.missingFolder");
        case FailureCause::missingFile: return L10n::text("cause.missingFile");
        case FailureCause::noPermission: return L10n::text("cause.noPermission");
        case FailureCause::readOnly: return L10n::text("cause.readOnly");
        case FailureCause::noSpace: return L10n::text("cause.noSpace");
        case FailureCause::nameTooLong: return L10n::text("cause.nameTooLong");
        case FailureCause::fileTooLarge: return L10n::text("cause.fileTooLarge");
        case FailureCause::deviceError: return L10n::text("cause.deviceError");
        case FailureCause::unreadableFile: return L10n::text("cause.unreadableFile");
        case FailureCause::notRecipeFile: return L10n::text("cause.notRecipeFile");
        case FailureCause::cannotWrite: return L10n::text("cause.cannotWrite");
    }
    return L10n::text("cause.cannotWrite");
}

}  // namespace vantrel
