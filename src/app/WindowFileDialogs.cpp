#include "app/WindowFileDialogs.h"

#include <QDir>
#include <QFileDialog>

namespace vantrel {

namespace {

QString startDirectory(const std::filesystem::path& folder) {
    return folder.empty() ? QDir::homePath() : QString::fromStdString(folder.string());
}

}  // namespace

std::optional<std::filesystem::path> WindowFileDialogs::chooseFolder(const std::string& title,
                                                                     const std::filesystem::path& startFolder) {
    const QString folder =
        QFileDialog::getExistingDirectory(window_, QString::fromStdString(title), startDirectory(startFolder));
    if (folder.isEmpty()) return std::nullopt;
    return std::filesystem::path(folder.toStdString());
}

std::optional<std::filesystem::path> WindowFileDialogs::chooseSaveLocation(const std::string& title,
                                                                           const std::filesystem::path& startFolder,
                                                                           const std::string& proposedName) {
    const QString proposed = QDir(startDirectory(startFolder)).filePath(QString::fromStdString(proposedName));
    const QString file = QFileDialog::getSaveFileName(window_, QString::fromStdString(title), proposed);
    if (file.isEmpty()) return std::nullopt;
    return std::filesystem::path(file.toStdString());
}

}  // namespace vantrel
