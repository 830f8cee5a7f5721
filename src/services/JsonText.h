#pragma once
// The one text form of every JSON file the stores write: two-space indented,
// keys in sorted order (nlohmann::json keeps object keys sorted), and never a
// NaN or infinity, which JSON cannot hold.
#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace vantrel {

// The location ("parameters.exposure", "records[3].rating") of the first
// number that is not finite, if any.
std::optional<std::string> findNonFiniteNumber(const nlohmann::json& value);

// Pretty-printed text of `value`. Throws std::invalid_argument when `value`
// holds a number that is not finite, so that nothing partial is ever written.
// Invalid UTF-8 in strings is replaced rather than refused.
std::string prettyJson(const nlohmann::json& value);

}  // namespace vantrel
