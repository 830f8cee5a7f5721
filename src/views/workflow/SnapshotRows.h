#pragma once
// The snapshot list's rules, apart from its widgets: which row is the
// comparison base and which rows hold the current recipe, which snapshot the
// banner names, and the name a new snapshot gets.
#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "model/SnapshotItem.h"

namespace vantrel::snapshots {

struct RowFlags {
    bool isComparisonBase = false;  // the A side of the running comparison
    bool isCurrent = false;         // its recipe equals the current one
};

RowFlags rowFlags(const SnapshotItem& snapshot, const std::optional<Uuid>& comparedID, const EditParameters& current);

// The first snapshot with the compared identifier; none when it names no listed snapshot.
const SnapshotItem* comparedSnapshot(const std::vector<SnapshotItem>& list, const std::optional<Uuid>& comparedID);

// The first snapshot with this identifier, looked up when a row's button is used.
const SnapshotItem* findSnapshot(const std::vector<SnapshotItem>& list, const Uuid& id);

// "Snapshot 4" for a list of three: the text of "snapshots.defaultName" with count + 1.
QString defaultName(std::size_t count);
// The typed name without white space or line breaks at either end, or the
// default name when nothing is left.
QString nameToCreate(const QString& typed, std::size_t count);
// A new name for a snapshot: trimmed; none when nothing is left or it is unchanged.
std::optional<QString> renamedTo(const QString& typed, const std::string& current);

}  // namespace vantrel::snapshots
