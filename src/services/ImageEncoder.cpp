#include "services/ImageEncoder.h"

#include "services/JpegEncoder.h"
#include "services/PngEncoder.h"
#include "services/TiffEncoder.h"

namespace vantrel {

std::unique_ptr<ImageEncoder> makeEncoder(const ExportSettings& settings) {
    switch (settings.format) {
        case ExportFormat::tiff: return std::make_unique<TiffEncoder>();
        case ExportFormat::png: return std::make_unique<PngEncoder>();
        case ExportFormat::jpeg: break;
    }
    return std::make_unique<JpegEncoder>(settings.jpegQuality);
}

}  // namespace vantrel
