#pragma once
// UpdateChecker: the "Check for Updates..." item's service. On Linux the
// program is updated by the system's package manager, so it never fetches a
// feed itself: a check shows the running version and says where updates come
// from. The surface stays that of an in-app updater, so one can be put behind
// it without touching the menu.
#include <string>

class QWidget;

namespace vantrel {

class UpdateChecker final {
public:
    // The shared instance, made on first use (the first check).
    static UpdateChecker& shared();

    // Shows the version and the package-manager sentence, over `parent`'s window.
    void checkForUpdates(QWidget* parent = nullptr);
    // Whether the program can look for updates by itself: never on Linux.
    bool canCheckForUpdates() const { return false; }
    // Reads true; writes are ignored (there is nothing to schedule).
    bool automaticallyChecksForUpdates() const { return true; }
    void setAutomaticallyChecksForUpdates(bool) {}

    // "v<version> (Build <n>)", from the build.
    static std::string versionString();
    // The text the check shows: the version, a blank line, the sentence.
    static std::string checkMessage();

private:
    UpdateChecker() = default;
};

}  // namespace vantrel
