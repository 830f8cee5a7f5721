#include "model/RollCullingDatabase.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;

template <class Mark>
void change(RollCullingDatabase& db, const Uuid& id, std::string_view filename, Mark PhotoCullingRecord::*mark,
            Date PhotoCullingRecord::*changedAt, Mark value) {
    PhotoCullingRecord record = db.record(id, filename);
    record.*mark = value;
    record.updatedAt = Date::now();
    record.*changedAt = record.updatedAt;
    db.records.insert_or_assign(id, std::move(record));
}

// Each mark of `into` replaced by the stored one's where that was set later.
void takeLaterMarks(PhotoCullingRecord& into, const PhotoCullingRecord& stored) {
    const auto take = [&](auto PhotoCullingRecord::*mark, Date PhotoCullingRecord::*changedAt) {
        if (stored.*changedAt <= into.*changedAt) return;
        into.*mark = stored.*mark;
        into.*changedAt = stored.*changedAt;
    };
    take(&PhotoCullingRecord::rating, &PhotoCullingRecord::ratingChangedAt);
    take(&PhotoCullingRecord::colorLabel, &PhotoCullingRecord::colorLabelChangedAt);
    take(&PhotoCullingRecord::pickStatus, &PhotoCullingRecord::pickStatusChangedAt);
    into.updatedAt = std::max(into.updatedAt, stored.updatedAt);
    if (into.filename.empty()) into.filename = stored.filename;
}

}  // namespace

PhotoCullingRecord RollCullingDatabase::record(const Uuid& id, std::string_view filename) const {
    if (const auto it = records.find(id); it != records.end()) return it->second;
    return PhotoCullingRecord{.id = id, .filename = std::string(filename)};
}

void RollCullingDatabase::setRating(int stars, const Uuid& id, std::string_view filename) {
    change(*this, id, filename, &PhotoCullingRecord::rating, &PhotoCullingRecord::ratingChangedAt,
           std::clamp(stars, 0, 5));
}

void RollCullingDatabase::setColorLabel(ColorLabel label, const Uuid& id, std::string_view filename) {
    change(*this, id, filename, &PhotoCullingRecord::colorLabel, &PhotoCullingRecord::colorLabelChangedAt, label);
}

void RollCullingDatabase::setPickStatus(PickStatus status, const Uuid& id, std::string_view filename) {
    change(*this, id, filename, &PhotoCullingRecord::pickStatus, &PhotoCullingRecord::pickStatusChangedAt, status);
}

std::size_t RollCullingDatabase::rekeyByFilename(const std::vector<Frame>& frames) {
    // The newest record per file name among those no current frame holds by identifier.
    std::unordered_set<Uuid> current;
    for (const Frame& f : frames) current.insert(f.id);
    std::unordered_map<std::string, Uuid> newestByName;
    for (const auto& [id, r] : records) {
        if (current.contains(id)) continue;
        auto [it, inserted] = newestByName.try_emplace(r.filename, id);
        if (!inserted && records.at(it->second).updatedAt < r.updatedAt) it->second = id;
    }

    std::size_t moved = 0;
    for (const Frame& frame : frames) {
        if (records.contains(frame.id)) continue;
        const auto found = newestByName.find(frame.filename);
        if (found == newestByName.end()) continue;
        auto node = records.extract(found->second);
        newestByName.erase(found);  // one record per frame, even if a name repeats
        node.key() = frame.id;
        node.mapped().id = frame.id;
        records.insert(std::move(node));
        ++moved;
    }
    return moved;
}

void RollCullingDatabase::merge(const RollCullingDatabase& changes) {
    for (const auto& entry : changes.records) {
        const Uuid& id = entry.first;  // named, not bound: clang 14 lambdas cannot capture bindings
        PhotoCullingRecord merged = entry.second;
        const auto sameFrame = [&](const std::pair<const Uuid, PhotoCullingRecord>& stored) {
            return stored.first == id || (!entry.second.filename.empty() && stored.second.filename == entry.second.filename);
        };
        for (const auto& stored : records)
            if (sameFrame(stored)) takeLaterMarks(merged, stored.second);
        std::erase_if(records, sameFrame);
        records.insert_or_assign(id, std::move(merged));
    }
}

void to_json(nlohmann::json& j, const RollCullingDatabase& database) {
    nlohmann::json pairs = nlohmann::json::array();
    for (const auto& entry : database.records) {
        const PhotoCullingRecord& record = entry.second;  // a lambda below captures it
        nlohmann::json value;
        inSegment(indexSegment(pairs.size() + 1), [&] { writeValue(value, record); });
        pairs.push_back(entry.first.toString());
        pairs.push_back(std::move(value));
    }
    j = nlohmann::json{{"records", std::move(pairs)}};
}

void from_json(const nlohmann::json& j, RollCullingDatabase& database) {
    if (!j.is_object()) failType(j, "object");
    const auto it = j.find("records");
    if (it == j.end()) throw JsonDecodeError("records", "missing key");
    const nlohmann::json& stored = *it;
    RollCullingDatabase read;
    inSegment("records", [&] {
        auto add = [&](const nlohmann::json& key, const nlohmann::json& value, const std::string& keySegment,
                       const std::string& valueSegment) {
            Uuid id;
            PhotoCullingRecord record;
            inSegment(keySegment, [&] { readValue(key, id); });
            inSegment(valueSegment, [&] { readValue(value, record); });
            read.records.insert_or_assign(id, std::move(record));
        };
        if (stored.is_object()) {
            for (const auto& [key, value] : stored.items()) add(nlohmann::json(key), value, key, key);
            return;
        }
        if (!stored.is_array()) failType(stored, "array");
        if (stored.size() % 2 != 0)
            throw JsonDecodeError({}, "expected identifier and record pairs, found " + std::to_string(stored.size()) +
                                          " elements");
        for (std::size_t i = 0; i < stored.size(); i += 2)
            add(stored[i], stored[i + 1], indexSegment(i), indexSegment(i + 1));
    });
    database = std::move(read);
}

}  // namespace vantrel
