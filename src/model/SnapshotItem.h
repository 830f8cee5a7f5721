#pragma once
// A named, dated copy of a frame's whole recipe.
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "model/Date.h"
#include "model/EditParameters.h"
#include "model/Uuid.h"

namespace vantrel {

struct SnapshotItem {
    Uuid id = Uuid::random();
    std::string name{};
    EditParameters parameters{};
    Date createdAt = Date::now();

    // "yyyy-MM-dd HH:mm" in the local time zone.
    std::string formattedDate() const { return createdAt.formatLocal("%Y-%m-%d %H:%M"); }

    bool operator==(const SnapshotItem&) const = default;
};

// Reading requires all four keys; the recipe inside reads by its own rules.
void to_json(nlohmann::json& j, const SnapshotItem& snapshot);
void from_json(const nlohmann::json& j, SnapshotItem& snapshot);

// A frame's snapshot list, in the order taken. Failures name the element ("[2].name").
nlohmann::json encodeSnapshotList(const std::vector<SnapshotItem>& snapshots);
std::vector<SnapshotItem> decodeSnapshotList(const nlohmann::json& j);

// The union of two programs' lists of one frame: `ours` as this program has it,
// `theirs` as the file holds it now, both grown from `base` (what this program
// last read or wrote). A snapshot only one of them took, renamed or deleted
// since `base` keeps that change; one both have keeps ours. In the order taken.
std::vector<SnapshotItem> mergeSnapshotLists(const std::vector<SnapshotItem>& base,
                                             const std::vector<SnapshotItem>& ours,
                                             const std::vector<SnapshotItem>& theirs);

}  // namespace vantrel
