#pragma once
// FilmstripModel: the filmstrip's rows as a list model. It keeps the cells in
// display order and which of them is selected and which are checked; a new
// list, selection or check set changes only the rows that differ (a row is
// replaced in place when the frames stay the same, the model is reset when
// they change), so a painted view redraws only what changed.
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

#include <QAbstractListModel>

#include "views/canvas/FilmstripCell.h"

namespace vantrel {

class FilmstripModel final : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role { SelectedRole = Qt::UserRole + 1, CheckedRole, IdRole };

    explicit FilmstripModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    void setCells(std::vector<FilmstripCell> cells);
    void setSelectedID(const std::optional<Uuid>& id);
    void setCheckedIDs(const std::set<Uuid>& ids);

    int count() const { return int(cells_.size()); }
    const FilmstripCell& cell(int row) const { return cells_[std::size_t(row)]; }
    bool isSelected(int row) const;
    bool isChecked(int row) const;
    // The row of a frame, or -1.
    int rowOf(const Uuid& id) const;

private:
    void changed(int row);

    std::vector<FilmstripCell> cells_;
    std::unordered_map<Uuid, int> rows_;
    std::optional<Uuid> selected_;
    std::set<Uuid> checked_;
};

}  // namespace vantrel
