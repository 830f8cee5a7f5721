#include "views/workflow/ExportSummary.h"

#include <cmath>

#include "services/TextFormatter.h"

namespace vantrel::exporting {

namespace {

// Truncated toward zero; a size that is not a finite pixel count reads 0.
long long whole(double pixels) {
    return std::isfinite(pixels) && std::abs(pixels) < 1e15 ? static_cast<long long>(pixels) : 0;
}

}  // namespace

std::string sizeLine(const LoadedPhoto& photo) {
    const std::array<FormatArg, 3> args{makeFormatArg(photo.title()),
                                        makeFormatArg(whole(photo.dimensions().width)),
                                        makeFormatArg(whole(photo.dimensions().height))};
    return formatText("%@ (%d \u00D7 %d)", args);
}

std::string qualityPercent(double quality) {
    const std::array<FormatArg, 1> args{makeFormatArg(std::lround(quality * 100))};
    return formatText("%d%%", args);
}

bool isCurrentChip(double quality, const QualityChip& chip) { return std::abs(quality - chip.quality) < 0.01; }

}  // namespace vantrel::exporting
