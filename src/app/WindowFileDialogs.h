#pragma once
// The file panels of one window: a folder chooser and a save panel, both
// attached to the window, each opening in the folder it is given (else home).
#include <QPointer>
#include <QWidget>

#include "viewmodel/FileDialogs.h"

namespace vantrel {

class WindowFileDialogs final : public FileDialogs {
public:
    explicit WindowFileDialogs(QWidget* window = nullptr) : window_(window) {}
    void setWindow(QWidget* window) { window_ = window; }

    std::optional<std::filesystem::path> chooseFolder(const std::string& title,
                                                      const std::filesystem::path& startFolder) override;
    std::optional<std::filesystem::path> chooseSaveLocation(const std::string& title,
                                                            const std::filesystem::path& startFolder,
                                                            const std::string& proposedName) override;

private:
    QPointer<QWidget> window_;
};

}  // namespace vantrel
