#pragma once
// Writing one developed frame to a file. The application passes
// EngineExportService; tests pass a fake.
#include <filesystem>
#include <optional>
#include <stop_token>

#include "engine/core/Image.h"
#include "engine/io/LoadedPhoto.h"
#include "model/EditParameters.h"
#include "services/ExportSettings.h"

namespace vantrel {

class ExportService {
public:
    virtual ~ExportService() = default;

    // Renders the recipe onto the full scan and writes it; blocks until the file
    // is complete and throws ExportError on failure. Called on a worker thread.
    virtual void exportImage(const LoadedPhoto& photo, const EditParameters& recipe, const ExportSettings& settings,
                             const std::optional<Image>& subjectMask, const std::filesystem::path& destination,
                             std::stop_token stop) = 0;
};

class EngineExportService final : public ExportService {
public:
    void exportImage(const LoadedPhoto& photo, const EditParameters& recipe, const ExportSettings& settings,
                     const std::optional<Image>& subjectMask, const std::filesystem::path& destination,
                     std::stop_token stop) override;
};

}  // namespace vantrel
