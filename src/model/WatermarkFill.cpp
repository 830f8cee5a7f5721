#include "model/WatermarkFill.h"

#include <array>
#include <optional>

namespace vantrel {

namespace {

// A capture text the photo has; an empty one counts as missing.
const std::string* given(const std::optional<std::string>& text) { return text && !text->empty() ? &*text : nullptr; }

// The record's texts beside the fill's, in one order.
std::array<std::string*, 4> textsOf(FilmFrameParameters& f) {
    return {&f.watermarkCamera, &f.watermarkLens, &f.watermarkParams, &f.watermarkDate};
}
std::array<const std::string*, 4> textsOf(const WatermarkFill& f) { return {&f.camera, &f.lens, &f.params, &f.date}; }

}  // namespace

WatermarkFill WatermarkFill::of(const ImageMetadataInfo& metadata) {
    WatermarkFill fill;
    fill.camera = metadata.cameraName();
    fill.lens = metadata.lensName();
    for (const auto* part : {&metadata.focalLength, &metadata.aperture, &metadata.shutterSpeed, &metadata.iso}) {
        const std::string* text = given(*part);
        if (!text) continue;
        if (!fill.params.empty()) fill.params += "  ";
        fill.params += *text;
    }
    if (const std::string* date = given(metadata.captureDate)) fill.date = *date;
    return fill;
}

void fillWatermark(FilmFrameParameters& frame, const WatermarkFill& fill) {
    const auto texts = textsOf(frame);
    const auto filled = textsOf(fill);
    for (std::size_t i = 0; i < texts.size(); ++i) *texts[i] = *filled[i];
}

void carryWatermark(FilmFrameParameters& frame, const WatermarkFill& from, const WatermarkFill& to) {
    const auto texts = textsOf(frame);
    const auto before = textsOf(from), after = textsOf(to);
    // An empty text already takes each photo's own data when printed.
    for (std::size_t i = 0; i < texts.size(); ++i)
        if (!texts[i]->empty() && *texts[i] == *before[i]) *texts[i] = *after[i];
}

void fillEmptyWatermarkTexts(FilmFrameParameters& frame, const WatermarkFill& fill) {
    if (!frame.showExifWatermark) return;
    const auto texts = textsOf(frame);
    const auto filled = textsOf(fill);
    for (std::size_t i = 0; i < texts.size(); ++i)
        if (texts[i]->empty()) *texts[i] = *filled[i];
}

}  // namespace vantrel
