#include "views/kit/ChipRow.h"

#include <QHBoxLayout>

#include "views/kit/Layouts.h"

namespace vantrel {

ChipRow::ChipRow(const QString& name, const std::vector<ChipItem>& items, const ChipStyle& style, double spacing,
                 QWidget* parent)
    : QWidget(parent) {
    setObjectName(name);
    auto* row = flatRow(int(spacing), this);
    for (const ChipItem& item : items) {
        auto* chip = new Chip(item.text, style, this);
        chip->setObjectName(name + QLatin1Char('.') + item.id);
        if (item.dot) chip->setDot(item.dot);
        row->addWidget(chip, style.stretches ? 1 : 0);
        ids_.push_back(item.id);
        chips_.push_back(chip);
        connect(chip, &QAbstractButton::clicked, this, [this, id = item.id] { Q_EMIT chosen(id); });
    }
    if (!style.stretches) row->addStretch(1);
    setSizePolicy(style.stretches ? QSizePolicy::Expanding : QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ChipRow::setSelected(const QString& id) {
    for (std::size_t i = 0; i < chips_.size(); ++i) chips_[i]->setSelected(!id.isEmpty() && ids_[i] == id);
}

QString ChipRow::selected() const {
    for (std::size_t i = 0; i < chips_.size(); ++i)
        if (chips_[i]->isSelected()) return ids_[i];
    return {};
}

void ChipRow::setText(const QString& id, const QString& text) {
    if (Chip* c = chip(id); c && c->text() != text) c->setText(text);
}

Chip* ChipRow::chip(const QString& id) const {
    for (std::size_t i = 0; i < chips_.size(); ++i)
        if (ids_[i] == id) return chips_[i];
    return nullptr;
}

}  // namespace vantrel
