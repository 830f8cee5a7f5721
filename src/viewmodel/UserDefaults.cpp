#include "viewmodel/UserDefaults.h"

namespace vantrel {

UserDefaults::UserDefaults(std::shared_ptr<QSettings> settings)
    : settings_(settings ? std::move(settings) : std::make_shared<QSettings>()) {}

std::optional<std::string> UserDefaults::string(const char* key) const {
    const QVariant value = settings_->value(key);
    if (!value.isValid() || value.isNull()) return std::nullopt;
    return value.toString().toStdString();
}

std::optional<QByteArray> UserDefaults::lastOpenedFolderBookmark() const {
    const QVariant value = settings_->value(kLastOpenedFolderBookmark);
    if (!value.isValid() || value.isNull()) return std::nullopt;
    return value.toByteArray();
}

void UserDefaults::setLastOpenedFolderBookmark(const QByteArray& bookmark) {
    settings_->setValue(kLastOpenedFolderBookmark, bookmark);
}

std::optional<std::string> UserDefaults::lastOpenedFolderPath() const { return string(kLastOpenedFolderPath); }

void UserDefaults::setLastOpenedFolderPath(const std::string& path) {
    settings_->setValue(kLastOpenedFolderPath, QString::fromStdString(path));
}

std::optional<std::string> UserDefaults::lastSelectedPhotoName() const { return string(kLastSelectedPhotoName); }

void UserDefaults::setLastSelectedPhotoName(const std::string& name) {
    settings_->setValue(kLastSelectedPhotoName, QString::fromStdString(name));
}

}  // namespace vantrel
