#include "views/canvas/MetadataCells.h"

#include <array>

#include "services/TextFormatter.h"

namespace vantrel::metadata {

namespace {

QString orMissing(const std::optional<std::string>& value) {
    return value ? QString::fromStdString(*value) : kMissing;
}

}  // namespace

QString dimensionsText(int width, int height) {
    const std::array<FormatArg, 2> arguments{makeFormatArg(width), makeFormatArg(height)};
    return QString::fromStdString(formatText("%d \u00D7 %d", arguments));
}

QString fileDetail(const ImageMetadataInfo& info) {
    QString detail = info.fileType ? QString::fromStdString(*info.fileType) : QStringLiteral("RAW");
    if (info.fileSizeFormatted && !info.fileSizeFormatted->empty())
        detail += QStringLiteral(" \u00B7 ") + QString::fromStdString(*info.fileSizeFormatted);
    return detail;
}

std::array<CellText, 6> cellsFor(const ImageMetadataInfo& info) {
    return {{
        {"scope", "meta.focalLength", orMissing(info.focalLength), {}},
        {"circle.circle", "meta.aperture", orMissing(info.aperture), {}},
        {"timer", "meta.shutter", orMissing(info.shutterSpeed), {}},
        {"speedometer", "meta.iso", orMissing(info.iso), {}},
        {"aspectratio", "meta.dimensions", dimensionsText(info.pixelWidth, info.pixelHeight),
         QString::fromStdString(info.megapixelsText())},
        {"paintpalette", "meta.colorSpace", QString::fromStdString(info.colorProfile), fileDetail(info)},
    }};
}

}  // namespace vantrel::metadata
