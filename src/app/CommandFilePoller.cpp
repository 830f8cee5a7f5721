#include "app/CommandFilePoller.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <QByteArray>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>

namespace vantrel {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

using Outcome = CommandFileRead::Outcome;

}  // namespace

CommandFileRead readCommandFile(const std::filesystem::path& file) {
    // No following of a final symbolic link, and no blocking on a FIFO put in its place.
    const FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return {errno == ENOENT || errno == ENOTDIR ? Outcome::absent : Outcome::refused, {}};

    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return {Outcome::unreadable, {}};
    // Writable by anyone, it could carry anyone's command.
    if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid() || info.st_nlink != 1 || (info.st_mode & S_IWOTH) ||
        info.st_size > off_t(CommandFilePoller::kMaximumFileSize))
        return {Outcome::refused, {}};

    QByteArray bytes;
    bytes.resize(qsizetype(CommandFilePoller::kMaximumFileSize) + 1);
    qsizetype total = 0;
    for (;;) {
        const ssize_t n = ::read(fd.get(), bytes.data() + total, std::size_t(bytes.size() - total));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return {Outcome::unreadable, {}};
        if (n == 0) break;
        total += n;
        // Grew past the limit after the check.
        if (total > qsizetype(CommandFilePoller::kMaximumFileSize)) return {Outcome::refused, {}};
    }
    bytes.truncate(total);

    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return {Outcome::unreadable, {}};

    // Remove the very file that was read: the name must still lead to it.
    struct stat now {};
    if (::lstat(file.c_str(), &now) != 0 || now.st_dev != info.st_dev || now.st_ino != info.st_ino)
        return {Outcome::notRemoved, {}};
    if (::unlink(file.c_str()) != 0) return {Outcome::notRemoved, {}};

    CommandFileRead read{Outcome::consumed, {}};
    const QJsonValue action = document.object().value(QStringLiteral("action"));
    if (action.isString()) read.action = action.toString().toStdString();
    return read;
}

std::vector<std::filesystem::path> CommandFilePoller::defaultLocations() {
    const std::filesystem::path name = "tmp/vantrel_cmd.json";
    return {std::filesystem::path("/") / name, std::filesystem::path(QDir::homePath().toStdString()) / name};
}

CommandFilePoller::CommandFilePoller(std::vector<std::filesystem::path> locations, QObject* parent)
    : QObject(parent), locations_(std::move(locations)) {
    timer_.setInterval(kIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &CommandFilePoller::pollOnce);
}

void CommandFilePoller::start() {
    if (!timer_.isActive()) timer_.start();
}

void CommandFilePoller::pollOnce() {
    for (const auto& location : locations_) {
        const CommandFileRead read = readCommandFile(location);
        if (read.action) Q_EMIT actionReceived(QString::fromStdString(*read.action));
    }
}

}  // namespace vantrel
