#pragma once
// A slider row bound to one number of a panel's record: it reads the field
// through the record's binding, and a drag step or reset that changes the
// field writes the whole record once and then calls `afterChange` (the panel
// reports its change there). A step that leaves the value as it was writes and
// reports nothing, so one user edit is one report.
#include <functional>
#include <utility>

#include <QColor>
#include <QString>

#include "model/Binding.h"
#include "views/kit/Icons.h"
#include "views/kit/ProSlider.h"

namespace vantrel {

// What a slider row shows and edits: its title key, range, default (the
// target of its reset), step, display format and unit.
struct SliderSetup {
    const char* titleKey;
    ProSlider::Range range;
    double defaultValue;
    double step = 0.01;
    const char* format = "%.2f";
    const char* unit = "";
};

template <typename Record>
ProSlider* fieldSlider(const Binding<Record>& record, double Record::*field, const SliderSetup& setup,
                       const QColor& tint, std::function<void()> afterChange, QWidget* parent = nullptr) {
    Binding<double> value([record, field] { return record.get().*field; },
                          [record, field, afterChange = std::move(afterChange)](const double& v) {
                              Record changed = record.get();
                              if (changed.*field == v) return;
                              changed.*field = v;
                              record.set(changed);
                              if (afterChange) afterChange();
                          });
    auto* slider = new ProSlider(localized(setup.titleKey), std::move(value), setup.range, setup.defaultValue, setup.step,
                                 QString::fromUtf8(setup.format), QString::fromUtf8(setup.unit), tint, {}, parent);
    return slider;
}

}  // namespace vantrel
