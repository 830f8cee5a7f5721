#pragma once
// Shared checks for the records' JSON forms.
#include <set>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "model/Json.h"

namespace vantrel::testing {

using nlohmann::json;

inline std::set<std::string> keysOf(const json& j) {
    std::set<std::string> keys;
    for (const auto& [key, value] : j.items()) keys.insert(key);
    return keys;
}

// Writes `value` with every expected key, through text and back, and checks the
// result equals the original.
template <class T>
void expectRoundTrip(const T& value, const std::set<std::string>& keys) {
    const json written = value;
    EXPECT_EQ(keysOf(written), keys);
    const T back = parseJson(dumpJson(written)).get<T>();
    EXPECT_TRUE(back == value) << dumpJson(written);
}

// The reason and path a decoding failure reports.
template <class T>
std::string decodeFailure(const json& j) {
    try {
        (void)j.get<T>();
    } catch (const JsonDecodeError& e) {
        return e.what();
    }
    return "(decoded)";
}

// Every key required: leaving one out or nulling it fails with that key in the
// path; an unknown key is ignored.
template <class T>
void expectStrict(const T& value, const std::set<std::string>& optionalKeys = {}) {
    const json full = value;
    for (const auto& [key, unused] : full.items()) {
        if (optionalKeys.contains(key)) continue;
        json missing = full;
        missing.erase(key);
        EXPECT_EQ(decodeFailure<T>(missing), key + ": missing key");
        json null = full;
        null[key] = nullptr;
        EXPECT_EQ(decodeFailure<T>(null).rfind(key + ": expected ", 0), 0u) << key;
    }
    json extra = full;
    extra["someNewerKey"] = {1, 2, 3};
    EXPECT_TRUE(extra.get<T>() == value);
    EXPECT_EQ(decodeFailure<T>(json::array()), "expected object, found array");
}

}  // namespace vantrel::testing
