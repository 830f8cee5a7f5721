#include "model/Uuid.h"

#include <random>

#include <nlohmann/json.hpp>

#include "model/Json.h"

namespace vantrel {
namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::mt19937_64& threadGenerator() {
    thread_local std::mt19937_64 generator = [] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device(), device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }();
    return generator;
}

}  // namespace

Uuid Uuid::random() {
    auto& generator = threadGenerator();
    Bytes bytes{};
    for (std::size_t half = 0; half < 2; ++half) {
        std::uint64_t word = generator();
        for (std::size_t i = 0; i < 8; ++i) bytes[half * 8 + i] = static_cast<std::uint8_t>(word >> (8 * i));
    }
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    return Uuid(bytes);
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
    if (text.size() != 36) return std::nullopt;
    Bytes bytes{};
    std::size_t byte = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-') return std::nullopt;
            ++i;
            continue;
        }
        const int high = hexDigit(text[i]);
        const int low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes[byte++] = static_cast<std::uint8_t>(high * 16 + low);
        i += 2;
    }
    return Uuid(bytes);
}

std::string Uuid::toString() const {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (std::size_t i = 0; i < bytes_.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text.push_back('-');
        text.push_back(digits[bytes_[i] >> 4]);
        text.push_back(digits[bytes_[i] & 0x0F]);
    }
    return text;
}

void to_json(nlohmann::json& j, const Uuid& id) { j = id.toString(); }

void from_json(const nlohmann::json& j, Uuid& id) {
    const std::string& text = json_io::stringOf(j);
    auto parsed = Uuid::parse(text);
    if (!parsed) throw JsonDecodeError({}, "not a valid UUID: \"" + text + "\"");
    id = *parsed;
}

}  // namespace vantrel

std::size_t std::hash<vantrel::Uuid>::operator()(const vantrel::Uuid& id) const noexcept {
    std::size_t h = 1469598103934665603ULL;
    for (auto b : id.bytes()) h = (h ^ b) * 1099511628211ULL;
    return h;
}
