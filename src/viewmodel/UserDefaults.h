#pragma once
// The remembered session, in the user's settings under the program's keys.
#include <memory>
#include <optional>
#include <string>

#include <QByteArray>
#include <QSettings>

namespace vantrel {

class UserDefaults {
public:
    static constexpr const char* kLastOpenedFolderBookmark = "lastOpenedFolderBookmark";
    static constexpr const char* kLastOpenedFolderPath = "lastOpenedFolderPath";
    static constexpr const char* kLastSelectedPhotoName = "lastSelectedPhotoName";

    // The application's settings when none are given.
    explicit UserDefaults(std::shared_ptr<QSettings> settings = nullptr);

    std::optional<QByteArray> lastOpenedFolderBookmark() const;
    void setLastOpenedFolderBookmark(const QByteArray& bookmark);
    std::optional<std::string> lastOpenedFolderPath() const;
    void setLastOpenedFolderPath(const std::string& path);
    std::optional<std::string> lastSelectedPhotoName() const;
    void setLastSelectedPhotoName(const std::string& name);

    QSettings& settings() const { return *settings_; }

private:
    std::optional<std::string> string(const char* key) const;

    std::shared_ptr<QSettings> settings_;
};

}  // namespace vantrel
