#pragma once
// What a view model is built with. The application passes the real services
// (the engine, the session store, plain folder access, its window's dialogs and
// settings); tests pass fakes and shorter delays.
#include <chrono>
#include <memory>

#include <QSettings>

#include "services/CustomPresetStore.h"
#include "viewmodel/AnalysisService.h"
#include "viewmodel/ExportService.h"
#include "viewmodel/FileDialogs.h"
#include "viewmodel/FolderAccess.h"
#include "viewmodel/RenderService.h"
#include "viewmodel/SessionStorage.h"
#include "viewmodel/Workspace.h"

namespace vantrel {

struct Timings {
    // The full-resolution render after the last change of an interaction.
    std::chrono::milliseconds fullRenderDelay{120};
    // The recipe save after the last change.
    std::chrono::milliseconds saveDelay{400};
};

struct ViewModelServices {
    std::shared_ptr<RenderService> render;
    std::shared_ptr<SessionStorage> store;
    std::shared_ptr<ExportService> exporter;
    std::shared_ptr<const CustomPresetStore> presets;  // none: no custom recipes are loaded
    std::shared_ptr<FolderAccess> folders = std::make_shared<PlainFolderAccess>();
    std::shared_ptr<FileDialogs> dialogs;  // none: the open-folder command does nothing
    std::shared_ptr<QSettings> settings;   // none: the application's settings
    Timings timings{};

    // ---- analyses and the desktop (recipes, geometry, masks, export)
    std::shared_ptr<AnalysisService> analysis;  // none: no horizon or subject is ever found
    std::shared_ptr<Workspace> workspace;       // none: folders are not shown
};

// The real services of the application: the engine, the shared session and
// custom-recipe stores, the export writer, plain folder access, the engine's
// analyses and the desktop's file manager.
ViewModelServices applicationServices(std::shared_ptr<FileDialogs> dialogs);

}  // namespace vantrel
