#pragma once
// How the canvas lays out the developed and the undeveloped image. Shared by
// the view model, which holds the choice, and the views that show and change it.
#include <array>

#include "model/EnumTable.h"

namespace vantrel {

enum class CompareMode { split, full, sideBySide };

template <>
struct EnumTable<CompareMode> {
    using C = CompareMode;
    static constexpr bool unknownIsFirstCase = false;
    static constexpr std::array<EnumCase<C>, 3> cases{{{C::split, "split", "compare.splitMode"},
                                                       {C::full, "full", "compare.fullMode"},
                                                       {C::sideBySide, "sideBySide", "compare.sideBySideMode"}}};
};

}  // namespace vantrel
