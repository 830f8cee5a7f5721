#include "services/TextFormatter.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>

namespace vantrel {
namespace {

// Bounds that keep a malformed text from asking for absurd padding.
constexpr int kMaxWidth = 256;
constexpr int kMaxPrecision = 40;

enum class Kind { text, integer, number };

struct Directive {
    std::size_t length = 0;  // characters from '%' to the conversion, inclusive
    int position = -1;       // zero-based explicit argument, or -1
    std::string flags;
    int width = -1;
    int precision = -1;
    std::string lengthModifier;
    char conversion = 0;

    Kind kind() const {
        if (conversion == '@' || conversion == 's') return Kind::text;
        if (conversion == 'f' || conversion == 'F') return Kind::number;
        return Kind::integer;
    }
    bool hasFlag(char f) const { return flags.find(f) != std::string::npos; }
    // The placeholder as written, without its position.
    std::string withoutPosition() const {
        std::string out = "%" + flags;
        if (width >= 0) out += std::to_string(width);
        if (precision >= 0) out += "." + std::to_string(precision);
        return out + lengthModifier + conversion;
    }
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads decimal digits at `pos`; nothing when there are none or they exceed `limit`.
std::optional<int> readNumber(std::string_view text, std::size_t& pos, int limit) {
    const std::size_t start = pos;
    long value = 0;
    while (pos < text.size() && isDigit(text[pos])) {
        value = value * 10 + (text[pos] - '0');
        if (value > limit) return std::nullopt;
        ++pos;
    }
    if (pos == start) return std::nullopt;
    return static_cast<int>(value);
}

// Parses the placeholder starting at text[start] == '%'; nothing when the
// characters there are not a placeholder (and so are plain text).
std::optional<Directive> parseDirective(std::string_view text, std::size_t start) {
    Directive directive;
    std::size_t pos = start + 1;

    // Positional form "%2$...": digits then '$'.
    std::size_t probe = pos;
    if (auto n = readNumber(text, probe, 99); n && probe < text.size() && text[probe] == '$') {
        if (*n < 1) return std::nullopt;
        directive.position = *n - 1;
        pos = probe + 1;
    }
    while (pos < text.size() && std::string_view("-+ 0#").find(text[pos]) != std::string_view::npos) {
        directive.flags += text[pos++];
    }
    if (pos < text.size() && isDigit(text[pos])) {
        auto w = readNumber(text, pos, kMaxWidth);
        if (!w) return std::nullopt;
        directive.width = *w;
    }
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        directive.precision = 0;
        if (pos < text.size() && isDigit(text[pos])) {
            auto p = readNumber(text, pos, kMaxPrecision);
            if (!p) return std::nullopt;
            directive.precision = *p;
        }
    }
    for (std::string_view mod : {"ll", "l", "h"}) {
        if (text.substr(pos, mod.size()) == mod) {
            directive.lengthModifier = mod;
            pos += mod.size();
            break;
        }
    }
    if (pos >= text.size()) return std::nullopt;
    const char c = text[pos];
    const bool integer = c == 'd' || c == 'i' || c == 'u';
    const bool number = c == 'f' || c == 'F';
    const bool string = c == '@' || c == 's';
    if (!integer && !number && !string) return std::nullopt;
    if (!integer && !directive.lengthModifier.empty()) return std::nullopt;
    directive.conversion = c;
    directive.length = pos + 1 - start;
    return directive;
}

std::size_t codePoints(std::string_view utf8) {
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Applies sign flags, zero padding and width to digits already written.
std::string pad(const Directive& directive, std::string body, bool numeric) {
    std::string sign;
    if (numeric) {
        if (!body.empty() && body.front() == '-') {
            sign = "-";
            body.erase(0, 1);
        } else if (directive.hasFlag('+')) {
            sign = "+";
        } else if (directive.hasFlag(' ')) {
            sign = " ";
        }
    }
    const std::size_t used = sign.size() + codePoints(body);
    const std::size_t width = directive.width > 0 ? static_cast<std::size_t>(directive.width) : 0;
    if (used >= width) return sign + body;
    const std::size_t fill = width - used;
    if (directive.hasFlag('-')) return sign + body + std::string(fill, ' ');
    if (numeric && directive.hasFlag('0')) return sign + std::string(fill, '0') + body;
    return std::string(fill, ' ') + sign + body;
}

std::string formatInteger(const Directive& directive, std::int64_t value) {
    std::array<char, 32> buffer{};
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    std::string digits(buffer.data(), result.ptr);
    if (directive.precision >= 0) {
        const bool negative = value < 0;
        std::string magnitude = negative ? digits.substr(1) : digits;
        if (magnitude.size() < static_cast<std::size_t>(directive.precision)) {
            magnitude.insert(0, static_cast<std::size_t>(directive.precision) - magnitude.size(), '0');
        }
        digits = (negative ? "-" : "") + magnitude;
    }
    return pad(directive, std::move(digits), true);
}

std::string formatNumber(const Directive& directive, double value) {
    if (!std::isfinite(value)) {
        std::string word = std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
        Directive plain = directive;
        plain.flags.erase(std::remove(plain.flags.begin(), plain.flags.end(), '0'), plain.flags.end());
        return pad(plain, std::move(word), true);
    }
    const int precision = directive.precision >= 0 ? directive.precision : 6;
    std::array<char, 400> buffer{};
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, precision);
    if (result.ec != std::errc()) return directive.withoutPosition();
    return pad(directive, std::string(buffer.data(), result.ptr), true);
}

std::optional<std::string> render(const Directive& directive, const FormatArg& arg) {
    switch (directive.kind()) {
        case Kind::text:
            if (auto* s = std::get_if<std::string>(&arg)) return pad(directive, *s, false);
            return std::nullopt;
        case Kind::integer:
            if (auto* i = std::get_if<std::int64_t>(&arg)) return formatInteger(directive, *i);
            return std::nullopt;
        case Kind::number:
            if (auto* d = std::get_if<double>(&arg)) return formatNumber(directive, *d);
            return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

std::string formatText(std::string_view format, std::span<const FormatArg> args) {
    std::string out;
    out.reserve(format.size() + 16);
    int sequential = 0;
    std::size_t pos = 0;
    while (pos < format.size()) {
        const std::size_t percent = format.find('%', pos);
        if (percent == std::string_view::npos) {
            out.append(format.substr(pos));
            break;
        }
        out.append(format.substr(pos, percent - pos));
        if (percent + 1 < format.size() && format[percent + 1] == '%') {
            out += '%';
            pos = percent + 2;
            continue;
        }
        const auto directive = parseDirective(format, percent);
        if (!directive) {
            out += '%';
            pos = percent + 1;
            continue;
        }
        const int index = directive->position >= 0 ? directive->position : sequential++;
        std::optional<std::string> filled;
        if (index < static_cast<int>(args.size())) filled = render(*directive, args[static_cast<std::size_t>(index)]);
        out.append(filled ? *filled : std::string(format.substr(percent, directive->length)));
        pos = percent + directive->length;
    }
    return out;
}

std::vector<Placeholder> placeholdersOf(std::string_view format) {
    std::vector<Placeholder> out;
    int sequential = 0;
    std::size_t pos = 0;
    while ((pos = format.find('%', pos)) != std::string_view::npos) {
        if (pos + 1 < format.size() && format[pos + 1] == '%') {
            pos += 2;
            continue;
        }
        const auto directive = parseDirective(format, pos);
        if (!directive) {
            ++pos;
            continue;
        }
        const int index = directive->position >= 0 ? directive->position : sequential++;
        out.push_back({index, directive->withoutPosition()});
        pos += directive->length;
    }
    std::stable_sort(out.begin(), out.end(), [](const Placeholder& a, const Placeholder& b) { return a.argument < b.argument; });
    return out;
}

}  // namespace vantrel
