#include "viewmodel/ViewModelServices.h"

#include "viewmodel/EngineRenderService.h"
#include "viewmodel/SessionStoreStorage.h"

namespace vantrel {

ViewModelServices applicationServices(std::shared_ptr<FileDialogs> dialogs) {
    ViewModelServices services;
    services.render = std::make_shared<EngineRenderService>();
    services.store = std::make_shared<SessionStoreStorage>();
    services.exporter = std::make_shared<EngineExportService>();
    // The process-wide store, held without ownership.
    services.presets = std::shared_ptr<const CustomPresetStore>(std::shared_ptr<void>(), &CustomPresetStore::shared());
    services.dialogs = std::move(dialogs);
    services.analysis = std::make_shared<EngineAnalysisService>();
    services.workspace = std::make_shared<DesktopWorkspace>();
    return services;
}

}  // namespace vantrel
