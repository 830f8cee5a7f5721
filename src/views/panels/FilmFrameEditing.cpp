#include "views/panels/FilmFrameEditing.h"

#include "model/WatermarkFill.h"

namespace vantrel::filmframe {

namespace {

const Suggestion kStocks[] = {{"vision500T", "500T", "VISION3 500T 5219"},
                              {"portra400", "Portra 400", "PORTRA 400 FILM"},
                              {"pro400H", "Pro 400H", "PRO 400H FILM"}};
const Suggestion kFrameNumbers[] = {{"24A", "▶ 24A", "▶ 24A"}, {"12", "▶ 12", "▶ 12"}, {"08", "• 08 •", "• 08 •"}};

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
    fillWatermark(frame, WatermarkFill::of(metadata));
}

std::span<const Suggestion> stockSuggestions() { return kStocks; }
std::span<const Suggestion> frameNumberSuggestions() { return kFrameNumbers; }

}  // namespace vantrel::filmframe
