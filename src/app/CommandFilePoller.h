#pragma once
// The automation command channel: another process writes a small JSON object
// naming one window action ({"action":"zoom_200"}) to a fixed file, and the
// poller picks it up within a quarter of a second, removes it and reports the
// action. The files sit in shared folders such as /tmp, so a file is taken
// only when it is a regular file (never a symbolic link) with one name, owned
// by the user running the program, not writable by everyone, and at most
// 64 KiB; an action is reported
// only once its file is gone, so no file can repeat its action every tick.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <QObject>
#include <QTimer>

namespace vantrel {

// What one look at a command file found.
struct CommandFileRead {
    enum class Outcome {
        absent,       // no such file
        refused,      // not a plain file of ours (link, other owner, open to all, too big): left alone
        unreadable,   // read failed or not a JSON object: left in place, tried again
        notRemoved,   // a command, but the file could not be removed: not delivered
        consumed,     // removed; `action` holds the action when there was one
    };
    Outcome outcome = Outcome::absent;
    std::optional<std::string> action;
};

// One command file: checked, read, parsed and removed.
CommandFileRead readCommandFile(const std::filesystem::path& file);

class CommandFilePoller final : public QObject {
    Q_OBJECT

public:
    static constexpr std::size_t kMaximumFileSize = 64 * 1024;
    static constexpr int kIntervalMs = 250;

    // "/tmp/vantrel_cmd.json", then the same path under the home folder.
    static std::vector<std::filesystem::path> defaultLocations();

    explicit CommandFilePoller(std::vector<std::filesystem::path> locations = defaultLocations(),
                               QObject* parent = nullptr);

    // Polls every 0.25 s from now on; a second call changes nothing.
    void start();
    bool isRunning() const { return timer_.isActive(); }
    // One look at every location, in order; each found action is reported.
    void pollOnce();

    const std::vector<std::filesystem::path>& locations() const { return locations_; }

Q_SIGNALS:
    void actionReceived(const QString& action);

private:
    std::vector<std::filesystem::path> locations_;
    QTimer timer_;
};

}  // namespace vantrel
