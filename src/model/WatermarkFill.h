#pragma once
// The watermark's four texts as the fill step writes them from a photo's capture data, and
// what becomes of them when a look goes from one photo to another.
#include <string>

#include "model/FilmFrameParameters.h"
#include "model/ImageMetadataInfo.h"

namespace vantrel {

// Camera, lens, exposure and date as the photo's capture data tells them; what it does not
// tell stays empty (a film scan seldom knows its camera, and a print must not carry made-up data).
struct WatermarkFill {
    std::string camera;
    std::string lens;
    std::string params;
    std::string date;

    static WatermarkFill of(const ImageMetadataInfo& metadata);
    bool operator==(const WatermarkFill&) const = default;
};

// The fill step: the record's four texts become the fill's (the custom text, the switch, the
// style and the position stay).
void fillWatermark(FilmFrameParameters& frame, const WatermarkFill& fill);

// A look taken from one photo to another: each text that is exactly what the fill made from the
// first photo's data becomes what it makes from the second's (empty where that tells nothing).
// A text typed by hand travels as it is.
void carryWatermark(FilmFrameParameters& frame, const WatermarkFill& from, const WatermarkFill& to);

// The empty texts of a watermark that is on take the fill's, as switching it on does.
void fillEmptyWatermarkTexts(FilmFrameParameters& frame, const WatermarkFill& fill);

}  // namespace vantrel
