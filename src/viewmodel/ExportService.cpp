#include "viewmodel/ExportService.h"

#include "services/ExportEngine.h"

namespace vantrel {

void EngineExportService::exportImage(const LoadedPhoto& photo, const EditParameters& recipe,
                                      const ExportSettings& settings, const std::optional<Image>& subjectMask,
                                      const std::filesystem::path& destination, std::stop_token stop) {
    ExportEngine::exportImage(photo, recipe, settings, subjectMask, destination, std::move(stop));
}

}  // namespace vantrel
