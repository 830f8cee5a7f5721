#pragma once
// The desktop around the application: showing a folder in the file manager.
// The application passes DesktopWorkspace; tests pass a fake that records.
#include <filesystem>

namespace vantrel {

class Workspace {
public:
    virtual ~Workspace() = default;

    virtual void showFolder(const std::filesystem::path& folder) = 0;
};

// Opens the folder with the desktop's file manager.
class DesktopWorkspace final : public Workspace {
public:
    void showFolder(const std::filesystem::path& folder) override;
};

}  // namespace vantrel
