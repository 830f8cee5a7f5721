#include "model/FilmFrameParameters.h"

#include <optional>
#include <string_view>
#include <type_traits>
#include <vector>

#include "model/Clamp.h"
#include "model/ImageMetadataInfo.h"
#include "model/JsonRecord.h"

namespace vantrel {
namespace {

using namespace json_io;
using F = FilmFrameParameters;

constexpr auto schema = lenientRecord(
    field("style", &F::style), field("filmStockLabel", &F::filmStockLabel), field("frameNumber", &F::frameNumber),
    field("borderThickness", &F::borderThickness), field("colorMode", &F::colorMode),
    field("showBarcode", &F::showBarcode), field("showFrameNumber", &F::showFrameNumber),
    field("showStockLabel", &F::showStockLabel), field("showExifWatermark", &F::showExifWatermark),
    field("watermarkStyle", &F::watermarkStyle), field("watermarkPosition", &F::watermarkPosition),
    field("customWatermarkText", &F::customWatermarkText), field("watermarkCamera", &F::watermarkCamera),
    field("watermarkLens", &F::watermarkLens), field("watermarkParams", &F::watermarkParams),
    field("watermarkDate", &F::watermarkDate));

// A capture text when the photo has it; works whether absent texts are empty
// strings or empty optionals.
template <class Text>
const std::string* present(const Text& text) {
    if constexpr (std::is_same_v<Text, std::optional<std::string>>) {
        return text ? &*text : nullptr;
    } else {
        return text.empty() ? nullptr : &text;
    }
}

// Nothing but white space and line breaks, the wider Unicode ones included
// (a no-break or ideographic space typed into the field counts as blank too).
bool isBlank(std::string_view text) {
    static constexpr std::string_view wide[] = {
        "\u0085", "\u00A0", "\u1680", "\u2000", "\u2001", "\u2002", "\u2003", "\u2004", "\u2005", "\u2006",
        "\u2007", "\u2008", "\u2009", "\u200A", "\u2028", "\u2029", "\u202F", "\u205F", "\u3000"};
    while (!text.empty()) {
        if (std::string_view(" \t\n\r\v\f").find(text.front()) != std::string_view::npos) {
            text.remove_prefix(1);
            continue;
        }
        bool matched = false;
        for (std::string_view space : wide) {
            if (text.starts_with(space)) {
                text.remove_prefix(space.size());
                matched = true;
                break;
            }
        }
        if (!matched) return false;
    }
    return true;
}

std::string exposureLine(const ImageMetadataInfo& m) {
    std::string line;
    bool first = true;
    for (const std::string* part :
         {present(m.focalLength), present(m.aperture), present(m.shutterSpeed), present(m.iso)}) {
        if (!part) continue;
        if (!first) line += "  ";
        line += *part;
        first = false;
    }
    return line;
}

}  // namespace

const FilmFrameParameters& FilmFrameParameters::defaultValue() {
    static const FilmFrameParameters value{};
    return value;
}

FilmFrameParameters FilmFrameParameters::clamped() const {
    FilmFrameParameters out = *this;
    out.borderThickness = clampNanHigh(borderThickness, 0.03, 0.2);
    return out;
}

std::string FilmFrameParameters::watermarkText(const ImageMetadataInfo* metadata) const {
    if (!isBlank(customWatermarkText)) return customWatermarkText;

    std::vector<std::string> parts;
    // The generic names older fills wrote name nothing.
    auto add = [&](std::string part, const char* generic) {
        if (!part.empty() && (!generic || part != generic)) parts.push_back(std::move(part));
    };

    add(!watermarkCamera.empty() ? watermarkCamera : metadata ? metadata->cameraName() : std::string(),
        "Digital Negative");
    add(!watermarkLens.empty() ? watermarkLens : metadata ? metadata->lensName() : std::string(), "Prime Lens");
    add(!watermarkParams.empty() ? watermarkParams : metadata ? exposureLine(*metadata) : std::string(), nullptr);
    std::string date = watermarkDate;
    if (date.empty() && metadata) {
        if (const std::string* captured = present(metadata->captureDate)) date = *captured;
    }
    add(std::move(date), nullptr);

    // Nothing known: no line, so no badge (never a made-up one).
    if (parts.empty()) return {};
    std::string line = parts.front();
    for (std::size_t i = 1; i < parts.size(); ++i) line += "  |  " + parts[i];
    return line;
}

void to_json(nlohmann::json& j, const FilmFrameParameters& frame) { writeRecord(j, frame, schema); }
void from_json(const nlohmann::json& j, FilmFrameParameters& frame) { readRecord(j, frame, schema); }

}  // namespace vantrel
