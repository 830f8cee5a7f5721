#pragma once
// Shared helpers of the localisation tests: a scratch settings store so no
// test touches the user's real preferences.
#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>

namespace vantrel::testing {

// Points the default user settings of this process at a temporary folder;
// call before the shared localisation manager is first used.
inline void useScratchUserSettings() {
    static QTemporaryDir dir;
    static bool done = false;
    if (done) return;
    done = true;
    QCoreApplication::setOrganizationName(QStringLiteral("VantrelTests"));
    QCoreApplication::setApplicationName(QStringLiteral("LocalizationTests"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
}

}  // namespace vantrel::testing
