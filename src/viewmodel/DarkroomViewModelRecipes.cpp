// Film recipes, the settings clipboard and the reset to neutral.
#include <exception>
#include <iostream>
#include <system_error>

#include "model/WatermarkFill.h"
#include "services/FailureCause.h"
#include "services/L10n.h"
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

namespace {

// The group of `frame` wherever the recipe leaves that group at its default.
template <typename Group>
void keepFrameGroup(Group& applied, const Group& frame) {
    if (applied == Group::defaultValue()) applied = frame;
}

}  // namespace

void DarkroomViewModel::applyPreset(FilmPreset preset) {
    editRecipe([&](EditParameters& recipe) {
        EditParameters applied = preset.parameters;
        // Saved without any frame's capture data: a watermark takes this frame's.
        if (const LoadedPhoto* photo = selectedPhoto())
            fillEmptyWatermarkTexts(applied.filmFrame, WatermarkFill::of(photo->metadata()));
        keepFrameGroup(applied.crop, recipe.crop);
        keepFrameGroup(applied.spotHealing, recipe.spotHealing);
        keepFrameGroup(applied.masks, recipe.masks);
        keepFrameGroup(applied.subjectMask, recipe.subjectMask);
        keepFrameGroup(applied.negativeLab, recipe.negativeLab);
        recipe = std::move(applied);
    });
    setActivePresetID(preset.id);
    roll_.rebuildFilmstrip();
}

std::optional<std::string> DarkroomViewModel::saveCustomPreset(std::string name, std::string subtitle,
                                                               bool includeFrame) {
    if (!services_.presets) return std::nullopt;
    FilmPreset preset;
    preset.id = Uuid::random().toString();
    preset.name = name;
    preset.subtitle = subtitle.empty() ? L10n::tr("preset.customDefaultSubtitle") : subtitle;
    preset.parameters = FilmPreset::presetParameters(parameters_, includeFrame);
    // The watermark's texts that are this frame's capture data are left to each frame it goes to.
    if (const LoadedPhoto* photo = selectedPhoto())
        carryWatermark(preset.parameters.filmFrame, WatermarkFill::of(photo->metadata()), {});
    preset.isCustom = true;
    preset.createdAt = Date::now();
    try {
        services_.presets->save(preset);
    } catch (const std::exception& error) {
        std::cout << "[DarkroomViewModel] Failed to save preset: " << error.what() << std::endl;
        const LocalText cause = causeText(failureCauseOf(error, FileAccess::writing));
        setStatusMessage(L10n::text("status.presetSaveFailed", cause));
        return cause.str();
    }
    setCustomPresets(services_.presets->loadPresets());
    setActivePresetID(preset.id);
    setStatusMessage(L10n::text("status.presetSaved", name));
    return std::nullopt;
}

void DarkroomViewModel::deleteCustomPreset(FilmPreset preset) {
    if (!services_.presets) return;
    bool deleted = false;
    try {
        deleted = services_.presets->deletePreset(preset);
    } catch (const std::exception& error) {
        std::cout << "[DarkroomViewModel] Failed to delete preset: " << error.what() << std::endl;
        return;
    }
    if (activePresetID_ == preset.id) setActivePresetID(std::nullopt);
    // Read again either way: a row whose file went meanwhile goes with it.
    setCustomPresets(services_.presets->loadPresets());
    setStatusMessage(deleted ? L10n::text("status.presetDeleted") : L10n::text("status.presetAlreadyGone", preset.name));
}

void DarkroomViewModel::revealPresetsFolder() {
    if (services_.presets && services_.workspace) services_.workspace->showFolder(services_.presets->presetsDirectory());
}

void DarkroomViewModel::exportRecipe(std::string id, std::filesystem::path destination) {
    if (!services_.presets) return;
    for (const FilmPreset& preset : customPresets_) {
        if (preset.id != id) continue;
        try {
            services_.presets->exportPreset(preset, destination);
        } catch (const std::exception& error) {
            std::cout << "[DarkroomViewModel] Failed to export preset: " << error.what() << std::endl;
            setStatusMessage(L10n::text("status.presetExportFailed", destination.filename().string(),
                                        causeText(failureCauseOf(error, FileAccess::writing))));
            return;
        }
        setStatusMessage(L10n::text("status.presetExported", destination.filename().string()));
        return;
    }
}

void DarkroomViewModel::importRecipe(std::filesystem::path file) {
    if (!services_.presets) return;
    FilmPreset imported;
    try {
        imported = services_.presets->importPreset(file);
    } catch (const std::exception& error) {
        std::cout << "[DarkroomViewModel] Failed to import " << file.string() << ": " << error.what() << std::endl;
        // A file that reads but does not decode is not a recipe; a system error says what stopped it.
        const FailureCause cause = dynamic_cast<const std::system_error*>(&error)
                                       ? failureCauseOf(error, FileAccess::reading)
                                       : FailureCause::notRecipeFile;
        setStatusMessage(L10n::text("status.presetImportFailed", file.filename().string(), causeText(cause)));
        return;
    }
    setCustomPresets(services_.presets->loadPresets());
    setStatusMessage(L10n::text("status.presetImported", imported.name));
}

void DarkroomViewModel::copyParameters() {
    copiedParameters_ = parameters_;
    copiedFromCapture_ = selectedPhoto() ? std::optional(selectedPhoto()->metadata()) : std::nullopt;
    setStatusMessage(L10n::text("status.copiedParams"));
}

void DarkroomViewModel::pasteParameters() {
    if (!copiedParameters_) {
        setStatusMessage(L10n::text("status.clipboardEmpty"));
        return;
    }
    // The whole recipe, as copied: its spots and masks come with the geometry they were made in.
    geometryFollower_.takeWhole();
    editRecipe([this](EditParameters& recipe) {
        recipe = *copiedParameters_;
        if (const LoadedPhoto* photo = selectedPhoto(); photo && copiedFromCapture_)
            carryWatermark(recipe.filmFrame, WatermarkFill::of(*copiedFromCapture_), WatermarkFill::of(photo->metadata()));
    });
    roll_.rebuildFilmstrip();
    setFrameStatusMessage(L10n::text("status.pastedParams"));
}

void DarkroomViewModel::resetToNeutral() {
    // Every stored copy goes (older names and the copy kept aside too), then
    // the neutral recipe is written in its place.
    if (const LoadedPhoto* photo = selectedPhoto()) {
        services_.store->deleteRecipe(FrameKey::of(*photo));
        roll_.writeRecipe(*photo, EditParameters::defaultValue());
    }
    editRecipe([](EditParameters& recipe) { recipe = EditParameters::defaultValue(); });
    setActivePresetID(std::string("neutral"));
    roll_.rebuildFilmstrip();
    setFrameStatusMessage(L10n::text("status.resetToNeutral"));
}

}  // namespace vantrel
