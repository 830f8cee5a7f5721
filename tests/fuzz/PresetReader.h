#pragma once
// Driver for a recipe file the user imports: the custom recipe store's own import (read,
// mark custom, date, give a UUID, save into its folder), then the checks that the saved
// copy reads back as what the import returned. The store refuses a bad file with
// JsonDecodeError (content) or std::system_error (file work). True when the import succeeded.
#include <filesystem>
#include <string>
#include <system_error>

#include <nlohmann/json.hpp>

#include "fuzz/FuzzCheck.h"
#include "model/Json.h"
#include "model/Uuid.h"
#include "services/AtomicFile.h"
#include "services/CustomPresetStore.h"

namespace vantrel::fuzz {

// `store` should own an otherwise empty folder: the imported recipe is removed again.
inline bool importRecipeFile(const CustomPresetStore& store, const std::filesystem::path& file) {
    FilmPreset preset;
    try {
        preset = store.importPreset(file);
    } catch (const JsonDecodeError&) {
        return false;
    } catch (const std::system_error&) {
        return false;
    }
    require(preset.isCustom && preset.createdAt.has_value(), "an imported recipe is not marked custom and dated");
    require(Uuid::parse(preset.id).has_value(), "an imported recipe keeps an identifier that is no UUID");
    (void)preset.localizedName();
    (void)preset.localizedSubtitle();
    const std::filesystem::path saved = store.presetsDirectory() / (preset.id + ".json");
    std::string text;
    require(!readWholeFile(saved, text), "an imported recipe was not saved");
    FilmPreset read = parseJson(text).get<FilmPreset>();
    read.file = saved;  // where it was read from is not part of its content
    require(read == preset, "an imported recipe changes when saved and read back");
    store.deletePreset(preset);
    return true;
}

}  // namespace vantrel::fuzz
