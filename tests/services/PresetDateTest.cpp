#include "services/Iso8601.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(PresetDate, WritesUtcWholeSecondsAndReadsInternetDateTimes) {
    EXPECT_EQ(formatIso8601(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(formatIso8601(1769882700), "2026-01-31T18:05:00Z");
    EXPECT_EQ(formatIso8601(951782400), "2000-02-29T00:00:00Z");
    EXPECT_EQ(formatIso8601(-1), "1969-12-31T23:59:59Z");

    EXPECT_EQ(parseIso8601("2026-01-31T18:05:00Z"), 1769882700);
    EXPECT_EQ(parseIso8601("2026-01-31T20:05:00+02:00"), 1769882700);
    EXPECT_EQ(parseIso8601("2026-01-31T12:35:00-0530"), 1769882700);
    EXPECT_EQ(parseIso8601("2000-02-29T00:00:00Z"), 951782400);

    for (const char* bad : {"2026-01-31T18:05:00.250Z", "2026-01-31T18:05:00", "2026-01-31 18:05:00Z",
                            "2026-01-31t18:05:00z", "2026-02-30T00:00:00Z", "2026-13-01T00:00:00Z",
                            "2026-01-31T24:00:00Z", "2026-01-31T18:05:00+2:00", "2026-1-31T18:05:00Z", "",
                            "2026-01-31T18:05:00Z trailing"})
        EXPECT_EQ(parseIso8601(bad), std::nullopt) << bad;

    for (std::int64_t t : {std::int64_t{-62135596800}, std::int64_t{0}, std::int64_t{253402300799}})
        EXPECT_EQ(parseIso8601(formatIso8601(t)), t);
}

}  // namespace
}  // namespace vantrel
