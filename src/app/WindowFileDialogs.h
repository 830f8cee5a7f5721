#pragma once
// The file panels of one window: a folder chooser and a save panel, both
// attached to the window, each opening in the folder it is given (else home).
// Qt's own panel reads no file's content to name its kind or icon (it would
// read every file of the folder it lists, and a file that blocks when read, on
// a file system that hangs, would hold the window).
#include <QAbstractFileIconProvider>
#include <QPointer>
#include <QWidget>

#include "viewmodel/FileDialogs.h"

namespace vantrel {

// Icons and kinds of files by their names alone.
class NameOnlyIconProvider final : public QAbstractFileIconProvider {
public:
    QIcon icon(IconType type) const override;
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;
};

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
    NameOnlyIconProvider icons_;
};

}  // namespace vantrel
