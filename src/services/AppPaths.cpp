#include "services/AppPaths.h"

#include <QDir>
#include <QStandardPaths>

namespace vantrel::AppPaths {

namespace fs = std::filesystem;

fs::path applicationDataDirectoryFrom(const fs::path& dataLocation) {
    const fs::path base = dataLocation.empty() ? fs::path(QDir::tempPath().toStdString()) : dataLocation;
    return base / "VantrelEditor";
}

fs::path applicationDataDirectory() {
    const QString location = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return applicationDataDirectoryFrom(fs::path(location.toStdString()));
}

fs::path sampleRecipesDirectory() { return applicationDataDirectory() / "sample_recipes"; }

fs::path customPresetsDirectory() { return applicationDataDirectory() / "CustomPresets"; }

fs::path keptRollsDirectory() { return applicationDataDirectory() / "kept_rolls"; }

bool isPlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

bool isInsideFolder(const fs::path& folder, const fs::path& file) {
    const fs::path base = folder.lexically_normal();
    const fs::path target = file.lexically_normal();
    const fs::path relative = target.lexically_relative(base);
    if (relative.empty() || relative == ".") return false;
    return *relative.begin() != "..";
}

}  // namespace vantrel::AppPaths
