#include "app/ViewModelStandIns.h"

#include <exception>
#include <filesystem>
#include <optional>

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include "services/L10n.h"
#include "viewmodel/DarkroomViewModel.h"
#include "viewmodel/ExportService.h"
#include "viewmodel/FileDialogs.h"

namespace vantrel::pending {

// ---- checked frames and synchronisation

void checkAllPhotos(DarkroomViewModel& vm) {  // -> vm.checkAllPhotos()
    std::set<Uuid> all;
    for (const LoadedPhoto& photo : vm.photos()) all.insert(DarkroomViewModel::frameID(photo));
    vm.setCheckedPhotoIDs(std::move(all));
}

void uncheckAllPhotos(DarkroomViewModel& vm) { vm.setCheckedPhotoIDs({}); }  // -> vm.uncheckAllPhotos()

void toggleChecked(DarkroomViewModel& vm, const Uuid& id) {  // -> vm.toggleChecked(id)
    std::set<Uuid> checked = vm.checkedPhotoIDs();
    if (!checked.erase(id)) checked.insert(id);
    vm.setCheckedPhotoIDs(std::move(checked));
}

std::vector<LoadedPhoto> exportTargetPhotos(const DarkroomViewModel& vm) {  // -> vm.exportTargetPhotos()
    std::vector<LoadedPhoto> targets;
    for (const LoadedPhoto& photo : vm.photos())
        if (vm.checkedPhotoIDs().count(DarkroomViewModel::frameID(photo))) targets.push_back(photo);
    if (targets.empty() && vm.selectedPhoto()) targets.push_back(*vm.selectedPhoto());
    return targets;
}

std::vector<LoadedPhoto> syncTargetPhotos(const DarkroomViewModel& vm) {  // -> vm.syncTargetPhotos()
    std::vector<LoadedPhoto> targets;
    for (const LoadedPhoto& photo : vm.photos()) {
        const Uuid id = DarkroomViewModel::frameID(photo);
        if (vm.checkedPhotoIDs().count(id) && id != vm.selectedPhotoID()) targets.push_back(photo);
    }
    return targets;
}

void syncRecipeToRoll(DarkroomViewModel& vm) { vm.setIsShowingBatchSyncSheet(false); }  // -> vm.syncRecipeToRoll()

// ---- culling: -> vm.setRating, vm.setColorLabel, vm.setFlag, vm.setCullingFilter

void setRating(DarkroomViewModel&, int) {}
void setColorLabel(DarkroomViewModel&, ColorLabel) {}
void setFlag(DarkroomViewModel&, PickStatus) {}
void setCullingFilter(DarkroomViewModel& vm, const CullingFilterCriteria& filter) {
    vm.setCullingFilter(filter);
    vm.rebuildFilmstrip();
}

// ---- masks: -> vm.addLinearMask(), vm.addRadialMask(), vm.finishMaskEditing()

void addLinearMask(DarkroomViewModel&) {}
void addRadialMask(DarkroomViewModel&) {}
void finishMaskEditing(DarkroomViewModel& vm) {
    vm.setIsMaskMode(false);
    vm.requestRender(true);
}

// ---- recipes: -> vm.saveCustomPreset(name, subtitle, includeFrame)

void saveCustomPreset(DarkroomViewModel& vm, const std::string&, const std::string&, bool) {
    vm.setIsShowingSavePresetSheet(false);
}

// ---- export

void presentExportDialog(DarkroomViewModel& vm) {  // -> vm.presentExportDialog()
    if (!exportTargetPhotos(vm).empty()) vm.setIsShowingExportDialog(true);
}

// -> vm.exportCurrentPhoto(settings). Writes the current frame with its live
// recipe on a worker; the outcome goes to the status line and the alert.
void exportCurrentPhoto(DarkroomViewModel& vm, const ExportSettings& settings, FileDialogs* dialogs) {
    vm.setIsShowingExportDialog(false);
    const LoadedPhoto* photo = vm.selectedPhoto();
    if (!photo || !dialogs) return;
    const std::string proposed = std::filesystem::path(photo->title()).stem().string() + "_Developed." +
                                 std::string(fileExtension(settings.format));
    const std::optional<std::filesystem::path> destination =
        dialogs->chooseSaveLocation(L10n::tr("status.exportPanelTitle", photo->title()), proposed);
    if (!destination) return;

    vm.setIsExporting(true);
    vm.setStatusMessage(L10n::tr("status.exportingProgress", destination->filename().string()));
    QPointer<DarkroomViewModel> target(&vm);
    QThreadPool::globalInstance()->start([target, photo = *photo, recipe = vm.parameters(), settings,
                                          destination = *destination] {
        std::string failure;
        try {
            EngineExportService().exportImage(photo, recipe, settings, std::nullopt, destination, {});
        } catch (const std::exception& error) {
            failure = error.what();
        }
        QMetaObject::invokeMethod(QCoreApplication::instance(), [target, failure, destination] {
            if (!target) return;
            target->setIsExporting(false);
            if (failure.empty()) {
                target->setStatusMessage(L10n::tr("status.exportSuccess", destination.filename().string()));
                target->setExportAlertMessage(L10n::tr("status.exportSuccessAlert", destination.string()));
            } else {
                target->setStatusMessage(L10n::tr("status.exportFailed", failure));
                target->setExportAlertMessage(L10n::tr("status.exportFailed", failure));
            }
        });
    });
}

void startBatchExport(DarkroomViewModel& vm, const std::vector<LoadedPhoto>&, const ExportSettings&) {
    vm.setIsShowingExportDialog(false);  // -> vm.startBatchExport(photos, settings)
}

void cancelBatchExport(DarkroomViewModel& vm) {  // -> vm.cancelBatchExport()
    vm.setIsBatchExporting(false);
    vm.setStatusMessage(L10n::tr("status.batchCancelled"));
}

}  // namespace vantrel::pending
