#pragma once
// A named, complete recipe the user applies to a frame in one step: one of the
// built-in film looks, or one the user saved.
#include <filesystem>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "model/Date.h"
#include "model/EditParameters.h"

namespace vantrel {

struct FilmPreset {
    std::string id;  // short words for built-in recipes ("portra400"), a UUID for custom ones
    std::string name;
    std::string subtitle;
    EditParameters parameters;
    bool isCustom = false;
    std::optional<Date> createdAt;  // absent for built-in recipes
    // The file a custom recipe was read from (or saved to) in the recipes folder:
    // two files may hold the same identifier. None for built-in recipes; not part of the JSON.
    std::optional<std::filesystem::path> file{};

    // The text of "preset.<id>.name" in the interface language, or the stored
    // name when no table has that key.
    std::string localizedName() const;
    // The same with "preset.<id>.subtitle" and the stored subtitle.
    std::string localizedSubtitle() const;

    // `recipe` without what belongs to one frame only: crop, healed spots,
    // masks and the subject mask go back to their defaults, and so does the
    // film frame unless `includeFrame`.
    static EditParameters presetParameters(const EditParameters& recipe, bool includeFrame);

    bool operator==(const FilmPreset&) const = default;
};

// The keyed JSON form, with "createdAt" as an ISO 8601 internet date-time in
// UTC ("2026-01-31T18:05:00Z") and left out when absent. Reading requires
// "id", "name", "subtitle" and "parameters"; "isCustom" and "createdAt" may be
// missing or null. A date with fractional seconds fails the whole preset.
void to_json(nlohmann::json& j, const FilmPreset& preset);
void from_json(const nlohmann::json& j, FilmPreset& preset);

}  // namespace vantrel
