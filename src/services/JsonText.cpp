#include "services/JsonText.h"

#include <cmath>
#include <stdexcept>

#include "model/Json.h"

namespace vantrel {

namespace {

bool findIn(const nlohmann::json& value, std::string& location) {
    switch (value.type()) {
    case nlohmann::json::value_t::number_float:
        return !std::isfinite(value.get<double>());
    case nlohmann::json::value_t::object:
        for (const auto& [key, member] : value.items()) {
            if (findIn(member, location)) {
                location = location.empty() || location.front() == '['
                               ? key + location
                               : key + "." + location;
                return true;
            }
        }
        return false;
    case nlohmann::json::value_t::array:
        for (size_t i = 0; i < value.size(); ++i) {
            if (findIn(value[i], location)) {
                const std::string index = "[" + std::to_string(i) + "]";
                location = location.empty() || location.front() == '[' ? index + location
                                                                        : index + "." + location;
                return true;
            }
        }
        return false;
    default:
        return false;
    }
}

}  // namespace

std::optional<std::string> findNonFiniteNumber(const nlohmann::json& value) {
    std::string location;
    if (!findIn(value, location)) return std::nullopt;
    return location.empty() ? std::string("(top level)") : location;
}

std::string prettyJson(const nlohmann::json& value) {
    if (const auto location = findNonFiniteNumber(value))
        throw std::invalid_argument("The value at " + *location + " is not a finite number");
    std::string text = dumpJson(value, 2);
    text.push_back('\n');
    return text;
}

}  // namespace vantrel
