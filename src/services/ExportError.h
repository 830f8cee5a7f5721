#pragma once
// Why an export failed: where the failure came from (`domain`), a code within that domain, an
// English description for the log (what()), and text() for the window, which never carries a
// library's or the system's own message.
//   "POSIX"          code = errno of the failing file operation
//   "libjpeg", "libtiff", "libpng"  code -1; the encoder's own message (log only)
//   "VantrelEditor"  code emptyRender / cancelled / renderFailed
#include <stdexcept>
#include <string>

#include "services/FailureCause.h"
#include "services/LocalText.h"

namespace vantrel {

class ExportError : public std::runtime_error {
public:
    static constexpr const char* kPosixDomain = "POSIX";
    static constexpr const char* kEditorDomain = "VantrelEditor";
    static constexpr int kEmptyRender = -3;
    static constexpr int kCancelled = -4;
    static constexpr int kRenderFailed = -5;

    // The file step that failed, for the window's wording.
    enum class Step { none, createInFolder, write };

    ExportError(std::string domain, int code, const std::string& description)
        : std::runtime_error(description), domain_(std::move(domain)), code_(code) {}

    const std::string& domain() const { return domain_; }
    int code() const { return code_; }
    std::string description() const { return what(); }
    // Why, without where (a file operation's cause; the catch-all of writing otherwise).
    FailureCause cause() const;
    // The destination's folder itself fails (no permission, read-only, missing,
    // full): any other file written there would fail alike.
    bool concernsFolder() const;
    // What failed and why, as the window says it.
    LocalText text() const;

    // A failed file operation: "<what> “<path>”: <strerror(errnum)>" for the log.
    static ExportError fromErrno(int errnum, Step step, const std::string& path);

private:
    std::string domain_;
    int code_;
    Step step_ = Step::none;
    std::string path_;
};

}  // namespace vantrel
