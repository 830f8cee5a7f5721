#pragma once
// The view model's published properties, one macro each.
#include <utility>

// A published property: its change signal, getter, notifying setter and the
// stored value (its initial value follows the macro).
#define VANTREL_PUBLISHED(Type, name, setter)          \
Q_SIGNALS:                                             \
    void name##Changed();                              \
                                                       \
public:                                                \
    const Type& name() const { return name##_; }       \
    void setter(Type value) {                          \
        name##_ = std::move(value);                    \
        Q_EMIT name##Changed();                        \
        Q_EMIT stateChanged();                         \
    }                                                  \
                                                       \
private:                                               \
    Type name##_
