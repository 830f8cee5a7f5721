#include "app/WindowFileDialogs.h"

#include <QDir>
#include <QFileDialog>

namespace vantrel {

std::optional<std::filesystem::path> WindowFileDialogs::chooseFolder(const std::string& title) {
    const QString folder = QFileDialog::getExistingDirectory(window_, QString::fromStdString(title), QDir::homePath());
    if (folder.isEmpty()) return std::nullopt;
    return std::filesystem::path(folder.toStdString());
}

std::optional<std::filesystem::path> WindowFileDialogs::chooseSaveLocation(const std::string& title,
                                                                            const std::string& proposedName) {
    const QString proposed = QDir(QDir::homePath()).filePath(QString::fromStdString(proposedName));
    const QString file = QFileDialog::getSaveFileName(window_, QString::fromStdString(title), proposed);
    if (file.isEmpty()) return std::nullopt;
    return std::filesystem::path(file.toStdString());
}

}  // namespace vantrel
