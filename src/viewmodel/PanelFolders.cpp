#include "viewmodel/PanelFolders.h"

#include <system_error>

namespace vantrel {

namespace {

const char* settingsKey(PanelKind kind) {
    switch (kind) {
        case PanelKind::photos: return "lastPhotoExportFolder";
        case PanelKind::recipes: return "lastRecipeExportFolder";
    }
    return "lastPhotoExportFolder";
}

bool isFolder(const std::filesystem::path& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}

}  // namespace

PanelFolders::PanelFolders(std::shared_ptr<QSettings> settings)
    : settings_(settings ? std::move(settings) : std::make_shared<QSettings>()) {}

std::filesystem::path PanelFolders::startFolder(PanelKind kind,
                                                const std::optional<std::filesystem::path>& rollFolder) const {
    const std::filesystem::path last(settings_->value(settingsKey(kind)).toString().toStdString());
    if (isFolder(last)) return last;
    if (rollFolder && isFolder(*rollFolder)) return *rollFolder;
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
    return isFolder(above) ? above : std::filesystem::path();
}

}  // namespace vantrel
