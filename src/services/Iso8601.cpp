#include "services/Iso8601.h"

#include <chrono>
#include <cstdio>

namespace vantrel {

namespace {

bool digits(std::string_view text, size_t from, size_t count, int& out) {
    if (from + count > text.size()) return false;
    out = 0;
    for (size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        out = out * 10 + (text[i] - '0');
    }
    return true;
}

}  // namespace

std::string formatIso8601(std::int64_t unixSeconds) {
    using namespace std::chrono;
    const sys_seconds time{seconds{unixSeconds}};
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{time - day};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

std::optional<std::int64_t> parseIso8601(std::string_view text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (text.size() < 20 || !digits(text, 0, 4, y) || text[4] != '-' || !digits(text, 5, 2, mo) ||
        text[7] != '-' || !digits(text, 8, 2, d) || text[10] != 'T' || !digits(text, 11, 2, h) ||
        text[13] != ':' || !digits(text, 14, 2, mi) || text[16] != ':' || !digits(text, 17, 2, s))
        return std::nullopt;
    if (h > 23 || mi > 59 || s > 59) return std::nullopt;

    int offsetMinutes = 0;
    const std::string_view zone = text.substr(19);
    if (zone != "Z") {
        int oh = 0, om = 0;
        const bool colon = zone.size() == 6 && zone[3] == ':';
        if ((zone.size() != 6 || !colon) && zone.size() != 5) return std::nullopt;
        if ((zone[0] != '+' && zone[0] != '-') || !digits(zone, 1, 2, oh) || !digits(zone, colon ? 4 : 3, 2, om) ||
            oh > 23 || om > 59)
            return std::nullopt;
        offsetMinutes = (zone[0] == '-' ? -1 : 1) * (oh * 60 + om);
    }

    using namespace std::chrono;
    const year_month_day date{year{y}, month{static_cast<unsigned>(mo)}, day{static_cast<unsigned>(d)}};
    if (!date.ok()) return std::nullopt;
    const auto local = sys_days{date}.time_since_epoch() + hours{h} + minutes{mi} + seconds{s};
    return duration_cast<seconds>(local - minutes{offsetMinutes}).count();
}

}  // namespace vantrel
