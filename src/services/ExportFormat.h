#pragma once
// The file formats an export can be written in, in the order the format picker lists them.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "model/EnumTable.h"

namespace vantrel {

enum class ExportFormat { jpeg, tiff, png };

template <>
struct EnumTable<ExportFormat> {
    using C = ExportFormat;
    static constexpr bool unknownIsFirstCase = false;
    static constexpr std::array<EnumCase<C>, 3> cases{{
        {C::jpeg, "JPEG"},
        {C::tiff, "TIFF (16-bit)"},
        {C::png, "PNG"},
    }};
};

// The name shown in the interface: the raw value itself, never translated.
inline std::string displayName(ExportFormat format) { return std::string(rawValue(format)); }

// The identifier of a format in lists: its raw value.
inline std::string_view id(ExportFormat format) { return rawValue(format); }

// The file name extension, without a dot: "jpg", "tiff" or "png".
std::string_view fileExtension(ExportFormat format);

// The format whose raw value is exactly `text` ("JPEG", "TIFF (16-bit)", "PNG"); nothing for
// any other text, file extensions included.
inline std::optional<ExportFormat> exportFormatFromRaw(std::string_view text) { return enumFromRaw<ExportFormat>(text); }

}  // namespace vantrel
