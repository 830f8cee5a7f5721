#pragma once
// Internet date-times ("2026-01-31T18:05:00Z"), the date form of recipe files.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// UTC, whole seconds (a fraction is dropped), "Z" suffix.
std::string formatIso8601(std::int64_t unixSeconds);

// Reads "YYYY-MM-DDTHH:MM:SS" followed by "Z" or a numeric offset ("+02:00",
// "-0530"). Fractional seconds, lower-case separators, impossible dates and
// any other form give nothing.
std::optional<std::int64_t> parseIso8601(std::string_view text);

}  // namespace vantrel
