#pragma once
// What the reader drivers report when a file breaks a promise the readers make (a value that
// does not survive being saved and read back, a decoded size that contradicts the header).
// Readers refusing a file with their documented error is not a failure; anything else is.
#include <stdexcept>
#include <string>

namespace vantrel::fuzz {

class BrokenPromise : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

inline void require(bool condition, const std::string& promise) {
    if (!condition) throw BrokenPromise(promise);
}

}  // namespace vantrel::fuzz
