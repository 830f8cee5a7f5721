#include "views/panels/FilmFrameEditing.h"

#include <optional>
#include <string>

namespace vantrel::filmframe {

namespace {

const Suggestion kStocks[] = {{"vision500T", "500T", "VISION3 500T 5219"},
                              {"portra400", "Portra 400", "PORTRA 400 FILM"},
                              {"pro400H", "Pro 400H", "PRO 400H FILM"}};
const Suggestion kFrameNumbers[] = {{"24A", "▶ 24A", "▶ 24A"}, {"12", "▶ 12", "▶ 12"}, {"08", "• 08 •", "• 08 •"}};

// A capture text the photo has; an empty one counts as missing.
const std::string* given(const std::optional<std::string>& text) { return text && !text->empty() ? &*text : nullptr; }

}  // namespace

FilmFrameParameters resetFilmFrame(const FilmFrameParameters& frame) {
    if (frame.style == FilmFrameStyle::none) return FilmFrameParameters::defaultValue();
    FilmFrameParameters reset;
    reset.style = frame.style;
    reset.filmStockLabel = "VISION3 500T 5219";
    reset.showExifWatermark = frame.showExifWatermark;
    return reset;
}

void fillWatermarkFields(FilmFrameParameters& frame, const ImageMetadataInfo& metadata) {
    const std::string camera = metadata.cameraDisplayName();
    frame.watermarkCamera = camera == "Digital Negative" ? "LEICA M11-P" : camera;
    const std::string lens = metadata.lensDisplayName();
    frame.watermarkLens = lens == "Prime Lens" ? "35mm \u0192/1.4" : lens;
    std::string exposure;
    for (const auto* part : {&metadata.focalLength, &metadata.aperture, &metadata.shutterSpeed, &metadata.iso}) {
        const std::string* text = given(*part);
        if (!text) continue;
        if (!exposure.empty()) exposure += "  ";
        exposure += *text;
    }
    frame.watermarkParams = exposure.empty() ? "\u0192/1.4  1/500s  ISO 400" : exposure;
    const std::string* date = given(metadata.captureDate);
    frame.watermarkDate = date ? *date : "2026.09.05";
}

std::span<const Suggestion> stockSuggestions() { return kStocks; }
std::span<const Suggestion> frameNumberSuggestions() { return kFrameNumbers; }

}  // namespace vantrel::filmframe
