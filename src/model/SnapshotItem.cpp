#include "model/SnapshotItem.h"

#include <algorithm>

#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;
using S = SnapshotItem;

constexpr auto schema = strictRecord(field("id", &S::id), field("name", &S::name),
                                     field("parameters", &S::parameters), field("createdAt", &S::createdAt));

const SnapshotItem* findSnapshot(const std::vector<SnapshotItem>& list, const Uuid& id) {
    const auto found = std::find_if(list.begin(), list.end(), [&](const SnapshotItem& s) { return s.id == id; });
    return found == list.end() ? nullptr : &*found;
}

// Alike as stored: a recipe read back in another run has other curve-point identifiers.
bool sameSnapshot(const SnapshotItem& a, const SnapshotItem& b) {
    return a.name == b.name && a.createdAt == b.createdAt && a.parameters.sameContent(b.parameters);
}

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

std::vector<SnapshotItem> mergeSnapshotLists(const std::vector<SnapshotItem>& base,
                                             const std::vector<SnapshotItem>& ours,
                                             const std::vector<SnapshotItem>& theirs) {
    std::vector<SnapshotItem> merged;
    for (const SnapshotItem& mine : ours) {
        const SnapshotItem* before = findSnapshot(base, mine.id);
        const bool untouched = before && sameSnapshot(*before, mine);
        if (const SnapshotItem* other = findSnapshot(theirs, mine.id))
            merged.push_back(untouched ? *other : mine);
        else if (!untouched)
            merged.push_back(mine);  // taken or renamed here; one only deleted there goes
    }
    for (const SnapshotItem& other : theirs)
        if (!findSnapshot(ours, other.id) && !findSnapshot(base, other.id)) merged.push_back(other);  // taken there
    std::stable_sort(merged.begin(), merged.end(),
                     [](const SnapshotItem& a, const SnapshotItem& b) { return a.createdAt < b.createdAt; });
    return merged;
}

}  // namespace vantrel
