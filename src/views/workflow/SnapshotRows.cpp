#include "views/workflow/SnapshotRows.h"

#include "services/L10n.h"

namespace vantrel::snapshots {

RowFlags rowFlags(const SnapshotItem& snapshot, const std::optional<Uuid>& comparedID, const EditParameters& current) {
    return {comparedID.has_value() && *comparedID == snapshot.id, snapshot.parameters == current};
}

const SnapshotItem* comparedSnapshot(const std::vector<SnapshotItem>& list, const std::optional<Uuid>& comparedID) {
    return comparedID ? findSnapshot(list, *comparedID) : nullptr;
}

const SnapshotItem* findSnapshot(const std::vector<SnapshotItem>& list, const Uuid& id) {
    for (const SnapshotItem& snapshot : list)
        if (snapshot.id == id) return &snapshot;
    return nullptr;
}

QString defaultName(std::size_t count) {
    return QString::fromStdString(L10n::tr("snapshots.defaultName", count + 1));
}

QString nameToCreate(const QString& typed, std::size_t count) {
    const QString name = typed.trimmed();
    return name.isEmpty() ? defaultName(count) : name;
}

std::optional<QString> renamedTo(const QString& typed, const std::string& current) {
    const QString name = typed.trimmed();
    if (name.isEmpty() || name.toStdString() == current) return std::nullopt;
    return name;
}

}  // namespace vantrel::snapshots
