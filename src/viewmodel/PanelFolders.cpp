#include "viewmodel/PanelFolders.h"

#include <future>
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

// The check on a thread of its own, given kPatience to answer. A thread that
// hangs with its file system is left to end when that answers.
bool answersInTime(const PanelFolders::FolderCheck& check, const std::filesystem::path& path) {
    if (path.empty()) return false;
    auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> answered = answer->get_future();
    std::thread([check, path, answer] { answer->set_value(check(path)); }).detach();
    return answered.wait_for(PanelFolders::kPatience) == std::future_status::ready && answered.get();
}

}  // namespace

PanelFolders::PanelFolders(std::shared_ptr<QSettings> settings, FolderCheck isFolder)
    : settings_(settings ? std::move(settings) : std::make_shared<QSettings>()),
      isFolder_(isFolder ? std::move(isFolder) : FolderCheck(isListableFolder)) {}

bool PanelFolders::answersAsFolder(const std::filesystem::path& path) const { return answersInTime(isFolder_, path); }

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

std::filesystem::path PanelFolders::besideRoll(const std::optional<std::filesystem::path>& rollFolder) {
    if (!rollFolder) return {};
    std::filesystem::path folder = rollFolder->lexically_normal();
    if (!folder.has_filename()) folder = folder.parent_path();  // "roll/" is the folder "roll"
    const std::filesystem::path above = folder.parent_path();
    return answersInTime(isListableFolder, above) ? above : std::filesystem::path();
}

}  // namespace vantrel
