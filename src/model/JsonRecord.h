#pragma once
// One reader and one writer for every record: each record declares its JSON
// fields once (key, member, required or optional) in a schema, and
// readRecord / writeRecord do the rest. Only record sources include this.
//
// Reading starts from the record's default value, so a lenient record's
// missing or null key keeps the field's default (a fresh identifier included).
// A strict record requires every key. A present value of the wrong type always
// fails; unknown keys are ignored. Failures carry the JSON path.
#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/Json.h"

namespace vantrel::json_io {

using nlohmann::json;

// Runs `f` and, if it fails, reports the failure one level further out.
template <class F>
void inSegment(std::string_view segment, F&& f) {
    try {
        f();
    } catch (const JsonDecodeError& e) {
        throw e.under(segment);
    } catch (const JsonEncodeError& e) {
        throw e.under(segment);
    }
}

inline std::string indexSegment(std::size_t i) { return "[" + std::to_string(i) + "]"; }

template <class V>
struct IsVector : std::false_type {};
template <class V, class A>
struct IsVector<std::vector<V, A>> : std::true_type {};

template <class V>
struct IsTextMap : std::false_type {};
template <class V, class C, class A>
struct IsTextMap<std::map<std::string, V, C, A>> : std::true_type {};

template <class V>
constexpr bool isPrimitive = std::is_same_v<V, double> || std::is_same_v<V, int> || std::is_same_v<V, bool> ||
                             std::is_same_v<V, std::string>;

template <class V>
void readValue(const json& j, V& out) {
    if constexpr (isPrimitive<V>) {
        read(j, out);
    } else if constexpr (IsVector<V>::value) {
        if (!j.is_array()) failType(j, "array");
        V items;
        items.reserve(j.size());
        for (std::size_t i = 0; i < j.size(); ++i) {
            typename V::value_type item{};
            inSegment(indexSegment(i), [&] { readValue(j[i], item); });
            items.push_back(std::move(item));
        }
        out = std::move(items);
    } else if constexpr (IsTextMap<V>::value) {
        if (!j.is_object()) failType(j, "object");
        V items;
        for (const auto& entry : j.items()) {
            // Plain references: lambdas cannot capture structured bindings before clang 16.
            const std::string& key = entry.key();
            const json& element = entry.value();
            typename V::mapped_type item{};
            inSegment(key, [&] { readValue(element, item); });
            items.emplace(key, std::move(item));
        }
        out = std::move(items);
    } else {
        from_json(j, out);  // records, enumerations, identifiers, dates (found by ADL)
    }
}

template <class V>
void writeValue(json& j, const V& value) {
    if constexpr (isPrimitive<V>) {
        write(j, value);
    } else if constexpr (IsVector<V>::value) {
        json items = json::array();
        for (std::size_t i = 0; i < value.size(); ++i) {
            json item;
            inSegment(indexSegment(i), [&] { writeValue(item, value[i]); });
            items.push_back(std::move(item));
        }
        j = std::move(items);
    } else if constexpr (IsTextMap<V>::value) {
        json items = json::object();
        for (const auto& entry : value) {
            const std::string& key = entry.first;
            const auto& element = entry.second;
            json item;
            inSegment(key, [&] { writeValue(item, element); });
            items[key] = std::move(item);
        }
        j = std::move(items);
    } else {
        to_json(j, value);
    }
}

enum class Reading { strict, lenient };
enum class Presence { asRecord, required, optional };

template <class T, class M>
struct Field {
    std::string_view key;
    M T::*member;
    Presence presence = Presence::asRecord;
};

template <class T, class M>
constexpr Field<T, M> field(std::string_view key, M T::*member, Presence presence = Presence::asRecord) {
    return {key, member, presence};
}

template <class T, class... M>
struct Schema {
    Reading reading;
    std::tuple<Field<T, M>...> fields;
};

template <class T, class... M>
constexpr Schema<T, M...> strictRecord(Field<T, M>... fields) {
    return {Reading::strict, {fields...}};
}

template <class T, class... M>
constexpr Schema<T, M...> lenientRecord(Field<T, M>... fields) {
    return {Reading::lenient, {fields...}};
}

template <class T, class M>
void readField(const json& object, T& record, const Field<T, M>& f, Reading reading) {
    const bool optional =
        f.presence == Presence::optional || (f.presence == Presence::asRecord && reading == Reading::lenient);
    const auto it = object.find(f.key);
    if (it == object.end() || (optional && it->is_null())) {
        if (optional) return;
        throw JsonDecodeError(std::string(f.key), "missing key");
    }
    inSegment(f.key, [&] { readValue(*it, record.*f.member); });
}

// Reads `j` into `out`; on failure `out` is left unchanged.
template <class T, class... M>
void readRecord(const json& j, T& out, const Schema<T, M...>& schema) {
    if (!j.is_object()) failType(j, "object");
    T record{};
    std::apply([&](const auto&... f) { (readField(j, record, f, schema.reading), ...); }, schema.fields);
    out = std::move(record);
}

// Writes every key of the schema; on failure `j` is left unchanged.
template <class T, class... M>
void writeRecord(json& j, const T& record, const Schema<T, M...>& schema) {
    json object = json::object();
    std::apply(
        [&](const auto&... f) {
            (inSegment(f.key, [&] { writeValue(object[std::string(f.key)], record.*f.member); }), ...);
        },
        schema.fields);
    j = std::move(object);
}

}  // namespace vantrel::json_io
