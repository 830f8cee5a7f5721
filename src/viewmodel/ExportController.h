#pragma once
// Export of one frame to a chosen file and of a list of frames into a folder,
// behind the view model's export operations: it asks where through the
// dialogs, writes on the edit pool, and reports through the view model's
// published export state and status line.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <stop_token>
#include <string>
#include <vector>

#include <QThreadPool>

#include "engine/io/LoadedPhoto.h"
#include "services/ExportSettings.h"
#include "services/LocalText.h"
#include "viewmodel/ViewModelServices.h"

namespace vantrel {

class DarkroomViewModel;
class SubjectMasks;

class ExportController {
public:
    // A frame's recipe as it is to be exported (the live one of the current frame).
    using RecipeOf = std::function<EditParameters(const LoadedPhoto&)>;
    // Exports run on `pool` and stop when `shutdown` is requested; each takes
    // the subject mask `masks` holds or finds for its frame.
    ExportController(DarkroomViewModel& viewModel, const ViewModelServices& services, RecipeOf recipeOf,
                     SubjectMasks& masks, QThreadPool& pool, std::stop_token shutdown);

    void exportCurrentPhoto(ExportSettings settings);
    void exportPhoto(LoadedPhoto photo, ExportSettings settings);
    void startBatchExport(std::vector<LoadedPhoto> photos, ExportSettings settings);
    void beginBatchExport(std::vector<LoadedPhoto> photos, std::filesystem::path folder, ExportSettings settings);
    void cancelBatchExport();
    // The running batch stops before its next frame (the view model is going).
    void stop();

    // "<title without its last extension>_Developed.<extension>", the title shortened
    // where the whole would pass the length a folder allows a name.
    static std::string proposedName(const std::string& title, ExportFormat format);

    // Why one export failed.
    struct Failure {
        LocalText text;
        std::string logText;  // the English description, with any library's message
        // Set when the destination's folder itself fails (why, without where).
        std::optional<LocalText> folderCause;
    };

private:
    struct BatchRun;
    void finishSingleExport(const std::filesystem::path& destination, const std::optional<Failure>& failure);
    void runBatchFrame(const std::shared_ptr<BatchRun>& run);
    void finishBatchFrame(const std::shared_ptr<BatchRun>& run, const std::filesystem::path& destination,
                          const std::optional<Failure>& failure);
    void finishBatchExport(const BatchRun& run);
    std::filesystem::path freeDestination(const std::filesystem::path& folder, const std::string& title,
                                          ExportFormat format) const;
    using Finished = std::function<void(const std::optional<Failure>& failure)>;
    // Exports the frame with its recipe on the pool; `finished` runs on the GUI thread.
    void write(const LoadedPhoto& photo, const ExportSettings& settings, const std::filesystem::path& destination,
               Finished finished);

    DarkroomViewModel& vm_;
    const ViewModelServices& services_;
    RecipeOf recipeOf_;
    SubjectMasks& masks_;
    QThreadPool& pool_;
    std::stop_token shutdown_;
    int singleExportsRunning_ = 0;
    std::shared_ptr<BatchRun> batch_;
    std::uint64_t batchGeneration_ = 0;
    // Files being written by any export: taken when choosing a free name.
    std::set<std::filesystem::path> destinationsInFlight_;
};

}  // namespace vantrel
