#include "viewmodel/ViewModelServices.h"

#include <stdexcept>
#include <string>

#include <QDesktopServices>
#include <QString>
#include <QUrl>

#include "engine/analysis/horizon/HorizonDetector.h"
#include "engine/analysis/subject/SubjectSegmentationEngine.h"
#include "services/ExportEngine.h"
#include "viewmodel/EngineRenderService.h"
#include "viewmodel/SessionStoreStorage.h"

namespace vantrel {

namespace {

// Opens the folder with the desktop's file manager.
class DesktopWorkspace final : public Workspace {
public:
    void showFolder(const std::filesystem::path& folder) override {
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder.string()))))
            throw std::runtime_error("no program of the desktop shows folders");
    }
};

}  // namespace

std::optional<double> EngineAnalysisService::detectHorizonAngle(const LoadedPhoto& photo) {
    return HorizonDetector::detectHorizonAngle(photo.proxyImage()).get();
}

std::optional<Image> EngineAnalysisService::detectSubject(const LoadedPhoto& photo) {
    // The full image, as an export finding the mask for itself measures it: the two agree.
    return SubjectSegmentationEngine::shared().generateMask(photo.fullImage()).get();
}

std::optional<AnalysisService::FoundSubject> EngineAnalysisService::findSubject(const LoadedPhoto& photo) {
    auto found = SubjectSegmentationEngine::shared().generateSubject(photo.fullImage()).get();
    if (!found) return std::nullopt;
    return FoundSubject{std::move(found->mask), found->distinct};
}

void EngineExportService::exportImage(const LoadedPhoto& photo, const EditParameters& recipe,
                                      const ExportSettings& settings, const std::optional<Image>& subjectMask,
                                      const std::filesystem::path& destination, std::stop_token stop) {
    ExportEngine::exportImage(photo, recipe, settings, subjectMask, destination, std::move(stop));
}

std::optional<QByteArray> PlainFolderAccess::makeBookmark(const std::filesystem::path& folder) {
    if (folder.empty()) return std::nullopt;
    const std::u8string text = folder.u8string();
    return QByteArray(reinterpret_cast<const char*>(text.data()), qsizetype(text.size()));
}

std::optional<ResolvedBookmark> PlainFolderAccess::resolveBookmark(const QByteArray& bookmark) {
    if (bookmark.isEmpty()) return std::nullopt;
    const std::u8string text(reinterpret_cast<const char8_t*>(bookmark.constData()), std::size_t(bookmark.size()));
    return ResolvedBookmark{std::filesystem::path(text), false};
}

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
