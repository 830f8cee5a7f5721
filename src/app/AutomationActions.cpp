#include "app/AutomationActions.h"

#include "model/MaskRules.h"
#include "services/AppLanguage.h"
#include "services/LocalizationManager.h"
#include "viewmodel/DarkroomViewModel.h"

namespace vantrel {

namespace {

void openMaskMode(DarkroomViewModel& vm) {
    // Set directly, without the toggle's status line; crop and retouch stay as they are.
    vm.setIsMaskMode(true);
    const MaskGroupParameters& masks = vm.parameters().masks;
    if (!firstMaskID(masks)) {
        vm.addMask(MaskKind::linear);
    } else if (!vm.selectedMaskID()) {
        vm.setSelectedMaskID(firstMaskID(masks));
    }
    vm.requestRender(RenderQuality::interactive);
}

void showBatchDemonstration(DarkroomViewModel& vm) {
    vm.setIsShowingExportDialog(false);
    vm.setIsBatchExporting(true);
    vm.setBatchExportProgress(0.65);
    vm.setBatchExportTotalCount(20);
    vm.setBatchExportCompletedCount(13);
    vm.setBatchExportCurrentItem("Rendering (14/20): 004329030014.tif");
}

}  // namespace

bool performAutomationAction(std::string_view action, DarkroomViewModel& vm, LocalizationManager& localization) {
    if (action == "open_sheet") {
        vm.setIsShowingSavePresetSheet(true);
    } else if (action == "close_sheet") {
        vm.setIsShowingSavePresetSheet(false);
    } else if (action == "zoom_200") {
        vm.setZoomScale(2.0);
    } else if (action == "zoom_100") {
        vm.setZoomScale(1.0);
    } else if (action == "enable_ultrahdr") {
        vm.editRecipe(
            [](EditParameters& recipe) {
                recipe.ultraHDR.isEnabled = true;
                recipe.ultraHDR.highlightBoost = 2.0;
            },
            RenderQuality::interactive);
    } else if (action == "select_all_photos") {
        vm.checkAllPhotos();
    } else if (action == "deselect_all_photos") {
        vm.uncheckAllPhotos();
    } else if (action == "open_export_dialog") {
        vm.presentExportDialog();
    } else if (action == "close_export_dialog") {
        vm.setIsShowingExportDialog(false);
    } else if (action == "show_batch_hud") {
        showBatchDemonstration(vm);
    } else if (action == "hide_batch_hud") {
        vm.setIsBatchExporting(false);
    } else if (action == "open_mask_mode") {
        openMaskMode(vm);
    } else if (action == "add_linear_mask") {
        vm.addMask(MaskKind::linear);
    } else if (action == "add_radial_mask") {
        vm.addMask(MaskKind::radial);
    } else if (action == "close_mask_mode") {
        vm.finishMaskEditing();
    } else if (action == "cancel_batch_export") {
        vm.cancelBatchExport();
    } else if (action == "set_lang_system") {
        localization.followSystemLanguage();
    } else if (action.starts_with("set_lang_")) {
        const std::string_view code = action.substr(9);
        for (AppLanguage language : kAllAppLanguages) {
            std::string raw(rawValue(language));
            std::erase(raw, '-');  // "zh-Hans" is named "zhHans"
            if (raw == code) {
                localization.setLanguage(language);
                return true;
            }
        }
        return false;
    } else {
        return false;
    }
    return true;
}

}  // namespace vantrel
