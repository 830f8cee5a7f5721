#include "engine/io/LoadError.h"

#include "model/Translation.h"

namespace vantrel {

namespace {
// Shown when the translation tables have no row for the key yet.
const char* englishFallback(int code) {
    return code == LoadError::kUndecodable ? "The image could not be decoded."
                                           : "The image file could not be read.";
}
}  // namespace

LoadError::LoadError(int code, const std::string& detail)
    : std::runtime_error(detail), domain_(kDomain), code_(code), detail_(detail) {}

const char* LoadError::descriptionKey(int code) {
    return code == kUndecodable ? "error.imageDecodeFailed" : "error.imageUnreadable";
}

std::string LoadError::description() const {
    const char* key = descriptionKey(code_);
    std::string text = translate(key);
    if (text.empty() || text == key) return englishFallback(code_);
    return text;
}

}  // namespace vantrel
