#pragma once
// Where a roll's recipes, snapshots and culling records go when the roll's own
// folder cannot be written (a read-only share, an archive disc, another user's
// folder, a full disk): one folder per roll under the program's data folder,
// laid out like the roll's ".vantrel" folder. Its name is a readable tail of
// the roll's path and a hash of the whole path; the whole path is recorded
// inside ("origin.json") and checked, so two rolls never share a folder.
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

namespace vantrel {

// `base` is the folder that holds one folder per roll. Safe to use from several threads.
class KeptRollFolders {
public:
    // The roll's path as it names its folder: absolute, normalised, without a trailing separator.
    static std::filesystem::path rollKey(const std::filesystem::path& roll);
    // "<tail of the path>-<16 hex digits of its hash>", then "-2", "-3" ... for
    // the later folders of that name (other rolls whose paths hash alike).
    static std::string folderName(const std::filesystem::path& rollKey, int attempt = 1);

    // The roll's folder when one was made; nothing otherwise.
    std::optional<std::filesystem::path> find(const std::filesystem::path& base, const std::filesystem::path& roll);
    // The roll's folder, made with its record when missing; nothing and the
    // error when it cannot be made.
    std::optional<std::filesystem::path> make(const std::filesystem::path& base, const std::filesystem::path& roll,
                                              std::error_code& error);

    // Removes the roll's folder once it holds nothing but its record (empty
    // subfolders are removed first); a later make() starts a new one.
    void removeIfEmpty(const std::filesystem::path& base, const std::filesystem::path& roll);

private:
    std::optional<std::filesystem::path> lookUp(const std::filesystem::path& base, const std::filesystem::path& roll,
                                                bool create, std::error_code& error);

    std::mutex mutex_;
    // (base, roll key) -> the roll's verified folder
    std::map<std::pair<std::filesystem::path, std::filesystem::path>, std::filesystem::path> known_;
};

}  // namespace vantrel
