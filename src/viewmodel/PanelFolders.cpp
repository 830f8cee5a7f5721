#include "viewmodel/PanelFolders.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

namespace vantrel {

namespace {

const char* settingsKey(PanelKind kind) {
    switch (kind) {
        case PanelKind::photos: return "lastPhotoExportFolder";
        case PanelKind::recipes: return "lastRecipeExportFolder";
    }
    return "lastPhotoExportFolder";
}

// A folder whose entries can be read (a panel lists them as it opens).
bool isListableFolder(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_directory(path, ec)) return false;
    std::filesystem::directory_iterator entries(path, ec);
    return !ec;
}

}  // namespace

// The probes not answered yet, by folder; each answer wakes the panel waiting for it.
struct PanelFolders::Probes {
    struct Probe {
        bool answered = false;
        bool isFolder = false;
    };
    std::mutex mutex;
    std::condition_variable answered;
    std::map<std::filesystem::path, std::shared_ptr<Probe>> waiting;
};

PanelFolders::PanelFolders(std::shared_ptr<QSettings> settings, FolderCheck isFolder)
    : settings_(settings ? std::move(settings) : std::make_shared<QSettings>()),
      isFolder_(isFolder ? std::move(isFolder) : FolderCheck(isListableFolder)),
      probes_(std::make_shared<Probes>()) {}

bool PanelFolders::answersAsFolder(const std::filesystem::path& path) const {
    if (path.empty()) return false;
    std::unique_lock lock(probes_->mutex);
    // Still asked by an earlier probe: passed over until that answers.
    if (probes_->waiting.count(path)) return false;
    auto probe = std::make_shared<Probes::Probe>();
    probes_->waiting.emplace(path, probe);
    // On a thread of its own: a file system that hangs holds that thread alone.
    std::thread([probes = probes_, check = isFolder_, path, probe] {
        const bool isFolder = check(path);
        const std::lock_guard answer(probes->mutex);
        probe->answered = true;
        probe->isFolder = isFolder;
        probes->waiting.erase(path);
        probes->answered.notify_all();
    }).detach();
    probes_->answered.wait_for(lock, kPatience, [&] { return probe->answered; });
    return probe->answered && probe->isFolder;
}

std::filesystem::path PanelFolders::startFolder(PanelKind kind,
                                                const std::optional<std::filesystem::path>& rollFolder) const {
    const std::filesystem::path last(settings_->value(settingsKey(kind)).toString().toStdString());
    if (answersAsFolder(last)) return last;
    if (rollFolder && answersAsFolder(*rollFolder)) return *rollFolder;
    return {};
}

void PanelFolders::remember(PanelKind kind, const std::filesystem::path& folder) {
    if (!folder.empty()) settings_->setValue(settingsKey(kind), QString::fromStdString(folder.string()));
}

std::filesystem::path PanelFolders::besideRoll(const std::optional<std::filesystem::path>& rollFolder) const {
    if (!rollFolder) return {};
    std::filesystem::path folder = rollFolder->lexically_normal();
    if (!folder.has_filename()) folder = folder.parent_path();  // "roll/" is the folder "roll"
    const std::filesystem::path above = folder.parent_path();
    return answersAsFolder(above) ? above : std::filesystem::path();
}

}  // namespace vantrel
