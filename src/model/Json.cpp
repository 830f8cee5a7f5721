#include "model/Json.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include <nlohmann/json.hpp>

namespace vantrel {

JsonError::JsonError(std::string path, std::string reason)
    : std::runtime_error(path.empty() ? reason : path + ": " + reason),
      path_(std::move(path)),
      reason_(std::move(reason)) {}

std::string JsonError::joinPath(std::string_view segment, std::string_view path) {
    std::string joined(segment);
    if (!path.empty() && path.front() != '[') joined.push_back('.');
    joined.append(path);
    return joined;
}

std::string dumpJson(const nlohmann::json& value, int indent) {
    return value.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}

nlohmann::json parseJson(std::string_view text) {
    try {
        return nlohmann::json::parse(sanitizeUtf8(text));
    } catch (const nlohmann::json::exception& e) {
        // parse_error, and out_of_range for a number beyond double ("1e999").
        throw JsonDecodeError({}, std::string("malformed JSON: ") + e.what());
    }
}

std::string sanitizeUtf8(std::string_view text) {
    static constexpr std::string_view replacement = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(text.size());
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        std::size_t length = 0;
        std::uint32_t minimum = 0;
        std::uint32_t code = 0;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            length = 2, minimum = 0x80, code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3, minimum = 0x800, code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4, minimum = 0x10000, code = c & 0x07;
        }
        bool valid = length > 0 && i + length <= n;
        for (std::size_t k = 1; valid && k < length; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) valid = false;
            else code = (code << 6) | (s[i + k] & 0x3F);
        }
        valid = valid && code >= minimum && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
        if (valid) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            out.append(replacement);
            ++i;
        }
    }
    return out;
}

namespace json_io {

void failType(const nlohmann::json& j, std::string_view expected) {
    throw JsonDecodeError({}, "expected " + std::string(expected) + ", found " + j.type_name());
}

void read(const nlohmann::json& j, double& out) {
    if (!j.is_number()) failType(j, "number");
    out = j.get<double>();
}

void read(const nlohmann::json& j, int& out) {
    if (j.is_number_integer()) {
        // Signed and unsigned storage both land here.
        if (j.is_number_unsigned()) {
            const auto v = j.get<std::uint64_t>();
            if (v > static_cast<std::uint64_t>(std::numeric_limits<int>::max()))
                throw JsonDecodeError({}, "integer out of range: " + j.dump());
            out = static_cast<int>(v);
            return;
        }
        const auto v = j.get<std::int64_t>();
        if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
            throw JsonDecodeError({}, "integer out of range: " + j.dump());
        out = static_cast<int>(v);
        return;
    }
    if (j.is_number_float()) {
        const double v = j.get<double>();
        if (std::trunc(v) != v) throw JsonDecodeError({}, "expected integer, found " + j.dump());
        if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
            throw JsonDecodeError({}, "integer out of range: " + j.dump());
        out = static_cast<int>(v);
        return;
    }
    failType(j, "integer");
}

void read(const nlohmann::json& j, bool& out) {
    if (!j.is_boolean()) failType(j, "boolean");
    out = j.get<bool>();
}

const std::string& stringOf(const nlohmann::json& j) {
    if (!j.is_string()) failType(j, "string");
    return j.get_ref<const std::string&>();
}

void read(const nlohmann::json& j, std::string& out) { out = stringOf(j); }

void write(nlohmann::json& j, double value) {
    if (!std::isfinite(value)) throw JsonEncodeError({}, "cannot write a non-finite number");
    j = value;
}

void write(nlohmann::json& j, int value) { j = value; }
void write(nlohmann::json& j, bool value) { j = value; }
void write(nlohmann::json& j, const std::string& value) { j = value; }
void writeText(nlohmann::json& j, std::string_view value) { j = std::string(value); }

}  // namespace json_io
}  // namespace vantrel
