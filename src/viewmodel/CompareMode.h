#pragma once
// How the canvas lays out the developed and the undeveloped image.
#include <array>

#include "model/EnumTable.h"

namespace vantrel {

enum class CompareMode { split, full, sideBySide };

template <>
struct EnumTable<CompareMode> {
    using C = CompareMode;
    static constexpr bool unknownIsFirstCase = false;
    static constexpr std::array<EnumCase<C>, 3> cases{
        {{C::split, "split"}, {C::full, "full"}, {C::sideBySide, "sideBySide"}}};
};

}  // namespace vantrel
