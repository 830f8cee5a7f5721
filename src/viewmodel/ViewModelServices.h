#pragma once
// What a view model is built with. The application passes the real services
// (the engine, the session store, plain folder access, its window's dialogs and
// settings); tests pass fakes and shorter delays.
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <stop_token>

#include <QByteArray>
#include <QSettings>

#include "engine/core/Image.h"
#include "engine/io/LoadedPhoto.h"
#include "model/EditParameters.h"
#include "services/CustomPresetStore.h"
#include "services/ExportSettings.h"
#include "viewmodel/FileDialogs.h"
#include "viewmodel/PanelFolders.h"
#include "viewmodel/RenderService.h"
#include "viewmodel/SessionStorage.h"

namespace vantrel {

// Remembering a roll folder and holding access to it. A desktop that sandboxes
// file access would grant it here; PlainFolderAccess (the Linux one) keeps the
// plain path as the bookmark and grants everything.
struct ResolvedBookmark {
    std::filesystem::path location;
    bool isStale = false;  // resolved, but should be made afresh and stored again
};

class FolderAccess {
public:
    virtual ~FolderAccess() = default;

    // Whether access was granted (and must later be ended with stopAccessing).
    virtual bool startAccessing(const std::filesystem::path& folder) = 0;
    virtual void stopAccessing(const std::filesystem::path& folder) = 0;

    virtual std::optional<QByteArray> makeBookmark(const std::filesystem::path& folder) = 0;
    virtual std::optional<ResolvedBookmark> resolveBookmark(const QByteArray& bookmark) = 0;
};

class PlainFolderAccess final : public FolderAccess {
public:
    bool startAccessing(const std::filesystem::path&) override { return true; }
    void stopAccessing(const std::filesystem::path&) override {}
    std::optional<QByteArray> makeBookmark(const std::filesystem::path& folder) override;
    std::optional<ResolvedBookmark> resolveBookmark(const QByteArray& bookmark) override;
};

// The image analyses the view model starts on a frame: the tilt of its horizon
// and the mask of its subject. The application passes EngineAnalysisService;
// tests pass a fake.
class AnalysisService {
public:
    virtual ~AnalysisService() = default;

    // Both are called on a worker thread and may block until the analysis ends.
    // The angle in degrees that levels the frame, or nothing.
    virtual std::optional<double> detectHorizonAngle(const LoadedPhoto& photo) = 0;
    // A grey mask of the frame's subject, or nothing when none stands out.
    virtual std::optional<Image> detectSubject(const LoadedPhoto& photo) = 0;
    // The same, with whether the mask holds a distinct subject or only what
    // draws the eye in a frame where nothing stands out clearly (a fallback).
    struct FoundSubject {
        Image mask;
        bool distinct = true;
    };
    virtual std::optional<FoundSubject> findSubject(const LoadedPhoto& photo) {
        auto mask = detectSubject(photo);
        if (!mask) return std::nullopt;
        return FoundSubject{std::move(*mask), true};
    }
};

// The engine's detectors: the horizon on the frame's proxy image, the subject on
// its full image (as the export writer does).
class EngineAnalysisService final : public AnalysisService {
public:
    std::optional<double> detectHorizonAngle(const LoadedPhoto& photo) override;
    std::optional<Image> detectSubject(const LoadedPhoto& photo) override;
    std::optional<FoundSubject> findSubject(const LoadedPhoto& photo) override;
};

// Writing one developed frame to a file. The application passes
// EngineExportService; tests pass a fake.
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

// The desktop around the application: showing a folder in the file manager.
// The application passes the desktop's file manager; tests pass a fake that records.
class Workspace {
public:
    virtual ~Workspace() = default;

    // Throws when the desktop has nothing to show the folder with.
    virtual void showFolder(const std::filesystem::path& folder) = 0;
};

struct Timings {
    // The full-resolution render after the last change of an interaction.
    std::chrono::milliseconds fullRenderDelay{120};
    // The recipe save after the last change.
    std::chrono::milliseconds saveDelay{400};
    // A message shown over the roll's standing notice gives way to it again after this.
    std::chrono::milliseconds noticeReturn{5000};
};

struct ViewModelServices {
    std::shared_ptr<RenderService> render;
    std::shared_ptr<SessionStorage> store;
    std::shared_ptr<ExportService> exporter;
    std::shared_ptr<const CustomPresetStore> presets;  // none: no custom recipes are loaded
    std::shared_ptr<FolderAccess> folders = std::make_shared<PlainFolderAccess>();
    std::shared_ptr<FileDialogs> dialogs;  // none: the open-folder command does nothing
    std::shared_ptr<QSettings> settings;   // none: the application's settings
    std::shared_ptr<PanelFolders> panelFolders;  // none: kept in `settings`
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
