#pragma once
// What the export dialog edits and the view model keeps: format, JPEG quality and output space.
#include "services/ExportFormat.h"

namespace vantrel {

struct ExportSettings {
    ExportFormat format = ExportFormat::jpeg;
    double jpegQuality = 0.95;  // 0 … 1, used for JPEG only
    bool useDisplayP3 = true;   // false: sRGB

    friend bool operator==(const ExportSettings&, const ExportSettings&) = default;
};

}  // namespace vantrel
