#pragma once
// JSON failures with the path of the value where they happened, safe text
// conversion, and strict readers and writers of JSON primitives.
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

namespace vantrel {

// A JSON failure at `path` ("crop.aspectRatio", "curvePoints[2].x"; empty at the top).
// what() reads "crop.aspectRatio: missing key".
class JsonError : public std::runtime_error {
public:
    JsonError(std::string path, std::string reason);

    const std::string& path() const { return path_; }
    const std::string& reason() const { return reason_; }

    // `path` seen from one level up: segment "crop" and path "rect.x" give "crop.rect.x".
    static std::string joinPath(std::string_view segment, std::string_view path);

private:
    std::string path_;
    std::string reason_;
};

// Reading a record from JSON failed.
class JsonDecodeError : public JsonError {
public:
    using JsonError::JsonError;
    JsonDecodeError under(std::string_view segment) const { return {joinPath(segment, path()), reason()}; }
};

// Writing a record as JSON failed (a number that JSON cannot hold).
class JsonEncodeError : public JsonError {
public:
    using JsonError::JsonError;
    JsonEncodeError under(std::string_view segment) const { return {joinPath(segment, path()), reason()}; }
};

// JSON text of `value` (compact when indent < 0). Text that is not valid UTF-8
// is written with U+FFFD in place of the bad bytes instead of failing.
std::string dumpJson(const nlohmann::json& value, int indent = -1);

// Parses JSON text. Bad UTF-8 bytes become U+FFFD; malformed JSON is a JsonDecodeError.
nlohmann::json parseJson(std::string_view text);

// `text` with every invalid UTF-8 sequence replaced by U+FFFD.
std::string sanitizeUtf8(std::string_view text);

namespace json_io {

// Strict readers: a value of another JSON type is a JsonDecodeError (a boolean is
// no number, a number no boolean); integers reject numbers with a fraction.
void read(const nlohmann::json& j, double& out);
void read(const nlohmann::json& j, int& out);
void read(const nlohmann::json& j, bool& out);
void read(const nlohmann::json& j, std::string& out);
const std::string& stringOf(const nlohmann::json& j);

// Writers; a non-finite number is a JsonEncodeError, never a silent null.
void write(nlohmann::json& j, double value);
void write(nlohmann::json& j, int value);
void write(nlohmann::json& j, bool value);
void write(nlohmann::json& j, const std::string& value);
void writeText(nlohmann::json& j, std::string_view value);

// "expected <what>, found <JSON type of j>".
[[noreturn]] void failType(const nlohmann::json& j, std::string_view expected);

}  // namespace json_io
}  // namespace vantrel
