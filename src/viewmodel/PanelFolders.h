#pragma once
// Where the file panels open. A panel that writes developed photos or recipes
// opens in the folder last written into for that kind of file (kept in the
// settings, so from one session to the next), else in the roll's folder, as
// the desktop's own save panels do; the panel that opens a roll opens beside
// the roll shown, among its neighbours. A folder is remembered only once
// something was written there: one where writing failed is not offered again.
// A folder that is gone, or that does not answer at once (a network share
// gone away, a file system that hangs), is passed over, so a panel never
// waits on it; an empty path stands for the home folder. A folder is asked
// by one probe at a time: while its probe has not answered, it is passed
// over at once, without another thread left waiting on it.
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QSettings>

namespace vantrel {

enum class PanelKind { photos, recipes };

class PanelFolders {
public:
    // Whether a path is a folder that can be listed; may block as long as its file system does.
    using FolderCheck = std::function<bool(const std::filesystem::path&)>;
    static constexpr std::chrono::milliseconds kPatience{300};

    // No settings: the application's. No check: the file system's own.
    explicit PanelFolders(std::shared_ptr<QSettings> settings, FolderCheck isFolder = {});

    // The folder last written into for `kind`, else `rollFolder`, while there.
    std::filesystem::path startFolder(PanelKind kind, const std::optional<std::filesystem::path>& rollFolder) const;
    void remember(PanelKind kind, const std::filesystem::path& folder);

    // The folder holding `rollFolder`, while there and answering.
    std::filesystem::path besideRoll(const std::optional<std::filesystem::path>& rollFolder) const;

private:
    struct Probes;
    // The check's answer within kPatience; false when it has not answered by then.
    bool answersAsFolder(const std::filesystem::path& path) const;

    std::shared_ptr<QSettings> settings_;
    FolderCheck isFolder_;
    std::shared_ptr<Probes> probes_;  // shared with the probes' threads, which may outlive this
};

}  // namespace vantrel
