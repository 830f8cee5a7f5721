#include "services/ImageEncoder.h"

#include "services/JpegEncoder.h"

namespace vantrel {

std::unique_ptr<ImageEncoder> makeEncoder(const ExportSettings& settings) {
    switch (settings.format) {
        case ExportFormat::tiff: return makeTiffEncoder();
        case ExportFormat::png: return makePngEncoder();
        case ExportFormat::jpeg: break;
    }
    return std::make_unique<JpegEncoder>(settings.jpegQuality);
}

}  // namespace vantrel
