#include "model/SnapshotItem.h"

#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;
using S = SnapshotItem;

constexpr auto schema = strictRecord(field("id", &S::id), field("name", &S::name),
                                     field("parameters", &S::parameters), field("createdAt", &S::createdAt));

}  // namespace

void to_json(nlohmann::json& j, const SnapshotItem& snapshot) { writeRecord(j, snapshot, schema); }
void from_json(const nlohmann::json& j, SnapshotItem& snapshot) { readRecord(j, snapshot, schema); }

nlohmann::json encodeSnapshotList(const std::vector<SnapshotItem>& snapshots) {
    nlohmann::json j;
    writeValue(j, snapshots);
    return j;
}

std::vector<SnapshotItem> decodeSnapshotList(const nlohmann::json& j) {
    std::vector<SnapshotItem> snapshots;
    readValue(j, snapshots);
    return snapshots;
}

}  // namespace vantrel
