#pragma once
// Why an export failed: where the failure came from (`domain`), a code within that domain and
// the description the user is shown ("Export failed: <description>").
//   "POSIX"          code = errno of the failing file operation
//   "libjpeg", "libtiff", "libpng"  code -1; the encoder's own message
//   "VantrelEditor"  code emptyRender / cancelled / renderFailed
#include <stdexcept>
#include <string>

namespace vantrel {

class ExportError : public std::runtime_error {
public:
    static constexpr const char* kPosixDomain = "POSIX";
    static constexpr const char* kEditorDomain = "VantrelEditor";
    static constexpr int kEmptyRender = -3;
    static constexpr int kCancelled = -4;
    static constexpr int kRenderFailed = -5;

    ExportError(std::string domain, int code, const std::string& description)
        : std::runtime_error(description), domain_(std::move(domain)), code_(code) {}

    const std::string& domain() const { return domain_; }
    int code() const { return code_; }
    std::string description() const { return what(); }
    // Why, without where: a file operation's strerror text, else the description.
    std::string cause() const;
    // The destination's folder itself fails (no permission, read-only, missing,
    // full): any other file written there would fail alike.
    bool concernsFolder() const;

    // A failed file operation: "<what> “<path>”: <strerror(errnum)>".
    static ExportError fromErrno(int errnum, const std::string& what, const std::string& path);

private:
    std::string domain_;
    int code_;
};

}  // namespace vantrel
