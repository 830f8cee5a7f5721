#include "services/FilmPreset.h"

#include <cmath>

#include <nlohmann/json.hpp>

#include "model/Json.h"
#include "model/JsonRecord.h"
#include "services/Iso8601.h"
#include "services/L10n.h"

namespace vantrel {

namespace {

std::string lookUp(const std::string& key, const std::string& stored) {
    std::string text = L10n::tr(key);
    return text == key ? stored : text;
}

template <class V>
void readRequired(const nlohmann::json& j, const char* key, V& out) {
    const auto it = j.find(key);
    if (it == j.end()) throw JsonDecodeError(key, "missing key");
    json_io::inSegment(key, [&] { json_io::readValue(*it, out); });
}

}  // namespace

std::string FilmPreset::localizedName() const { return lookUp("preset." + id + ".name", name); }

std::string FilmPreset::localizedSubtitle() const { return lookUp("preset." + id + ".subtitle", subtitle); }

EditParameters FilmPreset::presetParameters(const EditParameters& recipe, bool includeFrame) {
    EditParameters result = recipe;
    result.crop = CropParameters::defaultValue();
    result.spotHealing = SpotHealingParameters::defaultValue();
    result.masks = MaskGroupParameters::defaultValue();
    result.subjectMask = SubjectMaskParameters::defaultValue();
    if (!includeFrame) result.filmFrame = FilmFrameParameters::defaultValue();
    return result;
}

void to_json(nlohmann::json& j, const FilmPreset& preset) {
    j = nlohmann::json::object();
    json_io::writeText(j["id"], preset.id);
    json_io::writeText(j["name"], preset.name);
    json_io::writeText(j["subtitle"], preset.subtitle);
    json_io::inSegment("parameters", [&] { json_io::writeValue(j["parameters"], preset.parameters); });
    j["isCustom"] = preset.isCustom;
    if (preset.createdAt) {
        const double seconds = preset.createdAt->unixSeconds();
        // Years 1 to 9999, the range the text form can hold.
        if (!(seconds >= -62135596800.0 && seconds <= 253402300799.0))
            throw JsonEncodeError("createdAt", "date out of range");
        j["createdAt"] = formatIso8601(static_cast<std::int64_t>(std::floor(seconds)));
    }
}

void from_json(const nlohmann::json& j, FilmPreset& preset) {
    if (!j.is_object()) json_io::failType(j, "object");
    FilmPreset result;
    readRequired(j, "id", result.id);
    readRequired(j, "name", result.name);
    readRequired(j, "subtitle", result.subtitle);
    readRequired(j, "parameters", result.parameters);
    if (const auto it = j.find("isCustom"); it != j.end() && !it->is_null())
        json_io::inSegment("isCustom", [&] { json_io::read(*it, result.isCustom); });
    if (const auto it = j.find("createdAt"); it != j.end() && !it->is_null()) {
        json_io::inSegment("createdAt", [&] {
            const std::string& text = json_io::stringOf(*it);
            const auto seconds = parseIso8601(text);
            if (!seconds) throw JsonDecodeError("", "not an ISO 8601 date-time: " + text);
            result.createdAt = Date::fromUnixSeconds(static_cast<double>(*seconds));
        });
    }
    preset = std::move(result);
}

}  // namespace vantrel
