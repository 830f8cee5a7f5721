#pragma once
// The window actions the automation channel can ask for, by name ("zoom_200",
// "open_export_dialog", "set_lang_de", ...). Names are matched exactly,
// case-sensitively; an unknown name does nothing.
#include <array>
#include <string_view>

namespace vantrel {

class DarkroomViewModel;
class LocalizationManager;

inline constexpr std::array<std::string_view, 24> kAutomationActions = {
    "open_sheet",        "close_sheet",         "zoom_200",          "zoom_100",
    "enable_ultrahdr",   "select_all_photos",   "deselect_all_photos", "open_export_dialog",
    "close_export_dialog", "show_batch_hud",    "hide_batch_hud",    "open_mask_mode",
    "add_linear_mask",   "add_radial_mask",     "close_mask_mode",   "cancel_batch_export",
    "set_lang_system",   "set_lang_en",         "set_lang_zhHans",   "set_lang_zhHant",
    "set_lang_ja",       "set_lang_de",         "set_lang_fr",       "set_lang_es"};

// Performs the named action; false when the name is not one of the above.
bool performAutomationAction(std::string_view action, DarkroomViewModel& vm, LocalizationManager& localization);

}  // namespace vantrel
