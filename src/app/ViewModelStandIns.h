#pragma once
// Operations of the view model that the window calls but that the view model
// does not offer yet (checked frames, synchronisation, culling, masks, recipes
// and export are being added to it). Every call the window makes to one of
// them goes through this file, so connecting the real operation is a change
// of one line here: each body below names the operation that replaces it.
// Until then each does the least that keeps the window usable.
#include <string>
#include <vector>

#include "engine/LoadedPhoto.h"
#include "model/PhotoCullingRecord.h"
#include "model/Uuid.h"
#include "services/ExportSettings.h"

namespace vantrel {

class DarkroomViewModel;
class FileDialogs;

namespace pending {

// Checked frames and synchronisation.
void checkAllPhotos(DarkroomViewModel& vm);
void uncheckAllPhotos(DarkroomViewModel& vm);
void toggleChecked(DarkroomViewModel& vm, const Uuid& id);
std::vector<LoadedPhoto> exportTargetPhotos(const DarkroomViewModel& vm);
std::vector<LoadedPhoto> syncTargetPhotos(const DarkroomViewModel& vm);
void syncRecipeToRoll(DarkroomViewModel& vm);

// Culling.
void setRating(DarkroomViewModel& vm, int rating);
void setColorLabel(DarkroomViewModel& vm, ColorLabel label);
void setFlag(DarkroomViewModel& vm, PickStatus status);
void setCullingFilter(DarkroomViewModel& vm, const CullingFilterCriteria& filter);

// Masks.
void addLinearMask(DarkroomViewModel& vm);
void addRadialMask(DarkroomViewModel& vm);
void finishMaskEditing(DarkroomViewModel& vm);

// Recipes.
void saveCustomPreset(DarkroomViewModel& vm, const std::string& name, const std::string& subtitle, bool includeFrame);

// Export.
void presentExportDialog(DarkroomViewModel& vm);
void exportCurrentPhoto(DarkroomViewModel& vm, const ExportSettings& settings, FileDialogs* dialogs);
void startBatchExport(DarkroomViewModel& vm, const std::vector<LoadedPhoto>& photos, const ExportSettings& settings);
void cancelBatchExport(DarkroomViewModel& vm);

}  // namespace pending
}  // namespace vantrel
