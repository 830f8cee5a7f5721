#pragma once
// The error a scan load reports: domain "VantrelEditor", code -1 (no image could be read from
// the file) or -2 (the pixels could not be decoded), and a user-facing description.
#include <stdexcept>
#include <string>

namespace vantrel {

class LoadError : public std::runtime_error {
public:
    static constexpr const char* kDomain = "VantrelEditor";
    static constexpr int kUnreadable = -1;
    static constexpr int kUndecodable = -2;

    // `detail` is a technical note for logs; the description comes from the translation table.
    LoadError(int code, const std::string& detail);

    const std::string& domain() const { return domain_; }
    int code() const { return code_; }
    // The text shown to the user, in the current interface language.
    std::string description() const;
    const std::string& detail() const { return detail_; }

    // The translation key of a code's description.
    static const char* descriptionKey(int code);

private:
    std::string domain_;
    int code_;
    std::string detail_;
};

}  // namespace vantrel
