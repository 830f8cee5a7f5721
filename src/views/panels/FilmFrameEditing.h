#pragma once
// The edits of the film frame panel that are more than one field, apart from
// any widget: the reset of the frame record, the fill of the watermark's texts
// from a photo's capture data, and the suggestion chips of the rebate texts.
#include <span>

#include "model/FilmFrameParameters.h"
#include "model/ImageMetadataInfo.h"

namespace vantrel::filmframe {

// The record after the panel's reset. Without a frame style (the reset shows
// only because the watermark is on) the default record: the watermark goes off
// and its texts are emptied. With a style: the style and the watermark switch
// stay, every other field takes its starting value ("VISION3 500T 5219" as the
// stock text) and the watermark texts are emptied.
FilmFrameParameters resetFilmFrame(const FilmFrameParameters& frame);

// Overwrites camera, lens, exposure and date of the watermark with the photo's
// capture data; what the photo does not tell is left empty (a film scan seldom
// knows its camera, and a print must not carry made-up data). The custom text,
// the switch, the style and the position stay.
void fillWatermarkFields(FilmFrameParameters& frame, const ImageMetadataInfo& metadata);

// A suggestion chip: the short text it shows and the text it writes.
struct Suggestion {
    const char* id;
    const char* shown;
    const char* written;
};
std::span<const Suggestion> stockSuggestions();
std::span<const Suggestion> frameNumberSuggestions();

// The frame styles that print an edge barcode.
inline bool showsBarcode(FilmFrameStyle style) {
    return style == FilmFrameStyle::sprocketOverlay || style == FilmFrameStyle::sprocket135;
}

}  // namespace vantrel::filmframe
