#pragma once
// Where the file panels open. A panel that writes developed photos or recipes
// opens in the folder last chosen for that kind of file (kept in the settings,
// so from one session to the next), else in the roll's folder, as the
// desktop's own save panels do; the panel that opens a roll opens beside the
// roll shown, among its neighbours. A folder that is gone is passed over; an
// empty path stands for the home folder.
#include <filesystem>
#include <memory>
#include <optional>

#include <QSettings>

namespace vantrel {

enum class PanelKind { photos, recipes };

class PanelFolders {
public:
    // No settings: the application's.
    explicit PanelFolders(std::shared_ptr<QSettings> settings);

    // The folder last chosen for `kind`, else `rollFolder`, while there.
    std::filesystem::path startFolder(PanelKind kind, const std::optional<std::filesystem::path>& rollFolder) const;
    void remember(PanelKind kind, const std::filesystem::path& folder);

    // The folder holding `rollFolder`, while there.
    static std::filesystem::path besideRoll(const std::optional<std::filesystem::path>& rollFolder);

private:
    std::shared_ptr<QSettings> settings_;
};

}  // namespace vantrel
