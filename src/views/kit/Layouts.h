#pragma once
// A row or a column with no margins and `spacing` points between its items,
// laid on `owner` when one is given: the groups of controls inside bars,
// cards and sheets.
#include <QBoxLayout>
#include <QWidget>

namespace vantrel {

inline QHBoxLayout* flatRow(int spacing, QWidget* owner = nullptr) {
    auto* row = new QHBoxLayout(owner);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(spacing);
    return row;
}

inline QVBoxLayout* flatColumn(int spacing, QWidget* owner = nullptr) {
    auto* column = new QVBoxLayout(owner);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    return column;
}

}  // namespace vantrel
