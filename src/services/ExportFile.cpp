#include "services/ExportFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>

#include "services/ExportError.h"

namespace vantrel {
namespace {

constexpr std::size_t kBufferSize = 1 << 20;

std::filesystem::path folderOf(const std::filesystem::path& destination) {
    const auto parent = destination.parent_path();
    return parent.empty() ? std::filesystem::path(".") : parent;
}

}  // namespace

ExportFile::ExportFile(std::filesystem::path destination) : destination_(std::move(destination)) {
    if (destination_.filename().empty())
        throw ExportError::fromErrno(EISDIR, ExportError::Step::write, destination_.string());
    const auto folder = folderOf(destination_);
    std::random_device entropy;
    std::mt19937_64 generator(entropy());
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        char suffix[20];
        std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(generator()));
        // A short name of its own: one built from the destination's would pass
        // the folder's limit on name length before the destination does.
        temporary_ = folder / (".vantrel-export-" + std::string(suffix) + ".tmp");
        // 0666 so that the usual umask gives the exported file the usual permissions.
        fd = ::open(temporary_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) throw ExportError::fromErrno(errno, ExportError::Step::createInFolder, folder.string());
    file_ = ::fdopen(fd, "w+b");
    if (!file_) {
        const int e = errno;
        ::close(fd);
        ::unlink(temporary_.c_str());
        throw ExportError::fromErrno(e, ExportError::Step::write, destination_.string());
    }
    std::setvbuf(file_, nullptr, _IOFBF, kBufferSize);
}

ExportFile::~ExportFile() {
    if (file_) std::fclose(file_);
    if (!committed_) ::unlink(temporary_.c_str());
}

void ExportFile::keepError(int errnum) {
    if (errno_ == 0) errno_ = errnum != 0 ? errnum : EIO;
}

bool ExportFile::write(const void* data, std::size_t size) {
    if (!file_) keepError(EBADF);
    if (errno_ != 0) return false;
    errno = 0;
    if (size == 0 || std::fwrite(data, 1, size, file_) == size) return true;
    keepError(errno);
    return false;
}

std::size_t ExportFile::read(void* data, std::size_t size) {
    if (!file_) keepError(EBADF);
    if (errno_ != 0) return 0;
    errno = 0;
    const std::size_t n = std::fread(data, 1, size, file_);
    if (n < size && std::ferror(file_)) keepError(errno);
    return n;
}

std::int64_t ExportFile::seek(std::int64_t offset, int whence) {
    if (!file_) keepError(EBADF);
    if (errno_ != 0) return -1;
    errno = 0;
    if (::fseeko(file_, offset, whence) != 0) {
        keepError(errno);
        return -1;
    }
    return ::ftello(file_);
}

std::int64_t ExportFile::size() {
    if (!file_) keepError(EBADF);
    if (errno_ != 0) return -1;
    errno = 0;
    struct stat st {};
    if (std::fflush(file_) != 0 || ::fstat(::fileno(file_), &st) != 0) {
        keepError(errno);
        return -1;
    }
    return st.st_size;
}

void ExportFile::throwFailure() const {
    throw ExportError::fromErrno(errno_ != 0 ? errno_ : EIO, ExportError::Step::write, destination_.string());
}

void ExportFile::commit() {
    if (!file_) keepError(EBADF);
    if (errno_ != 0) throwFailure();
    errno = 0;
    if (std::fflush(file_) != 0 || ::fdatasync(::fileno(file_)) != 0) keepError(errno);
    errno = 0;
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) keepError(errno);
    if (errno_ != 0) throwFailure();
    // Whether or not a file of that name was there, the photographer's file was not written.
    if (::rename(temporary_.c_str(), destination_.c_str()) != 0)
        throw ExportError::fromErrno(errno, ExportError::Step::write, destination_.string());
    committed_ = true;
}

}  // namespace vantrel
