#include "services/AtomicFile.h"

#include <cerrno>
#include <chrono>
#include <ctime>
#include <optional>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace fs = std::filesystem;

namespace {

std::error_code lastError() { return {errno, std::generic_category()}; }

std::string randomSuffix() {
    thread_local std::mt19937_64 generator{std::random_device{}()};
    static constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string suffix(10, '0');
    for (char& c : suffix) c = digits[generator() % 36];
    return suffix;
}

// Opens a fresh temporary file in `folder` whose name starts with a dot, so
// folder listings that skip hidden files never pick it up. The name is short
// and of its own, not the target's with more added: a target whose name is
// near the folder's limit can still be written.
int openTemporary(const fs::path& folder, fs::path& tmp) {
    for (int attempt = 0; attempt < 32; ++attempt) {
        tmp = folder / (".vantrel-" + randomSuffix() + ".tmp");
        const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

std::error_code writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return lastError();
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return {};
}

void syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);  // best effort: some file systems refuse to sync a folder
    ::close(fd);
}

std::string utcStamp() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm tm{};
    ::gmtime_r(&now, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &tm);
    return text;
}

}  // namespace

std::error_code writeFileAtomically(const fs::path& target, std::string_view bytes) {
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    fs::path tmp;
    const int fd = openTemporary(folder, tmp);
    if (fd < 0) return lastError();

    std::error_code error = writeAll(fd, bytes);
    if (!error) {
        struct stat existing {};
        if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
            ::fchmod(fd, existing.st_mode & 07777);
        if (::fsync(fd) != 0) error = lastError();
    }
    if (::close(fd) != 0 && !error) error = lastError();
    if (!error && ::rename(tmp.c_str(), target.c_str()) != 0) error = lastError();
    if (error) {
        ::unlink(tmp.c_str());
        return error;
    }
    syncFolder(folder);
    return {};
}

std::error_code readWholeFile(const fs::path& path, std::string& out) {
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return lastError();
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            const std::error_code error = lastError();
            ::close(fd);
            return error;
        }
        if (got == 0) break;
        out.append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    return {};
}

std::optional<fs::path> stampedCopyName(const fs::path& path, std::string_view tag) {
    const std::string base = path.stem().string() + "." + std::string(tag) + "-" + utcStamp();
    for (int counter = 1; counter < 1000; ++counter) {
        const std::string name = counter == 1 ? base : base + "-" + std::to_string(counter);
        const fs::path candidate = path.parent_path() / (name + path.extension().string());
        std::error_code error;
        if (!fs::exists(fs::symlink_status(candidate, error))) return candidate;
    }
    return std::nullopt;
}

std::error_code keepFileAside(const fs::path& path, fs::path& keptAs) {
    const std::optional<fs::path> candidate = stampedCopyName(path, "corrupt");
    if (!candidate) return std::make_error_code(std::errc::file_exists);
    if (::rename(path.c_str(), candidate->c_str()) != 0) return lastError();
    keptAs = *candidate;
    return {};
}

}  // namespace vantrel
