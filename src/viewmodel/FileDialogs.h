#pragma once
// The file panels the view model asks for. The application passes dialogs of
// its window; tests pass answers of their own. Nothing means cancelled. Each
// panel opens in `startFolder`; an empty one is the home folder.
#include <filesystem>
#include <optional>
#include <string>

namespace vantrel {

class FileDialogs {
public:
    virtual ~FileDialogs() = default;

    virtual std::optional<std::filesystem::path> chooseFolder(const std::string& title,
                                                              const std::filesystem::path& startFolder) = 0;
    virtual std::optional<std::filesystem::path> chooseSaveLocation(const std::string& title,
                                                                    const std::filesystem::path& startFolder,
                                                                    const std::string& proposedName) = 0;
    // A folder to write into, confirmed with the button `prompt`. By default
    // the plain folder panel.
    virtual std::optional<std::filesystem::path> chooseDestinationFolder(const std::string& title,
                                                                         const std::string& prompt,
                                                                         const std::filesystem::path& startFolder) {
        (void)prompt;
        return chooseFolder(title, startFolder);
    }
};

}  // namespace vantrel
