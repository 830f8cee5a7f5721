#include <cmath>
#include <cstdlib>
#include <limits>
#include <set>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "model/CropAspectRatio.h"
#include "model/Date.h"
#include "model/HSLColorChannel.h"
#include "model/Json.h"
#include "model/Uuid.h"

namespace vantrel {
namespace {

using nlohmann::json;

TEST(Uuid, ParsesEitherCaseAndWritesUpperCase) {
    const auto lower = Uuid::parse("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d");
    const auto upper = Uuid::parse("0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D");
    ASSERT_TRUE(lower && upper);
    EXPECT_EQ(*lower, *upper);
    EXPECT_EQ(lower->toString(), "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D");

    for (const char* bad : {"", "0A1B2C3D4E5F4A6B8C7D9E0F1A2B3C4D", "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4G",
                            "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D0", "0A1B2C3D_4E5F-4A6B-8C7D-9E0F1A2B3C4D"})
        EXPECT_FALSE(Uuid::parse(bad)) << bad;

    EXPECT_THROW((void)json("not-a-uuid").get<Uuid>(), JsonDecodeError);
    EXPECT_THROW((void)json(5).get<Uuid>(), JsonDecodeError);
    EXPECT_EQ(json(*upper).get<Uuid>(), *upper);
}

TEST(Uuid, RandomIsVersionFourAndDistinct) {
    std::set<Uuid> seen;
    for (int i = 0; i < 1000; ++i) {
        const Uuid id = Uuid::random();
        EXPECT_EQ(id.bytes()[6] >> 4, 4);
        EXPECT_EQ(id.bytes()[8] & 0xC0, 0x80);
        EXPECT_EQ(*Uuid::parse(id.toString()), id);
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 1000u);
    EXPECT_TRUE(Uuid().isNil());
}

TEST(Date, KeepsSecondsSince2001ExactlyThroughJson) {
    const Date date{796'215'930.123456789};
    const json j = date;
    EXPECT_TRUE(j.is_number());
    EXPECT_EQ(parseJson(dumpJson(j)).get<Date>(), date);
    EXPECT_EQ(Date::fromUnixSeconds(978'307'200).secondsSince2001, 0);
    EXPECT_NEAR(Date::now().unixSeconds(), static_cast<double>(std::time(nullptr)), 2.0);
    EXPECT_THROW((void)json("2026-01-01").get<Date>(), JsonDecodeError);
}

TEST(Date, FormatsInTheLocalTimeZone) {
    setenv("TZ", "UTC", 1);
    tzset();
    // 2001-01-01 00:00:59.9 UTC: seconds are dropped, not rounded up.
    EXPECT_EQ(Date{59.9}.formatLocal("%Y-%m-%d %H:%M"), "2001-01-01 00:00");
    EXPECT_EQ(Date{-0.5}.formatLocal("%Y-%m-%d %H:%M:%S"), "2000-12-31 23:59:59");
    EXPECT_EQ(Date{std::numeric_limits<double>::quiet_NaN()}.formatLocal("%Y"), "");
    // Dates a file may hold but no calendar can show (far beyond time_t, or beyond its years).
    EXPECT_EQ(Date{4.4e128}.formatLocal("%Y"), "");
    EXPECT_EQ(Date{-1e300}.formatLocal("%Y"), "");
    EXPECT_EQ(Date{1e18}.formatLocal("%Y"), "");
}

TEST(JsonHelpers, ErrorsCarryTheirPath) {
    EXPECT_EQ(JsonError::joinPath("crop", "aspectRatio"), "crop.aspectRatio");
    EXPECT_EQ(JsonError::joinPath("curvePoints", "[2].x"), "curvePoints[2].x");
    EXPECT_EQ(JsonError::joinPath("crop", ""), "crop");
    const JsonDecodeError inner("aspectRatio", "missing key");
    const JsonDecodeError outer = inner.under("crop");
    EXPECT_STREQ(outer.what(), "crop.aspectRatio: missing key");
    EXPECT_EQ(outer.reason(), "missing key");
    EXPECT_STREQ(JsonDecodeError("", "expected object, found array").what(), "expected object, found array");
}

TEST(JsonHelpers, PrimitiveReadersAreStrict) {
    double d = 0;
    int i = 0;
    bool b = false;
    std::string s;
    EXPECT_THROW(json_io::read(json(true), d), JsonDecodeError);
    EXPECT_THROW(json_io::read(json("0.5"), d), JsonDecodeError);
    json_io::read(json(3), d);
    EXPECT_EQ(d, 3.0);

    EXPECT_THROW(json_io::read(json(1.5), i), JsonDecodeError);
    EXPECT_THROW(json_io::read(json(1e12), i), JsonDecodeError);
    EXPECT_THROW(json_io::read(json(std::uint64_t{1} << 40), i), JsonDecodeError);
    EXPECT_THROW(json_io::read(json(false), i), JsonDecodeError);
    json_io::read(json(5.0), i);
    EXPECT_EQ(i, 5);
    json_io::read(json(-3), i);
    EXPECT_EQ(i, -3);

    EXPECT_THROW(json_io::read(json(1), b), JsonDecodeError);
    EXPECT_THROW(json_io::read(json(1), s), JsonDecodeError);
    try {
        json_io::read(json::array(), d);
        FAIL();
    } catch (const JsonDecodeError& e) {
        EXPECT_STREQ(e.what(), "expected number, found array");
    }
}

TEST(JsonHelpers, WritingRefusesNonFiniteNumbers) {
    json j = 7;
    EXPECT_THROW(json_io::write(j, std::numeric_limits<double>::quiet_NaN()), JsonEncodeError);
    EXPECT_THROW(json_io::write(j, -std::numeric_limits<double>::infinity()), JsonEncodeError);
    EXPECT_EQ(j, json(7));  // left as it was
}

TEST(JsonHelpers, BadUtf8IsReplacedNeverThrown) {
    const std::string bad = "Roll \xFF\xC3(";  // stray byte and a cut-off sequence
    EXPECT_EQ(sanitizeUtf8(bad), "Roll \xEF\xBF\xBD\xEF\xBF\xBD(");
    EXPECT_EQ(sanitizeUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // encoded surrogate
    EXPECT_EQ(sanitizeUtf8("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");                  // overlong
    const std::string good = "线性渐变 ▶ 24A ƒ/1.4 😀";
    EXPECT_EQ(sanitizeUtf8(good), good);

    json j = {{"name", bad}};
    EXPECT_THROW((void)j.dump(), json::type_error);
    EXPECT_EQ(dumpJson(j), "{\"name\":\"Roll \xEF\xBF\xBD\xEF\xBF\xBD(\"}");

    EXPECT_EQ(parseJson("{\"name\":\"a\xFF" "b\"}")["name"], "a\xEF\xBF\xBD" "b");
    EXPECT_THROW(parseJson("{\"name\":"), JsonDecodeError);
    // A number too large for a double is malformed too, not a foreign exception.
    EXPECT_THROW(parseJson("{\"exposure\": 737601e863}"), JsonDecodeError);
    EXPECT_THROW(parseJson("[-1e400]"), JsonDecodeError);
}

TEST(EnumTables, RawStringsOlderLabelsAndDisplayNames) {
    const auto channels = allCases<HSLColorChannel>();
    ASSERT_EQ(channels.size(), 8u);
    EXPECT_EQ(channels.front(), HSLColorChannel::red);
    EXPECT_EQ(channels.back(), HSLColorChannel::magenta);
    EXPECT_EQ(rawValue(HSLColorChannel::cyan), "cyan");
    EXPECT_EQ(displayNameKey(HSLColorChannel::cyan), "hsl.aqua");

    EXPECT_EQ(displayName(CropAspectRatio::xpan), "crop.ratio65x24");
    setTranslationHook([](std::string_view key) { return key == "crop.ratio65x24" ? std::string("XPan") : std::string(key); });
    EXPECT_EQ(displayName(CropAspectRatio::xpan), "XPan");
    EXPECT_EQ(localizationKey(HSLColorChannel::red), "hsl.red");
    setTranslationHook({});

    EXPECT_EQ(enumFromRaw<CropAspectRatio>("xpan"), CropAspectRatio::xpan);
    EXPECT_FALSE(enumFromRaw<CropAspectRatio>("65:24 (哈苏 XPan 宽幅)"));
    EXPECT_EQ(enumFromStored<CropAspectRatio>("65:24 (哈苏 XPan 宽幅)"), CropAspectRatio::xpan);
}

}  // namespace
}  // namespace vantrel
