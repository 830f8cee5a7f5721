#include "model/Date.h"

#include <cmath>
#include <ctime>

#include "model/Json.h"

namespace vantrel {

Date Date::now() { return fromTimePoint(std::chrono::system_clock::now()); }

Date Date::fromTimePoint(std::chrono::system_clock::time_point t) {
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(t.time_since_epoch()).count();
    return fromUnixSeconds(static_cast<double>(micros) / 1e6);
}

std::string Date::formatLocal(const char* pattern) const {
    const double unix = unixSeconds();
    // Beyond time_t the conversion below is undefined; such a date has no calendar form anyway.
    if (!(unix >= -0x1p63 && unix < 0x1p63)) return {};
    // Whole seconds toward the past, so 09:05:59.9 still reads 09:05.
    const auto seconds = static_cast<std::time_t>(std::floor(unix));
    std::tm local{};
    if (!localtime_r(&seconds, &local)) return {};
    char buffer[128];
    const std::size_t n = std::strftime(buffer, sizeof buffer, pattern, &local);
    return std::string(buffer, n);
}

void to_json(nlohmann::json& j, const Date& date) { json_io::write(j, date.secondsSince2001); }

void from_json(const nlohmann::json& j, Date& date) { json_io::read(j, date.secondsSince2001); }

}  // namespace vantrel
