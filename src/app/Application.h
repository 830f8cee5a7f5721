#pragma once
// The application's start: the checks before Qt is touched, the dark theme,
// the localisation hook, the quit signals, and the one main window.
#include <string>

namespace vantrel {

// Whether a display is reachable: DISPLAY or WAYLAND_DISPLAY is set, or a Qt
// platform was chosen explicitly (QT_QPA_PLATFORM, e.g. "offscreen").
bool hasDisplay();

// The text printed when there is none: how to start `program` anyway.
std::string noDisplayMessage(const char* program);

// Runs the program; the process's exit status.
int runApplication(int argc, char** argv);

}  // namespace vantrel
