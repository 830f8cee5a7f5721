#pragma once
// A point in time kept as seconds since 2001-01-01 00:00:00 UTC, the form the
// stored files use, so that a date read from a file and written back is unchanged.
#include <chrono>
#include <compare>
#include <string>

#include <nlohmann/json_fwd.hpp>

namespace vantrel {

struct Date {
    // Seconds between 1970-01-01 and 2001-01-01, both UTC.
    static constexpr double unixOffset = 978307200.0;

    double secondsSince2001 = 0;

    static Date now();
    static Date fromUnixSeconds(double seconds) { return Date{seconds - unixOffset}; }
    static Date fromTimePoint(std::chrono::system_clock::time_point t);

    double unixSeconds() const { return secondsSince2001 + unixOffset; }

    // The date as text in the local time zone, through strftime's `pattern`.
    std::string formatLocal(const char* pattern) const;

    friend auto operator<=>(const Date&, const Date&) = default;
};

void to_json(nlohmann::json& j, const Date& date);
void from_json(const nlohmann::json& j, Date& date);

}  // namespace vantrel
