#include "views/canvas/FilmstripModel.h"

#include <algorithm>
#include <iterator>

namespace vantrel {

FilmstripModel::FilmstripModel(QObject* parent) : QAbstractListModel(parent) {}

int FilmstripModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

QVariant FilmstripModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count()) return {};
    const FilmstripCell& c = cell(index.row());
    switch (role) {
        case Qt::DisplayRole: return QString::fromStdString(c.title);
        case Qt::DecorationRole: return c.thumbnail;
        case SelectedRole: return isSelected(index.row());
        case CheckedRole: return isChecked(index.row());
        case IdRole: return QString::fromStdString(c.id.toString());
        default: return {};
    }
}

void FilmstripModel::setCells(std::vector<FilmstripCell> cells) {
    const bool sameFrames = cells.size() == cells_.size() &&
                            std::equal(cells.begin(), cells.end(), cells_.begin(),
                                       [](const FilmstripCell& a, const FilmstripCell& b) { return a.id == b.id; });
    if (!sameFrames) {
        beginResetModel();
        cells_ = std::move(cells);
        rows_.clear();
        rows_.reserve(cells_.size());
        for (std::size_t i = 0; i < cells_.size(); ++i) rows_.emplace(cells_[i].id, int(i));
        endResetModel();
        return;
    }
    // The same frames: report each run of changed rows once.
    int runStart = -1;
    for (std::size_t i = 0; i <= cells.size(); ++i) {
        const bool differs = i < cells.size() && !(cells[i] == cells_[i]);
        if (differs) {
            cells_[i] = std::move(cells[i]);
            if (runStart < 0) runStart = int(i);
        } else if (runStart >= 0) {
            Q_EMIT dataChanged(index(runStart), index(int(i) - 1));
            runStart = -1;
        }
    }
}

void FilmstripModel::setSelectedID(const std::optional<Uuid>& id) {
    if (id == selected_) return;
    const std::optional<Uuid> old = std::exchange(selected_, id);
    if (old) changed(rowOf(*old));
    if (id) changed(rowOf(*id));
}

void FilmstripModel::setCheckedIDs(const std::set<Uuid>& ids) {
    if (ids == checked_) return;
    std::vector<Uuid> flipped;
    std::set_symmetric_difference(ids.begin(), ids.end(), checked_.begin(), checked_.end(),
                                  std::back_inserter(flipped));
    checked_ = ids;
    for (const Uuid& id : flipped) changed(rowOf(id));
}

bool FilmstripModel::isSelected(int row) const { return selected_ && cell(row).id == *selected_; }

bool FilmstripModel::isChecked(int row) const { return checked_.count(cell(row).id) > 0; }

int FilmstripModel::rowOf(const Uuid& id) const {
    const auto found = rows_.find(id);
    return found == rows_.end() ? -1 : found->second;
}

void FilmstripModel::changed(int row) {
    if (row < 0) return;
    Q_EMIT dataChanged(index(row), index(row), {SelectedRole, CheckedRole});
}

}  // namespace vantrel
