#pragma once
// ChipRow: a row of chips for one choice, each found by its identifier (the
// case it stands for). Stretching chips share the row's width equally.
// setSelected() marks the chip of the current value without emitting; a click
// emits chosen() once with the chip's identifier, also when it is already
// selected (a preset row applies again). Chips are named "<row name>.<id>".
#include <optional>
#include <vector>

#include <QColor>
#include <QString>
#include <QWidget>

#include "views/kit/Chip.h"

class QHBoxLayout;

namespace vantrel {

struct ChipItem {
    QString id;
    QString text;
    std::optional<QColor> dot = std::nullopt;
};

class ChipRow final : public QWidget {
    Q_OBJECT

public:
    ChipRow(const QString& name, const std::vector<ChipItem>& items, const ChipStyle& style, double spacing = 5,
            QWidget* parent = nullptr);

    // Selects the chip of `id`; an unknown or empty id selects none.
    void setSelected(const QString& id);
    QString selected() const;
    // New texts for the chips (the interface language changed), by identifier.
    void setText(const QString& id, const QString& text);

    Chip* chip(const QString& id) const;
    const std::vector<Chip*>& chips() const { return chips_; }

Q_SIGNALS:
    void chosen(const QString& id);

private:
    std::vector<QString> ids_;
    std::vector<Chip*> chips_;
};

}  // namespace vantrel
