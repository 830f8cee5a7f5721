#include "viewmodel/Workspace.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace vantrel {

void DesktopWorkspace::showFolder(const std::filesystem::path& folder) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder.string())));
}

}  // namespace vantrel
