#pragma once
// The texts of the shooting-information card apart from any widget: the six
// cells (focal length, aperture, shutter, ISO, dimensions, colour space), each
// with its symbol, title key, value and detail line.
#include <array>

#include <QString>

#include "model/ImageMetadataInfo.h"

namespace vantrel::metadata {

struct CellText {
    const char* symbol;
    const char* titleKey;
    QString value;
    QString detail;  // empty: no detail line
};

// Shown for a capture value the scan does not carry.
inline const QString kMissing = QStringLiteral("--");

// "6000 × 4000".
QString dimensionsText(int width, int height);
// The file type ("RAW" when unknown), then " · " and the file size when known.
QString fileDetail(const ImageMetadataInfo& info);

// The cells in reading order: left then right of each of the three rows.
std::array<CellText, 6> cellsFor(const ImageMetadataInfo& info);

}  // namespace vantrel::metadata
