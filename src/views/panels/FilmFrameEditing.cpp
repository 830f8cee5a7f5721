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
    frame.watermarkCamera = metadata.cameraName();
    frame.watermarkLens = metadata.lensName();
    std::string exposure;
    for (const auto* part : {&metadata.focalLength, &metadata.aperture, &metadata.shutterSpeed, &metadata.iso}) {
        const std::string* text = given(*part);
        if (!text) continue;
        if (!exposure.empty()) exposure += "  ";
        exposure += *text;
    }
    frame.watermarkParams = exposure;
    const std::string* date = given(metadata.captureDate);
    frame.watermarkDate = date ? *date : std::string();
}

std::span<const Suggestion> stockSuggestions() { return kStocks; }
std::span<const Suggestion> frameNumberSuggestions() { return kFrameNumbers; }

}  // namespace vantrel::filmframe
