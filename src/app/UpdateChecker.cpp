#include "app/UpdateChecker.h"

#include <QMessageBox>
#include <QPushButton>

#include "services/L10n.h"

#ifndef VANTREL_VERSION
#define VANTREL_VERSION "1.0.0"
#endif
#ifndef VANTREL_BUILD_NUMBER
#define VANTREL_BUILD_NUMBER "1"
#endif

namespace vantrel {

UpdateChecker& UpdateChecker::shared() {
    static UpdateChecker instance;
    return instance;
}

std::string UpdateChecker::versionString() {
    return std::string("v") + VANTREL_VERSION + " (Build " + VANTREL_BUILD_NUMBER + ")";
}

std::string UpdateChecker::checkMessage() {
    return versionString() + "\n\n" + L10n::tr("menu.updatesViaPackageManager");
}

void UpdateChecker::checkForUpdates(QWidget* parent) {
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Vantrel"),
                                QString::fromStdString(checkMessage()), QMessageBox::Ok, parent);
    box->setObjectName(QStringLiteral("updateCheckMessage"));
    box->button(QMessageBox::Ok)->setText(QString::fromStdString(L10n::tr("common.ok")));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    box->show();
}

}  // namespace vantrel
