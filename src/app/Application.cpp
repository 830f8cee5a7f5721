#include "app/Application.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <QApplication>
#include <QThreadPool>

#include "views/kit/DarkroomTheme.h"
#include "app/MainWindow.h"
#include "app/QuitSignals.h"
#include "services/LocalizationManager.h"

namespace vantrel {

namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

}  // namespace

bool hasDisplay() { return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM"); }

std::string noDisplayMessage(const char* program) {
    return std::string("Vantrel needs a graphical display, and none was found (DISPLAY and WAYLAND_DISPLAY are not set).\n"
                       "Start it from a desktop session, or on a virtual display:\n"
                       "    xvfb-run -a ") +
           (program && *program ? program : "vantrel-editor") + "\n";
}

int runApplication(int argc, char** argv) {
    if (!hasDisplay()) {
        std::fputs(noDisplayMessage(argc > 0 ? argv[0] : nullptr).c_str(), stderr);
        return 2;
    }
    QCoreApplication::setOrganizationName(QStringLiteral("Vantrel"));
    QCoreApplication::setApplicationName(QStringLiteral("Vantrel"));
    QApplication application(argc, argv);
    DarkroomTheme::apply(application);
    LocalizationManager::install();

    int status = 0;
    {
        // Installed before the window exists: a signal during start-up waits in the pipe.
        // A signal saves what it can and ends the program without asking.
        QuitSignals quitSignals([](int) { quitApplication(false); });
        MainWindow window;
        window.show();
        status = QApplication::exec();
        // Leaving the scope ends the window and its view model, which wait for their renders.
    }
    // An export still writing finishes its file or removes it before the process ends.
    QThreadPool::globalInstance()->waitForDone();
    return status;
}

}  // namespace vantrel
