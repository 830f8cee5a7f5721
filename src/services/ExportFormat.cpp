#include "services/ExportFormat.h"

namespace vantrel {

std::string_view fileExtension(ExportFormat format) {
    switch (format) {
        case ExportFormat::jpeg: return "jpg";
        case ExportFormat::tiff: return "tiff";
        case ExportFormat::png: return "png";
    }
    return "jpg";
}

}  // namespace vantrel
