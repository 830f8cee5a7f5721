#include "app/WindowFileDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QMimeDatabase>
#include <QStyle>

namespace vantrel {

namespace {

QString startDirectory(const std::filesystem::path& folder) {
    return folder.empty() ? QDir::homePath() : QString::fromStdString(folder.string());
}

// The answer of a panel that was accepted with one path, else nothing.
std::optional<std::filesystem::path> chosen(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString path = dialog.selectedFiles().constFirst();
    if (path.isEmpty()) return std::nullopt;
    return std::filesystem::path(path.toStdString());
}

}  // namespace

QIcon NameOnlyIconProvider::icon(IconType type) const { return QFileIconProvider().icon(type); }

QIcon NameOnlyIconProvider::icon(const QFileInfo& info) const {
    const QStyle* style = QApplication::style();
    return style->standardIcon(info.isDir() ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
}

QString NameOnlyIconProvider::type(const QFileInfo& info) const {
    if (info.isDir()) return QAbstractFileIconProvider::type(info);  // a folder's kind reads nothing
    return QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension).comment();
}

std::optional<std::filesystem::path> WindowFileDialogs::chooseFolder(const std::string& title,
                                                                     const std::filesystem::path& startFolder) {
    QFileDialog dialog(window_, QString::fromStdString(title), startDirectory(startFolder));
    dialog.setIconProvider(&icons_);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseCustomDirectoryIcons);
    return chosen(dialog);
}

std::optional<std::filesystem::path> WindowFileDialogs::chooseSaveLocation(const std::string& title,
                                                                           const std::filesystem::path& startFolder,
                                                                           const std::string& proposedName) {
    QFileDialog dialog(window_, QString::fromStdString(title), startDirectory(startFolder));
    dialog.setIconProvider(&icons_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseCustomDirectoryIcons);
    dialog.selectFile(QString::fromStdString(proposedName));
    return chosen(dialog);
}

}  // namespace vantrel
