#pragma once
// Drivers for the roll files the session store reads: each takes a file's bytes through the
// store's own decoding (JSON text, then the record's from_json), uses the result the way the
// program does, and checks that what would be saved back reads back unchanged.
// A file the readers refuse ends in JsonDecodeError, which is the expected outcome. Each
// driver returns whether the file was accepted.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "fuzz/FuzzCheck.h"
#include "model/EditParameters.h"
#include "model/Json.h"
#include "model/RollCullingDatabase.h"
#include "model/SnapshotItem.h"

namespace vantrel::fuzz {

// The JSON value of the text, or null when the text is refused (malformed JSON).
inline std::optional<nlohmann::json> parseOrRefuse(std::string_view text) {
    try {
        return parseJson(text);
    } catch (const JsonDecodeError&) {
        return std::nullopt;
    }
}

template <class T>
std::optional<T> decodeOrRefuse(const nlohmann::json& json) {
    try {
        return json.get<T>();
    } catch (const JsonDecodeError&) {
        return std::nullopt;
    }
}

// A record that was read must be writable, and the text written must read back as the same record.
template <class T>
T savedAndReadBack(const T& value, const char* what) {
    nlohmann::json out;
    try {
        to_json(out, value);
    } catch (const JsonEncodeError& e) {
        throw BrokenPromise(std::string(what) + " read from a file cannot be saved: " + e.what());
    }
    return parseJson(dumpJson(out, 2)).get<T>();
}

inline bool readRecipe(std::string_view text) {
    const auto json = parseOrRefuse(text);
    if (!json) return false;
    const auto recipe = decodeOrRefuse<EditParameters>(*json);
    if (!recipe) return false;
    (void)recipe->hasHSLAdjustments();
    (void)recipe->sameContent(EditParameters::defaultValue());
    require(savedAndReadBack(*recipe, "a recipe") == *recipe, "a recipe changes when saved and read back");
    return true;
}

inline bool readSnapshotList(std::string_view text) {
    const auto json = parseOrRefuse(text);
    if (!json) return false;
    std::vector<SnapshotItem> list;
    try {
        list = decodeSnapshotList(*json);
    } catch (const JsonDecodeError&) {
        return false;
    }
    for (const SnapshotItem& item : list) (void)item.formattedDate();  // the list shows every date
    nlohmann::json out;
    try {
        out = encodeSnapshotList(list);
    } catch (const JsonEncodeError& e) {
        throw BrokenPromise(std::string("a snapshot list read from a file cannot be saved: ") + e.what());
    }
    require(decodeSnapshotList(parseJson(dumpJson(out, 2))) == list, "a snapshot list changes when saved and read back");
    return true;
}

inline bool readCullingDatabase(std::string_view text) {
    const auto json = parseOrRefuse(text);
    if (!json) return false;
    auto database = decodeOrRefuse<RollCullingDatabase>(*json);
    if (!database) return false;
    require(savedAndReadBack(*database, "a culling database").records == database->records,
            "a culling database changes when saved and read back");
    // Opening a roll hands the stored records over to this session's frames by file name.
    std::vector<RollCullingDatabase::Frame> frames;
    for (const auto& entry : database->records) frames.push_back({Uuid::random(), entry.second.filename});
    const std::size_t before = database->records.size();
    database->rekeyByFilename(frames);
    require(database->records.size() == before, "re-keying a culling database loses or adds records");
    return true;
}

}  // namespace vantrel::fuzz
