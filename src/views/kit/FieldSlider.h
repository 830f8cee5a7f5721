#pragma once
// A slider row bound to one number of a panel's record, shaped by the number's
// parameter-table row (title, range, reset, step, format, unit): it reads the field
// through the record's binding, and a drag step or reset that changes the
// field writes the whole record once and then calls `afterChange` (the panel
// reports its change there). A step that leaves the value as it was writes and
// reports nothing, so one user edit is one report.
//
// A panel with a table of such rows keeps them in FieldSliders: built from the
// table, named "<panel>.<field>", found by field, retitled and refreshed together.
#include <cstdint>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include <QColor>
#include <QString>

#include "model/Binding.h"
#include "model/ScalarParameter.h"
#include "views/kit/DarkroomTheme.h"
#include "views/kit/Icons.h"
#include "views/kit/ProSlider.h"
#include "views/kit/StandardColors.h"

namespace vantrel {

// A slider row shaped by `row` over any binding of its value.
template <typename Record>
ProSlider* rowSlider(const ScalarParameter<Record>& row, Binding<double> value, const QColor& tint,
                     QWidget* parent = nullptr) {
    auto* slider = new ProSlider(localized(row.label), std::move(value), {row.lower, row.upper}, row.resetValue(),
                                 row.step, QString::fromUtf8(row.format), QString::fromUtf8(row.unit), tint, {}, parent);
    if (row.percent) slider->setValueFormatter(ProSlider::percentFormatter());
    return slider;
}

// The row's own colour, else the theme's.
inline QColor rowTint(std::uint32_t accent) { return accent ? QColor(QRgb(accent)) : DarkroomTheme::accent(); }

template <typename Record>
ProSlider* fieldSlider(const Binding<Record>& record, const ScalarParameter<Record>& row, const QColor& tint,
                       std::function<void()> afterChange, QWidget* parent = nullptr) {
    double Record::*field = row.member;
    Binding<double> value([record, field] { return record.get().*field; },
                          [record, field, afterChange = std::move(afterChange)](const double& v) {
                              Record changed = record.get();
                              if (changed.*field == v) return;
                              changed.*field = v;
                              record.set(changed);
                              if (afterChange) afterChange();
                          });
    return rowSlider(row, std::move(value), tint, parent);
}

// One row of a panel's slider table. `group` is the panel's own grouping of
// its rows (the card a row goes in, or when it shows).
template <typename Record>
struct FieldSliderRow {
    const char* field;
    const ScalarParameter<Record>* row;  // &parameterOf(member)
    StandardColor tint;
    int group = 0;
};

// The slider rows a panel built from its table, in the table's order. Each row
// calls `afterChange` after its edit (the panel reports and refreshes there).
class FieldSliders {
public:
    FieldSliders(QString panel, std::function<void()> afterChange)
        : panel_(std::move(panel)), afterChange_(std::move(afterChange)) {}

    struct Entry {
        const char* field;
        const char* titleKey;
        int group;
        ProSlider* slider;
    };

    // The row's slider, named "<panel>.<field>" and kept; the caller places it.
    template <typename Record>
    ProSlider* add(const Binding<Record>& record, const FieldSliderRow<Record>& row, const QColor& tint) {
        ProSlider* slider = fieldSlider(record, *row.row, tint, afterChange_);
        slider->setObjectName(panel_ + QLatin1Char('.') + QString::fromUtf8(row.field));
        entries_.push_back({row.field, row.row->label, row.group, slider});
        return slider;
    }
    template <typename Record>
    ProSlider* add(const Binding<Record>& record, const FieldSliderRow<Record>& row) {
        return add(record, row, standardColor(row.tint));
    }

    ProSlider* slider(const char* field) const {
        for (const Entry& entry : entries_)
            if (std::strcmp(entry.field, field) == 0) return entry.slider;
        return nullptr;
    }
    const std::vector<Entry>& entries() const { return entries_; }
    // Every title looked up again in the current language.
    void retitle() const {
        for (const Entry& entry : entries_) entry.slider->setTitle(localized(entry.titleKey));
    }
    void refresh() const {
        for (const Entry& entry : entries_) entry.slider->refresh();
    }

private:
    QString panel_;
    std::function<void()> afterChange_;
    std::vector<Entry> entries_;
};

}  // namespace vantrel
