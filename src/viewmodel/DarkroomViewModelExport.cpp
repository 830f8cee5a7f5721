// The view model's export operations (ExportController does the work) and the
// recipe an export takes.
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

std::string DarkroomViewModel::proposedExportName(const std::string& title, ExportFormat format) {
    return ExportController::proposedName(title, format);
}

void DarkroomViewModel::presentExportDialog() { setIsShowingExportDialog(true); }

EditParameters DarkroomViewModel::recipeForExport(const LoadedPhoto& photo) const {
    const Uuid id = frameID(photo);
    if (selectedPhotoID_ == id) return parameters_;
    if (const auto kept = inMemoryRecipes_.find(id); kept != inMemoryRecipes_.end()) return kept->second;
    return services_.store->loadRecipe(FrameKey::of(photo)).value_or(EditParameters::defaultValue());
}

void DarkroomViewModel::exportCurrentPhoto(ExportSettings settings) { exports_->exportCurrentPhoto(std::move(settings)); }

void DarkroomViewModel::exportPhoto(LoadedPhoto photo, ExportSettings settings) {
    exports_->exportPhoto(std::move(photo), std::move(settings));
}

void DarkroomViewModel::startBatchExport(std::vector<LoadedPhoto> photos, ExportSettings settings) {
    exports_->startBatchExport(std::move(photos), std::move(settings));
}

void DarkroomViewModel::beginBatchExport(std::vector<LoadedPhoto> photos, std::filesystem::path folder,
                                         ExportSettings settings) {
    exports_->beginBatchExport(std::move(photos), std::move(folder), std::move(settings));
}

void DarkroomViewModel::finishBatchExport(int succeeded, int failed, std::filesystem::path folder) {
    exports_->finishBatchExport(succeeded, failed, folder);
}

void DarkroomViewModel::cancelBatchExport() { exports_->cancelBatchExport(); }

void DarkroomViewModel::stopEditWork() {
    comparisonTask_.cancel();
    // Exports under way stop and leave their destinations as they were.
    editShutdown_.request_stop();
    exports_->stop();
    editPool_.waitForDone();
    developedThumbnailPool_.waitForDone();
}

}  // namespace vantrel
