#pragma once
// The desktop around the application: showing a folder in the file manager.
// The application passes the desktop's file manager; tests pass a fake that records.
#include <filesystem>

namespace vantrel {

class Workspace {
public:
    virtual ~Workspace() = default;

    virtual void showFolder(const std::filesystem::path& folder) = 0;
};

}  // namespace vantrel
